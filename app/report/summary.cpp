#include "app/report/summary.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ostream>
#include <sstream>
#include <vector>

#include "app/platform/console_encoding.h"

namespace {

constexpr const char* kIndent = "  ";
constexpr const char* kGap = "  ";
constexpr const char* kLength = "L";
constexpr const char* kArea = "L^2";

// One line of the block. The label is `label` followed by `name` (a mark's name, written
// unconverted); a GBK character takes two bytes and two columns, so bytes are columns. The unit
// (none for the verdict) follows the value.
struct Row {
  const char* label;
  std::string name;
  std::string value;
  const char* unit;
};

std::size_t labelWidth(const Row& row) {
  return std::strlen(row.label) + row.name.size();
}

std::vector<Row> rows(const RunReport& r, const DriverTexts& t, int digits) {
  const auto number = [&](double v) { return formatNumber(v, digits, t.noValue); };
  const auto draft = [&](const std::optional<double>& z) {
    return z ? number(*z) : std::string(t.noValue);
  };
  const Hydrostatics& h = r.hydrostatics;
  const Vec3& f = h.centreOfFlotation;
  const std::string flotation =
      std::isnan(f.x) ? std::string(t.noValue)
                      : "( " + number(f.x) + " , " + number(f.y) + " , " + number(f.z) + " )";
  std::vector<Row> rows = {{t.heel, "", number(heelDegrees(r.waterPlane)), t.degrees},
                           {t.trim, "", number(trimDegrees(r.waterPlane)), t.degrees},
                           {t.meanDraft, "", number(meanDraft(r)), kLength}};
  for (const NamedDraft& mark : r.marks)
    rows.push_back({t.mark, mark.name, draft(mark.draft), kLength});
  const std::vector<Row> rest = {{t.waterplaneArea, "", number(h.waterplaneArea), kArea},
                                 {t.centreOfFlotation, "", flotation, kLength},
                                 {t.kb, "", number(r.centreOfBuoyancy.z - r.baseline), kLength},
                                 {t.bmt, "", number(h.BMt), kLength},
                                 {t.bml, "", number(h.BMl), kLength},
                                 {t.gmt, "", number(h.GMt), kLength},
                                 {t.gml, "", number(h.GMl), kLength}};
  rows.insert(rows.end(), rest.begin(), rest.end());
  return rows;
}

const char* verdictText(Verdict verdict, const DriverTexts& t) {
  switch (verdict) {
    case Verdict::kStable:
      return t.stable;
    case Verdict::kUnstable:
      return t.unstable;
    case Verdict::kNotConverged:
      break;
  }
  return t.notConverged;
}

}  // namespace

std::string formatNumber(double value, int digits, const char* noValue) {
  if (std::isnan(value))
    return noValue;
  std::ostringstream text;
  text.precision(digits);
  text << value;
  return text.str();
}

std::string blockTitle(const char* head, bool meshFile, const std::string& baseline,
                       const DriverTexts& texts) {
  std::string title = std::string(head) + (meshFile ? texts.unitOfMeshFile : texts.unitOfSetFile);
  if (!baseline.empty())
    title += texts.baselineBefore + baseline + texts.baselineAfter;
  return title + texts.titleEnd;
}

void writeSummary(std::ostream& out, const RunReport& report, const DriverTexts& texts,
                  int digits) {
  std::vector<Row> all = rows(report, texts, digits);
  all.push_back({texts.verdict, "", verdictText(report.verdict, texts), nullptr});
  std::size_t width = 0;
  for (const Row& row : all)
    width = std::max(width, labelWidth(row));
  const std::string baseline =
      report.namesBaseline ? formatNumber(report.baseline, digits, texts.noValue) : "";
  out << blockTitle(texts.summaryTitle, !report.meshFile.empty(), baseline, texts) << std::endl;
  for (const Row& row : all) {
    out << kIndent << row.label;
    writeUnconverted(out, row.name);
    out << std::string(width - labelWidth(row), ' ') << kGap << row.value;
    // A value that does not exist has no unit.
    if (row.unit != nullptr && row.value != texts.noValue)
      out << ' ' << row.unit;
    out << std::endl;
  }
}
