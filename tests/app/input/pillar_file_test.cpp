#include "app/input/pillar_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/input/input_scan.h"
#include "app/reader_test_support.h"

namespace {

using reader_test::streamOf;
using test_support::vecSame;

// Labels in reverse order, one with a blank after the "#"; pillar numbers come from the file order.
const std::string kPillars =
    "#4:\n2,3,0\n2,3,10\n"
    "#3:\n1,1,1\n1,1,1\n"
    "# 2:\n10,0,10\n10,0,20\n"
    "#1:\n0,0,5\n0,10,5\n";
const std::string kWithoutLabels = "2,3,0\n2,3,10\n1,1,1\n1,1,1\n10,0,10\n10,0,20\n0,0,5\n0,10,5\n";

// GBK for 号立柱吃水=
const std::string kDraft = "\xba\xc5\xc1\xa2\xd6\xf9\xb3\xd4\xcb\xae=";

struct Parsed {
  bool ok = false;
  LineSegment pillars[4];
  PillarFileError error;
};

Parsed parse(const std::string& text) {
  Parsed p;
  p.ok = parsePillarFile(streamOf(text).get(), p.pillars, p.error);
  return p;
}

TEST(PillarFile, ReadsFourEntriesInFileOrderWithOrWithoutLabels) {
  for (const std::string& text : {kPillars, kWithoutLabels, reader_test::withCrLf(kPillars)}) {
    const Parsed p = parse(text);
    ASSERT_TRUE(p.ok) << p.error.message;
    EXPECT_TRUE(vecSame(p.pillars[0].P0, Vec3(2, 3, 0)));
    EXPECT_TRUE(vecSame(p.pillars[0].P1, Vec3(2, 3, 10)));
    EXPECT_TRUE(vecSame(p.pillars[2].P1, Vec3(10, 0, 20)));
    EXPECT_TRUE(vecSame(p.pillars[3].P0, Vec3(0, 0, 5)));
    EXPECT_TRUE(vecSame(p.pillars[3].P1, Vec3(0, 10, 5)));
  }
}

// Pillar 1 is vertical, pillar 2 has coincident points (no line), pillar 3 lies wholly above the
// water (its line is crossed beyond its points) and pillar 4 lies in the tilted plane.
TEST(PillarFile, WritesTheDraftOfEachPillarWhoseLineCrossesThePlane) {
  const Parsed p = parse(kPillars);
  ASSERT_TRUE(p.ok);
  Vec3 crossings[4] = {Vec3(7, 7, 7), Vec3(7, 7, 7), Vec3(7, 7, 7), Vec3(7, 7, 7)};
  {
    test_support::ConsoleCapture console;
    writePillarDrafts(Plane(0, 0, 1, -4), p.pillars, crossings);
    EXPECT_EQ(console.output(), "1" + kDraft + "4\n3" + kDraft + "4\n");
    EXPECT_EQ(console.flushes(),
              (std::vector<size_t>{console.output().find('\n') + 1, console.output().size()}));
  }
  EXPECT_TRUE(vecSame(crossings[0], Vec3(2, 3, 4)));
  test_support::ConsoleCapture console;
  writePillarDrafts(Plane(0.6, 0, 0.8, -4), p.pillars, crossings);
  EXPECT_EQ(console.output(), "1" + kDraft + "3.5\n3" + kDraft + "-2.5\n");
}

struct Malformed {
  const char* name;
  std::string text;
  long line;
  std::string message;
};

std::vector<Malformed> malformedFiles() {
  const std::string three = kPillars.substr(0, kPillars.find("#1:"));
  return {
      {"three entries", three + "\n", 9,
       "Pillar file ends after line 9: pillar 4 is missing (the file must hold four pillars)"},
      {"empty", "", 0,
       "Pillar file is empty: pillar 1 is missing (the file must hold four pillars)"},
      {"last entry cut short", three + "0,0", 10,
       "Pillar file ends after line 10: expected the first point (x,y,z) of pillar 4"},
      {"last point cut short", three + "#1:\n0,0,5\n0,10", 12,
       "Pillar file ends after line 12: expected the second point (x,y,z) of pillar 4"},
      {"blank before the colon", "#1:\n2,3,0\n2,3,10\n#2 :\n1,1,1\n1,1,2\n", 4,
       "Pillar file line 4: expected the label of pillar 2, such as \"#2:\""},
      {"blank before the first label", " " + kPillars, 1,
       "Pillar file line 1: expected the first point (x,y,z) of pillar 1"},
      {"blank before a comma", "#1:\n2,3,0\n2 ,3,10\n", 3,
       "Pillar file line 3: expected the second point (x,y,z) of pillar 1"},
      {"not finite", kWithoutLabels.substr(0, 13) + "nan,0,10\n", 3,
       "Pillar file line 3: the first point of pillar 2 has a coordinate that is not a finite "
       "number"},
  };
}

TEST(PillarFile, AnEntryThatCannotBeReadCompletelyIsAFault) {
  for (const Malformed& m : malformedFiles()) {
    SCOPED_TRACE(m.name);
    const Parsed p = parse(m.text);
    EXPECT_FALSE(p.ok);
    EXPECT_EQ(p.error.message, m.message);
    EXPECT_EQ(p.error.line, m.line);
  }
}

void readInChild(const char* path) {
  reader_test::runWithChildConsole([path] {
    try {
      LineSegment pillars[4];
      readPillarFile(path, pillars);
    } catch (const ReadFault& fault) {
      std::exit(reportReadFault(fault));
    }
  });
}

TEST(PillarFileDeathTest, AFileThatCannotBeOpenedOrReadEndsTheRun) {
  const std::string missing = ::testing::TempDir() + "no_such_folder/FourPillars.txt";
  EXPECT_EXIT(readInChild(missing.c_str()), ::testing::ExitedWithCode(1),
              reader_test::exactly(reader_test::faultExitReport(
                  {"Pillar file read error! "},
                  "cannot open pillar file '" + missing + "': No such file or directory")));
  const Malformed threeEntries = malformedFiles().front();
  const reader_test::TempFile file("FourPillars.txt", threeEntries.text);
  EXPECT_EXIT(
      readInChild(file.path()), ::testing::ExitedWithCode(1),
      reader_test::exactlyNaming(
          reader_test::faultExitReport({"Pillar file read error! ", threeEntries.message},
                                       std::string(file.path()) + ": " + threeEntries.message),
          file, "FourPillars.txt"));
}

}  // namespace
