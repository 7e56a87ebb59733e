#include "app/report/svg_panels.h"

#include <algorithm>
#include <cmath>
#include <string>

using namespace svg_plot;

namespace {

constexpr const char* kLimitColour = "#6d6d6d";
constexpr const char* kArmColour = "#ef6c00";
constexpr const char* kCurveColours[] = {"#1565c0", "#c62828", "#2e7d32",
                                         "#6a1b9a", "#ef6c00", "#00838f"};

void styledLine(SvgWriter& svg, double x1, double y1, double x2, double y2, const char* colour,
                bool dashed) {
  svg.start("line").attribute("x1", x1).attribute("y1", y1).attribute("x2", x2);
  svg.attribute("y2", y2).attribute("stroke", colour).attribute("stroke-width", 1.2);
  if (dashed)
    svg.attribute("stroke-dasharray", "5 3");
  svg.close();
}

bool within(const Plot& p, double heel) {
  return heel >= std::fmin(p.h0, p.h1) && heel <= std::fmax(p.h0, p.h1);
}

// A vertical limit at a heel, labelled near its top in the given row (rows keep the labels of
// neighbouring limits apart).
void heelLimit(SvgWriter& svg, const Plot& p, double heel, const std::string& label, int row) {
  if (!within(p, heel))
    return;
  const double x = p.x(heel);
  styledLine(svg, x, p.area.y, x, p.area.y + p.area.h, kLimitColour, true);
  svg.label(x + 3, p.area.y + 10 + 12 * row, label, "start", "small");
}

// A level from heel a to heel b (in either order), clipped to the plot's heels.
void level(SvgWriter& svg, const Plot& p, double value, double a, double b, const char* colour,
           const std::string& label) {
  const double lo = std::fmax(std::fmin(a, b), std::fmin(p.h0, p.h1));
  const double hi = std::fmin(std::fmax(a, b), std::fmax(p.h0, p.h1));
  if (!(hi > lo))
    return;
  styledLine(svg, p.x(lo), p.y(value), p.x(hi), p.y(value), colour, colour == kLimitColour);
  svg.label(p.x(hi) - 3, p.y(value) - 4, label, "end", "small");
}

const SideAssessment& sideOf(const CriteriaAssessment& a, const std::string& id) {
  for (const CriterionResult& r : a.results) {
    if (r.id == id)
      return a.sides[r.side > 0 ? 0 : 1];
  }
  return a.sides[0];
}

std::string degrees(double value) {
  return shortNumber(value) + kDegree;
}

}  // namespace

std::vector<double> criteriaOverlayLevels(const CriteriaAssessment& a) {
  std::vector<double> levels;
  if (a.set == CriteriaSet::kIs2008)
    levels.push_back(sideOf(a, "gz_30").side * 0.2);
  const SideAssessment& weather = sideOf(a, "weather");
  if (weather.weather)
    levels.push_back(weather.side * weather.weather->lw2);
  const SideAssessment& ratio = sideOf(a, "area_ratio");
  if (ratio.areaRatio && a.windHeelingArm) {
    for (const auto& row : a.windHeelingArm->rows())
      levels.push_back(ratio.side * row.second);
  }
  return levels;
}

