#include <gtest/gtest.h>

#include <string>

#include "elements/console.h"
#include "elements/cylinder.h"
#include "elements/hexahedron.h"
#include "elements/triangle_prism.h"
#include "support/shapes.h"
#include "support/test_support.h"

using test_support::ConsoleCapture;
using test_support::vecSame;

namespace {

const char kHexahedronVertices[] = "the number of the vetexes of the hexahedron must be EIGHT ! \n";
const char kHexahedronSplit[] =
    "the number of the water tetrahedra which are disassembled from the hexahedron must be FIVE! "
    "\n";
const char kPrismVertices[] = "the number of the vetexes of the triangle prism must be SIX ! \n";
const char kPrismSplit[] =
    "the number of the tetrahedra which are disassembled from the triangle prism must be THREE! \n";
// 分解圆柱为四面体的个数需为3的倍数且至少为9
const char kCylinderSplit[] =
    "\xb7\xd6\xbd\xe2\xd4\xb2\xd6\xf9\xce\xaa\xcb\xc4\xc3\xe6\xcc\xe5\xb5\xc4\xb8\xf6\xca\xfd\xd0"
    "\xe8\xce\xaa"
    "3\xb5\xc4\xb1\xb6\xca\xfd\xc7\xd2\xd6\xc1\xc9\xd9\xce\xaa"
    "9\n";

// The message line was written whole and flushed right after its line end, and exactly one
// character of the input was taken.
void expectReported(ConsoleCapture& console, const std::string& line) {
  EXPECT_EQ(console.output(), line);
  ASSERT_FALSE(console.flushes().empty());
  EXPECT_EQ(console.flushes().back(), line.size());
  EXPECT_EQ(console.consumed(), 1);
}

void expectSilent(ConsoleCapture& console) {
  EXPECT_EQ(console.output(), "");
  EXPECT_EQ(console.consumed(), 0);
}

Tetrahedron sentinel() {
  return Tetrahedron(Vec3(7, 7, 7), Vec3(8, 8, 8), Vec3(9, 9, 9), Vec3(6, 6, 6));
}

void expectUntouched(const Tetrahedron& t) {
  const Tetrahedron s = sentinel();
  for (int k = 0; k < 4; ++k)
    EXPECT_TRUE(vecSame(t.vertices[k], s.vertices[k]));
}

// The checks wait for the user as a program in a terminal does.
class CountCheck : public ::testing::Test {
 protected:
  void SetUp() override { console::allowWaiting(true); }
  void TearDown() override { console::allowWaiting(false); }
};

}  // namespace

TEST(CountCheckWithoutTerminal, ReportsButDoesNotWait) {
  Hexahedron h = test_support::unitCube();
  ConsoleCapture console("\nnext");
  h.setVertices(nullptr, 7);
  EXPECT_EQ(console.output(), std::string(kHexahedronVertices));
  EXPECT_EQ(console.consumed(), 0);
}

TEST_F(CountCheck, HexahedronWithSevenPointsIsReportedAndIgnored) {
  Hexahedron h = test_support::unitCube();
  const Vec3 others[8] = {Vec3(5, 5, 5), Vec3(5, 5, 5), Vec3(5, 5, 5), Vec3(5, 5, 5),
                          Vec3(5, 5, 5), Vec3(5, 5, 5), Vec3(5, 5, 5), Vec3(5, 5, 5)};
  {
    ConsoleCapture console("\nnext");
    h.setVertices(others, 7);
    expectReported(console, kHexahedronVertices);
  }
  const Hexahedron cube = test_support::unitCube();
  for (int i = 0; i < 8; ++i)
    EXPECT_TRUE(vecSame(h.vertices[i], cube.vertices[i])) << i;
}

TEST_F(CountCheck, HexahedronSplitIntoOtherThanFiveIsReportedAndIgnored) {
  const Hexahedron h = test_support::unitCube();
  for (int count : {4, 6}) {
    SCOPED_TRACE(count);
    Tetrahedron out[6] = {sentinel(), sentinel(), sentinel(), sentinel(), sentinel(), sentinel()};
    ConsoleCapture console("xy");
    h.splitIntoTetrahedra(out, count);
    expectReported(console, kHexahedronSplit);
    for (const Tetrahedron& t : out)
      expectUntouched(t);
  }
}

