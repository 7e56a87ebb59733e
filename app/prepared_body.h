#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "app/input/input_warnings.h"
#include "elements/floating_body.h"

// A body read and checked once, to be floated any number of times under any loading, from any
// number of threads at once: the elements of a SET file with the file's displacement and centre of
// gravity, or a closed surface (from a mesh file, or from arrays in memory) that has no loading
// until a run gives it one. Runs never change it: each floats a copy of its own (copyBody).
struct PreparedBody {
  std::string setFile;   // the SET file of a body of elements; empty for a surface
  std::string meshFile;  // the mesh file of a surface; empty for a SET body or arrays
  std::string name;      // what messages call the body: its file, or the arrays' name
  FloatingBody body;
  std::vector<InputWarning> warnings;  // the reading's findings, in the reports' order
  // A SET body's finding about the file's centre of gravity (none when it lies in the body's
  // box), which a run that gives another centre of gravity replaces.
  std::vector<InputWarning> gravityFindings;
  // What a surface's checks accepted as it is meant (an open deck, fins left out): each run of
  // the body says it again on its standard error.
  std::vector<std::string> notes;

  bool isSurface() const { return setFile.empty(); }
};

// Each reads and checks as a run of the program does; a fault is thrown as a ReadFault
// (app/input/input_scan.h) with the program's message, and its systemError when a file could not
// be opened or read. Findings of an input that fails are written to `err`, as a run writes them
// to standard error.
std::shared_ptr<const PreparedBody> prepareSetBody(const std::string& path, std::ostream& err);
std::shared_ptr<const PreparedBody> prepareMeshBody(const std::string& path, std::ostream& err);
// A surface from arrays (app/mesh/array_mesh.h), with the same checks as a mesh file's.
std::shared_ptr<const PreparedBody> prepareArrayBody(const std::string& name, const double* xyz,
                                                     std::size_t vertexCount,
                                                     const std::int64_t* corners,
                                                     std::size_t triangleCount, std::ostream& err);

// Copies a body's elements or surface, its bounds and its loading into a freshly constructed
// body; the evaluations are not copied (the copy prepares its own).
void copyBody(const FloatingBody& from, FloatingBody& to);
