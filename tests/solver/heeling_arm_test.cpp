#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "solver/righting_arm.h"

namespace {

const double kRadiansPerDegree = std::acos(-1.0) / 180;

std::vector<RightingArmPoint> curveOf(double from, double step, const std::vector<double>& gz) {
  std::vector<RightingArmPoint> points;
  for (std::size_t i = 0; i < gz.size(); ++i) {
    RightingArmPoint p;
    p.heelDeg = from + step * static_cast<double>(i);
    p.gz = gz[i];
    points.push_back(p);
  }
  return points;
}

// GZ is linear between the points, so the trapezoids are the exact areas of these curves.
TEST(HeelingArm, CrossingAndResidualAreaOfPiecewiseLinearCurves) {
  const struct {
    const char* what;
    double from, step;
    std::vector<double> gz;
    double arm;
    double crossing;     // degrees; NaN: none
    double areaDegrees;  // the residual area in length x degrees
    bool toEndOfRange;
  } cases[] = {
      // GZ = 0.1 per degree from -10 to 40: meets 0.5 at 5 degrees, then gains up to 40.
      {"rising", -10, 10, {-1, 0, 1, 2, 3, 4}, 0.5, 5, 0.5 * 35 * 3.5, true},
      // The same body pushed the other way: the mirror image on the negative side.
      {"mirrored", -40, 10, {-4, -3, -2, -1, 0, 1}, -0.5, -5, 0.5 * 35 * 3.5, true},
      // A hump: meets 0.5 at 5, falls back to it at 45; 1.25 + 10 + 15 + 10 + 1.25.
      {"hump", 0, 10, {0, 1, 2, 2, 1, 0, -1}, 0.5, 5, 37.5, false},
      // An arm above the hump is never met.
      {"too large", 0, 10, {0, 1, 2, 2, 1, 0, -1}, 2.5, NAN, NAN, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const HeelingArmCrossing h = crossHeelingArm(curveOf(c.from, c.step, c.gz), c.arm);
    EXPECT_EQ(h.arm, c.arm);
    if (std::isnan(c.crossing)) {
      EXPECT_FALSE(h.crossingHeelDeg.has_value());
      EXPECT_FALSE(h.residualArea.has_value());
      continue;
    }
    ASSERT_TRUE(h.crossingHeelDeg.has_value());
    EXPECT_NEAR(*h.crossingHeelDeg, c.crossing, 1e-12);
    ASSERT_TRUE(h.residualArea.has_value());
    EXPECT_NEAR(*h.residualArea, c.areaDegrees * kRadiansPerDegree, 1e-12);
    EXPECT_EQ(h.residualToEndOfRange, c.toEndOfRange);
  }
}

}  // namespace
