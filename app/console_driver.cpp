#include "app/console_driver.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iostream>
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
  if (!refused.consoleLine.empty())
    console::out() << refused.consoleLine << std::endl;
  console::out() << std::flush;
  if (!refused.detail.empty())
    writeUnconverted(std::cerr, "floatstate: " + refused.detail + "\n");
  if (!refused.consoleLine.empty())
    console::waitForUser();
  return 1;
}

void writeElapsed(const char* format, double seconds) {
  char line[256];
  std::snprintf(line, sizeof line, format, seconds);
  console::out() << line << std::flush;
}

// The console as the options set it for one run: the language of every layer's texts, the step
// lines shown or not, no wait for the user when the answers are given (--answer), and, while the
// JSON report goes to standard output, the console texts on standard error, so that standard
// output holds nothing but the JSON. Put back at the end.
class ConsoleForRun {
 public:
  explicit ConsoleForRun(const RunOptions& options)
      : jsonOnStandardOutput_(options.jsonFile == "-"), waiting_(console::waitingAllowed()) {
    console::setLanguage(options.language);
    console::showProgress(!options.quiet);
    if (options.answer)
      console::allowWaiting(false);
    if (jsonOnStandardOutput_)
      console::redirect(&std::cerr, nullptr);
  }
  ~ConsoleForRun() {
    console::setLanguage(Language::kChinese);
    console::showProgress(true);
    console::allowWaiting(waiting_);
    if (jsonOnStandardOutput_)
      console::redirect(nullptr, nullptr);
  }
  ConsoleForRun(const ConsoleForRun&) = delete;
  ConsoleForRun& operator=(const ConsoleForRun&) = delete;

