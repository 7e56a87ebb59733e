#include "app/report/booklet_csv.h"

#include <charconv>
#include <cmath>

#include "app/report/booklet_report.h"

namespace {

void appendNumber(std::string& out, double value) {
  if (std::isnan(value))
    return;
  char text[32];
  const auto r = std::to_chars(text, text + sizeof text, value);
  out.append(text, r.ptr);
}

}  // namespace

std::string hydrostaticTableCsv(const std::vector<HydrostaticRow>& rows) {
  std::string out;
  const char* const* names = hydrostaticColumnNames();
  for (int c = 0; c < kHydrostaticColumns; ++c)
    out += std::string(c > 0 ? "," : "") + names[c];
  out += "\n";
  for (const HydrostaticRow& r : rows) {
    for (int c = 0; c < kHydrostaticColumns; ++c) {
      if (c > 0)
        out += ",";
      appendNumber(out, hydrostaticValue(r, c));
    }
    out += "\n";
  }
  return out;
}

std::string crossCurvesCsv(const std::vector<CrossCurve>& curves) {
  std::string out = "displacementVolume,heelDeg,trimDeg,kn\n";
  for (const CrossCurve& c : curves) {
    for (const RightingArmPoint& p : c.points) {
      appendNumber(out, c.displacementVolume);
      out += ",";
      appendNumber(out, p.heelDeg);
      out += ",";
      appendNumber(out, p.trimDeg);
      out += ",";
      appendNumber(out, p.gz);
      out += "\n";
    }
  }
  return out;
}
