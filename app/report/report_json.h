#pragma once

#include <string>

#include "app/report/run_report.h"

// The report as a JSON document (UTF-8, two-space indentation, ending with a line break).
// Doubles are written in their shortest form that reads back to the same double; a number that
// does not exist (NaN, a pillar without a crossing) is null. Bytes of a path or a name that are
// not UTF-8 become U+FFFD. `programVersion` fills "program.version".
std::string reportToJson(const RunReport& report, const std::string& programVersion);
