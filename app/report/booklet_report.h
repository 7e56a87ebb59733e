#pragma once

#include <iosfwd>
#include <string>

#include "app/report/booklet_texts.h"
#include "app/report/run_report.h"

// The booklet's console tables, after the normal output: the hydrostatic table, the cross curves,
// the criteria. Numbers have `digits` significant digits; a number that does not exist shows
// noValue. Columns are right-aligned, as wide as their widest cell.

// The title, the water's density, a head row of the JSON report's names, a row of units and one
// row per draft.
void writeHydrostaticTable(std::ostream& out, const RunReport& report, const BookletTexts& texts,
                           const char* noValue, int digits);
// The title, the reference points' x, a head row (heel, then V=... per volume) and one row per
// heel with KN of every volume.
void writeCrossCurveTable(std::ostream& out, const std::vector<CrossCurve>& curves,
                          const BookletTexts& texts, const char* noValue, int digits);
// The title with the set's name, one row per criterion (its id and name, required, attained,
// unit, pass or fail, margin), the flooding angle on each side, the weather or area-ratio
// construction of the weaker side, and the verdict.
void writeCriteriaTable(std::ostream& out, const CriteriaAssessment& criteria,
                        const BookletTexts& texts, const char* noValue, int digits);

// The unit of each column of the hydrostatic table, in the order of hydrostaticColumnNames: "L"
// the body's length unit, "t" tonnes.
const char* const* hydrostaticColumnUnits();
// The JSON report's names of the hydrostatic table's columns, in order (19 of them).
const char* const* hydrostaticColumnNames();
constexpr int kHydrostaticColumns = 19;
// Row r's value of column c.
double hydrostaticValue(const HydrostaticRow& r, int c);
