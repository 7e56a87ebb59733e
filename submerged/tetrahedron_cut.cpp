#include "submerged/tetrahedron_cut.h"

#include <cmath>

#include "elements/tetrahedron.h"
#include "submerged/cut_sum.h"

namespace {

// The point where the plane crosses the edge E -> F, valueE being E's plane value. The cut only
// asks for edges joining a dry and a submerged vertex; with a unit normal such an edge always
// yields a point. If the normal is so short that intersect finds none, the edge's midpoint stands
// in, so no unset value is read.
[[gnu::always_inline]] inline Vec3 cutPoint(const Plane& plane, const Vec3& e, const Vec3& f,
                                            double valueE) {
  Vec3 x;
  if (plane.intersect(e, f, x, valueE) == Plane::kParallel)
    x = (e + f) * 0.5;
  return x;
}

// Running sums of the pieces of the submerged part: V = v + V, M = c*v + M. Keeps the last
// piece's centroid for the vanishing-volume fallback.
template <bool withCentroid>
struct PieceSum {
  double volume = 0;
  Vec3 moment{0, 0, 0};
  Vec3 lastCentroid{0, 0, 0};

  [[gnu::always_inline]] void add(const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& d) {
    const double v = Tetrahedron::volumeOf(a, b, c, d);
    volume = v + volume;
    if (withCentroid) {
      lastCentroid = Tetrahedron::centroidOf(a, b, c, d);
      moment = lastCentroid * v + moment;
    }
  }

  TetrahedronCut result() const {
    if (!withCentroid)
      return TetrahedronCut{volume, lastCentroid};
    // A sliver whose pieces sum to almost nothing keeps a defined point instead of a quotient of
    // tiny numbers.
    if (std::fabs(volume) > kVanishingPieceVolume)
      return TetrahedronCut{volume, moment / volume};
    return TetrahedronCut{volume, lastCentroid};
  }
};

}  // namespace

template <bool withCentroid>
TetrahedronCut cutTetrahedron(const Vec3* const* v, const double* value, const Plane& plane) {
  int slot[4];
  const int k = classifyDryFirst(value, slot);
  const Vec3 &s0 = *v[slot[0]], &s1 = *v[slot[1]], &s2 = *v[slot[2]], &s3 = *v[slot[3]];
  PieceSum<withCentroid> sum;
  switch (k) {
    case 0:
    case 4: {  // wholly submerged, or wholly dry (volume 0 at the vertex mean)
      const Tetrahedron whole(*v[0], *v[1], *v[2], *v[3]);
      return TetrahedronCut{k == 0 ? whole.volume() : 0.0, whole.centroid()};
    }
    case 1: {  // dry D = s0: the solid between X1 X2 X3 on the plane and W1 W2 W3 = s1 s2 s3
      const double vd = value[slot[0]];
      const Vec3 x1 = cutPoint(plane, s0, s1, vd);
      const Vec3 x2 = cutPoint(plane, s0, s2, vd);
      const Vec3 x3 = cutPoint(plane, s0, s3, vd);
      sum.add(x1, s1, s2, s3);
      sum.add(x3, x1, x2, s3);
      sum.add(x2, x1, s2, s3);
      break;
    }
    case 2: {  // dry D1 D2 = s0 s1, wet W1 W2 = s2 s3: the quadrilateral X2 X3 X4 X1 is on the
               // plane
      const double vd1 = value[slot[0]], vd2 = value[slot[1]];
      const Vec3 x1 = cutPoint(plane, s1, s2, vd2);
      const Vec3 x2 = cutPoint(plane, s0, s2, vd1);
      const Vec3 x3 = cutPoint(plane, s0, s3, vd1);
      const Vec3 x4 = cutPoint(plane, s1, s3, vd2);
      sum.add(s3, x4, x3, x1);
      sum.add(x3, x1, s2, s3);
      sum.add(s2, x3, x2, x1);
      break;
    }
    case 3: {  // three dry: the small tetrahedron at the submerged vertex W = s3
      const double vw = value[slot[3]];
      const Vec3 x1 = cutPoint(plane, s3, s0, vw);
      const Vec3 x2 = cutPoint(plane, s3, s1, vw);
      const Vec3 x3 = cutPoint(plane, s3, s2, vw);
      sum.add(s3, x1, x2, x3);
      break;
    }
  }
  return sum.result();
}

template TetrahedronCut cutTetrahedron<true>(const Vec3* const*, const double*, const Plane&);
template TetrahedronCut cutTetrahedron<false>(const Vec3* const*, const double*, const Plane&);

void Tetrahedron::cutByWaterPlane(Plane plane) {
  waterPlane = plane;
  computeSubmergedPart();
}

void Tetrahedron::computeSubmergedPart() {
  double value[4];
  for (int i = 0; i < 4; ++i)
    value[i] = waterPlane.value(vertices[i]);
  const Vec3* const v[4] = {&vertices[0], &vertices[1], &vertices[2], &vertices[3]};
  const TetrahedronCut cut = cutTetrahedron(v, value, waterPlane);
  submergedVolume = cut.volume;
  submergedCentroid = cut.centroid;
}
