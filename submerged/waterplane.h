#pragma once

#include "elements/floating_body.h"
#include "geometry/plane.h"
#include "geometry/vec3.h"

// A projected axis shorter than this (for a unit axis: an axis within about 1e-6 rad of the normal)
// gives no usable direction in the plane.
constexpr double kMinProjectedAxisLength = 1e-6;

// The unit vector along the part of `axis` that lies in the plane with unit normal n:
// axis - (axis . n) n, normalised. Returns false (direction unset) when that part is shorter than
// kMinProjectedAxisLength times |axis|.
bool projectIntoPlane(const Vec3& axis, const Vec3& n, Vec3& direction);

// The section of the body by a water plane (the waterplane) and its area properties.
//
// The section is the union, over every water tetrahedron of every element, of the polygon where
// the plane cuts that tetrahedron: a triangle or a quadrilateral. A tetrahedron contributes only
// when at least one vertex is dry (plane value > 0) and at least one is not, the same
// classification as the cut of the submerged part, where the plane itself is under water. So a
// face lying in the plane belongs to the tetrahedron above it (the one with a dry vertex), never to
// the one below: a face shared by two tetrahedra in the plane counts once, the top face of a
// submerged body counts nothing, the bottom face of a body resting on the plane counts fully.
// Put another way, the area is the rate at which the submerged volume grows as the water rises.
// A vertex or an edge on the plane contributes nothing.
//
// The frame of the plane: n = (A, B, C) / |(A, B, C)| points out of the water. axisU is the body's
// x axis projected into the plane and normalised; when the x axis lies within
// kMinProjectedAxisLength of the normal, the body's y axis projected instead. axisV = n x axisU, so
// (axisU, axisV, n) is right-handed. In-plane coordinates (u, v) are measured along axisU, axisV
// from the centre of flotation.
//
// Second moments follow the engineering convention of area moments: Iuu is the moment of inertia
// of the area about the u axis, the integral of v^2 dA; Ivv = integral of u^2 dA, about the v axis;
// Iuv = integral of u v dA, the product of area. The moment of inertia about an in-plane unit axis
// a = au axisU + av axisV through the centre of flotation is then
//   I_a = au^2 Iuu - 2 au av Iuv + av^2 Ivv.
struct WaterplaneProperties {
  double area;             // 0 when no water tetrahedron is crossed
  Vec3 centreOfFlotation;  // centroid of the section; a point of the plane (see computeWaterplane)
  Vec3 normal;             // unit normal n
  Vec3 axisU, axisV;
  double Iuu, Ivv, Iuv;
  int crossedTetrahedronCount;  // water tetrahedra with a dry vertex and one on or below the plane

  // I_a about the in-plane unit axis a through the centre of flotation (only the components of a
  // along axisU and axisV are used).
  double secondMomentAbout(const Vec3& a) const;
};

// Sets wp.normal to N / |N| (N non-zero, any length) and wp.axisU, wp.axisV to the frame of the
// plane described above.
void setPlaneFrame(WaterplaneProperties& wp, const Vec3& N);

// The section of the body's elements by the plane, summed in the evaluation order of the body
// (tetrahedra, cylinders, hexahedra, prisms; each element's water tetrahedra in split order). The
// plane's normal must be non-zero; its length is free. The body is left unchanged: no element's
// cut results are touched. Cylinders are split as the cut splits them (at least 3 sectors); their
// tetrahedra go into one scratch array allocated per call. Elements that lie wholly on one side of
// the plane add nothing and are passed over (a cylinder then without being split); where the
// body's fast evaluation has the plane's normal, bit for bit, its extents tell which without
// reading the elements.
//
// When the area is 0 (the plane misses every element, or only touches vertices, edges or a
// submerged face) the moments are 0 and the centre of flotation is the foot, on the plane, of the
// first element's first point (the origin's foot for a body without elements), so that it is
// still a point of the plane.
//
// A body given as a closed surface (body.surface) has its section from the surface evaluation
// (submerged/surface_evaluation.h), with the same conventions; crossedTetrahedronCount then counts
// the triangles the plane crosses, and the first point is the first triangle's first corner.
WaterplaneProperties computeWaterplane(const FloatingBody& body, const Plane& plane);
