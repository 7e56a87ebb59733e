#pragma once

#include <vector>

#include "elements/floating_body.h"
#include "geometry/plane.h"
#include "geometry/vec3.h"
#include "submerged/waterplane.h"

// The buoyant volume of a hull with flooded compartments, as a signed sum of bodies cut by one
// plane: the hull with weight +1, each compartment open to the sea with weight -permeability.
// The water that floods a compartment stands at the sea's level, so it fills the compartment's
// free volume below the water plane and no more: the buoyancy the hull loses is permeability x
// (the compartment's volume below that plane), acting at that volume's centroid. Every quantity
// of the buoyant volume is then the same signed sum of the parts' own at that plane:
//   volume         V = sum w_k V_k,
//   moment         V B = sum w_k V_k B_k,
//   waterplane     A = sum w_k A_k, A F = sum w_k A_k F_k,
//   second moments about F by the parallel axes: I = sum w_k (I_k + A_k d_k d_k),
// because each is an integral over the region below the plane (or over its section), and
// integrals of a signed sum of regions are the signed sums of the integrals. The draft search and
// the restoring matrix need nothing else: the sum's volume grows with the level at the rate of its
// waterplane area, as a single body's does.
//
// A part is evaluated as the body evaluates itself: by its surface evaluation when it is a
// surface, by its fast evaluation when it has one, by its elements' plain cuts otherwise.
class BuoyantSum {
 public:
  struct Part {
    FloatingBody* body;
    double weight;
  };

  explicit BuoyantSum(std::vector<Part> parts) : parts_(std::move(parts)) {}
  const std::vector<Part>& parts() const { return parts_; }

  // Fixes the unit normal of the planes that volume() evaluates next. Nothing else may evaluate
  // the parts with another normal before those calls.
  void setNormal(const Vec3& n);
  // The signed volume below the plane of the normal of setNormal and offset D.
  double volume(double D);
  // The signed volume below the plane and its centre (the origin when the volume is exactly 0).
  void buoyancy(const Plane& plane, double& volume, Vec3& centre);
  // The waterplane of the signed sum (see above); when its area is not positive, the moments are
  // those summed and the centre of flotation the first part's.
  WaterplaneProperties waterplane(const Plane& plane) const;

 private:
  std::vector<Part> parts_;
  Vec3 normal_{0, 0, 1};
};

// One body's volume below the plane and its centre, evaluated as the buoyant sum evaluates its
// parts (its surface, fast or plain evaluation).
void partBuoyancy(FloatingBody& body, const Plane& plane, double& volume, Vec3& centre);
