#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "elements/tetrahedron.h"
#include "support/shapes.h"
#include "support/test_support.h"

using test_support::flipped;
using test_support::vecNear;
using test_support::vecSame;

namespace {

const Vec3 kO(0, 0, 0), kX(1, 0, 0), kY(0, 1, 0), kZ(0, 0, 1);

Tetrahedron cut(Tetrahedron t, const Plane& plane) {
  t.cutByWaterPlane(plane);
  return t;
}

Tetrahedron unitCorner(double scale = 1) {
  return Tetrahedron(kO, kX * scale, kY * scale, kZ * scale);
}

}  // namespace

TEST(TetrahedronCut, WhollySubmergedGivesItsOwnVolumeAndCentroid) {
  const Tetrahedron t = cut(unitCorner(), Plane(0, 0, 1, -2));
  EXPECT_EQ(t.submergedVolume, t.volume());
  EXPECT_TRUE(vecSame(t.submergedCentroid, t.centroid()));
}

TEST(TetrahedronCut, WhollyDryGivesZeroAndTheVertexMean) {
  const Tetrahedron t = cut(unitCorner(), Plane(0, 0, 1, 1));
  EXPECT_EQ(t.submergedVolume, 0.0);
  EXPECT_TRUE(vecSame(t.submergedCentroid, Vec3(0.25, 0.25, 0.25)));
}

TEST(TetrahedronCut, OneDryVertexLeavesTheFrustum) {
  const Tetrahedron t = cut(unitCorner(), Plane(0, 0, 1, -0.5));
  EXPECT_DOUBLE_EQ(t.submergedVolume, 7.0 / 48);
  EXPECT_TRUE(vecNear(t.submergedCentroid, Vec3(15.0 / 56, 15.0 / 56, 11.0 / 56), 1e-15));
  EXPECT_TRUE(t.waterPlane == Plane(0, 0, 1, -0.5));
}

TEST(TetrahedronCut, TwoDryVerticesLeaveTheWedge) {
  const double h = 1 / std::sqrt(2.0);
  const Tetrahedron t = cut(unitCorner(), Plane(h, h, 0, -0.5 * h));
  EXPECT_NEAR(t.submergedVolume, 1.0 / 12, 1e-15);
  EXPECT_TRUE(vecNear(t.submergedCentroid, Vec3(5.0 / 32, 5.0 / 32, 11.0 / 32), 1e-15));
}

TEST(TetrahedronCut, ThreeDryVerticesLeaveTheSmallTetrahedron) {
  // Normal pointing down: dry where z < 0.5.
  const Tetrahedron t = cut(unitCorner(), Plane(0, 0, -1, 0.5));
  EXPECT_DOUBLE_EQ(t.submergedVolume, 1.0 / 48);
  EXPECT_TRUE(vecNear(t.submergedCentroid, Vec3(1.0 / 8, 1.0 / 8, 5.0 / 8), 1e-15));
}

TEST(TetrahedronCut, ComputeSubmergedPartUsesTheStoredPlane) {
  Tetrahedron t = unitCorner();
  t.waterPlane = Plane(0, 0, 1, -0.5);
  t.computeSubmergedPart();
  EXPECT_DOUBLE_EQ(t.submergedVolume, 7.0 / 48);
}

// A flat tetrahedron has no volume, so its centroid is that of the last piece, and that piece
// depends on which vertex landed in which slot. Slots start as v1, v2, v3, v0; dry vertices are
// swapped to the front: here they end as v2, v0, v3, v1.
TEST(TetrahedronCut, SlotOrderDecidesTheLastPiece) {
  const Tetrahedron flat(Vec3(0, 0, 1), Vec3(1, 0, 0), Vec3(2, 0, 1), Vec3(4, 0, 0));
  const Tetrahedron t = cut(flat, Plane(0, 0, 1, -0.5));
  EXPECT_EQ(t.submergedVolume, 0.0);
  // T3 = (W1, X3, X2, X1) = (v3, cut(v2 -> v1), cut(v2 -> v3), cut(v0 -> v3)).
  EXPECT_TRUE(vecSame(t.submergedCentroid, Vec3(2.625, 0, 0.375)));
}

