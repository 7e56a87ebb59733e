#include "stability/weather_criterion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "stability/criteria_assessment.h"
#include "support/shapes.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

double rad(double degrees) {
  return degrees * kPi / 180;
}

// The tables read at their rows, between them (linearly) and beyond them (the end rows).
TEST(WeatherTables, RowsBetweenAndBeyond) {
  EXPECT_DOUBLE_EQ(factorX1(2.0), 1.0);
  EXPECT_DOUBLE_EQ(factorX1(2.4), 1.0);
  EXPECT_DOUBLE_EQ(factorX1(2.5), 0.98);
  EXPECT_DOUBLE_EQ(factorX1(3.3), 0.84);
  EXPECT_DOUBLE_EQ(factorX1(3.5), 0.80);
  EXPECT_DOUBLE_EQ(factorX1(4.79), 0.80);
  EXPECT_DOUBLE_EQ(factorX2(0.40), 0.75);
  EXPECT_DOUBLE_EQ(factorX2(0.525), 0.855);
  EXPECT_DOUBLE_EQ(factorX2(0.68), 0.988);
  EXPECT_DOUBLE_EQ(factorX2(1.0), 1.0);
  EXPECT_DOUBLE_EQ(factorK(0), 1.0);
  EXPECT_DOUBLE_EQ(factorK(1.25), 0.965);
  EXPECT_DOUBLE_EQ(factorK(3.0), 0.74);
  EXPECT_DOUBLE_EQ(factorK(6.0), 0.70);
  EXPECT_DOUBLE_EQ(factorS(5), 0.100);
  EXPECT_DOUBLE_EQ(factorS(10), 0.079);
  EXPECT_DOUBLE_EQ(factorS(13), 0.059);
  EXPECT_DOUBLE_EQ(factorS(19), 0.0365);
  EXPECT_DOUBLE_EQ(factorS(25), 0.035);
  EXPECT_TRUE(std::isnan(factorS(std::nan(""))));
}

