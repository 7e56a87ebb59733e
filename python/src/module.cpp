// floatstate._core: the program's runs as Python calls. The Python package (floatstate/__init__.py)
// wraps these in its documented functions; everything here takes and gives plain text and
// numbers, so that the reports are the program's JSON text itself.
//
// Nothing here writes to the process's standard output or error: every run and every reading
// gets streams of its own, which are dropped. The long calls release the GIL.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <utility>

#include "app/batch_job.h"
#include "app/command_line.h"
#include "app/console_driver.h"
#include "app/input/input_scan.h"
#include "app/option_values.h"
#include "app/prepared_body.h"
#include "elements/console.h"
#include "submerged/worker_pool.h"

namespace py = pybind11;

namespace {

// The console of the calling thread sent nowhere while a body is read: the readers write nothing
// there for a sound input, and nothing of a fault's reaches the process's own streams.
class SilentConsole {
 public:
  SilentConsole() : sink_(nullptr) { console::redirect(&sink_, &noInput_); }
  ~SilentConsole() { console::redirect(nullptr, nullptr); }
  SilentConsole(const SilentConsole&) = delete;
  SilentConsole& operator=(const SilentConsole&) = delete;
  std::ostream& sink() { return sink_; }

 private:
  std::ostream sink_;
  std::istringstream noInput_;
};

// Raises the fault as the package promises: a file that could not be opened, read or written as
// OSError (with its error number, which picks the subclass: FileNotFoundError, PermissionError,
// ...), anything else as ValueError, both with the program's message.
[[noreturn]] void raiseFault(const RunFault& fault) {
  if (fault.kind == RunFault::Kind::kFile) {
    const py::object error =
        fault.systemError != 0
            ? py::reinterpret_borrow<py::object>(PyExc_OSError)(fault.systemError, fault.message)
            : py::reinterpret_borrow<py::object>(PyExc_OSError)(fault.message);
    PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(error.ptr())), error.ptr());
    throw py::error_already_set();
  }
  throw py::value_error(fault.message);
}

std::string pathText(const py::object& path) {
  return py::module_::import("os").attr("fspath")(path).cast<std::string>();
}

// A body read once, and what it was read from, so that it can be pickled (to a process of a
// pool, a worker of a cluster) as that source and read there again.
struct Body {
  std::shared_ptr<const PreparedBody> prepared;
  std::string kind;  // "set", "mesh" or "arrays"
  py::object vertices = py::none();
  py::object triangles = py::none();
};

template <class Read>
Body readBody(const std::string& kind, Read read) {
  Body body;
  body.kind = kind;
  RunFault fault;
  {
    py::gil_scoped_release release;
    SilentConsole console;
    try {
      body.prepared = read(console.sink());
    } catch (const ReadFault& readFault) {
      fault = runFaultOf(readFault);
    }
  }
  if (!body.prepared)
    raiseFault(fault);
  return body;
}

Body fromSet(const py::object& path) {
  const std::string file = pathText(path);
  return readBody("set", [&](std::ostream& err) { return prepareSetBody(file, err); });
}

Body fromMesh(const py::object& path) {
  const std::string file = pathText(path);
  return readBody("mesh", [&](std::ostream& err) { return prepareMeshBody(file, err); });
}

std::string shapeText(const py::array& a) {
  std::string text = "(";
  for (py::ssize_t d = 0; d < a.ndim(); ++d)
    text += (d > 0 ? ", " : "") + std::to_string(a.shape(d));
  return text + (a.ndim() == 1 ? ",)" : ")");
}

Body fromArrays(const py::object& vertexRows, const py::object& triangleRows,
                const std::string& name) {
  const py::array given = py::array::ensure(triangleRows);
  if (!given)
    throw py::value_error("triangles: expected an integer array of shape (m, 3)");
  const char kind = given.dtype().kind();
  if (kind != 'i' && kind != 'u' && !(given.size() == 0 && kind == 'f'))
    throw py::value_error("triangles: expected integers (vertex indices), not dtype " +
                          py::str(given.dtype()).cast<std::string>());
  using Points = py::array_t<double, py::array::c_style | py::array::forcecast>;
  using Corners = py::array_t<std::int64_t, py::array::c_style | py::array::forcecast>;
  const Points xyz = Points::ensure(vertexRows);
  if (!xyz)
    throw py::value_error("vertices: expected an array of numbers of shape (n, 3)");
  if (kind == 'u' && given.size() > 0 &&
      py::module_::import("numpy").attr("max")(given).cast<std::uint64_t>() > INT64_MAX)
    throw py::value_error("triangles: a vertex index beyond the range of 64-bit integers");
  const Corners corners = Corners::ensure(given);
  if (xyz.ndim() != 2 || xyz.shape(1) != 3)
    throw py::value_error("vertices: expected the shape (n, 3), not " + shapeText(xyz));
  if (corners.ndim() != 2 || corners.shape(1) != 3)
    throw py::value_error("triangles: expected the shape (m, 3), not " + shapeText(corners));
  const auto vertexCount = static_cast<std::size_t>(xyz.shape(0));
  const auto triangleCount = static_cast<std::size_t>(corners.shape(0));
  Body body = readBody("arrays", [&](std::ostream& err) {
    return prepareArrayBody(name, xyz.data(), vertexCount, corners.data(), triangleCount, err);
  });
  // Copies of what was given, for pickling: the caller may change its arrays afterwards.
  body.vertices = xyz.attr("copy")();
  body.triangles = corners.attr("copy")();
  return body;
}

