#pragma once

#include "elements/tetrahedron.h"
#include "geometry/bounding_box.h"
#include "geometry/plane.h"
#include "geometry/vec3.h"

// A right circular cylinder given by the centres of its end faces and a radius. It is never
// treated as a true cylinder: its circle is divided into segmentCount sectors, each sector is a
// triangle prism with the axis as one edge, and each prism gives three water tetrahedra. The
// discretised solid is the inscribed 30-gon prism, about 0.73 % smaller than pi*R^2*L.
//
// The angle step uses 3.1415926, not full-precision pi, so the last sector falls about
// 1.07e-7 * R short of the first: the discretised cylinder has a sliver-shaped gap there. It is
// kept, because stored results depend on it.
//
// Nothing is validated: coincident end points or a non-positive radius give degenerate (possibly
// non-finite) points, and the body evaluations pass them on.
class Cylinder {
 public:
  static constexpr int kDefaultSegmentCount = 30;

  Vec3 axisStart;  // centre of the first end face; the circle points are built around it
  Vec3 axisEnd;    // centre of the second end face
  double radius;
  int segmentCount;  // 30 after construction, at least 3 after boundingBox
  Plane waterPlane;
  double submergedVolume;
  Vec3 submergedCentroid;  // axisStart when the submerged part is vanishingly small

  Cylinder() = default;
  Cylinder(const Vec3& start, const Vec3& end, double r)
      : axisStart(start), axisEnd(end), radius(r), segmentCount(kDefaultSegmentCount) {}

  // Point i of the circle of radius R around axisStart, in the plane perpendicular to the axis,
  // at the angle (2*i) * 3.1415926 / segmentCount.
  Vec3 circlePoint(int i) const;
  // Fills out[0 .. 3*(count/3) - 1], three tetrahedra per sector, and sets segmentCount to
  // count / 3. A count that is not a multiple of 3 or below 9 is reported, then used anyway.
  void splitIntoTetrahedra(Tetrahedron* out, int count);
  // Box of the discretised cylinder; raises segmentCount to at least 3 first.
  BoundingBox boundingBox();
  Vec3 getSubmergedCentroid() const { return submergedCentroid; }

  void cutByWaterPlane(Plane plane);
};
