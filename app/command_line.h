#pragma once

#include <iosfwd>
#include <string>

// What the command line asks for. Without arguments the program asks for the SET file
// interactively; `floatstate FILE` takes it from the command line.
struct CommandLine {
  enum class Action { Run, Help, Version, UsageError };
  Action action = Action::Run;
  std::string setFile;  // empty: ask interactively
  std::string error;    // with UsageError: what was wrong
};

CommandLine parseCommandLine(int argc, const char* const* argv);
void writeUsage(std::ostream& out);
void writeVersion(std::ostream& out);
