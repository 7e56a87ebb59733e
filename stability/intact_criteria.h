#pragma once

#include <optional>
#include <string>
#include <vector>

#include "stability/curve_numerics.h"

// The general intact stability criteria of the 2008 Intact Stability Code, Part A 2.2, each a
// small function of the righting-arm curve on one side of the body. Lengths in metres, areas in
// metre radians, angles in degrees.

// One criterion: what it asks, what the condition attains, and whether that is enough
// (attained >= required; a NaN attained value fails).
struct CriterionResult {
  std::string id;    // area_0_30, area_0_40, area_30_40, gz_30, angle_max_gz, gm0, weather, ...
  std::string unit;  // "m rad", "m", "deg", or "" for a ratio
  double required = 0;
  double attained = 0;
  bool pass = false;
  int side = 1;  // +1: heeling to the +y side; -1: to the -y side

  double margin() const { return attained - required; }
};

CriterionResult judged(std::string id, std::string unit, double required, double attained);

// The righting-arm curve towards one side: gz(phi) at heels phi growing away from the equilibrium
// towards that side (for the -y side, gz(phi) = -GZ(-phi) of the body's own curve).
struct CurveSide {
  SampledCurve* gz = nullptr;
  double equilibriumDeg = 0;          // where gz vanishes near upright: the areas start there
  std::optional<double> floodingDeg;  // the least heel at which an opening submerges
  int side = 1;
};

// The heel up to which the curve is searched for its maximum and its arm at 30 degrees or more.
constexpr double kCurveEndDeg = 90;

// Part A 2.2.1: the area under the curve up to 30 degrees, at least 0.055 m rad.
CriterionResult areaTo30(const CurveSide& c);
// Part A 2.2.1: up to 40 degrees, or the flooding angle when that is less, at least 0.09 m rad.
CriterionResult areaTo40(const CurveSide& c);
// Part A 2.2.1: between 30 and 40 degrees (or the flooding angle when less than 40; none when it
// is below 30), at least 0.03 m rad.
CriterionResult area30To40(const CurveSide& c);
// Part A 2.2.2: a righting arm of at least 0.20 m at some heel of 30 degrees or more (the largest
// arm from 30 to kCurveEndDeg).
CriterionResult gzAt30OrMore(const CurveSide& c);
// Part A 2.2.3: the maximum righting arm at a heel of at least 25 degrees (the largest arm from the
// equilibrium to kCurveEndDeg).
CriterionResult angleOfMaximumGz(const CurveSide& c);
// Part A 2.2.4: an initial metacentric height GM0 of at least 0.15 m (corrected for free surfaces
// by the loading condition).
CriterionResult initialGm(double gm0, int side);

// The six of Part A 2.2 in that order.
std::vector<CriterionResult> generalCriteria(const CurveSide& c, double gm0);
