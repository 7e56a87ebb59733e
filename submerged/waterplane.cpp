#include "submerged/waterplane.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "submerged/fast_evaluation.h"
#include "submerged/surface_evaluation.h"
#include "submerged/tetrahedron_cut.h"

namespace {

// Area integrals of the section in the plane coordinates (u, v) measured from a reference point O:
// the integrals of 1, u, v, u^2, v^2 and u v over the area. Each polygon adds its own integrals,
// a = a + p, in the order the polygons are met.
struct AreaIntegrals {
  double area = 0, u = 0, v = 0, uu = 0, vv = 0, uv = 0;

  // Adds the convex polygon (u[i], v[i]), i < n, given in order around its boundary (either
  // sense). Green's theorem edge by edge, with coordinates relative to the first vertex so that a
  // small polygon far from O keeps its digits; the edges through the first vertex then contribute
  // nothing, which leaves the fan of triangles (0, i, i+1). Shifted to O afterwards.
  void addPolygon(const double* pu, const double* pv, int n) {
    double a2 = 0, su = 0, sv = 0, suu = 0, svv = 0, suv = 0;
    for (int i = 1; i + 1 < n; ++i) {
      const double x0 = pu[i] - pu[0], y0 = pv[i] - pv[0];
      const double x1 = pu[i + 1] - pu[0], y1 = pv[i + 1] - pv[0];
      const double cross = x0 * y1 - x1 * y0;
      a2 = a2 + cross;
      su = su + (x0 + x1) * cross;
      sv = sv + (y0 + y1) * cross;
      suu = suu + (x0 * x0 + x0 * x1 + x1 * x1) * cross;
      svv = svv + (y0 * y0 + y0 * y1 + y1 * y1) * cross;
      suv = suv + (x0 * y1 + 2 * x0 * y0 + 2 * x1 * y1 + x1 * y0) * cross;
    }
    // Integrals about the first vertex; a polygon listed clockwise has them all negated.
    const double sign = a2 < 0 ? -1.0 : 1.0;
    const double A = sign * a2 / 2, Iu = sign * su / 6, Iv = sign * sv / 6;
    const double Iuu = sign * suu / 12, Ivv = sign * svv / 12, Iuv = sign * suv / 24;
    const double u0 = pu[0], v0 = pv[0];
    area = area + A;
    u = u + (Iu + A * u0);
    v = v + (Iv + A * v0);
    uu = uu + (Iuu + 2 * u0 * Iu + A * u0 * u0);
    vv = vv + (Ivv + 2 * v0 * Iv + A * v0 * v0);
    uv = uv + (Iuv + u0 * Iv + v0 * Iu + A * u0 * v0);
  }
};

// Accumulates the sections of water tetrahedra by one plane.
class SectionSum {
 public:
  SectionSum(const Plane& plane, const Vec3& origin, const Vec3& axisU, const Vec3& axisV)
      : plane_(plane), origin_(origin), axisU_(axisU), axisV_(axisV) {}

  // The tetrahedron v[0..3] with plane values value[0..3]. Classified as the cut classifies: the
  // dry vertices (isDry, an exact test) are swapped to the front slots, starting from the order
  // v1, v2, v3, v0, and every cut point is taken along an edge from the same end as in the cut.
  void addTetrahedron(const Vec3* const* v, const double* value) {
    int slot[4];
    const int k = classifyDryFirst(value, slot);
    if (k == 0 || k == 4)
      return;  // wholly submerged (a face in the plane included) or wholly dry
    ++crossed_;
    const Vec3 &s0 = *v[slot[0]], &s1 = *v[slot[1]], &s2 = *v[slot[2]], &s3 = *v[slot[3]];
    switch (k) {
      case 1: {  // one dry vertex s0: the triangle on its three edges
        const double vd = value[slot[0]];
        const Vec3 x[3] = {cut(s0, s1, vd), cut(s0, s2, vd), cut(s0, s3, vd)};
        addPolygon(x, 3);
        break;
      }
      case 2: {  // dry s0 s1, wet s2 s3: consecutive points share a face of the tetrahedron
        const double vd1 = value[slot[0]], vd2 = value[slot[1]];
        const Vec3 x[4] = {cut(s1, s2, vd2), cut(s0, s2, vd1), cut(s0, s3, vd1), cut(s1, s3, vd2)};
        addPolygon(x, 4);
        break;
      }
      case 3: {  // one submerged vertex s3
        const double vw = value[slot[3]];
        const Vec3 x[3] = {cut(s3, s0, vw), cut(s3, s1, vw), cut(s3, s2, vw)};
        addPolygon(x, 3);
        break;
      }
    }
  }

