#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "stability/area_ratio.h"
#include "stability/criteria_assessment.h"
#include "stability/intact_criteria.h"
#include "support/shapes.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

double rad(double degrees) {
  return degrees * kPi / 180;
}

// The wall-sided box 60 x 10 x 10 m (x 0..60, y -5..5, z 0..10) floating upright at the draft
// T = 5 m: V = 3000 m^3, KB = 2.5 m, BM = B^2 / (12 T) = 5/3 m. With KG = 19/6 m, GM = 1 m. Its
// sides stay wall-sided up to 45 degrees (the deck edge and the bilge reach the water together),
// where GZ = sin(phi) (GM + BM tan^2(phi) / 2) and the area from 0 is
// GM (1 - cos phi) + BM / 2 (sec phi + cos phi - 2).
struct TallBox {
  static constexpr double L = 60, B = 10, D = 10, T = 5;
  double KG;
  double BM() const { return B * B / (12 * T); }
  double GM() const { return T / 2 + BM() - KG; }
  double gz(double deg) const {
    const double t = std::tan(rad(deg));
    return std::sin(rad(deg)) * (GM() + BM() * t * t / 2);
  }
  double area(double deg) const {
    const double c = std::cos(rad(deg));
    return GM() * (1 - c) + BM() / 2 * (1 / c + c - 2);
  }
  void build(FloatingBody& body) const {
    test_support::makeMeshedBox(body, Vec3(0, -B / 2, 0), Vec3(L, B, D), 3, 2, 2);
  }
  LoadedCondition condition() const {
    LoadedCondition c;
    c.volume = L * B * T;
    c.gravity = Vec3(L / 2, 0, KG);
    c.waterPlane = Plane(0, 0, 1, -T);
    c.GM0 = GM();
    return c;
  }
  // An opening on the +y side at mid-length that submerges at the heel phi: with the waterline
  // turning about the centre line at the draft (wall-sided), a point B / 2 out at the height
  // T + B / 2 tan(phi) reaches the water at phi.
  static Opening openingAt(double phiDeg) {
    return Opening{"vent", Vec3(L / 2, B / 2, T + B / 2 * std::tan(rad(phiDeg)))};
  }
};

const CriterionResult& result(const CriteriaAssessment& a, const std::string& id) {
  for (const CriterionResult& r : a.results) {
    if (r.id == id)
      return r;
  }
  throw std::runtime_error("no result " + id);
}

// GM = 0.5 m and a vent that floods at 32 degrees: the areas to 30 and to 32 degrees pass, but
// between 30 and the flooding angle there is only A(32) - A(30) = 0.0144 m rad < 0.03. Every other
// criterion holds: this box fails exactly one.
TEST(IntactCriteria, BoxFailsExactlyTheAreaBetween30AndFlooding) {
  const TallBox box{TallBox::T / 2 + 5.0 / 3 - 0.5};
  FloatingBody body;
  box.build(body);
  CriteriaInputs inputs;
  inputs.openings = {TallBox::openingAt(32)};
  const CriteriaAssessment a = assessCriteria(body, box.condition(), CriteriaSet::kIs2008, inputs);
  ASSERT_EQ(a.results.size(), 6u);  // no windage: no weather criterion
  ASSERT_EQ(a.notes.size(), 1u);
  ASSERT_TRUE(a.sides[0].flooding.has_value());
  EXPECT_NEAR(a.sides[0].flooding->heelDeg, 32, 1e-7);
  EXPECT_FALSE(a.sides[1].flooding.has_value());  // the vent never submerges heeling to -y
  EXPECT_NEAR(result(a, "area_0_30").attained, box.area(30), 1e-6 * box.area(30));
  EXPECT_NEAR(result(a, "area_0_40").attained, box.area(32), 1e-6 * box.area(32));
  const double between = box.area(32) - box.area(30);
  EXPECT_NEAR(result(a, "area_30_40").attained, between, 1e-5 * between);
  EXPECT_EQ(result(a, "area_30_40").side, 1);
  EXPECT_NEAR(result(a, "gm0").attained, 0.5, 1e-12);
  int failed = 0;
  for (const CriterionResult& r : a.results) {
    failed += r.pass ? 0 : 1;
    EXPECT_EQ(r.pass, r.id != "area_30_40") << r.id << " attained " << r.attained;
  }
  EXPECT_EQ(failed, 1);
  EXPECT_FALSE(a.pass);
  // The curve the assessment evaluated is the wall-sided one where it is wall-sided.
  for (const auto& point : a.curve) {
    if (std::fabs(point.first) < 44) {
      EXPECT_NEAR(point.second, box.gz(point.first), 1e-9) << point.first;
    }
  }
}