void drawCriteriaOverlay(SvgWriter& svg, const Plot& p, const CriteriaAssessment& a) {
  if (a.set == CriteriaSet::kIs2008) {
    const SideAssessment& areas = sideOf(a, "area_0_30");
    const int side = areas.side;
    heelLimit(svg, p, side * 30, degrees(30), 0);
    heelLimit(svg, p, side * 40, degrees(40), 0);
    heelLimit(svg, p, sideOf(a, "angle_max_gz").side * 25, degrees(25), 1);
    const int gzSide = sideOf(a, "gz_30").side;
    level(svg, p, gzSide * 0.2, gzSide * 30, gzSide * kCurveEndDeg, kLimitColour, "0.2 m");
  }
  for (const SideAssessment& s : a.sides) {
    if (s.flooding)
      heelLimit(svg, p, s.side * s.flooding->heelDeg, "flooding " + degrees(s.flooding->heelDeg),
                2);
  }
  const SideAssessment& weather = sideOf(a, "weather");
  if (weather.weather && weather.weather->phi0Deg) {
    const WeatherOutcome& w = *weather.weather;
    const int side = weather.side;
    const double start = *w.phi0Deg - w.roll.phi1Deg;
    level(svg, p, side * w.lw1, side * start, side * w.phi2Deg, kArmColour, "lw1");
    level(svg, p, side * w.lw2, side * start, side * w.phi2Deg, kArmColour, "lw2");
    heelLimit(svg, p, side * start, "roll " + degrees(w.roll.phi1Deg), 1);
    heelLimit(svg, p, side * w.phi2Deg, "phi2 " + degrees(w.phi2Deg), 3);
  }
  const SideAssessment& ratio = sideOf(a, "area_ratio");
  if (ratio.areaRatio && a.windHeelingArm) {
    // The wind heeling arm along the plot's heels on the judged side.
    SvgPathData d;
    const int side = ratio.side;
    const int steps = 90;
    bool first = true;
    for (int i = 0; i <= steps; ++i) {
      const double heel = p.h0 + (p.h1 - p.h0) * i / steps;
      if (side * heel < 0)
        continue;
      const double arm = side * a.windHeelingArm->at(side * heel);
      const long x = SvgPathData::gridCount(p.x(heel)), y = SvgPathData::gridCount(p.y(arm));
      if (first) {
        d.moveTo(x, y);
        first = false;
      } else {
        d.lineTo(x, y);
      }
    }
    if (!d.empty()) {
      svg.start("path").attribute("d", d.data()).attribute("fill", "none");
      svg.attribute("stroke", kArmColour).attribute("stroke-width", 1.5).close();
    }
    heelLimit(svg, p, side * ratio.areaRatio->limitDeg,
              "area limit " + degrees(ratio.areaRatio->limitDeg), 3);
  }
}

void drawCrossCurvePanel(SvgWriter& svg, const std::vector<CrossCurve>& curves, const Box& box) {
  svg.label(box.x, box.y - 7, "Cross curves KN", "start", "title");
  rect(svg, box, "frame");
  if (curves.empty() || curves.front().points.empty())
    return;
  Plot p{{box.x + 64, box.y + 16, box.w - 84, box.h - 58}, 0, 0, 0, 0};
  p.h0 = curves.front().points.front().heelDeg;
  p.h1 = curves.front().points.back().heelDeg;
  if (!(p.h1 > p.h0)) {
    p.h0 -= 1;
    p.h1 += 1;
  }
  for (const CrossCurve& c : curves) {
    for (const RightingArmPoint& point : c.points) {
      p.g0 = std::fmin(p.g0, point.gz);
      p.g1 = std::fmax(p.g1, point.gz);
    }
  }
  const double span = p.g1 - p.g0;
  const double pad = span > 0 ? 0.08 * span : 1;
  p.g0 -= pad;
  p.g1 += pad;
  drawGrid(svg, p, "KN (length unit of the file)");
  for (size_t k = 0; k < curves.size(); ++k) {
    const char* colour = kCurveColours[k % (sizeof kCurveColours / sizeof *kCurveColours)];
    SvgPathData d;
    for (size_t i = 0; i < curves[k].points.size(); ++i) {
      const RightingArmPoint& point = curves[k].points[i];
      const long x = SvgPathData::gridCount(p.x(point.heelDeg));
      const long y = SvgPathData::gridCount(p.y(point.gz));
      if (i == 0) {
        d.moveTo(x, y);
      } else {
        d.lineTo(x, y);
      }
    }
    svg.start("path").attribute("d", d.data()).attribute("fill", "none");
    svg.attribute("stroke", colour).attribute("stroke-width", 1.8).close();
    const RightingArmPoint& last = curves[k].points.back();
    svg.start("text").attribute("x", p.x(last.heelDeg) - 4).attribute("y", p.y(last.gz) - 6);
    svg.attribute("text-anchor", "end").attribute("fill", colour).openBody();
    svg.text("V=" + shortNumber(curves[k].displacementVolume));
    svg.end("text");
  }
}
