#include "app/report/run_report.h"

#include <cmath>

namespace {

// Adding +0 turns an angle of -0 (a normal with B or A = -0) into 0, which prints without a sign.
double degrees(double radians) {
  return radians * (180 / std::acos(-1.0)) + 0.0;
}

}  // namespace

// The body is fixed and the water plane tilts, so a side lies deeper when the plane's normal,
// which points out of the water, leans away from it: a +y side under water turns N towards -y.
double heelDegrees(const Plane& waterPlane) {
  return degrees(std::atan2(-waterPlane.B, waterPlane.C));
}

double trimDegrees(const Plane& waterPlane) {
  return degrees(std::atan2(-waterPlane.A, waterPlane.C));
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
