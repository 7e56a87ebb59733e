#pragma once

#include <string>

#include "elements/floating_body.h"
#include "geometry/plane.h"
#include "geometry/vec3.h"

// Whether a body as read can be floated at all, and whether a solver's result may be reported as
// its floating attitude. The answers are sentences for the user, empty when all is well; nothing
// here prints or ends the process, so the console driver, the tools and the tests ask the same
// questions.

// The volume below the plane: by the fast evaluation where the body has one (the same bits,
// without cutting the elements wholly below or above the plane), else the plain evaluation.
double volumeBelow(FloatingBody& body, const Plane& plane);
// The volume of the whole body; of an open surface, the volume it encloses with its openings
// closed (TriangleSurface::enclosedVolume).
double wholeBodyVolume(FloatingBody& body);

// Why the body as read cannot be floated, or an empty string when it can: no elements (nor a
// surface), a displacement volume that is not a positive finite number, a centre of gravity or a
// bounding-box diagonal that is not finite. Evaluates nothing.
std::string whyInputCannotFloat(const FloatingBody& body, double V, const Vec3& G);
// The same, and a whole body's volume that is not finite or is smaller than the displacement
// volume (an open surface's is left to the draft search, which names the point of its opening
// that the water reaches). Cuts every element once, by the fast evaluation where the body has
// one.
std::string whyBodyCannotFloat(FloatingBody& body, double V, const Vec3& G);

// Why the solver's result must not be reported as the body's floating attitude, or an empty string
// when it can: a water plane or a centre of buoyancy that is not finite, or a water plane below
// which the body does not hold V to a relative 1e-6 (the plane cannot be placed that finely: V
// is too small for the size of the body or for its distance from the origin). Cuts every element
// once.
std::string whyResultIsUnsound(FloatingBody& body, double V, const Plane& plane,
                               const Vec3& buoyancyCentre);
