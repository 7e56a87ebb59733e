#include "app/command_line.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <map>
#include <ostream>

#include "app/option_values.h"

namespace {

constexpr const char* kVersion = "1.0.0";
constexpr int kMaxDigits = 17;  // enough for every double to read back exactly

constexpr const char* kUsageLines =
    "Usage: floatstate [OPTIONS] [SETFILE]\n"
    "       floatstate [OPTIONS] --mesh FILE (--displacement V | --mass M --density RHO)\n"
    "                  --gravity X,Y,Z\n"
    "       floatstate [OPTIONS] --case CASE.yaml\n"
    "       floatstate --batch LIST --json-lines OUT [--jobs N]\n"
    "       floatstate --help | --version\n";

constexpr const char* kDescription =
    "\n"
    "Finds the floating equilibrium of the body described in SETFILE (asked for on the\n"
    "console when not given) and reports the water plane, the centre of buoyancy and the\n"
    "draft at the four pillars of FourPillars.txt, read from the SET file's folder.\n"
    "With --mesh the body is the solid inside the triangle surface of FILE (STL, ASCII or\n"
    "binary, OBJ or OFF) in the file's coordinates and unit, loaded to the displacement V\n"
    "(or M / RHO) with its centre of gravity at X,Y,Z; FourPillars.txt is read from the mesh\n"
    "file's folder. A surface open above the water (at its deck) floats while the water stays\n"
    "below its opening. `--` ends the options.\n"
    "Unattended runs (scripts, a pipe that never closes): name the SET file (or --mesh) and\n"
    "give --answer yes|no. Nothing is then read from standard input and nothing waits for a\n"
    "key; without --answer, standard input is read as typed, one answer per line.\n"
    "With --case the case file (YAML, or JSON) names the body and its loading condition:\n"
    "weights, tanks with liquid, flooded compartments, heeling moments and the water's\n"
    "density, in metres, tonnes, t/m^3, t*m (angles in degrees); the solver is then newton\n"
    "unless --method says otherwise, and a \"Loading condition\" block follows the drafts.\n"
    "With --batch the runs of LIST (a YAML or JSON list: case files, inline cases or solve jobs)\n"
    "go on N threads, one JSON report per line into OUT, in LIST's order; no other option goes\n"
    "with it.\n";

constexpr const char* kExitCodes =
    "Exit codes: 0 a stable equilibrium, 1 an input file could not be read or the body cannot\n"
    "float, 2 wrong command line, 3 not in equilibrium, 4 an unstable equilibrium, 5 a stability\n"
    "criterion of --criteria is not met (3 and 4 come first).\n"
    "With --batch: 0 every run gave a report, 1 a run ended on a fault (its line says which)\n"
    "or a file could not be read or written, 2 wrong command line.\n";

// The usage lines and the description stand where the library would put its own usage line.
class HelpFormatter : public CLI::Formatter {
 public:
  std::string make_usage(const CLI::App*, std::string) const override {
    return std::string(kUsageLines) + kDescription;
  }
  std::string make_description(const CLI::App*) const override { return ""; }
};

template <typename Value>
std::vector<std::string> names(const std::map<std::string, Value>& values) {
  std::vector<std::string> names;
  for (const auto& entry : values)
    names.push_back(entry.first);
  return names;
}

// Why a --gz value is not a heel range; empty when it is one.
std::string heelRangeProblem(std::string& text) {
  HeelRange range;
  std::string reason;
  return parseHeelRange(text, range, reason) ? std::string() : reason;
}

// The range of a value heelRangeProblem accepted.
HeelRange heelRangeOf(const std::string& text) {
  HeelRange range;
  std::string reason;
  parseHeelRange(text, range, reason);
  return range;
}

// Why a --max-steps value is not a number of steps; empty when it is one.
std::string stepCountProblem(std::string& text) {
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno == ERANGE || value > INT_MAX || value < INT_MIN)
    return "'" + text + "' is not a whole number";
  return value >= 1 ? std::string() : "the number of steps must be at least 1, not " + text;
}

