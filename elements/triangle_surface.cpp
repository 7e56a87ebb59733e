#include "elements/triangle_surface.h"

#include <algorithm>
#include <cmath>
#include <utility>

BoundingBox TriangleSurface::boundingBox() const {
  BoundingBox box = BoundingBox::empty();
  for (const Triangle& t : triangles) {
    for (std::uint32_t i : t.v)
      box.include(vertices[i]);
  }
  return box;
}

void TriangleSurface::turnInsideOut() {
  for (Triangle& t : triangles)
    std::swap(t.v[1], t.v[2]);
  for (std::vector<std::uint32_t>& loop : openings)
    std::reverse(loop.begin(), loop.end());
}

bool TriangleSurface::lowestOpenPoint(const Vec3& n, Vec3& point) const {
  bool found = false;
  double lowest = 0;
  for (const std::vector<std::uint32_t>& loop : openings) {
    for (std::uint32_t v : loop) {
      const double h = n.dot(vertices[v]);
      if (!found || h < lowest) {
        found = true;
        lowest = h;
        point = vertices[v];
      }
    }
  }
  return found;
}

void requireWaterBelowOpenings(const TriangleSurface& surface, const Plane& plane) {
  Vec3 point;
  if (surface.lowestOpenPoint(Vec3(plane.A, plane.B, plane.C), point) && plane.value(point) <= 0)
    throw WaterReachesOpening{point};
}

namespace {

double tetrahedronTerm(const Vec3& o, const Vec3& a, const Vec3& b, const Vec3& c) {
  return (a - o).dot((b - o).cross(c - o));
}

}  // namespace

// The cap of an opening runs each of its edges the other way round: edge (a, b) of the loop
// gives the fan triangle (c, b, a). The triangles and the caps then form a closed surface, whose
// volume does not depend on the point o the tetrahedra start from.
void TriangleSurface::enclosedVolume(double& sixTimes, double& magnitude) const {
  const BoundingBox box = boundingBox();
  const Vec3 o((box.xMin + box.xMax) * 0.5, (box.yMin + box.yMax) * 0.5,
               (box.zMin + box.zMax) * 0.5);
  sixTimes = 0;
  magnitude = 0;
  const auto add = [&](double term) {
    sixTimes = sixTimes + term;
    magnitude = magnitude + std::fabs(term);
  };
  for (const Triangle& t : triangles)
    add(tetrahedronTerm(o, vertices[t.v[0]], vertices[t.v[1]], vertices[t.v[2]]));
  for (const std::vector<std::uint32_t>& loop : openings) {
    Vec3 sum(0, 0, 0);
    for (std::uint32_t v : loop)
      sum = sum + (vertices[v] - o);
    const Vec3 centre = o + sum / static_cast<double>(loop.size());
    for (std::size_t i = 0; i < loop.size(); ++i) {
      const Vec3& a = vertices[loop[i]];
      const Vec3& b = vertices[loop[(i + 1) % loop.size()]];
      add(tetrahedronTerm(o, centre, b, a));
    }
  }
}
