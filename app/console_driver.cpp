#include "app/console_driver.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <sstream>

#include "app/case_driver.h"
#include "app/command_line.h"
#include "app/input/draft_marks.h"
#include "app/input/input_scan.h"
#include "app/input/input_warnings.h"
#include "app/input/pillar_file.h"
#include "app/input/set_file_reader.h"
#include "app/mesh/mesh_body.h"
#include "app/platform/console_encoding.h"
#include "app/platform/output_file.h"
#include "app/platform/platform.h"
#include "app/report/driver_texts.h"
#include "app/report/report_json.h"
#include "app/report/righting_arm_report.h"
#include "app/report/run_report.h"
#include "app/report/summary.h"
#include "app/report/svg_picture.h"
#include "elements/console.h"
#include "geometry/line_segment.h"
#include "geometry/plane.h"
#include "solver/attitude_iteration.h"
#include "solver/equilibrium_verdict.h"
#include "solver/float_checks.h"
#include "solver/newton_solver.h"

namespace {

void prepareEvaluation(FloatingBody& body) {
  if (!body.prepareFastEvaluation()) {
    writeUnconverted(std::cerr,
                     "floatstate: not enough memory for the fast evaluation: the plain "
                     "one is used (the same results, later)\n");
  }
}

// A fault that ends the run with exit code 1 from inside one of its steps: `consoleLine` on the
// console (then the wait for the user), or `detail` alone on standard error. runConsoleDriver
// catches it, so that the process ends only where main returns.
struct RunRefused {
  std::string consoleLine;
  std::string detail;
};

[[noreturn]] void failRun(const std::string& message) {
  throw RunRefused{message, ""};
}

// A fault of an input that only the options name (the marks file): one line on standard error and
// exit code 1.
[[noreturn]] void failInput(const std::string& message) {
  throw RunRefused{"", message};
}

int reportRefusal(const RunRefused& refused) {
  if (!refused.consoleLine.empty()) {
    console::out() << refused.consoleLine << std::endl;
    console::waitForUser();
  } else {
    console::out() << std::flush;
    writeUnconverted(std::cerr, "floatstate: " + refused.detail + "\n");
  }
  return 1;
}

void writeElapsed(const char* format, double seconds) {
  char line[256];
  std::snprintf(line, sizeof line, format, seconds);
  console::out() << line << std::flush;
}

// The console as the options set it for one run: the language of every layer's texts, the step
// lines shown or not, and, while the JSON report goes to standard output, the console texts on
// standard error, so that standard output holds nothing but the JSON. Put back at the end.
class ConsoleForRun {
 public:
  explicit ConsoleForRun(const RunOptions& options)
      : jsonOnStandardOutput_(options.jsonFile == "-") {
    console::setLanguage(options.language);
    console::showProgress(!options.quiet);
    if (jsonOnStandardOutput_)
      console::redirect(&std::cerr, nullptr);
  }
  ~ConsoleForRun() {
    console::setLanguage(Language::kChinese);
    console::showProgress(true);
    if (jsonOnStandardOutput_)
      console::redirect(nullptr, nullptr);
  }
  ConsoleForRun(const ConsoleForRun&) = delete;
  ConsoleForRun& operator=(const ConsoleForRun&) = delete;

 private:
  bool jsonOnStandardOutput_;
};

bool fileCanBeOpened(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "r");
  if (file == nullptr)
    return false;
  std::fclose(file);
  return true;
}

// What was read, written as the console's first lines and kept for the report.
void reportInput(FloatingBody& body, const DriverTexts& t, RunReport& report) {
  report.displacementVolume = body.displacementVolume;
  console::out() << t.displacement << report.displacementVolume << std::endl;
  const Vec3 G = body.getCentreOfGravity();
  report.centreOfGravity = G;
  console::out() << t.gravity << G.x << " , " << G.y << " , " << G.z << " )" << std::endl;
  report.elements = {body.tetrahedronCount, body.hexahedronCount, body.prismCount,
                     body.cylinderCount};
}

// Reads and checks the surface mesh of a --mesh run into the body. Its findings become warnings
// without a line; a mesh that cannot be read or bound a solid ends the run (exit code 1).
std::vector<InputWarning> readMeshBody(const MeshRunInput& input, FloatingBody& body,
                                       RunReport& report) {
  std::string error;
  std::vector<std::string> findings;
  const bool loaded = loadMeshBody(input, body, error, findings);
  std::vector<InputWarning> warnings;
  for (const std::string& finding : findings)
    warnings.push_back(InputWarning{0, finding});
  if (!loaded) {
    writeWarnings(std::cerr, warnings);
    throwReadFault({}, error);
  }
  report.meshFile = input.meshFile;
  report.triangles = static_cast<long long>(body.surface.triangles.size());
  return warnings;
}

std::vector<DraftMark> readMarks(const RunOptions& options) {
  std::vector<DraftMark> marks;
  MarksFileError error;
  if (!options.marksFile.empty() && !readMarksFile(options.marksFile, marks, error))
    failInput(error.message);
  return marks;
}

