#include "geometry/plane.h"

#include <cmath>

int Plane::intersect(const LineSegment& segment, Vec3& out) const {
  return intersect(segment, out, value(segment.P0));
}

int Plane::intersectParallel(const Vec3& p0, const Vec3& p1, Vec3& out) const {
  const Vec3 mid = (p0 + p1) * 0.5;
  if (std::fabs(value(mid)) / std::sqrt(A * A + B * B + C * C) < kTolerance) {
    out = mid;
    return kLiesInPlane;
  }
  return kParallel;
}