// One line per option: a new option is one more line here and one more field in RunOptions.
void describeOptions(CLI::App& app, RunOptions& o) {
  const std::map<std::string, Language> languages{{"zh", Language::kChinese},
                                                  {"en", Language::kEnglish}};
  app.add_option("SETFILE", o.setFile, "The body to float (the SET file)")->option_text(" ");
  app.add_option("--json", o.jsonFile, "Write the report as JSON to FILE (-: standard output)")
      ->option_text("FILE");
  app.add_flag("--summary", o.summary, "Add heel, trim, hydrostatics and verdict after the drafts");
  app.add_option("--digits", o.digits, "Significant digits of the numbers beyond the fixed texts")
      ->option_text("N (1-17, default 6)")
      ->check(CLI::Range(1, kMaxDigits));
  app.add_option("--marks", o.marksFile, "Report the drafts of the marks in FILE (CSV)")
      ->option_text("FILE");
  app.add_option("--lang", o.language, "Language of the console texts")
      ->option_text("zh|en (default zh)")
      ->transform(CLI::CheckedTransformer(languages))
      ->transform(CLI::IsMember(names(languages)));  // runs first: a plain message for a bad name
  app.add_flag("--quiet", o.quiet, "Leave out the step lines of the iteration");
  app.add_flag("--strict", o.strict, "End the run before solving when the input has a warning");
  app.add_option_function<std::string>(
         "--gz", [&o](const std::string& text) { o.gz = heelRangeOf(text); },
         "Righting-arm curve over these heels, after the normal output")
      ->option_text("FROM:TO:STEP (degrees)")
      ->check(CLI::Validator(heelRangeProblem, "FROM:TO:STEP"));
  app.add_option("--svg", o.svgFile, "Draw the floating body (and the curve) as SVG into FILE")
      ->option_text("FILE");
  const std::map<std::string, SolverMethod> methods{{"greedy", SolverMethod::kGreedy},
                                                    {"newton", SolverMethod::kNewton}};
  app.add_option("--method", o.method, "The solver: the tilt iteration or Newton steps")
      ->option_text("greedy|newton (default greedy; newton with --case)")
      ->transform(CLI::CheckedTransformer(methods))
      ->transform(CLI::IsMember(names(methods)));
  app.add_option("--max-steps", o.maxSteps, "End the iteration unconverged after N steps")
      ->option_text("N (default: none for greedy, 50 for newton)")
      ->check(CLI::Validator(stepCountProblem, "N"));
  app.add_option("--pillars", o.pillarFile,
                 "Read the pillars from FILE, not from FourPillars.txt beside the body")
      ->option_text("FILE");
  app.add_flag("--no-pillars", o.noPillars, "Report no pillar drafts and read no pillar file");
  app.add_option_function<std::string>(
         "--answer", [&o](const std::string& text) { o.answer = text == "yes"; },
         "Answer the iteration's question so, without reading standard input")
      ->option_text("yes|no")
      ->check(CLI::IsMember({"yes", "no"}));
  app.add_option("--case", o.caseFile, "Float the body of the case file with its loading condition")
      ->option_text("CASE.yaml (m, t, t/m^3, t*m)");
}

// Why a number or a point given to a mesh option is not one; empty when it is.
std::string numberProblem(std::string& text) {
  double value;
  return parseNumberOption(text, value) ? std::string() : "'" + text + "' is not a number";
}
std::string pointProblem(std::string& text) {
  Vec3 point;
  return parsePointOption(text, point) ? std::string() : "'" + text + "' is not a point X,Y,Z";
}

