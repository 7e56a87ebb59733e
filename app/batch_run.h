#pragma once

#include <iosfwd>
#include <string>

// floatstate --batch LIST --json-lines OUT [--jobs N]: many runs in one call. LIST is a YAML file
// (JSON is YAML too; a build without the YAML library reads JSON only) holding a list of runs,
// either the document itself or its key "cases":
//   [ "ballast.yaml", {"body": "hull.txt"}, {"body": {"mesh": "hull.stl"}, "displacement": 120} ]
// A text is the path of a case file; an object with a loading condition's keys (weights, tanks,
// compartments, heeling_moments, water_density) is a case given inline, called "LIST run N" in
// its messages; any other object is a solve job (app/batch_job.h). Cases are floated with the
// Newton solver, as --case does. Paths are taken from LIST's folder.
//
// The runs go on `jobs` threads (0: one per hardware thread), every body file read once and shared
// by the runs that name it. OUT (- for standard output) gets one line per run, in LIST's order:
// the run's JSON report on one line, or {"error": {"kind": "input" | "file", "message": ...}} for
// a run that ended on a fault. A file is written whole at the end (or not at all). Each error is
// also one line on `err`, "floatstate: LIST: run N: MESSAGE" (N from 1), and a last line counts
// the runs, the reports, the errors and the seconds taken.
struct BatchOptions {
  std::string listFile;
  std::string linesFile;
  int jobs = 0;
};

// Returns 0 when every run gave a report, 1 when a run ended on a fault or LIST cannot be read or
// OUT written.
int runBatch(const BatchOptions& options, std::ostream& out, std::ostream& err);