// The general criteria as functions of an analytic curve: each attained value is the curve's.
TEST(IntactCriteria, GeneralCriteriaReadTheCurve) {
  const TallBox box{TallBox::T / 2 + 5.0 / 3 - 1.0};  // GM = 1
  SampledCurve gz([&](double h) { return box.gz(h); });
  CurveSide side;
  side.gz = &gz;
  const std::vector<CriterionResult> r = generalCriteria(side, box.GM());
  ASSERT_EQ(r.size(), 6u);
  EXPECT_EQ(r[0].id, "area_0_30");
  EXPECT_NEAR(r[0].attained, box.area(30), 1e-7 * box.area(30));
  EXPECT_NEAR(r[1].attained, box.area(40), 1e-7 * box.area(40));
  EXPECT_NEAR(r[2].attained, box.area(40) - box.area(30), 1e-6);
  // The wall-sided formula keeps rising: its largest arm from 30 to 90 degrees is at 90, where
  // tan grows without bound; cut off the curve at 60 instead.
  SampledCurve capped([&](double h) { return box.gz(std::fmin(h, 60)); });
  side.gz = &capped;
  EXPECT_NEAR(gzAt30OrMore(side).attained, box.gz(60), 1e-9);
  EXPECT_NEAR(angleOfMaximumGz(side).attained, 60, 1e-3);
  // A flooding angle below 30 degrees leaves no area between 30 and it.
  side.floodingDeg = 25;
  EXPECT_EQ(area30To40(side).attained, 0);
  EXPECT_FALSE(area30To40(side).pass);
  EXPECT_NEAR(areaTo40(side).attained, box.area(25), 1e-7);
  EXPECT_TRUE(initialGm(0.15, 1).pass);
  EXPECT_FALSE(initialGm(0.1499, 1).pass);
  EXPECT_FALSE(judged("x", "m", 1, std::nan("")).pass);
}

// The flooding angle is the least over the openings, and an opening already under water floods at
// the start.
TEST(FloodingAngle, LeastHeelAtWhichAnOpeningReachesTheWater) {
  // A plane through the x axis turned by the heel: z = y tan(heel) on the +y side is its water.
  const auto planeAt = [](double heel) {
    return Plane(0, -std::sin(rad(heel)), std::cos(rad(heel)), 0);
  };
  const std::vector<Opening> openings = {{"high", Vec3(0, 4, 3)}, {"low", Vec3(0, 4, 2)}};
  const std::optional<FloodingPoint> f = floodingAngle(openings, planeAt, 0);
  ASSERT_TRUE(f.has_value());
  EXPECT_EQ(f->opening, "low");
  EXPECT_NEAR(f->heelDeg, std::atan(0.5) * 180 / kPi, 1e-8);
  const std::optional<FloodingPoint> wet = floodingAngle({{"wet", Vec3(0, 0, -1)}}, planeAt, 3);
  ASSERT_TRUE(wet.has_value());
  EXPECT_EQ(wet->heelDeg, 3);
  EXPECT_FALSE(floodingAngle({{"other side", Vec3(0, -4, 2)}}, planeAt, 0).has_value());
  EXPECT_FALSE(floodingAngle({}, planeAt, 0).has_value());
}