 private:
  bool jsonOnStandardOutput_;
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

// Reads and checks the surface mesh of a --mesh run into the body. Its findings become warnings
// without a line, its notes lines on standard error; a mesh that cannot be read or bound a solid
// ends the run (exit code 1).
std::vector<InputWarning> readMeshBody(const MeshRunInput& input, FloatingBody& body,
                                       RunReport& report) {
  std::string error;
  std::vector<std::string> findings, notes;
  const bool loaded = loadMeshBody(input, body, error, findings, notes);
  console::out() << std::flush;
  for (const std::string& note : notes)
    writeUnconverted(std::cerr, "floatstate: note: " + note + "\n");
  std::vector<InputWarning> warnings;
  for (const std::string& finding : findings)
    warnings.push_back(InputWarning{0, finding});
  if (!loaded) {
    writeWarnings(std::cerr, warnings);
    throwReadFault({}, error);
  }
  report.meshFile = input.meshFile;
  report.triangles = static_cast<long long>(body.surface.triangles.size());
  Vec3 lowest;
  if (body.surface.lowestOpenPoint(Vec3(0, 0, 1), lowest))
    report.lowestOpenPoint = lowest;
  return warnings;
}

std::vector<DraftMark> readMarks(const RunOptions& options) {
  std::vector<DraftMark> marks;
  MarksFileError error;
  if (!options.marksFile.empty() && !readMarksFile(options.marksFile, marks, error))
    failInput(error.message);
  return marks;
}

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
    settings.leaveUnstableEquilibria = true;
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
    settings.answer = options.answer;
    AttitudeCounts counts;
    {
      const AttitudeSettingsForRun forRun(settings);
      solveFloatingAttitude(body, plane, buoyancyCentre, V, G, counts);
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

// The pillars that --pillars names, read before the run: a fault there ends the run at once, on
// standard error, as a fault of the marks file does. None without --pillars.
std::optional<std::array<LineSegment, 4>> readNamedPillars(const RunOptions& options) {
  if (options.pillarFile.empty() || options.noPillars)
    return std::nullopt;
  std::array<LineSegment, 4> pillars;
  try {
    readPillarFile(options.pillarFile.c_str(), pillars.data());
  } catch (const ReadFault& fault) {
    failInput(fault.detail());
  }
  return pillars;
}

// The height above the baseline where the line crosses the water plane.
std::optional<double> draftAbove(double baseline, const Plane& waterPlane,
                                 const LineSegment& line) {
  const std::optional<double> z = draftOnLine(waterPlane, line);
  return z ? std::optional<double>(*z - baseline) : std::nullopt;
}

// The pillar drafts, and the marks' when asked for. The pillars are those --pillars named, or
// those of FourPillars.txt beside the body, which a run may go without (pillarFileOptional) when
// the file cannot be opened; none with --no-pillars. A pillar file that cannot be read leaves its
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
  if (!pillars && !options.noPillars &&
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

// False (after a message on standard error) when the picture cannot be written.
bool writePicture(const RunOptions& options, const FloatingBody& body, const RunReport& report,
                  std::vector<PictureMark> lines) {
  PictureScene scene;
  scene.waterPlane = report.waterPlane;
  scene.gravityCentre = report.centreOfGravity;
  scene.buoyancyCentre = report.centreOfBuoyancy;
  scene.marks = std::move(lines);
  // The criteria's own evaluations make the curve when --gz did not ask for one.
  RightingArmCurve evaluated;
  if (report.rightingArm) {
    scene.curve = &*report.rightingArm;
  } else if (report.criteria) {
    evaluated = curveOfSamples(report.criteria->curve);
    scene.curve = &evaluated;
  }
  if (report.criteria)
    scene.criteria = &*report.criteria;
  if (report.crossCurves)
    scene.crossCurves = &*report.crossCurves;
  return writeOutputFile(options.svgFile, "the picture", drawFloatingBodySvg(body, scene));
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

// A run of the booklet's tables alone: no equilibrium, so the normal output ends after the input
// lines and the tables follow; exit code 0, or 1 when a file cannot be written.
int runTablesOnly(FloatingBody& body, const RunOptions& options, RunReport& report) {
  // Only the body itself must be sound: a positive volume and a finite G stand in for the
  // loading the tables do not use.
  const std::string problem = whyInputCannotFloat(body, 1, Vec3(0, 0, 0));
  if (!problem.empty())
    failRun(problem);
  prepareEvaluation(body);
  if (options.strict && !report.warnings.empty()) {
    failInput(std::string("--strict: the ") + (report.meshFile.empty() ? "SET file" : "mesh") +
              " has findings (above); no table is computed");
  }
  report.equilibriumSolved = false;
  report.bodyVolume = wholeBodyVolume(body);
  checkCrossCurveVolumes(options, report);
  runBookletTables(body, options, report);
  bool written = options.jsonFile.empty() || writeJsonReport(options, report);
  written = writeBookletCsv(options, report) && written;
  if (!options.answer)
    pauseBeforeExit();
  return written ? 0 : 1;
}

// The SET file of the run: the one given, or the one chosen on the console. With the answers
// given (--answer) nothing is asked; no file is then a fault of the run, as a cancelled choice is.
void chooseSetFile(const RunOptions& options, RunReport& report) {
  const char* const readError = " SET file(Format2) read error! ";
  report.setFile = options.setFile;
  if (report.setFile.empty() && options.answer) {
    throwReadFault({readError},
                   "no SET file given: with --answer nothing is asked on the console; name the "
                   "SET file (or --mesh) on the command line");
  }
  selectInputFile(report.setFile, options.language);
  if (report.setFile.empty())
    throwReadFault({readError},
                   "no file was chosen (an empty name, the end of the input or a cancelled "
                   "dialog): there is no SET file to read");
}

int runOnce(const RunOptions& options) {
  const DriverTexts& texts = driverTexts(options.language);
  FloatingBody body;
  RunReport report;
  console::out() << texts.banner << std::endl;
  if (!options.caseFile.empty())
    return runCaseFile(options, texts);
  if (options.mesh.meshFile.empty()) {
    chooseSetFile(options, report);
    report.warnings = readSetFileWithWarnings(report.setFile.c_str(), body);
  } else {
    report.warnings = readMeshBody(options.mesh, body, report);
  }
  report.baseline = options.baseline;
  report.namesBaseline = options.baselineGiven || !report.meshFile.empty();
  writeWarnings(std::cerr, report.warnings);
  report.hasLoading = options.mesh.meshFile.empty() || options.mesh.hasLoading();
  reportInput(body, texts, report);
  if (!options.needsEquilibrium())
    return runTablesOnly(body, options, report);
  // The whole body's volume, which the last check needs, comes from the fast evaluation: cutting
  // every element the plain way costs a large body as much as a few draft searches.
  std::string problem =
      whyInputCannotFloat(body, report.displacementVolume, report.centreOfGravity);
  if (problem.empty()) {
    prepareEvaluation(body);
    problem = whyBodyCannotFloat(body, report.displacementVolume, report.centreOfGravity);
  }
  if (!problem.empty())
    throw RunRefused{problem, bodyFile(report) + ": " + problem};
  const std::vector<DraftMark> marks = readMarks(options);
  const std::optional<std::array<LineSegment, 4>> namedPillars = readNamedPillars(options);
  if (options.strict && !report.warnings.empty()) {
    failInput(std::string("--strict: the ") + (report.meshFile.empty() ? "SET file" : "mesh") +
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
    std::cerr << line << std::endl;
  for (const std::string& line : notes)
    std::cerr << line << std::endl;
  if (options.summary)
    writeSummary(console::out(), report, texts, options.digits);
  if (options.gz) {
    report.rightingArm = computeRightingArmCurve(body, report.displacementVolume,
                                                 report.centreOfGravity, *options.gz);
    writeRightingArmTable(console::out(), *report.rightingArm, !report.meshFile.empty(), texts,
                          options.digits);
  }
  runBookletTables(body, options, report);
  const bool criteriaMet = !options.criteria || runCriteria(body, options, check, report);
  bool written = options.jsonFile.empty() || writeJsonReport(options, report);
  written = writeBookletCsv(options, report) && written;
  if (!options.svgFile.empty())
    written = writePicture(options, body, report, std::move(lines)) && written;
  // A pillar file that could not be read ends the run as it always has, once nothing of the
  // finished run is left unwritten.
  if (pillarFault)
    return reportReadFault(*pillarFault);
  if (!options.answer)
    pauseBeforeExit();
  return written ? runExitCode(verdictExitCode(check), criteriaMet) : 1;
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
  } catch (const WaterReachesOpening& reached) {
    // A solver needed a water plane at or above the lowest point of the mesh's opening.
    return reportRefusal(RunRefused{"", options.mesh.meshFile +
                                            ": the water reaches the open edge of the surface at " +
                                            pointText(reached.point)});
  }
}
