#include "stability/weather_criterion.h"

#include <cmath>
#include <iterator>
#include <limits>

namespace {

struct Row {
  double x, y;
};

// Linear between the rows, the end rows' values beyond them.
template <size_t n>
double lookUp(const Row (&table)[n], double x) {
  if (!(x > table[0].x))
    return std::isnan(x) ? std::numeric_limits<double>::quiet_NaN() : table[0].y;
  for (size_t i = 1; i < n; ++i) {
    if (x <= table[i].x) {
      const Row &a = table[i - 1], &b = table[i];
      return a.y + (b.y - a.y) * (x - a.x) / (b.x - a.x);
    }
  }
  return table[n - 1].y;
}

// Part A 2.3.4, tables 2.3.4-1 to 2.3.4-4.
constexpr Row kX1[] = {{2.4, 1.00}, {2.5, 0.98}, {2.6, 0.96}, {2.7, 0.95}, {2.8, 0.93}, {2.9, 0.91},
                       {3.0, 0.90}, {3.1, 0.88}, {3.2, 0.86}, {3.4, 0.82}, {3.5, 0.80}};
constexpr Row kX2[] = {{0.45, 0.75}, {0.50, 0.82}, {0.55, 0.89},
                       {0.60, 0.95}, {0.65, 0.97}, {0.70, 1.00}};
constexpr Row kK[] = {{0.0, 1.00}, {1.0, 0.98}, {1.5, 0.95}, {2.0, 0.88},
                      {2.5, 0.79}, {3.0, 0.74}, {3.5, 0.72}, {4.0, 0.70}};
constexpr Row kS[] = {{6, 0.100},  {7, 0.098},  {8, 0.093},  {12, 0.065},
                      {14, 0.053}, {16, 0.044}, {18, 0.038}, {20, 0.035}};

// Part A 2.3.1.3: phi2 is at most 50 degrees.
constexpr double kPhi2LimitDeg = 50;
constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180;

}  // namespace

double factorX1(double breadthOverDraught) {
  return lookUp(kX1, breadthOverDraught);
}

double factorX2(double blockCoefficient) {
  return lookUp(kX2, blockCoefficient);
}

double factorK(double keelAreaPercent) {
  return lookUp(kK, keelAreaPercent);
}

double factorS(double rollingPeriod) {
  return lookUp(kS, rollingPeriod);
}

RollAngle rollAngle(const RollParticulars& ship) {
  RollAngle a;
  const double B = ship.breadth, d = ship.draught, L = ship.waterlineLength;
  a.X1 = factorX1(B / d);
  a.X2 = factorX2(ship.blockCoefficient);
  a.k = ship.sharpBilges ? 0.7 : factorK(ship.bilgeKeelArea * 100 / (L * B));
  a.r = 0.73 + 0.6 * (ship.KG - d) / d;
  a.C = 0.373 + 0.023 * (B / d) - 0.043 * (L / 100);
  a.T = 2 * a.C * B / std::sqrt(ship.GM);
  a.s = factorS(a.T);
  a.phi1Deg = 109 * a.k * a.X1 * a.X2 * std::sqrt(a.r * a.s);
  return a;
}

double steadyWindArm(const Windage& windage, double displacement) {
  return kWindPressure * windage.area * windage.lever / (1000 * kGravity * displacement);
}

WeatherOutcome weatherConstruction(const CurveSide& c, const Windage& windage, double displacement,
                                   const RollParticulars& ship) {
  WeatherOutcome w;
  SampledCurve& gz = *c.gz;
  w.lw1 = steadyWindArm(windage, displacement);
  w.lw2 = 1.5 * w.lw1;
  w.roll = rollAngle(ship);
  // Part A 2.3.1.1 and .2: the steady heel under lw1, then the roll to windward from it.
  w.phi0Deg = firstCrossing(gz, w.lw1, c.equilibriumDeg, kCurveEndDeg);
  if (!w.phi0Deg)
    return w;  // no balance under the steady wind: b = 0
  // Part A 2.3.1.3: the gust; the curve crosses lw2 first on the way up, then comes back below.
  w.interceptDeg = firstCrossing(gz, w.lw2, *w.phi0Deg, kCurveEndDeg);
  if (!w.interceptDeg)
    return w;
  const double rollStart = *w.phi0Deg - w.roll.phi1Deg;
  w.areaA = w.lw2 * (*w.interceptDeg - rollStart) * kRadiansPerDegree -
            areaUnder(gz, rollStart, *w.interceptDeg);
  // The second intercept: past the first, where the curve falls below lw2 again. The scan starts
  // one grid step on so that it does not find the first one again.
  const double past = std::fmin(*w.interceptDeg + kScanStepDeg, kCurveEndDeg);
  if (gz(past) > w.lw2)
    w.phicDeg = firstCrossing(gz, w.lw2, past, kCurveEndDeg);
  else
    w.phicDeg = firstCrossing(gz, w.lw2, *w.interceptDeg + 1e-6, past);
  w.phi2Deg = kPhi2LimitDeg;
  if (c.floodingDeg)
    w.phi2Deg = std::fmin(w.phi2Deg, *c.floodingDeg);
  if (w.phicDeg)
    w.phi2Deg = std::fmin(w.phi2Deg, *w.phicDeg);
  if (w.phi2Deg > *w.interceptDeg) {
    w.areaB = areaUnder(gz, *w.interceptDeg, w.phi2Deg) -
              w.lw2 * (w.phi2Deg - *w.interceptDeg) * kRadiansPerDegree;
  }
  w.ratio = w.areaB / w.areaA;
  return w;
}

CriterionResult weatherCriterion(const WeatherOutcome& w, int side) {
  CriterionResult r = judged("weather", "", 1, w.ratio);
  r.side = side;
  return r;
}
