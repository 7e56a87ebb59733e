// The arithmetic of the draft filter's bound, free of the filter's state: the unit roundoff and
// the rounding bounds gamma(n), an element's box and the sums over its crossed water tetrahedra
// that item 2 of the bound is a polynomial of, the bound itself, the cubics of the crossed water
// tetrahedra expanded about an anchor or valued at one, what the coarse intervals need of the body
// and of the normal (items 5 to 7). The derivation of every item is in draft_filter_bounds.cpp;
// the filter (draft_filter.h) applies them to its elements, its epochs and its window.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "geometry/plane.h"
#include "geometry/vec3.h"
#include "submerged/flattened_body.h"

namespace draft_bounds {

constexpr double kUnit = std::numeric_limits<double>::epsilon() / 2;
constexpr long double kUnitLong = std::numeric_limits<long double>::epsilon() / 2;
constexpr double kParallelTolerance = 1e-10;      // the exact path's parallel-edge test
constexpr double kLargestEdgeRatio = 1.0 / 1024;  // r above this: the edge is not vouched for
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// gamma(n) = n u / (1 - n u), in double and in long double.
inline double roundingBound(double n) {
  return n * kUnit / (1 - n * kUnit);
}
inline long double roundingBoundLong(long double n) {
  return n * kUnitLong / (1 - n * kUnitLong);
}

// The box of an element's points: lo and hi along each axis.
struct Box {
  double lo[3] = {kInfinity, kInfinity, kInfinity};
  double hi[3] = {-kInfinity, -kInfinity, -kInfinity};
  void add(const Vec3& p) {
    const double x[3] = {p.x, p.y, p.z};
    for (int c = 0; c < 3; ++c) {
      lo[c] = std::min(lo[c], x[c]);
      hi[c] = std::max(hi[c], x[c]);
    }
  }
};

inline double spanOf(double a, double b, double c, double d) {
  return std::max(std::max(a, b), std::max(c, d)) - std::min(std::min(a, b), std::min(c, d));
}

// Sums over the crossed water tetrahedra of an element of their extents B_c along each axis:
// n, sum B_c, sum B_c+1 B_c+2 and sum B_0 B_1 B_2, and of their volumes.
struct CrossedSums {
  double count = 0, volume = 0;
  double extent[3] = {0, 0, 0}, face[3] = {0, 0, 0}, box = 0;
  void add(const Vec3& p0, const Vec3& p1, const Vec3& p2, const Vec3& p3, double vt) {
    const double bx = spanOf(p0.x, p1.x, p2.x, p3.x), by = spanOf(p0.y, p1.y, p2.y, p3.y),
                 bz = spanOf(p0.z, p1.z, p2.z, p3.z);
    extent[0] += bx;
    extent[1] += by;
    extent[2] += bz;
    face[0] += by * bz;
    face[1] += bx * bz;
    face[2] += bx * by;
    box += bx * by * bz;
    count += 1;
    volume += vt;
  }
  // A crossed water tetrahedron of vertices v among the points: its volume and count alone where
  // the element's extents are summed once (see takeExtents), otherwise its extents too.
  void addCrossed(const Vec3* points, const std::uint16_t* v, double vt, bool extentsSummed) {
    if (extentsSummed) {
      count += 1;
      volume += vt;
    } else {
      add(points[v[0]], points[v[1]], points[v[2]], points[v[3]], vt);
    }
  }
  // The extents' sums bounded by count tetrahedra each as large as the box: a tetrahedron's
  // extents are its points', which lie in the box (the box's own rounding raised).
  void takeBoxExtents(const Box& within) {
    double E[3];
    for (int c = 0; c < 3; ++c)
      E[c] = (within.hi[c] - within.lo[c]) * (1 + 2 * kUnit);
    for (int c = 0; c < 3; ++c) {
      extent[c] = count * E[c];
      face[c] = count * E[(c + 1) % 3] * E[(c + 2) % 3];
    }
    box = count * E[0] * E[1] * E[2];
  }
  // Takes the extents' sums from ones over a superset of the crossed tetrahedra.
  template <typename Sums>
  void takeExtents(const Sums& all) {
    for (int c = 0; c < 3; ++c) {
      extent[c] = all.extent[c];
      face[c] = all.face[c];
    }
    box = all.box;
  }
};

// The sums over all water tetrahedra of a cylinder of their extents B_c, B_c+1 B_c+2 and
// B_0 B_1 B_2, rounded up: they bound the sums over the crossed ones (item 2 of the bound), which
// would otherwise cost a cylinder's tetrahedra's points once more per estimate.
struct ExtentSums {
  float extent[3], face[3], box;
};
ExtentSums cylinderExtentSums(const FlattenedBody::WaterTetrahedron* t, std::uint32_t count,
                              const Vec3* points);

// The bound of item 2 summed over the crossed water tetrahedra of an element whose points lie in
// the box and whose submerged and dry points lie at least gap apart in height; negative when the
// element's cuts are not vouched for.
double crossedError(const Box& element, const CrossedSums& sums, const Plane& plane, double gap);

// The crossed water tetrahedra of an element that the filter settles, count of them from t, whose
// points' heights and sides (1 for dry) it has read: vt times each crossed one's cubic, expanded
// about the anchor, goes to c, the submerged ones' volumes to wetVolume, and each crossed one to
// the bound's sums (its volume and count alone where the element's extents are summed once).
void addCrossed(const FlattenedBody::WaterTetrahedron* t, std::uint32_t count, const Vec3* points,
                const double* heights, const unsigned char* dryPoint, double dryLimit,
                double anchor, bool summed, double (&c)[4], double& wetVolume, CrossedSums& sums);
// The same with the cubics' values at the anchors alone, each added to its c0 (kAnchors is 1 or
// 2).
template <int kAnchors>
void valueCrossed(const FlattenedBody::WaterTetrahedron* t, std::uint32_t count, const Vec3* points,
                  const double* heights, const unsigned char* dryPoint,
                  const double (&anchor)[kAnchors], bool summed, double (&c0)[kAnchors],
                  double& wetVolume, CrossedSums& sums);

}  // namespace draft_bounds

