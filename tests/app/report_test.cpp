// The engineer's report: heel and trim, the JSON document, the draft marks file, the summary
// block and the command line that asks for them.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "app/booklet_run.h"
#include "app/command_line.h"
#include "app/input/draft_marks.h"
#include "app/report/booklet_csv.h"
#include "app/report/report_json.h"
#include "app/report/summary.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The body is fixed and the plane tilts: a +y side lying deeper turns the normal towards -y.
TEST(HeelAndTrim, AnglesAreSignedByTheDeeperSide) {
  const double s = std::sin(std::acos(-1.0) / 6);  // 30 degrees
  const double c = std::cos(std::acos(-1.0) / 6);
  struct Case {
    Plane plane;
    double heel, trim;
  } cases[] = {{Plane(0, 0, 1, -2), 0, 0},
               {Plane(0, -s, c, 0), 30, 0},
               {Plane(0, s, c, 0), -30, 0},
               {Plane(-s, 0, c, 0), 0, 30},
               {Plane(s, 0, c, 0), 0, -30}};
  for (const Case& k : cases) {
    EXPECT_NEAR(heelDegrees(k.plane), k.heel, 1e-12);
    EXPECT_NEAR(trimDegrees(k.plane), k.trim, 1e-12);
  }
}

RunReport awkwardReport() {
  RunReport r;
  r.setFile = "body.txt";
  r.pillarFile = "FourPillars.txt";
  r.displacementVolume = 0.1 + 0.2;  // not 0.3
  r.centreOfGravity = Vec3(123508.042, -0.0, 1e-300);
  r.waterPlane = Plane(-0.07613394979402248, 1.0 / 3, std::nextafter(1.0, 0.0), -12.38);
  r.centreOfBuoyancy = Vec3(5e-324, 1.7976931348623157e308, 2.0 / 3);
  r.pillarDrafts = {13.451527448152451, std::nullopt};
  r.hydrostatics.GMt = std::nextafter(0.1, 1.0);
  return r;
}

TEST(ReportJson, EveryDoubleReadsBackBitForBitAndMissingNumbersAreNull) {
  const RunReport r = awkwardReport();
  const nlohmann::json j = nlohmann::json::parse(reportToJson(r, "9.8.7"));
  EXPECT_EQ(j["program"]["version"], "9.8.7");
  EXPECT_EQ(j["input"]["displacementVolume"].get<double>(), r.displacementVolume);
  const std::vector<double> g = j["input"]["centreOfGravity"];
  EXPECT_EQ(g, (std::vector<double>{123508.042, 0.0, 1e-300}));
  EXPECT_TRUE(std::signbit(g[1]));
  const std::vector<double> b = j["centreOfBuoyancy"];
  EXPECT_EQ(b, (std::vector<double>{5e-324, 1.7976931348623157e308, 2.0 / 3}));
  EXPECT_EQ(j["waterPlane"]["B"].get<double>(), 1.0 / 3);
  EXPECT_EQ(j["waterPlane"]["C"].get<double>(), std::nextafter(1.0, 0.0));
  EXPECT_EQ(j["heelDeg"].get<double>(), heelDegrees(r.waterPlane));
  EXPECT_EQ(j["pillars"][0]["draft"].get<double>(), *r.pillarDrafts[0]);
  EXPECT_EQ(j["pillars"][1]["index"], 2);
  EXPECT_TRUE(j["pillars"][1]["draft"].is_null());
  EXPECT_EQ(j["hydrostatics"]["GMt"].get<double>(), r.hydrostatics.GMt);
  EXPECT_TRUE(j["hydrostatics"]["GMl"].is_null());
  EXPECT_TRUE(j["solver"]["distance"].is_null());
  EXPECT_EQ(j["verdict"], "not-converged");
  EXPECT_FALSE(j.contains("marks"));
}

TEST(ReportJson, KeysInOrderAndMarksOnlyWhenAskedFor) {
  RunReport r = awkwardReport();
  r.marksGiven = true;
  r.marks = {{"bow \"port\"", 1.5}, {"\xba\xc5", std::nullopt}};  // a GBK name is not UTF-8
  r.warnings = {{7, "skipped"}};
  const nlohmann::ordered_json j = nlohmann::ordered_json::parse(reportToJson(r, "1"));
  std::vector<std::string> keys;
  for (const auto& item : j.items())
    keys.push_back(item.key());
  EXPECT_EQ(keys, (std::vector<std::string>{"program", "input", "solver", "waterPlane",
                                            "centreOfBuoyancy", "heelDeg", "trimDeg", "pillars",
                                            "marks", "hydrostatics", "verdict", "warnings"}));
  EXPECT_EQ(j["marks"][0]["name"], "bow \"port\"");
  EXPECT_EQ(j["marks"][1]["name"], "\xef\xbf\xbd\xef\xbf\xbd");  // each byte U+FFFD
  EXPECT_TRUE(j["marks"][1]["draft"].is_null());
  EXPECT_EQ(j["warnings"][0]["line"], 7);
}

