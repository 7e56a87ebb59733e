#pragma once

#include <cstdio>
#include <iosfwd>
#include <string>
#include <vector>

#include "app/input/split_check.h"
#include "elements/floating_body.h"

// Findings about a body as read that do not stop the run but probably mean the body is not what
// its author meant: elements whose volume depends on how they are split, vanishing elements,
// cylinders described as something else, a centre of gravity away from the body. Each names the
// SET file line where its element or line starts (0: the file as a whole).
struct InputWarning {
  long line = 0;
  std::string message;  // one line, without the program's prefix
};

// Where each element block starts (its keyword line, from 1) per kind, in file order, and each
// cylinder's second radius, which the reader passes over. Found by reading the file again line by
// line, only when a finding must be placed.
struct ElementLines {
  std::vector<long> tetrahedra, hexahedra, prisms, cylinders;
  std::vector<double> secondRadii;  // NaN where the line cannot be read as a number
};
ElementLines scanElementLines(std::FILE* file);

// What a reading of a SET file learnt on its way that the checks would otherwise find out again:
// the split volumes of every solid, and, where the file keeps every value on a line of its own and
// every keyword at the start of its line, the lines scanElementLines would find (linesCounted).
struct ReadingNotes {
  MeasuredSplits splits;
  ElementLines lines;
  bool linesCounted = false;
};

// The checks of the body's elements and of its centre of gravity, in file order of each kind
// (tetrahedra, hexahedra, prisms, cylinders), then the centre of gravity. `lines` may be shorter
// than the body's arrays (a line is then 0). The split volumes a reading measured (`measured`,
// one per element of a kind, else that kind is measured here) are taken as they are.
// Every finding is counted and placed; with `written` below their number, only the first
// `written` by line (in their order within a line, as writeWarnings writes them) are sure to
// carry their text: a run that writes no report spends nothing on the others' text.
constexpr std::size_t kAllFindings = static_cast<std::size_t>(-1);
std::vector<InputWarning> checkBody(FloatingBody& body, const ElementLines& lines,
                                    std::size_t written = kAllFindings,
                                    const MeasuredSplits* measured = nullptr);
// A number as the findings write it: as a stream of precision 9 does (printf's %.9g).
std::string formatNineDigits(double value);
// Whether checkBody finds anything, found without going on past the first finding.
bool bodyHasFindings(FloatingBody& body, const MeasuredSplits* measured = nullptr);

// The last of those checks alone: the finding about a centre of gravity outside the box of the
// body's elements (at the header's line), or none. A run that gives the body another centre of
// gravity replaces the file's finding by this one.
std::vector<InputWarning> gravityFindings(const FloatingBody& body);

// At most this many findings are written one per line; the rest are counted in one line more.
constexpr std::size_t kMaxWarningLines = 20;

// Writes "floatstate: warning: MESSAGE" per finding, sorted by line.
void writeWarnings(std::ostream& out, const std::vector<InputWarning>& warnings);
