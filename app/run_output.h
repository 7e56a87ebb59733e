#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/report/driver_texts.h"
#include "app/report/run_report.h"
#include "app/run_options.h"
#include "solver/attitude_iteration.h"
#include "solver/newton_solver.h"

// Steps that every kind of run (a body, a loading condition) shares with the console: the JSON
// report written where the options say, the tilt iteration's note on a long run, and whether a
// companion file beside the body is there to be read.

// Standard error and standard output here are the console's (elements/console.h): a run on
// another thread sends them where its caller wants.

// Writes the JSON report to the options' file, whole or not at all, or to standard output for
// "-". False (after a message on standard error) when it cannot be written.
bool writeJsonReport(const RunOptions& options, const RunReport& report);
// The same for a report already written as JSON text; `failure` says what went wrong.
bool writeJsonText(const std::string& jsonFile, const std::string& json, std::string& failure);

// Writes `contents` to `path` whole or not at all. False (after "floatstate: cannot write WHAT
// PATH: REASON" on standard error, and that message without "floatstate: " in `failure`) when it
// cannot be written.
bool writeOutputFile(const std::string& path, const std::string& what, const std::string& contents);
bool writeOutputFile(const std::string& path, const std::string& what, const std::string& contents,
                     std::string& failure);

// The tilt iteration's note at its 10,000th step, on standard error while it goes on.
void writeLongRunNote(int steps, double angleStep);

// Runs the solver the options choose through one of the two calls, which float the body with the
// settings given (the tilt iteration's are in force while its call runs, also when it throws),
// records the method and the counts in the report, and returns the lines for standard error: where
// the Newton solver left its Newton steps, the answers of --answer yes running out, and the step
// limit when the run ended there.
struct SolverCalls {
  std::function<NewtonOutcome(const NewtonSettings&)> newton;
  std::function<void(AttitudeCounts&)> tiltIteration;
};
std::vector<std::string> runChosenSolver(const RunOptions& options, const SolverCalls& calls,
                                         RunReport& report);

// The solve's elapsed time on the console, in the texts' format.
void writeElapsed(const char* format, double seconds);
// The solved water plane and centre of buoyancy: kept in the report and written as the console's
// result lines.
void reportSolvedPlane(const DriverTexts& t, const Plane& plane, const Vec3& buoyancyCentre,
                       RunReport& report);

// Whether the file can be opened for reading now.
bool fileCanBeOpened(const std::string& path);
