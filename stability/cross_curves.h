#pragma once

#include <optional>
#include <vector>

#include "elements/floating_body.h"
#include "solver/righting_arm.h"

// Cross curves of stability. For a displacement volume V and a heel phi, KN is the righting arm
// of the body floating with V at that heel, its trim free (solver/righting_arm.h), about the
// reference point K: on the baseline z = 0 and the centre line y = 0, at x = the upright centre
// of buoyancy of V (or a given x). For a centre of gravity G straight above K, the couple's arm
// is KN less the part of KG across the heeled water plane's normal: GZ = KN - KG sin(phi) (the
// across direction of the heeled frame is (0, cos phi, sin phi), whatever the trim).

struct CrossCurve {
  double displacementVolume = 0;
  double referenceX = 0;                 // x of the reference point K
  std::vector<RightingArmPoint> points;  // gz holds KN
};

// One curve per volume, over the heels of the range. referenceX: the x of K for every volume; none:
// each volume's upright centre of buoyancy.
std::vector<CrossCurve> crossCurves(FloatingBody& body, const std::vector<double>& volumes,
                                    const HeelRange& heels, std::optional<double> referenceX);
