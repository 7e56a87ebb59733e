#pragma once

#include <iosfwd>

#include "app/report/driver_texts.h"
#include "solver/righting_arm.h"

// The curve as a table after the normal output: the title (naming the length unit of the SET
// file, or of the mesh file), a head row and one row per heel (heel, trim, GZ, right-aligned; a
// row whose trim could not be balanced ends with '*', and the note on it follows the rows; so
// does the line on the heel where the water reached an open surface's opening), then the summary
// lines, each label padded to one width: the maximum GZ and its heel, the angle of vanishing
// stability, the areas to 30 and 40 degrees ("L rad"). Numbers have `digits` significant digits; a
// value the range does not contain shows texts.noValue.
void writeRightingArmTable(std::ostream& out, const RightingArmCurve& curve, bool meshFile,
                           const DriverTexts& texts, int digits);