// The options of a body given as a surface mesh. Numbers are read with '.' whatever the locale.
void describeMeshOptions(CLI::App& app, MeshRunInput& m) {
  app.add_option("--mesh", m.meshFile, "The body as the triangle surface in FILE")
      ->option_text("FILE (STL, OBJ, OFF)");
  const auto number = [&app](const char* name, double& value, bool& given, const char* text) {
    app.add_option_function<std::string>(
           name, [&value, &given](const std::string& t) { given = parseNumberOption(t, value); },
           text)
        ->option_text("NUMBER")
        ->check(CLI::Validator(numberProblem, "NUMBER"));
  };
  number("--displacement", m.displacement, m.hasDisplacement,
         "With --mesh: the displacement volume V");
  number("--mass", m.mass, m.hasMass, "With --mesh and --density: the mass M, V = M / RHO");
  number("--density", m.density, m.hasDensity, "With --mesh and --mass: the water's density RHO");
  app.add_option_function<std::string>(
         "--gravity", [&m](const std::string& t) { m.hasGravity = parsePointOption(t, m.gravity); },
         "With --mesh: the centre of gravity")
      ->option_text("X,Y,Z")
      ->check(CLI::Validator(pointProblem, "X,Y,Z"));
}

// A validator of an option value read by one of option_values.h's readers into a scratch value.
template <typename Value>
CLI::Validator readable(bool (*read)(const std::string&, Value&, std::string&), const char* name) {
  return CLI::Validator(
      [read](std::string& text) {
        Value value;
        std::string reason;
        return read(text, value, reason) ? std::string() : reason;
      },
      name);
}

// The value of an option that its validator accepted.
template <typename Value>
Value readValue(bool (*read)(const std::string&, Value&, std::string&), const std::string& text) {
  Value value{};
  std::string reason;
  read(text, value, reason);
  return value;
}

// The options of the stability booklet: the hydrostatic table, the cross curves, the criteria.
void describeBookletOptions(CLI::App& app, RunOptions& o) {
  app.add_option_function<std::string>(
         "--hydrostatics",
         [&o](const std::string& t) { o.hydrostatics = readValue(parseDraftRange, t); },
         "Upright hydrostatic table over these drafts, after the normal output")
      ->option_text("FROM:TO:STEP")
      ->check(readable(parseDraftRange, "FROM:TO:STEP"));
  app.add_option("--csv", o.csvFile,
                 "The tables as CSV into FILE (with both, the cross curves into NAME.kn.EXT)")
      ->option_text("FILE");
  app.add_option_function<std::string>(
         "--kn", [&o](const std::string& t) { o.crossCurveHeels = readValue(parseHeelRange, t); },
         "Cross curves KN over these heels for the volumes of --kn-volumes")
      ->option_text("FROM:TO:STEP (degrees)")
      ->check(readable(parseHeelRange, "FROM:TO:STEP"));
  app.add_option_function<std::string>(
         "--kn-volumes",
         [&o](const std::string& t) { o.crossCurveVolumes = readValue(parseVolumeList, t); },
         "With --kn: the displacement volumes")
      ->option_text("V1,V2,...")
      ->check(readable(parseVolumeList, "V1,V2,..."));
  app.add_option_function<std::string>(
         "--kn-lcg",
         [&o](const std::string& t) {
           double x;
           if (parseNumberOption(t, x))
             o.crossCurveX = x;
         },
         "With --kn: x of the reference point (default: upright LCB of each volume)")
      ->option_text("X")
      ->check(CLI::Validator(numberProblem, "NUMBER"));
  const std::map<std::string, CriteriaSet> sets{{"is2008", CriteriaSet::kIs2008},
                                                {"area-ratio", CriteriaSet::kAreaRatio}};
  app.add_option_function<CriteriaSet>(
         "--criteria", [&o](const CriteriaSet& set) { o.criteria = set; },
         "Check the intact stability criteria on the righting-arm curve")
      ->option_text("is2008|area-ratio")
      ->transform(CLI::CheckedTransformer(sets))
      ->transform(CLI::IsMember(names(sets)));
  CriteriaInputs& in = o.criteriaInputs;
  bool& given = o.criteriaInputsGiven;
  app.add_option_function<std::string>(
         "--windage",
         [&in, &given](const std::string& t) {
           in.windage = readValue(parseWindage, t);
           given = true;
         },
         "With --criteria is2008: the windage area (m^2) and its lever Z (m) (in place of the "
         "case's windage)")
      ->option_text("AREA,LEVER")
      ->check(readable(parseWindage, "AREA,LEVER"));
  app.add_option_function<std::string>(
         "--bilge-keel-area",
         [&in, &given, &o](const std::string& t) {
           given = o.bilgeKeelAreaGiven = parseNumberOption(t, in.bilgeKeelArea);
         },
         "With --criteria is2008: the bilge keels' area (m^2, default 0; in place of the case's)")
      ->option_text("AREA")
      ->check(CLI::Validator(numberProblem, "NUMBER"));
  app.add_option_function<std::vector<std::string>>(
         "--opening",
         [&in, &given](const std::vector<std::string>& texts) {
           for (const std::string& t : texts)
             in.openings.push_back(readValue(parseOpening, t));
           given = true;
         },
         "With --criteria: an opening that floods the body (repeatable; in place of the case's)")
      ->option_text("NAME,X,Y,Z")
      ->allow_extra_args(false)  // one value per --opening: a SET file may follow
      ->check(readable(parseOpening, "NAME,X,Y,Z"));
  app.add_option_function<std::string>(
         "--wind-heeling-arm",
         [&in, &given](const std::string& t) {
           in.windHeelingArm = HeelingArmTable(readValue(parseHeelingArmRows, t));
           given = true;
         },
         "With --criteria area-ratio: the wind's heeling arm (m) by heel (deg) (in place of the "
         "case's)")
      ->option_text("HEEL:ARM,...")
      ->check(readable(parseHeelingArmRows, "HEEL:ARM,..."));
}

