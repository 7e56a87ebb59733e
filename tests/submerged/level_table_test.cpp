// The level table answers for every level at once what the elements' height ranges tell: it may
// count an element whose bin holds the level on the safe side (not wholly below, but reached), and
// never more than a few bins away from the level.

#include "submerged/level_table.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "support/test_support.h"

namespace {

struct Range {
  double lowest, highest, whole;
};

struct TableCase {
  const char* name;
  double sLo, width;
  int elements;
};

class LevelTableCases : public testing::TestWithParam<TableCase> {};

TEST_P(LevelTableCases, CountsTheSafeSideAndOnlyNearTheLevel) {
  const TableCase& c = GetParam();
  test_support::Random random(test_support::kSeed);
  const double sHi = c.sLo + c.width;
  std::vector<Range> ranges;
  for (int e = 0; e < c.elements; ++e) {
    // Ranges beyond both ends, down to a point, and some with an end on a bin's edge.
    double a = random.uniform(c.sLo - 0.2 * c.width, sHi + 0.2 * c.width);
    double b = e % 5 == 0 ? a : random.uniform(c.sLo - 0.2 * c.width, sHi + 0.2 * c.width);
    if (e % 7 == 0)
      a = c.sLo + c.width / 8 * (e % 9);
    ranges.push_back({std::min(a, b), std::max(a, b), random.uniform(0, 3)});
  }
  LevelTable table;
  ASSERT_TRUE(table.build(ranges.size(), c.sLo, sHi,
                          [&](std::size_t e, double& lowest, double& highest, double& whole) {
                            lowest = ranges[e].lowest;
                            highest = ranges[e].highest;
                            whole = ranges[e].whole;
                          }));
  const double step = c.width / static_cast<double>(table.binCount());
  for (int k = 0; k < 2000; ++k) {
    double s = random.uniform(c.sLo - 0.1 * c.width, sHi + 0.1 * c.width);
    if (k % 3 == 0)
      s = k % 2 ? ranges[k % ranges.size()].lowest : ranges[k % ranges.size()].highest;
    double below = 0, reached = 0, farBelow = 0, nearReached = 0;
    for (const Range& r : ranges) {
      below += r.highest <= s ? r.whole : 0;
      reached += r.lowest <= s ? r.whole : 0;
      farBelow += r.highest <= s - 3 * step ? r.whole : 0;
      nearReached += r.lowest <= s + 3 * step ? r.whole : 0;
    }
    const LevelTable::Sums sums = table.at(s);
    const double rounding = 1e-12;
    ASSERT_LE(sums.submerged, below * (1 + rounding)) << "level " << s;
    ASSERT_GE(sums.reached, reached * (1 - rounding)) << "level " << s;
    if (s >= c.sLo && s <= sHi - 4 * step) {
      ASSERT_GE(sums.submerged, farBelow * (1 - rounding)) << "level " << s;
      ASSERT_LE(sums.reached, nearReached * (1 + rounding)) << "level " << s;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(LevelTable, LevelTableCases,
                         testing::Values(TableCase{"ordinary", -3, 10, 5000},
                                         TableCase{"far_from_the_origin", 1e5, 0.5, 3000},
                                         TableCase{"narrow", 2, 1e-9, 800},
                                         TableCase{"one_bin", 0, 1, 3}),
                         [](const testing::TestParamInfo<TableCase>& param) {
                           return std::string(param.param.name);
                         });

TEST(LevelTable, RefusesARangeItCannotDivide) {
  LevelTable table;
  const auto none = [](std::size_t, double&, double&, double&) {};
  EXPECT_FALSE(table.build(10, 1, 1, none));
  EXPECT_FALSE(table.build(10, 1e17, 1e17 + 64, none));  // a bin below the rounding of its level
  EXPECT_FALSE(table.build(10, 0, std::numeric_limits<double>::infinity(), none));
}

}  // namespace
