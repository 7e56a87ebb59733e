#include "submerged/waterline_extent.h"

#include <algorithm>
#include <vector>

namespace {

// Collects the crossing points of the edges that run from a dry end to a wet one.
class CrossingBox {
 public:
  explicit CrossingBox(const Plane& plane) : plane_(plane) {}

  void edge(const Vec3& a, double va, const Vec3& b, double vb) {
    if (isDry(va) == isDry(vb))
      return;
    // From the dry end, as the section's cut takes it; an edge the plane cannot cross within the
    // tolerance of Plane::intersect gives its midpoint there too.
    const bool aDry = isDry(va);
    Vec3 x;
    if (plane_.intersect(aDry ? a : b, aDry ? b : a, x, aDry ? va : vb) == Plane::kParallel)
      x = (a + b) * 0.5;
    box_.include(x);
  }

  // The six edges of the tetrahedron with the given corners.
  void tetrahedron(const Vec3* const* v, const double* value) {
    for (int i = 0; i < 4; ++i) {
      for (int j = i + 1; j < 4; ++j)
        edge(*v[i], value[i], *v[j], value[j]);
    }
  }

  template <int kVertexCount, int kTetrahedronCount>
  void fixedSplit(const Vec3 (&vertices)[kVertexCount], const int (&split)[kTetrahedronCount][4]) {
    double values[kVertexCount];
    int dry = 0;
    for (int i = 0; i < kVertexCount; ++i) {
      values[i] = plane_.value(vertices[i]);
      dry += isDry(values[i]) ? 1 : 0;
    }
    if (dry == 0 || dry == kVertexCount)
      return;
    for (const int* s : split) {
      const Vec3* const v[4] = {&vertices[s[0]], &vertices[s[1]], &vertices[s[2]], &vertices[s[3]]};
      const double value[4] = {values[s[0]], values[s[1]], values[s[2]], values[s[3]]};
      tetrahedron(v, value);
    }
  }

  const BoundingBox& box() const { return box_; }
  const Plane& plane() const { return plane_; }

 private:
  const Plane& plane_;
  BoundingBox box_ = BoundingBox::empty();
};

class ElementCrossings {
 public:
  explicit ElementCrossings(CrossingBox& box) : box_(box) {}

  void operator()(const Tetrahedron& t) {
    static constexpr int kIdentity[1][4] = {{0, 1, 2, 3}};
    box_.fixedSplit(t.vertices, kIdentity);
  }
  void operator()(const Hexahedron& h) { box_.fixedSplit(h.vertices, Hexahedron::kSplit); }
  void operator()(const TrianglePrism& p) { box_.fixedSplit(p.vertices, TrianglePrism::kSplit); }
  // Split as the waterplane splits it (at least 3 sectors).
  void operator()(const Cylinder& c) {
    Cylinder copy = c;
    const int n = 3 * std::max(copy.segmentCount, 3);
    scratch_.resize(static_cast<size_t>(n));
    copy.splitIntoTetrahedra(scratch_.data(), n);
    for (const Tetrahedron& t : scratch_)
      (*this)(t);
  }

 private:
  CrossingBox& box_;
  std::vector<Tetrahedron> scratch_;
};

}  // namespace

BoundingBox waterlineBounds(const FloatingBody& body, const Plane& plane) {
  CrossingBox box(plane);
  if (!body.surface.empty()) {
    const std::vector<Vec3>& v = body.surface.vertices;
    std::vector<double> values(v.size());
    for (size_t i = 0; i < v.size(); ++i)
      values[i] = plane.value(v[i]);
    for (const TriangleSurface::Triangle& t : body.surface.triangles) {
      for (int k = 0; k < 3; ++k) {
        const std::uint32_t a = t.v[k], b = t.v[(k + 1) % 3];
        box.edge(v[a], values[a], v[b], values[b]);
      }
    }
    return box.box();
  }
  forEachElement(body, ElementCrossings(box));
  return box.box();
}
