#pragma once

#include <iosfwd>
#include <string>

#include "app/batch_run.h"
#include "app/run_options.h"

// What the command line asks for. Without arguments the program asks for the SET file
// interactively; `floatstate FILE` takes it from the command line; --batch runs a list of runs.
struct CommandLine {
  enum class Action { Run, Batch, Help, Version, UsageError };
  Action action = Action::Run;
  RunOptions options;
  BatchOptions batch;  // with Batch
  std::string error;   // with UsageError: what was wrong, holding the arguments as they were given
};

CommandLine parseCommandLine(int argc, const char* const* argv);
// The help: the usage lines, what the program does, every option and the exit codes.
void writeUsage(std::ostream& out);
// The usage lines alone, after a wrong command line.
void writeShortUsage(std::ostream& out);
void writeVersion(std::ostream& out);
// The program's version, as --version and the JSON report give it.
const char* programVersion();
