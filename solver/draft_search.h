#pragma once

// The draft search: FloatingBody::findWaterPlane (declared with the body in
// elements/floating_body.h, documented there) slides a plane of one normal until the body holds
// the displacement volume below it.

#include "elements/floating_body.h"
#include "submerged/buoyant_sum.h"

// The search's acceptance test: |V_t - V| / V below this.
constexpr double kRelativeVolumeTolerance = 1e-10;

// The draft search of a hull with flooded compartments: the plane with the unit normal
// normal/|normal| below which the signed sum holds V (the same relative test), by the same
// bisection between the lowest and the highest corner of `bounds` (the hull's) along the normal,
// with every trial evaluated; and the sum's centre of buoyancy there.
void findWaterPlaneOfSum(BuoyantSum& sum, const BoundingBox& bounds, Plane& plane,
                         Vec3& buoyancyCentre, double V, Vec3 normal);