// The run's JSON report, or the fault raised.
std::string reportOf(const RunResult& result) {
  if (result.fault.kind != RunFault::Kind::kNone || result.json.empty())
    raiseFault(result.fault);
  return result.json;
}

RunResult runQuietly(const std::function<RunResult(const RunStreams&)>& run) {
  py::gil_scoped_release release;
  std::ostream discarded(nullptr);
  std::istringstream noAnswers;
  return run(RunStreams{discarded, discarded, noAnswers, false});
}

std::string solve(const Body& body, const std::string& settings) {
  RunOptions options;
  std::string error;
  if (!readJobSettings(settings, "", options, error))
    throw py::value_error(error);
  options.body = body.prepared;
  return reportOf(runQuietly([&](const RunStreams& s) { return runForReport(options, s); }));
}

std::string runJob(const std::string& job, const std::string& folder) {
  return reportOf(runQuietly(
      [&](const RunStreams& s) { return runSolveJob(job, folder, s, processBodyCache()); }));
}

// A loading condition from its text; `path` names it and places its relative paths.
std::string runCaseText(const std::string& text, const std::string& path) {
  RunOptions options;
  options.quiet = true;
  options.answer = true;
  options.method = SolverMethod::kNewton;
  options.caseFile = path;
  options.caseText = text;
  return reportOf(runQuietly([&](const RunStreams& s) { return runForReport(options, s); }));
}

// The upright hydrostatic table of the body over the drafts "FROM:TO:STEP", in water of the
// density (t/m^3): a run of the tables alone.
std::string hydrostatics(const Body& body, const std::string& drafts, double density) {
  RunOptions options;
  DraftRange range;
  std::string reason;
  if (!parseDraftRange(drafts, range, reason))
    throw py::value_error("drafts: " + reason);
  if (!(std::isfinite(density) && density > 0))
    throw py::value_error("density: the water's density must be a positive number (t/m^3)");
  options.quiet = true;
  options.answer = true;
  options.hydrostatics = range;
  options.waterDensity = density;
  options.body = body.prepared;
  return reportOf(runQuietly([&](const RunStreams& s) { return runForReport(options, s); }));
}

py::list warningsOf(const PreparedBody& p) {
  py::list list;
  for (const InputWarning& w : p.warnings)
    list.append(py::dict(py::arg("line") = w.line, py::arg("message") = w.message));
  return list;
}

constexpr const char* kBody =
    "A body read and checked once, to be floated any number of times: the solid elements\n"
    "of a SET file (with the file's displacement volume and centre of gravity), or the solid\n"
    "inside a closed triangle surface (a mesh file, or arrays), which has no loading of its\n"
    "own. Made by Body.from_set, Body.from_mesh or Body.from_arrays; floated by\n"
    "floatstate.solve. Reading is the program's: the same checks, the same findings\n"
    "(Body.warnings), the same faults (ValueError for a file's content, OSError for a file\n"
    "that cannot be read). A body pickles as its source and is read again where it is\n"
    "unpickled.";

constexpr const char* kFromSet =
    "Body.from_set(path) -> Body\n"
    "\n"
    "Reads the SET file at path (str or os.PathLike), as `floatstate PATH` reads it.\n"
    "Raises OSError when the file cannot be opened or read, ValueError when its content is\n"
    "not a SET file, with the program's message (it names the file and the line).";

constexpr const char* kFromMesh =
    "Body.from_mesh(path) -> Body\n"
    "\n"
    "Reads the closed triangle surface in the mesh file at path (STL, ASCII or binary; OBJ;\n"
    "OFF) and checks it as `floatstate --mesh PATH` does: every edge shared by two triangles\n"
    "running along it in opposite directions, a positive enclosed volume (an inside-out\n"
    "surface is turned around, with a warning). Raises OSError or ValueError as\n"
    "Body.from_set.";

constexpr const char* kFromArrays =
    "Body.from_arrays(vertices, triangles, name=\"arrays\") -> Body\n"
    "\n"
    "The solid inside the closed surface of the points `vertices` (numbers, shape (n, 3),\n"
    "taken as float64) and the triangles `triangles` (integers, shape (m, 3): vertex indices\n"
    "from 0, counter-clockwise seen from outside). Equal points become one vertex, so the\n"
    "surface is the one a mesh file with the same points and faces gives, and it is checked\n"
    "as Body.from_mesh checks a file's; `name` stands for the file in messages. Raises\n"
    "ValueError on a shape, a coordinate that is not finite, an index outside the points, or\n"
    "a surface that fails the checks.";

