#pragma once

#include "geometry/plane.h"
#include "geometry/vec3.h"

// The submerged part of one tetrahedron: its volume and centroid (or the fallback point).
struct TetrahedronCut {
  double volume;
  Vec3 centroid;
};

// Cuts the tetrahedron *v[0..3] by the plane, given each vertex's plane value
// value[i] == plane.value(*v[i]). Callers that already know the values (the fast evaluation keeps
// every point's height for the current normal) pass them in; the result has the same bits as
// when the values are computed here. Without withCentroid only the volume is computed (the
// centroid is left unset); the volume's bits do not depend on it. Allocates nothing.
// Classifies the tetrahedron's vertices by their plane values: the slots start as v1, v2, v3, v0;
// each dry vertex is swapped to the front, so the k dry vertices fill slot[0 .. k-1] in the order
// they were met. Returns k. The test is exact (no tolerance): a vertex on the plane (value 0) is
// submerged. The cut and the waterplane section both start from this one classification, so
// they agree on every tetrahedron.
inline int classifyDryFirst(const double* value, int (&slot)[4]) {
  slot[0] = 1;
  slot[1] = 2;
  slot[2] = 3;
  slot[3] = 0;
  int k = 0;
  for (int i = 0; i < 4; ++i) {
    if (isDry(value[slot[i]])) {
      const int dry = slot[i];
      slot[i] = slot[k];
      slot[k] = dry;
      ++k;
    }
  }
  return k;
}

template <bool withCentroid = true>
TetrahedronCut cutTetrahedron(const Vec3* const* v, const double* value, const Plane& plane);
