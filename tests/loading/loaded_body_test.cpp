#include "loading/loaded_body.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "loading/loaded_check.h"
#include "solver/attitude_iteration.h"
#include "solver/newton_solver.h"
#include "solver/righting_arm.h"
#include "support/shapes.h"
#include "support/test_support.h"

namespace {

enum class Method { kGreedy, kNewton };
const Method kMethods[] = {Method::kGreedy, Method::kNewton};
const char* name(Method m) {
  return m == Method::kGreedy ? "greedy" : "newton";
}

struct Solved {
  Plane plane;
  Vec3 buoyancy;
};

// Floats the load from upright with the method, its console lines captured.
Solved solve(FloatingBody& hull, LoadModel& load, Method method) {
  test_support::ConsoleCapture console;
  Solved s;
  if (method == Method::kNewton) {
    const NewtonOutcome outcome = solveNewtonAttitude(hull, load, s.plane, s.buoyancy);
    EXPECT_TRUE(outcome.converged);
  } else {
    AttitudeCounts counts;
    solveFloatingAttitude(hull, load, s.plane, s.buoyancy, counts);
  }
  return s;
}

double heelOf(const Plane& p) {
  return std::atan2(-p.B, p.C);
}
double trimOf(const Plane& p) {
  return std::atan2(-p.A, p.C);
}

// A wall-sided body heeled by phi, its bilge and deck edges neither out of nor under the water:
// GZ(phi) = sin(phi) (GM + BM tan^2(phi) / 2). A constant moment's arm c is balanced where
// GZ = c; solved by Newton from the small-angle heel c / GM.
double wallSidedHeel(double GM, double BM, double c) {
  double phi = c / GM;
  for (int i = 0; i < 60; ++i) {
    const double t = std::tan(phi), s = std::sin(phi), sec2 = 1 + t * t;
    const double f = s * (GM + BM * t * t / 2) - c;
    const double df = std::cos(phi) * (GM + BM * t * t / 2) + s * BM * t * sec2;
    phi -= f / df;
  }
  return phi;
}

// The hull 20 x 10 x 6 of one hexahedron, a weight of 400 t at (10, 5, 3), and a box tank 10 x 4
// x 4 on the centre plane ([5, 15] x [3, 7] x [0.5, 4.5]), permeability 0.9, half full of liquid
// of density 1 (72 t), in water of 1.025 t/m^3.
struct TankCase {
  FloatingBody hull;
  LoadingCondition condition;
  TankCase(double heelMoment, double fill = 0.5) {
    test_support::makeBox(hull, Vec3(0, 0, 0), Vec3(20, 10, 6));
    hull.prepareFastEvaluation(1);
    condition.waterDensity = 1.025;
    condition.weights.push_back({"deck", 400, Vec3(10, 5, 3)});
    Tank tank;
    tank.name = "T";
    tank.solid = boxSolid(5, 15, 3, 7, 0.5, 4.5);
    tank.density = 1.0;
    tank.permeability = 0.9;
    tank.amount = fill;
    condition.tanks.push_back(std::move(tank));
    if (heelMoment != 0)
      condition.heelingMoments.push_back({"crane", heelMoment, MomentDirection::kHeel});
  }
};

// The free surface lowers GM by rho_t l b^3 / 12 / displacement, here 1.0 x 0.9 x 10 x 4^3 / 12
// over 472 t, and GM solid is KB + BM - KG of the box by hand.
TEST(LoadedBody, WallSidedBoxTankLowersGMByItsFreeSurface) {
  for (const Method method : kMethods) {
    SCOPED_TRACE(name(method));
    TankCase c(0);
    LoadedBody load(c.hull, c.condition);
    EXPECT_DOUBLE_EQ(load.mass(), 472);
    const Solved s = solve(c.hull, load, method);
    const LoadedEquilibrium e = checkLoadedEquilibrium(load, s.plane, s.buoyancy);
    EXPECT_EQ(e.check.verdict, Verdict::kStable);
    const double V = 472 / 1.025, T = V / 200, KG = (400 * 3 + 72 * 1.5) / 472.0;
    const double fsc = 1.0 * 0.9 * 10 * 64 / 12 / 472;
    EXPECT_NEAR(-s.plane.D, T, 1e-9);
    EXPECT_NEAR(e.gravitySolid.z, KG, 1e-9);
    EXPECT_NEAR(e.solid.GMt, T / 2 + 100 / (12 * T) - KG, 1e-9);
    EXPECT_NEAR(e.solid.GMl, T / 2 + 400 / (12 * T) - KG, 1e-9);
    EXPECT_NEAR(e.solid.GMt - e.check.stability.GMt, fsc, 1e-12);
    EXPECT_NEAR(e.freeSurfaceT, fsc, 1e-12);
    EXPECT_NEAR(e.freeSurfaceL, 1.0 * 0.9 * 4 * 1000 / 12 / 472, 1e-11);
    EXPECT_NEAR(e.gravityFluid.z, KG + fsc, 1e-9);
    ASSERT_EQ(e.tanks.size(), 1u);
    EXPECT_NEAR(e.tanks[0].freeSurfaceMoment, 1.0 * 0.9 * 10 * 64 / 12, 1e-9);
  }
}

// Heeled by a constant moment, the wall-sided hull and tank balance where the fluid GZ equals the
// moment's arm: the liquid's centre moves as B does with FSC in place of BM, so
// GZ(phi) = sin(phi) (GM fluid + (BM - FSC) tan^2(phi) / 2). Both solvers end there.
TEST(LoadedBody, HeelingMomentBalancesTheFluidRightingArm) {
  for (const double moment : {-150.0, 60.0, 240.0}) {
    for (const Method method : kMethods) {
      SCOPED_TRACE(testing::Message() << name(method) << " " << moment);
      TankCase c(moment);
      LoadedBody load(c.hull, c.condition);
      const Solved s = solve(c.hull, load, method);
      const double V = 472 / 1.025, T = V / 200, KG = (400 * 3 + 72 * 1.5) / 472.0;
      const double BM = 100 / (12 * T), fsc = 1.0 * 0.9 * 10 * 64 / 12 / 472;
      const double expected = wallSidedHeel(T / 2 + BM - KG - fsc, BM - fsc, moment / 472);
      // The solve stops within d_error of the balance; GZ rises at about GM there.
      const double dError = 1e-6 * std::sqrt(20 * 20 + 10 * 10 + 6 * 6);
      EXPECT_NEAR(heelOf(s.plane), expected, 2 * dError / 1.5);
      EXPECT_NEAR(trimOf(s.plane), 0, 1e-6);
      const LoadedEquilibrium e = checkLoadedEquilibrium(load, s.plane, s.buoyancy);
      EXPECT_TRUE(e.check.converged);
    }
  }
}

// A constant trim moment on the same body balances the fluid righting arm in trim, with the
// tank's longitudinal free surface b l^3 / 12 in place of the transverse one; the heel stays 0.
TEST(LoadedBody, TrimMomentBalancesTheLongitudinalFluidArm) {
  for (const Method method : kMethods) {
    SCOPED_TRACE(name(method));
    TankCase c(0);
    c.condition.heelingMoments.push_back({"winch", -900, MomentDirection::kTrim});
    LoadedBody load(c.hull, c.condition);
    const Solved s = solve(c.hull, load, method);
    const double V = 472 / 1.025, T = V / 200, KG = (400 * 3 + 72 * 1.5) / 472.0;
    const double BMl = 400 / (12 * T), fsc = 1.0 * 0.9 * 4 * 1000 / 12 / 472;
    const double expected = wallSidedHeel(T / 2 + BMl - KG - fsc, BMl - fsc, -900 / 472.0);
    const double dError = 1e-6 * std::sqrt(20 * 20 + 10 * 10 + 6 * 6);
    EXPECT_NEAR(trimOf(s.plane), expected, 2 * dError / 10);
    EXPECT_LT(trimOf(s.plane), -0.01);  // the -x end pushed down
    EXPECT_NEAR(heelOf(s.plane), 0, 1e-7);
  }
}

// The righting-arm curve of the loaded body lets the liquid run at every heel: it follows the
// wall-sided fluid GZ, and the heeling arm meets it near the solved equilibrium.
TEST(LoadedBody, CurveFollowsTheFluidArmAndMeetsTheHeelingArm) {
  TankCase c(240);
  LoadedBody load(c.hull, c.condition);
  HeelRange range;
  range.fromDeg = 0;
  range.toDeg = 20;
  range.stepDeg = 2;
  const RightingArmCurve curve = computeRightingArmCurve(c.hull, load, range);
  const double V = 472 / 1.025, T = V / 200, KG = (400 * 3 + 72 * 1.5) / 472.0;
  const double BM = 100 / (12 * T), fsc = 1.0 * 0.9 * 10 * 64 / 12 / 472;
  const double GMf = T / 2 + BM - KG - fsc;
  ASSERT_EQ(curve.points.size(), 11u);
  for (const RightingArmPoint& p : curve.points) {
    const double phi = p.heelDeg * std::acos(-1.0) / 180, t = std::tan(phi);
    EXPECT_NEAR(p.gz, std::sin(phi) * (GMf + (BM - fsc) * t * t / 2), 1e-7) << p.heelDeg;
    EXPECT_NEAR(p.trimDeg, 0, 1e-6);
  }
  ASSERT_TRUE(curve.heeling.has_value());
  EXPECT_DOUBLE_EQ(curve.heeling->arm, 240 / 472.0);
  ASSERT_TRUE(curve.heeling->crossingHeelDeg.has_value());
  const double heel = wallSidedHeel(GMf, BM - fsc, 240 / 472.0) * 180 / std::acos(-1.0);
  EXPECT_NEAR(*curve.heeling->crossingHeelDeg, heel, 0.01);
  EXPECT_TRUE(curve.heeling->residualToEndOfRange);
}

// Weights alone are the plain body: V = M / rho and G the weights' centre give the same solve,
// bit for bit.
TEST(LoadedBody, WeightsAloneFloatAsThePlainBodyBitForBit) {
  for (const Method method : kMethods) {
    SCOPED_TRACE(name(method));
    FloatingBody hull;
    test_support::makeMeshedBox(hull, Vec3(0, 0, 0), Vec3(30, 12, 5), 6, 3, 2);
    hull.prepareFastEvaluation(1);
    LoadingCondition condition;
    condition.weights = {{"a", 500, Vec3(12, 5, 4)}, {"b", 300, Vec3(20, 8, 2)}};
    LoadedBody load(hull, condition);
    const Vec3 G = (Vec3(12, 5, 4) * 500 + Vec3(20, 8, 2) * 300) / 800;
    FixedLoad plain(hull, 800 / 1.025, G);
    const Solved a = solve(hull, load, method), b = solve(hull, plain, method);
    EXPECT_EQ(a.plane, b.plane);
    EXPECT_EQ(a.buoyancy, b.buoyancy);
    EXPECT_NE(heelOf(a.plane), 0);
    EXPECT_NE(trimOf(a.plane), 0);
  }
}

// A compartment made of some of the hull's own elements, flooded with permeability 1, takes
// exactly those elements' buoyancy away: the hull floats as the hull without them does.
TEST(LoadedBody, FloodedOwnElementsFloatAsTheHullWithoutThem) {
  // The 20 x 12 x 6 hull in 4 x 3 x 2 cells; the compartment is the column of cells i = 1, j = 0.
  const auto isFlooded = [](int i, int j, int) { return i == 1 && j == 0; };
  FloatingBody full, reduced;
  test_support::makeMeshedBox(full, Vec3(0, 0, 0), Vec3(20, 12, 6), 4, 3, 2);
  std::vector<Hexahedron> kept, flooded;
  int index = 0;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 3; ++j) {
      for (int k = 0; k < 2; ++k, ++index)
        (isFlooded(i, j, k) ? flooded : kept).push_back(full.hexahedra[index]);
    }
  }
  test_support::fillBody(reduced, {}, kept, {}, {});
  reduced.boundingBox();
  full.prepareFastEvaluation(1);
  reduced.prepareFastEvaluation(1);
  for (const Method method : kMethods) {
    SCOPED_TRACE(name(method));
    LoadingCondition withCompartment, without;
    for (LoadingCondition* c : {&withCompartment, &without})
      c->weights = {{"cargo", 700, Vec3(9, 6.5, 2.5)}};
    Compartment compartment;
    compartment.name = "hold";
    compartment.solid = std::make_unique<FloatingBody>();
    test_support::fillBody(*compartment.solid, {}, flooded, {}, {});
    withCompartment.compartments.push_back(std::move(compartment));
    LoadedBody damaged(full, withCompartment), intact(reduced, without);
    const Solved a = solve(full, damaged, method), b = solve(reduced, intact, method);
    const Vec3 na(a.plane.A, a.plane.B, a.plane.C), nb(b.plane.A, b.plane.B, b.plane.C);
    EXPECT_LT(na.cross(nb).length(), 1e-7);
    EXPECT_NEAR(a.plane.D, b.plane.D, 1e-6);
    EXPECT_NEAR((a.buoyancy - b.buoyancy).length(), 0, 1e-6);
    EXPECT_GT(std::fabs(heelOf(a.plane)), 0.01);
    EXPECT_GT(std::fabs(trimOf(a.plane)), 0.001);
    const LoadedEquilibrium ea = checkLoadedEquilibrium(damaged, a.plane, a.buoyancy);
    const LoadedEquilibrium eb = checkLoadedEquilibrium(intact, b.plane, b.buoyancy);
    EXPECT_NEAR(ea.check.waterplane.area, eb.check.waterplane.area, 1e-6);
    EXPECT_NEAR(ea.check.stability.GMt, eb.check.stability.GMt, 1e-6);
    EXPECT_NEAR(ea.check.stability.GMl, eb.check.stability.GMl, 1e-5);
    ASSERT_EQ(ea.compartments.size(), 1u);
    EXPECT_NEAR(ea.compartments[0].floodedVolume,
                full.computeSubmergedVolume(a.plane) - reduced.computeSubmergedVolume(a.plane),
                1e-6);
  }
}

