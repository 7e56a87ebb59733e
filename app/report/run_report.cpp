#include "app/report/run_report.h"

#include <cmath>

#include "solver/attitude_iteration.h"

namespace {

double degrees(double radians) {
  return radians * (180 / std::acos(-1.0));
}

// The angle of the normal (side, up) from the upright, in degrees. A side component within the
// solver's angle floor of the normal's length counts as none, so that the angle is exactly 0 (or
// 180), never -0 or a rounding error such as -1.2e-15.
double tiltDegrees(double side, double up) {
  const bool level = std::fabs(side) <= kAngleFloor * std::hypot(side, up);
  return degrees(std::atan2(level ? 0.0 : side, up));
}

}  // namespace

// The body is fixed and the water plane tilts, so a side lies deeper when the plane's normal,
// which points out of the water, leans away from it: a +y side under water turns N towards -y.
double heelDegrees(const Plane& waterPlane) {
  return tiltDegrees(-waterPlane.B, waterPlane.C);
}

double trimDegrees(const Plane& waterPlane) {
  return tiltDegrees(-waterPlane.A, waterPlane.C);
}

double resolvedDegrees(double angle) {
  return std::fabs(angle) <= degrees(kAngleFloor) ? 0.0 : angle;
}

double meanDraft(const RunReport& report) {
  double sum = 0;
  int count = 0;
  for (const std::optional<double>& draft : report.pillarDrafts) {
    if (draft) {
      sum += *draft;
      ++count;
    }
  }
  for (const NamedDraft& mark : report.marks) {
    if (mark.draft) {
      sum += *mark.draft;
      ++count;
    }
  }
  return count > 0 ? sum / count : std::numeric_limits<double>::quiet_NaN();
}
