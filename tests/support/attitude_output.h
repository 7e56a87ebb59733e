#pragma once

// The console lines of the attitude solvers as the tests read them back, and the wall-sided box
// whose equilibrium heel is known in closed form.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "geometry/plane.h"
#include "geometry/vec3.h"

namespace test_support {

// The four header lines for a given printed d_error.
inline std::string attitudeHeader(const std::string& dError) {
  // 假定浮体固定,水面移动和旋转. 初始水面法向N=<0,0,1>竖直向上.
  return "\xbc\xd9\xb6\xa8\xb8\xa1\xcc\xe5\xb9\xcc\xb6\xa8,\xcb\xae\xc3\xe6\xd2\xc6\xb6\xaf\xba\xcd"
         "\xd0\xfd\xd7\xaa. "
         "\xb3\xf5\xca\xbc\xcb\xae\xc3\xe6\xb7\xa8\xcf\xf2N=<0,0,1>\xca\xfa\xd6\xb1"
         "\xcf\xf2\xc9\xcf.\n"
         // 姿态旋转角误差a_error=1e-10(弧度)
         "\xd7\xcb\xcc\xac\xd0\xfd\xd7\xaa\xbd\xc7\xce\xf3\xb2\xee"
         "a_error=1e-10(\xbb\xa1\xb6\xc8)\n"
         // 相对距离误差error=1e-06, 绝对距离误差d_error=...(注："距离"是指重力和浮力作用线的距离)
         "\xcf\xe0\xb6\xd4\xbe\xe0\xc0\xeb\xce\xf3\xb2\xee"
         "error=1e-06, \xbe\xf8\xb6\xd4\xbe\xe0\xc0\xeb\xce\xf3\xb2\xee"
         "d_error=" +
         dError +
         "(\xd7\xa2\xa3\xba\"\xbe\xe0\xc0\xeb\"\xca\xc7\xd6\xb8\xd6\xd8\xc1\xa6\xba\xcd\xb8\xa1\xc1"
         "\xa6\xd7\xf7\xd3\xc3\xcf\xdf\xb5\xc4\xbe\xe0\xc0\xeb)\n"
         // det_an:转角步长; d:重心和浮心作用线距离; N:水面法向
         "det_an:\xd7\xaa\xbd\xc7\xb2\xbd\xb3\xa4; "
         "d:\xd6\xd8\xd0\xc4\xba\xcd\xb8\xa1\xd0\xc4\xd7\xf7"
         "\xd3\xc3\xcf\xdf\xbe\xe0\xc0\xeb; N:\xcb\xae\xc3\xe6\xb7\xa8\xcf\xf2\n";
}

struct StepLine {
  int step;
  double detAn, d;
  Vec3 normal;
};

inline StepLine parseStepLine(const std::string& line) {
  StepLine s{};
  const int fields = std::sscanf(line.c_str(), "Step%d: det_an=%lf , d=%lf ,N=<%lf ,%lf ,%lf >",
                                 &s.step, &s.detAn, &s.d, &s.normal.x, &s.normal.y, &s.normal.z);
  EXPECT_EQ(fields, 6) << line;
  return s;
}

inline std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  EXPECT_EQ(start, text.size()) << "output does not end with a line end";
  return lines;
}

inline Vec3 normalOf(const Plane& p) {
  return Vec3(p.A, p.B, p.C);
}

inline double angleBetween(const Vec3& a, const Vec3& b) {
  return std::atan2(a.cross(b).length(), a.dot(b));
}

// Wall-sided box, tilted by phi about a horizontal axis (sides stay wetted, bottom stays under):
// the submerged volume keeps the draft T on the centre line, and the centre of buoyancy moves to
// BM tan(phi) sideways and rises by BM tan^2(phi) / 2, with BM = I / V = w^2 / (12 T) for the
// waterline width w across the axis. With G at height KG and offset g sideways, the lines of
// action are d = |GZ| apart, GZ(phi) = sin(phi) (GM + BM tan^2(phi) / 2) - g cos(phi), where
// GM = KB + BM - KG. Equilibrium is GZ = 0, i.e. tan(phi) (GM + BM tan^2(phi) / 2) = g.
struct WallSidedBox {
  double GM, BM, g;
  double start = 0;  // tan(phi) that Newton starts from; 0: g / GM, the root nearest upright
  double gz(double phi) const {
    const double t = std::tan(phi);
    return std::sin(phi) * (GM + 0.5 * BM * t * t) - g * std::cos(phi);
  }
  // Newton on the cubic in tan(phi), from tan(phi) = start.
  double equilibrium() const {
    double t = start != 0 ? start : g / GM;
    for (int i = 0; i < 50; ++i)
      t -= (t * (GM + 0.5 * BM * t * t) - g) / (GM + 1.5 * BM * t * t);
    return std::atan(t);
  }
  // The iteration stops at some phi with |GZ(phi)| <= d_error, so |phi - phi*| is at most
  // d_error over the slope of GZ there (it barely changes over such a small interval).
  double angleTolerance(double dError) const {
    const double phi = equilibrium(), h = 1e-6;
    const double slope = (gz(phi + h) - gz(phi - h)) / (2 * h);
    return 1.01 * dError / std::fabs(slope) + 1e-10;
  }
};

}  // namespace test_support
