#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "geometry/line_segment.h"
#include "geometry/plane.h"
#include "geometry/vec3.h"

// The pillar file ("FourPillars.txt") gives four pillars of the structure, each by two points on
// its axis, in the body's coordinate system:
//   #1:
//   10,5,0
//   10,5,20
// and three more such entries. The label's number is not used: pillars are numbered by their place
// in the file. An entry may come without its label line. Each entry must be complete: a pillar
// that silently took another pillar's points would report a false draft.

// A fault that stops the reading. `line` is the line the message names (0 when unknown); the
// message is one line without a line break, e.g. "Pillar file line 5: expected the first point
// (x,y,z) of pillar 2".
struct PillarFileError {
  long line = 0;
  std::string message;
};

// Reads four entries from an open stream (positioned at its start) into pillars[0..3], in file
// order. Returns false with the error set when an entry is missing, broken, holds a number that
// is not finite or has its two points so far apart that their difference is not finite; pillars
// before it are then set, the others unchanged. Never prints, waits or exits.
bool parsePillarFile(std::FILE* file, LineSegment pillars[4], PillarFileError& error);

// Opens the file by name and reads it. A fault throws a ReadFault (input_scan.h) whose console
// lines are "Pillar file read error! " (and the error's message when the file was read) and whose
// detail names the file: the system's reason when it cannot be opened or read, otherwise
// "FILE: " and the error's message.
void readPillarFile(const char* fileName, LineSegment pillars[4]);

// Whether the whole line through the segment's two points crosses the water plane in one point
// that lies within the range of doubles. The plane's intersect writes `crossing` (also the
// midpoint of a line that lies in the plane).
bool crossesInOnePoint(const Plane& waterPlane, const LineSegment& line, Vec3& crossing);
// The draft on a line: the z coordinate, in body coordinates, of that crossing; none when the line
// does not cross the plane in one point.
std::optional<double> draftOnLine(const Plane& waterPlane, const LineSegment& line);

// The drafts: for k = 1..4 intersects the water plane with the line of pillar k, the crossing point
// going to crossings[k - 1], and when the line crosses the plane in one point writes
// "k号立柱吃水=z" (z of the crossing point, in body coordinates) to standard output. A pillar
// parallel to the plane, in it or not, gets no line, and so does one whose crossing lies beyond
// the range of doubles.
void writePillarDrafts(const Plane& waterPlane, const LineSegment pillars[4], Vec3 crossings[4]);

// One draft line on standard output, with a line end: `before`, the pillar's number k, `text` and
// the draft (Chinese: no `before`, then "号立柱吃水=").
void writePillarDraftLine(int k, double draft, const char* before, const char* text);
