#include "app/report/booklet_report.h"

#include <algorithm>
#include <cmath>
#include <ostream>
#include <vector>

#include "app/report/summary.h"

namespace {

constexpr const char* kIndent = "  ";
constexpr const char* kGap = "  ";

using Rows = std::vector<std::vector<std::string>>;

// The rows with every column as wide as its widest cell (a GBK character takes two bytes and two
// columns, so bytes are columns): the first `leftColumns` columns aligned left, the rest right.
void writeColumns(std::ostream& out, const Rows& rows, size_t leftColumns = 0) {
  std::vector<size_t> widths;
  for (const auto& row : rows) {
    widths.resize(std::max(widths.size(), row.size()), 0);
    for (size_t c = 0; c < row.size(); ++c)
      widths[c] = std::max(widths[c], row[c].size());
  }
  for (const auto& row : rows) {
    std::string line = kIndent;
    for (size_t c = 0; c < row.size(); ++c) {
      const std::string pad(widths[c] - row[c].size(), ' ');
      line += (c > 0 ? kGap : "") + (c < leftColumns ? row[c] + pad : pad + row[c]);
    }
    while (!line.empty() && line.back() == ' ')
      line.pop_back();
    out << line << std::endl;
  }
}

constexpr const char* kNames[kHydrostaticColumns] = {"draft",
                                                     "volume",
                                                     "displacement",
                                                     "LCB",
                                                     "TCB",
                                                     "KB",
                                                     "waterplaneArea",
                                                     "LCF",
                                                     "TCF",
                                                     "TPC",
                                                     "BMt",
                                                     "BMl",
                                                     "KMt",
                                                     "KMl",
                                                     "MCT",
                                                     "waterlineLength",
                                                     "waterlineBreadth",
                                                     "Cb",
                                                     "Cwp"};
constexpr const char* kUnits[kHydrostaticColumns] = {"L",      "L^3", "t",    "L", "L", "L", "L^2",
                                                     "L",      "L",   "t/cm", "L", "L", "L", "L",
                                                     "t*m/cm", "L",   "L",    "-", "-"};

const char* criterionName(const std::string& id, const BookletTexts& t) {
  if (id == "area_0_30")
    return t.area030;
  if (id == "area_0_40")
    return t.area040;
  if (id == "area_30_40")
    return t.area3040;
  if (id == "gz_30")
    return t.gz30;
  if (id == "angle_max_gz")
    return t.angleMaxGz;
  if (id == "gm0")
    return t.gm0;
  if (id == "weather")
    return t.weather;
  return t.areaRatio;
}

const char* sideName(int side) {
  return side > 0 ? "+y" : "-y";
}

}  // namespace

const char* const* hydrostaticColumnNames() {
  return kNames;
}

const char* const* hydrostaticColumnUnits() {
  return kUnits;
}

double hydrostaticValue(const HydrostaticRow& r, int c) {
  const double values[kHydrostaticColumns] = {r.draft,
                                              r.volume,
                                              r.displacement,
                                              r.LCB,
                                              r.TCB,
                                              r.KB,
                                              r.waterplaneArea,
                                              r.LCF,
                                              r.TCF,
                                              r.TPC,
                                              r.BMt,
                                              r.BMl,
                                              r.KMt,
                                              r.KMl,
                                              r.MCT,
                                              r.waterlineLength,
                                              r.waterlineBreadth,
                                              r.Cb,
                                              r.Cwp};
  return values[c];
}

void writeHydrostaticTable(std::ostream& out, const RunReport& report, const BookletTexts& t,
                           const char* noValue, int digits) {
  out << t.hydrostaticTitle << std::endl;
  out << kIndent << t.waterDensity << formatNumber(report.waterDensity, digits, noValue)
      << (report.densityFromCase ? "" : t.seaWater) << std::endl;
  Rows rows(2);
  for (int c = 0; c < kHydrostaticColumns; ++c) {
    rows[0].push_back(kNames[c]);
    rows[1].push_back(kUnits[c]);
  }
  for (const HydrostaticRow& r : *report.hydrostaticTable) {
    rows.emplace_back();
    for (int c = 0; c < kHydrostaticColumns; ++c)
      rows.back().push_back(formatNumber(hydrostaticValue(r, c), digits, noValue));
  }
  writeColumns(out, rows);
}

