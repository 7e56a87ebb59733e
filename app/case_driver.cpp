#include "app/case_driver.h"

#include <cstdint>
#include <cstdio>
#include <iostream>
#include <sstream>

#include "app/booklet_run.h"
#include "app/case_file.h"
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
#include "app/report/report_json.h"
#include "app/report/righting_arm_report.h"
#include "app/report/run_report.h"
#include "app/report/summary.h"
#include "app/report/svg_picture.h"
#include "app/run_output.h"
#include "elements/console.h"
#include "loading/containment.h"
#include "loading/loaded_check.h"
#include "solver/attitude_iteration.h"
#include "solver/float_checks.h"
#include "solver/newton_solver.h"

namespace {

// The SET file's and the mesh loader's findings about the header's centre of gravity: a case run
// ignores that header, and checks the loading's own centre of gravity instead.
bool aboutHeaderGravity(const std::string& message) {
  return message.find("the centre of gravity (") != std::string::npos;
}

// Reads the hull the case names into the body; its findings go to the report.
void readHull(const CaseInput& input, FloatingBody& hull, RunReport& report) {
  std::vector<InputWarning> found;
  if (input.bodyIsMesh) {
    MeshRunInput mesh;
    mesh.meshFile = input.bodyFile;
    mesh.hasDisplacement = mesh.hasGravity = true;
    mesh.displacement = 1;
    MeshFileError error;
    std::vector<std::string> findings, notes;
    const bool loaded = loadMeshBody(mesh, hull, error, findings, notes);
    console::out() << std::flush;
    for (const std::string& note : notes)
      writeUnconverted(console::err(), "floatstate: note: " + note + "\n");
    for (const std::string& finding : findings)
      found.push_back(InputWarning{0, finding});
    if (!loaded) {
      writeWarnings(console::err(), found);
      throwReadFault({}, error.message, error.systemError);
    }
    report.meshFile = input.bodyFile;
    report.triangles = static_cast<long long>(hull.surface.triangles.size());
  } else {
    report.setFile = input.bodyFile;
    found = readSetFileWithWarnings(input.bodyFile.c_str(), hull, console::err());
  }
  for (InputWarning& w : found) {
    if (!aboutHeaderGravity(w.message))
      report.warnings.push_back(std::move(w));
  }
  for (const std::string& w : input.warnings)
    report.warnings.push_back(InputWarning{0, w});
}

// The case's own findings: a centre of gravity outside the hull's box, a flooded compartment that
// reaches outside the hull.
void checkLoading(const CaseInput& input, FloatingBody& hull, const Vec3& G, RunReport& report) {
  const BoundingBox& b = hull.bounds;
  if (!(G.x >= b.xMin && G.x <= b.xMax && G.y >= b.yMin && G.y <= b.yMax && G.z >= b.zMin &&
        G.z <= b.zMax)) {
    std::ostringstream text;
    text << input.path << ": the loading's centre of gravity (" << G.x << ", " << G.y << ", " << G.z
         << ") lies outside the body's bounding box";
    report.warnings.push_back({0, text.str()});
  }
  const std::vector<Compartment>& compartments = input.condition.compartments;
  for (std::size_t k = 0; k < compartments.size(); ++k) {
    Vec3 centroid;
    prepareSolid(*compartments[k].solid, centroid);
    if (reachesOutsideHull(hull, *compartments[k].solid, centroid)) {
      report.warnings.push_back(
          {0,
           input.path + ": compartments[" + std::to_string(k) + "] '" + compartments[k].name +
               "' reaches outside the hull: its lost buoyancy counts volume the hull never had"});
    }
  }
}

// The chosen solver on the loaded body; returns its lines for standard error.
std::vector<std::string> runSolver(FloatingBody& hull, LoadedBody& load, const RunOptions& options,
                                   Plane& plane, Vec3& buoyancyCentre, RunReport& report) {
  SolverCalls calls;
  calls.newton = [&](const NewtonSettings& settings) {
    return solveNewtonAttitude(hull, load, plane, buoyancyCentre, settings);
  };
  calls.tiltIteration = [&](AttitudeCounts& counts) {
    solveFloatingAttitude(hull, load, plane, buoyancyCentre, counts);
  };
  return runChosenSolver(options, calls, report);
}

std::vector<std::string> solve(FloatingBody& hull, LoadedBody& load, const RunOptions& options,
                               const DriverTexts& t, RunReport& report) {
  const std::int64_t frequency = performanceFrequency();
  const std::int64_t start = performanceCounter();
  console::out() << t.start << std::endl;
  Plane plane;
  Vec3 buoyancyCentre;
  const std::vector<std::string> notes =
      runSolver(hull, load, options, plane, buoyancyCentre, report);
  const std::int64_t end = performanceCounter();
  report.solver.seconds =
      (static_cast<double>(end) - static_cast<double>(start)) / static_cast<double>(frequency);
  writeElapsed(t.elapsedFormat, report.solver.seconds);
  const std::string unsound = whyLoadedResultIsUnsound(load, plane, buoyancyCentre);
  if (!unsound.empty())
    throwReadFault({unsound});
  reportSolvedPlane(t, plane, buoyancyCentre, report);
  return notes;
}

// The pillar drafts (the case's pillar file, else FourPillars.txt beside the body when there is
// one) and the marks'. Returns the lines for the picture.
std::vector<PictureMark> reportDrafts(const CaseInput& input, const std::vector<DraftMark>& marks,
                                      const DriverTexts& t, RunReport& report) {
  std::vector<PictureMark> lines;
  const std::string beside = pathInSameFolder(input.bodyFile, "FourPillars.txt");
  const std::string pillarFile = input.pillarFile ? *input.pillarFile : beside;
  if (input.pillarFile || fileCanBeOpened(beside)) {
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
  report.marksGiven = !marks.empty();
  for (const DraftMark& mark : marks) {
    report.marks.push_back({mark.name, draftOnLine(report.waterPlane, mark.line)});
    lines.push_back({mark.name, mark.line});
  }
  return lines;
}

Vec3 noPoint() {
  return Vec3(CaseReport::kNone, CaseReport::kNone, CaseReport::kNone);
}

// The loading condition at the equilibrium, for the block and the JSON report.
CaseReport caseReport(const CaseInput& input, const LoadedEquilibrium& e, const RunReport& run) {
  const LoadingCondition& c = input.condition;
  CaseReport r;
  r.caseFile = input.path;
  r.waterDensity = c.waterDensity;
  r.mass = e.mass;
  r.displacementVolume = e.displacementVolume;
  r.gravitySolid = e.gravitySolid;
  r.gravityFluid = e.gravityFluid;
  r.freeSurfaceT = e.freeSurfaceT;
  r.freeSurfaceL = e.freeSurfaceL;
  r.GMtSolid = e.solid.GMt;
  r.GMlSolid = e.solid.GMl;
  r.GMtFluid = e.check.stability.GMt;
  r.GMlFluid = e.check.stability.GMl;
  r.heelDeg = heelDegrees(run.waterPlane);
  r.trimDeg = trimDegrees(run.waterPlane);
  for (const Weight& w : c.weights)
    r.weights.push_back({w.name, w.mass, w.centre});
  for (std::size_t k = 0; k < c.tanks.size(); ++k) {
    const LoadedTankReport& t = e.tanks[k];
    const bool empty = !(t.liquid.volume > 0);
    r.tanks.push_back({c.tanks[k].name, t.capacity, t.fill, t.liquid.volume, t.liquid.mass,
                       empty ? noPoint() : t.liquid.centre, t.freeSurfaceMoment});
  }
  for (std::size_t k = 0; k < c.compartments.size(); ++k) {
    const LoadedCompartmentReport& f = e.compartments[k];
    r.compartments.push_back({c.compartments[k].name, c.compartments[k].permeability,
                              f.floodedVolume, f.floodedVolume > 0 ? f.centre : noPoint()});
  }
  for (const HeelingMoment& m : c.heelingMoments)
    r.heelingMoments.push_back({m.name, m.moment, directionName(m.direction)});
  return r;
}

// The plane of a solid's level for the picture: the liquid's surface of a slack tank; above the
// solid for a full tank, below it for an empty one (through its box's highest or lowest corner).
Plane levelOf(const FloatingBody& solid, const TankLiquid& liquid, const Vec3& n) {
  if (liquid.slack)
    return liquid.surface;
  const BoundingBox& b = solid.bounds;
  const bool full = liquid.volume > 0;
  double h = full ? -HUGE_VAL : HUGE_VAL;
  for (const double x : {b.xMin, b.xMax}) {
    for (const double y : {b.yMin, b.yMax}) {
      for (const double z : {b.zMin, b.zMax}) {
        const double height = n.dot(Vec3(x, y, z));
        h = full ? std::fmax(h, height) : std::fmin(h, height);
      }
    }
  }
  return Plane(n.x, n.y, n.z, -h);
}

bool writePicture(const RunOptions& options, const FloatingBody& hull, const CaseInput& input,
                  const LoadedEquilibrium& e, const RunReport& report,
                  std::vector<PictureMark> lines) {
  PictureScene scene;
  scene.waterPlane = report.waterPlane;
  scene.gravityCentre = e.gravitySolid;
  scene.buoyancyCentre = report.centreOfBuoyancy;
  scene.marks = std::move(lines);
  RightingArmCurve evaluated;
  drawBookletPanels(report, evaluated, scene);
  const Plane& w = report.waterPlane;
  const Vec3 normal(w.A, w.B, w.C);
  const Vec3 n = normal / normal.length();
  for (std::size_t k = 0; k < input.condition.tanks.size(); ++k) {
    const FloatingBody& solid = *input.condition.tanks[k].solid;
    scene.solids.push_back({&solid, levelOf(solid, e.tanks[k].liquid, n), true});
  }
  for (const Compartment& c : input.condition.compartments)
    scene.solids.push_back({c.solid.get(), w, false});
  return writeOutputFile(options.svgFile, "the picture", drawFloatingBodySvg(hull, scene));
}

// The criteria's inputs: the case's keys, each replaced by its option when that was given.
CriteriaInputs criteriaInputs(const CaseInput& input, const RunOptions& options) {
  const CriteriaInputs& given = options.criteriaInputs;
  CriteriaInputs in = given;
  if (!given.windage)
    in.windage = input.windage;
  if (!options.bilgeKeelAreaGiven && input.bilgeKeelArea)
    in.bilgeKeelArea = *input.bilgeKeelArea;
  if (given.openings.empty())
    in.openings = input.openings;
  if (!given.windHeelingArm)
    in.windHeelingArm = input.windHeelingArm;
  if (*options.criteria == CriteriaSet::kAreaRatio && !in.windHeelingArm) {
    throwReadFault({}, input.path +
                           ": --criteria area-ratio needs the wind's heeling arm: the case's "
                           "wind_heeling_arm or --wind-heeling-arm HEEL:ARM,...");
  }
  return in;
}

// A run of the booklet's tables alone on the case's hull: no equilibrium, so the lines after the
// loading's displacement and centre of gravity are left out; exit code 0, or 1 when a file cannot
// be written.
int runTablesOnly(FloatingBody& hull, const CaseInput& input, const RunOptions& options,
                  RunReport& report, std::string& json) {
  report.equilibriumSolved = false;
  CaseReport named;
  named.caseFile = input.path;
  named.waterDensity = input.condition.waterDensity;
  report.loading = named;
  runBookletTables(hull, options, report, input.lpp);
  json = reportToJson(report, programVersion());
  std::string failure;
  bool written = options.jsonFile.empty() || writeJsonText(options.jsonFile, json, failure);
  written = writeBookletCsv(options, report) && written;
  if (!options.answer)
    pauseBeforeExit();
  return written ? 0 : 1;
}

}  // namespace

int runCaseFile(const RunOptions& options, const DriverTexts& t, std::string& json) {
  CaseInput input;
  try {
    input = options.caseText ? readCaseText(options.caseFile, *options.caseText)
                             : readCaseFile(options.caseFile);
  } catch (const CaseError& e) {
    throwReadFault({}, e.what(), e.systemError());
  }
  // Known before the hull is read: a missing wind heeling arm ends the run before anything else.
  const std::optional<CriteriaInputs> inputs =
      options.criteria ? std::optional<CriteriaInputs>(criteriaInputs(input, options))
                       : std::nullopt;
  FloatingBody hull;
  RunReport report;
  readHull(input, hull, report);
  std::string problem = whyInputCannotFloat(hull, 1, Vec3(0, 0, 0));
  if (!problem.empty())
    throwReadFault({problem});
  if (!hull.prepareFastEvaluation()) {
    writeUnconverted(console::err(),
                     "floatstate: not enough memory for the fast evaluation: the plain "
                     "one is used (the same results, later)\n");
  }
  LoadedBody load(hull, input.condition);
  const double V = load.displacementVolume();
  const Vec3 G = load.centreOfGravity(Vec3(0, 0, 1));
  checkLoading(input, hull, G, report);
  writeWarnings(console::err(), report.warnings);
  report.displacementVolume = V;
  report.centreOfGravity = G;
  report.elements = {hull.tetrahedronCount, hull.hexahedronCount, hull.prismCount,
                     hull.cylinderCount};
  console::out() << t.displacement << V << std::endl;
  console::out() << t.gravity << G.x << " , " << G.y << " , " << G.z << " )" << std::endl;
  problem = whyLoadingCannotFloat(load);
  if (!problem.empty())
    throwReadFault({problem});
  std::vector<DraftMark> marks;
  const std::string marksFile = options.marksFile.empty() ? input.marksFile : options.marksFile;
  MarksFileError marksError;
  if (!marksFile.empty() && !readMarksFile(marksFile, marks, marksError))
    throwReadFault({}, marksError.message);
  if (options.strict && !report.warnings.empty())
    throwReadFault({}, "--strict: the case has findings (above); the body is not floated");
  report.bodyVolume = wholeBodyVolume(hull);
  report.waterDensity = input.condition.waterDensity;
  report.densityFromCase = true;
  const std::string volumeProblem = crossCurveVolumesProblem(options, report.bodyVolume);
  if (!volumeProblem.empty())
    throwReadFault({}, volumeProblem);
  if (!options.needsEquilibrium())
    return runTablesOnly(hull, input, options, report, json);

  const std::vector<std::string> notes = solve(hull, load, options, t, report);
  std::vector<PictureMark> lines = reportDrafts(input, marks, t, report);
  report.marksGiven = !marksFile.empty();
  const LoadedEquilibrium e =
      checkLoadedEquilibrium(load, report.waterPlane, report.centreOfBuoyancy);
  const EquilibriumCheck& check = e.check;
  report.solver.converged = check.converged;
  report.solver.distance = check.distance;
  report.solver.distanceTolerance = check.tolerance;
  report.verdict = check.verdict;
  if (check.hasWaterplane) {
    const StabilityResult& s = check.stability;
    report.hydrostatics = {check.waterplane.area,
                           check.waterplane.centreOfFlotation,
                           s.GMt,
                           s.GMl,
                           s.GMmin,
                           s.BMt,
                           s.BMl};
  }
  for (const std::string& line : verdictLines(check, options.digits))
    console::err() << line << std::endl;
  for (const std::string& line : notes)
    console::err() << line << std::endl;
  report.loading = caseReport(input, e, report);
  writeLoadingBlock(console::out(), *report.loading, t, options.digits);
  if (options.summary)
    writeSummary(console::out(), report, t, options.digits);
  if (options.gz) {
    report.rightingArm = computeRightingArmCurve(hull, load, *options.gz);
    writeRightingArmTable(console::out(), *report.rightingArm, !report.meshFile.empty(), t,
                          options.digits);
  }
  runBookletTables(hull, options, report, input.lpp);
  const bool criteriaMet = !inputs || runCriteria(hull, load, *inputs, options, check, report);
  json = reportToJson(report, programVersion());
  std::string failure;
  bool written = options.jsonFile.empty() || writeJsonText(options.jsonFile, json, failure);
  written = writeBookletCsv(options, report) && written;
  if (!options.svgFile.empty())
    written = writePicture(options, hull, input, e, report, std::move(lines)) && written;
  if (!options.answer)
    pauseBeforeExit();
  return written ? runExitCode(verdictExitCode(check), criteriaMet) : 1;
}
