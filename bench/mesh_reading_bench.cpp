// Reading surface meshes from memory: a generated ship-like hull of about 100,000 triangles
// written as ASCII STL (seven significant digits, as exporters write "%e"), as OBJ with every
// digit of the doubles ("%.17g") and as binary STL, and the real 21 MB ASCII STL hull of the
// OpenFOAM examples (six significant digits) where that package is installed. Each run parses the
// whole file (format detection, numbers, merging equal points) into a surface; the rate is the
// file's bytes over the elapsed time.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/mesh/mesh_reader.h"
#include "generated_bodies.h"

namespace {

const char* const kRealHull =
    "/usr/share/doc/openfoam-examples/examples/resources/geometry/DTC-scaled.stl.gz";

enum class Written { kStlAscii, kStlBinary, kObj };

void appendFloat(std::string& out, float value) {
  char bytes[4];
  std::memcpy(bytes, &value, 4);
  out.append(bytes, 4);
}

std::string written(const TriangleSurface& s, Written how) {
  std::string out;
  char line[160];
  if (how == Written::kStlBinary) {
    out.assign(80, ' ');
    const std::uint32_t count = static_cast<std::uint32_t>(s.triangles.size());
    for (int i = 0; i < 4; ++i)
      out += static_cast<char>((count >> (8 * i)) & 0xff);
    for (const TriangleSurface::Triangle& t : s.triangles) {
      for (int i = 0; i < 3; ++i)
        appendFloat(out, 0);
      for (const std::uint32_t v : t.v) {
        appendFloat(out, static_cast<float>(s.vertices[v].x));
        appendFloat(out, static_cast<float>(s.vertices[v].y));
        appendFloat(out, static_cast<float>(s.vertices[v].z));
      }
      out += std::string(2, '\0');
    }
    return out;
  }
  if (how == Written::kObj) {
    for (const Vec3& p : s.vertices) {
      std::snprintf(line, sizeof line, "v %.17g %.17g %.17g\n", p.x, p.y, p.z);
      out += line;
    }
    for (const TriangleSurface::Triangle& t : s.triangles) {
      std::snprintf(line, sizeof line, "f %u %u %u\n", t.v[0] + 1, t.v[1] + 1, t.v[2] + 1);
      out += line;
    }
    return out;
  }
  out = "solid hull\n";
  for (const TriangleSurface::Triangle& t : s.triangles) {
    const Vec3 &a = s.vertices[t.v[0]], &b = s.vertices[t.v[1]], &c = s.vertices[t.v[2]];
    Vec3 n = (b - a).cross(c - a);
    n.normalize();
    std::snprintf(line, sizeof line, "  facet normal %e %e %e\n    outer loop\n", n.x, n.y, n.z);
    out += line;
    for (const Vec3* p : {&a, &b, &c}) {
      std::snprintf(line, sizeof line, "      vertex %e %e %e\n", p->x, p->y, p->z);
      out += line;
    }
    out += "    endloop\n  endfacet\n";
  }
  return out + "endsolid hull\n";
}

const TriangleSurface& generatedHull() {
  static FloatingBody body;
  if (body.surface.triangles.empty())
    makeHullSurface(body, 316, 79);
  return body.surface;
}

std::string realHull() {
  std::string bytes;
  std::FILE* pipe = popen((std::string("gzip -dc ") + kRealHull + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr)
    return bytes;
  char chunk[65536];
  std::size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0)
    bytes.append(chunk, got);
  pclose(pipe);
  return bytes;
}

// The files are made on first use, so that other benchmarks do not wait for them.
const std::string& meshText(int which) {
  static std::string texts[4];
  static bool made[4] = {false, false, false, false};
  if (!made[which]) {
    texts[which] = which == 3 ? realHull() : written(generatedHull(), static_cast<Written>(which));
    made[which] = true;
  }
  return texts[which];
}

void meshReading(benchmark::State& state, int which, const char* path, bool twoHalves) {
  const std::string* bytes = &meshText(which);
  if (bytes->empty()) {
    state.SkipWithError("no file");
    return;
  }
  std::size_t triangles = 0;
  for (auto _ : state) {
    MeshFile mesh;
    MeshFileError error;
    if (!parseMesh(*bytes, path, mesh, error, twoHalves)) {
      state.SkipWithError(error.message.c_str());
      return;
    }
    triangles = mesh.surface.triangles.size();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(bytes->size()));
  state.counters["triangles"] = static_cast<double>(triangles);
  state.counters["megabytes"] = static_cast<double>(bytes->size()) * 1e-6;
}

const bool kRegistered = [] {
  const char* const names[] = {"reading/hull_99856_stl_ascii/", "reading/hull_99856_stl_binary/",
                               "reading/hull_99856_obj/", "reading/dtc_hull_stl_ascii/"};
  const char* const paths[] = {"hull.stl", "hull.stl", "hull.obj", "DTC-scaled.stl"};
  // "mesh1": on one thread; "mesh": as the program reads (a large STL file in two halves).
  for (int i = 0; i < 4; ++i) {
    for (const bool twoHalves : {false, true}) {
      benchmark::RegisterBenchmark((std::string(names[i]) + (twoHalves ? "mesh" : "mesh1")).c_str(),
                                   meshReading, i, paths[i], twoHalves)
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime()
          ->MinTime(0.5);
    }
  }
  return true;
}();

}  // namespace
