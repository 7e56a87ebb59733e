#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "geometry/line_segment.h"

// Draft marks: any number of named lines on the body, each given by two points, whose drafts are
// read like a pillar's. They come from a CSV file whose first line names the columns
//   name,x1,y1,z1,x2,y2,z2
// in any order (further columns are ignored), then one mark per line:
//   bow port,0,-5,0,0,-5,10
// A field may be quoted ("bow, port"); blanks around a field are dropped; blank lines are
// skipped; numbers use '.' as the decimal point.

struct DraftMark {
  std::string name;
  LineSegment line;
};

// A fault that stops the reading: the file's line (0 when none) and a one-line message that names
// the file and the line, e.g. `marks file m.csv line 4: y1 is not a number: "4,5"`.
struct MarksFileError {
  long line = 0;
  std::string message;
  int systemError = 0;  // the system's error number when the file could not be opened
};

// Reads the marks from `in`; `fileName` is only used in messages. Returns false with the error set
// on a missing column, a line whose number of fields differs from the header's, a field that is
// not a finite number, or two points too far apart to compute with.
bool parseMarks(std::istream& in, const std::string& fileName, std::vector<DraftMark>& marks,
                MarksFileError& error);
// Opens the file and reads it; a file that cannot be opened is an error with the system's reason.
bool readMarksFile(const std::string& path, std::vector<DraftMark>& marks, MarksFileError& error);
