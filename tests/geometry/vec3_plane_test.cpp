#include <gtest/gtest.h>

#include <cmath>

#include "geometry/line_segment.h"
#include "geometry/plane.h"
#include "geometry/vec3.h"
#include "support/test_support.h"

using test_support::vecNear;
using test_support::vecSame;

namespace {

const Plane kZ0(0, 0, 1, 0);  // z = 0, dry above

int intersect(const Plane& plane, const Vec3& p0, const Vec3& p1, Vec3& out) {
  LineSegment segment;
  segment.set(p0, p1);
  return plane.intersect(segment, out);
}

}  // namespace

TEST(Vec3, CrossProductAndNormalize) {
  EXPECT_TRUE(vecSame(Vec3(1, 0, 0).cross(Vec3(0, 1, 0)), Vec3(0, 0, 1)));
  EXPECT_TRUE(vecSame(Vec3(0, 1, 0).cross(Vec3(1, 0, 0)), Vec3(0, 0, -1)));
  EXPECT_TRUE(vecSame(Vec3(2, 3, 4).cross(Vec3(5, 6, 7)), Vec3(-3, 6, -3)));
  Vec3 v(3, 0, 4);
  v.normalize();
  EXPECT_TRUE(vecSame(v, Vec3(0.6, 0, 0.8)));
}

TEST(Vec3, DotProductSumsLeftToRight) {
  // (1 + 1e-16) + 1e-16 rounds back to 1 at each step; any other grouping keeps 2e-16.
  const Vec3 a(1, 1e-16, 1e-16);
  EXPECT_EQ(a.dot(Vec3(1, 1, 1)), 1.0);
}

TEST(Plane, IsAboveIsStrictAndUsesNoTolerance) {
  EXPECT_FALSE(kZ0.isAbove(Vec3(5, -3, 0)));
  EXPECT_TRUE(kZ0.isAbove(Vec3(0, 0, 1e-300)));
  EXPECT_FALSE(kZ0.isAbove(Vec3(0, 0, -1e-300)));
  const Plane oblique(1, 1, 1, -3);
  EXPECT_FALSE(oblique.isAbove(Vec3(1, 1, 1)));
  EXPECT_TRUE(oblique.isAbove(Vec3(1, 1, 1.5)));
  // A reversed normal exchanges the dry and the wet side.
  EXPECT_TRUE(Plane(0, 0, -1, 0.5).isAbove(Vec3(0, 0, 0)));
}

TEST(Plane, ValueIsEvaluatedLeftToRightBeforeAddingD) {
  // ((1 + 1e-16) + 1e-16) - 1 is exactly 0, so the point is not dry; summing the two small terms
  // first, or adding D earlier, would leave 2.2e-16 and call it dry.
  const Plane plane(1, 1, 1, -1);
  EXPECT_FALSE(plane.isAbove(Vec3(1, 1e-16, 1e-16)));
}

TEST(PlaneIntersect, ThreeResultCodes) {
  Vec3 out(7, 8, 9);
  EXPECT_EQ(intersect(kZ0, Vec3(0, 0, 1), Vec3(0, 0, -1), out), 1);
  EXPECT_TRUE(vecSame(out, Vec3(0, 0, 0)));

  // The whole line counts: the crossing at t = -1 lies before P0.
  out = Vec3(7, 8, 9);
  EXPECT_EQ(intersect(kZ0, Vec3(0, 0, 1), Vec3(0, 0, 2), out), 1);
  EXPECT_TRUE(vecSame(out, Vec3(0, 0, 0)));

  out = Vec3(7, 8, 9);
  EXPECT_EQ(intersect(kZ0, Vec3(0, 0, 0), Vec3(1, 0, 0), out), 2);
  EXPECT_TRUE(vecSame(out, Vec3(0.5, 0, 0)));

  out = Vec3(7, 8, 9);
  EXPECT_EQ(intersect(kZ0, Vec3(0, 0, 1), Vec3(1, 0, 1), out), 0);
  EXPECT_TRUE(vecSame(out, Vec3(7, 8, 9)));
}

