#include "geometry/plane.h"

#include <cmath>

namespace {
constexpr double kTolerance = 1e-10;
}

int Plane::intersect(const LineSegment& segment, Vec3& out) const {
  return intersect(segment, out, value(segment.P0));
}

int Plane::intersect(const LineSegment& segment, Vec3& out, double valueAtP0) const {
  const Vec3 d = segment.P1 - segment.P0;
  const double s = A * d.x + B * d.y + C * d.z;
  if (std::fabs(s) < kTolerance) {
    const Vec3 mid = (segment.P0 + segment.P1) * 0.5;
    if (std::fabs(value(mid)) / std::sqrt(A * A + B * B + C * C) < kTolerance) {
      out = mid;
      return kLiesInPlane;
    }
    return kParallel;
  }
  const double t = -valueAtP0 / s;
  out = segment.P0 + d * t;
  return kCrossing;
}
