// The run behind the console program as a library call: runForReport on streams of its own, from
// several threads at once, with a body read before the run (a file's, or a surface from arrays),
// and the faults it ends on.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/console_driver.h"
#include "app/input/pillar_file.h"
#include "app/prepared_body.h"
#include "support/surfaces.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

std::string examplePath(const std::string& name) {
  const char* source = std::getenv("FLOATSTATE_SOURCE_DIR");
  return std::string(source != nullptr ? source : ".") + "/examples/" + name + "/" + name + ".txt";
}

using test_support::TempFolder;

// One run with its console texts and standard error caught.
struct Caught {
  RunResult result;
  std::string out;
  std::string err;
};

Caught run(const RunOptions& options) {
  std::ostringstream out, err;
  std::istringstream in;  // at its end: the iteration's question is answered no
  Caught caught;
  caught.result = runForReport(options, RunStreams{out, err, in, false});
  caught.out = out.str();
  caught.err = err.str();
  return caught;
}

// The report without the solver's seconds, which differ from run to run.
json timeless(const std::string& report) {
  json j = json::parse(report);
  j["solver"].erase("seconds");
  return j;
}

// The console texts with the elapsed time ("0.12 seconds") masked.
std::string withoutElapsed(std::string console) {
  const std::string unit = " seconds";
  for (std::size_t at = console.find(unit); at != std::string::npos;
       at = console.find(unit, at + unit.size())) {
    std::size_t start = at;
    while (start > 0 && (std::isdigit(static_cast<unsigned char>(console[start - 1])) != 0 ||
                         console[start - 1] == '.'))
      --start;
    console.replace(start, at - start, "#");
    at = start + 1;
  }
  return console;
}

std::vector<RunOptions> exampleRuns() {
  std::vector<RunOptions> runs;
  for (const char* name : {"pontoon_barge", "semi_submersible", "spar", "prism_hull"}) {
    for (SolverMethod method : {SolverMethod::kGreedy, SolverMethod::kNewton}) {
      RunOptions options;
      options.setFile = examplePath(name);
      options.method = method;
      options.summary = true;
      options.gz = HeelRange{0, 30, 10};
      runs.push_back(options);
    }
  }
  runs[1].language = Language::kEnglish;
  runs[2].quiet = true;
  return runs;
}

TEST(RunForReport, RunsOnSeveralThreadsAtOnceGiveWhatEachGivesAlone) {
  const std::vector<RunOptions> runs = exampleRuns();
  std::vector<Caught> alone;
  for (const RunOptions& options : runs) {
    alone.push_back(run(options));
    ASSERT_EQ(alone.back().result.fault.kind, RunFault::Kind::kNone) << alone.back().err;
    ASSERT_FALSE(alone.back().result.json.empty());
  }
  // Each thread runs every example in its own order, with its own language and step lines.
  constexpr int kThreads = 4;
  std::vector<std::vector<Caught>> together(kThreads, std::vector<Caught>(runs.size()));
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (std::size_t k = 0; k < runs.size(); ++k) {
        const std::size_t i = (k + static_cast<std::size_t>(t) * 3) % runs.size();
        together[static_cast<std::size_t>(t)][i] = run(runs[i]);
      }
    });
  }
  for (std::thread& thread : threads)
    thread.join();
  for (int t = 0; t < kThreads; ++t) {
    for (std::size_t i = 0; i < runs.size(); ++i) {
      SCOPED_TRACE("thread " + std::to_string(t) + ", run " + std::to_string(i));
      const Caught& c = together[static_cast<std::size_t>(t)][i];
      EXPECT_EQ(c.result.exitCode, alone[i].result.exitCode);
      EXPECT_EQ(timeless(c.result.json), timeless(alone[i].result.json));
      EXPECT_EQ(withoutElapsed(c.out), withoutElapsed(alone[i].out));
      EXPECT_EQ(c.err, alone[i].err);
    }
  }
  // The language and the step lines were the run's: English texts in run 1 only, no step lines
  // in run 2.
  EXPECT_NE(alone[1].out.find("Start"), std::string::npos) << alone[1].out;
  EXPECT_EQ(alone[0].out.find("Start"), std::string::npos);
  EXPECT_EQ(alone[2].out.find("Step"), std::string::npos);
  EXPECT_NE(alone[3].out.find("Step"), std::string::npos);
}

