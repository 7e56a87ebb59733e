#include "solver/righting_arm.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "support/shapes.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

double rad(double degrees) {
  return degrees * kPi / 180;
}

// A wall-sided box L x B x D meshed into n x n x n hexahedra from the corner o, floating at the
// draft T with G at the height KG above the keel, offset from the box's middle by ex along its
// length and ey across it.
struct BoxCase {
  const char* name;
  double L, B, D, T, KG, ex, ey;
  int n;
  Vec3 o;

  double BM() const { return B * B / (12 * T); }
  double GM() const { return T / 2 + BM() - KG; }
  double GML() const { return T / 2 + L * L / (12 * T) - KG; }
  double BML() const { return L * L / (12 * T); }
  // Wall-sided righting arm, valid while neither the deck edge nor the bilge leaves its side:
  // GZ = sin(phi) (GM + BM tan^2(phi) / 2), less the arm cos(phi) ey of G's offset across.
  double gz(double phi) const {
    const double t = std::tan(phi);
    return std::sin(phi) * (GM() + BM() * t * t / 2) - ey * std::cos(phi);
  }
  double wallSidedLimitDeg() const { return std::atan(std::fmin(T, D - T) / (B / 2)) * 180 / kPi; }
  double volume() const { return L * B * T; }
  Vec3 gravity() const { return o + Vec3(L / 2 + ex, B / 2 + ey, KG); }

  void build(FloatingBody& body) const {
    test_support::makeMeshedBox(body, o, Vec3(L, B, D), n, n, n);
  }
};

double heelOf(const Plane& p) {
  return std::atan2(-p.B, p.C) * 180 / kPi;
}

class WallSidedBox : public testing::TestWithParam<BoxCase> {};

