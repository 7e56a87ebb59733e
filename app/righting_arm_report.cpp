#include "app/righting_arm_report.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>
#include <ostream>
#include <vector>

#include "app/summary.h"

namespace {

// One number of the range, the whole field; from_chars reads '.' in every locale.
bool readField(const std::string& field, double& value) {
  const char* end = field.data() + field.size();
  const auto result = std::from_chars(field.data(), end, value);
  return !field.empty() && result.ec == std::errc() && result.ptr == end && std::isfinite(value);
}

constexpr const char* kIndent = "  ";
constexpr const char* kGap = "  ";

std::string padLeft(const std::string& text, size_t width) {
  return std::string(width > text.size() ? width - text.size() : 0, ' ') + text;
}

// The head row and the rows of the points, columns as wide as their widest cell (a GBK character
// takes two bytes and two columns, so bytes are columns). When some trim was not balanced, every
// cell of the last column gets one more character: '*' on those rows, a space elsewhere.
void writeRows(std::ostream& out, const RightingArmCurve& curve, const DriverTexts& t, int digits,
               bool unbalanced) {
  std::vector<std::vector<std::string>> rows = {
      {t.gzHeel, t.gzTrim, std::string(t.gzArm) + (unbalanced ? " " : "")}};
  for (const RightingArmPoint& p : curve.points) {
    const char* marker = !unbalanced ? "" : p.trimFound ? " " : "*";
    rows.push_back({formatNumber(p.heelDeg, digits, t.noValue),
                    formatNumber(p.trimDeg, digits, t.noValue),
                    formatNumber(p.gz, digits, t.noValue) + marker});
  }
  size_t widths[3] = {0, 0, 0};
  for (const auto& row : rows) {
    for (size_t c = 0; c < 3; ++c)
      widths[c] = std::max(widths[c], row[c].size());
  }
  for (const auto& row : rows) {
    out << kIndent << padLeft(row[0], widths[0]) << kGap << padLeft(row[1], widths[1]) << kGap
        << padLeft(row[2], widths[2]) << std::endl;
  }
}

void writeSummaryLines(std::ostream& out, const RightingArmSummary& s, const DriverTexts& t,
                       int digits) {
  struct Line {
    const char* label;
    std::optional<double> value;
    const char* unit;
  };
  const Line lines[] = {{t.gzMaximum, s.maxGz, "L"},
                        {t.gzMaximumHeel, s.maxHeelDeg, t.degrees},
                        {t.gzVanishing, s.vanishingHeelDeg, t.degrees},
                        {t.gzArea30, s.area30, "L rad"},
                        {t.gzArea40, s.area40, "L rad"}};
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

}  // namespace

void writeRightingArmTable(std::ostream& out, const RightingArmCurve& curve,
                           const DriverTexts& texts, int digits) {
  const bool unbalanced = std::any_of(curve.points.begin(), curve.points.end(),
                                      [](const RightingArmPoint& p) { return !p.trimFound; });
  out << texts.gzTitle << std::endl;
  writeRows(out, curve, texts, digits, unbalanced);
  if (unbalanced)
    out << kIndent << texts.gzTrimNotFound << std::endl;
  writeSummaryLines(out, curve.summary, texts, digits);
}

bool parseHeelRange(const std::string& text, HeelRange& range, std::string& reason) {
  const size_t first = text.find(':');
  const size_t second = first == std::string::npos ? first : text.find(':', first + 1);
  HeelRange r;
  if (second == std::string::npos || text.find(':', second + 1) != std::string::npos ||
      !readField(text.substr(0, first), r.fromDeg) ||
      !readField(text.substr(first + 1, second - first - 1), r.toDeg) ||
      !readField(text.substr(second + 1), r.stepDeg)) {
    reason = "expected FROM:TO:STEP in degrees, e.g. 0:60:5";
  } else if (!(r.fromDeg >= -180 && r.fromDeg <= r.toDeg && r.toDeg <= 180)) {
    reason = "the heels must satisfy -180 <= FROM <= TO <= 180";
  } else if (!(r.stepDeg > 0)) {
    reason = "STEP must be greater than 0";
  } else if (r.count() > kMaxHeelAngles || r.count() == 0) {
    reason = "more than " + std::to_string(kMaxHeelAngles) + " heel angles";
  } else {
    range = r;
    return true;
  }
  return false;
}