// A worked example, by hand.
//
// The ship: B = 20 m, d = 8 m, Cb = 0.60, L = 120 m, KG = 9 m, no bilge keels, and a righting arm
// GZ = sin(2 phi) m (GM = dGZ/dphi at 0 = 2 m). Displacement 12000 t, windage A = 2000 m^2 with
// Z = 12 m.
//   B/d = 2.5                      -> X1 = 0.98
//   Cb = 0.60                      -> X2 = 0.95
//   Ak = 0                         -> k = 1.0
//   OG = KG - d = 1 m,  r = 0.73 + 0.6 x 1 / 8 = 0.805
//   C = 0.373 + 0.023 x 2.5 - 0.043 x 1.2 = 0.3789
//   T = 2 x 0.3789 x 20 / sqrt(2) = 10.71691 s
//   s between T = 8 (0.093) and 12 (0.065): 0.093 - 0.028 x 2.71691 / 4 = 0.0739816
//   phi1 = 109 x 1.0 x 0.98 x 0.95 x sqrt(0.805 x 0.0739816) = 101.479 x 0.244039 = 24.7649 deg
//   lw1 = 504 x 2000 x 12 / (1000 x 9.81 x 12000) = 0.1027523 m, lw2 = 1.5 lw1 = 0.1541284 m
//   phi0: sin(2 phi0) = lw1      -> phi0 = asin(0.1027523) / 2 = 2.948841 deg
//   first intercept with lw2      -> asin(0.1541284) / 2 = 4.433126 deg
//   second intercept: 90 - 4.433126 = 85.566874 deg; phi2 = min(50, that) = 50 deg (no openings)
//   roll start phi0 - phi1 = -21.816029 deg
//   a = lw2 (4.433126 + 21.816029) rad - [cos(2 x -21.816029) - cos(2 x 4.433126)] / 2
//     = 0.1541284 x 0.4581342 - (0.7237859 - 0.9880508) / 2 = 0.0706115 + 0.1321325
//     = 0.2027440 m rad
//   b = [cos(2 x 4.433126) - cos(100)] / 2 - lw2 (50 - 4.433126) rad
//     = (0.9880508 + 0.1736482) / 2 - 0.1541284 x 0.7952920 = 0.5808495 - 0.1225771
//     = 0.4582724 m rad
//   b / a = 2.26035: the criterion is met.
TEST(WeatherCriterion, WorkedExampleByHand) {
  RollParticulars ship;
  ship.breadth = 20;
  ship.draught = 8;
  ship.blockCoefficient = 0.60;
  ship.waterlineLength = 120;
  ship.KG = 9;
  ship.GM = 2;
  const RollAngle roll = rollAngle(ship);
  EXPECT_DOUBLE_EQ(roll.X1, 0.98);
  EXPECT_DOUBLE_EQ(roll.X2, 0.95);
  EXPECT_DOUBLE_EQ(roll.k, 1.0);
  EXPECT_NEAR(roll.r, 0.805, 1e-12);
  EXPECT_NEAR(roll.C, 0.3789, 1e-12);
  EXPECT_NEAR(roll.T, 10.71691, 1e-5);
  EXPECT_NEAR(roll.s, 0.0739816, 1e-7);
  EXPECT_NEAR(roll.phi1Deg, 24.7649, 1e-4);

  SampledCurve gz([](double h) { return std::sin(rad(2 * h)); });
  CurveSide side;
  side.gz = &gz;
  const WeatherOutcome w = weatherConstruction(side, Windage{2000, 12}, 12000, ship);
  EXPECT_NEAR(w.lw1, 0.1027523, 1e-7);
  EXPECT_NEAR(w.lw2, 0.1541284, 1e-7);
  ASSERT_TRUE(w.phi0Deg && w.interceptDeg && w.phicDeg);
  EXPECT_NEAR(*w.phi0Deg, 2.948841, 1e-6);
  EXPECT_NEAR(*w.interceptDeg, 4.433126, 1e-6);
  EXPECT_NEAR(*w.phicDeg, 85.566874, 1e-6);
  EXPECT_EQ(w.phi2Deg, 50);
  EXPECT_NEAR(w.areaA, 0.2027440, 2e-7);
  EXPECT_NEAR(w.areaB, 0.4582724, 2e-7);
  EXPECT_NEAR(w.ratio, 2.26035, 1e-5);
  const CriterionResult r = weatherCriterion(w, 1);
  EXPECT_EQ(r.id, "weather");
  EXPECT_TRUE(r.pass);

  // A flooding angle of 12 degrees leaves b = (0.9880508 - cos 24) / 2 - lw2 (12 - 4.433126) rad
  // = (0.9880508 - 0.9135455) / 2 - 0.1541284 x 0.1320669 = 0.0372527 - 0.0203553 = 0.0168974:
  // b / a = 0.0833 fails. Sharp bilges (k = 0.7) shorten the roll to 17.3354 deg.
  side.floodingDeg = 12;
  const WeatherOutcome flooded = weatherConstruction(side, Windage{2000, 12}, 12000, ship);
  EXPECT_EQ(flooded.phi2Deg, 12);
  EXPECT_NEAR(flooded.areaB, 0.0168974, 2e-7);
  EXPECT_FALSE(weatherCriterion(flooded, 1).pass);
  ship.sharpBilges = true;
  EXPECT_NEAR(rollAngle(ship).phi1Deg, 0.7 * 24.7649, 1e-4);
}

// A steady wind the curve cannot balance: no steady heel, no area b, the criterion fails.
TEST(WeatherCriterion, WindBeyondTheCurveFails) {
  SampledCurve gz([](double h) { return 0.05 * std::sin(rad(2 * h)); });
  CurveSide side;
  side.gz = &gz;
  RollParticulars ship{20, 8, 9, 0.6, 120, 0, 2, false};
  const WeatherOutcome w = weatherConstruction(side, Windage{2000, 12}, 12000, ship);
  EXPECT_FALSE(w.phi0Deg.has_value());
  EXPECT_FALSE(weatherCriterion(w, 1).pass);
}