  // The tetrahedra of a fixed split (Element::kSplit) of the given vertices; each vertex's plane
  // value is computed once. When no vertex is dry or all are, no tetrahedron of the split is
  // crossed and the element adds nothing.
  template <int kVertexCount, int kTetrahedronCount>
  void addFixedSplit(const Vec3 (&vertices)[kVertexCount],
                     const int (&split)[kTetrahedronCount][4]) {
    double values[kVertexCount];
    int dry = 0;
    for (int i = 0; i < kVertexCount; ++i) {
      values[i] = plane_.value(vertices[i]);
      dry += isDry(values[i]) ? 1 : 0;
    }
    if (dry == 0 || dry == kVertexCount)
      return;
    for (int t = 0; t < kTetrahedronCount; ++t) {
      const int* s = split[t];
      const Vec3* const v[4] = {&vertices[s[0]], &vertices[s[1]], &vertices[s[2]], &vertices[s[3]]};
      const double value[4] = {values[s[0]], values[s[1]], values[s[2]], values[s[3]]};
      addTetrahedron(v, value);
    }
  }

  void addTetrahedron(const Tetrahedron& t) {
    static constexpr int kIdentity[1][4] = {{0, 1, 2, 3}};
    addFixedSplit(t.vertices, kIdentity);
  }

  const AreaIntegrals& integrals() const { return sum_; }
  const Plane& plane() const { return plane_; }
  int crossed() const { return crossed_; }

 private:
  // The point where the plane crosses the edge e -> f (valueE: e's plane value), or the edge's
  // midpoint when the plane finds none, as in the cut.
  Vec3 cut(const Vec3& e, const Vec3& f, double valueE) const {
    Vec3 x;
    if (plane_.intersect(e, f, x, valueE) == Plane::kParallel)
      x = (e + f) * 0.5;
    return x;
  }

  // The polygon x[0..n-1] (n <= 4) of points in the plane, in the (u, v) coordinates.
  void addPolygon(const Vec3* x, int n) {
    double pu[4], pv[4];
    for (int i = 0; i < n; ++i) {
      const Vec3 d = x[i] - origin_;
      pu[i] = d.dot(axisU_);
      pv[i] = d.dot(axisV_);
    }
    sum_.addPolygon(pu, pv, n);
  }

  const Plane& plane_;
  Vec3 origin_, axisU_, axisV_;
  AreaIntegrals sum_;
  int crossed_ = 0;
};

// A point of the body near the section, from which the coordinates are measured so that the
// final shift to the centroid loses few digits.
Vec3 referencePoint(const FloatingBody& body) {
  if (body.tetrahedronCount > 0)
    return body.tetrahedra[0].vertices[0];
  if (body.cylinderCount > 0)
    return body.cylinders[0].axisStart;
  if (body.hexahedronCount > 0)
    return body.hexahedra[0].vertices[0];
  if (body.prismCount > 0)
    return body.prisms[0].vertices[0];
  return Vec3(0, 0, 0);
}

// Adds each element's water tetrahedra to the sum, visited in the body's evaluation order.
// Cylinders are split as a copy (the split records the sector count in the cylinder), with at
// least 3 sectors as the body's box enforces, into one scratch array sized for the largest.
class ElementSections {
 public:
  ElementSections(const FloatingBody& body, SectionSum& sum) : sum_(sum) {
    int most = 0;
    for (int i = 0; i < body.cylinderCount; ++i)
      most = std::max(most, std::max(body.cylinders[i].segmentCount, 3));
    scratch_.resize(static_cast<size_t>(3 * most));
  }

  void operator()(const Tetrahedron& t) { sum_.addTetrahedron(t); }
  void operator()(const Hexahedron& h) { sum_.addFixedSplit(h.vertices, Hexahedron::kSplit); }
  void operator()(const TrianglePrism& p) { sum_.addFixedSplit(p.vertices, TrianglePrism::kSplit); }
  void operator()(const Cylinder& c) {
    if (missesCylinder(c))
      return;
    Cylinder copy = c;
    const int n = 3 * std::max(copy.segmentCount, 3);
    copy.splitIntoTetrahedra(scratch_.data(), n);
    for (int t = 0; t < n; ++t)
      sum_.addTetrahedron(scratch_[static_cast<size_t>(t)]);
  }