void describeBody(py::class_<Body>& c) {
  c.def_static("from_set", &fromSet, py::arg("path"), kFromSet)
      .def_static("from_mesh", &fromMesh, py::arg("path"), kFromMesh)
      .def_static("from_arrays", &fromArrays, py::arg("vertices"), py::arg("triangles"),
                  py::arg("name") = "arrays", kFromArrays)
      .def_property_readonly(
          "kind", [](const Body& b) { return b.kind; }, "\"set\", \"mesh\" or \"arrays\".")
      .def_property_readonly("path",
                             [](const Body& b) -> py::object {
                               const PreparedBody& p = *b.prepared;
                               if (b.kind == "arrays")
                                 return py::none();
                               return py::str(p.isSurface() ? p.meshFile : p.setFile);
                             })
      .def_property_readonly("name", [](const Body& b) { return b.prepared->name; })
      .def_property_readonly(
          "warnings", [](const Body& b) { return warningsOf(*b.prepared); },
          "The reading's findings: dicts of the SET file's line (0: none) and the message.")
      .def_property_readonly("displacement",
                             [](const Body& b) -> py::object {
                               if (b.prepared->isSurface())
                                 return py::none();
                               return py::float_(b.prepared->body.displacementVolume);
                             })
      .def_property_readonly("gravity",
                             [](const Body& b) -> py::object {
                               if (b.prepared->isSurface())
                                 return py::none();
                               const Vec3& g = b.prepared->body.centreOfGravity;
                               return py::make_tuple(g.x, g.y, g.z);
                             })
      .def_property_readonly("elements",
                             [](const Body& b) {
                               const FloatingBody& f = b.prepared->body;
                               return py::dict(py::arg("tetrahedra") = f.tetrahedronCount,
                                               py::arg("hexahedra") = f.hexahedronCount,
                                               py::arg("prisms") = f.prismCount,
                                               py::arg("cylinders") = f.cylinderCount);
                             })
      .def_property_readonly(
          "surface",
          [](const Body& b) -> py::object {
            const TriangleSurface& s = b.prepared->body.surface;
            if (s.empty())
              return py::none();
            py::array_t<double> xyz({static_cast<py::ssize_t>(s.vertices.size()), py::ssize_t{3}});
            auto v = xyz.mutable_unchecked<2>();
            for (std::size_t i = 0; i < s.vertices.size(); ++i) {
              const auto row = static_cast<py::ssize_t>(i);
              v(row, 0) = s.vertices[i].x;
              v(row, 1) = s.vertices[i].y;
              v(row, 2) = s.vertices[i].z;
            }
            py::array_t<std::int64_t> corners(
                {static_cast<py::ssize_t>(s.triangles.size()), py::ssize_t{3}});
            auto t = corners.mutable_unchecked<2>();
            for (std::size_t i = 0; i < s.triangles.size(); ++i) {
              for (py::ssize_t k = 0; k < 3; ++k)
                t(static_cast<py::ssize_t>(i), k) = s.triangles[i].v[k];
            }
            return py::make_tuple(xyz, corners);
          })
      .def_property_readonly("bounds", [](const Body& b) {
        const BoundingBox& x = b.prepared->body.bounds;
        return py::make_tuple(py::make_tuple(x.xMin, x.yMin, x.zMin),
                              py::make_tuple(x.xMax, x.yMax, x.zMax));
      });
  // Pickled as its source, read again where it is unpickled.
  c.def(py::pickle(
      [](const Body& b) {
        if (b.kind == "arrays")
          return py::make_tuple(b.kind, b.vertices, b.triangles, b.prepared->name);
        return py::make_tuple(b.kind, b.prepared->name);
      },
      [](const py::tuple& state) {
        const std::string kind = state[0].cast<std::string>();
        if (kind == "arrays")
          return fromArrays(state[1], state[2], state[3].cast<std::string>());
        return kind == "mesh" ? fromMesh(state[1]) : fromSet(state[1]);
      }));
}

}  // namespace

PYBIND11_MODULE(_core, m) {
  m.doc() = "The floatstate runs behind the floatstate package; use the package's functions.";
  m.attr("__version__") = programVersion();
  py::class_<Body> body(m, "Body", kBody);
  describeBody(body);
  m.def("_solve", &solve, py::arg("body"), py::arg("settings"),
        "The JSON report of a run of the body with the settings of a solve job (JSON text).");
  m.def("_run_job", &runJob, py::arg("job"), py::arg("folder"),
        "The JSON report of a solve job (JSON text), its body from the process's cache.");
  m.def("_run_case_text", &runCaseText, py::arg("text"), py::arg("path"),
        "The JSON report of a loading condition given as the text of a case file.");
  m.def("_hydrostatics", &hydrostatics, py::arg("body"), py::arg("drafts"), py::arg("density"),
        "The JSON report of the hydrostatic table over the drafts FROM:TO:STEP for the body.");
  m.def(
      "_share_threads", [](int count) { EvaluationThreads::shareOnThisThread(count); },
      py::arg("count"),
      "Runs on this thread evaluate on count threads from now on (a batch worker's share).");
  m.def(
      "_body_cache_reads", [] { return processBodyCache().reads(); },
      "How many times this process's solve jobs have read a body file.");
}
