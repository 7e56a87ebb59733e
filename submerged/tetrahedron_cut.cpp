#include <cmath>
#include <utility>

#include "elements/tetrahedron.h"
#include "geometry/line_segment.h"

namespace {

// The point where the plane crosses the edge E -> F. The cut only asks for edges joining a dry
// and a submerged vertex; with a unit normal such an edge always yields a point. If the normal is
// so short that intersect finds none, the edge's midpoint stands in, so no unset value is read.
Vec3 cutPoint(const Plane& plane, const Vec3& e, const Vec3& f) {
  LineSegment edge;
  edge.set(e, f);
  Vec3 x = (e + f) * 0.5;
  plane.intersect(edge, x);
  return x;
}

// Running sums of the pieces of the submerged part: V = v + V, M = c*v + M. Keeps the last
// piece's centroid for the vanishing-volume fallback.
struct PieceSum {
  double volume = 0;
  Vec3 moment{0, 0, 0};
  Vec3 lastCentroid{0, 0, 0};

  void add(const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& d) {
    Tetrahedron piece;
    piece.setVertices(a, b, c, d);
    const double v = piece.volume();
    lastCentroid = piece.centroid();
    volume = v + volume;
    moment = lastCentroid * v + moment;
  }
};

}  // namespace

void Tetrahedron::cutByWaterPlane(Plane plane) {
  waterPlane = plane;
  computeSubmergedPart();
}

void Tetrahedron::computeSubmergedPart() {
  // Classify: the slots start as v1, v2, v3, v0; each dry vertex is swapped to the front, so the
  // k dry vertices fill slots 0..k-1 in the order they were met. The test is exact (no
  // tolerance): a vertex on the plane is submerged.
  const Vec3* slot[4] = {&vertices[1], &vertices[2], &vertices[3], &vertices[0]};
  int k = 0;
  for (int i = 0; i < 4; ++i) {
    if (waterPlane.isAbove(*slot[i])) {
      std::swap(slot[i], slot[k]);
      ++k;
    }
  }

  PieceSum sum;
  switch (k) {
    case 0:  // wholly submerged
      submergedVolume = volume();
      submergedCentroid = centroid();
      return;
    case 4:  // wholly dry
      submergedVolume = 0;
      submergedCentroid = centroid();
      return;
    case 1: {  // one dry vertex D: a frustum-like solid between X1 X2 X3 and W1 W2 W3
      const Vec3 &d = *slot[0], &w1 = *slot[1], &w2 = *slot[2], &w3 = *slot[3];
      const Vec3 x1 = cutPoint(waterPlane, d, w1);
      const Vec3 x2 = cutPoint(waterPlane, d, w2);
      const Vec3 x3 = cutPoint(waterPlane, d, w3);
      sum.add(x1, w1, w2, w3);
      sum.add(x3, x1, x2, w3);
      sum.add(x2, x1, w2, w3);
      break;
    }
    case 2: {  // two dry: a wedge whose quadrilateral X2 X3 X4 X1 lies on the plane
      const Vec3 &d1 = *slot[0], &d2 = *slot[1], &w1 = *slot[2], &w2 = *slot[3];
      const Vec3 x1 = cutPoint(waterPlane, d2, w1);
      const Vec3 x2 = cutPoint(waterPlane, d1, w1);
      const Vec3 x3 = cutPoint(waterPlane, d1, w2);
      const Vec3 x4 = cutPoint(waterPlane, d2, w2);
      sum.add(w2, x4, x3, x1);
      sum.add(x3, x1, w1, w2);
      sum.add(w1, x3, x2, x1);
      break;
    }
    case 3: {  // three dry: the small tetrahedron at the submerged vertex W
      const Vec3 &d1 = *slot[0], &d2 = *slot[1], &d3 = *slot[2], &w = *slot[3];
      const Vec3 x1 = cutPoint(waterPlane, w, d1);
      const Vec3 x2 = cutPoint(waterPlane, w, d2);
      const Vec3 x3 = cutPoint(waterPlane, w, d3);
      sum.add(w, x1, x2, x3);
      break;
    }
  }
  submergedVolume = sum.volume;
  submergedCentroid = std::fabs(sum.volume) > 1e-15 ? sum.moment / sum.volume : sum.lastCentroid;
}