struct MarksCase {
  const char* name;
  std::string text;
  long line;            // of the error; 0: reads
  const char* message;  // a part of the error's message
};

void PrintTo(const MarksCase& k, std::ostream* out) {
  *out << k.name;
}

class MarksFile : public ::testing::TestWithParam<MarksCase> {};

TEST_P(MarksFile, ReadsOrNamesTheFileAndLine) {
  const MarksCase& k = GetParam();
  std::istringstream in(k.text);
  std::vector<DraftMark> marks;
  MarksFileError error;
  const bool ok = parseMarks(in, "m.csv", marks, error);
  if (k.line == 0) {
    ASSERT_TRUE(ok) << error.message;
    ASSERT_EQ(marks.size(), 2u);
    EXPECT_EQ(marks[0].name, "bow, port");
    EXPECT_EQ(marks[1].name, "stern");
    EXPECT_EQ(marks[0].line.P0.y, -5);
    EXPECT_EQ(marks[1].line.P1.z, 10.5);
    return;
  }
  EXPECT_FALSE(ok);
  EXPECT_EQ(error.line, k.line);
  EXPECT_EQ(error.message.rfind("marks file m.csv line " + std::to_string(k.line) + ": ", 0), 0u)
      << error.message;
  EXPECT_NE(error.message.find(k.message), std::string::npos) << error.message;
}

const std::string kMarks = "\"bow, port\",0,-5,0,0,-5,10\n stern ,40,0,0,40,0,10.5\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, MarksFile,
    ::testing::Values(
        MarksCase{"plain", "name,x1,y1,z1,x2,y2,z2\n" + kMarks, 0, ""},
        MarksCase{"crlf_bom_blank_lines",
                  "\xef\xbb\xbfname,x1,y1,z1,x2,y2,z2\r\n\r\n\"bow, port\",0,-5,0,0,-5,10\r\n"
                  "stern,40,0,0,40,0,+10.5\r\n",
                  0, ""},
        MarksCase{"columns_in_any_order",
                  "z2,y2,x2,z1,y1,x1,name\n10,-5,0,0,-5,0,\"bow, port\"\n"
                  "10.5,0,40,0,0,40,stern\n",
                  0, ""},
        MarksCase{"missing_column", "name,x1,y1,z1,x2,y2\n" + kMarks, 1, "no column z2"},
        MarksCase{"not_a_number", "name,x1,y1,z1,x2,y2,z2\n\nfwd,0,4,5,0,0,1\naft,1,2,x,4,5,6\n", 4,
                  "z1 is not a finite number: \"x\""},
        MarksCase{"decimal_comma", "name,x1,y1,z1,x2,y2,z2\nfwd,0,\"4,5\",0,0,0,1\n", 2,
                  "y1 is not a finite number: \"4,5\""},
        MarksCase{"not_finite", "name,x1,y1,z1,x2,y2,z2\nfwd,0,0,inf,0,0,1\n", 2,
                  "z1 is not a finite number"},
        MarksCase{"too_few_fields", "name,x1,y1,z1,x2,y2,z2\nfwd,0,0,0,0,1\n", 2,
                  "6 fields where the header has 7"},
        MarksCase{"too_far_apart", "name,x1,y1,z1,x2,y2,z2\nfwd,-1e308,0,0,1e308,0,1\n", 2,
                  "too far apart"}),
    [](const ::testing::TestParamInfo<MarksCase>& p) { return p.param.name; });

// Every value starts in one column, whatever the language's labels; --digits sets the digits.
TEST(Summary, ValuesStandInOneColumnWithTheAskedDigits) {
  RunReport r = awkwardReport();
  r.marks = {{"fwd", 2.0 / 3}};
  r.verdict = Verdict::kStable;
  for (Language language : {Language::kChinese, Language::kEnglish}) {
    std::ostringstream out;
    writeSummary(out, r, driverTexts(language), 9);
    std::istringstream lines(out.str());
    std::string line;
    std::getline(lines, line);  // the title
    std::size_t column = std::string::npos;
    int count = 0;
    while (std::getline(lines, line)) {
      // Labels hold single blanks; two blanks end the label.
      const std::size_t value = line.find_first_not_of(' ', line.find("  ", 2));
      if (column == std::string::npos)
        column = value;
      EXPECT_EQ(value, column) << line;
      ++count;
    }
    EXPECT_EQ(count, 12);
    EXPECT_NE(out.str().find("0.666666667 L\n"), std::string::npos) << out.str();
  }
}

struct ArgsCase {
  std::vector<const char*> args;
  CommandLine::Action action;
};

