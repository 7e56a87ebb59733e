#include "app/report/case_report.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ostream>

#include "app/platform/console_encoding.h"
#include "app/report/summary.h"

namespace {

constexpr const char* kIndent = "  ";
constexpr const char* kGap = "  ";

// One line: the label, then a name from the case file (unconverted), padded to the column of the
// values; a GBK character takes two bytes and two columns, so bytes are columns.
struct Row {
  const char* label;
  std::string name;
  std::string value;
};

class Rows {
 public:
  Rows(const DriverTexts& t, int digits) : t_(t), digits_(digits) {}

  std::string number(double v) const { return formatNumber(v, digits_, t_.noValue); }
  // A number and its unit; a number that does not exist stands alone.
  std::string quantity(double v, const char* unit) const {
    return std::isnan(v) ? std::string(t_.noValue) : number(v) + " " + unit;
  }
  std::string point(const Vec3& p) const {
    if (std::isnan(p.x))
      return t_.noValue;
    return "( " + number(p.x) + " , " + number(p.y) + " , " + number(p.z) + " ) m";
  }
  void add(const char* label, const std::string& name, const std::string& value) {
    rows_.push_back({label, name, value});
  }
  void write(std::ostream& out) const {
    std::size_t width = 0;
    for (const Row& row : rows_)
      width = std::max(width, std::strlen(row.label) + row.name.size());
    for (const Row& row : rows_) {
      out << kIndent << row.label;
      writeUnconverted(out, row.name);
      out << std::string(width - std::strlen(row.label) - row.name.size(), ' ') << kGap << row.value
          << std::endl;
    }
  }

 private:
  const DriverTexts& t_;
  int digits_;
  std::vector<Row> rows_;
};

}  // namespace

void writeLoadingBlock(std::ostream& out, const CaseReport& r, const DriverTexts& t, int digits) {
  Rows rows(t, digits);
  const auto words = [](const char* word, const std::string& value) {
    return std::string(word) + " " + value;
  };
  rows.add(t.waterDensity, "", rows.quantity(r.waterDensity, "t/m^3"));
  for (const CaseReport::Weight& w : r.weights) {
    rows.add(t.weightLabel, w.name,
             words(t.massWord, rows.quantity(w.mass, "t")) + ", " +
                 words(t.centreWord, rows.point(w.centre)));
  }
  for (const CaseReport::Tank& k : r.tanks) {
    rows.add(t.tankLabel, k.name,
             words(t.fillWord, rows.number(k.fill)) + ", " +
                 words(t.volumeWord, rows.quantity(k.volume, "m^3")) + ", " +
                 words(t.massWord, rows.quantity(k.mass, "t")) + ", " +
                 words(t.centreWord, rows.point(k.centre)) + ", " +
                 words(t.freeSurfaceWord, rows.quantity(k.freeSurfaceMoment, "t*m")));
  }
  for (const CaseReport::Compartment& c : r.compartments) {
    rows.add(t.compartmentLabel, c.name,
             words(t.permeabilityWord, rows.number(c.permeability)) + ", " +
                 words(t.floodedWord, rows.quantity(c.floodedVolume, "m^3")) + ", " +
                 words(t.centroidWord, rows.point(c.centre)));
  }
  for (const CaseReport::Moment& m : r.heelingMoments) {
    rows.add(t.momentLabel, m.name,
             rows.quantity(m.moment, "t*m") + " " +
                 (m.direction == "trim" ? t.trimDirection : t.heelDirection));
  }
  rows.add(t.totalMass, "", rows.quantity(r.mass, "t"));
  rows.add(t.displacementVolume, "", rows.quantity(r.displacementVolume, "m^3"));
  rows.add(t.kgSolid, "", rows.quantity(r.gravitySolid.z, "m"));
  rows.add(t.fscTransverse, "", rows.quantity(r.freeSurfaceT, "m"));
  rows.add(t.fscLongitudinal, "", rows.quantity(r.freeSurfaceL, "m"));
  rows.add(t.kgFluid, "", rows.quantity(r.gravityFluid.z, "m"));
  rows.add(t.gmtSolid, "", rows.quantity(r.GMtSolid, "m"));
  rows.add(t.gmlSolid, "", rows.quantity(r.GMlSolid, "m"));
  rows.add(t.gmtFluid, "", rows.quantity(r.GMtFluid, "m"));
  rows.add(t.gmlFluid, "", rows.quantity(r.GMlFluid, "m"));
  rows.add(t.heel, "", rows.quantity(r.heelDeg, t.degrees));
  rows.add(t.trim, "", rows.quantity(r.trimDeg, t.degrees));
  out << t.loadingTitle << std::endl;
  rows.write(out);
}
