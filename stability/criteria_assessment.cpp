#include "stability/criteria_assessment.h"

#include <cmath>
#include <map>
#include <memory>

#include "solver/righting_arm.h"
#include "submerged/waterline_extent.h"

namespace {

// The body's own curve, each heel balanced once: the righting arm and the water plane.
class CurveCache {
 public:
  explicit CurveCache(std::unique_ptr<RightingArmProbe> probe) : probe_(std::move(probe)) {}
  const RightingArmPoint& at(double heelDeg) {
    auto found = points_.find(heelDeg);
    if (found == points_.end())
      found = points_.emplace(heelDeg, probe_->at(heelDeg)).first;
    return found->second;
  }
  const std::map<double, RightingArmPoint>& points() const { return points_; }

 private:
  std::unique_ptr<RightingArmProbe> probe_;
  std::map<double, RightingArmPoint> points_;
};

constexpr double kDegree = 3.14159265358979323846 / 180;

// The heel near startDeg at which the curve's righting arm vanishes: secant steps from startDeg,
// the first one along the initial slope GM0 per radian. startDeg itself when the steps do not
// settle within a few degrees of it (a curve too flat or too bent there to follow).
double curveZero(CurveCache& cache, double startDeg, double GM0) {
  double h0 = startDeg;
  double g0 = cache.at(h0).gz;
  if (g0 == 0 || !(GM0 > 0))
    return startDeg;
  double h1 = h0 - g0 / (GM0 * kDegree);
  for (int step = 0; step < 40; ++step) {
    if (!(std::fabs(h1 - startDeg) <= 15))
      return startDeg;
    const double g1 = cache.at(h1).gz;
    if (g1 == 0 || std::fabs(h1 - h0) <= 1e-9)
      return h1;
    const double slope = (g1 - g0) / (h1 - h0);
    if (!(slope > 0))
      return startDeg;
    h0 = h1;
    g0 = g1;
    h1 = h1 - g1 / slope;
  }
  return h1;
}

double heelDegreesOf(const Plane& p) {
  return std::atan2(-p.B, p.C) * (180 / 3.14159265358979323846);
}

// The relative margin by which a side's results are compared: NaN (not attained) counts lowest.
double relativeMargin(const CriterionResult& r) {
  const double m = r.margin() / std::fabs(r.required);
  return std::isnan(m) ? -HUGE_VAL : m;
}

RollParticulars rollParticulars(FloatingBody& body, const LoadedCondition& condition,
                                const CriteriaInputs& inputs) {
  RollParticulars p;
  p.draught = meanDraught(body, condition.waterPlane);
  HydrostaticSettings settings;
  settings.density = inputs.density;
  const HydrostaticRow row = hydrostaticsAtDraft(body, p.draught, settings);
  p.breadth = row.waterlineBreadth;
  p.waterlineLength = row.waterlineLength;
  p.blockCoefficient = row.Cb;
  p.KG = condition.gravity.z;
  p.GM = condition.GM0;
  p.bilgeKeelArea = inputs.bilgeKeelArea;
  p.sharpBilges = inputs.sharpBilges;
  return p;
}

}  // namespace

const char* criteriaSetName(CriteriaSet set) {
  return set == CriteriaSet::kAreaRatio ? "area-ratio" : "is2008";
}

double meanDraught(const FloatingBody& body, const Plane& waterPlane) {
  const BoundingBox box = waterlineBounds(body, waterPlane);
  const double x = box.xMax >= box.xMin ? 0.5 * (box.xMin + box.xMax) : 0;
  // A + C z + D = 0 at (x, 0, z).
  return -(waterPlane.A * x + waterPlane.D) / waterPlane.C;
}

std::optional<FloodingPoint> floodingAngle(const std::vector<Opening>& openings,
                                           const std::function<Plane(double)>& planeAt,
                                           double fromDeg) {
  std::optional<FloodingPoint> least;
  for (const Opening& opening : openings) {
    SampledCurve height([&](double heel) {
      const Plane p = planeAt(heel);
      return p.value(opening.point) / std::sqrt(p.A * p.A + p.B * p.B + p.C * p.C);
    });
    // Under water is a height of 0 or less (a point on the plane is submerged).
    std::optional<double> heel =
        height(fromDeg) <= 0 ? fromDeg : firstCrossing(height, 0, fromDeg, kCurveEndDeg);
    if (heel && (!least || *heel < least->heelDeg))
      least = FloodingPoint{opening.name, *heel};
  }
  return least;
}

