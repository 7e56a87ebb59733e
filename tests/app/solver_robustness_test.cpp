// Random bodies, degenerate elements included, with random displacement volumes and centres of
// gravity, and standard input at its end: every run is either refused with a message (before the
// solve, or after it when the result cannot be trusted) or ends within a bound with a finite result
// that holds V below the water plane. The solve runs as the console driver runs it, through the
// fast evaluation, which must agree bit for bit with the reference at the final plane.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>

#include "fuzz/input_checks.h"
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

// Builds one random body and runs it; `share` gives V as a share of the body's whole volume (a
// body whose whole volume is not finite gets V = 1).
void runOne(Random& random, double share, double degenerateShare, int threads, Tally& tally) {
  FloatingBody body;
  const int count = 1 + static_cast<int>(random.uniform(0, 50));
  const Vec3 centre = random.uniform(0, 1) < 0.1 ? random.point(-1e4, 1e4) : Vec3(0, 0, 0);
  hostile_body::fill(body, random, count, degenerateShare, centre);
  const double whole = body.computeSubmergedVolume(Plane(0, 0, 1, -body.bounds.zMax));
  body.displacementVolume = std::isfinite(whole) ? whole * share : 1;
  body.centreOfGravity = hostile_body::gravityNear(random, body.bounds);
  const input_checks::RunOutcome run =
      input_checks::runAfterReading(body, kLineLimit, kBudget, threads);
  EXPECT_EQ(run.problem, "");
  if (run.refusal.empty()) {
    EXPECT_TRUE(run.solve.finished) << "the solve did not end within " << kLineLimit
                                    << " lines and " << kBudget.count() << " s";
    ++tally.solved;
  } else {
    ++tally.refused;
  }
  tally.longest = std::max(tally.longest, run.solve.lines);
}

void runMany(std::uint64_t seed, int bodies, double share, double degenerateShare, Tally& tally) {
  Random random(seed);
  for (int i = 0; i < bodies; ++i) {
    SCOPED_TRACE("seed " + std::to_string(seed) + ", body " + std::to_string(i));
    const double s = share > 0 ? share : random.uniform(1e-3, 1);
    runOne(random, s, degenerateShare, i % 3 == 2 ? 2 : 1, tally);
  }
}

TEST(SolverRobustness, RandomBodiesWithRandomVolumesEndSoundly) {
  Tally tally;
  runMany(test_support::kSeed, 60, 0, 0.15, tally);
  EXPECT_GT(tally.solved, 30);
  EXPECT_GT(tally.refused, 0);  // coincident cylinder ends and the like do occur
}

// V equal to the whole volume: the plane must rise to the top of the body.
TEST(SolverRobustness, TheWholeVolumeEndsSoundly) {
  Tally tally;
  runMany(test_support::kSeed + 1, 30, 1, 0.15, tally);
  EXPECT_GT(tally.solved, 15);
}

// A millionth of the volume: a sliver at the lowest corner; these take the most steps.
TEST(SolverRobustness, AMillionthOfTheVolumeEndsSoundly) {
  Tally tally;
  runMany(test_support::kSeed + 2, 12, 1e-6, 0.15, tally);
  EXPECT_GT(tally.solved, 6);
  EXPECT_GT(tally.longest, 100);
}

// Bodies made of degenerate elements only: flat ones (no volume, or a volume of rounding noise),
// coincident cylinder ends, negative and zero radii.
TEST(SolverRobustness, BodiesOfDegenerateElementsOnlyEndSoundly) {
  Tally tally;
  runMany(test_support::kSeed + 3, 30, 0, 1.0, tally);
  EXPECT_GT(tally.refused, 10);
  EXPECT_GT(tally.solved, 0);  // negative radii are whole cylinders
}

}  // namespace