void writeCrossCurveTable(std::ostream& out, const std::vector<CrossCurve>& curves,
                          const BookletTexts& t, const char* noValue, int digits) {
  out << t.crossCurvesTitle << std::endl;
  std::string xs;
  for (const CrossCurve& c : curves)
    xs += (xs.empty() ? "" : ", ") + formatNumber(c.referenceX, digits, noValue);
  out << kIndent << t.referenceX << xs << std::endl;
  Rows rows(1, std::vector<std::string>{t.heel});
  for (const CrossCurve& c : curves)
    rows[0].push_back("V=" + formatNumber(c.displacementVolume, digits, noValue));
  const size_t heels = curves.empty() ? 0 : curves.front().points.size();
  for (size_t i = 0; i < heels; ++i) {
    rows.push_back({formatNumber(curves.front().points[i].heelDeg, digits, noValue)});
    for (const CrossCurve& c : curves) {
      const RightingArmPoint& p = c.points[i];
      rows.back().push_back(formatNumber(p.gz, digits, noValue) + (p.trimFound ? "" : "*"));
    }
  }
  writeColumns(out, rows);
}

void writeCriteriaTable(std::ostream& out, const CriteriaAssessment& a, const BookletTexts& t,
                        const char* noValue, int digits) {
  const auto number = [&](double v) { return formatNumber(v, digits, noValue); };
  out << t.criteriaTitle << criteriaSetName(a.set) << ":" << std::endl;
  Rows rows = {{t.criterion, "", t.required, t.attained, t.unit, t.result, t.margin, t.side}};
  for (const CriterionResult& r : a.results) {
    rows.push_back({r.id, criterionName(r.id, t), number(r.required), number(r.attained),
                    r.unit.empty() ? "-" : r.unit, r.pass ? t.pass : t.fail, number(r.margin()),
                    sideName(r.side)});
  }
  writeColumns(out, rows, 2);
  for (const SideAssessment& s : a.sides) {
    out << kIndent << t.floodingAngle << " (" << sideName(s.side) << "): ";
    if (s.flooding) {
      out << number(s.flooding->heelDeg) << " deg, " << t.opening << " " << s.flooding->opening;
    } else {
      out << noValue;
    }
    out << std::endl;
  }
  // The construction of the side that decided the criterion.
  for (const CriterionResult& r : a.results) {
    const SideAssessment& s = a.sides[r.side > 0 ? 0 : 1];
    if (r.id == "weather" && s.weather) {
      const WeatherOutcome& w = *s.weather;
      const auto angle = [&](const std::optional<double>& v) {
        return v ? number(*v) : std::string(noValue);
      };
      out << kIndent << t.weatherDetails << " (" << sideName(s.side) << "): lw1 " << number(w.lw1)
          << " m, lw2 " << number(w.lw2) << " m, phi0 " << angle(w.phi0Deg) << " deg, phi1 "
          << number(w.roll.phi1Deg) << " deg, phi2 " << number(w.phi2Deg) << " deg, a "
          << number(w.areaA) << " m rad, b " << number(w.areaB) << " m rad" << std::endl;
      out << kIndent << kIndent << "X1 " << number(w.roll.X1) << ", X2 " << number(w.roll.X2)
          << ", k " << number(w.roll.k) << ", s " << number(w.roll.s) << ", r " << number(w.roll.r)
          << ", T " << number(w.roll.T) << " s; B " << number(a.roll.breadth) << " m, d "
          << number(a.roll.draught) << " m, Cb " << number(a.roll.blockCoefficient) << ", L "
          << number(a.roll.waterlineLength) << " m, KG " << number(a.roll.KG) << " m, GM "
          << number(a.roll.GM) << " m" << std::endl;
    }
    if (r.id == "area_ratio" && s.areaRatio) {
      const AreaRatioOutcome& o = *s.areaRatio;
      out << kIndent << t.areaRatioDetails << " (" << sideName(s.side)
          << "): " << number(o.rightingArea) << " / " << number(o.heelingArea) << " m rad up to "
          << number(o.limitDeg) << " deg" << std::endl;
    }
  }
  out << kIndent << t.verdict << ": " << (a.pass ? t.pass : t.fail) << std::endl;
}
