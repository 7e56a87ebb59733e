#pragma once

#include "app/report/driver_texts.h"

// The console texts of the stability booklet (the hydrostatic table, the cross curves, the
// criteria), one table per language like the driver's: the Chinese table holds GBK bytes, the
// others are ASCII. Column heads that are the JSON report's names are not translated.
struct BookletTexts {
  const char* hydrostaticTitle;  // hydrostatic table's title
  const char* waterDensity;      // before the water's density
  const char* seaWater;          // after the density when no loading condition gives one
  const char* crossCurvesTitle;  // cross curves' title
  const char* referenceX;        // before the reference points' x
  const char* heel;              // the heel column's head
  const char* criteriaTitle;     // criteria table's title, before the set's name
  const char* criterion;         // column heads of the criteria table
  const char* required;
  const char* attained;
  const char* unit;
  const char* result;
  const char* margin;
  const char* pass;     // a criterion met
  const char* fail;     // a criterion not met
  const char* area030;  // the criteria's names
  const char* area040;
  const char* area3040;
  const char* gz30;
  const char* angleMaxGz;
  const char* gm0;
  const char* weather;
  const char* areaRatio;
  const char* side;              // before the side a criterion was judged on
  const char* floodingAngle;     // before the flooding angle
  const char* opening;           // before an opening's name
  const char* weatherDetails;    // before the weather criterion's construction
  const char* areaRatioDetails;  // before the area-ratio construction
  const char* verdict;           // before the set's verdict
};

const BookletTexts& bookletTexts(Language language);
