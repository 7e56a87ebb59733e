#include "app/report/svg_plot.h"

#include <charconv>

namespace svg_plot {

std::string shortNumber(double value) {
  char buffer[32];
  const auto r =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 4);
  return r.ec == std::errc() ? std::string(buffer, r.ptr) : std::string("?");
}

void rect(SvgWriter& svg, const Box& b, const char* cssClass) {
  svg.start("rect").attribute("x", b.x, 1).attribute("y", b.y, 1);
  svg.attribute("width", b.w, 1).attribute("height", b.h, 1).attribute("class", cssClass).close();
}

void line(SvgWriter& svg, double x1, double y1, double x2, double y2, const char* cssClass) {
  svg.start("line").attribute("x1", x1).attribute("y1", y1).attribute("x2", x2);
  svg.attribute("y2", y2).attribute("class", cssClass).close();
}

void circle(SvgWriter& svg, double x, double y, double r, const char* cssClass) {
  svg.start("circle").attribute("cx", x).attribute("cy", y).attribute("r", r);
  svg.attribute("class", cssClass).close();
}

void path(SvgWriter& svg, const SvgPathData& d, const char* cssClass) {
  if (!d.empty())
    svg.start("path").attribute("class", cssClass).attribute("d", d.data()).close();
}

double niceStep(double span, int target) {
  const double raw = span / target;
  const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
  const double r = raw / magnitude;
  return (r < 1.5 ? 1 : r < 3 ? 2 : r < 7 ? 5 : 10) * magnitude;
}

void drawGrid(SvgWriter& svg, const Plot& p, const std::string& valueLabel) {
  const Box& a = p.area;
  forEachTick(p.h0, p.h1, niceStep(p.h1 - p.h0, 8), [&](double h) {
    line(svg, p.x(h), a.y, p.x(h), a.y + a.h, "grid");
    svg.label(p.x(h), a.y + a.h + 16, shortNumber(h), "middle");
  });
  forEachTick(p.g0, p.g1, niceStep(p.g1 - p.g0, 6), [&](double g) {
    line(svg, a.x, p.y(g), a.x + a.w, p.y(g), "grid");
    svg.label(a.x - 6, p.y(g) + 4, shortNumber(std::fabs(g) < 1e-12 ? 0 : g), "end");
  });
  line(svg, a.x, a.y, a.x, a.y + a.h, "axis");
  line(svg, a.x, p.y(0), a.x + a.w, p.y(0), "axis");
  svg.label(a.x + a.w / 2, a.y + a.h + 36, std::string("heel (") + kDegree + ")", "middle");
  const double lx = a.x - 48, ly = a.y + a.h / 2;
  svg.start("text").attribute("x", lx, 1).attribute("y", ly, 1);
  svg.attribute("text-anchor", "middle");
  svg.attribute("transform",
                "rotate(-90 " + SvgWriter::number(lx, 1) + " " + SvgWriter::number(ly, 1) + ")");
  svg.openBody();
  svg.text(valueLabel);
  svg.end("text");
}

}  // namespace svg_plot
