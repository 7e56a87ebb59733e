#pragma once

// Closed triangle surfaces for the tests and the benchmarks, and their text in the mesh file
// formats. Free of the test framework, so that the benchmarks can use it too.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "elements/cylinder.h"
#include "elements/floating_body.h"
#include "elements/tetrahedron.h"
#include "elements/triangle_surface.h"
#include "support/shapes.h"

namespace surfaces {

// Gathers triangles given by their corner points, merging equal points, and orients the result
// outwards (by the sign of its enclosed volume) when asked.
class SurfaceMaker {
 public:
  std::uint32_t vertex(const Vec3& p) {
    const auto key = std::make_tuple(p.x + 0.0, p.y + 0.0, p.z + 0.0);
    const auto found = index_.find(key);
    if (found != index_.end())
      return found->second;
    surface_.vertices.push_back(p);
    const auto index = static_cast<std::uint32_t>(surface_.vertices.size() - 1);
    index_.emplace(key, index);
    return index;
  }
  void triangle(const Vec3& a, const Vec3& b, const Vec3& c) {
    surface_.triangles.push_back(TriangleSurface::Triangle{{vertex(a), vertex(b), vertex(c)}});
  }
  void quad(const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& d) {
    triangle(a, b, c);
    triangle(a, c, d);
  }
  // The surface, turned around when it encloses a negative volume.
  TriangleSurface outward() {
    double sixTimes = 0;
    for (const auto& t : surface_.triangles) {
      const Vec3& a = surface_.vertices[t.v[0]];
      sixTimes += a.dot((surface_.vertices[t.v[1]] - a).cross(surface_.vertices[t.v[2]] - a));
    }
    if (sixTimes < 0)
      surface_.turnInsideOut();
    return surface_;
  }

