#pragma once

// What the attitude solvers float. The plain body of a SET file has one fixed centre of gravity
// and buoys by its own volume below the water plane; a loaded body (tanks whose liquid settles
// level with the water, flooded compartments, heeling moments) has a centre of gravity that
// depends on the attitude and buoys by a signed sum of volumes. The solvers ask this interface for
// both, and the fixed load gives exactly the calls and numbers the plain body always had.

#include "elements/floating_body.h"
#include "geometry/plane.h"
#include "geometry/vec3.h"
#include "solver/stability.h"
#include "submerged/waterplane.h"

// Second moments of an area in the frame (axisU, axisV) of a plane's normal (setPlaneFrame), as
// in WaterplaneProperties: Iuu = integral of v^2 dA, Ivv = integral of u^2 dA, Iuv = integral of
// u v dA.
struct SecondMoments {
  double Iuu = 0, Ivv = 0, Iuv = 0;
};

// Moments that heel or trim the body whatever its attitude, as lever arms: the moment over the
// weight, in length. heel: the +y side is pushed down; trim: the +x end is pushed down.
struct HeelingArms {
  double heel = 0;
  double trim = 0;
  bool any() const { return heel != 0 || trim != 0; }
};

class LoadModel {
 public:
  virtual ~LoadModel() = default;
  // The displacement volume V that the water plane holds below it.
  virtual double displacementVolume() const = 0;
  // The water plane with the normal (any non-zero length, out of the water) below which the body
  // buoys by V, and the centre of buoyancy of that volume.
  virtual void placeWater(const Vec3& normal, Plane& plane, Vec3& buoyancyCentre) = 0;
  // The centre of gravity with every liquid settled level with a water plane of this normal.
  virtual Vec3 centreOfGravity(const Vec3& normal) = 0;
  // The waterplane of the buoyant volume at the plane: its area, centre of flotation and second
  // moments about it.
  virtual WaterplaneProperties waterplane(const Plane& plane) = 0;
  // The liquids' free surfaces at the normal: the sum over slack tanks of the second moments of
  // their surfaces about their own centroids, each times its liquid's density over the water's,
  // in the same unit as the waterplane's (length^4). False, leaving fs alone, when there is none.
  virtual bool freeSurface(const Vec3& normal, SecondMoments& fs) {
    (void)normal;
    (void)fs;
    return false;
  }
  virtual HeelingArms heelingArms() const { return {}; }
};

// The plain body: its own buoyancy, the displacement V and the fixed centre of gravity G.
class FixedLoad : public LoadModel {
 public:
  FixedLoad(FloatingBody& body, double V, const Vec3& G) : body_(body), V_(V), G_(G) {}
  double displacementVolume() const override { return V_; }
  void placeWater(const Vec3& normal, Plane& plane, Vec3& buoyancyCentre) override {
    body_.findWaterPlane(plane, buoyancyCentre, V_, normal);
  }
  Vec3 centreOfGravity(const Vec3&) override { return G_; }
  WaterplaneProperties waterplane(const Plane& plane) override {
    return computeWaterplane(body_, plane);
  }

 private:
  FloatingBody& body_;
  double V_;
  Vec3 G_;
};

// The two level directions that heeling moments push the centre of gravity along, for the unit
// water normal n in body coordinates. A heeling moment is constant in the earth's frame: about the
// level axis along the body's length (the body's x axis laid level, x - (x . n) n), and about the
// level axis across it. Its effect on the balance is that of the weight moved level by the arm
// (the moment over the weight): the couple of weight and buoyancy must then cancel it, so the two
// lines of action end up the arm apart, on the side the moment pushes.
//   along(n)  = (x - (x . n) n) / |...|: level, towards the +x end;
//   across(n) = n x x / |n x x|:           level, towards the +y side (at n = z it is y).
// Both are unit, level (normal to n), and at right angles to each other; they are the righting-arm
// curve's frame (solver/righting_arm.h). A normal along x has neither: they are then zero.
Vec3 levelAlong(const Vec3& n);
Vec3 levelAcross(const Vec3& n);

// A point on the weight's line of action at the unit normal n: the centre of gravity with the
// liquids settled, moved level by the heeling arms. With no arm it is centreOfGravity(n) itself.
Vec3 weightLinePoint(LoadModel& load, const Vec3& n);

// The heeling moments' share of the potential energy over the weight, as a length: the moments
// do the work arm x angle as the body heels and trims, so they lower the potential by
//   heel arm x atan2(-ny, nz) + trim arm x asin(-nx),
// the heel and the trim of the righting-arm curve's frame. Its slope as the normal turns agrees
// with the couple of weightLinePoint to first order in the other angle, which is all the solvers'
// judging of steps needs; the equilibrium itself is where the lines of action meet.
double heelingPotential(const HeelingArms& arms, const Vec3& n);

// The restoring matrix of the loaded body (solver/stability.h) in the frame of wp: the
// waterplane's second moments less the free surfaces', plus V (zB - zG) on the diagonal. Each
// free surface's term is exact: as the body turns by w, a slack tank's liquid runs to the low side
// and its centre moves by i w / v (i its surface's second moments, v its volume), which adds the
// moment -rho_liquid i w: against the waterplane's +rho_water J w.
RestoringMatrix loadedRestoringMatrix(const WaterplaneProperties& wp,
                                      const SecondMoments* freeSurface, double V,
                                      double heightOfBAboveG);

// The waterplane with the free surfaces' second moments taken off: computeStability of it gives
// the fluid metacentric heights, of the waterplane itself the solid ones.
WaterplaneProperties lessFreeSurface(const WaterplaneProperties& wp, const SecondMoments& fs);