TEST(TetrahedronCut, VerticesOnThePlaneCountAsSubmerged) {
  // All four on the plane: case 0, a flat tetrahedron's own volume and vertex mean.
  const Tetrahedron flat(kO, Vec3(2, 0, 0), Vec3(0, 2, 0), Vec3(2, 2, 0));
  const Tetrahedron all = cut(flat, Plane(0, 0, 1, 0));
  EXPECT_EQ(all.submergedVolume, 0.0);
  EXPECT_TRUE(vecSame(all.submergedCentroid, Vec3(1, 1, 0)));

  // One dry, three on the plane: every piece flat; T3 = (W2, W1, W2, W3) with slots v3, v2, v1, v0.
  const Tetrahedron one = cut(unitCorner(), Plane(0, 0, 1, 0));
  EXPECT_EQ(one.submergedVolume, 0.0);
  EXPECT_TRUE(vecSame(one.submergedCentroid, Vec3(0.5, 0.25, 0)));

  // Three dry, one on the plane: the piece collapses onto that vertex.
  const Vec3 w(3, 4, 0);
  const Tetrahedron three = cut(
      Tetrahedron(w, w + Vec3(1, 0, 1), w + Vec3(0, 1, 1), w + Vec3(1, 1, 2)), Plane(0, 0, 1, 0));
  EXPECT_EQ(three.submergedVolume, 0.0);
  EXPECT_TRUE(vecSame(three.submergedCentroid, w));
}

TEST(TetrahedronCut, SliverBelowTheThresholdTakesTheLastPieceCentroid) {
  // Scaled by 1e-5 the frustum has 7/48e-15 < 1e-15: the centroid of T3 = (X2, X1, W2, W3),
  // not the quotient of the tiny sums.
  const double s = 1e-5;
  const Tetrahedron tiny = cut(unitCorner(s), Plane(0, 0, 1, -0.5 * s));
  EXPECT_NEAR(tiny.submergedVolume, 7.0 / 48 * s * s * s, 1e-30);
  EXPECT_TRUE(vecNear(tiny.submergedCentroid, Vec3(0.375, 0.125, 0.25) * s, 1e-20));

  // Scaled by 1e-4 (7/48e-12) the quotient is used again.
  const double b = 1e-4;
  const Tetrahedron small = cut(unitCorner(b), Plane(0, 0, 1, -0.5 * b));
  EXPECT_TRUE(vecNear(small.submergedCentroid, Vec3(15.0 / 56, 15.0 / 56, 11.0 / 56) * b, 1e-18));
}

TEST(TetrahedronCut, EdgeWithoutACrossingPointUsesItsMidpoint) {
  // A normal of length 1e-12 makes every edge from the dry apex "parallel" and off the plane, so
  // intersect gives no point; the midpoints cut off the apex tetrahedron at half scale.
  const Tetrahedron tall(Vec3(0, 0, -10), Vec3(1, 0, -10), Vec3(0, 1, -10), Vec3(0, 0, 1));
  const Tetrahedron t = cut(tall, Plane(0, 0, 1e-12, -0.5e-12));
  EXPECT_NEAR(t.submergedVolume, 77.0 / 48, 1e-14);
  // (8 * whole centroid - apex centroid) / 7.
  EXPECT_TRUE(vecNear(t.submergedCentroid, Vec3(1.875 / 7, 1.875 / 7, -54.875 / 7), 1e-13));
}

