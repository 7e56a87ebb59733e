#include "app/console_driver.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <limits>
#include <optional>
#include <sstream>

#include "app/booklet_run.h"
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
#include "app/prepared_body.h"
#include "app/report/driver_texts.h"
#include "app/report/report_json.h"
#include "app/report/righting_arm_report.h"
#include "app/report/run_report.h"
#include "app/report/summary.h"
#include "app/report/svg_picture.h"
#include "app/run_output.h"
#include "elements/console.h"
#include "geometry/line_segment.h"
#include "geometry/plane.h"
#include "solver/attitude_iteration.h"
#include "solver/equilibrium_verdict.h"
#include "solver/float_checks.h"
#include "solver/newton_solver.h"

namespace {

void prepareEvaluation(FloatingBody& body, std::ostream& err) {
  if (!body.prepareFastEvaluation()) {
    writeUnconverted(err,
                     "floatstate: not enough memory for the fast evaluation: the plain "
                     "one is used (the same results, later)\n");
  }
}

// A fault that ends the run with exit code 1 from inside one of its steps: `consoleLine` on the
// console (then the wait for the user), or `detail` alone on standard error. runForReport
// catches it, so that the process ends only where main returns.
struct RunRefused {
  std::string consoleLine;
  std::string detail;
  RunFault::Kind kind = RunFault::Kind::kInput;
  int systemError = 0;
};

[[noreturn]] void failRun(const std::string& message) {
  throw RunRefused{message, ""};
}

// A fault of an input that only the options name (the marks file): one line on standard error and
// exit code 1. A file that could not be opened is the file's fault.
[[noreturn]] void failInput(const std::string& message, int systemError = 0) {
  throw RunRefused{"", message, systemError != 0 ? RunFault::Kind::kFile : RunFault::Kind::kInput,
                   systemError};
}

RunFault faultOf(const RunRefused& refused) {
  return {refused.kind, refused.detail.empty() ? refused.consoleLine : refused.detail,
          refused.systemError};
}

int reportRefusal(const RunRefused& refused, std::ostream& err) {
  if (!refused.consoleLine.empty())
    console::out() << refused.consoleLine << std::endl;
  console::out() << std::flush;
  if (!refused.detail.empty())
    writeUnconverted(err, "floatstate: " + refused.detail + "\n");
  if (!refused.consoleLine.empty())
    console::waitForUser();
  return 1;
}

// The console of this thread as the options set it for one run: the run's streams, the language
// of every layer's texts, the step lines shown or not, no wait for the user when the answers are
// given (--answer) or the run does not own the process's console, and, while the JSON report goes
// to standard output, the console texts on standard error, so that standard output holds nothing
// but the JSON. Put back at the end.
class ConsoleForRun {
 public:
  ConsoleForRun(const RunOptions& options, const RunStreams& streams)
      : waiting_(console::waitingAllowed()) {
    console::setLanguage(options.language);
    console::showProgress(!options.quiet);
    if (options.answer || !streams.console)
      console::allowWaiting(false);
    console::redirect(options.jsonFile == "-" ? &streams.err : &streams.out, &streams.in);
    console::redirectStandard(&streams.out, &streams.err);
  }
  ~ConsoleForRun() {
    console::setLanguage(Language::kChinese);
    console::showProgress(true);
    console::allowWaiting(waiting_);
    console::redirect(nullptr, nullptr);
    console::redirectStandard(nullptr, nullptr);
  }
  ConsoleForRun(const ConsoleForRun&) = delete;
  ConsoleForRun& operator=(const ConsoleForRun&) = delete;

