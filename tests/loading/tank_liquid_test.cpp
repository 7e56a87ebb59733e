#include "loading/tank_liquid.h"

#include <gtest/gtest.h>

#include <cmath>

#include "loading/containment.h"
#include "support/shapes.h"

namespace {

const double kDegree = std::acos(-1.0) / 180;

// A box tank 10 long (x), 4 wide (y), 4 high (z) from (5, 3, 0.5), permeability 0.9, holding
// liquid of density 0.85.
Tank boxTank(TankContent content, double amount) {
  Tank tank;
  tank.name = "T";
  tank.solid = boxSolid(5, 15, 3, 7, 0.5, 4.5);
  tank.density = 0.85;
  tank.permeability = 0.9;
  tank.content = content;
  tank.amount = amount;
  return tank;
}

// The normal of a plane heeled by phi (+y side deeper), as the righting-arm curve holds it.
Vec3 heeled(double phi) {
  return Vec3(0, -std::sin(phi), std::cos(phi));
}

TEST(TankLiquid, ContentGivenThreeWaysHoldsTheSameLiquid) {
  // Capacity 0.9 x 160 = 144 m^3; half of it is 72 m^3, or 61.2 t of the liquid.
  const struct {
    TankContent content;
    double amount;
  } cases[] = {{TankContent::kFill, 0.5}, {TankContent::kVolume, 72}, {TankContent::kMass, 61.2}};
  for (const auto& c : cases) {
    Tank tank = boxTank(c.content, c.amount);
    const TankState state(tank);
    EXPECT_NEAR(state.solidVolume(), 160, 1e-12);
    EXPECT_NEAR(state.capacity(), 144, 1e-12);
    EXPECT_NEAR(state.volume(), 72, 1e-12);
    EXPECT_NEAR(state.mass(), 61.2, 1e-12);
  }
}

TEST(TankLiquid, LevelLiquidFillsTheBottomAndHasTheTanksPlanAsItsSurface) {
  Tank tank = boxTank(TankContent::kFill, 0.5);
  TankState state(tank);
  const TankLiquid liquid = state.settle(Vec3(0, 0, 1));
  ASSERT_TRUE(liquid.slack);
  // 72 m^3 of liquid at permeability 0.9 fill 80 m^3 of the box: 2 m of its 4.
  EXPECT_NEAR(-liquid.surface.D, 2.5, 1e-9);
  EXPECT_NEAR(liquid.centre.x, 10, 1e-9);
  EXPECT_NEAR(liquid.centre.y, 5, 1e-9);
  EXPECT_NEAR(liquid.centre.z, 1.5, 1e-9);
  // Second moments of the 10 x 4 surface about its centroid, times the permeability:
  // about the x axis l b^3 / 12, about the y axis b l^3 / 12.
  EXPECT_NEAR(liquid.freeSurface.Iuu, 0.9 * 10 * 64 / 12.0, 1e-9);
  EXPECT_NEAR(liquid.freeSurface.Ivv, 0.9 * 4 * 1000 / 12.0, 1e-9);
  EXPECT_NEAR(liquid.freeSurface.Iuv, 0, 1e-9);
  EXPECT_NEAR(freeSurfaceMoment(liquid, 0.85, Vec3(1, 0, 0)), 0.85 * 0.9 * 10 * 64 / 12.0, 1e-9);
}

// In a wall-sided tank whose surface meets neither the top nor the bottom, the liquid's centre
// moves as a wall-sided hull's centre of buoyancy does: across by (b^2 / 12 h) tan(phi) and up by
// (b^2 / 24 h) tan^2(phi), h the depth of liquid when level; the volume stays the same.
TEST(TankLiquid, HeeledLiquidRunsToTheLowSideAsTheWallSidedFormulaSays) {
  for (const double heelDeg : {-30.0, -10.0, 3.0, 20.0, 40.0}) {
    SCOPED_TRACE(heelDeg);
    Tank tank = boxTank(TankContent::kFill, 0.5);
    TankState state(tank);
    const double phi = heelDeg * kDegree, t = std::tan(phi);
    const TankLiquid liquid = state.settle(heeled(phi));
    ASSERT_TRUE(liquid.slack);
    const double shift = 16 / (12 * 2.0);
    EXPECT_NEAR(liquid.centre.y, 5 + shift * t, 1e-9);
    EXPECT_NEAR(liquid.centre.z, 1.5 + shift * t * t / 2, 1e-9);
    EXPECT_NEAR(liquid.centre.x, 10, 1e-9);
    // The liquid below its surface is still 72 m^3.
    EXPECT_NEAR(0.9 * tank.solid->computeSubmergedVolume(liquid.surface), 72, 1e-6);
    // The surface is 4 / cos(phi) wide: its moment about the level axis along the tank grows.
    const double b = 4 / std::cos(phi);
    EXPECT_NEAR(liquid.freeSurface.Iuu, 0.9 * 10 * b * b * b / 12, 1e-8);
  }
}

TEST(TankLiquid, EmptyAndFullTanksHaveNoFreeSurface) {
  const struct {
    TankContent content;
    double amount;
    double mass;
  } cases[] = {{TankContent::kFill, 0, 0},
               {TankContent::kFill, 1, 0.85 * 144},
               {TankContent::kVolume, 144, 0.85 * 144},
               // A mass whose volume lies a rounding error away from the capacity fills it.
               {TankContent::kMass, 0.85 * 144 * (1 + 1e-12), 0.85 * 144}};
  for (const auto& c : cases) {
    Tank tank = boxTank(c.content, c.amount);
    TankState state(tank);
    const TankLiquid liquid = state.settle(heeled(10 * kDegree));
    EXPECT_FALSE(liquid.slack);
    EXPECT_NEAR(liquid.mass, c.mass, 1e-9);
    EXPECT_NEAR(liquid.centre.y, 5, 1e-12);
    EXPECT_NEAR(liquid.centre.z, 2.5, 1e-12);
    EXPECT_EQ(freeSurfaceMoment(liquid, 0.85, Vec3(1, 0, 0)), 0);
  }
}

TEST(Containment, CompartmentsInsideAndOutsideTheHull) {
  FloatingBody hull;
  test_support::makeMeshedBox(hull, Vec3(0, 0, 0), Vec3(40, 12, 4), 4, 3, 2);
  const struct {
    double box[6];
    bool outside;
  } cases[] = {
      {{16, 24, 0, 4, 0, 4}, false},  // against the side and the bottom
      {{0, 40, 0, 12, 0, 4}, false},  // the hull's own box
      {{10, 20, 2, 6, 1, 2}, false},  // inside, across element faces
      {{16, 24, -1, 4, 0, 4}, true},  // through the side
      {{16, 24, 0, 4, 3, 5}, true},   // above the deck
      {{39, 41, 5, 6, 1, 2}, true},   // through the end
  };
  for (const auto& c : cases) {
    const auto* b = c.box;
    SCOPED_TRACE(testing::Message() << b[0] << " " << b[1] << " " << b[2] << " " << b[3]);
    auto compartment = boxSolid(b[0], b[1], b[2], b[3], b[4], b[5]);
    Vec3 centroid;
    prepareSolid(*compartment, centroid);
    EXPECT_EQ(reachesOutsideHull(hull, *compartment, centroid), c.outside);
  }
}

}  // namespace
