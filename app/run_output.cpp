#include "app/run_output.h"

#include <cstdio>
#include <iostream>

#include "app/command_line.h"
#include "app/platform/console_encoding.h"
#include "app/platform/output_file.h"
#include "app/report/report_json.h"
#include "elements/console.h"

bool writeJsonReport(const RunOptions& options, const RunReport& report) {
  const std::string json = reportToJson(report, programVersion());
  if (options.jsonFile == "-") {
    writeUnconverted(std::cout, json);
    return static_cast<bool>(std::cout.flush());
  }
  return writeOutputFile(options.jsonFile, "the report", json);
}

bool writeOutputFile(const std::string& path, const std::string& what,
                     const std::string& contents) {
  std::string reason;
  if (writeFileReplacing(path, contents, reason))
    return true;
  console::out() << std::flush;
  writeUnconverted(std::cerr,
                   "floatstate: cannot write " + what + " " + path + ": " + reason + "\n");
  return false;
}

void writeLongRunNote(int steps, double angleStep) {
  console::out() << std::flush;
  std::cerr << "floatstate: the tilt iteration has taken " << steps
            << " steps and its angle step has stalled at " << angleStep
            << " rad (it never grows again); --method newton converges faster" << std::endl;
}

bool fileCanBeOpened(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "r");
  if (file == nullptr)
    return false;
  std::fclose(file);
  return true;
}
