#include "stability/intact_criteria.h"

#include <algorithm>
#include <cmath>

CriterionResult judged(std::string id, std::string unit, double required, double attained) {
  CriterionResult r;
  r.id = std::move(id);
  r.unit = std::move(unit);
  r.required = required;
  r.attained = attained;
  r.pass = attained >= required;
  return r;
}

namespace {

// The upper end of an area: the angle, or the flooding angle when that is less.
double upTo(const CurveSide& c, double angleDeg) {
  return c.floodingDeg ? std::fmin(angleDeg, *c.floodingDeg) : angleDeg;
}

// The area from a to b, none (0) when b does not lie beyond a.
double areaBetween(const CurveSide& c, double a, double b) {
  return b > a ? areaUnder(*c.gz, a, b) : 0;
}

CriterionResult onSide(CriterionResult r, const CurveSide& c) {
  r.side = c.side;
  return r;
}

}  // namespace

CriterionResult areaTo30(const CurveSide& c) {
  return onSide(judged("area_0_30", "m rad", 0.055, areaBetween(c, c.equilibriumDeg, 30)), c);
}

CriterionResult areaTo40(const CurveSide& c) {
  return onSide(judged("area_0_40", "m rad", 0.09, areaBetween(c, c.equilibriumDeg, upTo(c, 40))),
                c);
}

CriterionResult area30To40(const CurveSide& c) {
  const double from = std::fmax(30, c.equilibriumDeg);
  return onSide(judged("area_30_40", "m rad", 0.03, areaBetween(c, from, upTo(c, 40))), c);
}

CriterionResult gzAt30OrMore(const CurveSide& c) {
  const double from = std::fmax(30, c.equilibriumDeg);
  return onSide(judged("gz_30", "m", 0.20, maximumOf(*c.gz, from, kCurveEndDeg).value), c);
}

CriterionResult angleOfMaximumGz(const CurveSide& c) {
  return onSide(
      judged("angle_max_gz", "deg", 25, maximumOf(*c.gz, c.equilibriumDeg, kCurveEndDeg).heelDeg),
      c);
}

CriterionResult initialGm(double gm0, int side) {
  CriterionResult r = judged("gm0", "m", 0.15, gm0);
  r.side = side;
  return r;
}

std::vector<CriterionResult> generalCriteria(const CurveSide& c, double gm0) {
  return {areaTo30(c),     areaTo40(c),         area30To40(c),
          gzAt30OrMore(c), angleOfMaximumGz(c), initialGm(gm0, c.side)};
}
