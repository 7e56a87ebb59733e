#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "elements/tetrahedron.h"
#include "support/test_support.h"

using test_support::vecNear;
using test_support::vecSame;

namespace {

const Vec3 kO(0, 0, 0), kX(1, 0, 0), kY(0, 1, 0), kZ(0, 0, 1);

void expectBox(const BoundingBox& box, const Vec3& lo, const Vec3& hi) {
  EXPECT_TRUE(vecSame(Vec3(box.xMin, box.yMin, box.zMin), lo));
  EXPECT_TRUE(vecSame(Vec3(box.xMax, box.yMax, box.zMax), hi));
}

}  // namespace

TEST(Tetrahedron, UnitCornerVolumeCentroidAndBox) {
  const Tetrahedron t(kO, kX, kY, kZ);
  EXPECT_DOUBLE_EQ(t.volume(), 1.0 / 6);
  EXPECT_TRUE(vecSame(t.centroid(), Vec3(0.25, 0.25, 0.25)));
  expectBox(t.boundingBox(), Vec3(0, 0, 0), Vec3(1, 1, 1));
}

TEST(Tetrahedron, EveryVertexOrderGivesThePositiveVolume) {
  std::array<Vec3, 4> p = {Vec3(0.5, -1, 2), Vec3(3, 0.25, 1), Vec3(-1, 2, 0), Vec3(1, 1, 4)};
  std::array<int, 4> order = {0, 1, 2, 3};
  const double reference = Tetrahedron(p[0], p[1], p[2], p[3]).volume();
  ASSERT_GT(reference, 1.0);
  do {
    const Tetrahedron t(p[order[0]], p[order[1]], p[order[2]], p[order[3]]);
    EXPECT_NEAR(t.volume(), reference, 1e-14) << order[0] << order[1] << order[2] << order[3];
    EXPECT_TRUE(vecNear(t.centroid(), Vec3(0.875, 0.5625, 1.75), 1e-15));
    expectBox(t.boundingBox(), Vec3(-1, -1, 0), Vec3(3, 2, 4));
  } while (std::next_permutation(order.begin(), order.end()));
  // Exchanging p1 and p2 flips the sign of the triple product, not of the volume.
  EXPECT_EQ(Tetrahedron(kO, kY, kX, kZ).volume(), Tetrahedron(kO, kX, kY, kZ).volume());
}

TEST(Tetrahedron, VolumeIsTheTripleProductDividedBySix) {
  // A triple product of 5: 5 / 6 and 5 * (1 / 6) differ in the last bit.
  EXPECT_EQ(Tetrahedron(kO, Vec3(5, 0, 0), kY, kZ).volume(), 5.0 / 6.0);
  EXPECT_EQ(Tetrahedron(kO, Vec3(7, 0, 0), kY, kZ).volume(), 7.0 / 6.0);
}

TEST(Tetrahedron, CentroidSumsTheVerticesInOrder) {
  // ((1 + 1e-16) + 1e-16) - 1 is 0; pairing the sums differently would leave 1.1e-16.
  const Tetrahedron t(Vec3(1, 0, 0), Vec3(1e-16, 0, 0), Vec3(1e-16, 0, 0), Vec3(-1, 0, 0));
  EXPECT_EQ(t.centroid().x, 0.0);
}

TEST(Tetrahedron, DegenerateShapesHaveZeroVolumeAndTheVertexMean) {
  const Tetrahedron flat(kO, Vec3(2, 0, 0), Vec3(0, 2, 0), Vec3(2, 2, 0));
  EXPECT_EQ(flat.volume(), 0.0);
  EXPECT_TRUE(vecSame(flat.centroid(), Vec3(1, 1, 0)));

  const Vec3 p(1.5, -2, 3);
  const Tetrahedron point(p, p, p, p);
  EXPECT_EQ(point.volume(), 0.0);
  EXPECT_TRUE(vecSame(point.centroid(), p));
  expectBox(point.boundingBox(), p, p);
}
