#pragma once

#include "elements/console.h"

// The languages of the console texts. Chinese is the program's own text, written as GBK bytes;
// every other language is ASCII with the same layout, numbers and line count.
using Language = console::Language;

// The console texts of the driver, one table per language. The Chinese table holds the program's
// own GBK bytes; every other table is ASCII with the same layout. A new language is one more
// table in driver_texts.cpp and one more name for --lang.
struct DriverTexts {
  const char* banner;
  const char* displacement;     // before V
  const char* gravity;          // before the centre of gravity's coordinates
  const char* start;            // the line before the iteration
  const char* elapsedFormat;    // printf format of the elapsed seconds, with its line break
  const char* plane;            // before A
  const char* buoyancy;         // before the centre of buoyancy's coordinates
  const char* pillarBefore;     // before the pillar's number
  const char* pillarDraft;      // between the pillar's number and its draft
  const char* openFailed;       // the warning after a cancelled file choice
  const char* textFilesFilter;  // the file choice's two filters
  const char* allFilesFilter;

  // The summary block: its title, then one label per line, padded to one width by the writer. The
  // titles of the summary and of the righting-arm table are the head (summaryTitle, gzTitle), the
  // unit's note for the body's file and, when the baseline is named, baselineBefore, its z and
  // baselineAfter; then titleEnd.
  const char* summaryTitle;
  const char* heel;
  const char* trim;
  const char* meanDraft;
  const char* waterplaneArea;
  const char* centreOfFlotation;
  const char* kb;
  const char* bmt;
  const char* bml;
  const char* gmt;
  const char* gml;
  const char* verdict;
  const char* mark;     // before a mark's name
  const char* degrees;  // the unit of heel and trim
  const char* noValue;  // in place of a number that does not exist (a mark without a crossing)
  const char* stable;
  const char* unstable;
  const char* notConverged;

  // The righting-arm table: its title, the heads of its three columns, the labels of its summary
  // lines, and the note on a heel at which no trim balanced the body (its row carries a '*').
  const char* gzTitle;
  const char* gzHeel;
  const char* gzTrim;
  const char* gzArm;
  const char* gzMaximum;
  const char* gzMaximumHeel;
  const char* gzVanishing;
  const char* gzArea30;
  const char* gzArea40;
  const char* gzTrimNotFound;
  // The line after the rows of a curve that reached an open surface's opening: a printf format
  // taking the heel and the point "(x, y, z)", both as text.
  const char* gzOpening;
  const char* unitOfSetFile;
  const char* unitOfMeshFile;
  const char* baselineBefore;
  const char* baselineAfter;
  const char* titleEnd;

  // The "Loading condition" block of a --case run: its title with the units, the labels before a
  // weight's, tank's, flooded compartment's and heeling moment's name, the words of their values,
  // and the labels of the totals. Then the righting-arm table's heeling-arm column and lines.
  const char* loadingTitle;
  const char* waterDensity;
  const char* weightLabel;
  const char* tankLabel;
  const char* compartmentLabel;
  const char* momentLabel;
  const char* fillWord;
  const char* volumeWord;
  const char* massWord;
  const char* centreWord;
  const char* centroidWord;  // of a flooded volume
  const char* freeSurfaceWord;
  const char* permeabilityWord;
  const char* floodedWord;
  const char* heelDirection;
  const char* trimDirection;
  const char* totalMass;
  const char* displacementVolume;
  const char* kgSolid;
  const char* fscTransverse;
  const char* fscLongitudinal;
  const char* kgFluid;
  const char* gmtSolid;
  const char* gmlSolid;
  const char* gmtFluid;
  const char* gmlFluid;
  const char* gzHeelingArm;
  const char* gzCrossing;
  const char* gzResidual;
  const char* gzResidualToEnd;
};

const DriverTexts& driverTexts(Language language);
