#pragma once

#include "geometry/vec3.h"
#include "submerged/waterplane.h"

// Initial stability of a floating body at a water plane.
//
// The restoring matrix. Take the body at equilibrium: buoyancy centre B and centre of gravity G on
// one line along the unit normal n, displacement V below the plane. Turn the body by a small angle
// about an in-plane axis through the centre of flotation F; write the rotation as the in-plane
// vector w (direction: the axis, length: the angle). A point F + r of the waterplane (r in the
// plane) moves along the normal by (w x r) . n = w . (r x n): the body gains the thin wedge of
// thickness -w . (r x n) below the water and loses the rest. Because r is measured from the
// centroid of the waterplane, the integral of r dA is zero, so the wedges balance and the
// displacement stays V to first order: F is the one axis point where the body turns without
// rising or sinking.
//
// The wedge is extra buoyancy rho*g*(-w . (r x n)) dA acting along n at F + r. Its moment about F
// is the integral of r x n times that force:
//   M_wedge = -rho g J w,   J = integral of (r x n)(r x n)^T dA.
// With r = u axisU + v axisV, r x n = v axisU - u axisV, so in the (axisU, axisV) frame
//   J = [  Iuu  -Iuv ]
//       [ -Iuv   Ivv ]   (Iuu = integral v^2 dA, Ivv = integral u^2 dA, Iuv = integral u v dA).
// The original buoyancy rho g V n and the weight -rho g V n stay vertical while their points of
// application turn with the body: B - G = (zB - zG) n becomes (zB - zG)(n + w x n), and the couple
// of the two forces is rho g V (zB - zG) (w x n) x n = -rho g V (zB - zG) w (w is normal to n).
// Together the hydrostatic moment on the turned body is
//   M = -rho g K w,   K = J + V (zB - zG) Id,
// a restoring moment for every small rotation when K is positive definite. K is the Jacobian of
// the restoring moment (divided by rho g) with respect to the rotation, in the plane frame; for a
// rotation about a unit in-plane axis a, a^T K a / V = I_a / V + zB - zG = BM + (zB - zG) is the
// metacentric height GM about a. The eigenvalues of K divided by V are the metacentric heights
// about the principal axes of the waterplane.
//
// K needs B and G on one normal line; when the attitude iteration stops at a small distance d
// between the lines of action, the neglected moment is of order V d |w|.

// K in the frame (axisU, axisV) of the waterplane: k[i][j] is the moment about axis i per unit
// rotation about axis j, in volume times length (multiply by rho g for a moment per radian).
struct RestoringMatrix {
  double k[2][2];
};

// K = J + V * heightOfBAboveG * Id for the waterplane wp; heightOfBAboveG = zB - zG.
RestoringMatrix restoringMatrix(const WaterplaneProperties& wp, double V, double heightOfBAboveG);

// Lengths in the body's unit. "Transverse" (heel) is the rotation about the body's x axis
// projected into the plane, "longitudinal" (trim) about the body's y axis projected into the
// plane. An axis that lies along the normal has no projection: its axis, BM and GM are NaN.
struct StabilityResult {
  RestoringMatrix restoring;
  double zB, zG;    // heights of B and G above the water plane along the unit normal (zB < 0)
  double BMt, BMl;  // I about the heel / trim axis over V
  double GMt, GMl;  // BM + zB - zG about the heel / trim axis
  double GMmin;     // smallest eigenvalue of K over V: the metacentric height about minAxis
  double GMmax;     // largest eigenvalue of K over V, about maxAxis
  Vec3 heelAxis;    // unit body x axis projected into the plane
  Vec3 trimAxis;    // unit body y axis projected into the plane
  Vec3 minAxis;     // principal axes: unit, in the plane, maxAxis x minAxis = n
  Vec3 maxAxis;
  bool stable;  // smallest eigenvalue of K > 0
};

// Stability at the water plane whose section is wp: V the displacement, buoyancyCentre its centre,
// G the centre of gravity, normal the plane's normal (A, B, C), any non-zero length, out of the
// water. Heights are measured along normal / |normal| from the centre of flotation, which lies in
// the plane. V must be positive for BM and GM to be finite.
//
// The principal axes come from the closed form of a symmetric 2x2 matrix; for an isotropic K
// (a circular waterplane at equilibrium) every axis is principal and maxAxis = axisU.
StabilityResult computeStability(const WaterplaneProperties& wp, double V, Vec3 buoyancyCentre,
                                 Vec3 G, Vec3 normal);
