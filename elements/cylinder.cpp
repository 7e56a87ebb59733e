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
  const double theta = (2 * i) * kPi7 / segmentCount;
  const double c = cosine(theta);
  const double s = sine(theta);
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
  const Vec3 h = axisEnd - axisStart;
  TrianglePrism sector;
  for (int i = 0; i < segmentCount; ++i) {
    const Vec3 ci = circlePoint(i);
    const Vec3 ci1 = circlePoint(i + 1);
    // The far circle is the near circle moved along the axis.
    const Vec3 points[TrianglePrism::kVertexCount] = {axisStart, ci, ci1, axisEnd, ci + h, ci1 + h};
    sector.setVertices(points, TrianglePrism::kVertexCount);
    sector.splitIntoTetrahedra(out + 3 * i, TrianglePrism::kTetrahedronCount);
  }
}

BoundingBox Cylinder::boundingBox() {
  BoundingBox box = BoundingBox::empty();
  if (segmentCount < 3)
    segmentCount = 3;
  const int n = 3 * segmentCount;
  std::vector<Tetrahedron> tetrahedra(static_cast<size_t>(n));
  splitIntoTetrahedra(tetrahedra.data(), n);
  for (const Tetrahedron& t : tetrahedra)
    box.include(t.boundingBox());
  return box;
}
