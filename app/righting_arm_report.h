#pragma once

#include <string>

#include "solver/righting_arm.h"

// Reads the heel range of --gz, "FROM:TO:STEP" in degrees (e.g. "0:60:5"): three finite numbers
// with -180 <= FROM <= TO <= 180, STEP > 0, and at most kMaxHeelAngles angles. Numbers are read
// with '.' whatever the locale. Returns false with a one-line reason otherwise.
constexpr int kMaxHeelAngles = 10000;
bool parseHeelRange(const std::string& text, HeelRange& range, std::string& reason);
