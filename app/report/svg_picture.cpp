#include "app/report/svg_picture.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "app/report/body_outline.h"
#include "app/report/run_report.h"
#include "app/report/svg_panels.h"
#include "app/report/svg_plot.h"
#include "app/report/svg_writer.h"

namespace {

// Pixel sizes of the layout. The views share one scale, chosen so that the two rows of views
// (profile and section above plan) and the two columns (profile and plan beside section) fit
// kViewsBudget pixels; everything else has a fixed size in pixels.
constexpr double kViewsBudget = 900;
constexpr double kMargin = 16;
constexpr double kGap = 16;
constexpr double kHeader = 30;  // the line with heel and trim
constexpr double kTitle = 22;   // above each view
constexpr double kPad = 14;     // between a view's frame and its drawing
constexpr double kMinBox = 150;
constexpr double kLegendWidth = 260;
constexpr double kLegendHeight = 150;
constexpr double kPanelHeight = 340;
constexpr double kMinPanelWidth = 640;

constexpr const char* kStyle =
    "text{font-family:sans-serif;font-size:12px;fill:#222}"
    ".title{font-size:14px;font-weight:bold}.small{font-size:10px}"
    ".frame{fill:#fff;stroke:#999;stroke-width:1}.sea{fill:#d8ebf8;stroke:none}"
    ".waterline{fill:none;stroke:#1565c0;stroke-width:1.5}"
    ".dry{fill:none;stroke:#333;stroke-width:.6}.wet{fill:none;stroke:#1f6fb2;stroke-width:.6}"
    ".action{stroke:#555;stroke-width:.8;stroke-dasharray:4 3}"
    ".mark{stroke:#8e24aa;stroke-width:1.4}.markdot{fill:#8e24aa}"
    ".g{fill:#fff;stroke:#000;stroke-width:1.2}.b{fill:#c62828;stroke:#fff;stroke-width:.8}"
    ".grid{stroke:#ddd;stroke-width:1}.axis{stroke:#222;stroke-width:1.2}"
    ".curve{fill:none;stroke:#c62828;stroke-width:2}.point{fill:#c62828}"
    ".max{fill:none;stroke:#000;stroke-width:1.5}"
    ".inner{fill:none;stroke:#888;stroke-width:.5;stroke-dasharray:3 2}"
    ".liquid{fill:none;stroke:#2e7d32;stroke-width:1.2}.flood{fill:none;stroke:#e65100;"
    "stroke-width:1.2}.heeling{stroke:#6a1b9a;stroke-width:1.5;stroke-dasharray:6 3}";

const double kPi = std::acos(-1.0);

using namespace svg_plot;

// Extents of the drawing in the water frame, per axis: 0 along ex, 1 along ey, 2 height.
struct Extents {
  double lo[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL};
  double hi[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
  void include(const Vec3& w) {
    const double c[3] = {w.x, w.y, w.z};
    for (int k = 0; k < 3; ++k) {
      lo[k] = std::fmin(lo[k], c[k]);
      hi[k] = std::fmax(hi[k], c[k]);
    }
  }
  double span(int axis) const { return hi[axis] - lo[axis]; }
};

Extents measure(const FloatingBody& body, const WaterFrame& f, const PictureScene& scene) {
  Extents e;
  forEachCorner(body, [&](const Vec3& corner) { e.include(f.toWater(corner)); });
  e.include(f.toWater(scene.gravityCentre));
  e.include(f.toWater(scene.buoyancyCentre));
  for (const PictureMark& m : scene.marks) {
    e.include(f.toWater(m.line.P0));
    e.include(f.toWater(m.line.P1));
  }
  // The water level is always in the picture; no axis is left without extent.
  e.lo[2] = std::fmin(e.lo[2], 0);
  e.hi[2] = std::fmax(e.hi[2], 0);
  const double largest = std::fmax(std::fmax(e.span(0), e.span(1)), std::fmax(e.span(2), 1e-300));
  for (int k = 0; k < 3; ++k) {
    const double missing = 1e-3 * largest - e.span(k);
    if (missing > 0) {
      e.lo[k] -= missing / 2;
      e.hi[k] += missing / 2;
    }
  }
  return e;
}

struct Layout {
  double scale;
  Box profile, section, plan, legend, panel, crossPanel;
  double width, height;
};

Layout arrange(const Extents& e, bool withPanel, bool withCrossPanel, int extraLegendRows) {
  Layout l;
  const double lx = e.span(0), ly = e.span(1), lz = e.span(2);
  l.scale = std::fmin(kViewsBudget / (lx + ly), kViewsBudget / (lz + ly));
  const double s = l.scale;
  const double wide = std::fmax(s * lx + 2 * kPad, kMinBox);
  const double across = std::fmax(s * ly + 2 * kPad, kMinBox);
  const double tall = std::fmax(s * lz + 2 * kPad, kMinBox / 2);
  const double top = kMargin + kHeader + kTitle;
  l.profile = {kMargin, top, wide, tall};
  l.section = {kMargin + wide + kGap, top, across, tall};
  l.plan = {kMargin, top + tall + kGap + kTitle, wide, across};
  const double right = kMargin + wide + kGap;
  l.legend = {right, l.plan.y, std::fmax(across, kLegendWidth),
              kLegendHeight + 20 * extraLegendRows};
  l.width = right + std::fmax(across, kLegendWidth) + kMargin;
  double bottom = std::fmax(l.plan.y + l.plan.h, l.legend.y + l.legend.h);
  if (withPanel) {
    l.width = std::fmax(l.width, kMinPanelWidth + 2 * kMargin);
    l.panel = {kMargin, bottom + kGap + kTitle, l.width - 2 * kMargin, kPanelHeight};
    bottom = l.panel.y + l.panel.h;
  }
  if (withCrossPanel) {
    l.width = std::fmax(l.width, kMinPanelWidth + 2 * kMargin);
    l.crossPanel = {kMargin, bottom + kGap + kTitle, l.width - 2 * kMargin, kPanelHeight};
    bottom = l.crossPanel.y + l.crossPanel.h;
  }
  l.height = bottom + kMargin;
  return l;
}

// The view's drawing centred in its box.
ViewPlacement place(View view, const Box& box, const Extents& e, double scale) {
  const int h = view == View::Section ? 1 : 0;
  const int v = view == View::Plan ? 1 : 2;
  ViewPlacement p;
  p.view = view;
  p.scale = scale;
  p.hMin = e.lo[h];
  p.vMax = e.hi[v];
  p.left = box.x + (box.w - scale * e.span(h)) / 2;
  p.top = box.y + (box.h - scale * e.span(v)) / 2;
  return p;
}

// G as a circle with a cross, B as a filled dot, each with its letter when lettered.
void centreMarks(SvgWriter& svg, double gx, double gy, double bx, double by, bool lettered) {
  circle(svg, gx, gy, 5, "g");
  line(svg, gx - 5, gy, gx + 5, gy, "axis");
  line(svg, gx, gy - 5, gx, gy + 5, "axis");
  circle(svg, bx, by, 4, "b");
  if (lettered) {
    svg.label(gx + 7, gy - 6, "G");
    svg.label(bx + 7, by + 14, "B");
  }
}

// The marks (pillars) and where they cross the water; in plan, where marks do not hide each
// other, with their drafts: the z of the crossing in body coordinates.
void drawMarks(SvgWriter& svg, const PictureScene& scene, const WaterFrame& f,
               const ViewPlacement& p) {
  for (const PictureMark& m : scene.marks) {
    const Vec3 a = f.toWater(m.line.P0), b = f.toWater(m.line.P1);
    line(svg, p.x(a), p.y(a), p.x(b), p.y(b), "mark");
    Vec3 crossing;
    if (scene.waterPlane.intersect(m.line, crossing) != Plane::kCrossing ||
        !std::isfinite(crossing.z))
      continue;
    const Vec3 c = f.toWater(crossing);
    circle(svg, p.x(c), p.y(c), 2.5, "markdot");
    if (p.view == View::Plan)
      svg.label(p.x(c) + 4, p.y(c) - 4, m.label + ": " + shortNumber(crossing.z), "start", "small");
  }
}

// The tanks and flooded compartments: each solid's edges split at its own level, the part below
// it (liquid, flood) in its colour, the rest dashed; in plan, where the level is the paper, the
// lines where the level cuts the solid. The solid's frame has the water's axes and differs only
// in its height, by which the view is shifted back.
void drawSolids(SvgWriter& svg, const PictureScene& scene, const WaterFrame& f,
                const ViewPlacement& p) {
  for (const PictureSolid& s : scene.solids) {
    const WaterFrame level(s.level);
    ViewPlacement shifted = p;
    if (p.view != View::Plan)
      shifted.vMax += level.offset - f.offset;
    const SurfaceFaces faces(*s.solid);
    const BodyOutline outline(*s.solid, faces, level, shifted);
    const char* below = s.liquid ? "liquid" : "flood";
    path(svg, outline.dry(), "inner");
    path(svg, outline.wet(), below);
    path(svg, outline.waterline(), below);
  }
}

void drawView(SvgWriter& svg, const FloatingBody& body, const SurfaceFaces& surface,
              const PictureScene& scene, const WaterFrame& f, const Box& box,
              const ViewPlacement& p, const char* title) {
  svg.label(box.x, box.y - 7, title, "start", "title");
  rect(svg, box, "frame");
  const double waterY = p.y(Vec3(0, 0, 0));
  if (p.view == View::Plan) {
    rect(svg, box, "sea");
  } else {
    rect(svg, Box{box.x, waterY, box.w, box.y + box.h - waterY}, "sea");
  }
  const BodyOutline outline(body, surface, f, p);
  path(svg, outline.wet(), "wet");
  path(svg, outline.dry(), "dry");
  path(svg, outline.waterline(), "waterline");
  drawSolids(svg, scene, f, p);
  const Vec3 g = f.toWater(scene.gravityCentre), b = f.toWater(scene.buoyancyCentre);
  if (p.view != View::Plan) {
    line(svg, box.x, waterY, box.x + box.w, waterY, "waterline");
    // The lines of action: vertical through G and through B; their distance is the lever arm.
    line(svg, p.x(g), box.y, p.x(g), box.y + box.h, "action");
    line(svg, p.x(b), box.y, p.x(b), box.y + box.h, "action");
  }
  drawMarks(svg, scene, f, p);
  centreMarks(svg, p.x(g), p.y(g), p.x(b), p.y(b), true);
}

// The legend names what the picture holds: the edges of the elements or of the surface's
// triangles, and the lines of the drafts as pillars, draft marks or both (no entry without any).
void drawLegend(SvgWriter& svg, const Box& box, const FloatingBody& body,
                const PictureScene& scene) {
  const double x = box.x + 10, w = 26;
  double y = box.y + 14;
  const auto entry = [&](const char* cssClass, const std::string& text) {
    line(svg, x, y - 4, x + w, y - 4, cssClass);
    svg.label(x + w + 8, y, text);
    y += 20;
  };
  const std::string edges = body.surface.triangles.empty() ? "element edges" : "surface edges";
  entry("dry", edges + " above water");
  entry("wet", edges + " under water");
  entry("waterline", "water plane");
  entry("action", "lines of action");
  const auto pillar = [](const PictureMark& m) { return m.pillar; };
  const bool pillars = std::any_of(scene.marks.begin(), scene.marks.end(), pillar);
  const bool marks = !std::all_of(scene.marks.begin(), scene.marks.end(), pillar);
  if (pillars || marks) {
    entry("mark", std::string(pillars && marks ? "pillar or draft mark"
                              : pillars        ? "pillar"
                                               : "draft mark") +
                      "; in plan its draft (body z)");
  }
  const auto has = [&](bool liquid) {
    return std::any_of(scene.solids.begin(), scene.solids.end(),
                       [&](const PictureSolid& s) { return s.liquid == liquid; });
  };
  if (has(true))
    entry("liquid", "tank liquid");
  if (has(false))
    entry("flood", "flooded compartment");
  centreMarks(svg, x + 6, y - 4, x + 20, y - 4, false);
  svg.label(x + w + 8, y, "G centre of gravity, B of buoyancy");
}

Plot plotArea(const RightingArmCurve& curve, const Box& box) {
  Plot p{{box.x + 64, box.y + 16, box.w - 84, box.h - 58}, 0, 0, 0, 0};
  p.h0 = curve.points.front().heelDeg;
  p.h1 = curve.points.back().heelDeg;
  if (!(p.h1 > p.h0)) {
    p.h0 -= 1;
    p.h1 += 1;
  }
  for (const RightingArmPoint& point : curve.points) {
    p.g0 = std::fmin(p.g0, point.gz);
    p.g1 = std::fmax(p.g1, point.gz);
  }
  if (curve.heeling) {
    p.g0 = std::fmin(p.g0, curve.heeling->arm);
    p.g1 = std::fmax(p.g1, curve.heeling->arm);
  }
  const double span = p.g1 - p.g0;
  const double pad = span > 0 ? 0.08 * span : 1;
  p.g0 -= pad;
  p.g1 += pad;
  return p;
}

void drawSummary(SvgWriter& svg, const RightingArmSummary& s, const Plot& p) {
  if (s.maxGz && s.maxHeelDeg) {
    const double x = p.x(*s.maxHeelDeg), y = p.y(*s.maxGz);
    circle(svg, x, y, 5, "max");
    svg.label(x + 8, y - 8,
              "GZmax " + shortNumber(*s.maxGz) + " at " + shortNumber(*s.maxHeelDeg) + kDegree);
  }
  if (s.vanishingHeelDeg) {
    const double x = p.x(*s.vanishingHeelDeg), y = p.y(0);
    circle(svg, x, y, 4, "max");
    svg.label(x, y + 18, "vanishes at " + shortNumber(*s.vanishingHeelDeg) + kDegree, "middle");
  }
  std::string areas;
  if (s.area30)
    areas += std::string("area 0-30") + kDegree + ": " + shortNumber(*s.area30);
  if (s.area40)
    areas +=
        std::string(areas.empty() ? "" : ", ") + "0-40" + kDegree + ": " + shortNumber(*s.area40);
  if (!areas.empty())
    svg.label(p.area.x + p.area.w, p.area.y - 4, areas + " (length x rad)", "end", "small");
}

void drawCurvePanel(SvgWriter& svg, const RightingArmCurve& curve, const Box& box,
                    const CriteriaAssessment* criteria) {
  svg.label(box.x, box.y - 7, "Righting arm GZ", "start", "title");
  rect(svg, box, "frame");
  if (curve.points.empty())
    return;
  Plot p = plotArea(curve, box);
  if (criteria) {
    // Room for the heeling arms and the limits above the curve.
    for (const double v : criteriaOverlayLevels(*criteria)) {
      const double pad = 0.08 * (p.g1 - p.g0);
      p.g0 = std::fmin(p.g0, v - pad);
      p.g1 = std::fmax(p.g1, v + pad);
    }
  }
  drawGrid(svg, p, "GZ (length unit of the file)");
  SvgPathData d;
  for (size_t i = 0; i < curve.points.size(); ++i) {
    const long x = SvgPathData::gridCount(p.x(curve.points[i].heelDeg));
    const long y = SvgPathData::gridCount(p.y(curve.points[i].gz));
    if (i == 0) {
      d.moveTo(x, y);
    } else {
      d.lineTo(x, y);
    }
  }
  path(svg, d, "curve");
  if (curve.points.size() <= 120) {
    for (const RightingArmPoint& point : curve.points)
      circle(svg, p.x(point.heelDeg), p.y(point.gz), 2.2, "point");
  }
  drawSummary(svg, curve.summary, p);
  if (criteria)
    drawCriteriaOverlay(svg, p, *criteria);
  if (curve.heeling) {
    // The heeling arm, the same at every heel, and where GZ comes up to it.
    const HeelingArmCrossing& h = *curve.heeling;
    line(svg, p.area.x, p.y(h.arm), p.area.x + p.area.w, p.y(h.arm), "heeling");
    svg.label(p.area.x + 4, p.y(h.arm) - 4, "heeling arm " + shortNumber(h.arm), "start", "small");
    if (h.crossingHeelDeg) {
      const double x = p.x(*h.crossingHeelDeg), y = p.y(h.arm);
      circle(svg, x, y, 4, "max");
      svg.label(x + 6, y + 14, "meets GZ at " + shortNumber(*h.crossingHeelDeg) + kDegree, "start",
                "small");
    }
  }
}

std::string attitudeLine(const Plane& w) {
  const double heel = heelDegrees(w);
  const double trim = trimDegrees(w);
  return "Floating attitude: heel " + shortNumber(heel) + kDegree + " (+y side deeper), trim " +
         shortNumber(trim) + kDegree + " (+x end deeper)";
}

}  // namespace

std::string drawFloatingBodySvg(const FloatingBody& body, const PictureScene& scene) {
  const WaterFrame frame(scene.waterPlane);
  const Extents extents = measure(body, frame, scene);
  const bool withPanel = scene.curve != nullptr;
  const bool withCrossPanel = scene.crossCurves != nullptr;
  int kinds = 0;
  for (const bool liquid : {true, false}) {
    kinds += std::any_of(scene.solids.begin(), scene.solids.end(),
                         [&](const PictureSolid& s) { return s.liquid == liquid; })
                 ? 1
                 : 0;
  }
  const Layout l = arrange(extents, withPanel, withCrossPanel, kinds);
  SvgWriter svg(std::ceil(l.width), std::ceil(l.height));
  svg.start("style").attribute("type", "text/css").openBody();
  svg.text(kStyle);
  svg.end("style");
  svg.start("rect").attribute("width", "100%").attribute("height", "100%");
  svg.attribute("fill", "#f7f7f7").close();
  svg.label(kMargin, kMargin + 14, attitudeLine(scene.waterPlane), "start", "title");
  const SurfaceFaces surface(body);
  drawView(svg, body, surface, scene, frame, l.profile,
           place(View::Profile, l.profile, extents, l.scale), "Profile: seen from -y");
  drawView(svg, body, surface, scene, frame, l.section,
           place(View::Section, l.section, extents, l.scale), "Section: seen from +x");
  drawView(svg, body, surface, scene, frame, l.plan, place(View::Plan, l.plan, extents, l.scale),
           "Plan: seen from above");
  drawLegend(svg, l.legend, body, scene);
  if (withPanel)
    drawCurvePanel(svg, *scene.curve, l.panel, scene.criteria);
  if (withCrossPanel)
    drawCrossCurvePanel(svg, *scene.crossCurves, l.crossPanel);
  return svg.finish();
}
