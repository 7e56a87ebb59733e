// Reading a SET file: the stream's formatted reading against the reading of a regular file from
// its mapped bytes (two threads on a large file, and one; and two taking notes for the checks, as
// the program reads), on generated bodies written as SET files
// with six significant digits, as hand-made and exported files hold them. Counter same_body: both
// readings gave the same numbers.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/input/set_file_reader.h"
#include "app/input/set_file_text.h"
#include "app/platform/platform.h"
#include "generated_bodies.h"

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

void writePoint(std::FILE* file, const Vec3& p) {
  std::fprintf(file, "%g,%g,%g\n", p.x, p.y, p.z);
}

// The body as a SET file, in an anonymous temporary file positioned at its start.
FilePtr setFileOf(const FloatingBody& body, const LoadCase& load) {
  FilePtr file(std::tmpfile());
  if (!file)
    return file;
  std::FILE* f = file.get();
  std::fprintf(f, "Volume of Displacement=%g\nGra_Pt.x=%g\nGra_Pt.y=%g\nGra_Pt.z=%g\n",
               load.displacement, load.gravity.x, load.gravity.y, load.gravity.z);
  for (int i = 0; i < body.hexahedronCount; ++i) {
    std::fputs("Hexahedron\n", f);
    for (const Vec3& p : body.hexahedra[i].vertices)
      writePoint(f, p);
  }
  for (int i = 0; i < body.tetrahedronCount; ++i) {
    std::fputs("Tetrahedron\n", f);
    for (const Vec3& p : body.tetrahedra[i].vertices)
      writePoint(f, p);
  }
  for (int i = 0; i < body.prismCount; ++i) {
    std::fputs("TrianglePrism\n", f);
    for (const Vec3& p : body.prisms[i].vertices)
      writePoint(f, p);
  }
  for (int i = 0; i < body.cylinderCount; ++i) {
    const Cylinder& c = body.cylinders[i];
    std::fprintf(f, "Cylinder\n");
    writePoint(f, c.axisStart);
    std::fprintf(f, "%g\n", c.radius);
    writePoint(f, c.axisEnd);
    std::fprintf(f, "%g\n", c.radius);
  }
  std::rewind(f);
  return file;
}

using Parse = bool (*)(std::FILE*, FloatingBody&, SetFileError&, std::vector<SetFileWarning>&);

// The reading from memory on the calling thread alone (the usual file's path, without the
// stream's fallback, which these files never need).
bool parseMappedOneThread(std::FILE* file, FloatingBody& body, SetFileError& error,
                          std::vector<SetFileWarning>&) {
  const MappedFile mapped(file);
  if (mapped.data() == nullptr ||
      !readUsualSetFile(mapped.data(), mapped.size(), body, nullptr, false)) {
    error.message = "not read from memory";
    return false;
  }
  return true;
}

// The program's reading: from memory on two threads, each solid's split volumes measured and the
// blocks' lines counted for the checks as it is read.
bool parseWithNotes(std::FILE* file, FloatingBody& body, SetFileError& error,
                    std::vector<SetFileWarning>& warnings) {
  ReadingNotes notes;
  return parseSetFile(file, body, error, warnings, nullptr, &notes);
}

template <class Element>
bool sameVertices(const Element* a, const Element* b, int count) {
  for (int i = 0; i < count; ++i) {
    if (std::memcmp(a[i].vertices, b[i].vertices, sizeof a[i].vertices) != 0)
      return false;
  }
  return true;
}

// The same header values, elements and numbers, bit for bit.
bool sameNumbers(const FloatingBody& a, const FloatingBody& b) {
  if (a.hexahedronCount != b.hexahedronCount || a.tetrahedronCount != b.tetrahedronCount ||
      a.prismCount != b.prismCount || a.cylinderCount != b.cylinderCount ||
      std::memcmp(&a.displacementVolume, &b.displacementVolume, sizeof(double)) != 0 ||
      std::memcmp(&a.centreOfGravity, &b.centreOfGravity, sizeof(Vec3)) != 0)
    return false;
  for (int i = 0; i < a.cylinderCount; ++i) {
    const Cylinder &x = a.cylinders[i], &y = b.cylinders[i];
    if (std::memcmp(&x.axisStart, &y.axisStart, sizeof(Vec3)) != 0 ||
        std::memcmp(&x.axisEnd, &y.axisEnd, sizeof(Vec3)) != 0 ||
        std::memcmp(&x.radius, &y.radius, sizeof(double)) != 0)
      return false;
  }
  return sameVertices(a.hexahedra.get(), b.hexahedra.get(), a.hexahedronCount) &&
         sameVertices(a.tetrahedra.get(), b.tetrahedra.get(), a.tetrahedronCount) &&
         sameVertices(a.prisms.get(), b.prisms.get(), a.prismCount);
}

template <LoadCase (*make)(FloatingBody&)>
void reading(benchmark::State& state, Parse parse) {
  FloatingBody generated;
  const FilePtr file = setFileOf(generated, make(generated));
  if (!file) {
    state.SkipWithError("no temporary file");
    return;
  }
  std::fseek(file.get(), 0, SEEK_END);
  const long bytes = std::ftell(file.get());
  bool same = true;
  for (auto _ : state) {
    std::rewind(file.get());
    FloatingBody body, reference;
    SetFileError error;
    std::vector<SetFileWarning> warnings;
    if (!parse(file.get(), body, error, warnings)) {
      state.SkipWithError(error.message.c_str());
      return;
    }
    state.PauseTiming();
    std::rewind(file.get());
    same = same && parseSetFileByStream(file.get(), reference, error, warnings) &&
           sameNumbers(body, reference);
    state.ResumeTiming();
  }
  state.counters["same_body"] = same ? 1 : 0;
  state.counters["megabytes"] = static_cast<double>(bytes) * 1e-6;
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * bytes);
}

LoadCase barge100000(FloatingBody& body) {
  return makeBargeGrid(body, 100, 40, 25);
}

LoadCase largePlatform(FloatingBody& body) {
  return makeLargeMixedPlatform(body);
}

// Hull-shaped: hexahedra with warped faces, every one of them a finding of the checks.
LoadCase shipHull20060(FloatingBody& body) {
  return makeShipHull(body, 100, 20, 10);
}

const bool kRegistered = [] {
  const struct {
    const char* name;
    Parse parse;
  } ways[] = {{"stream", parseSetFileByStream},
              {"memory", parseSetFile},
              {"memory1", parseMappedOneThread},
              {"program", parseWithNotes}};
  const struct {
    const char* name;
    void (*read)(benchmark::State&, Parse);
    int iterations;
  } bodies[] = {{"barge_100000_hexahedra", reading<barge100000>, 5},
                {"mixed_platform_101040_tets", reading<largePlatform>, 10},
                {"ship_hull_20060_elements", reading<shipHull20060>, 10}};
  for (const auto& way : ways) {
    for (const auto& body : bodies) {
      benchmark::RegisterBenchmark((std::string("reading/") + body.name + "/" + way.name).c_str(),
                                   body.read, way.parse)
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime()
          ->Iterations(body.iterations);
    }
  }
  return true;
}();

}  // namespace