TEST(CommandLine, OptionsFillRunOptionsAndMistakesAreUsageErrors) {
  using A = CommandLine::Action;
  const ArgsCase cases[] = {{{}, A::Run},
                            {{"--json", "-", "--summary", "--digits=17", "--lang", "en", "--quiet",
                              "--strict", "--marks", "m.csv", "--", "-body.txt"},
                             A::Run},
                            {{"-h"}, A::Help},
                            {{"b.txt", "--version"}, A::Version},
                            {{"a.txt", "b.txt"}, A::UsageError},
                            {{"--frobnicate"}, A::UsageError},
                            {{"--digits", "0"}, A::UsageError},
                            {{"--digits", "18"}, A::UsageError},
                            {{"--lang", "1"}, A::UsageError},
                            {{"--json"}, A::UsageError},
                            {{"--baseline", "-0.0625"}, A::Run},
                            {{"--baseline", "1,5"}, A::UsageError},
                            {{"--baseline", "nan"}, A::UsageError}};
  for (const ArgsCase& k : cases) {
    std::vector<const char*> argv{"floatstate"};
    argv.insert(argv.end(), k.args.begin(), k.args.end());
    const CommandLine c = parseCommandLine(static_cast<int>(argv.size()), argv.data());
    EXPECT_EQ(c.action, k.action) << (k.args.empty() ? "" : k.args.back());
  }
  const char* argv[] = {"floatstate", "--json", "-",        "--summary", "--digits=17",
                        "--lang",     "en",     "--quiet",  "--strict",  "--marks",
                        "m.csv",      "--",     "-body.txt"};
  const RunOptions o = parseCommandLine(13, argv).options;
  EXPECT_EQ(o.setFile, "-body.txt");
  EXPECT_EQ(o.jsonFile, "-");
  EXPECT_EQ(o.marksFile, "m.csv");
  EXPECT_TRUE(o.summary && o.quiet && o.strict);
  EXPECT_EQ(o.digits, 17);
  EXPECT_EQ(o.language, Language::kEnglish);
  const RunOptions none = parseCommandLine(1, argv).options;
  EXPECT_TRUE(none.jsonFile.empty() && !none.summary && none.digits == 6 && !none.quiet);
  EXPECT_TRUE(none.baseline == 0 && !none.baselineGiven);
  const char* baseline[] = {"floatstate", "--baseline=-0.0625"};
  const RunOptions b = parseCommandLine(2, baseline).options;
  EXPECT_TRUE(b.baseline == -0.0625 && b.baselineGiven);
  EXPECT_EQ(none.language, Language::kChinese);
}

// The booklet's options fill RunOptions; the combinations that make no sense are usage errors, and
// the tables alone need no equilibrium, nor, for a mesh, a loading.
TEST(CommandLine, BookletOptions) {
  using A = CommandLine::Action;
  const ArgsCase cases[] = {
      {{"--hydrostatics", "1:5:0.5", "--csv", "t.csv", "b.txt"}, A::Run},
      {{"--kn", "0:60:5", "--kn-volumes", "100,200", "--kn-lcg", "3", "b.txt"}, A::Run},
      {{"--criteria", "is2008", "--opening", "v,1,2,3", "b.txt", "--opening", "w,1,2,4"}, A::Run},
      {{"--criteria", "area-ratio", "--wind-heeling-arm", "0:1,90:0.5", "b.txt"}, A::Run},
      {{"--mesh", "h.stl", "--hydrostatics", "1:2:1", "--json", "-"}, A::Run},
      {{"--mesh", "h.stl", "--hydrostatics", "1:2:1", "--summary"}, A::UsageError},
      {{"--mesh", "h.stl", "--kn", "0:9:3", "--kn-volumes", "5", "--criteria", "is2008"},
       A::UsageError},
      {{"--csv", "t.csv", "b.txt"}, A::UsageError},
      {{"--kn", "0:60:5", "b.txt"}, A::UsageError},
      {{"--kn-lcg", "1", "b.txt"}, A::UsageError},
      {{"--bilge-keel-area", "3", "b.txt"}, A::UsageError},
      {{"--criteria", "area-ratio", "b.txt"}, A::UsageError},
      {{"--criteria", "is2009", "b.txt"}, A::UsageError}};
  for (const ArgsCase& k : cases) {
    std::vector<const char*> argv{"floatstate"};
    argv.insert(argv.end(), k.args.begin(), k.args.end());
    const CommandLine c = parseCommandLine(static_cast<int>(argv.size()), argv.data());
    EXPECT_EQ(c.action, k.action) << k.args[0] << " " << k.args[1] << ": " << c.error;
  }
  const char* argv[] = {"floatstate",        "--criteria", "is2008",   "--windage", "300,6",
                        "--opening",         "v,1,2,3",    "body.txt", "--opening", "w,4,5,6",
                        "--bilge-keel-area", "12"};
  const RunOptions o = parseCommandLine(12, argv).options;
  EXPECT_EQ(o.setFile, "body.txt");
  ASSERT_TRUE(o.criteria.has_value());
  EXPECT_EQ(*o.criteria, CriteriaSet::kIs2008);
  ASSERT_EQ(o.criteriaInputs.openings.size(), 2u);
  EXPECT_EQ(o.criteriaInputs.openings[1].name, "w");
  EXPECT_EQ(o.criteriaInputs.windage->area, 300);
  EXPECT_EQ(o.criteriaInputs.bilgeKeelArea, 12);
  EXPECT_TRUE(o.needsEquilibrium());
  const char* tables[] = {"floatstate", "--hydrostatics", "1:2:1", "--json", "-", "b.txt"};
  EXPECT_FALSE(parseCommandLine(6, tables).options.needsEquilibrium());
  EXPECT_TRUE(parseCommandLine(1, tables).options.needsEquilibrium());  // the bare program
}