 private:
  bool waiting_;
};

// What was read, written as the console's first lines and kept for the report. A mesh without
// its loading (a run of the tables alone) has no lines for it.
void reportInput(FloatingBody& body, const DriverTexts& t, RunReport& report) {
  report.displacementVolume = body.displacementVolume;
  const Vec3 G = body.getCentreOfGravity();
  report.centreOfGravity = G;
  if (report.hasLoading) {
    console::out() << t.displacement << report.displacementVolume << std::endl;
    console::out() << t.gravity << G.x << " , " << G.y << " , " << G.z << " )" << std::endl;
  }
  report.elements = {body.tetrahedronCount, body.hexahedronCount, body.prismCount,
                     body.cylinderCount};
}

// "(x, y, z)" with ten significant digits, as the mesh checks write points.
std::string pointText(const Vec3& p) {
  char text[96];
  // + 0.0 writes a coordinate of -0 as 0.
  std::snprintf(text, sizeof text, "(%.10g, %.10g, %.10g)", p.x + 0.0, p.y + 0.0, p.z + 0.0);
  return text;
}

// The lowest point of an open surface's rim, which the water must stay below.
void reportOpening(const FloatingBody& body, RunReport& report) {
  Vec3 lowest;
  if (body.surface.lowestOpenPoint(Vec3(0, 0, 1), lowest))
    report.lowestOpenPoint = lowest;
}

// Reads and checks the surface mesh of a --mesh run into the body. Its findings become warnings
// without a line, its notes lines on standard error; a mesh that cannot be read or bound a solid
// ends the run (exit code 1).
std::vector<InputWarning> readMeshBody(const MeshRunInput& input, FloatingBody& body,
                                       RunReport& report, std::ostream& err) {
  MeshFileError error;
  std::vector<std::string> findings, notes;
  const bool loaded = loadMeshBody(input, body, error, findings, notes);
  console::out() << std::flush;
  for (const std::string& note : notes)
    writeUnconverted(err, "floatstate: note: " + note + "\n");
  std::vector<InputWarning> warnings;
  for (const std::string& finding : findings)
    warnings.push_back(InputWarning{0, finding});
  if (!loaded) {
    writeWarnings(err, warnings);
    throwReadFault({}, error.message, error.systemError);
  }
  report.meshFile = input.meshFile;
  report.surface = true;
  report.triangles = static_cast<long long>(body.surface.triangles.size());
  reportOpening(body, report);
  return warnings;
}

// What is wrong with the loading given for a body already read, or an empty text: a surface needs
// one whole (unless the run floats nothing: the tables alone), a SET body takes any part of one in
// place of its file's.
std::string loadingProblem(const MeshRunInput& m, bool surface) {
  if (m.hasDisplacement && (m.hasMass || m.hasDensity))
    return "give either the displacement or the mass with the density, not both";
  if (m.hasMass != m.hasDensity)
    return "the mass and the density go together";
  if (surface && !(m.hasDisplacement || m.hasMass))
    return "a surface body needs its displacement volume (or its mass and the density)";
  if (surface && !m.hasGravity)
    return "a surface body needs its centre of gravity";
  return "";
}

// A copy of the body read before the run, with the run's loading and the findings about it.
std::vector<InputWarning> takePreparedBody(const PreparedBody& prepared, const MeshRunInput& m,
                                           bool floated, FloatingBody& body, RunReport& report) {
  const bool surface = prepared.isSurface();
  const std::string problem =
      loadingProblem(m, surface && (floated || m.hasDisplacement || m.hasMass || m.hasGravity));
  if (!problem.empty())
    failInput(prepared.name + ": " + problem);
  copyBody(prepared.body, body);
  std::vector<InputWarning> warnings = prepared.warnings;
  report.setFile = prepared.setFile;
  report.meshFile = prepared.meshFile;
  if (surface) {
    std::vector<std::string> findings;
    if (m.hasLoading())
      loadSurfaceBody(body, m.displacementVolume(), m.gravity, prepared.name, findings);
    else
      body.displacementVolume = std::numeric_limits<double>::quiet_NaN();
    for (const std::string& finding : findings)
      warnings.push_back(InputWarning{0, finding});
    report.surface = true;
    report.triangles = static_cast<long long>(body.surface.triangles.size());
    reportOpening(body, report);
    return warnings;
  }
  if (m.hasDisplacement || m.hasMass)
    body.displacementVolume = m.displacementVolume();
  if (m.hasGravity) {
    body.centreOfGravity = m.gravity;
    for (const InputWarning& old : prepared.gravityFindings) {
      const auto same = [&old](const InputWarning& w) {
        return w.line == old.line && w.message == old.message;
      };
      warnings.erase(std::remove_if(warnings.begin(), warnings.end(), same), warnings.end());
    }
    const std::vector<InputWarning> found = gravityFindings(body);
    warnings.insert(warnings.end(), found.begin(), found.end());
  }
  return warnings;
}

std::vector<DraftMark> readMarks(const RunOptions& options) {
  std::vector<DraftMark> marks;
  MarksFileError error;
  if (!options.marksFile.empty() && !readMarksFile(options.marksFile, marks, error))
    failInput(error.message, error.systemError);
  return marks;
}

// Runs the chosen solver, records its method and counts, and returns its lines for standard error.
std::vector<std::string> runSolver(FloatingBody& body, Plane& plane, Vec3& buoyancyCentre,
                                   const RunOptions& options, RunReport& report) {
  const double V = report.displacementVolume;
  const Vec3 G = report.centreOfGravity;
  SolverCalls calls;
  calls.newton = [&](const NewtonSettings& settings) {
    return solveNewtonAttitude(body, plane, buoyancyCentre, V, G, settings);
  };
  calls.tiltIteration = [&](AttitudeCounts& counts) {
    solveFloatingAttitude(body, plane, buoyancyCentre, V, G, counts);
  };
  return runChosenSolver(options, calls, report);
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
  const std::vector<std::string> notes = runSolver(body, plane, buoyancyCentre, options, report);
  const std::int64_t end = performanceCounter();
  report.solver.seconds =
      (static_cast<double>(end) - static_cast<double>(start)) / static_cast<double>(frequency);
  writeElapsed(t.elapsedFormat, report.solver.seconds);
  const std::string unsound = whyResultIsUnsound(body, V, plane, buoyancyCentre);
  if (!unsound.empty())
    failRun(unsound);
  reportSolvedPlane(t, plane, buoyancyCentre, report);
  return notes;
}

// The pillars that --pillars names, read before the run: a fault there ends the run at once, on
// standard error, as a fault of the marks file does. None without --pillars.
std::optional<std::array<LineSegment, 4>> readNamedPillars(const RunOptions& options) {
  if (options.pillars && !options.noPillars)
    return options.pillars;
  if (options.pillarFile.empty() || options.noPillars)
    return std::nullopt;
  std::array<LineSegment, 4> pillars;
  try {
    readPillarFile(options.pillarFile.c_str(), pillars.data());
  } catch (const ReadFault& fault) {
    failInput(fault.detail(), fault.systemError());
  }
  return pillars;
}

// The height above the baseline where the line crosses the water plane.
std::optional<double> draftAbove(double baseline, const Plane& waterPlane,
                                 const LineSegment& line) {
  const std::optional<double> z = draftOnLine(waterPlane, line);
  return z ? std::optional<double>(*z - baseline) : std::nullopt;
}

// The pillar drafts, and the marks' when asked for. The pillars are those --pillars named (or
// given in memory), or those of FourPillars.txt beside the body, which a run may go without
// (pillarFileOptional) when the file cannot be opened; none with --no-pillars, nor for a body
// that has no file. A pillar file that cannot be read leaves its
// fault in `pillarFault`, for the end of the run, after every report. Returns the lines of the
// pillars and marks, for the picture.
std::vector<PictureMark> reportDrafts(const RunOptions& options,
                                      const std::optional<std::array<LineSegment, 4>>& named,
                                      const std::vector<DraftMark>& marks, const DriverTexts& t,
                                      RunReport& report, std::optional<ReadFault>& pillarFault) {
  std::vector<PictureMark> lines;
  const std::string pillarFile =
      named ? options.pillarFile : pathInSameFolder(bodyFile(report), "FourPillars.txt");
  std::optional<std::array<LineSegment, 4>> pillars = named;
  if (!pillars && !options.noPillars && !bodyFile(report).empty() &&
      (!pillarFileOptional(options) || fileCanBeOpened(pillarFile))) {
    try {
      pillars.emplace();
      readPillarFile(pillarFile.c_str(), pillars->data());
    } catch (const ReadFault& fault) {
      pillars.reset();
      pillarFault = fault;
      report.pillarFileError = fault.detail();
    }
  }
  if (pillars) {
    if (!(named && options.pillars))
      report.pillarFile = pillarFile;
    for (const LineSegment& pillar : *pillars) {
      report.pillarDrafts.push_back(draftAbove(report.baseline, report.waterPlane, pillar));
      lines.push_back({std::to_string(lines.size() + 1), pillar, true});
    }
    for (std::size_t k = 0; k < report.pillarDrafts.size(); ++k) {
      if (report.pillarDrafts[k])
        writePillarDraftLine(static_cast<int>(k + 1), *report.pillarDrafts[k], t.pillarBefore,
                             t.pillarDraft);
    }
  }
  report.marksGiven = !options.marksFile.empty();
  for (const DraftMark& mark : marks) {
    report.marks.push_back({mark.name, draftAbove(report.baseline, report.waterPlane, mark.line)});
    lines.push_back({mark.name, mark.line, false});
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

// The first file fault of the run is the one its caller is told of.
bool keepFileFault(bool written, const std::string& failure, RunFault& fault) {
  if (written)
    return true;
  if (fault.kind == RunFault::Kind::kNone)
    fault = {RunFault::Kind::kFile, failure, 0};
  return false;
}

// False (after a message on standard error) when the picture cannot be written.
bool writePicture(const RunOptions& options, const FloatingBody& body, const RunReport& report,
                  std::vector<PictureMark> lines, RunFault& fault) {
  PictureScene scene;
  scene.waterPlane = report.waterPlane;
  scene.gravityCentre = report.centreOfGravity;
  scene.buoyancyCentre = report.centreOfBuoyancy;
  scene.marks = std::move(lines);
  RightingArmCurve evaluated;
  drawBookletPanels(report, evaluated, scene);
  std::string failure;
  const bool written =
      writeOutputFile(options.svgFile, "the picture", drawFloatingBodySvg(body, scene), failure);
  return keepFileFault(written, failure, fault);
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

// A volume of --kn-volumes that the whole body cannot hold ends the run before any table.
void checkCrossCurveVolumes(const RunOptions& options, const RunReport& report) {
  const std::string problem = crossCurveVolumesProblem(options, report.bodyVolume);
  if (!problem.empty())
    failInput(problem);
}

// The JSON report where the options send it, and the booklet's CSV tables; false when a file
// cannot be written (its fault kept for the caller).
bool writeReports(const RunOptions& options, const RunReport& report, bool keep,
                  RunResult& result) {
  // A body with many findings makes a long report: it is written out only when it is wanted.
  bool written = true;
  if (keep || !options.jsonFile.empty()) {
    result.json = reportToJson(report, programVersion());
    std::string failure;
    written =
        options.jsonFile.empty() ||
        keepFileFault(writeJsonText(options.jsonFile, result.json, failure), failure, result.fault);
  }
  return keepFileFault(writeBookletCsv(options, report),
                       "cannot write the tables of --csv " + options.csvFile, result.fault) &&
         written;
}

// A run of the booklet's tables alone: no equilibrium, so the normal output ends after the input
// lines and the tables follow; exit code 0, or 1 when a file cannot be written.
int runTablesOnly(FloatingBody& body, const RunOptions& options, const RunStreams& streams,
                  RunReport& report, RunResult& result) {
  // Only the body itself must be sound: a positive volume and a finite G stand in for the
  // loading the tables do not use.
  const std::string problem = whyInputCannotFloat(body, 1, Vec3(0, 0, 0));
  if (!problem.empty())
    failRun(problem);
  prepareEvaluation(body, streams.err);
  if (options.strict && !report.warnings.empty()) {
    failInput(std::string("--strict: the ") + (report.surface ? "mesh" : "SET file") +
              " has findings (above); no table is computed");
  }
  report.equilibriumSolved = false;
  report.bodyVolume = wholeBodyVolume(body);
  checkCrossCurveVolumes(options, report);
  runBookletTables(body, options, report);
  const bool written = writeReports(options, report, streams.keepReport, result);
  if (!options.answer && streams.console)
    pauseBeforeExit();
  return written ? 0 : 1;
}

// The SET file of the run: the one given, or the one chosen on the console. With the answers
// given (--answer) nothing is asked; no file is then a fault of the run, as a cancelled choice is.
void chooseSetFile(const RunOptions& options, const RunStreams& streams, RunReport& report) {
  const char* const readError = " SET file(Format2) read error! ";
  report.setFile = options.setFile;
  if (report.setFile.empty() && (options.answer || !streams.console)) {
    throwReadFault({readError}, options.answer
                                    ? "no SET file given: with --answer nothing is asked on the "
                                      "console; name the SET file (or --mesh) on the command line"
                                    : "no SET file given, and no console to ask for one on");
  }
  selectInputFile(report.setFile, options.language);
  if (report.setFile.empty())
    throwReadFault({readError},
                   "no file was chosen (an empty name, the end of the input or a cancelled "
                   "dialog): there is no SET file to read");
}

// The body of the run, read from its file or copied from the one read before, with the findings
// about it; returns the name that messages give it.
std::string readBody(const RunOptions& options, const RunStreams& streams, FloatingBody& body,
                     RunReport& report) {
  if (options.body) {
    report.warnings =
        takePreparedBody(*options.body, options.mesh, options.needsEquilibrium(), body, report);
    for (const std::string& note : options.body->notes)
      writeUnconverted(streams.err, "floatstate: note: " + note + "\n");
    return options.body->name;
  }
  if (options.mesh.meshFile.empty()) {
    chooseSetFile(options, streams, report);
    // Without a JSON report only the first findings are written out: only they need their text.
    const bool reported = streams.keepReport || !options.jsonFile.empty();
    report.warnings = readSetFileWithWarnings(report.setFile.c_str(), body, streams.err,
                                              reported ? kAllFindings : kMaxWarningLines);
  } else {
    report.warnings = readMeshBody(options.mesh, body, report, streams.err);
  }
  return bodyFile(report);
}

int runOnce(const RunOptions& options, const RunStreams& streams, RunResult& result) {
  const DriverTexts& texts = driverTexts(options.language);
  FloatingBody body;
  RunReport report;
  console::out() << texts.banner << std::endl;
  if (!options.caseFile.empty())
    return runCaseFile(options, texts, result.json);
  const std::string bodyName = readBody(options, streams, body, report);
  report.baseline = options.baseline;
  if (options.waterDensity)
    report.waterDensity = *options.waterDensity;
  report.namesBaseline = options.baselineGiven || report.surface;
  writeWarnings(streams.err, report.warnings);
  report.hasLoading = !report.surface || options.mesh.hasLoading();
  reportInput(body, texts, report);
  if (!options.needsEquilibrium())
    return runTablesOnly(body, options, streams, report, result);
  // The whole body's volume, which the last check needs, comes from the fast evaluation: cutting
  // every element the plain way costs a large body as much as a few draft searches.
  std::string problem =
      whyInputCannotFloat(body, report.displacementVolume, report.centreOfGravity);
  if (problem.empty()) {
    prepareEvaluation(body, streams.err);
    problem = whyBodyCannotFloat(body, report.displacementVolume, report.centreOfGravity);
  }
  if (!problem.empty())
    throw RunRefused{problem, bodyName + ": " + problem};
  const std::vector<DraftMark> marks = readMarks(options);
  const std::optional<std::array<LineSegment, 4>> namedPillars = readNamedPillars(options);
  if (options.strict && !report.warnings.empty()) {
    failInput(std::string("--strict: the ") + (report.surface ? "mesh" : "SET file") +
              " has findings (above); the body is not floated");
  }
  report.bodyVolume = wholeBodyVolume(body);
  checkCrossCurveVolumes(options, report);

  const std::vector<std::string> notes = solve(body, options, texts, report);
  std::optional<ReadFault> pillarFault;
  std::vector<PictureMark> lines =
      reportDrafts(options, namedPillars, marks, texts, report, pillarFault);
  const EquilibriumCheck check = judge(body, report);
  for (const std::string& line : verdictLines(check, options.digits))
    streams.err << line << std::endl;
  for (const std::string& line : notes)
    streams.err << line << std::endl;
  if (options.summary)
    writeSummary(console::out(), report, texts, options.digits);
  if (options.gz) {
    report.rightingArm = computeRightingArmCurve(body, report.displacementVolume,
                                                 report.centreOfGravity, *options.gz);
    writeRightingArmTable(console::out(), *report.rightingArm, report.surface, texts,
                          options.digits);
  }
  runBookletTables(body, options, report);
  const bool criteriaMet = !options.criteria || runCriteria(body, options, check, report);
  bool written = writeReports(options, report, streams.keepReport, result);
  if (!options.svgFile.empty())
    written = writePicture(options, body, report, std::move(lines), result.fault) && written;
  // A pillar file that could not be read ends the run as it always has, once nothing of the
  // finished run is left unwritten.
  if (pillarFault) {
    result.fault = runFaultOf(*pillarFault);
    return reportReadFault(*pillarFault, streams.err);
  }
  if (!options.answer && streams.console)
    pauseBeforeExit();
  return written ? runExitCode(verdictExitCode(check), criteriaMet) : 1;
}

}  // namespace

RunFault runFaultOf(const ReadFault& fault) {
  return {fault.systemError() != 0 ? RunFault::Kind::kFile : RunFault::Kind::kInput,
          fault.detail().empty() && !fault.consoleLines().empty() ? fault.consoleLines().front()
                                                                  : fault.detail(),
          fault.systemError()};
}

bool pillarFileOptional(const RunOptions& options) {
  return !options.mesh.meshFile.empty() || !options.marksFile.empty() ||
         (options.body && options.body->isSurface());
}

RunResult runForReport(const RunOptions& options, const RunStreams& streams) {
  const ConsoleForRun consoleForRun(options, streams);
  RunResult result;
  try {
    result.exitCode = runOnce(options, streams, result);
  } catch (const ReadFault& fault) {
    result.fault = runFaultOf(fault);
    result.exitCode = reportReadFault(fault, streams.err);
  } catch (const RunRefused& refused) {
    result.fault = faultOf(refused);
    result.exitCode = reportRefusal(refused, streams.err);
  } catch (const WaterReachesOpening& reached) {
    // A solver needed a water plane at or above the lowest point of the mesh's opening.
    const RunRefused refused{"", (options.body ? options.body->name : options.mesh.meshFile) +
                                     ": the water reaches the open edge of the surface at " +
                                     pointText(reached.point)};
    result.fault = faultOf(refused);
    result.exitCode = reportRefusal(refused, streams.err);
  }
  return result;
}

int runConsoleDriver(const RunOptions& options) {
  return runForReport(options, RunStreams{std::cout, std::cerr, std::cin, true, false}).exitCode;
}
