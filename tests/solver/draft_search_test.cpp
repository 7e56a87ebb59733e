#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <future>
#include <thread>

#include "elements/floating_body.h"
#include "support/shapes.h"

namespace {

using test_support::makeBox;

// Runs a draft search on a worker thread and aborts the whole test program if it has not
// returned within the limit: a search that never ends must fail loudly instead of hanging CI.
void findWaterPlaneWithin(FloatingBody& body, Plane& plane, Vec3& centre, double V, Vec3 normal) {
  std::packaged_task<void()> task([&] { body.findWaterPlane(plane, centre, V, normal); });
  std::future<void> done = task.get_future();
  std::thread worker(std::move(task));
  if (done.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
    std::cerr << "findWaterPlane did not return for V = " << V << std::endl;
    std::abort();
  }
  worker.join();
}

// Every element's stored cut must describe the returned plane.
void expectStoredCutIs(const FloatingBody& body, const Plane& plane) {
  for (int i = 0; i < body.hexahedronCount; ++i)
    EXPECT_EQ(body.hexahedra[i].waterPlane, plane);
}

// 0 <= x <= 2, 0 <= y <= 1, 0 <= z <= 4: volume 8.
TEST(DraftSearch, HorizontalNormalAndItsMultiplesBisectBetweenBottomAndTop) {
  for (const Vec3 normal : {Vec3(0, 0, 1), Vec3(0, 0, 5)}) {
    FloatingBody body;
    makeBox(body, Vec3(0, 0, 0), Vec3(2, 1, 4));
    Plane plane;
    Vec3 centre;
    body.findWaterPlane(plane, centre, 2, normal);
    // L = c0 at z = 0, H = c4 at z = 4. The trial at z = 2 holds 4 > 2, so the next trial is
    // z = 0 + 0.25 * 4 = 1, which holds exactly 2: the plane z = 1 to the last bit.
    EXPECT_EQ(plane, Plane(0, 0, 1, -1));
    EXPECT_NEAR(centre.x, 1, 1e-14);
    EXPECT_NEAR(centre.y, 0.5, 1e-14);
    EXPECT_NEAR(centre.z, 0.5, 1e-14);
    expectStoredCutIs(body, plane);
  }
}

TEST(DraftSearch, TiedCornersAndATargetMetByTheFirstTrial) {
  FloatingBody body;
  makeBox(body, Vec3(0, 0, 0), Vec3(2, 1, 4));
  // Heights along (1, 0, 1)/sqrt2 tie pairwise; the first in corner order wins: L = c0 = (0, 0, 0)
  // and H = c5 = (2, 0, 4). Their midpoint (1, 0, 2) gives the plane x + z = 3, below which the box
  // holds the integral of (3 - x) over 0..2, that is 4: the first trial meets V = 4 at once.
  Plane plane;
  Vec3 centre;
  body.findWaterPlane(plane, centre, 4, Vec3(1, 0, 1));
  const double n = 1 / std::sqrt(2.0);
  EXPECT_DOUBLE_EQ(plane.A, n);
  EXPECT_EQ(plane.B, 0);
  EXPECT_DOUBLE_EQ(plane.C, n);
  EXPECT_DOUBLE_EQ(plane.D, -3 * n);
  // Centroid of {0 <= z <= 3 - x}: x = int x(3-x) / 4 = 5/6, z = int (3-x)^2/2 / 4 = 13/12.
  EXPECT_NEAR(centre.x, 5.0 / 6, 1e-14);
  EXPECT_NEAR(centre.y, 0.5, 1e-14);
  EXPECT_NEAR(centre.z, 13.0 / 12, 1e-14);
}

TEST(DraftSearch, ResultHasUnitNormalAndMeetsTheVolumeTest) {
  FloatingBody body;
  makeBox(body, Vec3(-1, -0.5, 0), Vec3(1, 0.5, 1));  // volume 2
  for (const Vec3 normal : {Vec3(1, 2, 3), Vec3(-0.3, 0.2, -1), Vec3(0, 7, 0), Vec3(0, 0, 1)}) {
    for (const double V : {1e-3, 0.5, 1.7, 2.0}) {
      SCOPED_TRACE(testing::Message()
                   << "normal " << normal.x << "," << normal.y << "," << normal.z << " V " << V);
      Plane plane;
      Vec3 centre;
      body.findWaterPlane(plane, centre, V, normal);
      const Vec3 n(plane.A, plane.B, plane.C);
      EXPECT_NEAR(n.length(), 1, 1e-15);
      EXPECT_NEAR(n.cross(normal).length(), 0, 1e-14);
      EXPECT_GT(n.dot(normal), 0);
      expectStoredCutIs(body, plane);
      double volume;
      Vec3 expectedCentre;
      body.computeBuoyancy(volume, expectedCentre, plane);
      EXPECT_LT(std::fabs(volume - V) / V, 1e-10);
      EXPECT_EQ(centre, expectedCentre);
    }
  }
}

TEST(DraftSearch, TargetsNoPlaneCanMeetStillReturn) {
  FloatingBody body;
  makeBox(body, Vec3(0, 0, 0), Vec3(2, 1, 4));  // volume 8
  Plane plane;
  Vec3 centre;
  // Above the whole volume: the plane climbs to just below the top face.
  for (const double V : {10.0, 8.5}) {
    findWaterPlaneWithin(body, plane, centre, V, Vec3(0, 0, 1));
    EXPECT_GT(body.computeSubmergedVolume(plane), 8 * (1 - 1e-12)) << V;
    EXPECT_LE(-plane.D, 4) << V;
  }
  // Zero: the relative error is undefined; the plane sinks towards the bottom face. The trial
  // point keeps changing all the way, so only the step cap ends this one.
  findWaterPlaneWithin(body, plane, centre, 0, Vec3(0, 0, 1));
  EXPECT_LT(body.computeSubmergedVolume(plane), 1e-12);
  EXPECT_GE(-plane.D, 0);
  // Negative: the relative error |V_t - V| / V is negative, so the first trial (z = 2) passes.
  findWaterPlaneWithin(body, plane, centre, -1, Vec3(0, 0, 1));
  EXPECT_EQ(plane, Plane(0, 0, 1, -2));
  findWaterPlaneWithin(body, plane, centre, std::nan(""), Vec3(1, 1, 1));
}

TEST(DraftSearch, StopsWhenDoublesCannotPlaceThePlaneFinerThanTheTolerance) {
  // Near z = 1e8 consecutive doubles are 1.5e-8 apart, far coarser than the 1e-10 relative volume
  // test needs for a water plane area of 2, so the bracket stops shrinking first.
  FloatingBody body;
  makeBox(body, Vec3(0, 0, 1e8), Vec3(2, 1, 1e8 + 1));
  Plane plane;
  Vec3 centre;
  findWaterPlaneWithin(body, plane, centre, 0.6, Vec3(0, 0, 1));
  EXPECT_NEAR(-plane.D, 1e8 + 0.3, 1e-6);
}

}  // namespace
