#pragma once

#include "elements/tetrahedron.h"
#include "geometry/bounding_box.h"
#include "geometry/plane.h"
#include "geometry/vec3.h"

// The eight-vertex solid. p0..p3 run around one face, p4..p7 around the opposite face in the same
// sense, with p(4+i) joined to p(i). That numbering is part of the input format: the fixed split
// into five tetrahedra below defines the element's volume.
//
//        p7 ------ p6
//       /|        /|
//     p4 ------ p5 |
//      | p3 -----|-p2
//      |/        |/
//     p0 ------ p1
class Hexahedron {
 public:
  static constexpr int kVertexCount = 8;
  static constexpr int kTetrahedronCount = 5;
  // Vertex indices of the five water tetrahedra, in output order: the corners at p1, p6, p4, the
  // central tetrahedron, and the corner at p3.
  static constexpr int kSplit[kTetrahedronCount][4] = {
      {0, 1, 2, 5}, {7, 5, 2, 6}, {0, 5, 7, 4}, {0, 7, 2, 5}, {0, 7, 2, 3}};

  Vec3 vertices[kVertexCount];
  Plane waterPlane;
  Vec3 submergedCentroid;  // p0 when the submerged part is vanishingly small
  double submergedVolume;

  Hexahedron() = default;
  // Stores points[0..7]; any other count reports the fault and changes nothing.
  void setVertices(const Vec3* points, int count);
  // Fills out[0..4]; any other count reports the fault and changes nothing.
  void splitIntoTetrahedra(Tetrahedron* out, int count) const;
  BoundingBox boundingBox() const;
  Vec3 getSubmergedCentroid() const { return submergedCentroid; }

  void cutByWaterPlane(Plane plane);
};
