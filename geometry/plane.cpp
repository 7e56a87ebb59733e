#include "geometry/plane.h"

#include <cmath>

int Plane::intersect(const LineSegment& segment, Vec3& out) const {
  return intersect(segment, out, value(segment.P0));
}

int Plane::intersectParallel(const LineSegment& segment, Vec3& out) const {
  const Vec3 mid = (segment.P0 + segment.P1) * 0.5;
  if (std::fabs(value(mid)) / std::sqrt(A * A + B * B + C * C) < kTolerance) {
    out = mid;
    return kLiesInPlane;
  }
  return kParallel;
}