// What is wrong with the booklet's options taken together, or an empty string.
std::string bookletOptionsProblem(const RunOptions& o) {
  if (!o.csvFile.empty() && !o.hydrostatics && !o.crossCurveHeels)
    return "--csv needs --hydrostatics or --kn";
  if (o.crossCurveHeels && o.crossCurveVolumes.empty())
    return "--kn needs --kn-volumes V1,V2,...";
  if (!o.crossCurveHeels && (!o.crossCurveVolumes.empty() || o.crossCurveX))
    return "--kn-volumes and --kn-lcg go with --kn";
  if (o.criteriaInputsGiven && !o.criteria)
    return "--windage, --bilge-keel-area, --opening and --wind-heeling-arm go with --criteria";
  // A case file may give the arm itself: the case run checks it there.
  if (o.criteria == CriteriaSet::kAreaRatio && !o.criteriaInputs.windHeelingArm &&
      o.caseFile.empty())
    return "--criteria area-ratio needs the wind's heeling arm: --wind-heeling-arm HEEL:ARM,...";
  return "";
}

void describeBaseline(CLI::App& app, RunOptions& o) {
  app.add_option_function<std::string>(
         "--baseline",
         [&o](const std::string& t) { o.baselineGiven = parseNumberOption(t, o.baseline); },
         "Drafts, KB, KG and KM are heights above the baseline z = Z")
      ->option_text("Z (default 0)")
      ->check(CLI::Validator(numberProblem, "NUMBER"));
}

// Why a --jobs value is not a number of threads; empty when it is one.
std::string jobCountProblem(std::string& text) {
  const std::string problem = stepCountProblem(text);
  return problem.empty() ? problem : "the number of threads must be a whole number of at least 1";
}

void describeBatchOptions(CLI::App& app, BatchOptions& b) {
  app.add_option("--batch", b.listFile, "Run the runs listed in LIST (JSON), not one body")
      ->option_text("LIST");
  app.add_option("--json-lines", b.linesFile,
                 "With --batch: the runs' reports into OUT, one line each (-: standard output)")
      ->option_text("OUT");
  app.add_option("--jobs", b.jobs, "With --batch: the runs on N threads at once")
      ->option_text("N (default: one per hardware thread)")
      ->check(CLI::Validator(jobCountProblem, "N"));
}

