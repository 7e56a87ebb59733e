#include "elements/cylinder.h"

#include <cmath>
#include <initializer_list>
#include <type_traits>

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
// time the plain evaluation cuts it, and measured, checked and prepared on reading. The table is
// a fixed array, not a vector: a thread-local object with a destructor is destroyed when its
// thread ends, and the Windows build frees a thread's thread-local storage before that.
class CircleAngles {
 public:
  // Whether point i of a circle of n segments is in the table, filled for n when it was not.
  bool take(int i, int n, double& c, double& s) {
    if (n <= 0 || i < 0 || i > n || n > kLargest)
      return false;
    if (n != n_) {
      for (int k = 0; k <= n; ++k) {
        cosines_[k] = cosine(angleOf(k, n));
        sines_[k] = sine(angleOf(k, n));
      }
      n_ = n;
    }
    c = cosines_[i];
    s = sines_[i];
    return true;
  }

 private:
  static constexpr int kLargest = 1024;  // a finer circle computes its angles as it goes
  int n_ = 0;
  double cosines_[kLargest + 1] = {};
  double sines_[kLargest + 1] = {};
};
static_assert(std::is_trivially_destructible<CircleAngles>::value,
              "kept in thread-local storage, which must need no destructor");

// The cylinder's circle about its axis start: the axis's unit vector and the parts of the point
// formula that do not depend on the angle, worked out once for all of a circle's points.
struct CircleFrame {
  Vec3 P;
  double R, ux, uy, uz, m;
  bool alongX;  // the axis along x (either direction): the circle lies in the y-z plane

  explicit CircleFrame(const Cylinder& cylinder) : P(cylinder.axisStart), R(cylinder.radius) {
    const Vec3 axis = cylinder.axisEnd - cylinder.axisStart;
    const double L = axis.length();
    ux = axis.x / L;
    uy = axis.y / L;
    uz = axis.z / L;
    m = std::sqrt(uy * uy + uz * uz);
    alongX = std::fabs(uy) < 1e-10 && std::fabs(uz) < 1e-10;
  }

  // Point i of a circle of n segments.
  Vec3 point(int i, int n) const {
    thread_local CircleAngles angles;
    double c, s;
    if (!angles.take(i, n, c, s)) {
      c = cosine(angleOf(i, n));
      s = sine(angleOf(i, n));
    }
    if (alongX)
      return Vec3(P.x, P.y + R * s, P.z - R * c);
    // P + R*(cos t * e1 + sin t * e2) with e1 = (m, -ux*uy/m, -ux*uz/m), e2 = (0, uz/m, -uy/m),
    // written out term by term; the vector form would round differently.
    return Vec3(P.x + R * m * c, P.y + R * (uz * s - ux * uy * c) / m,
                P.z - R * (ux * uz * c + uy * s) / m);
  }
};

// Calls visit(i, corners) for each sector i of the cylinder with the six corners of its prism, in
// the prism's numbering: the axis start, the sector's two circle points, the axis end, and the
// same circle points moved along the axis (the far circle is the near one moved).
template <typename Visit>
void forEachSectorPrism(const Cylinder& c, Visit visit) {
  const Vec3 h = c.axisEnd - c.axisStart;
  const CircleFrame frame(c);
  Vec3 ci = frame.point(0, c.segmentCount);
  for (int i = 0; i < c.segmentCount; ++i) {
    const Vec3 ci1 = frame.point(i + 1, c.segmentCount);
    const Vec3 corners[TrianglePrism::kVertexCount] = {c.axisStart, ci,     ci1,
                                                       c.axisEnd,   ci + h, ci1 + h};
    visit(i, corners);
    ci = ci1;
  }
}

}  // namespace

Vec3 Cylinder::circlePoint(int i) const {
  return CircleFrame(*this).point(i, segmentCount);
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
  // The box of the split's tetrahedra merged in split order, without the array. Each
  // tetrahedron's box is its first vertex's widened by the other three, as
  // Tetrahedron::boundingBox forms it, and the merge keeps the first of equal minima (zeros of
  // either sign). So while no corner is NaN, the merged box is the corners' own box taken in the
  // order the split first names them (0, 1, 2, 4, 3, 5): a corner named again, here or in an
  // earlier sector (the axis ends, the sector's first circle point and the one above it, the same
  // bits as the last sector's second ones), equals one already taken and changes nothing. A NaN
  // corner drops the rest of any tetrahedron it comes first in, so such a sector takes the
  // tetrahedra one by one; the corners it names again are taken there all the same.
  forEachSectorPrism(*this, [&box](int i, const Vec3(&corners)[TrianglePrism::kVertexCount]) {
    bool numbers = true;
    for (const Vec3& p : corners)
      numbers = numbers && !(std::isnan(p.x) || std::isnan(p.y) || std::isnan(p.z));
    if (!numbers) {
      for (const int* t : TrianglePrism::kSplit) {
        BoundingBox tetrahedron = BoundingBox::ofPoint(corners[t[0]]);
        for (int k = 1; k < 4; ++k)
          tetrahedron.include(corners[t[k]]);
        box.include(tetrahedron);
      }
      return;
    }
    if (i == 0) {
      for (const int k : {0, 1, 2, 4, 3})
        box.include(corners[k]);
    }
    box.include(corners[2]);
    box.include(corners[5]);
  });
  return box;
}