 private:
  TriangleSurface surface_;
  std::map<std::tuple<double, double, double>, std::uint32_t> index_;
};

// The prism swept by the polygon (its corners in order, a fan from corner 0 covering it) along h.
inline TriangleSurface prismSurface(const std::vector<Vec3>& polygon, const Vec3& h) {
  SurfaceMaker maker;
  const std::size_t n = polygon.size();
  for (std::size_t i = 1; i + 1 < n; ++i) {
    maker.triangle(polygon[0], polygon[i + 1], polygon[i]);
    maker.triangle(polygon[0] + h, polygon[i] + h, polygon[i + 1] + h);
  }
  for (std::size_t i = 0; i < n; ++i) {
    const Vec3& a = polygon[i];
    const Vec3& b = polygon[(i + 1) % n];
    maker.quad(a, b, b + h, a + h);
  }
  return maker.outward();
}

// The box [o, o + (a, b, c)]: 12 triangles.
inline TriangleSurface boxSurface(const Vec3& o, double a, double b, double c) {
  return prismSurface({o, o + Vec3(a, 0, 0), o + Vec3(a, b, 0), o + Vec3(0, b, 0)}, Vec3(0, 0, c));
}

// The solid a cylinder element stands for: its sectors (axisStart, c(i), c(i+1)) for i < 30 swept
// along the axis. The circle does not quite close (its angles use pi to seven decimals), so the
// polygon runs from the centre around the circle and back to the centre.
inline TriangleSurface cylinderSurface(const Cylinder& cylinder) {
  std::vector<Vec3> polygon{cylinder.axisStart};
  for (int i = 0; i <= cylinder.segmentCount; ++i)
    polygon.push_back(cylinder.circlePoint(i));
  return prismSurface(polygon, cylinder.axisEnd - cylinder.axisStart);
}

// The boundary of a set of tetrahedra that meet face to face: the faces that belong to one
// tetrahedron only, facing away from that tetrahedron.
inline TriangleSurface tetrahedraBoundary(const std::vector<Tetrahedron>& tetrahedra) {
  using Key = std::tuple<double, double, double>;
  const auto key = [](const Vec3& p) { return Key(p.x + 0.0, p.y + 0.0, p.z + 0.0); };
  struct Face {
    Vec3 a, b, c;
    int uses;
  };
  std::map<std::tuple<Key, Key, Key>, Face> faces;
  static constexpr int kFaces[4][4] = {{0, 1, 2, 3}, {0, 1, 3, 2}, {0, 2, 3, 1}, {1, 2, 3, 0}};
  for (const Tetrahedron& t : tetrahedra) {
    for (const auto& f : kFaces) {
      Vec3 a = t.vertices[f[0]], b = t.vertices[f[1]], c = t.vertices[f[2]];
      if ((b - a).cross(c - a).dot(t.vertices[f[3]] - a) > 0)
        std::swap(b, c);  // the normal away from the fourth vertex
      Key k[3] = {key(a), key(b), key(c)};
      std::sort(std::begin(k), std::end(k));
      auto& face = faces[std::make_tuple(k[0], k[1], k[2])];
      face = Face{a, b, c, face.uses + 1};
    }
  }
  SurfaceMaker maker;
  for (const auto& entry : faces) {
    if (entry.second.uses == 1)
      maker.triangle(entry.second.a, entry.second.b, entry.second.c);
  }
  return maker.outward();
}

// The cube [o, o + s] as six tetrahedra around its main diagonal.
inline void addCubeTetrahedra(std::vector<Tetrahedron>& out, const Vec3& o, double s) {
  const Hexahedron cube = test_support::boxHexahedron(o, s, s, s);
  const Vec3* c = cube.vertices;
  static constexpr int kPaths[6][2] = {{1, 2}, {2, 3}, {3, 7}, {7, 4}, {4, 5}, {5, 1}};
  for (const auto& path : kPaths)
    out.emplace_back(c[0], c[path[0]], c[path[1]], c[6]);
}

// x rounded to single precision. Through a volatile float: GCC 12.2 at -O2 vectorises two
// neighbouring double -> float -> double conversions into a pair and then stores the unconverted
// doubles, dropping the rounding.
inline double singlePrecision(double x) {
  volatile float f = static_cast<float>(x);
  return f;
}

// A ship-like hull of length L along x, breadth B and depth H (keel at z = 0, a flat deck at
// z = H): the half-breadth is B/2 (1 - (2x/L)^2)(1 - ((H - z)/H)^2), zero at the stems and the
// keel. stations x levels quads per side; every coordinate is a float, so that single-precision
// STL holds it exactly.
inline TriangleSurface hullSurface(int stations, int levels, double L = 100, double B = 16,
                                   double H = 10) {
  const auto point = [&](int i, int j, double side) {
    const double x = -L / 2 + L * i / stations;
    const double z = H * j / levels;
    const double s = 2 * x / L, r = (H - z) / H;
    const double y = side * B / 2 * (1 - s * s) * (1 - r * r);
    return Vec3(singlePrecision(x), singlePrecision(y + 0.0), singlePrecision(z));
  };
  SurfaceMaker maker;
  // Quads (a, b, c, d) counter-clockwise seen from outside, as two triangles; those that collapse
  // at the stems are left out, and the diagonal avoids a triangle in the centre plane y = 0 (the
  // corner of keel and stem), which would be shared by both sides.
  const auto triangle = [&maker](const Vec3& a, const Vec3& b, const Vec3& c) {
    if (!(a == b) && !(b == c) && !(c == a))
      maker.triangle(a, b, c);
  };
  const auto central = [](const Vec3& a, const Vec3& b, const Vec3& c) {
    return a.y == 0 && b.y == 0 && c.y == 0;
  };
  const auto quad = [&](const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& d) {
    if (central(a, b, c) || central(a, c, d)) {
      triangle(a, b, d);
      triangle(b, c, d);
    } else {
      triangle(a, b, c);
      triangle(a, c, d);
    }
  };
  for (int i = 0; i < stations; ++i) {
    for (int j = 0; j < levels; ++j) {
      quad(point(i, j, -1), point(i + 1, j, -1), point(i + 1, j + 1, -1), point(i, j + 1, -1));
      quad(point(i, j, 1), point(i, j + 1, 1), point(i + 1, j + 1, 1), point(i + 1, j, 1));
    }
    quad(point(i, levels, 1), point(i, levels, -1), point(i + 1, levels, -1),
         point(i + 1, levels, 1));
  }
  return maker.outward();
}

// A body whose solid is the surface's inside.
inline void setSurfaceBody(FloatingBody& body, TriangleSurface surface, double V, const Vec3& G) {
  body.surface = std::move(surface);
  body.displacementVolume = V;
  body.centreOfGravity = G;
  body.boundingBox();
}

// Shortest round-trip text of a double.
inline std::string numberText(double x) {
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", x);
  return text;
}

inline std::string pointText(const Vec3& p, const char* separator = " ") {
  return numberText(p.x) + separator + numberText(p.y) + separator + numberText(p.z);
}

inline std::string stlAscii(const TriangleSurface& s) {
  std::string text = "solid hull\n";
  for (const auto& t : s.triangles) {
    text += "  facet normal 0 0 0\n    outer loop\n";
    for (std::uint32_t v : t.v)
      text += "      vertex " + pointText(s.vertices[v]) + "\n";
    text += "    endloop\n  endfacet\n";
  }
  return text + "endsolid hull\n";
}

// Binary STL; the coordinates are written as floats.
inline std::string stlBinary(const TriangleSurface& s, const char* header = "binary hull") {
  std::string bytes(80, ' ');
  std::memcpy(&bytes[0], header, std::strlen(header));
  const auto put32 = [&bytes](std::uint32_t x) {
    for (int i = 0; i < 4; ++i)
      bytes += static_cast<char>((x >> (8 * i)) & 0xff);
  };
  const auto putFloat = [&put32](double x) {
    const float f = static_cast<float>(x);
    std::uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    put32(bits);
  };
  put32(static_cast<std::uint32_t>(s.triangles.size()));
  for (const auto& t : s.triangles) {
    for (int i = 0; i < 3; ++i)
      putFloat(0);
    for (std::uint32_t v : t.v) {
      putFloat(s.vertices[v].x);
      putFloat(s.vertices[v].y);
      putFloat(s.vertices[v].z);
    }
    bytes += std::string(2, '\0');
  }
  return bytes;
}

inline std::string objText(const TriangleSurface& s) {
  std::string text = "# hull\no hull\n";
  for (const Vec3& v : s.vertices)
    text += "v " + pointText(v) + "\n";
  for (const auto& t : s.triangles) {
    text += "f " + std::to_string(t.v[0] + 1) + " " + std::to_string(t.v[1] + 1) + " " +
            std::to_string(t.v[2] + 1) + "\n";
  }
  return text;
}

inline std::string offText(const TriangleSurface& s) {
  std::string text = "OFF\n" + std::to_string(s.vertices.size()) + " " +
                     std::to_string(s.triangles.size()) + " 0\n";
  for (const Vec3& v : s.vertices)
    text += pointText(v) + "\n";
  for (const auto& t : s.triangles) {
    text += "3 " + std::to_string(t.v[0]) + " " + std::to_string(t.v[1]) + " " +
            std::to_string(t.v[2]) + "\n";
  }
  return text;
}

}  // namespace surfaces
