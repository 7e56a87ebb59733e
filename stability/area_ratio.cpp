#include "stability/area_ratio.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180;

}  // namespace

HeelingArmTable::HeelingArmTable(std::vector<std::pair<double, double>> rows)
    : rows_(std::move(rows)) {}

double HeelingArmTable::at(double heelDeg) const {
  if (rows_.empty())
    return 0;
  if (heelDeg <= rows_.front().first)
    return rows_.front().second;
  for (size_t i = 1; i < rows_.size(); ++i) {
    if (heelDeg <= rows_[i].first) {
      const auto &a = rows_[i - 1], &b = rows_[i];
      return a.second + (b.second - a.second) * (heelDeg - a.first) / (b.first - a.first);
    }
  }
  return rows_.back().second;
}

double HeelingArmTable::areaBetween(double a, double b) const {
  if (!(b > a))
    return 0;
  // The trapezoids between the breakpoints inside (a, b): exact for a piecewise linear arm.
  std::vector<double> cuts{a};
  for (const auto& row : rows_) {
    if (row.first > a && row.first < b)
      cuts.push_back(row.first);
  }
  cuts.push_back(b);
  double area = 0;
  for (size_t i = 0; i + 1 < cuts.size(); ++i)
    area += 0.5 * (at(cuts[i]) + at(cuts[i + 1])) * (cuts[i + 1] - cuts[i]) * kRadiansPerDegree;
  return area;
}

std::string heelingArmTableProblem(const std::vector<std::pair<double, double>>& rows) {
  if (rows.empty())
    return "the wind heeling-arm table has no rows";
  for (size_t i = 0; i < rows.size(); ++i) {
    if (!std::isfinite(rows[i].first) || !std::isfinite(rows[i].second))
      return "row " + std::to_string(i + 1) + " of the wind heeling-arm table is not two numbers";
    if (i > 0 && !(rows[i].first > rows[i - 1].first))
      return "the heels of the wind heeling-arm table do not increase at row " +
             std::to_string(i + 1);
  }
  return "";
}

AreaRatioOutcome areaRatioConstruction(const CurveSide& c, const HeelingArmTable& arm) {
  AreaRatioOutcome o;
  SampledCurve& gz = *c.gz;
  // The righting arm less the heeling arm: negative at the equilibrium (the wind's arm there is
  // unbalanced), positive between the intercepts.
  SampledCurve excess([&](double heel) { return gz(heel) - arm.at(heel); });
  o.firstInterceptDeg = firstCrossing(excess, 0, c.equilibriumDeg, kCurveEndDeg);
  if (o.firstInterceptDeg) {
    const double past = std::fmin(*o.firstInterceptDeg + kScanStepDeg, kCurveEndDeg);
    o.secondInterceptDeg = excess(past) > 0
                               ? firstCrossing(excess, 0, past, kCurveEndDeg)
                               : firstCrossing(excess, 0, *o.firstInterceptDeg + 1e-6, past);
  }
  o.limitDeg = o.secondInterceptDeg ? *o.secondInterceptDeg : kCurveEndDeg;
  if (c.floodingDeg)
    o.limitDeg = std::fmin(o.limitDeg, *c.floodingDeg);
  if (o.limitDeg > c.equilibriumDeg) {
    o.rightingArea = areaUnder(gz, c.equilibriumDeg, o.limitDeg);
    o.heelingArea = arm.areaBetween(c.equilibriumDeg, o.limitDeg);
  }
  o.ratio = o.rightingArea / o.heelingArea;
  return o;
}

CriterionResult areaRatioCriterion(const AreaRatioOutcome& o, int side) {
  CriterionResult r = judged("area_ratio", "", kRequiredAreaRatio, o.ratio);
  r.side = side;
  return r;
}
