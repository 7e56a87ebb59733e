#pragma once

#include <iosfwd>
#include <string>

#include "app/report/driver_texts.h"
#include "app/report/run_report.h"

// A number as the stream writes it with `digits` significant digits in general notation (at 6 the
// form of every fixed text); a NaN as `noValue`.
std::string formatNumber(double value, int digits, const char* noValue);

// A block's title: the head, the note on "L" (the length unit of the SET file, or of the mesh
// file), and, when baseline is not empty, the baseline's z as text (see DriverTexts).
std::string blockTitle(const char* head, bool meshFile, const std::string& baseline,
                       const DriverTexts& texts);

// The summary block written after the drafts: a title, then one line per quantity, each label
// padded to one width so that the values stand in one column, each value followed by its unit
// ("L" the length unit of the body's file). KB and the drafts are heights above the baseline; the
// title names it when the report does (RunReport::namesBaseline). Numbers have `digits`
// significant digits; a mark's name is written as it stands in the marks file, unconverted.
void writeSummary(std::ostream& out, const RunReport& report, const DriverTexts& texts, int digits);