 private:
  // True when every point of the split cylinder lies on one side of the plane, so that none of its
  // tetrahedra is crossed. The circle points lie |radius| from the axis ends in the plane normal
  // to the axis, so their plane values differ from the ends' by at most |radius| |N x u| (u the
  // unit axis): little for a column standing in the water. The bound is widened by far more than
  // the points' own rounding and their tilt off that plane (an axis within 1e-10 of x gets the
  // circle of the y-z plane). False for non-finite values: those are split as usual.
  bool missesCylinder(const Cylinder& c) const {
    const Plane& p = sum_.plane();
    const Vec3 N(p.A, p.B, p.C);
    const Vec3 axis = c.axisEnd - c.axisStart;
    const double n = N.length();
    const double start = p.value(c.axisStart), end = p.value(c.axisEnd);
    const double scale = n * (c.axisStart.length() + c.axisEnd.length() + std::fabs(c.radius));
    const double radial = N.cross(axis).length() / axis.length() + 1e-8 * n;
    const double reach = std::fabs(c.radius) * radial + 1e-12 * (scale + std::fabs(p.D));
    return std::fmax(start, end) + reach < 0 || std::fmin(start, end) - reach > 0;
  }

  SectionSum& sum_;
  std::vector<Tetrahedron> scratch_;
};

// The body's fast evaluation where its normal is the plane's, bit for bit: its extents then bound
// the very heights the sections' plane values are formed from (height + D), so an element they
// put wholly on one side of the plane has no crossed tetrahedron and adds nothing. A solver asks
// for the waterplane of the plane its last draft search found, at the evaluation's normal.
const FastEvaluation* extentsOfPlane(const FloatingBody& body, const Plane& plane) {
  const FastEvaluation* fast = body.fastEvaluation.get();
  if (fast == nullptr || fast->flattened().elementCount() !=
                             static_cast<std::size_t>(body.tetrahedronCount) + body.cylinderCount +
                                 body.hexahedronCount + body.prismCount) {
    return nullptr;
  }
  const Plane& n = fast->normalPlane();
  const auto same = [](double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; };
  return same(n.A, plane.A) && same(n.B, plane.B) && same(n.C, plane.C) ? fast : nullptr;
}

}  // namespace

bool projectIntoPlane(const Vec3& axis, const Vec3& n, Vec3& direction) {
  const Vec3 p = axis - n * axis.dot(n);
  const double length = p.length();
  if (!(length >= kMinProjectedAxisLength * axis.length()))
    return false;
  direction = p / length;
  return true;
}

double WaterplaneProperties::secondMomentAbout(const Vec3& a) const {
  const double au = a.dot(axisU), av = a.dot(axisV);
  return au * au * Iuu - 2 * au * av * Iuv + av * av * Ivv;
}

void setPlaneFrame(WaterplaneProperties& wp, const Vec3& N) {
  wp.normal = N / N.length();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  wp.axisU = Vec3(nan, nan, nan);  // stays so only for a zero or non-finite normal
  if (!projectIntoPlane(Vec3(1, 0, 0), wp.normal, wp.axisU))
    projectIntoPlane(Vec3(0, 1, 0), wp.normal, wp.axisU);
  wp.axisV = wp.normal.cross(wp.axisU);
}

WaterplaneProperties computeWaterplane(const FloatingBody& body, const Plane& plane) {
  if (!body.surface.empty())
    return surfaceWaterplane(body, plane);
  WaterplaneProperties wp;
  const Vec3 N(plane.A, plane.B, plane.C);
  const double length = N.length();
  setPlaneFrame(wp, N);

  // O: the reference point's foot on the plane. Only the in-plane components of a point's offset
  // from O enter the integrals, so O's own rounding off the plane does not matter there.
  const Vec3 P = referencePoint(body);
  const Vec3 O = P - wp.normal * (plane.value(P) / length);
  SectionSum sum(plane, O, wp.axisU, wp.axisV);
  ElementSections sections(body, sum);
  if (const FastEvaluation* fast = extentsOfPlane(body, plane)) {
    std::size_t e = 0;
    forEachElement(body, [&](const auto& element) {
      if (fast->extent(e++).crossedAt(plane.D))
        sections(element);
    });
  } else {
    forEachElement(body, sections);
  }
  const AreaIntegrals& s = sum.integrals();
  wp.crossedTetrahedronCount = sum.crossed();
  wp.area = s.area;
  if (s.area == 0) {  // a NaN area (a non-finite element) passes on to every result
    wp.centreOfFlotation = O;
    wp.Iuu = wp.Ivv = wp.Iuv = 0;
    return wp;
  }
  // Parallel axes: from O to the centroid.
  const double cu = s.u / s.area, cv = s.v / s.area;
  wp.centreOfFlotation = O + wp.axisU * cu + wp.axisV * cv;
  wp.Iuu = s.vv - s.area * cv * cv;
  wp.Ivv = s.uu - s.area * cu * cu;
  wp.Iuv = s.uv - s.area * cu * cv;
  return wp;
}
