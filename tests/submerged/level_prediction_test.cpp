// The prediction fits the level over the last searches in both directions across the normal: a
// level that rises along one turn and falls along the next is foreseen, where the rate along the
// last turn alone would miss it.

#include "submerged/level_prediction.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// A unit normal tilted by the small angles (x, y) from the vertical.
Vec3 tilted(double x, double y) {
  const Vec3 n(x, y, 1);
  return n / n.length();
}

struct Walk {
  const char* name;
  std::vector<std::pair<double, double>> tilts;  // the searches' normals, then the asked one
  double bend;                                   // of the level, per radian squared
  // Exact fits leave rounding; the others a term in the square of the turn, where a fit that
  // missed a direction would miss by its rate times the turn (a hundredth here).
  double tolerance;
};

// A plane turning about the point F keeps its level at n . F; a bend adds c |n - n0|^2. Along a
// turn the level rises at about 3 and 7 per radian.
double levelAt(const Vec3& n, double bend) {
  const Vec3 F(3, -7, 2), n0 = tilted(0.01, 0.02);
  const Vec3 d = n - n0;
  return n.dot(F) + bend * d.dot(d);
}

class LevelPredictionWalks : public testing::TestWithParam<Walk> {};

TEST_P(LevelPredictionWalks, ForeseesTheLevel) {
  const Walk& walk = GetParam();
  LevelPrediction prediction;
  for (std::size_t i = 0; i + 1 < walk.tilts.size(); ++i) {
    const Vec3 n = tilted(walk.tilts[i].first, walk.tilts[i].second);
    prediction.record(n, 5.0, levelAt(n, walk.bend));
  }
  const Vec3 asked = tilted(walk.tilts.back().first, walk.tilts.back().second);
  double level = 0;
  ASSERT_TRUE(prediction.predict(asked, 5.0, level));
  EXPECT_NEAR(level, levelAt(asked, walk.bend), walk.tolerance);
}

// Turns of a few thousandths of a radian, as a solve's last steps take them.
INSTANTIATE_TEST_SUITE_P(
    Cases, LevelPredictionWalks,
    testing::Values(
        // Along x, then across: three searches fit both rates of a level without a bend.
        Walk{"acrossTheLastTurn", {{0, 0}, {0.004, 0}, {0.004, 0.003}, {0.001, 0.006}}, 0, 5e-5},
        // Five searches about the point fit the bend too.
        Walk{"withABend",
             {{0.012, 0.018},
              {0.008, 0.021},
              {0.011, 0.024},
              {0.006, 0.019},
              {0.01, 0.02},
              {0.013, 0.017}},
             40,
             1e-9},
        // All along one line: the rate along it, without a bend, and nothing across it.
        Walk{"alongOneLine",
             {{0, 0}, {0.002, 0}, {0.004, 0}, {0.006, 0}, {0.008, 0}, {0.01, 0}},
             0,
             5e-5},
        // Two searches: the rate along their turn only.
        Walk{"twoSearches", {{0, 0}, {0.005, 0.005}, {0.01, 0.01}}, 0, 2e-4}),
    [](const testing::TestParamInfo<Walk>& walk) { return std::string(walk.param.name); });

TEST(LevelPrediction, PredictsOnlyNearTheLastNormalAndForTheSameDisplacement) {
  LevelPrediction prediction;
  double level = 0;
  const Vec3 a = tilted(0, 0), b = tilted(0.003, 0);
  prediction.record(a, 5.0, 1.0);
  EXPECT_FALSE(prediction.predict(b, 5.0, level)) << "one search gives no rate";
  prediction.record(b, 5.0, 1.1);
  EXPECT_TRUE(prediction.predict(tilted(0.004, 0), 5.0, level));
  EXPECT_FALSE(prediction.predict(tilted(0.004, 0), 6.0, level)) << "another displacement";
  EXPECT_FALSE(prediction.predict(tilted(0.05, 0), 5.0, level)) << "a turn of three degrees";
  // A search for another displacement starts the history anew.
  prediction.record(a, 6.0, 2.0);
  EXPECT_FALSE(prediction.predict(b, 6.0, level));
  prediction.record(b, 6.0, 2.5);
  ASSERT_TRUE(prediction.predict(tilted(0.006, 0), 6.0, level));
  EXPECT_NEAR(level, 3.0, 1e-3);
}

}  // namespace
