// Random bodies, degenerate elements included, with random displacement volumes and centres of
// gravity, and standard input at its end: every run is either refused with a message (before the
// solve, or after it when the result cannot be trusted) or ends within a bound with a finite result
// that holds V below the water plane. The solve runs as the console driver runs it, through the
// fast evaluation, which must agree bit for bit with the reference at the final plane.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>

#include "fuzz/pipeline_checks.h"
#include "support/hostile_body.h"

namespace {

using test_support::Random;

// The longest runs seen over thousands of random bodies write some twenty thousand lines, in
// about a second; a solve that needs more than these limits counts as one that does not end.
constexpr long kLineLimit = 100000;
constexpr std::chrono::seconds kBudget{30};

struct Tally {
  int refused = 0;
  int solved = 0;
  long longest = 0;  // console lines of the longest solve
};

// Builds one random body and runs it by both methods.
void runOne(Random& random, double share, double degenerateShare, int threads, Tally& tally) {
  FloatingBody body;
  hostile_body::loadedBody(body, random, share, degenerateShare);
  for (const auto method : {input_checks::Method::kGreedy, input_checks::Method::kNewton}) {
    SCOPED_TRACE(method == input_checks::Method::kNewton ? "newton" : "greedy");
    const input_checks::RunOutcome run =
        input_checks::runAfterReading(body, kLineLimit, kBudget, threads, method);
    EXPECT_EQ(run.problem, "");
    if (method == input_checks::Method::kNewton)
      continue;
    if (run.refusal.empty()) {
      EXPECT_TRUE(run.solve.finished) << "the solve did not end within " << kLineLimit
                                      << " lines and " << kBudget.count() << " s";
      ++tally.solved;
    } else {
      ++tally.refused;
    }
    tally.longest = std::max(tally.longest, run.solve.lines);
  }
}

void runMany(const hostile_body::RobustnessRun& suite, Tally& tally) {
  Random random(suite.seed);
  for (int i = 0; i < suite.bodies; ++i) {
    SCOPED_TRACE("seed " + std::to_string(suite.seed) + ", body " + std::to_string(i));
    runOne(random, suite.share, suite.degenerateShare, i % 3 == 2 ? 2 : 1, tally);
  }
}

TEST(SolverRobustness, RandomBodiesWithRandomVolumesEndSoundly) {
  Tally tally;
  runMany(hostile_body::kRandomVolumes, tally);
  EXPECT_GT(tally.solved, 30);
  EXPECT_GT(tally.refused, 0);  // coincident cylinder ends and the like do occur
}

// V equal to the whole volume: the plane must rise to the top of the body.
TEST(SolverRobustness, TheWholeVolumeEndsSoundly) {
  Tally tally;
  runMany(hostile_body::kWholeVolume, tally);
  EXPECT_GT(tally.solved, 15);
}

// A millionth of the volume: a sliver at the lowest corner; these take the most steps.
TEST(SolverRobustness, AMillionthOfTheVolumeEndsSoundly) {
  Tally tally;
  runMany(hostile_body::kMillionthOfTheVolume, tally);
  EXPECT_GT(tally.solved, 6);
  EXPECT_GT(tally.longest, 100);
}

// Bodies made of degenerate elements only: flat ones (no volume, or a volume of rounding noise),
// coincident cylinder ends, negative and zero radii.
TEST(SolverRobustness, BodiesOfDegenerateElementsOnlyEndSoundly) {
  Tally tally;
  runMany(hostile_body::kDegenerateOnly, tally);
  EXPECT_GT(tally.refused, 10);
  EXPECT_GT(tally.solved, 0);  // negative radii are whole cylinders
}

}  // namespace
