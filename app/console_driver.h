#pragma once

#include <string>

#include "elements/floating_body.h"
#include "geometry/vec3.h"

// One run of the program: banner, choice of the SET file (setFile, or asked for on the console
// when empty), reading, the timed equilibrium iteration, the report and the pillar drafts.
// Returns the exit code of a complete run (0); input errors end the process with exit code 1.
int runConsoleDriver(std::string setFile);

// Leaves the chosen SET file in inputFileName: the one given on the command line, or the one the
// user picks on the console. On cancel it warns and leaves the name empty, so the reader's open
// error ends the run.
void selectInputFile(std::string& inputFileName);

// Why the body as read cannot be floated, or an empty string when it can: no elements, a
// displacement volume that is not a positive finite number or exceeds the whole body's volume, a
// centre of gravity or a body volume that is not finite. Cuts every element once.
std::string whyBodyCannotFloat(FloatingBody& body, double V, const Vec3& G);
