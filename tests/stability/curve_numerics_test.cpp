#include "stability/curve_numerics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

double rad(double degrees) {
  return degrees * kPi / 180;
}

// The wall-sided righting arm sin(phi) (GM + BM tan^2(phi) / 2) and its integral from 0:
// GM (1 - cos phi) + BM / 2 (sec phi + cos phi - 2) (with u = cos phi, sin^3 / cos^2 integrates
// to 1 / u + u).
struct WallSided {
  double GM, BM;
  double gz(double deg) const {
    const double t = std::tan(rad(deg));
    return std::sin(rad(deg)) * (GM + BM * t * t / 2);
  }
  double area(double deg) const {
    const double c = std::cos(rad(deg));
    return GM * (1 - c) + BM / 2 * (1 / c + c - 2);
  }
};

struct AreaCase {
  const char* name;
  std::function<double(double)> f;
  std::function<double(double)> primitive;
  double from, to;
};

class Areas : public testing::TestWithParam<AreaCase> {};

// Smooth curves, a curve with a kink (a deck edge) and one through zero: the area is exact to 1e-6
// relative, far inside the 0.1 % the criteria need, with a modest number of evaluations.
TEST_P(Areas, MatchTheClosedFormIntegral) {
  const AreaCase& c = GetParam();
  int calls = 0;
  SampledCurve curve([&](double h) {
    ++calls;
    return c.f(h);
  });
  const double want = c.primitive(c.to) - c.primitive(c.from);
  const double got = areaUnder(curve, c.from, c.to);
  EXPECT_NEAR(got, want, 1e-6 * std::fabs(want)) << c.name;
  EXPECT_LT(calls, 200) << c.name;
  EXPECT_EQ(static_cast<size_t>(calls), curve.samples().size());
  // Reversed limits give the negated area from the same samples.
  EXPECT_DOUBLE_EQ(areaUnder(curve, c.to, c.from), -got);
}

const WallSided kBox{0.5, 1.6666666666666667};

INSTANTIATE_TEST_SUITE_P(
    Curves, Areas,
    testing::Values(AreaCase{"wall_sided_0_30", [](double h) { return kBox.gz(h); },
                             [](double h) { return kBox.area(h); }, 0, 30},
                    AreaCase{"wall_sided_12_41", [](double h) { return kBox.gz(h); },
                             [](double h) { return kBox.area(h); }, 12.3, 41.7},
                    AreaCase{"sine_through_zero", [](double h) { return std::sin(rad(2 * h)); },
                             [](double h) { return -std::cos(rad(2 * h)) / 2; }, -35, 80},
                    // A kink at 17 degrees: the slope drops from 1 to -0.5 (per radian).
                    AreaCase{"kinked",
                             [](double h) { return h < 17 ? rad(h) : rad(17) - 0.5 * rad(h - 17); },
                             [](double h) {
                               return h < 17 ? rad(h) * rad(h) / 2
                                             : rad(17) * rad(17) / 2 + rad(17) * rad(h - 17) -
                                                   0.25 * rad(h - 17) * rad(h - 17);
                             },
                             0, 40}),
    [](const testing::TestParamInfo<AreaCase>& p) { return std::string(p.param.name); });

TEST(Crossings, FindTheFirstSignChangeOfTheLevel) {
  SampledCurve arm([](double h) { return std::sin(rad(2 * h)); });
  // sin(2 phi) = 0.5 at 15 degrees and again at 75.
  EXPECT_NEAR(*firstCrossing(arm, 0.5, 0, 90), 15, 1e-8);
  EXPECT_NEAR(*firstCrossing(arm, 0.5, 16, 90), 75, 1e-8);
  // From above the level the first crossing is the way down.
  EXPECT_NEAR(*firstCrossing(arm, 0.5, 40, 90), 75, 1e-8);
  // At the start exactly: the start itself.
  EXPECT_EQ(*firstCrossing(arm, 0, 0, 90), 0);
  EXPECT_FALSE(firstCrossing(arm, 1.5, 0, 90).has_value());
  // A crossing between two grid heels of a range that is not on the grid.
  EXPECT_NEAR(*firstCrossing(arm, std::sin(rad(2 * 3.3)), 1.1, 4.4), 3.3, 1e-8);
}

TEST(Maxima, FindTheLargestValueAndItsHeel) {
  SampledCurve arm([](double h) { return std::sin(rad(2 * h)); });
  const CurveMaximum m = maximumOf(arm, 0, 90);
  EXPECT_NEAR(m.heelDeg, 45, 1e-3);
  EXPECT_NEAR(m.value, 1, 1e-12);
  // A curve rising over the whole range has its maximum at the end.
  const CurveMaximum end = maximumOf(arm, 0, 31.3);
  EXPECT_NEAR(end.heelDeg, 31.3, 1e-4);
  // A peak between grid heels (at 33.7 degrees).
  SampledCurve peaked([](double h) { return 1 - (h - 33.7) * (h - 33.7); });
  const CurveMaximum p = maximumOf(peaked, 0, 90);
  EXPECT_NEAR(p.heelDeg, 33.7, 1e-4);
  EXPECT_NEAR(p.value, 1, 1e-8);
}

TEST(ScanGrid, HoldsTheEndsAndTheMultiplesBetween) {
  EXPECT_EQ(scanGrid(0, 10), (std::vector<double>{0, 2.5, 5, 7.5, 10}));
  EXPECT_EQ(scanGrid(-1, 3), (std::vector<double>{-1, 0, 2.5, 3}));
  EXPECT_EQ(scanGrid(4, 4), (std::vector<double>{4}));
}

}  // namespace
