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

namespace {

// Puts the tilt iteration's settings back when the solve ends, also by an exception (the water
// reaching an open surface's opening).
struct AttitudeSettingsForRun {
  explicit AttitudeSettingsForRun(const AttitudeIterationSettings& settings) {
    setAttitudeIterationSettings(settings);
  }
  ~AttitudeSettingsForRun() { setAttitudeIterationSettings(AttitudeIterationSettings()); }
  AttitudeSettingsForRun(const AttitudeSettingsForRun&) = delete;
  AttitudeSettingsForRun& operator=(const AttitudeSettingsForRun&) = delete;
};

}  // namespace

std::vector<std::string> runChosenSolver(const RunOptions& options, const SolverCalls& calls,
                                         RunReport& report) {
  std::vector<std::string> notes;
  bool limited;
  int limit = options.maxSteps;
  if (options.method == SolverMethod::kNewton) {
    NewtonSettings settings;
    settings.maxSteps = limit = limit > 0 ? limit : kDefaultNewtonMaxSteps;
    settings.leaveUnstableEquilibria = true;
    const NewtonOutcome outcome = calls.newton(settings);
    report.solver.method = "newton";
    report.solver.steps = outcome.steps;
    report.solver.draftSearches = outcome.draftSearches;
    notes = newtonNotes(outcome);
    limited = outcome.stepLimitReached;
  } else {
    AttitudeIterationSettings settings;
    settings.maxSteps = limit;
    settings.onLongRun = writeLongRunNote;
    settings.answer = options.answer;
    AttitudeCounts counts;
    {
      const AttitudeSettingsForRun forRun(settings);
      calls.tiltIteration(counts);
    }
    report.solver.method = "greedy";
    report.solver.steps = counts.steps;
    report.solver.draftSearches = counts.draftSearches;
    limited = counts.stepLimitReached;
    if (counts.givenYesExhausted) {
      notes.push_back("floatstate: --answer yes: the question was answered yes " +
                      std::to_string(kMostGivenYes) + " times, then no: the body does not settle");
    }
  }
  if (limited) {
    notes.push_back("floatstate: the iteration stopped at its limit of " + std::to_string(limit) +
                    " steps (--max-steps)");
  }
  return notes;
}

void writeElapsed(const char* format, double seconds) {
  char line[256];
  std::snprintf(line, sizeof line, format, seconds);
  console::out() << line << std::flush;
}

void reportSolvedPlane(const DriverTexts& t, const Plane& plane, const Vec3& buoyancyCentre,
                       RunReport& report) {
  report.waterPlane = plane;
  report.centreOfBuoyancy = buoyancyCentre;
  console::out() << t.plane << plane.A << " , B=" << plane.B << " , C=" << plane.C
                 << " , D=" << plane.D << std::endl;
  console::out() << t.buoyancy << buoyancyCentre.x << " , " << buoyancyCentre.y << " , "
                 << buoyancyCentre.z << " )." << std::endl;
}

bool fileCanBeOpened(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "r");
  if (file == nullptr)
    return false;
  std::fclose(file);
  return true;
}
