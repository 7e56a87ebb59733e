#pragma once

#include "app/report/driver_texts.h"
#include "app/run_options.h"

// A --case run, after the banner: reads the case file and the body it names, floats the loaded
// body (solver/load_model.h, loading/loaded_body.h), and writes the standard console lines, the
// "Loading condition" block, and what the options ask for (--summary, --gz, --json, --svg).
// Returns the exit code; a fault that ends the run is thrown as a ReadFault, which the console
// driver reports (exit code 1). A case file's error reads "CASE: line N: KEY: reason".
int runCaseFile(const RunOptions& options, const DriverTexts& texts, std::string& json);
