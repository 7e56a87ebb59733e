#pragma once

#include <iosfwd>
#include <string>

#include "app/report/driver_texts.h"
#include "app/report/run_report.h"

// A number as the stream writes it with `digits` significant digits in general notation (at 6 the
// form of every fixed text); a NaN as `noValue`.
std::string formatNumber(double value, int digits, const char* noValue);

// The summary block written after the drafts: a title, then one line per quantity, each label
// padded to one width so that the values stand in one column, each value followed by its unit
// ("L" the SET file's length unit). Numbers have `digits` significant digits; a mark's name is
// written as it stands in the marks file, unconverted.
void writeSummary(std::ostream& out, const RunReport& report, const DriverTexts& texts, int digits);
