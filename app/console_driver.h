#pragma once

#include <string>

#include "app/run_options.h"

#include "elements/floating_body.h"
#include "geometry/plane.h"
#include "geometry/vec3.h"

// One run of the program: banner, choice of the SET file (options.setFile, or asked for on the
// console when empty) or the surface mesh of options.mesh with its loading, reading, the timed
// equilibrium iteration, the result lines and the pillar drafts, then what the options ask for: the
// summary, the JSON report. Input findings and the verdict go to standard error. Returns the
// verdict's exit code (0 stable, 3 not in equilibrium, 4 unstable), or 1 when the report cannot be
// written or --strict refuses an input with findings; input errors end the process with exit
// code 1.
int runConsoleDriver(const RunOptions& options);

// Leaves the chosen SET file in inputFileName: the one given on the command line, or the one the
// user picks on the console. On cancel it warns (in the given language) and leaves the name empty,
// so the reader's open error ends the run.
void selectInputFile(std::string& inputFileName, Language language = Language::kChinese);

// Why the body as read cannot be floated, or an empty string when it can: no elements (nor a
// surface), a displacement volume that is not a positive finite number, a centre of gravity or a
// bounding-box diagonal that is not finite. Evaluates nothing.
std::string whyInputCannotFloat(const FloatingBody& body, double V, const Vec3& G);
// The same, and a whole body's volume that is not finite or is smaller than the displacement
// volume. Cuts every element once, by the fast evaluation where the body has one.
std::string whyBodyCannotFloat(FloatingBody& body, double V, const Vec3& G);

// Why the solver's result must not be reported as the body's floating attitude, or an empty string
// when it can: a water plane or a centre of buoyancy that is not finite, or a water plane below
// which the body does not hold V to a relative 1e-6 (the plane cannot be placed that finely: V
// is too small for the size of the body or for its distance from the origin). Cuts every element
// once.
std::string whyResultIsUnsound(FloatingBody& body, double V, const Plane& plane,
                               const Vec3& buoyancyCentre);
