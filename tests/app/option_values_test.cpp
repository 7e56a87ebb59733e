#include "app/option_values.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

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

TEST(DraftRangeOption, ReadsThreeNumbersWithinTheLimit) {
  DraftRange r;
  std::string reason;
  ASSERT_TRUE(parseDraftRange("-1.5:6:0.25", r, reason));
  EXPECT_EQ(r.count(), 31);
  EXPECT_EQ(r.draft(30), 6);
  ASSERT_TRUE(parseDraftRange("2:2:1", r, reason));
  EXPECT_EQ(r.count(), 1);
  for (const char* bad : {"", "1:2", "1:2:3:4", "2:1:1", "0:1:0", "0:1:-1", "0:1e5:1", "0:nan:1",
                          "a:1:1", "0:1:0.1 "}) {
    EXPECT_FALSE(parseDraftRange(bad, r, reason)) << bad;
    EXPECT_FALSE(reason.empty());
  }
}

TEST(BookletOptions, VolumesWindageOpeningsAndHeelingArms) {
  std::string reason;
  std::vector<double> volumes;
  ASSERT_TRUE(parseVolumeList("480,960.5,1e3", volumes, reason));
  EXPECT_EQ(volumes, (std::vector<double>{480, 960.5, 1000}));
  for (const char* bad : {"", "1,,2", "1,-2", "0", "1;2", "1, 2"})
    EXPECT_FALSE(parseVolumeList(bad, volumes, reason)) << bad;

  Windage w;
  ASSERT_TRUE(parseWindage("250.5,3.2", w, reason));
  EXPECT_EQ(w.area, 250.5);
  EXPECT_EQ(w.lever, 3.2);
  for (const char* bad : {"1", "1,2,3", "0,2", "-1,2", "a,2"})
    EXPECT_FALSE(parseWindage(bad, w, reason)) << bad;

  Opening o;
  ASSERT_TRUE(parseOpening("vent 1,20,-6.5,4", o, reason));
  EXPECT_EQ(o.name, "vent 1");
  EXPECT_EQ(o.point.x, 20);
  EXPECT_EQ(o.point.y, -6.5);
  EXPECT_EQ(o.point.z, 4);
  for (const char* bad : {",1,2,3", "a,1,2", "a,1,2,3,4", "a,1,x,3"})
    EXPECT_FALSE(parseOpening(bad, o, reason)) << bad;

  std::vector<std::pair<double, double>> rows;
  ASSERT_TRUE(parseHeelingArmRows("0:0.5,30:0.4,60:0.2", rows, reason));
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[1], std::make_pair(30.0, 0.4));
  for (const char* bad : {"", "0:1,0:2", "10:1,5:1", "0:1:2", "0-1", "0:1,"})
    EXPECT_FALSE(parseHeelingArmRows(bad, rows, reason)) << bad;
}

}  // namespace
