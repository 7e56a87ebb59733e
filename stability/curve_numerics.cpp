#include "stability/curve_numerics.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRadiansPerDegree = kPi / 180;
constexpr int kMaxHalvings = 8;
constexpr double kRelativeAreaTolerance = 1e-6;
constexpr double kAngleResolutionDeg = 1e-9;
constexpr double kMaximumResolutionDeg = 1e-4;

struct Piece {
  double a, b;
  double fa, fm, fb;  // at a, the middle, b
  double simpson;     // (b - a) / 6 (fa + 4 fm + fb), b - a in radians
};

Piece piece(SampledCurve& f, double a, double b, double fa, double fb) {
  const double m = 0.5 * (a + b);
  const double fm = f(m);
  return Piece{a, b, fa, fm, fb, (b - a) * kRadiansPerDegree / 6 * (fa + 4 * fm + fb)};
}

double refine(SampledCurve& f, const Piece& p, double tolerance, int halvings) {
  const double m = 0.5 * (p.a + p.b);
  const Piece left = piece(f, p.a, m, p.fa, p.fm);
  const Piece right = piece(f, m, p.b, p.fm, p.fb);
  const double halves = left.simpson + right.simpson;
  const double difference = halves - p.simpson;
  if (halvings >= kMaxHalvings || std::fabs(difference) <= 15 * tolerance)
    return halves + difference / 15;
  return refine(f, left, tolerance / 2, halvings + 1) +
         refine(f, right, tolerance / 2, halvings + 1);
}

int sign(double v) {
  return v > 0 ? 1 : v < 0 ? -1 : 0;
}

// Narrows [lo, hi], where f - level is gLo at lo and gHi, of the other sign, at hi, to the
// crossing.
double narrow(SampledCurve& f, double level, double lo, double hi, double gLo, double gHi) {
  double wLo = gLo, wHi = gHi;
  int side = 0;
  for (int i = 0; i < 200 && hi - lo > kAngleResolutionDeg; ++i) {
    double x = (lo * wHi - hi * wLo) / (wHi - wLo);
    if (!(x > lo && x < hi))
      x = 0.5 * (lo + hi);
    const double g = f(x) - level;
    if (g == 0)
      return x;
    if (sign(g) == sign(gLo)) {
      lo = x;
      gLo = wLo = g;
      if (side == -1)
        wHi *= 0.5;
      side = -1;
    } else {
      hi = x;
      gHi = wHi = g;
      if (side == 1)
        wLo *= 0.5;
      side = 1;
    }
  }
  return std::fabs(gLo) <= std::fabs(gHi) ? lo : hi;
}

}  // namespace

double SampledCurve::operator()(double heelDeg) {
  const auto found = samples_.find(heelDeg);
  if (found != samples_.end())
    return found->second;
  const double value = f_(heelDeg);
  samples_.emplace(heelDeg, value);
  return value;
}

std::vector<double> scanGrid(double fromDeg, double toDeg) {
  std::vector<double> grid{fromDeg};
  for (double k = std::floor(fromDeg / kScanStepDeg) + 1; k * kScanStepDeg < toDeg; k += 1)
    grid.push_back(k * kScanStepDeg);
  if (toDeg > fromDeg)
    grid.push_back(toDeg);
  return grid;
}

double areaUnder(SampledCurve& f, double fromDeg, double toDeg) {
  if (toDeg < fromDeg)
    return -areaUnder(f, toDeg, fromDeg);
  if (!(toDeg > fromDeg))
    return 0;
  // The first pieces end on the multiples of two grid steps, so their middles lie on the grid.
  std::vector<double> cuts{fromDeg};
  const double width = 2 * kScanStepDeg;
  for (double k = std::floor(fromDeg / width) + 1; k * width < toDeg; k += 1)
    cuts.push_back(k * width);
  cuts.push_back(toDeg);
  std::vector<Piece> pieces;
  double scale = 0;
  for (size_t i = 0; i + 1 < cuts.size(); ++i) {
    pieces.push_back(piece(f, cuts[i], cuts[i + 1], f(cuts[i]), f(cuts[i + 1])));
    const Piece& p = pieces.back();
    scale += (p.b - p.a) * kRadiansPerDegree / 6 *
             (std::fabs(p.fa) + 4 * std::fabs(p.fm) + std::fabs(p.fb));
  }
  const double range = (toDeg - fromDeg) * kRadiansPerDegree;
  const double tolerance = std::fmax(kRelativeAreaTolerance * scale, 1e-12 * range);
  double area = 0;
  for (const Piece& p : pieces)
    area += refine(f, p, tolerance * ((p.b - p.a) * kRadiansPerDegree / range), 0);
  return area;
}

std::optional<double> firstCrossing(SampledCurve& f, double level, double fromDeg, double toDeg) {
  const std::vector<double> grid = scanGrid(fromDeg, toDeg);
  double previous = grid.front();
  double gPrevious = f(previous) - level;
  if (gPrevious == 0)
    return previous;
  for (size_t i = 1; i < grid.size(); ++i) {
    const double g = f(grid[i]) - level;
    if (g == 0)
      return grid[i];
    if (sign(g) != sign(gPrevious))
      return narrow(f, level, previous, grid[i], gPrevious, g);
    previous = grid[i];
    gPrevious = g;
  }
  return std::nullopt;
}

CurveMaximum maximumOf(SampledCurve& f, double fromDeg, double toDeg) {
  const std::vector<double> grid = scanGrid(fromDeg, toDeg);
  size_t best = 0;
  for (size_t i = 0; i < grid.size(); ++i) {
    if (f(grid[i]) > f(grid[best]))
      best = i;
  }
  double lo = grid[best == 0 ? 0 : best - 1];
  double hi = grid[std::min(best + 1, grid.size() - 1)];
  CurveMaximum m{grid[best], f(grid[best])};
  const double ratio = (std::sqrt(5.0) - 1) / 2;
  double x1 = hi - ratio * (hi - lo), x2 = lo + ratio * (hi - lo);
  double f1 = f(x1), f2 = f(x2);
  while (hi - lo > kMaximumResolutionDeg) {
    if (f1 >= f2) {
      hi = x2;
      x2 = x1;
      f2 = f1;
      x1 = hi - ratio * (hi - lo);
      f1 = f(x1);
    } else {
      lo = x1;
      x1 = x2;
      f1 = f2;
      x2 = lo + ratio * (hi - lo);
      f2 = f(x2);
    }
  }
  for (const double x : {x1, x2}) {
    if (f(x) > m.value)
      m = CurveMaximum{x, f(x)};
  }
  return m;
}
