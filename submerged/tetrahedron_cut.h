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
template <bool withCentroid = true>
TetrahedronCut cutTetrahedron(const Vec3* const* v, const double* value, const Plane& plane);