// The area-ratio criterion on GZ = sin(2 phi) (metres) against a constant wind arm of 0.3 m: the
// intercepts are at phi1 = asin(0.3) / 2 = 8.7263 and 90 - phi1 = 81.2737 degrees; up to the
// second the righting area is (1 - cos(2 x 81.2737)) / 2 = 0.97697 m rad and the heeling area
// 0.3 x 1.41850 = 0.42555 m rad: ratio 2.2958. A flooding angle of 60 degrees cuts both: 0.75
// against 0.3 pi / 3 = 0.31416, ratio 2.3873.
TEST(AreaRatio, AreasUpToTheSecondInterceptOrTheFloodingAngle) {
  SampledCurve gz([](double h) { return std::sin(rad(2 * h)); });
  CurveSide side;
  side.gz = &gz;
  const HeelingArmTable wind({{0, 0.3}, {90, 0.3}});
  const AreaRatioOutcome o = areaRatioConstruction(side, wind);
  const double first = std::asin(0.3) / 2 * 180 / kPi;
  ASSERT_TRUE(o.firstInterceptDeg && o.secondInterceptDeg);
  EXPECT_NEAR(*o.firstInterceptDeg, first, 1e-8);
  EXPECT_NEAR(*o.secondInterceptDeg, 90 - first, 1e-8);
  EXPECT_NEAR(o.rightingArea, (1 - std::cos(rad(2 * (90 - first)))) / 2, 1e-7);
  EXPECT_NEAR(o.heelingArea, 0.3 * rad(90 - first), 1e-12);
  EXPECT_NEAR(o.ratio, 2.2958, 1e-4);
  EXPECT_TRUE(areaRatioCriterion(o, 1).pass);
  side.floodingDeg = 60;
  const AreaRatioOutcome flooded = areaRatioConstruction(side, wind);
  EXPECT_NEAR(flooded.rightingArea, 0.75, 1e-7);
  EXPECT_NEAR(flooded.heelingArea, 0.3 * kPi / 3, 1e-12);
  EXPECT_NEAR(flooded.ratio, 2.3873, 1e-4);
  // A wind arm close to the curve's maximum: the righting area falls short of 1.3 times.
  const HeelingArmTable strong({{0, 0.9}, {90, 0.9}});
  const AreaRatioOutcome weak = areaRatioConstruction(side, strong);
  EXPECT_LT(weak.ratio, kRequiredAreaRatio);
  EXPECT_FALSE(areaRatioCriterion(weak, 1).pass);
}

// The heeling-arm table: linear between rows, constant beyond, its area exact.
TEST(AreaRatio, HeelingArmTableIsPiecewiseLinear) {
  const HeelingArmTable t({{0, 1.0}, {30, 0.4}, {60, 0.1}});
  EXPECT_DOUBLE_EQ(t.at(-5), 1.0);
  EXPECT_DOUBLE_EQ(t.at(15), 0.7);
  EXPECT_DOUBLE_EQ(t.at(45), 0.25);
  EXPECT_DOUBLE_EQ(t.at(80), 0.1);
  // 0..30: (1 + 0.4) / 2 x 30, 30..60: (0.4 + 0.1) / 2 x 30, 60..70: 0.1 x 10 (degrees).
  EXPECT_NEAR(t.areaBetween(0, 70), rad(21 + 7.5 + 1), 1e-15);
  EXPECT_NEAR(t.areaBetween(15, 45), rad((0.7 + 0.4) / 2 * 15 + (0.4 + 0.25) / 2 * 15), 1e-15);
  EXPECT_EQ(heelingArmTableProblem({}), "the wind heeling-arm table has no rows");
  EXPECT_NE(heelingArmTableProblem({{0, 1}, {0, 2}}), "");
  EXPECT_EQ(heelingArmTableProblem({{0, 1}, {10, 2}}), "");
}

}  // namespace
