#include "app/booklet_run.h"

#include <iostream>
#include <sstream>

#include "app/platform/console_encoding.h"
#include "app/platform/output_file.h"
#include "app/report/booklet_csv.h"
#include "app/report/booklet_report.h"
#include "app/report/driver_texts.h"
#include "app/report/summary.h"
#include "elements/console.h"

namespace {

constexpr int kCriterionNotMet = 5;

bool writeCsvFile(const std::string& path, const std::string& text) {
  std::string reason;
  if (writeFileReplacing(path, text, reason))
    return true;
  console::out() << std::flush;
  writeUnconverted(console::err(),
                   "floatstate: cannot write the table " + path + ": " + reason + "\n");
  return false;
}

}  // namespace

void runBookletTables(FloatingBody& body, const RunOptions& options, RunReport& report,
                      std::optional<double> lpp) {
  const char* noValue = driverTexts(options.language).noValue;
  const BookletTexts& texts = bookletTexts(options.language);
  if (options.hydrostatics) {
    HydrostaticSettings settings;
    settings.density = report.waterDensity;
    settings.lpp = lpp;
    report.hydrostaticTable = hydrostaticTable(body, *options.hydrostatics, settings);
    writeHydrostaticTable(console::out(), report, texts, noValue, options.digits);
  }
  if (options.crossCurveHeels) {
    report.crossCurves =
        crossCurves(body, options.crossCurveVolumes, *options.crossCurveHeels, options.crossCurveX);
    writeCrossCurveTable(console::out(), *report.crossCurves, texts, noValue, options.digits);
  }
}

namespace {

// The criteria's table on the console and their failures and notes on standard error.
bool reportCriteria(const RunOptions& options, const CriteriaAssessment& a) {
  writeCriteriaTable(console::out(), a, bookletTexts(options.language),
                     driverTexts(options.language).noValue, options.digits);
  console::out() << std::flush;
  for (const std::string& note : a.notes)
    console::err() << "floatstate: " << note << std::endl;
  for (const CriterionResult& r : a.results) {
    if (r.pass)
      continue;
    const std::string unit = r.unit.empty() ? "" : " " + r.unit;
    console::err() << "floatstate: criterion " << r.id << " is not met: attained "
                   << formatNumber(r.attained, options.digits, "none") << unit << ", required "
                   << formatNumber(r.required, options.digits, "none") << unit << std::endl;
  }
  return a.pass;
}

LoadedCondition conditionOf(const EquilibriumCheck& check, const RunReport& report) {
  LoadedCondition condition;
  condition.volume = report.displacementVolume;
  condition.gravity = report.centreOfGravity;
  condition.waterPlane = report.waterPlane;
  condition.GM0 = check.stability.GMt;
  return condition;
}

}  // namespace

bool runCriteria(FloatingBody& body, const RunOptions& options, const EquilibriumCheck& check,
                 RunReport& report) {
  CriteriaInputs inputs = options.criteriaInputs;
  inputs.density = report.waterDensity;
  report.criteria = assessCriteria(body, conditionOf(check, report), *options.criteria, inputs);
  return reportCriteria(options, *report.criteria);
}

bool runCriteria(FloatingBody& body, LoadModel& load, CriteriaInputs inputs,
                 const RunOptions& options, const EquilibriumCheck& check, RunReport& report) {
  inputs.density = report.waterDensity;
  report.criteria =
      assessCriteria(body, load, conditionOf(check, report), *options.criteria, inputs);
  return reportCriteria(options, *report.criteria);
}

std::string crossCurveVolumesProblem(const RunOptions& options, double bodyVolume) {
  for (const double V : options.crossCurveVolumes) {
    if (V > bodyVolume) {
      std::ostringstream why;
      why << "--kn-volumes: the volume " << V << " exceeds the whole body's volume " << bodyVolume;
      return why.str();
    }
  }
  return "";
}

RightingArmCurve curveOfSamples(const std::vector<std::pair<double, double>>& samples) {
  RightingArmCurve curve;
  for (const auto& sample : samples) {
    RightingArmPoint p;
    p.heelDeg = sample.first;
    p.gz = sample.second;
    p.trimFound = true;
    curve.points.push_back(p);
  }
  return curve;
}

std::string crossCurvesCsvPath(const std::string& csvFile) {
  // The extension starts at the name's last dot, unless that is its first character.
  const size_t slash = csvFile.find_last_of("/\\");
  const size_t name = slash == std::string::npos ? 0 : slash + 1;
  const size_t dot = csvFile.rfind('.');
  const bool extension = dot != std::string::npos && dot > name;
  return extension ? csvFile.substr(0, dot) + ".kn" + csvFile.substr(dot) : csvFile + ".kn";
}

bool writeBookletCsv(const RunOptions& options, const RunReport& report) {
  if (options.csvFile.empty())
    return true;
  bool written = true;
  if (report.hydrostaticTable)
    written = writeCsvFile(options.csvFile, hydrostaticTableCsv(*report.hydrostaticTable));
  if (report.crossCurves) {
    const std::string path =
        report.hydrostaticTable ? crossCurvesCsvPath(options.csvFile) : options.csvFile;
    written = writeCsvFile(path, crossCurvesCsv(*report.crossCurves)) && written;
  }
  return written;
}

int runExitCode(int verdictCode, bool criteriaMet) {
  return verdictCode != 0 ? verdictCode : criteriaMet ? 0 : kCriterionNotMet;
}

void drawBookletPanels(const RunReport& report, RightingArmCurve& evaluated, PictureScene& scene) {
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
}
