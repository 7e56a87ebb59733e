#include "elements/cylinder.h"

#include <cmath>
#include <vector>

#include "elements/console.h"
#include "elements/element_texts.h"
#include "elements/triangle_prism.h"
#include "geometry/trigonometry.h"

namespace {
// pi to seven decimals; the discretisation's angles (and so every stored result) depend on it.
constexpr double kPi7 = 3.1415926;

double angleOf(int i, int segmentCount) {
  return (2 * i) * kPi7 / segmentCount;
}

// The cosines and sines of the angles of points 0 .. n of a circle of n segments, for the last n
// asked for on this thread. The cylinders of a body mostly share their n, and the library's sine
// and cosine cost more than the rest of a circle point: a body of many cylinders is split every
// time the plain evaluation cuts it, and measured, checked and prepared on reading.
class CircleAngles {
 public:
  // Whether point i of a circle of n segments is in the table, filled for n when it was not.
  bool take(int i, int n, double& c, double& s) {
    if (n <= 0 || i < 0 || i > n || n > kLargest)
      return false;
    if (n != n_) {
      cosines_.resize(static_cast<std::size_t>(n) + 1);
      sines_.resize(static_cast<std::size_t>(n) + 1);
      for (int k = 0; k <= n; ++k) {
        cosines_[static_cast<std::size_t>(k)] = cosine(angleOf(k, n));
        sines_[static_cast<std::size_t>(k)] = sine(angleOf(k, n));
      }
      n_ = n;
    }
    c = cosines_[static_cast<std::size_t>(i)];
    s = sines_[static_cast<std::size_t>(i)];
    return true;
  }

 private:
  static constexpr int kLargest = 1 << 16;  // a finer circle computes its angles as it goes
  int n_ = 0;
  std::vector<double> cosines_, sines_;
};

// Calls visit(i, corners) for each sector i of the cylinder with the six corners of its prism, in
// the prism's numbering: the axis start, the sector's two circle points, the axis end, and the
// same circle points moved along the axis (the far circle is the near one moved).
template <typename Visit>
void forEachSectorPrism(const Cylinder& c, Visit visit) {
  const Vec3 h = c.axisEnd - c.axisStart;
  Vec3 ci = c.circlePoint(0);
  for (int i = 0; i < c.segmentCount; ++i) {
    const Vec3 ci1 = c.circlePoint(i + 1);
    const Vec3 corners[TrianglePrism::kVertexCount] = {c.axisStart, ci,     ci1,
                                                       c.axisEnd,   ci + h, ci1 + h};
    visit(i, corners);
    ci = ci1;
  }
}

}  // namespace

Vec3 Cylinder::circlePoint(int i) const {
  const Vec3& P = axisStart;
  const double R = radius;
  const Vec3 axis = axisEnd - axisStart;
  const double L = axis.length();
  const double ux = axis.x / L;
  const double uy = axis.y / L;
  const double uz = axis.z / L;
  const double m = std::sqrt(uy * uy + uz * uz);
  thread_local CircleAngles angles;
  double c, s;
  if (!angles.take(i, segmentCount, c, s)) {
    c = cosine(angleOf(i, segmentCount));
    s = sine(angleOf(i, segmentCount));
  }
  if (std::fabs(uy) < 1e-10 && std::fabs(uz) < 1e-10) {
    // Axis along x (either direction): the circle lies in the y-z plane.
    return Vec3(P.x, P.y + R * s, P.z - R * c);
  }
  // P + R*(cos t * e1 + sin t * e2) with e1 = (m, -ux*uy/m, -ux*uz/m), e2 = (0, uz/m, -uy/m),
  // written out term by term; the vector form would round differently.
  return Vec3(P.x + R * m * c, P.y + R * (uz * s - ux * uy * c) / m,
              P.z - R * (ux * uz * c + uy * s) / m);
}

void Cylinder::splitIntoTetrahedra(Tetrahedron* out, int count) {
  if (count % 3 != 0 || count < 9)
    console::reportAndWait(elementTexts().cylinderSplitCount);
  segmentCount = count / 3;
  TrianglePrism sector;
  forEachSectorPrism(*this, [&](int i, const Vec3(&corners)[TrianglePrism::kVertexCount]) {
    sector.setVertices(corners, TrianglePrism::kVertexCount);
    sector.splitIntoTetrahedra(out + 3 * i, TrianglePrism::kTetrahedronCount);
  });
}

BoundingBox Cylinder::boundingBox() {
  BoundingBox box = BoundingBox::empty();
  if (segmentCount < 3)
    segmentCount = 3;
  // The box of the split's tetrahedra merged in split order: the same points in the same order
  // as splitting the cylinder into an array of them, so that the same minimum wins among equal
  // ones (zeros of either sign), without the array.
  forEachSectorPrism(*this, [&box](int, const Vec3(&corners)[TrianglePrism::kVertexCount]) {
    for (const int* t : TrianglePrism::kSplit)
      box.include(
          Tetrahedron(corners[t[0]], corners[t[1]], corners[t[2]], corners[t[3]]).boundingBox());
  });
  return box;
}