// The order of the floating-point operations is part of the result: the slots, the cut points,
// the pieces and their vertex order, and the running sums. These bits come from an independent
// evaluation of the same formulas in the same order (double precision, nothing fused).
TEST(TetrahedronCut, ResultsAreBitExactForTheWrittenEvaluationOrder) {
  const Tetrahedron t(Vec3(0.1, -0.3, 0.7), Vec3(1.3, 0.2, -0.4), Vec3(-0.6, 1.1, 0.05),
                      Vec3(0.35, 0.45, 1.9));
  const Tetrahedron one = cut(t, Plane(-0.36, 0.48, 0.8, -1.1));  // v3 dry
  EXPECT_EQ(one.submergedVolume, 0x1.3a1afb4d36c15p-1);
  EXPECT_TRUE(vecSame(one.submergedCentroid,
                      Vec3(0x1.29efbfbe3440cp-2, 0x1.6d4633fe7df35p-2, 0x1.075ddb1430456p-1)));

  const Tetrahedron two = cut(t, Plane(0.48, 0.6, -0.64, 0.05));
  EXPECT_EQ(two.submergedVolume, 0x1.345d6e8e4300bp-2);
  EXPECT_TRUE(vecSame(two.submergedCentroid,
                      Vec3(0x1.aaaac59d88d6cp-3, 0x1.25a41cc4d7689p-2, 0x1.bf7be44cb0595p-1)));

  const Tetrahedron three = cut(t, Plane(0.36, 0.48, 0.8, -0.35));
  EXPECT_EQ(three.submergedVolume, 0x1.5d2b482d15468p-6);
  EXPECT_TRUE(vecSame(three.submergedCentroid,
                      Vec3(0x1.54a9102169099p-1, 0x1.71e53897414e0p-2, -0x1.c9ce6ff7c4f1fp-4)));
}

// Plane and flipped plane split every tetrahedron into two parts that make up the whole: the
// volumes and the moments add up to those of the tetrahedron.
TEST(TetrahedronCut, RandomPlaneAndFlippedPlanePartitionTheTetrahedron) {
  test_support::Random random(test_support::kSeed);
  int dryCounts[5] = {0, 0, 0, 0, 0};
  for (int trial = 0; trial < 20000; ++trial) {
    SCOPED_TRACE(::testing::Message() << "seed " << test_support::kSeed << ", trial " << trial);
    const Tetrahedron t = test_support::randomTetrahedron(random, -1, 1);
    const Plane plane = test_support::planeThrough(random.unitVector(), random.point(-0.7, 0.7));
    const double whole = t.volume();
    if (whole < 1e-3)
      continue;  // near-flat shapes lose relative precision in any method
    int dry = 0;
    for (const Vec3& v : t.vertices)
      dry += plane.isAbove(v) ? 1 : 0;
    ++dryCounts[dry];

    const Tetrahedron wet = cut(t, plane);
    const Tetrahedron rest = cut(t, flipped(plane));
    ASSERT_GE(wet.submergedVolume, 0.0);
    ASSERT_GE(rest.submergedVolume, 0.0);
    ASSERT_NEAR(wet.submergedVolume + rest.submergedVolume, whole, 1e-12 * whole);
    const Vec3 moment =
        wet.submergedCentroid * wet.submergedVolume + rest.submergedCentroid * rest.submergedVolume;
    ASSERT_TRUE(vecNear(moment, t.centroid() * whole, 1e-12 * whole));
  }
  for (int k = 1; k <= 3; ++k)
    EXPECT_GT(dryCounts[k], 1000) << k << " dry vertices";
}

TEST(TetrahedronCut, RandomStorageOrderChangesOnlyTheRounding) {
  test_support::Random random(test_support::kSeed + 7);
  for (int trial = 0; trial < 2000; ++trial) {
    SCOPED_TRACE(::testing::Message() << "seed " << test_support::kSeed + 7 << ", trial " << trial);
    const Tetrahedron t = test_support::randomTetrahedron(random, -1, 1);
    const Plane plane = test_support::planeThrough(random.unitVector(), random.point(-0.7, 0.7));
    const double whole = t.volume();
    if (whole < 1e-3)
      continue;
    const Tetrahedron reference = cut(t, plane);
    std::array<int, 4> order = {0, 1, 2, 3};
    while (std::next_permutation(order.begin(), order.end())) {
      const Tetrahedron p(t.vertices[order[0]], t.vertices[order[1]], t.vertices[order[2]],
                          t.vertices[order[3]]);
      const Tetrahedron r = cut(p, plane);
      ASSERT_NEAR(r.submergedVolume, reference.submergedVolume, 1e-12 * whole);
      if (reference.submergedVolume > 1e-6 * whole) {
        ASSERT_TRUE(vecNear(r.submergedCentroid, reference.submergedCentroid,
                            1e-12 * whole / reference.submergedVolume));
      }
    }
  }
}
