#include "app/run_output.h"

#include <cstdio>
#include <ostream>

#include "app/command_line.h"
#include "app/platform/console_encoding.h"
#include "app/platform/output_file.h"
#include "app/report/report_json.h"
#include "elements/console.h"

bool writeJsonReport(const RunOptions& options, const RunReport& report) {
  std::string failure;
  return writeJsonText(options.jsonFile, reportToJson(report, programVersion()), failure);
}

bool writeJsonText(const std::string& jsonFile, const std::string& json, std::string& failure) {
  if (jsonFile == "-") {
    std::ostream& out = console::standardOut();
    writeUnconverted(out, json);
    if (out.flush())
      return true;
    failure = "cannot write the report to standard output";
    return false;
  }
  return writeOutputFile(jsonFile, "the report", json, failure);
}

bool writeOutputFile(const std::string& path, const std::string& what,
                     const std::string& contents) {
  std::string failure;
  return writeOutputFile(path, what, contents, failure);
}

bool writeOutputFile(const std::string& path, const std::string& what, const std::string& contents,
                     std::string& failure) {
  std::string reason;
  if (writeFileReplacing(path, contents, reason))
    return true;
  failure = "cannot write " + what + " " + path + ": " + reason;
  console::out() << std::flush;
  writeUnconverted(console::err(), "floatstate: " + failure + "\n");
  return false;
}

void writeLongRunNote(int steps, double angleStep) {
  console::out() << std::flush;
  console::err() << "floatstate: the tilt iteration has taken " << steps
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