// The box barge 40 x 12 x 4 with its side compartment [16, 24] x [0, 4] x [0, 4] flooded at
// permeability 0.95, loaded to 960 m^3 with G on the centre plane. Wall-sided hull and wall-sided
// compartment: the buoyant waterplane is the hull's less 0.95 x the compartment's, the draft
// V / (A_hull - 0.95 A_comp), and the heel follows the wall-sided formula about the net
// waterplane's centroid F, with G off F's vertical by y_G - y_F (lost-buoyancy method by hand).
TEST(LoadedBody, FloodedSideCompartmentHeelsTheBargeAsTheLostBuoyancyMethodSays) {
  FloatingBody hull;
  test_support::makeMeshedBox(hull, Vec3(0, 0, 0), Vec3(40, 12, 4), 5, 3, 2);
  hull.prepareFastEvaluation(1);
  const double p = 0.95, rho = 1.025, V = 960, zG = 3;
  const double A = 480 - p * 32, yF = (480 * 6 - p * 32 * 2) / A, T = V / A;
  const double I =
      40 * 1728 / 12.0 + 480 * (6 - yF) * (6 - yF) - p * (8 * 64 / 12.0 + 32 * (2 - yF) * (2 - yF));
  const double BM = I / V, GM = T / 2 + BM - zG;
  // The net volume is the prism of the net waterplane of depth T: B lies above F at T / 2. The
  // balance of the wall-sided body with G off B's vertical by e = y_G - y_F:
  // tan(phi) (GM + BM tan^2(phi) / 2) = e.
  const double e = 6 - yF;
  double t = e / GM;
  for (int i = 0; i < 60; ++i)
    t -= (t * (GM + BM * t * t / 2) - e) / (GM + 1.5 * BM * t * t);
  for (const Method method : kMethods) {
    SCOPED_TRACE(name(method));
    LoadingCondition condition;
    condition.waterDensity = rho;
    condition.weights = {{"barge", V * rho, Vec3(20, 6, zG)}};
    Compartment compartment;
    compartment.name = "side";
    compartment.solid = boxSolid(16, 24, 0, 4, 0, 4);
    compartment.permeability = p;
    condition.compartments.push_back(std::move(compartment));
    LoadedBody load(hull, condition);
    const Solved s = solve(hull, load, method);
    const double dError = 1e-6 * std::sqrt(40 * 40 + 12 * 12 + 4 * 4);
    EXPECT_NEAR(heelOf(s.plane), std::atan(t), 2 * dError / GM);
    EXPECT_LT(heelOf(s.plane), 0);
    EXPECT_NEAR(trimOf(s.plane), 0, 2 * dError / GM);
    // The draft at F's line is T: the plane passes through (20, yF, T).
    EXPECT_NEAR(s.plane.value(Vec3(20, yF, T)), 0, 1e-6);
    const LoadedEquilibrium eq = checkLoadedEquilibrium(load, s.plane, s.buoyancy);
    EXPECT_EQ(eq.check.verdict, Verdict::kStable);
    ASSERT_EQ(eq.compartments.size(), 1u);
    EXPECT_GT(eq.compartments[0].floodedVolume, p * 32 * T);  // the low side is deeper
  }
}

TEST(LoadedBody, TooHeavyALoadCannotFloat) {
  FloatingBody hull;
  test_support::makeBox(hull, Vec3(0, 0, 0), Vec3(10, 10, 2));
  hull.prepareFastEvaluation(1);
  LoadingCondition condition;
  condition.weights = {{"w", 200, Vec3(5, 5, 1)}};
  {
    LoadedBody load(hull, condition);
    EXPECT_EQ(whyLoadingCannotFloat(load), "");
  }
  Compartment c;
  c.name = "c";
  c.solid = boxSolid(0, 5, 0, 10, 0, 2);
  condition.compartments.push_back(std::move(c));
  LoadedBody load(hull, condition);
  EXPECT_NE(whyLoadingCannotFloat(load).find("with its flooded compartments (100 m^3)"),
            std::string::npos);
}

}  // namespace
