#include "app/input/input_warnings.h"

#include <gtest/gtest.h>

#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "support/shapes.h"

namespace {

using test_support::boxHexahedron;
using test_support::fillBody;

// The findings about the hexahedron beside a box; also whether the first look finds any.
std::vector<InputWarning> checkHexahedron(const Vec3 (&p)[8], bool& anyFound) {
  Hexahedron h;
  h.setVertices(p, 8);
  FloatingBody body;
  fillBody(body, {}, {h, boxHexahedron(Vec3(0, 0, 0), 1, 1, 1)}, {}, {});
  body.boundingBox();
  body.centreOfGravity = Vec3(0.5, 0.5, 0.5);
  anyFound = bodyHasFindings(body);
  return checkBody(body, ElementLines{{}, {7, 20}, {}, {}, {}});
}

// The split of a hexahedron is only its volume when the numbering runs around plane faces.
TEST(InputWarnings, HexahedraWhoseVolumeDependsOnTheirSplit) {
  struct Case {
    const char* name;
    Vec3 p[8];
    const char* finding;  // null: no finding
  } cases[] = {
      {"box",
       {{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {0, 1, 0}, {0, 0, 1}, {2, 0, 1}, {2, 1, 1}, {0, 1, 1}},
       nullptr},
      {"sheared, plane faces",
       {{0, 0, 0},
        {2, 0, 0},
        {2.5, 1, 0},
        {0.5, 1, 0},
        {0, 0, 1},
        {2, 0, 1},
        {2.5, 1, 1},
        {0.5, 1, 1}},
       nullptr},
      {"Z order",
       {{0, 0, 0}, {2, 0, 0}, {0, 1, 0}, {2, 1, 0}, {0, 0, 1}, {2, 0, 1}, {0, 1, 1}, {2, 1, 1}},
       "not numbered around its faces"},
      {"warped top",
       {{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {0, 1, 0}, {0, 0, 1}, {2, 0, 1}, {2, 1, 1.5}, {0, 1, 1}},
       "(its faces are warped)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    bool anyFound = false;
    const std::vector<InputWarning> found = checkHexahedron(c.p, anyFound);
    EXPECT_EQ(anyFound, !found.empty());
    if (c.finding == nullptr) {
      EXPECT_TRUE(found.empty()) << found.front().message;
      continue;
    }
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].line, 7);
    EXPECT_NE(found[0].message.find("SET file line 7: the hexahedron's volume depends"),
              std::string::npos);
    EXPECT_NE(found[0].message.find(c.finding), std::string::npos) << found[0].message;
  }
}

// A large body is checked in two halves: the findings of both, each at its line and in file
// order, and the vanishing test over the volumes of both.
TEST(InputWarnings, ALargeBodysFindingsComeFromBothHalvesInOrder) {
  constexpr int kCount = 40000;
  std::vector<Hexahedron> hexahedra;
  ElementLines lines;
  for (int i = 0; i < kCount; ++i) {
    const bool tiny = i == kCount - 2;
    hexahedra.push_back(boxHexahedron(Vec3(i, 0, 0), 1, 1, tiny ? 1e-14 : 1));
    lines.hexahedra.push_back(10 + 9L * i);
  }
  for (int i : {5, kCount / 2 + 1, kCount - 1})
    std::swap(hexahedra[i].vertices[2], hexahedra[i].vertices[3]);
  FloatingBody body;
  fillBody(body, {}, hexahedra, {}, {});
  body.boundingBox();
  body.centreOfGravity = Vec3(0.5, 0.5, 0.5);
  EXPECT_TRUE(bodyHasFindings(body));
  const std::vector<InputWarning> found = checkBody(body, lines);
  const long expected[] = {55, 10 + 9L * (kCount / 2 + 1), 10 + 9L * (kCount - 1),
                           10 + 9L * (kCount - 2)};
  ASSERT_EQ(found.size(), 4u);
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(found[i].line, expected[i]) << found[i].message;
  EXPECT_NE(found[3].message.find("it adds nothing"), std::string::npos) << found[3].message;
}

// The findings' numbers read as a stream of precision 9 writes them, in every notation it uses.
TEST(InputWarnings, NumbersAreWrittenAsAStreamOfNineDigits) {
  const double values[] = {0.765432101234,
                           -0.0,
                           0,
                           123456789,
                           1234567890,
                           1e-5,
                           0.0001,
                           -2.5e-300,
                           4.9e-324,
                           1.7976931348623157e308,
                           1.0 / 3,
                           100,
                           std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity(),
                           std::numeric_limits<double>::quiet_NaN()};
  for (const double value : values) {
    std::ostringstream stream;
    stream.precision(9);
    stream << value;
    EXPECT_EQ(formatNineDigits(value), stream.str());
  }
}

// Where nothing is found the first look goes through every check and finds nothing too; where
// one check finds something, the first look says so.
TEST(InputWarnings, TheFirstLookFindsWhatTheChecksFind) {
  struct Case {
    const char* name;
    double height;  // of the second box
    Vec3 gravity;
    bool found;
  } cases[] = {
      {"clean", 1, Vec3(0.5, 0.5, 0.5), false},
      {"a box of no volume", 0, Vec3(0.5, 0.5, 0.5), true},
      {"gravity outside", 1, Vec3(9, 0.5, 0.5), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FloatingBody body;
    fillBody(body, {},
             {boxHexahedron(Vec3(0, 0, 0), 1, 1, 1), boxHexahedron(Vec3(1, 0, 0), 1, 1, c.height)},
             {}, {});
    body.boundingBox();
    body.centreOfGravity = c.gravity;
    EXPECT_EQ(bodyHasFindings(body), c.found);
    EXPECT_EQ(checkBody(body, ElementLines{}).empty(), !c.found);
  }
}

// A run that writes only the first findings gets those with their text, and writes what a run
// with every text writes: warped hexahedra on lines out of order (two kinds of finding, and a
// gravity finding at line 2 that comes first).
TEST(InputWarnings, OnlyTheWrittenFindingsNeedTheirText) {
  constexpr int kCount = 60;
  std::vector<Hexahedron> hexahedra;
  ElementLines lines;
  for (int i = 0; i < kCount; ++i) {
    Hexahedron h = boxHexahedron(Vec3(i, 0, 0), 1, 1, 1);
    if (i % 3 != 0)
      h.vertices[6] = h.vertices[6] + Vec3(0, 0, 0.25 + 0.01 * i);  // a warped top
    hexahedra.push_back(h);
    lines.hexahedra.push_back(1000 - 13L * ((i * 7) % kCount));
  }
  FloatingBody body;
  fillBody(body, {}, hexahedra, {}, {});
  body.boundingBox();
  body.centreOfGravity = Vec3(-5, 0.5, 0.5);  // outside: a finding at line 2
  const std::vector<InputWarning> all = checkBody(body, lines);
  const std::vector<InputWarning> first = checkBody(body, lines, kMaxWarningLines);
  ASSERT_EQ(all.size(), first.size());
  ASSERT_GT(all.size(), kMaxWarningLines + 10);
  std::ostringstream allText, firstText;
  writeWarnings(allText, all);
  writeWarnings(firstText, first);
  EXPECT_EQ(firstText.str(), allText.str());
  std::size_t withText = 0;
  for (std::size_t i = 0; i < first.size(); ++i) {
    EXPECT_EQ(first[i].line, all[i].line);
    if (!first[i].message.empty()) {
      EXPECT_EQ(first[i].message, all[i].message);
      ++withText;
    }
  }
  EXPECT_EQ(withText, kMaxWarningLines);  // the gravity finding and 19 of the split ones
}

TEST(InputWarnings, AtMostTwentyLinesThenTheCount) {
  std::vector<InputWarning> many;
  for (long line = 30; line > 5; --line)
    many.push_back({line, "finding " + std::to_string(line)});
  std::ostringstream out;
  writeWarnings(out, many);
  const std::string text = out.str();
  EXPECT_EQ(text.rfind("floatstate: warning: finding 6\nfloatstate: warning: finding 7\n", 0), 0u);
  EXPECT_NE(text.find("finding 25\nfloatstate: warning: 5 more warnings not shown\n"),
            std::string::npos);
  EXPECT_EQ(text.find("finding 26"), std::string::npos);
}

}  // namespace
