#pragma once

#include <cmath>

#include "geometry/line_segment.h"
#include "geometry/vec3.h"

// The plane A*x + B*y + C*z + D = 0. The normal N = (A, B, C) points out of the water: the side
// where the plane value is positive is dry, the plane itself and the negative side are under
// water. N need not be of unit length; the operations that need its length divide by |N|.
// The one dry test of the system, on a plane value: strictly positive is dry; on the plane (0)
// and below is under water.
inline bool isDry(double planeValue) {
  return planeValue > 0;
}

class Plane {
 public:
  double A, B, C, D;

  // Intentionally uninitialised, like Vec3.
  Plane() = default;
  Plane(double a, double b, double c, double d) : A(a), B(b), C(c), D(d) {}
  void set(double a, double b, double c, double d) {
    A = a;
    B = b;
    C = c;
    D = d;
  }
  bool operator==(const Plane& o) const { return A == o.A && B == o.B && C == o.C && D == o.D; }

  // ((A*x + B*y) + C*z): the plane value without D. Every dry test in the system is this sum
  // plus D, so precomputed heights give the same bits as a direct evaluation.
  double height(const Vec3& p) const { return A * p.x + B * p.y + C * p.z; }
  // ((A*x + B*y) + C*z) + D.
  double value(const Vec3& p) const { return height(p) + D; }
  // Strictly on the dry side; a point on the plane is submerged.
  bool isAbove(const Vec3& p) const { return isDry(value(p)); }

  // Result codes of intersect.
  static constexpr int kParallel = 0;     // line parallel to the plane and off it; out unchanged
  static constexpr int kCrossing = 1;     // one crossing point, possibly beyond P0 or P1
  static constexpr int kLiesInPlane = 2;  // parallel and in the plane; out = midpoint
  // Intersects the whole line through the segment. The parallel test |N . (P1 - P0)| < 1e-10 is
  // absolute (on the unnormalised normal); the midpoint's distance test divides by |N|.
  int intersect(const LineSegment& segment, Vec3& out) const;
  // The same, with the plane value of segment.P0 already known (valueAtP0 == value(P0)).
  int intersect(const LineSegment& segment, Vec3& out, double valueAtP0) const {
    return intersect(segment.P0, segment.P1, out, valueAtP0);
  }
  // The line through p0 and p1; inline, since the tetrahedron cut calls it for every edge the
  // plane crosses.
  int intersect(const Vec3& p0, const Vec3& p1, Vec3& out, double valueAtP0) const {
    const Vec3 d = p1 - p0;
    const double s = A * d.x + B * d.y + C * d.z;
    if (std::fabs(s) < kTolerance)
      return intersectParallel(p0, p1, out);
    const double t = -valueAtP0 / s;
    out = p0 + d * t;
    return kCrossing;
  }

 private:
  static constexpr double kTolerance = 1e-10;
  // The line is parallel within the tolerance: its midpoint if that lies in the plane.
  int intersectParallel(const Vec3& p0, const Vec3& p1, Vec3& out) const;
};

// All four coefficients are finite numbers.
inline bool isFinite(const Plane& p) {
  return std::isfinite(p.A) && std::isfinite(p.B) && std::isfinite(p.C) && std::isfinite(p.D);
}
