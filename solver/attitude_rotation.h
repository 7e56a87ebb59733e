#pragma once

// The rotation toolkit of the attitude iteration: the matrix helpers and Vec3::rotateAbout
// (declared with Vec3 in geometry/vec3.h) and FloatingBody::tiltAxis and
// FloatingBody::actionLineDistance (declared with the body in elements/floating_body.h).

#include "elements/floating_body.h"
#include "geometry/vec3.h"
