#pragma once

#include <functional>
#include <map>
#include <optional>
#include <vector>

// Numerics on a smooth-ish function of the heel: areas, crossings of a level, the maximum. The
// function (a righting arm computed by the solver, a few draft searches per heel) is expensive, so
// every heel is evaluated at most once and the scans run on one grid of kScanStepDeg, on which the
// area's first pieces lie too, so that the criteria share their evaluations.

// A function of the heel in degrees, remembered heel by heel.
class SampledCurve {
 public:
  explicit SampledCurve(std::function<double(double)> f) : f_(std::move(f)) {}
  double operator()(double heelDeg);
  // Every heel evaluated so far, in increasing order, with its value.
  const std::map<double, double>& samples() const { return samples_; }

 private:
  std::function<double(double)> f_;
  std::map<double, double> samples_;
};

// The spacing of the scans and of the area's first pieces, degrees.
constexpr double kScanStepDeg = 2.5;

// The integral of f over the heels from fromDeg to toDeg, the heel in radians (so a righting arm
// gives length x radians); negative when toDeg < fromDeg. Adaptive Simpson: the range is cut at the
// multiples of 2 kScanStepDeg, each piece's Simpson sum compared with the sum of its two halves,
// and a piece halved again while the two differ by more than 15 times its share of the tolerance
// (the error of the halves is about a fifteenth of their difference, the fourth-order term of
// Richardson's extrapolation, which is added). The tolerance is 1e-6 of the integral of |f| as the
// first pieces estimate it (at least 1e-12 per radian), so the area of a smooth curve is good to
// far better than 0.1 %; a kink (a deck edge entering the water) is found and refined around.
// Pieces stop halving at 1/256 of their first width.
double areaUnder(SampledCurve& f, double fromDeg, double toDeg);

// The first heel going up from fromDeg to toDeg at which f - level changes sign (a heel where it is
// zero counts as its sign changing, fromDeg itself when f(fromDeg) = level): the grid is scanned
// for the first change and the bracket narrowed by regula falsi with the Illinois weighting to
// 1e-9 degrees. None when f - level keeps its sign over the grid (a pair of crossings closer than
// a grid step is not seen).
std::optional<double> firstCrossing(SampledCurve& f, double level, double fromDeg, double toDeg);

// The largest value of f over [fromDeg, toDeg] and its heel: the largest grid point, refined by a
// golden-section search between its neighbours to 1e-4 degrees.
struct CurveMaximum {
  double heelDeg;
  double value;
};
CurveMaximum maximumOf(SampledCurve& f, double fromDeg, double toDeg);

// The heels of the scan grid from fromDeg to toDeg: both ends and the multiples of kScanStepDeg
// between them.
std::vector<double> scanGrid(double fromDeg, double toDeg);
