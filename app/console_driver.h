#pragma once

#include <iosfwd>
#include <string>

#include "app/run_options.h"

class ReadFault;  // app/input/input_scan.h

// One run of the program: banner, choice of the SET file (options.setFile, or asked for on the
// console when empty) or the surface mesh of options.mesh with its loading, reading, the timed
// equilibrium iteration, the result lines and the pillar drafts, then what the options ask for: the
// summary, the JSON report. Input findings and the verdict go to standard error. Returns the
// verdict's exit code (0 stable, 3 not in equilibrium, 4 unstable), or 1 when the report cannot be
// written or --strict refuses an input with findings, an input error or a body that cannot float
// (said on the console and standard error before it returns). A pillar file that the run needs
// and cannot read ends it with 1 too, after every report it was asked for has been written. With
// options.answer nothing is read from standard input. Ends no process: only main does.
int runConsoleDriver(const RunOptions& options);

// Where one run writes and reads: `out` stands for standard output (the console texts, and the
// JSON report of --json -), `err` for standard error, `in` for standard input (the answers).
// `console` says the run owns the process's console: only then may it ask for the SET file
// there, and pause for a key before it ends when that console is interactive. Runs that do not
// (a library's, a batch's) may run on several threads at once, each with its own streams.
struct RunStreams {
  std::ostream& out;
  std::ostream& err;
  std::istream& in;
  bool console = false;
  // Whether the caller takes the run's JSON report (RunResult::json); without it the report is
  // written only where options.jsonFile says.
  bool keepReport = true;
};

// Why a run ended with exit code 1, for a caller that takes its report rather than its console.
struct RunFault {
  enum class Kind {
    kNone,   // the run has no fault (its exit code is the verdict's)
    kInput,  // an input's content: a file's syntax, a body that cannot float, --strict, ...
    kFile,   // a file that could not be opened, read or written
  };
  Kind kind = Kind::kNone;
  // The program's message: its line on standard error without "floatstate: " (or, for a fault
  // that has none, its console line).
  std::string message;
  int systemError = 0;  // the system's error number of a file that could not be opened or read
};

struct RunResult {
  int exitCode = 0;
  // The JSON report of the run, as --json writes it, whether or not options.jsonFile asks for a
  // file (when the streams keep the report); empty when the run ended before it had a result.
  std::string json;
  RunFault fault;
};

// The fault of a reader, as a run ends on it.
RunFault runFaultOf(const ReadFault& fault);

// The run of runConsoleDriver on the given streams, from any thread: the console texts, the
// findings and the faults go to the streams, never to the process's own. Writes the files the
// options name, as the program does.
RunResult runForReport(const RunOptions& options, const RunStreams& streams);

// Leaves the chosen SET file in inputFileName: the one given on the command line, or the one the
// user picks on the console. On cancel it warns (in the given language) and leaves the name empty,
// so the reader's open error ends the run.
void selectInputFile(std::string& inputFileName, Language language = Language::kChinese);
