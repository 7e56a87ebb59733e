// Surfaces open above the water: a box without its deck floats, heels and rights itself as the
// closed box while the water stays below the deck edge; a plane that reaches the edge ends the
// draft search, the solvers and the righting-arm curve there, naming the point.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "elements/floating_body.h"
#include "solver/float_checks.h"
#include "solver/newton_solver.h"
#include "solver/righting_arm.h"
#include "support/surfaces.h"
#include "support/test_support.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// The 4 x 2 x 1.5 box, closed or without its deck (the two triangles at z = 1.5), whose opening is
// the deck's edge.
void fillBox(FloatingBody& body, bool open) {
  body.surface = surfaces::boxSurface(Vec3(0, 0, 0), 4, 2, 1.5);
  if (open) {
    std::vector<TriangleSurface::Triangle> kept;
    for (const TriangleSurface::Triangle& t : body.surface.triangles) {
      if (body.surface.vertices[t.v[0]].z + body.surface.vertices[t.v[1]].z +
              body.surface.vertices[t.v[2]].z <
          4.5)
        kept.push_back(t);
    }
    body.surface.triangles = kept;
    // The deck edge, run as the sides' triangles run it (clockwise seen from above).
    std::vector<std::uint32_t> loop;
    for (const Vec3& corner :
         {Vec3(0, 0, 1.5), Vec3(0, 2, 1.5), Vec3(4, 2, 1.5), Vec3(4, 0, 1.5)}) {
      for (std::uint32_t v = 0; v < body.surface.vertices.size(); ++v) {
        if (body.surface.vertices[v] == corner)
          loop.push_back(v);
      }
    }
    body.surface.openings = {loop};
  }
  body.boundingBox();
}

// Draft 0.5 and G on the centre line at 0.4: freeboard 1, the deck edge meets the water at a heel
// of atan(1 / 1) = 45 degrees.
constexpr double kV = 4;
const Vec3 kG(2, 1, 0.4);

TEST(OpenSurface, HoldsItsVolumeAndWholeVolumeAsTheClosedBox) {
  FloatingBody open, closed;
  fillBox(open, true);
  fillBox(closed, false);
  EXPECT_NEAR(wholeBodyVolume(open), 12, 1e-12);
  EXPECT_EQ(whyBodyCannotFloat(open, kV, kG), "");
  // More than the box holds: the draft search, not the check, refuses it.
  EXPECT_EQ(whyBodyCannotFloat(open, 13, kG), "");
  EXPECT_NE(whyBodyCannotFloat(closed, 13, kG), "");
  for (const Vec3& n : {Vec3(0, 0, 1), Vec3(0.1, -0.3, 1), Vec3(-0.2, 0.5, 1)}) {
    Plane po, pc;
    Vec3 bo, bc;
    open.findWaterPlane(po, bo, kV, n);
    closed.findWaterPlane(pc, bc, kV, n);
    EXPECT_NEAR(po.D, pc.D, 1e-9);
    EXPECT_TRUE(test_support::vecNear(bo, bc, 1e-9));
    EXPECT_NEAR(volumeBelow(open, po), kV, 1e-9 * kV);
  }
}

// The water reaches the deck edge: upright with more than the box holds below it, heeled past 45
// degrees and trimmed past 14, at the corner lowest along the normal (the first of the opening's
// loop among equally low ones).
TEST(OpenSurface, APlaneThatReachesTheOpeningThrowsWithItsLowestPoint) {
  FloatingBody body;
  fillBox(body, true);
  Plane plane;
  Vec3 centre;
  const struct {
    double V;
    Vec3 normal;
    Vec3 point;
  } cases[] = {{12.5, Vec3(0, 0, 1), Vec3(0, 0, 1.5)},
               {kV, Vec3(0, -std::sin(0.3 * kPi), std::cos(0.3 * kPi)), Vec3(0, 2, 1.5)},
               {kV, Vec3(-0.8, 0, 0.6), Vec3(4, 2, 1.5)}};
  for (const auto& c : cases) {
    try {
      body.findWaterPlane(plane, centre, c.V, c.normal);
      ADD_FAILURE() << "no throw for V " << c.V;
    } catch (const WaterReachesOpening& reached) {
      EXPECT_TRUE(test_support::vecSame(reached.point, c.point));
    }
  }
  // Just below the edge the search still places the plane.
  body.findWaterPlane(plane, centre, 11.9, Vec3(0, 0, 1));
  EXPECT_NEAR(plane.D, -1.4875, 1e-9);
}

// Both solvers float the open box as the closed one when G lies off the centre line; one that
// heels it past the deck edge ends them with the point.
TEST(OpenSurface, SolversFloatItOrStopAtTheDeckEdge) {
  for (bool newton : {false, true}) {
    SCOPED_TRACE(newton ? "newton" : "greedy");
    FloatingBody open, closed;
    fillBox(open, true);
    fillBox(closed, false);
    Plane po, pc;
    Vec3 bo, bc;
    const Vec3 G(2, 1.1, 0.4);
    test_support::ConsoleCapture console;
    if (newton) {
      solveNewtonAttitude(open, po, bo, kV, G);
      solveNewtonAttitude(closed, pc, bc, kV, G);
    } else {
      open.solveFloatingAttitude(po, bo, kV, G);
      closed.solveFloatingAttitude(pc, bc, kV, G);
    }
    EXPECT_NEAR(po.B, pc.B, 1e-6);
    EXPECT_NEAR(po.D, pc.D, 1e-6);
    // G 0.9 off the centre line: the closed box heels to 58 degrees.
    const Vec3 far(2, 1.9, 0.4);
    bool reached = false;
    try {
      if (newton)
        solveNewtonAttitude(open, po, bo, kV, far);
      else
        open.solveFloatingAttitude(po, bo, kV, far);
    } catch (const WaterReachesOpening& r) {
      reached = true;
      EXPECT_EQ(r.point.y, 2);
      EXPECT_EQ(r.point.z, 1.5);
    }
    EXPECT_TRUE(reached);
  }
}

// The curve of the open box is the closed box's up to the last heel below 45 degrees and ends at
// the next, naming the deck edge on the side that went under.
TEST(OpenSurface, TheRightingArmCurveEndsWhereTheWaterReachesTheDeckEdge) {
  FloatingBody open, closed;
  fillBox(open, true);
  fillBox(closed, false);
  const HeelRange range{-20, 70, 10};
  const RightingArmCurve a = computeRightingArmCurve(open, kV, kG, range);
  const RightingArmCurve b = computeRightingArmCurve(closed, kV, kG, range);
  ASSERT_EQ(a.points.size(), 7u);  // -20 .. 40
  ASSERT_TRUE(a.openingHeelDeg.has_value());
  EXPECT_EQ(*a.openingHeelDeg, 50);
  EXPECT_EQ(a.openingPoint.y, 2);
  EXPECT_EQ(a.openingPoint.z, 1.5);
  EXPECT_FALSE(b.openingHeelDeg.has_value());
  for (std::size_t i = 0; i < a.points.size(); ++i)
    EXPECT_NEAR(a.points[i].gz, b.points[i].gz, 1e-9) << a.points[i].heelDeg;
  ASSERT_TRUE(a.summary.area40.has_value());
  EXPECT_NEAR(*a.summary.area40, *b.summary.area40, 1e-9);
}

}  // namespace
