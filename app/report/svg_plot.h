#pragma once

#include <cmath>
#include <string>

#include "app/report/svg_writer.h"

// The pieces the picture's views and panels are drawn with: boxes, lines, the plot of a curve
// over the heel with its grid and labels.
namespace svg_plot {

constexpr const char* kDegree = "\xc2\xb0";  // UTF-8 degree sign

// A value for a label: four significant digits, in the C locale whatever the global one.
std::string shortNumber(double value);

struct Box {
  double x, y, w, h;
};

void rect(SvgWriter& svg, const Box& b, const char* cssClass);
void line(SvgWriter& svg, double x1, double y1, double x2, double y2, const char* cssClass);
void circle(SvgWriter& svg, double x, double y, double r, const char* cssClass);
void path(SvgWriter& svg, const SvgPathData& d, const char* cssClass);

// A step of 1, 2 or 5 times a power of ten giving about `target` intervals over the span.
double niceStep(double span, int target);

// Visits the multiples of step within [lo, hi].
template <typename Visit>
void forEachTick(double lo, double hi, double step, Visit visit) {
  const double first = std::ceil(lo / step - 1e-9);
  for (int k = 0; k < 100; ++k) {
    const double v = (first + k) * step;
    if (v > hi + 1e-9 * step)
      break;
    visit(v);
  }
}

// A curve's plot: heels h0..h1 across, values g0..g1 up, in the area.
struct Plot {
  Box area;
  double h0, h1, g0, g1;
  double x(double heel) const { return area.x + area.w * (heel - h0) / (h1 - h0); }
  double y(double gz) const { return area.y + area.h * (g1 - gz) / (g1 - g0); }
};

// The grid with its labels, the axes (the value 0 as the horizontal one), "heel" below and the
// value's label along the left.
void drawGrid(SvgWriter& svg, const Plot& p, const std::string& valueLabel);

}  // namespace svg_plot
