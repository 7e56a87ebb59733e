#include "app/option_values.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(HeelRangeOption, ReadsThreeNumbersAndRefusesTheRest) {
  HeelRange r;
  std::string reason;
  ASSERT_TRUE(parseHeelRange("-30:30:2.5", r, reason));
  EXPECT_EQ(r.count(), 25);
  EXPECT_EQ(r.angleDeg(24), 30);
  for (const char* bad : {"", "0:60", "0:60:5:1", "0:60:5 ", "0::5", "0:60:-5", "0:60:0", "60:0:5",
                          "-181:0:1", "0:1:1e-5", "0:inf:1", "0,5:60:5"}) {
    EXPECT_FALSE(parseHeelRange(bad, r, reason)) << bad;
    EXPECT_FALSE(reason.empty());
  }
}

}  // namespace
