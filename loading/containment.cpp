#include "loading/containment.h"

#include <cmath>
#include <type_traits>
#include <vector>

namespace {

constexpr double kPull = 1e-6;
constexpr double kRelativeSlack = 1e-9;

// Inside the tetrahedron or on it: the four sub-volumes with p in place of one corner all have
// the sign of the whole (or lie within the slack of zero).
bool insideTetrahedron(const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& d, const Vec3& p,
                       double slack) {
  const auto signedVolume = [](const Vec3& p0, const Vec3& p1, const Vec3& p2, const Vec3& p3) {
    return (p1 - p0).dot((p2 - p0).cross(p3 - p0));
  };
  const double whole = signedVolume(a, b, c, d);
  if (whole == 0)
    return false;
  const double s = whole > 0 ? 1.0 : -1.0;
  const double parts[4] = {signedVolume(p, b, c, d), signedVolume(a, p, c, d),
                           signedVolume(a, b, p, d), signedVolume(a, b, c, p)};
  for (const double part : parts) {
    if (s * part < -slack * std::fabs(whole))
      return false;
  }
  return true;
}

template <typename Solid>
bool insideSplitSolid(const Solid& solid, const Vec3& p) {
  Tetrahedron parts[Solid::kTetrahedronCount];
  solid.splitIntoTetrahedra(parts, Solid::kTetrahedronCount);
  for (const Tetrahedron& t : parts) {
    if (insideTetrahedron(t.vertices[0], t.vertices[1], t.vertices[2], t.vertices[3], p,
                          kRelativeSlack))
      return true;
  }
  return false;
}

bool insideCylinder(const Cylinder& c, const Vec3& p) {
  const Vec3 axis = c.axisEnd - c.axisStart;
  const double length2 = axis.dot(axis);
  if (!(length2 > 0))
    return false;
  const double t = (p - c.axisStart).dot(axis) / length2;
  if (t < -kRelativeSlack || t > 1 + kRelativeSlack)
    return false;
  const Vec3 off = p - c.axisStart - axis * t;
  return off.length() <= c.radius * (1 + kRelativeSlack);
}

// Parity of the crossings of the ray from p along a direction that no axis-aligned face holds.
bool insideSurface(const TriangleSurface& s, const Vec3& p) {
  const Vec3 d(0.2673612, 0.5345225, 0.8017837);
  int crossings = 0;
  for (const TriangleSurface::Triangle& t : s.triangles) {
    const Vec3& a = s.vertices[t.v[0]];
    const Vec3 e1 = s.vertices[t.v[1]] - a, e2 = s.vertices[t.v[2]] - a;
    const Vec3 h = d.cross(e2);
    const double det = e1.dot(h);
    if (det == 0)
      continue;
    const Vec3 q = p - a;
    const double u = q.dot(h) / det;
    if (u < 0 || u > 1)
      continue;
    const Vec3 r = q.cross(e1);
    const double v = d.dot(r) / det;
    if (v < 0 || u + v > 1)
      continue;
    if (e2.dot(r) / det > 0)
      ++crossings;
  }
  return crossings % 2 == 1;
}

Vec3 pulled(const Vec3& corner, const Vec3& towards) {
  return corner + (towards - corner) * kPull;
}

}  // namespace

bool insideBody(const FloatingBody& body, const Vec3& p) {
  if (!body.surface.empty())
    return insideSurface(body.surface, p);
  bool inside = false;
  forEachElement(body, [&](const auto& element) {
    if (inside)
      return;
    using Kind = std::decay_t<decltype(element)>;
    if constexpr (std::is_same_v<Kind, Cylinder>) {
      inside = insideCylinder(element, p);
    } else if constexpr (std::is_same_v<Kind, Tetrahedron>) {
      const Vec3* v = element.vertices;
      inside = insideTetrahedron(v[0], v[1], v[2], v[3], p, kRelativeSlack);
    } else {
      inside = insideSplitSolid(element, p);
    }
  });
  return inside;
}

bool reachesOutsideHull(const FloatingBody& hull, const FloatingBody& compartment,
                        const Vec3& compartmentCentroid) {
  std::vector<Vec3> samples;
  for (const Vec3& v : compartment.surface.vertices)
    samples.push_back(pulled(v, compartmentCentroid));
  forEachElement(compartment, [&](const auto& element) {
    using Kind = std::decay_t<decltype(element)>;
    std::vector<Vec3> corners;
    if constexpr (std::is_same_v<Kind, Cylinder>) {
      const Vec3 h = element.axisEnd - element.axisStart;
      for (int k = 0; k < element.segmentCount; ++k) {
        corners.push_back(element.circlePoint(k));
        corners.push_back(element.circlePoint(k) + h);
      }
    } else {
      for (const Vec3& v : element.vertices)
        corners.push_back(v);
    }
    Vec3 centroid(0, 0, 0);
    for (const Vec3& c : corners)
      centroid = centroid + c;
    centroid = centroid / static_cast<double>(corners.size());
    samples.push_back(centroid);
    for (const Vec3& c : corners)
      samples.push_back(pulled(c, centroid));
  });
  for (const Vec3& p : samples) {
    if (!insideBody(hull, p))
      return true;
  }
  return false;
}