// The tilt iteration's note at its 10,000th step, on standard error while it goes on.
void writeLongRunNote(int steps, double angleStep) {
  console::out() << std::flush;
  std::cerr << "floatstate: the tilt iteration has taken " << steps
            << " steps and its angle step has stalled at " << angleStep
            << " rad (it never grows again); --method newton converges faster" << std::endl;
}

// Runs the chosen solver, records its method and counts, and returns its lines for standard error:
// where the Newton solver left its Newton steps, and the step limit when the run ended there.
std::vector<std::string> runSolver(FloatingBody& body, const RunOptions& options, Plane& plane,
                                   Vec3& buoyancyCentre, RunReport& report) {
  const double V = report.displacementVolume;
  const Vec3 G = report.centreOfGravity;
  std::vector<std::string> notes;
  bool limited;
  int limit = options.maxSteps;
  if (options.method == SolverMethod::kNewton) {
    NewtonSettings settings;
    settings.maxSteps = limit = limit > 0 ? limit : kDefaultNewtonMaxSteps;
    const NewtonOutcome outcome = solveNewtonAttitude(body, plane, buoyancyCentre, V, G, settings);
    report.solver.method = "newton";
    report.solver.steps = outcome.steps;
    report.solver.draftSearches = outcome.draftSearches;
    notes = newtonNotes(outcome);
    limited = outcome.stepLimitReached;
  } else {
    AttitudeIterationSettings settings;
    settings.maxSteps = limit;
    settings.onLongRun = writeLongRunNote;
    setAttitudeIterationSettings(settings);
    AttitudeCounts counts;
    solveFloatingAttitude(body, plane, buoyancyCentre, V, G, counts);
    setAttitudeIterationSettings(AttitudeIterationSettings());
    report.solver.method = "greedy";
    report.solver.steps = counts.steps;
    report.solver.draftSearches = counts.draftSearches;
    limited = counts.stepLimitReached;
  }
  if (limited) {
    notes.push_back("floatstate: the iteration stopped at its limit of " + std::to_string(limit) +
                    " steps (--max-steps)");
  }
  return notes;
}

// The timed iteration and its result lines; returns the solver's lines for standard error.
std::vector<std::string> solve(FloatingBody& body, const RunOptions& options, const DriverTexts& t,
                               RunReport& report) {
  const double V = report.displacementVolume;
  const std::int64_t frequency = performanceFrequency();
  const std::int64_t start = performanceCounter();
  console::out() << t.start << std::endl;
  Plane plane;
  Vec3 buoyancyCentre;
  const std::vector<std::string> notes = runSolver(body, options, plane, buoyancyCentre, report);
  const std::int64_t end = performanceCounter();
  report.solver.seconds =
      (static_cast<double>(end) - static_cast<double>(start)) / static_cast<double>(frequency);
  writeElapsed(t.elapsedFormat, report.solver.seconds);
  const std::string unsound = whyResultIsUnsound(body, V, plane, buoyancyCentre);
  if (!unsound.empty())
    failRun(unsound);
  report.waterPlane = plane;
  report.centreOfBuoyancy = buoyancyCentre;

  console::out() << t.plane << plane.A << " , B=" << plane.B << " , C=" << plane.C
                 << " , D=" << plane.D << std::endl;
  console::out() << t.buoyancy << buoyancyCentre.x << " , " << buoyancyCentre.y << " , "
                 << buoyancyCentre.z << " )." << std::endl;
  return notes;
}

// The pillar drafts, and the marks' when asked for. With marks, the pillar file may be absent.
// Returns the lines of the pillars and marks, for the picture.
std::vector<PictureMark> reportDrafts(const RunOptions& options,
                                      const std::vector<DraftMark>& marks, const DriverTexts& t,
                                      RunReport& report) {
  std::vector<PictureMark> lines;
  const std::string pillarFile = pathInSameFolder(bodyFile(report), "FourPillars.txt");
  if (options.marksFile.empty() || fileCanBeOpened(pillarFile)) {
    LineSegment pillars[4];
    readPillarFile(pillarFile.c_str(), pillars);
    report.pillarFile = pillarFile;
    for (const LineSegment& pillar : pillars) {
      report.pillarDrafts.push_back(draftOnLine(report.waterPlane, pillar));
      lines.push_back({std::to_string(lines.size() + 1), pillar});
    }
    for (std::size_t k = 0; k < report.pillarDrafts.size(); ++k) {
      if (report.pillarDrafts[k])
        writePillarDraftLine(static_cast<int>(k + 1), *report.pillarDrafts[k], t.pillarBefore,
                             t.pillarDraft);
    }
  }
  report.marksGiven = !options.marksFile.empty();
  for (const DraftMark& mark : marks) {
    report.marks.push_back({mark.name, draftOnLine(report.waterPlane, mark.line)});
    lines.push_back({mark.name, mark.line});
  }
  return lines;
}