// The same construction on a floating box, against the wall-sided closed form. The box 60 x 10 x
// 10 m at T = 5 m with KG = 19/6 m (GM = 1 m) is wall-sided to 45 degrees either way; a vent that
// floods at 40 degrees keeps phi2 there. Its particulars: B/d = 2 (X1 = 1), Cb = 1 (X2 = 1), k = 1,
// r = 0.73 + 0.6 (19/6 - 5) / 5 = 0.51, C = 0.373 + 0.046 - 0.0258 = 0.3932,
// T = 2 x 0.3932 x 10 / 1 = 7.864 s, s = 0.093680 (between 7 and 8: 0.098 - 0.005 x 0.864),
// phi1 = 109 sqrt(0.51 x 0.09368) = 109 x 0.2185791 = 23.8251 deg; lw1 = 504 x 300 x 6 /
// (1000 x 9.81 x 3075) = 0.0300739 m. The intercepts and areas come from the closed form
// GZ = sin(phi) (1 + 5/6 tan^2 phi), area GM (1 - cos) + BM / 2 (sec + cos - 2), its roots found
// here by bisection.
TEST(WeatherCriterion, FloatingBoxAgainstTheWallSidedForm) {
  const double BM = 5.0 / 3, GM = 1, KG = 2.5 + BM - GM;
  FloatingBody body;
  test_support::makeMeshedBox(body, Vec3(0, -5, 0), Vec3(60, 10, 10), 3, 2, 2);
  LoadedCondition c;
  c.volume = 3000;
  c.gravity = Vec3(30, 0, KG);
  c.waterPlane = Plane(0, 0, 1, -5);
  c.GM0 = GM;
  CriteriaInputs inputs;
  inputs.windage = Windage{300, 6};
  inputs.openings = {{"vent", Vec3(30, 5, 5 + 5 * std::tan(rad(40)))}};
  const CriteriaAssessment a = assessCriteria(body, c, CriteriaSet::kIs2008, inputs);
  ASSERT_TRUE(a.sides[0].weather.has_value());
  const WeatherOutcome& w = *a.sides[0].weather;

  const auto gz = [&](double deg) {
    const double t = std::tan(rad(deg));
    return std::sin(rad(deg)) * (GM + BM * t * t / 2);
  };
  const auto area = [&](double deg) {
    const double k = std::cos(rad(deg));
    return GM * (1 - k) + BM / 2 * (1 / k + k - 2);
  };
  const auto root = [&](double level) {
    double lo = 0, hi = 40;
    for (int i = 0; i < 200; ++i)
      (gz(0.5 * (lo + hi)) < level ? lo : hi) = 0.5 * (lo + hi);
    return 0.5 * (lo + hi);
  };
  EXPECT_NEAR(a.roll.breadth, 10, 1e-12);
  EXPECT_NEAR(a.roll.draught, 5, 1e-12);
  EXPECT_NEAR(a.roll.blockCoefficient, 1, 1e-12);
  EXPECT_NEAR(w.roll.s, 0.09368, 1e-12);
  EXPECT_NEAR(w.roll.phi1Deg, 23.8251, 1e-4);
  EXPECT_NEAR(w.lw1, 0.0300739, 1e-7);
  const double phi0 = root(w.lw1), intercept = root(w.lw2);
  EXPECT_NEAR(*w.phi0Deg, phi0, 1e-6);
  EXPECT_NEAR(*w.interceptDeg, intercept, 1e-6);
  EXPECT_NEAR(w.phi2Deg, 40, 1e-7);
  const double start = phi0 - w.roll.phi1Deg;
  // The curve is odd: the area from a negative heel to 0 is the area from 0 to its opposite.
  const double wantA = w.lw2 * rad(intercept - start) - (area(intercept) - area(-start));
  const double wantB = area(40) - area(intercept) - w.lw2 * rad(40 - intercept);
  EXPECT_NEAR(w.areaA, wantA, 1e-6 * wantA);
  EXPECT_NEAR(w.areaB, wantB, 1e-6 * wantB);
  EXPECT_EQ(a.results.back().id, "weather");
  EXPECT_NEAR(a.results.back().attained, wantB / wantA, 1e-5 * wantB / wantA);
}

// A windage that heels the box beyond 16 degrees under the steady wind: the criterion is still
// judged on b / a, and a note says the steady heel exceeds the guide (GZ(16) = 0.2945 m < lw1 =
// 504 x 3000 x 7 / (1000 x 9.81 x 3075) = 0.3506 m).
TEST(WeatherCriterion, SteadyHeelBeyondTheGuideIsNoted) {
  FloatingBody body;
  test_support::makeMeshedBox(body, Vec3(0, -5, 0), Vec3(60, 10, 10), 3, 2, 2);
  LoadedCondition c;
  c.volume = 3000;
  c.gravity = Vec3(30, 0, 2.5 + 5.0 / 3 - 1);
  c.waterPlane = Plane(0, 0, 1, -5);
  c.GM0 = 1;
  CriteriaInputs inputs;
  inputs.windage = Windage{3000, 7};
  const CriteriaAssessment a = assessCriteria(body, c, CriteriaSet::kIs2008, inputs);
  ASSERT_TRUE(a.sides[0].weather && a.sides[0].weather->phi0Deg);
  EXPECT_GT(*a.sides[0].weather->phi0Deg, 16);
  EXPECT_LT(*a.sides[0].weather->phi0Deg, 45);  // still wall-sided
  const double t = std::tan(rad(*a.sides[0].weather->phi0Deg));
  EXPECT_NEAR(std::sin(rad(*a.sides[0].weather->phi0Deg)) * (1 + 5.0 / 6 * t * t),
              a.sides[0].weather->lw1, 1e-9);
  ASSERT_EQ(a.notes.size(), 2u);  // one per side
  EXPECT_NE(a.notes[0].find("beyond the guide of 16"), std::string::npos) << a.notes[0];
}

}  // namespace
