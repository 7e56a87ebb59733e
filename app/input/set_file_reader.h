#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "app/input/input_warnings.h"
#include "elements/cylinder.h"
#include "elements/floating_body.h"
#include "elements/hexahedron.h"
#include "elements/tetrahedron.h"
#include "elements/triangle_prism.h"

// The SET file (Format2) describes the body: four header lines
//   Volume of Displacement=<V>
//   Gra_Pt.x=<x>   Gra_Pt.y=<y>   Gra_Pt.z=<z>
// then element blocks in any order: a keyword line "Tetrahedron", "Hexahedron", "TrianglePrism" or
// "Cylinder" followed by its point lines "x,y,z" (4, 8 or 6 vertices; a cylinder has a point, a
// radius, a point, a radius). Lines between blocks that are not keywords (titles, comments, blank
// lines) are skipped.
//
// The file is read with the C library's formatted input, so white space is passed over wherever a
// format allows it, and a keyword line matches with LF or CR LF line ends. A header value or a
// block line that cannot be read, or any number that is not finite, is a fault: the body would
// otherwise float on values that were never in the file.

// A fault that stops the reading. `line` is the line the message names (0 when unknown); the
// message is one line without a line break, e.g.
//   "SET file line 7: expected vertex 3 (x,y,z) of the Hexahedron that starts at line 5".
struct SetFileError {
  long line = 0;
  std::string message;
};

// A line that was skipped although it looks like a keyword ("hexahedron", "Tetrahedron "): the
// element behind it is not read. The file is still read to its end.
struct SetFileWarning {
  long line = 0;
  std::string message;
};

// Which line of a block could not be read: its index among the lines behind the keyword (from 0)
// and whether it was read but holds a number that is not finite.
struct BlockReadFailure {
  int item = 0;
  bool notFinite = false;
};

// The block steps. Each reads the lines behind a keyword line, from the stream's position, and
// sets the element: a tetrahedron from its 4 vertices, a hexahedron from 8 and a prism from 6
// (setVertices, in file order); a cylinder from the first point, the second point and the first
// radius, with 30 segments (the second radius is read and has no effect). When a line cannot be
// read they return false, leave the element unchanged and the stream where the reading stopped.
bool readTetrahedron(std::FILE* file, Tetrahedron& element, BlockReadFailure& failure);
bool readHexahedron(std::FILE* file, Hexahedron& element, BlockReadFailure& failure);
bool readTrianglePrism(std::FILE* file, TrianglePrism& element, BlockReadFailure& failure);
bool readCylinder(std::FILE* file, Cylinder& element, BlockReadFailure& failure,
                  double* secondRadius = nullptr);

// Reads a whole SET file from an open stream (positioned at its start) into a freshly constructed
// body (counts zero). On success fills the body (elements of each kind in file order, bounds
// computed) and returns true. On a fault returns false with the error set; the body then holds no
// elements, though header values already read may have been stored. Warnings are appended in
// either case. Where coneSeen is given, it tells whether some cylinder's second radius differs
// from its first (the checks of input_warnings.h name such a cylinder). A UTF-8 byte-order mark
// at the start of the file is passed over. Never prints, waits or exits. Where `notes` is given
// and the file is read from memory, it receives what the reading learnt for the checks
// (ReadingNotes); it is left empty otherwise.
bool parseSetFile(std::FILE* file, FloatingBody& body, SetFileError& error,
                  std::vector<SetFileWarning>& warnings, bool* coneSeen,
                  ReadingNotes* notes = nullptr);
inline bool parseSetFile(std::FILE* file, FloatingBody& body, SetFileError& error,
                         std::vector<SetFileWarning>& warnings) {
  return parseSetFile(file, body, error, warnings, nullptr);
}
// The same, always by the stream's formatted reading. parseSetFile reads a regular file written
// the usual way from its bytes in memory instead (see set_file_text.h), which gives the same body
// sooner; the tests compare the two.
bool parseSetFileByStream(std::FILE* file, FloatingBody& body, SetFileError& error,
                          std::vector<SetFileWarning>& warnings, bool* coneSeen);
inline bool parseSetFileByStream(std::FILE* file, FloatingBody& body, SetFileError& error,
                                 std::vector<SetFileWarning>& warnings) {
  return parseSetFileByStream(file, body, error, warnings, nullptr);
}

// Reads the SET file as FloatingBody::readSetFile does (a fault ends the process with exit code 1,
// after the fixed console text and, on standard error, the system's reason), and returns the
// findings about the body: the reader's suspect lines and the checks of input_warnings.h. They are
// not written; readSetFile writes them to standard error.
std::vector<InputWarning> readSetFileWithWarnings(const char* fileName, FloatingBody& body);
// The same, the findings of a file that fails written to `err` instead of standard error; only
// the first `written` findings by line are sure to carry their text (see checkBody).
std::vector<InputWarning> readSetFileWithWarnings(const char* fileName, FloatingBody& body,
                                                  std::ostream& err,
                                                  std::size_t written = kAllFindings);