// The verdict on the final plane, with the waterplane and the metacentric heights it rests on.
EquilibriumCheck judge(const FloatingBody& body, RunReport& report) {
  const EquilibriumCheck check =
      checkEquilibrium(body, report.waterPlane, report.centreOfBuoyancy, report.displacementVolume,
                       report.centreOfGravity);
  report.solver.converged = check.converged;
  report.solver.distance = check.distance;
  report.solver.distanceTolerance = check.tolerance;
  report.verdict = check.verdict;
  const WaterplaneProperties& w = check.waterplane;
  const StabilityResult& s = check.stability;
  if (check.hasWaterplane)
    report.hydrostatics = {w.area, w.centreOfFlotation, s.GMt, s.GMl, s.GMmin, s.BMt, s.BMl};
  return check;
}

// False (after a message on standard error) when the report file cannot be written.
bool writeJsonReport(const RunOptions& options, const RunReport& report) {
  const std::string json = reportToJson(report, programVersion());
  if (options.jsonFile == "-") {
    writeUnconverted(std::cout, json);
    return static_cast<bool>(std::cout.flush());
  }
  std::string reason;
  if (writeFileReplacing(options.jsonFile, json, reason))
    return true;
  console::out() << std::flush;
  writeUnconverted(
      std::cerr, "floatstate: cannot write the report " + options.jsonFile + ": " + reason + "\n");
  return false;
}

// False (after a message on standard error) when the picture cannot be written.
bool writePicture(const RunOptions& options, const FloatingBody& body, const RunReport& report,
                  std::vector<PictureMark> lines) {
  PictureScene scene;
  scene.waterPlane = report.waterPlane;
  scene.gravityCentre = report.centreOfGravity;
  scene.buoyancyCentre = report.centreOfBuoyancy;
  scene.marks = std::move(lines);
  if (report.rightingArm)
    scene.curve = &*report.rightingArm;
  std::string reason;
  if (writeFileReplacing(options.svgFile, drawFloatingBodySvg(body, scene), reason))
    return true;
  console::out() << std::flush;
  writeUnconverted(
      std::cerr, "floatstate: cannot write the picture " + options.svgFile + ": " + reason + "\n");
  return false;
}

}  // namespace

void selectInputFile(std::string& inputFileName, Language language) {
  if (!inputFileName.empty())
    return;
  const DriverTexts& t = driverTexts(language);
  if (!chooseFileInteractively(inputFileName, {t.textFilesFilter, t.allFilesFilter})) {
    inputFileName.clear();
    showWarningBox("Warning!", t.openFailed);
  }
}

namespace {

int runOnce(const RunOptions& options) {
  const DriverTexts& texts = driverTexts(options.language);
  FloatingBody body;
  RunReport report;
  console::out() << texts.banner << std::endl;
  if (!options.caseFile.empty())
    return runCaseFile(options, texts);
  if (options.mesh.meshFile.empty()) {
    report.setFile = options.setFile;
    selectInputFile(report.setFile, options.language);
    report.warnings = readSetFileWithWarnings(report.setFile.c_str(), body);
  } else {
    report.warnings = readMeshBody(options.mesh, body, report);
  }
  writeWarnings(std::cerr, report.warnings);
  reportInput(body, texts, report);
  // The whole body's volume, which the last check needs, comes from the fast evaluation: cutting
  // every element the plain way costs a large body as much as a few draft searches.
  std::string problem =
      whyInputCannotFloat(body, report.displacementVolume, report.centreOfGravity);
  if (problem.empty()) {
    prepareEvaluation(body);
    problem = whyBodyCannotFloat(body, report.displacementVolume, report.centreOfGravity);
  }
  if (!problem.empty())
    failRun(problem);
  const std::vector<DraftMark> marks = readMarks(options);
  if (options.strict && !report.warnings.empty()) {
    failInput(std::string("--strict: the ") + (report.meshFile.empty() ? "SET file" : "mesh") +
              " has findings (above); the body is not floated");
  }
  report.bodyVolume = wholeBodyVolume(body);

  const std::vector<std::string> notes = solve(body, options, texts, report);
  std::vector<PictureMark> lines = reportDrafts(options, marks, texts, report);
  const EquilibriumCheck check = judge(body, report);
  for (const std::string& line : verdictLines(check, options.digits))
    std::cerr << line << std::endl;
  for (const std::string& line : notes)
    std::cerr << line << std::endl;
  if (options.summary)
    writeSummary(console::out(), report, texts, options.digits);
  if (options.gz) {
    report.rightingArm = computeRightingArmCurve(body, report.displacementVolume,
                                                 report.centreOfGravity, *options.gz);
    writeRightingArmTable(console::out(), *report.rightingArm, texts, options.digits);
  }
  bool written = options.jsonFile.empty() || writeJsonReport(options, report);
  if (!options.svgFile.empty())
    written = writePicture(options, body, report, std::move(lines)) && written;
  pauseBeforeExit();
  return written ? verdictExitCode(check) : 1;
}

}  // namespace

int runConsoleDriver(const RunOptions& options) {
  const ConsoleForRun consoleForRun(options);
  try {
    return runOnce(options);
  } catch (const ReadFault& fault) {
    return reportReadFault(fault);
  } catch (const RunRefused& refused) {
    return reportRefusal(refused);
  }
}
