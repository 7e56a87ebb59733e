#pragma once

// The draft search: FloatingBody::findWaterPlane (declared with the body in
// elements/floating_body.h, documented there) slides a plane of one normal until the body holds
// the displacement volume below it.

#include "elements/floating_body.h"

// The search's acceptance test: |V_t - V| / V below this.
constexpr double kRelativeVolumeTolerance = 1e-10;
