#pragma once

#include <cstddef>
#include <cstdint>

#include "geometry/plane.h"
#include "geometry/vec3.h"

// Tetrahedra of one element that the plane crosses with the same number of dry vertices, cut a
// few side by side. Each lane performs the operations of cutTetrahedron in its order (the cut
// points, the pieces' triple products, centroids and running sums), so every result has the same
// bits as the cut of that tetrahedron alone; only the work is shared out over the lanes of the
// processor's vector registers. A cylinder the plane crosses has dozens of such tetrahedra.
struct CrossedTetrahedron {
  std::uint16_t point[4];  // among the element's points, in cutTetrahedron's slot order
  std::uint16_t index;     // where its result goes
};
struct CrossedGroup {
  int dryCount;  // 1, 2 or 3
  const CrossedTetrahedron* members;
  std::size_t count;
};

// Whether this processor has the vector registers the grouped cut is built for. Without them the
// tetrahedra are cut one by one.
bool groupedCutsSupported();

// Writes volume[index] (and centroid[index] with withCentroid) for every tetrahedron of the
// group. points and values are the element's points and their plane values. Only where
// groupedCutsSupported().
template <bool withCentroid>
void cutCrossedGroup(const CrossedGroup& group, const Vec3* points, const double* values,
                     const Plane& plane, double* volume, Vec3* centroid);
