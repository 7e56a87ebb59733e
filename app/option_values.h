#pragma once

#include <string>

#include "solver/righting_arm.h"

// Option values that are more than one number, read the same way whatever the locale ('.' is the
// decimal point) and refused with a one-line reason that the command line quotes.

// Reads the heel range of --gz, "FROM:TO:STEP" in degrees (e.g. "0:60:5"): three finite numbers
// with -180 <= FROM <= TO <= 180, STEP > 0, and at most kMaxHeelAngles angles. Returns false with a
// one-line reason otherwise.
constexpr int kMaxHeelAngles = 10000;
bool parseHeelRange(const std::string& text, HeelRange& range, std::string& reason);
// The same checks of a range given as its three numbers.
bool checkHeelRange(const HeelRange& given, HeelRange& range, std::string& reason);