namespace {

CriteriaAssessment assess(FloatingBody& body, CurveCache& cache, const LoadedCondition& condition,
                          double equilibrium, CriteriaSet set, const CriteriaInputs& inputs) {
  CriteriaAssessment a;
  a.set = set;
  a.displacement = inputs.density * condition.volume;
  if (set == CriteriaSet::kAreaRatio)
    a.windHeelingArm = inputs.windHeelingArm;
  const bool weather = set == CriteriaSet::kIs2008 && inputs.windage.has_value();
  if (weather)
    a.roll = rollParticulars(body, condition, inputs);
  if (set == CriteriaSet::kIs2008 && !weather)
    a.notes.push_back("the weather criterion is not assessed: no windage was given");
  for (int k = 0; k < 2; ++k) {
    const int side = k == 0 ? 1 : -1;
    SideAssessment& s = a.sides[k];
    s.side = side;
    s.equilibriumDeg = side * equilibrium;
    SampledCurve gz([&](double heel) { return side * cache.at(side * heel).gz; });
    s.flooding = floodingAngle(
        inputs.openings, [&](double heel) { return cache.at(side * heel).waterPlane; },
        s.equilibriumDeg);
    CurveSide c;
    c.gz = &gz;
    c.equilibriumDeg = s.equilibriumDeg;
    c.side = side;
    if (s.flooding)
      c.floodingDeg = s.flooding->heelDeg;
    if (set == CriteriaSet::kIs2008) {
      s.results = generalCriteria(c, condition.GM0);
      if (weather) {
        s.weather = weatherConstruction(c, *inputs.windage, a.displacement, a.roll);
        s.results.push_back(weatherCriterion(*s.weather, side));
      }
    } else if (inputs.windHeelingArm) {
      s.areaRatio = areaRatioConstruction(c, *inputs.windHeelingArm);
      s.results.push_back(areaRatioCriterion(*s.areaRatio, side));
    }
  }
  for (const SideAssessment& s : a.sides) {
    // Part A 2.3.1.2 guides the steady heel below 16 degrees: said, not judged.
    if (s.weather && s.weather->phi0Deg && *s.weather->phi0Deg > s.weather->steadyHeelLimitDeg) {
      a.notes.push_back("the steady wind heels the body to " + std::to_string(*s.weather->phi0Deg) +
                        " degrees towards " + (s.side > 0 ? "+y" : "-y") +
                        ", beyond the guide of " + std::to_string(s.weather->steadyHeelLimitDeg) +
                        " degrees");
    }
  }
  for (size_t i = 0; i < a.sides[0].results.size(); ++i) {
    const CriterionResult& plus = a.sides[0].results[i];
    const CriterionResult& minus = a.sides[1].results[i];
    // The -y side only when it is weaker by more than the curve's own rounding, so that a
    // symmetric body is reported on its +y side.
    const bool weaker = relativeMargin(minus) < relativeMargin(plus) - 1e-9;
    a.results.push_back(weaker ? minus : plus);
    a.pass = a.pass && a.results.back().pass;
  }
  std::vector<double> unbalanced;
  for (const auto& point : cache.points()) {
    a.curve.emplace_back(point.first, point.second.gz);
    if (!point.second.trimFound)
      unbalanced.push_back(point.first);
  }
  if (!unbalanced.empty()) {
    a.notes.push_back("no trim within +-89 degrees balanced the body at " +
                      std::to_string(unbalanced.size()) + " of the heels evaluated (from " +
                      std::to_string(unbalanced.front()) + " to " +
                      std::to_string(unbalanced.back()) +
                      " degrees): the righting arm there is that of the best trim found");
  }
  return a;
}

}  // namespace

CriteriaAssessment assessCriteria(FloatingBody& body, const LoadedCondition& condition,
                                  CriteriaSet set, const CriteriaInputs& inputs) {
  CurveCache cache(std::make_unique<RightingArmProbe>(body, condition.volume, condition.gravity));
  return assess(body, cache, condition, heelDegreesOf(condition.waterPlane), set, inputs);
}

CriteriaAssessment assessCriteria(FloatingBody& body, LoadModel& load,
                                  const LoadedCondition& condition, CriteriaSet set,
                                  const CriteriaInputs& inputs) {
  CurveCache cache(std::make_unique<RightingArmProbe>(body, load));
  double equilibrium = heelDegreesOf(condition.waterPlane);
  // The condition's heel balances its heel moment, which the curve leaves out: the curve's own
  // equilibrium is where its arm vanishes.
  if (load.heelingArms().heel != 0)
    equilibrium = curveZero(cache, equilibrium, condition.GM0);
  return assess(body, cache, condition, equilibrium, set, inputs);
}
