#pragma once

// The attitude iteration: FloatingBody::solveFloatingAttitude (declared with the body in
// elements/floating_body.h) tilts the water-plane normal until gravity and buoyancy act on one
// line.

#include "elements/floating_body.h"
#include "geometry/bounding_box.h"

// `error`: the iteration's distance tolerance relative to the size of the body.
constexpr double kRelativeDistanceError = 1e-6;

// `d_error`: the distance between the lines of action of gravity and buoyancy at which the
// iteration counts the body as in equilibrium, kRelativeDistanceError times the box's diagonal.
double distanceTolerance(const BoundingBox& bounds);

// What one attitude iteration did: the step lines it wrote after step 0 (steps taken, forced ones
// included) and how often it placed the water plane (draft searches).
struct AttitudeCounts {
  int steps = 0;
  int draftSearches = 0;
};

// FloatingBody::solveFloatingAttitude, counting its work in `counts`; the same console lines and
// the same results bit for bit.
void solveFloatingAttitude(FloatingBody& body, Plane& plane, Vec3& buoyancyCentre, double V, Vec3 G,
                           AttitudeCounts& counts);
