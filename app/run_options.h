#pragma once

#include <optional>
#include <string>

#include "app/mesh/mesh_body.h"
#include "app/report/driver_texts.h"
#include "solver/righting_arm.h"

// The attitude solvers: the tilt iteration (the program's own) and Newton steps on the restoring
// matrix.
enum class SolverMethod { kGreedy, kNewton };

// What one run is asked to do, as given on the command line. Every field has the value of a run
// without options, so a default-constructed RunOptions runs exactly as the bare program does.
struct RunOptions {
  std::string setFile;    // the body; empty: asked for on the console
  std::string jsonFile;   // the JSON report; empty: none; "-": standard output
  std::string marksFile;  // draft marks (CSV); empty: none
  bool summary = false;   // the summary block after the drafts
  int digits = 6;         // significant digits of every number beyond the fixed texts
  Language language = Language::kChinese;
  bool quiet = false;           // no step lines
  bool strict = false;          // any input warning ends the run before solving
  std::optional<HeelRange> gz;  // the righting-arm curve over these heels; none: no curve
  std::string svgFile;          // the picture of the result; empty: none
  SolverMethod method = SolverMethod::kGreedy;
  int maxSteps =
      0;  // the solver's step limit; 0: the method's own (none for greedy, 50 for newton)
  MeshRunInput mesh;     // the body as a closed surface mesh with its loading; no mesh file: none
  std::string caseFile;  // the body and its loading condition (YAML or JSON); empty: none
};
