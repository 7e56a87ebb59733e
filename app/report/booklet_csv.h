#pragma once

#include <string>
#include <vector>

#include "stability/cross_curves.h"
#include "stability/hydrostatic_table.h"

// The booklet's tables as CSV text: one head line of the JSON report's names, then one line per
// row; numbers in their shortest form that reads back to the same double ('.' whatever the
// locale), a number that does not exist an empty field; lines end with "\n".

// draft,volume,displacement,...,Cwp: one line per draft.
std::string hydrostaticTableCsv(const std::vector<HydrostaticRow>& rows);
// displacementVolume,heelDeg,trimDeg,kn: one line per volume and heel.
std::string crossCurvesCsv(const std::vector<CrossCurve>& curves);
