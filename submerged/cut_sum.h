#pragma once

#include <cmath>

#include "geometry/vec3.h"

// Below these submerged volumes the centroid is not taken as moment / volume, a quotient of tiny,
// rounding-dominated numbers, but a defined point of the part instead.
// The pieces of one cut tetrahedron: the last piece's centroid.
constexpr double kVanishingPieceVolume = 1e-15;
// The water tetrahedra of one composite element: the element's fallback point.
constexpr double kVanishingElementVolume = 1e-20;
// The whole body divides whenever its total is not exactly 0 (the centre is then the origin).

// The running sum of submerged parts, V = V + v and M = c*v + M, in the order the parts are
// added. Every evaluation of the body sums through this one type, so the plain and the fast
// evaluations add the same numbers in the same way and agree bit for bit.
struct CutSum {
  double volume = 0;
  Vec3 moment{0, 0, 0};

  void add(double v, const Vec3& centroid) {
    volume = volume + v;
    moment = centroid * v + moment;
  }
  // The same addition with the product c*v formed beforehand: the same bits.
  void addMoment(double v, const Vec3& product) {
    volume = volume + v;
    moment = product + moment;
  }
  // The same sum where only the volume is wanted (the volume-only evaluations).
  void addVolume(double v) { volume = volume + v; }
  template <bool withCentroid>
  void add(double v, const Vec3& centroid) {
    if (withCentroid) {
      add(v, centroid);
    } else {
      addVolume(v);
    }
  }
  // The centroid of a composite element's part: moment / volume, or the fallback point when the
  // part vanishes (a NaN volume does not vanish: it stays visible in the quotient).
  Vec3 elementCentroid(const Vec3& fallback) const {
    return std::fabs(volume) < kVanishingElementVolume ? fallback : moment / volume;
  }
};