TEST_F(CountCheck, PrismWithFivePointsIsReportedAndIgnored) {
  TrianglePrism prism = test_support::unitPrism();
  const Vec3 others[6] = {Vec3(5, 5, 5), Vec3(5, 5, 5), Vec3(5, 5, 5),
                          Vec3(5, 5, 5), Vec3(5, 5, 5), Vec3(5, 5, 5)};
  {
    ConsoleCapture console("\n\n");
    prism.setVertices(others, 5);
    expectReported(console, kPrismVertices);
  }
  const TrianglePrism unit = test_support::unitPrism();
  for (int i = 0; i < 6; ++i)
    EXPECT_TRUE(vecSame(prism.vertices[i], unit.vertices[i])) << i;
}

TEST_F(CountCheck, PrismSplitIntoTwoIsReportedAndIgnored) {
  const TrianglePrism prism = test_support::unitPrism();
  Tetrahedron out[3] = {sentinel(), sentinel(), sentinel()};
  ConsoleCapture console("\nmore");
  prism.splitIntoTetrahedra(out, 2);
  expectReported(console, kPrismSplit);
  for (const Tetrahedron& t : out)
    expectUntouched(t);
}

TEST_F(CountCheck, CorrectCountsPrintAndReadNothing) {
  ConsoleCapture console("\n");
  Hexahedron h = test_support::unitCube();
  Tetrahedron out[5];
  h.splitIntoTetrahedra(out, 5);
  TrianglePrism prism = test_support::unitPrism();
  prism.splitIntoTetrahedra(out, 3);
  Cylinder c(Vec3(0, 0, 0), Vec3(0, 0, 1), 1);
  Tetrahedron sectors[9];
  c.splitIntoTetrahedra(sectors, 9);
  expectSilent(console);
}

TEST_F(CountCheck, CylinderSplitIntoTenReportsAndGoesOnWithThreeSectors) {
  Cylinder c(Vec3(0, 0, 0), Vec3(0, 0, 1), 1);
  Tetrahedron out[10];
  for (Tetrahedron& t : out)
    t = sentinel();
  {
    ConsoleCapture console("\nrest");
    c.splitIntoTetrahedra(out, 10);
    expectReported(console, kCylinderSplit);
  }
  EXPECT_EQ(c.segmentCount, 3);
  expectUntouched(out[9]);
  // Nine tetrahedra of three 120-degree sectors: the inscribed triangle's prism.
  double total = 0;
  for (int i = 0; i < 9; ++i)
    total = total + out[i].volume();
  EXPECT_NEAR(total, 1.5 * std::sin(2 * 3.1415926 / 3), 1e-12);
}

TEST_F(CountCheck, CylinderBoxRaisesTwoSectorsToThree) {
  Cylinder c(Vec3(0, 0, 0), Vec3(0, 0, 2), 1);
  Tetrahedron out[6];
  {
    ConsoleCapture console("\n");
    c.splitIntoTetrahedra(out, 6);
    expectReported(console, kCylinderSplit);
  }
  EXPECT_EQ(c.segmentCount, 2);
  ConsoleCapture console("\n");
  const BoundingBox box = c.boundingBox();
  expectSilent(console);
  EXPECT_EQ(c.segmentCount, 3);
  // The box of the triangle with corners at 0, 120 and 240 degrees.
  EXPECT_NEAR(box.xMin, -0.5, 1e-7);
  EXPECT_EQ(box.xMax, 1.0);
  EXPECT_NEAR(box.yMin, -0.8660254, 1e-7);
  EXPECT_NEAR(box.yMax, 0.8660254, 1e-7);
  EXPECT_EQ(box.zMin, 0.0);
  EXPECT_EQ(box.zMax, 2.0);
}
