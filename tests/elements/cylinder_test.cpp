#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "elements/cylinder.h"
#include "support/test_support.h"

using test_support::vecNear;
using test_support::vecSame;

namespace {

double totalVolume(Cylinder& c) {
  const int n = 3 * c.segmentCount;
  std::vector<Tetrahedron> parts(static_cast<size_t>(n));
  c.splitIntoTetrahedra(parts.data(), n);
  double total = 0;
  for (const Tetrahedron& t : parts)
    total = total + t.volume();
  return total;
}

}  // namespace

TEST(Cylinder, CirclePointsAroundTheZAxisUseTheShortPi) {
  const Cylinder c(Vec3(0, 0, 0), Vec3(0, 0, 2), 1);
  EXPECT_TRUE(vecSame(c.circlePoint(0), Vec3(1, 0, 0)));
  EXPECT_TRUE(vecNear(c.circlePoint(1), Vec3(0.9781476, 0.2079117, 0), 1e-7));
  // 3.1415926 falls short of pi: half way round is not quite (-1, 0, 0), and the full turn stops
  // about 1.07e-7 before the start.
  const Vec3 half = c.circlePoint(15);
  EXPECT_DOUBLE_EQ(half.x, -0.9999999999999986);
  EXPECT_NEAR(half.y, 5.36e-8, 1e-10);
  EXPECT_EQ(half.z, 0.0);
  const Vec3 full = c.circlePoint(30);
  EXPECT_DOUBLE_EQ(full.x, 0.9999999999999942);
  EXPECT_NEAR(full.y, -1.07e-7, 1e-9);
  EXPECT_EQ(full.z, 0.0);
}

TEST(Cylinder, AxisAlongXInEitherDirectionUsesTheYZCircle) {
  const Cylinder forward(Vec3(0, 0, 0), Vec3(2, 0, 0), 1);
  EXPECT_TRUE(vecSame(forward.circlePoint(0), Vec3(0, 0, -1)));
  EXPECT_TRUE(vecNear(forward.circlePoint(1), Vec3(0, 0.2079117, -0.9781476), 1e-7));

  // Reversed: ux = -1 gives m = 0, which the general formula would divide by.
  const Cylinder reversed(Vec3(2, 0, 0), Vec3(0, 0, 0), 1);
  EXPECT_TRUE(vecSame(reversed.circlePoint(0), Vec3(2, 0, -1)));
  EXPECT_TRUE(vecNear(reversed.circlePoint(1), Vec3(2, 0.2079117, -0.9781476), 1e-7));
}

TEST(Cylinder, AxisAlongYUsesTheGeneralFrame) {
  // e1 = (1, 0, 0), e2 = (0, 0, -1).
  const Cylinder c(Vec3(0, 0, 0), Vec3(0, 2, 0), 1);
  EXPECT_TRUE(vecSame(c.circlePoint(0), Vec3(1, 0, 0)));
  EXPECT_TRUE(vecNear(c.circlePoint(1), Vec3(0.9781476, 0, -0.2079117), 1e-7));
}

TEST(Cylinder, ObliqueCirclePointUsesTheWrittenOutComponents) {
  // P + R*(cos t*e1 + sin t*e2) evaluated as a vector rounds x and z differently at this point
  // (2.44015140572806 and 2.788499335030244); the stored results follow the component formulas.
  const Cylinder c(Vec3(0.3, -1.2, 2.5), Vec3(1.7, 0.4, -0.9), 2.5);
  const Vec3 p = c.circlePoint(2);
  EXPECT_EQ(p.x, 2.4401514057280598);
  EXPECT_EQ(p.y, -2.4595713930727845);
  EXPECT_EQ(p.z, 2.7884993350302434);
}

TEST(Cylinder, RandomAxesGiveCirclesOfRadiusRPerpendicularToTheAxis) {
  test_support::Random random(test_support::kSeed);
  for (int trial = 0; trial < 200; ++trial) {
    SCOPED_TRACE(::testing::Message() << "seed " << test_support::kSeed << ", trial " << trial);
    const Vec3 start = random.point(-5, 5);
    const Vec3 axis = random.unitVector();
    const double length = random.uniform(0.1, 4);
    const double r = random.uniform(0.1, 3);
    const Cylinder c(start, start + axis * length, r);
    for (int i = 0; i <= 30; ++i) {
      const Vec3 offset = c.circlePoint(i) - start;
      EXPECT_NEAR(offset.length(), r, 1e-13 * r) << "point " << i;
      EXPECT_NEAR(offset.dot(axis), 0.0, 1e-13 * r) << "point " << i;
    }
    // Neighbouring points are one sector apart: chord 2R sin(3.1415926 / 30).
    const double chord = (c.circlePoint(7) - c.circlePoint(8)).length();
    EXPECT_NEAR(chord, 2 * r * std::sin(3.1415926 / 30), 1e-13 * r);
  }
}

