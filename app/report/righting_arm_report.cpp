#include "app/report/righting_arm_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/report/summary.h"

namespace {

constexpr const char* kIndent = "  ";
constexpr const char* kGap = "  ";

std::string padLeft(const std::string& text, size_t width) {
  return std::string(width > text.size() ? width - text.size() : 0, ' ') + text;
}

// The head row and the rows of the points, columns as wide as their widest cell (a GBK character
// takes two bytes and two columns, so bytes are columns). When some trim was not balanced, every
// cell of the GZ column gets one more character: '*' on those rows, a space elsewhere. A curve
// with a heeling moment has the heeling arm as a fourth column.
void writeRows(std::ostream& out, const RightingArmCurve& curve, const DriverTexts& t, int digits,
               bool unbalanced) {
  std::vector<std::vector<std::string>> rows = {
      {t.gzHeel, t.gzTrim, std::string(t.gzArm) + (unbalanced ? " " : "")}};
  if (curve.heeling)
    rows[0].push_back(t.gzHeelingArm);
  for (const RightingArmPoint& p : curve.points) {
    const char* marker = !unbalanced ? "" : p.trimFound ? " " : "*";
    rows.push_back({formatNumber(p.heelDeg, digits, t.noValue),
                    formatNumber(resolvedDegrees(p.trimDeg), digits, t.noValue),
                    formatNumber(p.gz, digits, t.noValue) + marker});
    if (curve.heeling)
      rows.back().push_back(formatNumber(curve.heeling->arm, digits, t.noValue));
  }
  std::vector<size_t> widths(rows[0].size(), 0);
  for (const auto& row : rows) {
    for (size_t c = 0; c < row.size(); ++c)
      widths[c] = std::max(widths[c], row[c].size());
  }
  for (const auto& row : rows) {
    out << kIndent << padLeft(row[0], widths[0]);
    for (size_t c = 1; c < row.size(); ++c)
      out << kGap << padLeft(row[c], widths[c]);
    out << std::endl;
  }
}

void writeSummaryLines(std::ostream& out, const RightingArmCurve& curve, const DriverTexts& t,
                       int digits) {
  struct Line {
    const char* label;
    std::optional<double> value;
    const char* unit;
  };
  const RightingArmSummary& s = curve.summary;
  std::vector<Line> lines = {{t.gzMaximum, s.maxGz, "L"},
                             {t.gzMaximumHeel, s.maxHeelDeg, t.degrees},
                             {t.gzVanishing, s.vanishingHeelDeg, t.degrees},
                             {t.gzArea30, s.area30, "L rad"},
                             {t.gzArea40, s.area40, "L rad"}};
  if (curve.heeling) {
    const HeelingArmCrossing& h = *curve.heeling;
    lines.push_back({t.gzCrossing, h.crossingHeelDeg, t.degrees});
    lines.push_back(
        {h.residualToEndOfRange ? t.gzResidualToEnd : t.gzResidual, h.residualArea, "L rad"});
  }
  size_t width = 0;
  for (const Line& line : lines)
    width = std::max(width, std::strlen(line.label));
  for (const Line& line : lines) {
    out << kIndent << line.label << std::string(width - std::strlen(line.label), ' ') << kGap;
    if (line.value) {
      out << formatNumber(*line.value, digits, t.noValue) << ' ' << line.unit << std::endl;
    } else {
      out << t.noValue << std::endl;
    }
  }
}

// The line on the heel where the curve reached the opening: the format with the heel and the point.
std::string openingLine(const RightingArmCurve& curve, const DriverTexts& t, int digits) {
  const Vec3& p = curve.openingPoint;
  const std::string heel = formatNumber(*curve.openingHeelDeg, digits, t.noValue);
  const auto coordinate = [&](double c) { return formatNumber(c + 0.0, digits, t.noValue); };
  const std::string point =
      "(" + coordinate(p.x) + ", " + coordinate(p.y) + ", " + coordinate(p.z) + ")";
  std::vector<char> line(std::strlen(t.gzOpening) + heel.size() + point.size() + 1);
  std::snprintf(line.data(), line.size(), t.gzOpening, heel.c_str(), point.c_str());
  return line.data();
}

}  // namespace

void writeRightingArmTable(std::ostream& out, const RightingArmCurve& curve, bool meshFile,
                           const DriverTexts& texts, int digits) {
  const bool unbalanced = std::any_of(curve.points.begin(), curve.points.end(),
                                      [](const RightingArmPoint& p) { return !p.trimFound; });
  out << blockTitle(texts.gzTitle, meshFile, "", texts) << std::endl;
  writeRows(out, curve, texts, digits, unbalanced);
  if (unbalanced)
    out << kIndent << texts.gzTrimNotFound << std::endl;
  if (curve.openingHeelDeg)
    out << kIndent << openingLine(curve, texts, digits) << std::endl;
  writeSummaryLines(out, curve, texts, digits);
}
