#pragma once

#include <string>
#include <utility>
#include <vector>

#include "solver/righting_arm.h"
#include "stability/criteria_assessment.h"
#include "stability/hydrostatic_table.h"

// Option values that are more than one number, read the same way whatever the locale ('.' is the
// decimal point) and refused with a one-line reason that the command line quotes.

// Reads the heel range of --gz, "FROM:TO:STEP" in degrees (e.g. "0:60:5"): three finite numbers
// with -180 <= FROM <= TO <= 180, STEP > 0, and at most kMaxHeelAngles angles. Returns false with a
// one-line reason otherwise.
constexpr int kMaxHeelAngles = 10000;
bool parseHeelRange(const std::string& text, HeelRange& range, std::string& reason);
// The same checks of a range given as its three numbers.
bool checkHeelRange(const HeelRange& given, HeelRange& range, std::string& reason);

// Reads the draft range of --hydrostatics, "FROM:TO:STEP" in the body's length unit: three finite
// numbers with FROM <= TO, STEP > 0 and at most kMaxDrafts drafts.
constexpr int kMaxDrafts = 10000;
bool parseDraftRange(const std::string& text, DraftRange& range, std::string& reason);

// Reads "V1,V2,...": at least one positive finite number, at most kMaxCrossCurveVolumes.
constexpr int kMaxCrossCurveVolumes = 100;
bool parseVolumeList(const std::string& text, std::vector<double>& volumes, std::string& reason);

// Reads "AREA,LEVER" of --windage: two finite numbers, the area positive.
bool parseWindage(const std::string& text, Windage& windage, std::string& reason);

// Reads "NAME,X,Y,Z" of --opening: a name without a comma (not empty) and three finite numbers.
bool parseOpening(const std::string& text, Opening& opening, std::string& reason);

// Reads "HEEL:ARM,HEEL:ARM,..." of --wind-heeling-arm: rows of two finite numbers, the heels in
// degrees increasing.
bool parseHeelingArmRows(const std::string& text, std::vector<std::pair<double, double>>& rows,
                         std::string& reason);
