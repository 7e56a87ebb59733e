// The solvers on surface bodies: a box, a 30-sided cylinder and the boundary of a tetrahedral mesh
// float at the equilibrium of the same solids made of elements, by the tilt iteration (printing
// the same kind of lines) and by Newton steps.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "elements/floating_body.h"
#include "solver/newton_solver.h"
#include "submerged/waterplane.h"
#include "support/test_support.h"
#include "support/twin_bodies.h"

namespace {

struct Solved {
  Plane plane;
  Vec3 buoyancyCentre;
  std::string console;
};

Solved solve(FloatingBody& body, double V, const Vec3& G, bool newton = false) {
  body.prepareFastEvaluation(1);
  Solved s;
  test_support::ConsoleCapture console;
  if (newton) {
    EXPECT_TRUE(solveNewtonAttitude(body, s.plane, s.buoyancyCentre, V, G).converged);
  } else {
    body.solveFloatingAttitude(s.plane, s.buoyancyCentre, V, G);
  }
  s.console = console.output();
  return s;
}

// Both solves stop within the distance tolerance d_error of the exact equilibrium, where the lines
// of action are d apart; a tilt dn moves them apart by about GM |dn|, and the centre of buoyancy by
// about BM |dn|. So the two attitudes agree to a few d_error / GM, their centres to a few d_error
// times BM / GM.
void expectSameEquilibrium(const Solved& s, const Solved& e, const test_support::TwinBodies& twins,
                           double dError) {
  const Vec3 ne(e.plane.A, e.plane.B, e.plane.C), ns(s.plane.A, s.plane.B, s.plane.C);
  EXPECT_LE(FloatingBody::actionLineDistance(s.buoyancyCentre, twins.G, ns), dError);
  const double gm = 0.25;  // below every twin's metacentric height
  EXPECT_LT((ns - ne).length(), 4 * dError / gm);
  EXPECT_TRUE(test_support::vecNear(s.buoyancyCentre, e.buoyancyCentre, 40 * dError));
  EXPECT_NEAR(s.plane.D, e.plane.D, 40 * dError);
}

class SurfaceSolve : public ::testing::TestWithParam<test_support::TwinBodies> {};

TEST_P(SurfaceSolve, FloatsAtTheEquilibriumOfTheElements) {
  const test_support::TwinBodies& twins = GetParam();
  FloatingBody elements, surface;
  twins.fill(elements, surface);
  const Solved e = solve(elements, twins.V, twins.G);
  const Solved s = solve(surface, twins.V, twins.G);
  const double dError = 1e-6 * elements.bounds.diagonal();
  EXPECT_NEAR(surface.computeSubmergedVolume(s.plane), twins.V, 1e-9 * twins.V);
  expectSameEquilibrium(s, e, twins, dError);
  {
    SCOPED_TRACE("Newton steps on the surface");
    expectSameEquilibrium(solve(surface, twins.V, twins.G, true), e, twins, dError);
  }
  // The tilt step lines of both solves read alike: same header, a step line per step.
  EXPECT_EQ(s.console.substr(0, s.console.find("Step")),
            e.console.substr(0, e.console.find("Step")));
  // Both attitudes are the same stable equilibrium.
  const WaterplaneProperties we = computeWaterplane(elements, e.plane);
  const WaterplaneProperties ws = computeWaterplane(surface, s.plane);
  EXPECT_NEAR(ws.area, we.area, 1e-6 * we.area);
  EXPECT_NEAR(ws.Iuu, we.Iuu, 1e-5 * we.Iuu);
}

INSTANTIATE_TEST_SUITE_P(Bodies, SurfaceSolve, ::testing::ValuesIn(test_support::twinBodies()),
                         [](const auto& twin) { return twin.param.name; });

}  // namespace
