#pragma once

#include "elements/tetrahedron.h"
#include "geometry/plane.h"
#include "geometry/vec3.h"

// The cut of the composite elements. element_cut.cpp defines Hexahedron::cutByWaterPlane,
// TrianglePrism::cutByWaterPlane and Cylinder::cutByWaterPlane (declared with each element):
// the element is split into its water tetrahedra, which are cut and summed here.

// Result of cutting one composite element: its water tetrahedra cut one by one and summed in
// array order (CutSum). When the sum vanishes (kVanishingElementVolume) the centroid is the
// element's fallback point instead of M / V.
struct SubmergedPart {
  double volume;
  Vec3 centroid;
};

// Cuts each of the n water tetrahedra by the plane (their results are left in them) and sums them.
SubmergedPart cutWaterTetrahedra(Tetrahedron* tetrahedra, int n, const Plane& plane,
                                 const Vec3& fallback);