TEST(Cylinder, EachSectorGivesThreeTetrahedraOfItsPrism) {
  // Sector i is the prism (P, Ci, Ci1, Q, Ci + H, Ci1 + H); its split, in this vertex order, is
  // what every cut of the cylinder sums.
  Cylinder c(Vec3(0.5, -1, 2), Vec3(1, 1, 3), 0.75);
  Tetrahedron out[90];
  c.splitIntoTetrahedra(out, 90);
  const Vec3 h = c.axisEnd - c.axisStart;
  for (int i : {0, 13, 29}) {
    SCOPED_TRACE(i);
    const Vec3 ci = c.circlePoint(i), ci1 = c.circlePoint(i + 1);
    const Vec3 expected[3][4] = {{c.axisStart, ci, ci1, ci + h},
                                 {c.axisStart, ci1, c.axisEnd, ci + h},
                                 {ci1, c.axisEnd, ci1 + h, ci + h}};
    for (int t = 0; t < 3; ++t) {
      for (int k = 0; k < 4; ++k)
        EXPECT_TRUE(vecSame(out[3 * i + t].vertices[k], expected[t][k]));
    }
  }
}

TEST(Cylinder, TotalVolumeIsThatOfTheInscribedThirtyGon) {
  Cylinder tall(Vec3(0, 0, 0), Vec3(0, 0, 2), 1);
  EXPECT_NEAR(totalVolume(tall), 6.2373506, 1e-7);
  Cylinder unit(Vec3(0, 0, 0), Vec3(0, 0, 1), 1);
  EXPECT_NEAR(totalVolume(unit), 3.1186753, 1e-7);
  EXPECT_EQ(unit.segmentCount, 30);
}

TEST(Cylinder, BoundingBoxIsThatOfThePolygonPrism) {
  Cylinder c(Vec3(0, 0, 0), Vec3(0, 0, 2), 1);
  const BoundingBox box = c.boundingBox();
  EXPECT_DOUBLE_EQ(box.xMin, -0.9999999999999986);
  EXPECT_EQ(box.xMax, 1.0);
  EXPECT_NEAR(box.yMin, -0.9945219, 1e-7);
  EXPECT_NEAR(box.yMax, 0.9945219, 1e-7);
  EXPECT_EQ(box.zMin, 0.0);
  EXPECT_EQ(box.zMax, 2.0);
  EXPECT_EQ(c.segmentCount, 30);
}

// The box is the merged box of the split's tetrahedra, in split order, bit for bit: also where
// points have zeros of either sign (the first one met is kept) or are not numbers (an axis of no
// length), and for a sector count raised to 3.
TEST(Cylinder, BoundingBoxIsTheSplitTetrahedraBoxBitForBit) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  // clang-format off
  Cylinder cylinders[] = {
      Cylinder(Vec3(-0.0, 0, -0.0), Vec3(0, -0.0, 2), 1),
      Cylinder(Vec3(1, 2, 3), Vec3(-4, 5.5, -6), 0.75),
      Cylinder(Vec3(0, 0, 0), Vec3(-3, 0, 0), 2),
      Cylinder(Vec3(1, 1, 1), Vec3(1, 1, 1), 1),
      Cylinder(Vec3(nan, 0, 0), Vec3(0, 0, 1), 1),
      Cylinder(Vec3(0, 0, 0), Vec3(0, 1, 0), -0.0),
      Cylinder(Vec3(-0.0, -0.0, -0.0), Vec3(-0.0, -0.0, -3), 0),
      // x: the far end's -0 ties with the first circle point moved along the axis, +0.
      Cylinder(Vec3(1, 0, 0), Vec3(-0.0, 0, 2), 0),
      // Circle points that overflow in some sectors only: NaN corners there.
      Cylinder(Vec3(0, 0, 0), Vec3(1, 2, 3), 1.5e308),
      Cylinder(Vec3(1e308, -1e308, 0), Vec3(-1e308, 1e308, 1), 1e308),
      Cylinder(Vec3(0.5, 0, 0), Vec3(3, -2, 5), 1.25),
      Cylinder(Vec3(2, -1, 0.5), Vec3(2, -1, -7.25), 3)};
  // clang-format on
  cylinders[1].segmentCount = 2;
  cylinders[11].segmentCount = 7;
  for (Cylinder& c : cylinders) {
    Cylinder copy = c;
    const BoundingBox box = c.boundingBox();
    const int n = 3 * c.segmentCount;
    std::vector<Tetrahedron> parts(static_cast<size_t>(n));
    copy.splitIntoTetrahedra(parts.data(), n);
    BoundingBox expected = BoundingBox::empty();
    for (const Tetrahedron& t : parts)
      expected.include(t.boundingBox());
    EXPECT_EQ(std::memcmp(&box, &expected, sizeof box), 0)
        << c.axisStart.x << "," << c.axisEnd.x << " r " << c.radius;
  }
}
