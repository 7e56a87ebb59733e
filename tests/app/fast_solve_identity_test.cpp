// The solver on the fast evaluation must produce exactly what it produces on the reference
// evaluation: the same planes, centres and console bytes, for one thread and for several.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/input/set_file_reader.h"
#include "elements/floating_body.h"
#include "submerged/fast_evaluation.h"
#include "support/random_body.h"
#include "support/shapes.h"

namespace {

using test_support::Random;

// threads 0: the reference evaluation. A parallel threshold of 0 makes even small bodies use
// every thread given.
void useEvaluation(FloatingBody& body, int threads) {
  if (threads > 0)
    body.fastEvaluation = std::make_shared<FastEvaluation>(body, threads, 0);
}

TEST(FastSolveIdentity, DraftSearchesOnRandomBodies) {
  for (std::uint64_t seed = test_support::kSeed; seed < test_support::kSeed + 4; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    FloatingBody bodies[3];
    for (int threads = 0; threads < 3; ++threads) {
      Random shapes(seed);
      test_support::fillRandomBody(bodies[threads], shapes, 5, 6, 5, 4);
      useEvaluation(bodies[threads], threads);
    }
    const double whole = bodies[0].computeSubmergedVolume(Plane(0, 0, 1, -1e9));
    Random random(seed + 100);
    for (int trial = 0; trial < 8; ++trial) {
      const Vec3 normal = random.unitVector();
      const double V = whole * random.uniform(0.05, 0.95);
      Plane planes[3];
      Vec3 centres[3];
      for (int k = 0; k < 3; ++k)
        bodies[k].findWaterPlane(planes[k], centres[k], V, normal);
      for (int k = 1; k < 3; ++k) {
        ASSERT_EQ(planes[k], planes[0]) << "threads " << k << ", trial " << trial;
        ASSERT_EQ(centres[k], centres[0]) << "threads " << k << ", trial " << trial;
        // The elements' stored cuts describe the returned plane on both paths.
        ASSERT_EQ(bodies[k].cylinders[0].submergedVolume, bodies[0].cylinders[0].submergedVolume);
        ASSERT_EQ(bodies[k].hexahedra[2].waterPlane, planes[0]);
      }
    }
  }
}

struct SolveOutcome {
  Plane plane;
  Vec3 centre;
  std::string console;
};

SolveOutcome solveExample(const std::string& path, int threads) {
  FloatingBody body;
  std::FILE* file = std::fopen(path.c_str(), "r");
  EXPECT_NE(file, nullptr) << path;
  if (file == nullptr)
    return {};
  SetFileError error;
  std::vector<SetFileWarning> warnings;
  EXPECT_TRUE(parseSetFile(file, body, error, warnings)) << error.message;
  std::fclose(file);
  useEvaluation(body, threads);
  SolveOutcome outcome;
  test_support::ConsoleCapture console;  // standard input at its end: a prompt ends the iteration
  body.solveFloatingAttitude(outcome.plane, outcome.centre, body.displacementVolume,
                             body.centreOfGravity);
  outcome.console = console.output();
  return outcome;
}

TEST(FastSolveIdentity, WholeSolvesOfTheShippedExamples) {
  const char* source = std::getenv("FLOATSTATE_SOURCE_DIR");
  ASSERT_NE(source, nullptr) << "FLOATSTATE_SOURCE_DIR is not set (run through ctest)";
  const std::string examples = std::string(source) + "/examples/";
  for (const char* name : {"pontoon_barge", "semi_submersible", "spar", "prism_hull"}) {
    SCOPED_TRACE(name);
    const std::string path = examples + name + "/" + name + ".txt";
    const SolveOutcome reference = solveExample(path, 0);
    ASSERT_FALSE(reference.console.empty());
    for (int threads : {1, 2}) {
      const SolveOutcome fast = solveExample(path, threads);
      EXPECT_EQ(fast.plane, reference.plane) << threads << " threads";
      EXPECT_EQ(fast.centre, reference.centre) << threads << " threads";
      EXPECT_EQ(fast.console, reference.console) << threads << " threads";
    }
  }
}

}  // namespace
