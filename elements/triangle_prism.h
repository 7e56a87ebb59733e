#pragma once

#include "elements/tetrahedron.h"
#include "geometry/bounding_box.h"
#include "geometry/plane.h"
#include "geometry/vec3.h"

// The six-vertex solid: p0 p1 p2 is one triangular face, p3 p4 p5 the opposite one, with p(3+i)
// joined to p(i). The sense in which the triangles run is free; the pairing is part of the input
// format, since the fixed split into three tetrahedra defines the element's volume.
class TrianglePrism {
 public:
  static constexpr int kVertexCount = 6;
  static constexpr int kTetrahedronCount = 3;
  // Uses the diagonals 0-4, 2-4 and 2-3 of the three side faces.
  static constexpr int kSplit[kTetrahedronCount][4] = {{0, 1, 2, 4}, {0, 2, 3, 4}, {2, 3, 5, 4}};

  Vec3 vertices[kVertexCount];
  Plane waterPlane;
  Vec3 submergedCentroid;  // p0 when the submerged part is vanishingly small
  double submergedVolume;

  TrianglePrism() = default;
  // Stores points[0..5]; any other count reports the fault and changes nothing.
  void setVertices(const Vec3* points, int count);
  // Fills out[0..2]; any other count reports the fault and changes nothing.
  void splitIntoTetrahedra(Tetrahedron* out, int count) const;
  BoundingBox boundingBox() const;
  Vec3 getSubmergedCentroid() const { return submergedCentroid; }

  void cutByWaterPlane(Plane plane);
};