TEST(Booklet, CsvNamesExitCodesAndTheCrossCurvesFile) {
  EXPECT_EQ(crossCurvesCsvPath("out/booklet.csv"), "out/booklet.kn.csv");
  EXPECT_EQ(crossCurvesCsvPath("booklet"), "booklet.kn");
  EXPECT_EQ(crossCurvesCsvPath("a.b/booklet"), "a.b/booklet.kn");
  EXPECT_EQ(crossCurvesCsvPath(".hidden"), ".hidden.kn");
  EXPECT_EQ(runExitCode(0, true), 0);
  EXPECT_EQ(runExitCode(0, false), 5);
  EXPECT_EQ(runExitCode(3, false), 3);
  EXPECT_EQ(runExitCode(4, false), 4);
  HydrostaticRow row{};
  row.draft = 0.1;
  row.volume = 2.0 / 3;
  row.Cb = std::nan("");
  const std::string csv = hydrostaticTableCsv({row});
  const std::string head = csv.substr(0, csv.find('\n'));
  EXPECT_EQ(head,
            "draft,volume,displacement,LCB,TCB,KB,waterplaneArea,LCF,TCF,TPC,BMt,BMl,KMt,KMl,MCT,"
            "waterlineLength,waterlineBreadth,Cb,Cwp");
  // Shortest round-trip numbers; a missing one is an empty field.
  EXPECT_EQ(csv.substr(head.size() + 1, 26), "0.1,0.6666666666666666,0,0");
  EXPECT_NE(csv.find(",,0\n"), std::string::npos);
}

// The tables' keys in the report; a run of the tables alone has no equilibrium's keys.
TEST(ReportJson, BookletKeysAndARunWithoutEquilibrium) {
  RunReport r;
  r.setFile = "b.txt";
  r.equilibriumSolved = false;
  HydrostaticRow row{};
  row.draft = 2;
  r.hydrostaticTable = std::vector<HydrostaticRow>{row};
  CrossCurve c;
  c.displacementVolume = 960;
  RightingArmPoint p;
  p.heelDeg = 10;
  p.gz = 1.5;
  c.points.push_back(p);
  r.crossCurves = std::vector<CrossCurve>{c};
  CriteriaAssessment a;
  a.results.push_back(judged("gm0", "m", 0.15, 0.1));
  a.pass = false;
  r.criteria = a;
  const nlohmann::json j = nlohmann::json::parse(reportToJson(r, "1"));
  for (const char* key : {"solver", "waterPlane", "pillars", "hydrostatics", "verdict"})
    EXPECT_FALSE(j.contains(key)) << key;
  EXPECT_EQ(j["waterDensity"], 1.025);
  EXPECT_EQ(j["waterDensitySource"], "default");
  EXPECT_EQ(j["hydrostaticTable"][0]["draft"], 2);
  EXPECT_EQ(j["hydrostaticTable"][0].size(), 19u);
  EXPECT_EQ(j["crossCurves"][0]["displacementVolume"], 960);
  EXPECT_EQ(j["crossCurves"][0]["points"][0]["kn"], 1.5);
  EXPECT_EQ(j["crossCurves"][0]["points"][0]["heelDeg"], 10);
  EXPECT_EQ(j["criteria"]["set"], "is2008");
  EXPECT_EQ(j["criteria"]["pass"], false);
  const nlohmann::json& result = j["criteria"]["results"][0];
  EXPECT_EQ(result["id"], "gm0");
  EXPECT_EQ(result["required"], 0.15);
  EXPECT_EQ(result["attained"], 0.1);
  EXPECT_EQ(result["unit"], "m");
  EXPECT_EQ(result["pass"], false);
}

}  // namespace
