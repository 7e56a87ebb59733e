#pragma once

#include "elements/tetrahedron.h"
#include "geometry/plane.h"
#include "geometry/vec3.h"

// Result of cutting one composite element: its water tetrahedra cut one by one and summed in
// array order, V = V + v and M = c*v + M. Below 1e-20 the centroid is the element's fallback point
// instead of M / V.
struct SubmergedPart {
  double volume;
  Vec3 centroid;
};

// Cuts each of the n water tetrahedra by the plane (their results are left in them) and sums them.
SubmergedPart cutWaterTetrahedra(Tetrahedron* tetrahedra, int n, const Plane& plane,
                                 const Vec3& fallback);