// Over the wall-sided range the curve follows the formula to 1e-6 relative, the heel of every
// water plane is the one held, and the trim stays level (G lies over the middle of the length).
TEST_P(WallSidedBox, FollowsTheWallSidedFormula) {
  const BoxCase c = GetParam();
  FloatingBody body;
  c.build(body);
  const HeelRange range{0, std::floor(c.wallSidedLimitDeg()), 2.5};
  const RightingArmCurve curve = computeRightingArmCurve(body, c.volume(), c.gravity(), range);
  ASSERT_EQ(curve.points.size(), static_cast<size_t>(range.count()));
  for (const RightingArmPoint& p : curve.points) {
    SCOPED_TRACE(testing::Message() << "heel " << p.heelDeg);
    const double expected = c.gz(rad(p.heelDeg));
    EXPECT_NEAR(p.gz, expected, 1e-6 * std::fabs(expected) + 1e-12 * c.B);
    EXPECT_NEAR(heelOf(p.waterPlane), p.heelDeg, 1e-12);
    EXPECT_NEAR(p.trimDeg, 0, 1e-9);
    EXPECT_TRUE(p.trimFound);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, WallSidedBox,
    testing::Values(BoxCase{"OneHexahedron", 20, 10, 8, 3, 3, 0, 0, 1, Vec3(0, 0, 0)},
                    BoxCase{"MeshedAwayFromTheOrigin", 40, 12, 6, 2.5, 4, 0, 0, 3, Vec3(-7, 31, 5)},
                    BoxCase{"NegativeGM", 20, 10, 8, 3, 6, 0, 0, 2, Vec3(0, 0, 0)},
                    BoxCase{"GravityOffTheMiddle", 30, 8, 5, 2, 2.2, 0, 0.3, 2, Vec3(1e3, 0, 0)}),
    [](const testing::TestParamInfo<BoxCase>& param) { return std::string(param.param.name); });

// With G ahead of the middle by e, the trim theta the search settles on must balance the
// longitudinal wall-sided arm, tan(theta) (GML + BML tan^2(theta) / 2) = e, to the balance
// tolerance of 1e-6 of the bounds' diagonal. At every heel the lines of action are then apart by
// GZ alone: the whole horizontal part of B - G lies across the body.
TEST(RightingArm, TrimBalancesAnOffCentreWeight) {
  const BoxCase c{"", 20, 10, 8, 3, 3, 0.8, 0, 2, Vec3(0, 0, 0)};
  FloatingBody body;
  c.build(body);
  const RightingArmCurve curve =
      computeRightingArmCurve(body, c.volume(), c.gravity(), HeelRange{-20, 20, 10});
  ASSERT_EQ(curve.points.size(), 5u);
  const RightingArmPoint& upright = curve.points[2];
  const double t = std::tan(rad(upright.trimDeg));
  const double tolerance = 1e-6 * body.bounds.diagonal();
  EXPECT_NEAR(t * (c.GML() + c.BML() * t * t / 2), c.ex, tolerance);
  for (const RightingArmPoint& p : curve.points) {
    EXPECT_TRUE(p.trimFound);
    EXPECT_LE(std::fabs(p.longitudinalArm), tolerance);
    const Vec3 n(p.waterPlane.A, p.waterPlane.B, p.waterPlane.C);
    const Vec3 d = p.buoyancyCentre - c.gravity();
    EXPECT_NEAR((d - n * d.dot(n)).length(), std::fabs(p.gz), tolerance);
    EXPECT_GT(p.trimDeg, 0);  // the +x end, where G lies, goes deeper
  }
  EXPECT_NEAR(upright.gz, 0, 1e-12);
  EXPECT_LT(curve.draftSearches, 5 * 8);
}

// Where the trim runs smoothly from heel to heel, the guess extrapolated from the heels before
// balances the trim at once; and the curve's trial planes leave the elements with the cut results
// of the body's own equilibrium.
TEST(RightingArm, SmoothCurveCostsAboutOneSearchPerHeelAndKeepsTheEquilibrium) {
  const BoxCase c{"", 20, 10, 8, 3, 3, 0.8, 0.3, 2, Vec3(0, 0, 0)};
  FloatingBody body;
  c.build(body);
  body.prepareFastEvaluation(1);
  Plane plane;
  Vec3 centre;
  body.findWaterPlane(plane, centre, c.volume(), Vec3(0.01, 0, 1));
  const Hexahedron before = body.hexahedra[body.hexahedronCount - 1];
  const RightingArmCurve curve =
      computeRightingArmCurve(body, c.volume(), c.gravity(), HeelRange{0, 20, 1});
  ASSERT_EQ(curve.points.size(), 21u);
  EXPECT_LT(curve.draftSearches, 21 * 3 / 2);

  const Hexahedron& after = body.hexahedra[body.hexahedronCount - 1];
  EXPECT_EQ(after.waterPlane.D, before.waterPlane.D);
  EXPECT_EQ(after.submergedVolume, before.submergedVolume);
  EXPECT_EQ(after.submergedCentroid.z, before.submergedCentroid.z);
  // Most planes are placed by Newton steps on the level, not by the draft search: each holds the
  // displacement to the draft search's tolerance all the same.
  for (const RightingArmPoint& p : curve.points) {
    Plane held = p.waterPlane;
    EXPECT_LT(std::fabs(body.computeSubmergedVolume(held) / c.volume() - 1), 1e-10) << p.heelDeg;
  }
}

// A body mirrored in y = 0 of all three element kinds with exact mirror coordinates: upright it
// has no righting arm, and its curve is odd: GZ(-phi) = -GZ(phi) with the same trim, to what the
// trim's balance tolerance (1e-6 of the diagonal, about 1e-6 radians of trim here) leaves.
TEST(RightingArm, SymmetricBodyHasNoArmUprightAndAnOddCurve) {
  std::vector<Hexahedron> hexahedra;
  std::vector<TrianglePrism> prisms;
  std::vector<Tetrahedron> tetrahedra;
  for (const double side : {1.0, -1.0}) {
    const auto m = [side](double x, double y, double z) { return Vec3(x, side * y, z); };
    hexahedra.push_back(test_support::boxHexahedron(m(0, 0, 0), 12, side * 3, 2));
    const Vec3 keel[6] = {m(0, 0, -1),  m(0, 0, 0),  m(0, 3, 0),
                          m(12, 0, -1), m(12, 0, 0), m(12, 3, 0)};
    TrianglePrism prism;
    prism.setVertices(keel, 6);
    prisms.push_back(prism);
    tetrahedra.emplace_back(m(2, 0, 2), m(6, 0, 2), m(2, 2, 2), m(3, 0, 4));
  }
  FloatingBody body;
  test_support::fillBody(body, tetrahedra, hexahedra, prisms, {});
  body.boundingBox();
  const RightingArmCurve curve =
      computeRightingArmCurve(body, 70, Vec3(5.5, 0, 1.2), HeelRange{-50, 50, 10});
  const auto& p = curve.points;
  ASSERT_EQ(p.size(), 11u);
  EXPECT_NEAR(p[5].gz, 0, 1e-13);
  for (size_t i = 0; i < 5; ++i) {
    SCOPED_TRACE(testing::Message() << "heel " << p[10 - i].heelDeg);
    EXPECT_NEAR(p[i].gz, -p[10 - i].gz, 2e-6 * std::fabs(p[10 - i].gz));
    EXPECT_NEAR(p[i].trimDeg, p[10 - i].trimDeg, 2e-4);
    EXPECT_GT(p[10 - i].gz, 0);
  }
}

// G low, so the box upright is unstable (GM < 0), and off to -y, so the arm upright is +|ey|: the
// wall-sided arm sin(phi) (GM + BM tan^2 / 2) - ey cos(phi) vanishes where tan(phi) (GM + BM tan^2
// / 2) = ey. With ey chosen for 20 degrees the curve passes from positive to negative there.
TEST(RightingArm, CurveVanishesWhereTheHandCalculationPutsIt) {
  BoxCase c{"", 20, 10, 8, 3, 6, 0, 0, 2, Vec3(0, 0, 0)};
  const double t = std::tan(rad(20));
  c.ey = t * (c.GM() + c.BM() * t * t / 2);
  ASSERT_LT(c.ey, 0);
  FloatingBody body;
  c.build(body);
  const RightingArmCurve curve =
      computeRightingArmCurve(body, c.volume(), c.gravity(), HeelRange{0, 30, 3});
  ASSERT_TRUE(curve.summary.vanishingHeelDeg.has_value());
  // The summary interpolates linearly between 18 and 21 degrees.
  const double g18 = c.gz(rad(18)), g21 = c.gz(rad(21));
  EXPECT_NEAR(*curve.summary.vanishingHeelDeg, 18 + 3 * g18 / (g18 - g21), 1e-5);
  EXPECT_NEAR(*curve.summary.vanishingHeelDeg, 20, 0.1);
  EXPECT_NEAR(*curve.summary.maxHeelDeg, 0, 1e-12);  // largest at the start of the range
}

// An upright cylinder with G off its axis along x: lying on its side (heel 90) it can only turn
// about its own axis, which no trim balances; the heels on either side still find theirs.
TEST(RightingArm, AHeelWithoutABalancedTrimDoesNotLeadTheNextAstray) {
  FloatingBody body;
  test_support::fillBody(body, {}, {}, {}, {Cylinder(Vec3(0, 0, 0), Vec3(0, 0, 40), 5)});
  body.boundingBox();
  const RightingArmCurve curve =
      computeRightingArmCurve(body, 1500, Vec3(0.4, 0, 12), HeelRange{60, 120, 30});
  ASSERT_EQ(curve.points.size(), 3u);
  EXPECT_TRUE(curve.points[0].trimFound);
  EXPECT_FALSE(curve.points[1].trimFound);
  EXPECT_TRUE(curve.points[2].trimFound);
}

RightingArmPoint point(double heel, double gz) {
  RightingArmPoint p;
  p.heelDeg = heel;
  p.gz = gz;
  return p;
}

// Summaries of curves known exactly: a straight line GZ = heel in radians, integrated exactly by
// the trapezoid rule (also when 30 and 40 fall between points), and a parabola whose vertex the
// three-point refinement finds exactly.
TEST(RightingArmSummary, ExactOnLinesAndParabolas) {
  std::vector<RightingArmPoint> line;
  for (double h = -10; h <= 45; h += 7)
    line.push_back(point(h, rad(h)));
  line.push_back(point(45, rad(45)));
  RightingArmSummary s = summarizeRightingArm(line);
  EXPECT_NEAR(*s.area30, rad(30) * rad(30) / 2, 1e-15);
  EXPECT_NEAR(*s.area40, rad(40) * rad(40) / 2, 1e-15);
  EXPECT_FALSE(s.vanishingHeelDeg.has_value());

  std::vector<RightingArmPoint> arch;
  for (int h = 0; h <= 80; h += 5)
    arch.push_back(point(h, 1 - (h - 37) * (h - 37) / 900.0));
  s = summarizeRightingArm(arch);
  EXPECT_NEAR(*s.maxHeelDeg, 37, 1e-12);
  EXPECT_NEAR(*s.maxGz, 1, 1e-14);
  EXPECT_NEAR(*s.vanishingHeelDeg,
              65 + 5 * (1 - 28.0 * 28 / 900) / (33.0 * 33 / 900 - 28.0 * 28 / 900), 1e-12);

  // A range that starts above 0 or ends below 30 has no areas.
  s = summarizeRightingArm({point(5, 1), point(50, 1)});
  EXPECT_FALSE(s.area30.has_value());
  s = summarizeRightingArm({point(0, 1), point(35, 1)});
  EXPECT_NEAR(*s.area30, rad(30), 1e-15);
  EXPECT_FALSE(s.area40.has_value());
}

TEST(HeelRange, CountsTheAnglesUpToTheEnd) {
  EXPECT_EQ((HeelRange{0, 60, 5}.count()), 13);
  EXPECT_EQ((HeelRange{0, 0.3, 0.1}.count()), 4);  // 0.3 / 0.1 falls a rounding short of 3
  EXPECT_EQ((HeelRange{0, 59, 5}.count()), 12);
  EXPECT_EQ((HeelRange{10, 10, 1}.count()), 1);
  EXPECT_EQ((HeelRange{10, 0, 1}.count()), 0);
  EXPECT_EQ((HeelRange{0, 10, 0}.count()), 0);
}

}  // namespace
