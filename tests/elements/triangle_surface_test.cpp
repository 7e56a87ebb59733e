// The openings of a surface: the lowest open point along a normal, the volume with the openings
// closed by fans, and the openings' direction when the surface is turned around.

#include "elements/triangle_surface.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// The unit cube without its top, whose opening is the top edge, run as the sides run it
// (clockwise seen from above); its corners 0-3 at z = 0, 4-7 at z = 1.
TriangleSurface openCube() {
  TriangleSurface s;
  s.vertices = {Vec3(0, 0, 0), Vec3(1, 0, 0), Vec3(1, 1, 0), Vec3(0, 1, 0),
                Vec3(0, 0, 1), Vec3(1, 0, 1), Vec3(1, 1, 1), Vec3(0, 1, 1)};
  s.triangles = {{{0, 2, 1}}, {{0, 3, 2}}, {{0, 1, 5}}, {{0, 5, 4}}, {{1, 2, 6}},
                 {{1, 6, 5}}, {{2, 3, 7}}, {{2, 7, 6}}, {{3, 0, 4}}, {{3, 4, 7}}};
  s.openings = {{4, 7, 6, 5}};
  return s;
}

TEST(TriangleSurface, TheLowestOpenPointIsTheFirstOfTheLowestAlongTheNormal) {
  const TriangleSurface s = openCube();
  const struct {
    Vec3 normal, point;
  } cases[] = {{Vec3(0, 0, 1), Vec3(0, 0, 1)},  // all equally low: the loop's first
               {Vec3(-1, 0, 1), Vec3(1, 1, 1)},
               {Vec3(0.1, 0.2, 1), Vec3(0, 0, 1)},
               {Vec3(0, -1, 0), Vec3(0, 1, 1)}};
  for (const auto& c : cases) {
    Vec3 point;
    ASSERT_TRUE(s.lowestOpenPoint(c.normal, point));
    EXPECT_EQ(point, c.point) << c.normal.x << " " << c.normal.y << " " << c.normal.z;
  }
  TriangleSurface closed = s;
  closed.openings.clear();
  Vec3 point;
  EXPECT_FALSE(closed.lowestOpenPoint(Vec3(0, 0, 1), point));
}

// A plane given as it is must lie below the opening: on or above its lowest point along the
// plane's normal it throws with that point.
TEST(TriangleSurface, APlaneThatReachesTheOpeningThrowsWithItsPoint) {
  const TriangleSurface s = openCube();
  const double c = std::sqrt(0.5);
  EXPECT_NO_THROW(requireWaterBelowOpenings(s, Plane(0, 0, 1, -0.999)));
  EXPECT_NO_THROW(requireWaterBelowOpenings(s, Plane(0, -c, c, 0.01)));  // 45 deg, +y down
  const struct {
    Plane plane;
    Vec3 point;
  } reaching[] = {{Plane(0, 0, 1, -1), Vec3(0, 0, 1)},
                  {Plane(0, -c, c, 0), Vec3(0, 1, 1)},
                  {Plane(-c, 0, c, -0.5), Vec3(1, 1, 1)}};
  for (const auto& r : reaching) {
    try {
      requireWaterBelowOpenings(s, r.plane);
      ADD_FAILURE() << "no throw at D = " << r.plane.D;
    } catch (const WaterReachesOpening& reached) {
      EXPECT_EQ(reached.point, r.point);
    }
  }
  TriangleSurface closed = s;
  closed.openings.clear();
  EXPECT_NO_THROW(requireWaterBelowOpenings(closed, Plane(0, 0, 1, -5)));
}

TEST(TriangleSurface, TheEnclosedVolumeClosesTheOpeningsByFans) {
  TriangleSurface s = openCube();
  double sixTimes, magnitude;
  s.enclosedVolume(sixTimes, magnitude);
  EXPECT_DOUBLE_EQ(sixTimes, 6);
  EXPECT_GE(magnitude, sixTimes);
  // Turned around, the volume changes its sign and the opening its direction.
  s.turnInsideOut();
  EXPECT_EQ(s.openings[0], (std::vector<std::uint32_t>{5, 6, 7, 4}));
  s.enclosedVolume(sixTimes, magnitude);
  EXPECT_DOUBLE_EQ(sixTimes, -6);
  // A bent opening: the corner (1, 1, 1) raised to (1, 1, 2), the faces x = 1 and y = 1 still
  // planar. The fan from the mean of the opening's corners, (0.5, 0.5, 1.25), roofs the unit
  // square: each of its four triangles covers a quarter of it at the mean height above z = 1 of
  // its corners (the apex 0.25, the corners 0 but (1, 1) at 1, which two triangles share), in all
  // 1/4 * (4 * 0.25 + 2) / 3 = 1/4 above the cube.
  TriangleSurface bent = openCube();
  bent.vertices[6] = Vec3(1, 1, 2);
  bent.enclosedVolume(sixTimes, magnitude);
  EXPECT_NEAR(sixTimes, 6 * 1.25, 1e-14);
}

}  // namespace
