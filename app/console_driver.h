#pragma once

#include <string>

#include "app/run_options.h"

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

// Leaves the chosen SET file in inputFileName: the one given on the command line, or the one the
// user picks on the console. On cancel it warns (in the given language) and leaves the name empty,
// so the reader's open error ends the run.
void selectInputFile(std::string& inputFileName, Language language = Language::kChinese);