// With --batch, only its own options: the runs' settings come from the list.
std::string batchProblem(const CLI::App& app, const BatchOptions& batch) {
  const bool batchGiven = app.count("--batch") > 0;
  if (!batchGiven) {
    if (app.count("--json-lines") > 0 || app.count("--jobs") > 0)
      return "--json-lines and --jobs go with --batch";
    return "";
  }
  if (batch.linesFile.empty())
    return "--batch needs --json-lines OUT, the file of the reports (- for standard output)";
  for (const CLI::Option* option : app.get_options()) {
    const std::string name = option->get_name();
    if (option->count() > 0 && name != "--batch" && name != "--json-lines" && name != "--jobs")
      return "--batch takes no other option or SET file: each run's settings are in the list";
  }
  return "";
}

void configure(CLI::App& app, RunOptions& options, BatchOptions& batch) {
  app.formatter(std::make_shared<HelpFormatter>());
  app.get_formatter()->column_width(32);
  app.footer(kExitCodes);
  app.set_version_flag("--version", std::string("floatstate ") + kVersion, "Print the version");
  // A path such as "/data/body.txt" is a file, never an option, on every platform.
  app.allow_windows_style_options(false);
  describeOptions(app, options);
  describeMeshOptions(app, options.mesh);
  describeBookletOptions(app, options);
  describeBaseline(app, options);
  describeBatchOptions(app, batch);
}

}  // namespace

CommandLine parseCommandLine(int argc, const char* const* argv) {
  CommandLine result;
  CLI::App app("", "floatstate");
  configure(app, result.options, result.batch);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    result.action = CommandLine::Action::Help;
  } catch (const CLI::CallForVersion&) {
    result.action = CommandLine::Action::Version;
  } catch (const CLI::ParseError& e) {
    result.action = CommandLine::Action::UsageError;
    result.error = e.what();
    return result;
  }
  const bool methodGiven = app.count("--method") > 0;
  const MeshRunInput& mesh = result.options.mesh;
  std::string problem = meshOptionsProblem(mesh);
  // The tables alone need no loading: a mesh may come without one.
  if (!mesh.meshFile.empty() && !mesh.hasLoading() && !result.options.needsEquilibrium())
    problem.clear();
  if (problem.empty() && !mesh.meshFile.empty() && !result.options.setFile.empty())
    problem = "a SET file and --mesh cannot be given together";
  if (problem.empty())
    problem = bookletOptionsProblem(result.options);
  if (problem.empty() && result.options.noPillars && !result.options.pillarFile.empty())
    problem = "--pillars and --no-pillars cannot be given together";
  const bool withCase = !result.options.caseFile.empty();
  if (problem.empty() && withCase && !result.options.setFile.empty())
    problem = "a SET file and --case cannot be given together: the case file names the body";
  if (problem.empty() && withCase && !mesh.meshFile.empty())
    problem = "--mesh and --case cannot be given together: the case file names the body";
  // A loaded body's centre of gravity moves with its liquids: Newton steps take it in stride.
  if (withCase && !methodGiven)
    result.options.method = SolverMethod::kNewton;
  if (problem.empty())
    problem = batchProblem(app, result.batch);
  if (problem.empty() && result.action == CommandLine::Action::Run && app.count("--batch") > 0)
    result.action = CommandLine::Action::Batch;
  if (result.action == CommandLine::Action::Run && !problem.empty()) {
    result.action = CommandLine::Action::UsageError;
    result.error = problem;
  }
  return result;
}

void writeUsage(std::ostream& out) {
  RunOptions unused;
  BatchOptions unusedBatch;
  CLI::App app("", "floatstate");
  configure(app, unused, unusedBatch);
  out << app.help() << std::flush;
}

void writeShortUsage(std::ostream& out) {
  out << kUsageLines << "Run 'floatstate --help' for the options.\n" << std::flush;
}

void writeVersion(std::ostream& out) {
  out << "floatstate " << kVersion << std::endl;
}

const char* programVersion() {
  return kVersion;
}