TEST(PlaneIntersect, DenominatorOfExactlyTheToleranceCrosses) {
  // s = N . (P1 - P0) = 1e-10 exactly, in both directions: a crossing, not parallel.
  Vec3 out(7, 8, 9);
  EXPECT_EQ(intersect(kZ0, Vec3(0, 0, 0), Vec3(0, 0, 1e-10), out), 1);
  EXPECT_TRUE(vecSame(out, Vec3(0, 0, 0)));
  out = Vec3(7, 8, 9);
  EXPECT_EQ(intersect(kZ0, Vec3(0, 0, 1e-10), Vec3(0, 0, 0), out), 1);
  EXPECT_TRUE(vecSame(out, Vec3(0, 0, 0)));

  // One step below the tolerance the line is parallel; its midpoint lies within 1e-10.
  const double below = std::nextafter(1e-10, 0.0);
  out = Vec3(7, 8, 9);
  EXPECT_EQ(intersect(kZ0, Vec3(0, 0, 0), Vec3(0, 0, below), out), 2);
  EXPECT_TRUE(vecSame(out, Vec3(0, 0, below * 0.5)));
}

TEST(PlaneIntersect, ParallelTestIsAbsoluteOnTheUnnormalisedNormal) {
  // |N| = 2: dz = 6e-11 gives s = 1.2e-10, a crossing, although a unit normal would call the same
  // line parallel.
  const Plane doubled(0, 0, 2, 0);
  Vec3 out(7, 8, 9);
  EXPECT_EQ(intersect(doubled, Vec3(0, 0, -3e-11), Vec3(1, 0, 3e-11), out), 1);
  EXPECT_TRUE(vecSame(out, Vec3(0.5, 0, 0)));

  // dz = 4e-11 gives s = 8e-11: parallel, and the midpoint is on the plane.
  out = Vec3(7, 8, 9);
  EXPECT_EQ(intersect(doubled, Vec3(0, 0, 0), Vec3(1, 0, 4e-11), out), 2);
  EXPECT_TRUE(vecSame(out, Vec3(0.5, 0, 2e-11)));
}

TEST(PlaneIntersect, MidpointDistanceIsDividedByTheNormalLength) {
  // Plane value 1.5e-10 at the midpoint, but the distance is 0.75e-10 for |N| = 2: in the plane.
  Vec3 out(7, 8, 9);
  EXPECT_EQ(intersect(Plane(0, 0, 2, 0), Vec3(0, 0, 0.75e-10), Vec3(1, 0, 0.75e-10), out), 2);
  EXPECT_TRUE(vecSame(out, Vec3(0.5, 0, 0.75e-10)));

  // Plane value 0.75e-10, but the distance is 1.5e-10 for |N| = 0.5: parallel and off the plane.
  out = Vec3(7, 8, 9);
  EXPECT_EQ(intersect(Plane(0, 0, 0.5, 0), Vec3(0, 0, 1.5e-10), Vec3(1, 0, 1.5e-10), out), 0);
  EXPECT_TRUE(vecSame(out, Vec3(7, 8, 9)));
}

TEST(PlaneIntersect, RandomEdgesAcrossAUnitPlaneCrossOnThePlane) {
  test_support::Random random(test_support::kSeed);
  for (int trial = 0; trial < 2000; ++trial) {
    SCOPED_TRACE(::testing::Message() << "seed " << test_support::kSeed << ", trial " << trial);
    const Plane plane = test_support::planeThrough(random.unitVector(), random.point(-1, 1));
    const Vec3 e = random.point(-2, 2);
    const Vec3 f = random.point(-2, 2);
    if (plane.isAbove(e) == plane.isAbove(f))
      continue;
    Vec3 out(7, 8, 9);
    ASSERT_EQ(intersect(plane, e, f, out), 1);
    EXPECT_NEAR(plane.value(out), 0.0, 1e-14);
    // The crossing lies between the ends of an edge whose ends are on different sides.
    EXPECT_LE(std::fmin(e.x, f.x) - 1e-14, out.x);
    EXPECT_GE(std::fmax(e.x, f.x) + 1e-14, out.x);
    EXPECT_NEAR((out - e).cross(f - e).length(), 0.0, 1e-13);
  }
}
