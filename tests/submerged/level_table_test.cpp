// The level table answers for every level at once what the elements' height ranges tell: it may
// count an element whose bin holds the level on the safe side (not wholly below, but reached), and
// never more than a few bins away from the level.

#include "submerged/level_table.h"

#include <gtest/gtest.h>

#include <limits>
#include <tuple>
#include <vector>

#include "support/test_support.h"

namespace {

struct Range {
  double lowest, highest, whole;
};

// Runs the table's chunks one after the other.
const auto inTurn = [](auto& job) {
  for (int chunk = 0; chunk < 3; ++chunk)
    job(chunk);
};

// Range [sLo, sLo + width] over the given number of elements.
class LevelTableCases : public testing::TestWithParam<std::tuple<double, double, int>> {};

TEST_P(LevelTableCases, CountsTheSafeSideAndOnlyNearTheLevel) {
  const auto [sLo, width, count] = GetParam();
  test_support::Random random(test_support::kSeed);
  const double sHi = sLo + width;
  // Ranges beyond both ends, down to a point, and some ends on a bin's edge.
  std::vector<Range> ranges;
  for (int e = 0; e < count; ++e) {
    double a = random.uniform(sLo - 0.2 * width, sHi + 0.2 * width);
    const double b = e % 5 == 0 ? a : random.uniform(sLo - 0.2 * width, sHi + 0.2 * width);
    a = e % 7 == 0 ? sLo + width / 8 * (e % 9) : a;
    ranges.push_back({std::min(a, b), std::max(a, b), random.uniform(0, 3)});
  }
  LevelTable table;
  ASSERT_TRUE(table.build(ranges.size(), sLo, sHi, 3, inTurn,
                          [&](std::size_t e, double& lo, double& hi, double& w) {
                            lo = ranges[e].lowest, hi = ranges[e].highest, w = ranges[e].whole;
                          }));
  const double step = width / static_cast<double>(table.binCount()), rounding = 1e-12;
  for (int k = 0; k < 2000; ++k) {
    const Range& r = ranges[static_cast<std::size_t>(k) % ranges.size()];
    const double s = k % 3 ? random.uniform(sLo - 0.1 * width, sHi + 0.1 * width)
                           : (k % 2 ? r.lowest : r.highest);
    double below = 0, reached = 0, farBelow = 0, nearReached = 0;
    for (const Range& q : ranges) {
      below += q.highest <= s ? q.whole : 0;
      reached += q.lowest <= s ? q.whole : 0;
      farBelow += q.highest <= s - 3 * step ? q.whole : 0;
      nearReached += q.lowest <= s + 3 * step ? q.whole : 0;
    }
    const LevelTable::Sums sums = table.at(s);
    ASSERT_LE(sums.submerged, below * (1 + rounding)) << "level " << s;
    ASSERT_GE(sums.reached, reached * (1 - rounding)) << "level " << s;
    if (s >= sLo && s <= sHi - 4 * step) {  // not too loose either
      ASSERT_GE(sums.submerged, farBelow * (1 - rounding)) << "level " << s;
      ASSERT_LE(sums.reached, nearReached * (1 + rounding)) << "level " << s;
    }
  }
}

// Ordinary, far from the origin, narrow, one bin.
INSTANTIATE_TEST_SUITE_P(LevelTable, LevelTableCases,
                         testing::Values(std::make_tuple(-3.0, 10.0, 5000),
                                         std::make_tuple(1e5, 0.5, 3000),
                                         std::make_tuple(2.0, 1e-9, 800),
                                         std::make_tuple(0.0, 1.0, 3)));

TEST(LevelTable, RefusesARangeItCannotDivide) {
  LevelTable table;
  const auto none = [](std::size_t, double&, double&, double&) {};
  EXPECT_FALSE(table.build(10, 1, 1, 3, inTurn, none));
  EXPECT_FALSE(
      table.build(10, 1e17, 1e17 + 64, 3, inTurn, none));  // a bin below its level's rounding
  EXPECT_FALSE(table.build(10, 0, std::numeric_limits<double>::infinity(), 3, inTurn, none));
}

}  // namespace
