// Replays the fuzzers' seed corpora and every input they found a fault with (tests/fuzz/corpus and
// tests/fuzz/regressions) through the same checks as the fuzz harnesses, in the ordinary build and
// under the sanitizers of the ASan build. The inputs that once failed also get their own, sharper
// expectations.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "app/case_tree.h"
#include "app/input/pillar_file.h"
#include "fuzz/case_checks.h"
#include "fuzz/mesh_checks.h"
#include "fuzz/pipeline_checks.h"
#include "support/shapes.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;

std::string fuzzDir() {
  const char* source = std::getenv("FLOATSTATE_SOURCE_DIR");
  return source == nullptr ? "" : std::string(source) + "/tests/fuzz";
}

std::string bytesOf(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<fs::path> filesIn(const fs::path& dir) {
  std::vector<fs::path> files;
  if (fs::is_directory(dir)) {
    for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
      if (entry.is_regular_file())
        files.push_back(entry.path());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

using Check = std::string (*)(const std::uint8_t*, std::size_t);

std::string check(Check run, const std::string& bytes) {
  return run(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

// Every file of the harness's corpus and regressions; returns how many were replayed.
size_t replay(const std::string& harness, Check run) {
  size_t count = 0;
  for (const char* folder : {"corpus", "regressions"}) {
    for (const fs::path& file : filesIn(fs::path(fuzzDir()) / folder / harness)) {
      SCOPED_TRACE(file.string());
      EXPECT_EQ(check(run, bytesOf(file)), "");
      ++count;
    }
  }
  return count;
}

TEST(FuzzReplay, SeedCorporaAndFoundInputsPassTheHarnessChecks) {
  ASSERT_FALSE(fuzzDir().empty()) << "FLOATSTATE_SOURCE_DIR is not set (run through ctest)";
  // A moved or emptied folder must fail instead of passing with nothing replayed.
  EXPECT_GE(replay("set_file", input_checks::checkSetFile), 10u);
  EXPECT_GE(replay("pillar_file", input_checks::checkPillarFile), 8u);
  EXPECT_GE(replay("pipeline", input_checks::checkPipeline), 10u);
  EXPECT_GE(replay("mesh", input_checks::checkMeshFile), 10u);
  EXPECT_GE(replay("case_file", input_checks::checkCaseFile), 5u);
}

std::string regression(const std::string& harness, const std::string& name) {
  return bytesOf(fs::path(fuzzDir()) / "regressions" / harness / name);
}

struct ReadBody {
  FloatingBody body;
  SetFileError error;
  bool ok = false;
};

void readInto(ReadBody& read, const std::string& bytes) {
  const input_checks::MemoryFile file(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                      bytes.size());
  std::vector<SetFileWarning> warnings;
  read.ok = parseSetFile(file.get(), read.body, read.error, warnings);
}

// Found by the pipeline fuzzer: a cylinder of radius 2.2e34 makes the body's volume about 1e69,
// and V = 2 lies far below what the doubles can resolve on such a body. The draft search ended on
// a plane that holds nothing, and the run reported it as the equilibrium.
TEST(FuzzRegressions, AVolumeTheSearchCannotResolveIsRefusedAfterTheSolve) {
  ReadBody read;
  readInto(read, regression("pipeline", "huge_cylinder_tiny_volume.txt"));
  ASSERT_TRUE(read.ok) << read.error.message;
  const input_checks::RunOutcome run =
      input_checks::runAfterReading(read.body, 100000, std::chrono::seconds(60), 1);
  EXPECT_TRUE(run.solve.finished);
  EXPECT_EQ(run.refusal.rfind("The water plane cannot be placed for Volume of Displacement=2: the "
                              "closest plane found holds 0. ",
                              0),
            0u)
      << run.refusal;
  EXPECT_EQ(run.problem, "");
}

// Found by the pipeline fuzzer as a timeout (over 10 s under the sanitizers): the angle step
// shrinks early and the iteration then needs some three thousand small steps. It ends, at an
// equilibrium.
TEST(FuzzRegressions, ASlowlyConvergingBodyEndsAtAnEquilibrium) {
  ReadBody read;
  readInto(read, regression("pipeline", "slow_convergence_3097_steps.txt"));
  ASSERT_TRUE(read.ok) << read.error.message;
  const input_checks::RunOutcome run =
      input_checks::runAfterReading(read.body, 100000, std::chrono::seconds(60), 1);
  ASSERT_TRUE(run.solve.finished);
  EXPECT_EQ(run.refusal, "");
  EXPECT_EQ(run.problem, "");
  EXPECT_GT(run.solve.lines, 1000);
  const Plane& p = run.solve.plane;
  const double d = FloatingBody::actionLineDistance(run.solve.buoyancyCentre,
                                                    read.body.centreOfGravity, Vec3(p.A, p.B, p.C));
  EXPECT_LE(d, 1e-6 * read.body.bounds.diagonal());
}

// Pillar points of -1e308 and 1e308 are finite, but the pillar's direction is not: the draft came
// out as nan and was printed as a result.
TEST(FuzzRegressions, PillarPointsTooFarApartAreRefused) {
  const std::string bytes = regression("pillar_file", "points_too_far_apart.txt");
  const input_checks::MemoryFile file(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                      bytes.size());
  LineSegment pillars[4];
  PillarFileError error;
  EXPECT_FALSE(parsePillarFile(file.get(), pillars, error));
  EXPECT_EQ(error.message,
            "Pillar file line 3: the two points of pillar 1 are too far apart to compute with");
  EXPECT_EQ(error.line, 3);
}

// A pillar at z = 1e300 that leans by 2e-10 crosses a tilted water plane beyond the range of
// doubles: it gets no draft line instead of one reading nan; the others are written as usual.
TEST(FuzzRegressions, ACrossingBeyondTheRangeOfDoublesGetsNoDraftLine) {
  const std::string bytes = regression("pillar_file", "crossing_beyond_range.txt");
  const input_checks::MemoryFile file(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                      bytes.size());
  LineSegment pillars[4];
  PillarFileError error;
  ASSERT_TRUE(parsePillarFile(file.get(), pillars, error)) << error.message;
  const double s = std::sqrt(0.5);
  Vec3 crossings[4];
  test_support::ConsoleCapture console;
  writePillarDrafts(Plane(s, 0, s, -1), pillars, crossings);
  const std::string out = console.output();
  EXPECT_EQ(out.find("1\xba\xc5"), std::string::npos) << out;  // no line for pillar 1
  EXPECT_NE(out.find("2\xba\xc5"), std::string::npos) << out;
  EXPECT_NE(out.find("4\xba\xc5"), std::string::npos) << out;
  EXPECT_EQ(out.find("nan"), std::string::npos) << out;
}

// Found by the case file fuzzer: a weight 1.6e78 m forward of the hull makes the body float on
// its end. The body's x axis is then normal to the waterplane and has no heel axis in it, so GMt
// is undefined (reported as none) while the principal GMs of the waterplane stay finite.
TEST(FuzzRegressions, ABodyFloatingOnItsEndHasPrincipalGmsButNoGmt) {
  if (!yamlCaseFilesSupported())
    GTEST_SKIP() << "the input is YAML, and this build reads JSON case files only";
  const std::string bytes = regression("case_file", "weight_far_along_x_floats_on_end.yaml");
  EXPECT_EQ(check(input_checks::checkCaseFile, bytes), "");
  CaseInput input = readCaseText("weight.yaml", bytes);
  FloatingBody hull;
  test_support::makeBox(hull, Vec3(0, 0, 0), Vec3(20, 10, 6));
  hull.prepareFastEvaluation(1);
  LoadedBody load(hull, input.condition);
  Plane plane{0, 0, 1, 0};
  Vec3 buoyancy;
  solveNewtonAttitude(hull, load, plane, buoyancy, NewtonSettings());
  const LoadedEquilibrium e = checkLoadedEquilibrium(load, plane, buoyancy);
  ASSERT_TRUE(e.check.converged && e.check.hasWaterplane);
  EXPECT_NEAR(std::fabs(plane.A) / Vec3(plane.A, plane.B, plane.C).length(), 1, 1e-12);
  EXPECT_TRUE(std::isnan(e.check.stability.GMt));
  EXPECT_TRUE(std::isfinite(e.check.stability.GMl));
  EXPECT_TRUE(std::isfinite(e.check.stability.GMmin));
}

}  // namespace
