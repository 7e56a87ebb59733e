#include <gtest/gtest.h>

#include <array>
#include <utility>

#include "elements/hexahedron.h"
#include "elements/triangle_prism.h"
#include "support/test_support.h"

using test_support::vecSame;

namespace {

Hexahedron makeHexahedron(const std::array<Vec3, 8>& p) {
  Hexahedron h;
  h.setVertices(p.data(), 8);
  return h;
}

TrianglePrism makePrism(const std::array<Vec3, 6>& p) {
  TrianglePrism prism;
  prism.setVertices(p.data(), 6);
  return prism;
}

// A box of edges a, b, c numbered as the format demands: p0..p3 around the bottom face, p4..p7
// above them in the same sense.
std::array<Vec3, 8> boxVertices(double a, double b, double c) {
  return {Vec3(0, 0, 0), Vec3(a, 0, 0), Vec3(a, b, 0), Vec3(0, b, 0),
          Vec3(0, 0, c), Vec3(a, 0, c), Vec3(a, b, c), Vec3(0, b, c)};
}

std::array<double, 5> splitVolumes(const Hexahedron& h) {
  Tetrahedron parts[5];
  h.splitIntoTetrahedra(parts, 5);
  std::array<double, 5> v{};
  for (int i = 0; i < 5; ++i)
    v[i] = parts[i].volume();
  return v;
}

std::array<double, 3> splitVolumes(const TrianglePrism& prism) {
  Tetrahedron parts[3];
  prism.splitIntoTetrahedra(parts, 3);
  return {parts[0].volume(), parts[1].volume(), parts[2].volume()};
}

}  // namespace

TEST(Hexahedron, UnitCubeSplitsIntoFourCornersAndACentre) {
  const std::array<double, 5> v = splitVolumes(makeHexahedron(boxVertices(1, 1, 1)));
  const double expected[5] = {1.0 / 6, 1.0 / 6, 1.0 / 6, 1.0 / 3, 1.0 / 6};
  for (int i = 0; i < 5; ++i)
    EXPECT_DOUBLE_EQ(v[i], expected[i]) << "tetrahedron " << i;
}

TEST(Hexahedron, BoxSplitVolumesScaleWithTheEdges) {
  const std::array<double, 5> v = splitVolumes(makeHexahedron(boxVertices(2, 3, 4)));
  const double expected[5] = {4, 4, 4, 8, 4};
  for (int i = 0; i < 5; ++i)
    EXPECT_DOUBLE_EQ(v[i], expected[i]) << "tetrahedron " << i;
}

TEST(Hexahedron, SplitFollowsTheVertexTableInOutputOrder) {
  // Distinct points, so each output vertex names the input vertex it came from.
  std::array<Vec3, 8> p;
  for (int i = 0; i < 8; ++i)
    p[i] = Vec3(i, 10 * i, 100 * i);
  const Hexahedron h = makeHexahedron(p);
  Tetrahedron parts[5];
  h.splitIntoTetrahedra(parts, 5);
  const int table[5][4] = {{0, 1, 2, 5}, {7, 5, 2, 6}, {0, 5, 7, 4}, {0, 7, 2, 5}, {0, 7, 2, 3}};
  for (int t = 0; t < 5; ++t) {
    for (int k = 0; k < 4; ++k) {
      EXPECT_TRUE(vecSame(parts[t].vertices[k], p[table[t][k]]))
          << "tetrahedron " << t << " vertex " << k;
    }
  }
}

TEST(Hexahedron, BrokenNumberingLosesTheCentralTetrahedron) {
  // p2/p3 and p6/p7 exchanged: the faces are no longer numbered around.
  std::array<Vec3, 8> p = boxVertices(1, 1, 1);
  std::swap(p[2], p[3]);
  std::swap(p[6], p[7]);
  const std::array<double, 5> v = splitVolumes(makeHexahedron(p));
  EXPECT_EQ(v[3], 0.0);
  EXPECT_DOUBLE_EQ(v[0] + v[1] + v[2] + v[3] + v[4], 2.0 / 3);
}

TEST(TrianglePrism, UnitRightPrismSplitsIntoThreeEqualTetrahedra) {
  const TrianglePrism prism = makePrism(
      {Vec3(0, 0, 0), Vec3(1, 0, 0), Vec3(0, 1, 0), Vec3(0, 0, 1), Vec3(1, 0, 1), Vec3(0, 1, 1)});
  for (double v : splitVolumes(prism))
    EXPECT_DOUBLE_EQ(v, 1.0 / 6);
  const BoundingBox box = prism.boundingBox();
  EXPECT_TRUE(vecSame(Vec3(box.xMin, box.yMin, box.zMin), Vec3(0, 0, 0)));
  EXPECT_TRUE(vecSame(Vec3(box.xMax, box.yMax, box.zMax), Vec3(1, 1, 1)));
}

TEST(TrianglePrism, ScaledPrismSplitsIntoThreeEqualTetrahedra) {
  const TrianglePrism prism = makePrism(
      {Vec3(0, 0, 0), Vec3(2, 0, 0), Vec3(0, 3, 0), Vec3(0, 0, 5), Vec3(2, 0, 5), Vec3(0, 3, 5)});
  for (double v : splitVolumes(prism))
    EXPECT_DOUBLE_EQ(v, 5.0);
}

TEST(TrianglePrism, NumberingSenseDoesNotMatter) {
  const TrianglePrism prism = makePrism(
      {Vec3(0, 0, 0), Vec3(0, 1, 0), Vec3(1, 0, 0), Vec3(0, 0, 1), Vec3(0, 1, 1), Vec3(1, 0, 1)});
  const std::array<double, 3> v = splitVolumes(prism);
  EXPECT_DOUBLE_EQ(v[0] + v[1] + v[2], 0.5);
}

TEST(TrianglePrism, SplitFollowsTheVertexTableInOutputOrder) {
  std::array<Vec3, 6> p;
  for (int i = 0; i < 6; ++i)
    p[i] = Vec3(i, 10 * i, 100 * i);
  Tetrahedron parts[3];
  makePrism(p).splitIntoTetrahedra(parts, 3);
  const int table[3][4] = {{0, 1, 2, 4}, {0, 2, 3, 4}, {2, 3, 5, 4}};
  for (int t = 0; t < 3; ++t) {
    for (int k = 0; k < 4; ++k) {
      EXPECT_TRUE(vecSame(parts[t].vertices[k], p[table[t][k]]))
          << "tetrahedron " << t << " vertex " << k;
    }
  }
}
