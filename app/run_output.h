#pragma once

#include <string>

#include "app/report/run_report.h"
#include "app/run_options.h"

// Steps that every kind of run (a body, a loading condition) shares with the console: the JSON
// report written where the options say, the tilt iteration's note on a long run, and whether a
// companion file beside the body is there to be read.

// Writes the JSON report to the options' file, whole or not at all, or to standard output for
// "-". False (after a message on standard error) when it cannot be written.
bool writeJsonReport(const RunOptions& options, const RunReport& report);

// Writes `contents` to `path` whole or not at all. False (after "floatstate: cannot write WHAT
// PATH: REASON" on standard error) when it cannot be written.
bool writeOutputFile(const std::string& path, const std::string& what, const std::string& contents);

// The tilt iteration's note at its 10,000th step, on standard error while it goes on.
void writeLongRunNote(int steps, double angleStep);

// Whether the file can be opened for reading now.
bool fileCanBeOpened(const std::string& path);
