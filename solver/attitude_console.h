#pragma once

#include "geometry/vec3.h"

// Console lines of the attitude iteration, written to console::out() in the console's language
// (Chinese as GBK bytes), each ended by std::endl. Numbers use the stream's own precision and
// notation; only alignment and widths are set.

// The four header lines: the fixed angle floor a_error, the relative distance tolerance and the
// absolute one, d_error.
void writeAttitudeHeader(double aError, double error, double dError);

// One progress line: "Step", the step number right-aligned in 3 columns, then det_an, d and the
// three components of the normal, each left-aligned (13, 13, 10, 10, 10 columns). Step 0 is the
// start state, for which no angle step has been taken: its det_an column shows the integer 0 and
// detAn is ignored. Leaves the console stream left-aligned. Writes nothing when the console shows
// no progress lines.
void writeAttitudeStepLine(int step, double detAn, double d, const Vec3& normal);

// The question asked when even the smallest angle step cannot reduce the distance.
void writeAttitudePrompt();
// An answer to it given without the user, on a line of its own as if typed: "y" or "n".
void writeAttitudeAnswer(bool yes);

// The note that the two points whose lines of action are measured lie closer than 1e-10.
void writePointsTooCloseMessage();
