#pragma once

#include <cmath>

#include "geometry/bounding_box.h"
#include "geometry/plane.h"
#include "geometry/vec3.h"

// A solid tetrahedron: an element of the body and, in the same record, the water tetrahedron into
// which hexahedra, prisms and cylinders are split. No orientation is required: the volume is the
// absolute value of the triple product.
//
// The last three fields hold the result of the last cut by a water plane and mean nothing before
// the first cut. A default-constructed tetrahedron leaves every field uninitialised.
class Tetrahedron {
 public:
  Vec3 vertices[4];
  Plane waterPlane;
  Vec3 submergedCentroid;  // centroid of the part on or below waterPlane, or a fallback point
  double submergedVolume;  // volume of that part, never negative

  Tetrahedron() = default;
  Tetrahedron(const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& d) : vertices{a, b, c, d} {}
  void setVertices(const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& d) {
    vertices[0] = a;
    vertices[1] = b;
    vertices[2] = c;
    vertices[3] = d;
  }

  // |(p1 - p0) . ((p2 - p0) x (p3 - p0))| / 6. Inline: every cut of every trial plane calls it.
  double volume() const { return volumeOf(vertices[0], vertices[1], vertices[2], vertices[3]); }
  static double volumeOf(const Vec3& p0, const Vec3& p1, const Vec3& p2, const Vec3& p3) {
    const Vec3 a = p1 - p0;
    const Vec3 b = p2 - p0;
    const Vec3 c = p3 - p0;
    return std::fabs(a.dot(b.cross(c))) / 6;
  }
  // (((p0 + p1) + p2) + p3) * 0.25
  Vec3 centroid() const { return centroidOf(vertices[0], vertices[1], vertices[2], vertices[3]); }
  static Vec3 centroidOf(const Vec3& p0, const Vec3& p1, const Vec3& p2, const Vec3& p3) {
    return (p0 + p1 + p2 + p3) * 0.25;
  }
  BoundingBox boundingBox() const;
  Vec3 getSubmergedCentroid() const { return submergedCentroid; }

  // Stores the plane in waterPlane and cuts the tetrahedron by it.
  void cutByWaterPlane(Plane plane);
  // Cuts by the stored waterPlane and overwrites submergedVolume and submergedCentroid. Allocates
  // nothing.
  void computeSubmergedPart();
};