// What the coarse intervals need of the body: the most water tetrahedra of an element, whether
// every point is finite, and the largest extent of an element and the largest |coordinate| along
// each axis. Found in chunks over the elements; the maxima ignore a NaN the same way in any order
// (none enters them), so the chunks' findings combine to the bits of one pass over all elements.
struct BodyBounds {
  std::uint32_t mostTetrahedra = 0;
  bool finite = true;
  double largestExtent[3] = {0, 0, 0}, largestCoordinate[3] = {0, 0, 0};
  // Of the elements [begin, end) of the flattened body.
  void addElements(const FlattenedBody& body, std::size_t begin, std::size_t end);
  void merge(const BodyBounds& other);
};

// Item 2 for the coarse intervals of one normal, with every tetrahedron's extents and every
// element's coordinates bounded by the body's largest and tau by the largest that is vouched for
// (items 5 to 7).
struct CoarseBound {
  // The bound Delta of every computed s^ along the normal.
  double delta = 0;
  // The error of any crossed water tetrahedron beyond the term in tau, and the rounding of its
  // volume.
  double tetrahedronError = 0, boxRounding = 0;
  // Item 6 holds: the coarse interval needs no heights.
  bool heightsFree = false;
  // Item 7: an element's coarse upper value is at most levelFactor W + levelTerm (W its whole
  // volume).
  double levelFactor = 0, levelTerm = 0;

  CoarseBound() = default;
  // For the normal of the plane (its offset does not enter).
  CoarseBound(const Plane& plane, const BodyBounds& body);
  // Item 5's upper value of an element of n water tetrahedra and whole volume W that the level
  // crosses, its cut edges within r of their fractions.
  double upper(double n, double wholeVolume, double r) const {
    using draft_bounds::kUnit;
    using draft_bounds::roundingBound;
    const double whole = wholeVolume * (1 + 2 * roundingBound(n));
    const double tau = (2.0001 * kUnit + r) * (1 + 1.002 * r) * 1.0001;
    const double pieces =
        (whole + n * boxRounding) * (1 + 8 * tau * (1 + tau) * (1 + tau)) + n * tetrahedronError;
    return pieces * (1 + roundingBound(n)) * 1.01;
  }
};
