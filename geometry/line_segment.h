#pragma once

#include "geometry/vec3.h"

// The straight piece from P0 to P1. For intersection it stands for the whole line through both
// points. Used for the edges of a tetrahedron being cut and for the axes of the pillars.
class LineSegment {
 public:
  Vec3 P0, P1;

  LineSegment() = default;
  LineSegment(const Vec3& p0, const Vec3& p1) : P0(p0), P1(p1) {}
  void set(const Vec3& p0, const Vec3& p1) {
    P0 = p0;
    P1 = p1;
  }
};
