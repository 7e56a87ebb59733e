#include "solver/stability.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/shapes.h"

using test_support::boxHexahedron;
using test_support::fillBody;

namespace {

// Upright wall-sided bodies at draft T with G at KG above the keel: GM = KB + BM - KG, KB = T/2,
// BM = I / V. The box is 100 (x) by 20 (y); the spar a cylinder of radius 10 on 30 sectors of angle
// a, section area 15 R^2 sin(a), I = 30 R^4 sin(a) (2 + cos(a)) / 24 about every central axis.
TEST(Stability, WallSidedBodiesMatchKbPlusBmMinusKg) {
  const double a = 2 * 3.1415926 / 30;
  const double sparArea = 1500 * std::sin(a), sparI = 12500 * std::sin(a) * (2 + std::cos(a));
  const struct {
    bool spar;
    double T, KG;
    bool stable;
  } cases[] = {{false, 5, 5, true},
               {false, 2, 4, true},
               {false, 5, 15, false},
               {true, 120, 45, true},
               {true, 120, 61, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    FloatingBody body;
    if (c.spar)
      fillBody(body, {}, {}, {}, {Cylinder(Vec3(0, 0, 0), Vec3(0, 0, 150), 10)});
    else
      fillBody(body, {}, {boxHexahedron(Vec3(-50, -10, 0), 100, 20, 10)}, {}, {});
    body.boundingBox();
    const double V = c.spar ? sparArea * c.T : 2000 * c.T;
    const double It = c.spar ? sparI : 8e5 / 12, Il = c.spar ? sparI : 2e7 / 12;
    Plane plane;
    Vec3 B;
    body.findWaterPlane(plane, B, V, Vec3(0, 0, 1));
    const StabilityResult r =
        computeStability(computeWaterplane(body, plane), V, B, Vec3(0, 0, c.KG), Vec3(0, 0, 1));
    const double GMt = c.T / 2 + It / V - c.KG, GMl = c.T / 2 + Il / V - c.KG;
    EXPECT_NEAR(r.GMt, GMt, 1e-6);
    EXPECT_NEAR(r.GMl, GMl, 1e-6);
    EXPECT_NEAR(r.GMmin, std::fmin(GMt, GMl), 1e-6);
    EXPECT_EQ(r.stable, c.stable);
    if (!c.spar) {
      EXPECT_NEAR(std::fabs(r.minAxis.x), 1, 1e-12);  // the box heels most easily
    }
  }
}

// K against the hydrostatics themselves: an L-shaped body with a column, floating at a tilted
// plane with G on the normal through B, is turned by +-theta about an axis a through the
// waterplane (in the body frame the normal turns by -theta) and floated again at the same
// displacement. The moment of buoyancy about G per unit displacement, along a, changes at the
// rate -GM about a.
TEST(Stability, RestoringMatrixIsTheRateOfTheHydrostaticMoment) {
  FloatingBody body;
  fillBody(body, {},
           {boxHexahedron(Vec3(0, 0, 0), 40, 10, 8), boxHexahedron(Vec3(0, 10, 0), 10, 20, 8)}, {},
           {Cylinder(Vec3(30, 25, 0), Vec3(30, 25, 12), 3)});
  body.boundingBox();
  Vec3 n(0.03, -0.02, 1);
  n.normalize();
  const double V = 2000, theta = 2e-4;
  Plane plane;
  Vec3 B;
  body.findWaterPlane(plane, B, V, n);
  const Vec3 G = B + n * 2.0;
  const StabilityResult r = computeStability(computeWaterplane(body, plane), V, B, G, n);
  const struct {
    Vec3 axis;
    double GM;
  } axes[] = {{r.heelAxis, r.GMt}, {r.trimAxis, r.GMl}, {r.minAxis, r.GMmin}, {r.maxAxis, r.GMmax}};
  for (const auto& a : axes) {
    double rate = 0;
    for (const double t : {theta, -theta}) {
      const Vec3 turned = n * std::cos(t) - a.axis.cross(n) * std::sin(t);
      body.findWaterPlane(plane, B, V, turned);
      rate -= (B - G).cross(turned).dot(a.axis) / (2 * t);
    }
    EXPECT_NEAR(rate, a.GM, 1e-5);
  }
  EXPECT_LT(r.GMmin, r.GMt - 0.01);  // the waterplane's principal axes are not the body's
  EXPECT_TRUE(r.stable);
}

}  // namespace
