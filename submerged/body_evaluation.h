#pragma once

// The plain body evaluations, FloatingBody::computeSubmergedVolume and
// FloatingBody::computeBuoyancy (declared with the body in elements/floating_body.h): every
// element cut by the plane one by one, summed in forEachElement's order. They are the reference
// that every faster evaluation must match bit for bit.

#include "elements/floating_body.h"