// The console program does not keep the report: it makes none unless --json asks for one, and
// its console texts are those of a run that keeps it.
TEST(RunForReport, AReportNotKeptIsMadeOnlyForTheJsonFile) {
  const TempFolder folder("run_api_report");
  for (const RunOptions& given : exampleRuns()) {
    RunOptions options = given;
    options.pillarFile = "";
    std::ostringstream out, err;
    std::istringstream in;
    const RunResult dropped = runForReport(options, RunStreams{out, err, in, false, false});
    EXPECT_TRUE(dropped.json.empty());
    const Caught kept = run(options);
    EXPECT_EQ(withoutElapsed(out.str()), withoutElapsed(kept.out));
    EXPECT_EQ(dropped.exitCode, kept.result.exitCode);
    options.jsonFile = folder.path() + "/report.json";
    std::ostringstream out2, err2;
    const RunResult written = runForReport(options, RunStreams{out2, err2, in, false, false});
    std::ifstream file(options.jsonFile);
    const std::string text((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    EXPECT_EQ(text, written.json);
    EXPECT_EQ(timeless(written.json), timeless(kept.result.json));
  }
}

TEST(RunForReport, BodyReadBeforeTheRunGivesTheFileRunsReport) {
  for (const char* name : {"pontoon_barge", "prism_hull"}) {
    SCOPED_TRACE(name);
    RunOptions fromFile;
    fromFile.setFile = examplePath(name);
    fromFile.method = SolverMethod::kNewton;
    const Caught reference = run(fromFile);
    std::ostringstream unused;
    RunOptions prepared = fromFile;
    prepared.setFile.clear();
    prepared.body = prepareSetBody(examplePath(name), unused);
    const Caught first = run(prepared);
    const Caught second = run(prepared);  // the body read once floats again, unchanged
    EXPECT_EQ(timeless(first.result.json), timeless(reference.result.json));
    EXPECT_EQ(timeless(second.result.json), timeless(reference.result.json));
    EXPECT_EQ(withoutElapsed(first.out), withoutElapsed(reference.out));
  }
  // The prism hull's findings (its warped prisms) are in the prepared body's report too.
  std::ostringstream unused;
  RunOptions options;
  options.body = prepareSetBody(examplePath("prism_hull"), unused);
  EXPECT_FALSE(timeless(run(options).result.json)["warnings"].empty());
}

TEST(RunForReport, LoadingGivenForASetBodyReplacesTheFilesAndItsFindings) {
  std::ostringstream unused;
  RunOptions options;
  options.body = prepareSetBody(examplePath("spar"), unused);
  const json own = timeless(run(options).result.json);
  // A centre of gravity far outside the body: the file's finding about it gives way to this one's.
  options.mesh.hasGravity = true;
  options.mesh.gravity = Vec3(0.5, 0, 500);
  options.mesh.hasDisplacement = true;
  options.mesh.displacement = 0.9 * own["input"]["displacementVolume"].get<double>();
  const Caught loaded = run(options);
  const json j = timeless(loaded.result.json);
  EXPECT_EQ(j["input"]["displacementVolume"], options.mesh.displacement);
  EXPECT_EQ(j["input"]["centreOfGravity"], json::array({0.5, 0.0, 500.0}));
  ASSERT_EQ(j["warnings"].size(), own["warnings"].size() + 1) << j["warnings"];
  EXPECT_NE(j["warnings"].back()["message"].get<std::string>().find("(0.5, 0, 500)"),
            std::string::npos);
  EXPECT_NE(j["waterPlane"], own["waterPlane"]);
}

TEST(RunForReport, SurfaceFromArraysFloatsAsTheSameSurfaceFromAFile) {
  const TempFolder folder("run_api_surface");
  const TriangleSurface hull = surfaces::hullSurface(12, 6);
  const std::string obj = folder.write("hull.obj", surfaces::objText(hull));
  RunOptions fromFile;
  fromFile.mesh.meshFile = obj;
  fromFile.mesh.hasDisplacement = fromFile.mesh.hasGravity = true;
  fromFile.mesh.displacement = 4000;
  fromFile.mesh.gravity = Vec3(1, 0.5, 6);
  fromFile.method = SolverMethod::kNewton;
  const Caught reference = run(fromFile);
  ASSERT_EQ(reference.result.fault.kind, RunFault::Kind::kNone) << reference.err;

  std::vector<double> xyz;
  for (const Vec3& v : hull.vertices)
    xyz.insert(xyz.end(), {v.x, v.y, v.z});
  std::vector<std::int64_t> corners;
  for (const auto& t : hull.triangles)
    corners.insert(corners.end(), {t.v[0], t.v[1], t.v[2]});
  std::ostringstream unused;
  RunOptions fromArrays = fromFile;
  fromArrays.mesh.meshFile.clear();
  fromArrays.body = prepareArrayBody("arrays", xyz.data(), hull.vertices.size(), corners.data(),
                                     hull.triangles.size(), unused);
  json expected = timeless(reference.result.json);
  expected["input"]["mesh"] = nullptr;  // a surface in memory has no file
  EXPECT_EQ(timeless(run(fromArrays).result.json), expected);

  RunOptions fromMesh = fromArrays;
  fromMesh.body = prepareMeshBody(obj, unused);
  EXPECT_EQ(timeless(run(fromMesh).result.json), timeless(reference.result.json));
}

struct FaultCase {
  const char* name;
  RunOptions options;
  RunFault::Kind kind;
  int systemError;
  const char* message;  // a part of the message
  bool report;          // the run still has its report
};

TEST(RunForReport, FaultsAreTheInputsOrTheFilesWithTheProgramsMessages) {
  const TempFolder folder("run_api_faults");
  const std::string broken = folder.write("broken.txt", "Volume of Displacement=abc\n");
  const std::string lonely = folder.write("lonely.txt", [] {
    std::ifstream in(examplePath("spar"));
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }());
  std::ostringstream unused;
  const TriangleSurface box = surfaces::boxSurface(Vec3(0, 0, 0), 4, 2, 1);
  const std::string obj = folder.write("box.obj", surfaces::objText(box));
  std::vector<FaultCase> cases;
  const auto add = [&cases](const char* name, RunFault::Kind kind, int systemError,
                            const char* message, bool report, auto change) {
    RunOptions options;
    options.answer = false;
    change(options);
    cases.push_back({name, options, kind, systemError, message, report});
  };
  using K = RunFault::Kind;
  add("missing SET file", K::kFile, ENOENT, "cannot open SET file '", false,
      [&](RunOptions& o) { o.setFile = folder.write("", "") + "/none.txt"; });
  add("SET file syntax", K::kInput, 0, "broken.txt", false,
      [&](RunOptions& o) { o.setFile = broken; });
  add("no SET file", K::kInput, 0, "no SET file given", false, [](RunOptions&) {});
  add("missing marks file", K::kFile, ENOENT, "marks file", false, [&](RunOptions& o) {
    o.setFile = examplePath("spar");
    o.marksFile = folder.write("", "") + "/none.csv";
  });
  add("missing named pillars", K::kFile, ENOENT, "cannot open pillar file", false,
      [&](RunOptions& o) {
        o.setFile = examplePath("spar");
        o.pillarFile = folder.write("", "") + "/none.txt";
      });
  add("no FourPillars.txt beside", K::kFile, ENOENT, "cannot open pillar file", true,
      [&](RunOptions& o) { o.setFile = lonely; });
  add("surface without loading", K::kInput, 0, "a surface body needs its displacement", false,
      [&](RunOptions& o) { o.body = prepareMeshBody(obj, unused); });
  add("body cannot float", K::kInput, 0, "the body cannot float", false, [&](RunOptions& o) {
    o.body = prepareMeshBody(obj, unused);
    o.mesh.hasDisplacement = o.mesh.hasGravity = true;
    o.mesh.displacement = 100;
    o.mesh.gravity = Vec3(2, 1, 0.5);
  });
  for (const FaultCase& k : cases) {
    SCOPED_TRACE(k.name);
    const Caught c = run(k.options);
    EXPECT_EQ(c.result.exitCode, 1);
    EXPECT_EQ(c.result.fault.kind, k.kind);
    EXPECT_EQ(c.result.fault.systemError, k.systemError);
    EXPECT_NE(c.result.fault.message.find(k.message), std::string::npos) << c.result.fault.message;
    EXPECT_EQ(c.result.json.empty(), !k.report);
    // The message is the program's line on standard error, where it has one.
    if (c.err.find("floatstate: " + c.result.fault.message) == std::string::npos) {
      EXPECT_NE(c.out.find(c.result.fault.message), std::string::npos) << c.out << c.err;
    }
  }
}

TEST(RunForReport, PillarsGivenInMemoryStandForThePillarFile) {
  RunOptions fromFile;
  fromFile.setFile = examplePath("semi_submersible");
  fromFile.method = SolverMethod::kNewton;
  const json reference = timeless(run(fromFile).result.json);
  std::array<LineSegment, 4> pillars;
  const std::string pillarFile =
      (fs::path(examplePath("semi_submersible")).parent_path() / "FourPillars.txt").string();
  readPillarFile(pillarFile.c_str(), pillars.data());
  RunOptions inMemory = fromFile;
  inMemory.pillars = pillars;
  json j = timeless(run(inMemory).result.json);
  EXPECT_EQ(j["pillars"], reference["pillars"]);
  EXPECT_TRUE(j["input"]["pillarFile"].is_null());
  j["input"]["pillarFile"] = reference["input"]["pillarFile"];
  EXPECT_EQ(j, reference);
}

}  // namespace
