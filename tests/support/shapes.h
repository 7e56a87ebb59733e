#pragma once

// Elements and bodies used by several test suites.

#include <memory>
#include <vector>

#include "elements/cylinder.h"
#include "elements/floating_body.h"
#include "elements/hexahedron.h"
#include "elements/tetrahedron.h"
#include "elements/triangle_prism.h"
#include "support/test_support.h"

namespace test_support {

// The axis-parallel box [o, o + (a, b, c)] in the hexahedron numbering: p0..p3 around the bottom
// face, p4..p7 above them.
inline Hexahedron boxHexahedron(const Vec3& o, double a, double b, double c) {
  const Vec3 p[8] = {o,
                     o + Vec3(a, 0, 0),
                     o + Vec3(a, b, 0),
                     o + Vec3(0, b, 0),
                     o + Vec3(0, 0, c),
                     o + Vec3(a, 0, c),
                     o + Vec3(a, b, c),
                     o + Vec3(0, b, c)};
  Hexahedron h;
  h.setVertices(p, 8);
  return h;
}

inline Hexahedron unitCube() {
  return boxHexahedron(Vec3(0, 0, 0), 1, 1, 1);
}

// The unit right prism on the triangle (0,0,0), (1,0,0), (0,1,0), shifted by o.
inline TrianglePrism unitPrism(const Vec3& o = Vec3(0, 0, 0)) {
  const Vec3 p[6] = {o,
                     o + Vec3(1, 0, 0),
                     o + Vec3(0, 1, 0),
                     o + Vec3(0, 0, 1),
                     o + Vec3(1, 0, 1),
                     o + Vec3(0, 1, 1)};
  TrianglePrism prism;
  prism.setVertices(p, 6);
  return prism;
}

inline Tetrahedron randomTetrahedron(Random& random, double lo, double hi) {
  return Tetrahedron(random.point(lo, hi), random.point(lo, hi), random.point(lo, hi),
                     random.point(lo, hi));
}

// A hexahedron with the right numbering but warped faces: every vertex of a box moved at random.
inline Hexahedron randomHexahedron(Random& random) {
  Hexahedron h = boxHexahedron(random.point(-1, 1), random.uniform(0.5, 2), random.uniform(0.5, 2),
                               random.uniform(0.5, 2));
  for (Vec3& v : h.vertices)
    v = v + random.point(-0.2, 0.2);
  return h;
}

inline TrianglePrism randomPrism(Random& random) {
  const Vec3 a = random.point(-1, 1), b = random.point(-1, 1), c = random.point(-1, 1);
  const Vec3 h = random.point(-1, 1);
  const Vec3 p[6] = {a, b, c, a + h, b + h + random.point(-0.1, 0.1), c + h};
  TrianglePrism prism;
  prism.setVertices(p, 6);
  return prism;
}

inline Cylinder randomCylinder(Random& random) {
  const Vec3 start = random.point(-1, 1);
  return Cylinder(start, start + random.unitVector() * random.uniform(0.3, 2),
                  random.uniform(0.2, 1));
}

template <typename T>
std::unique_ptr<T[]> toArray(const std::vector<T>& elements) {
  if (elements.empty())
    return nullptr;
  auto array = std::make_unique<T[]>(elements.size());
  for (size_t i = 0; i < elements.size(); ++i)
    array[i] = elements[i];
  return array;
}

// Fills an empty body the way the reader does: one array per kind, present only when not empty.
inline void fillBody(FloatingBody& body, const std::vector<Tetrahedron>& tetrahedra,
                     const std::vector<Hexahedron>& hexahedra,
                     const std::vector<TrianglePrism>& prisms,
                     const std::vector<Cylinder>& cylinders) {
  body.tetrahedronCount = static_cast<int>(tetrahedra.size());
  body.hexahedronCount = static_cast<int>(hexahedra.size());
  body.prismCount = static_cast<int>(prisms.size());
  body.cylinderCount = static_cast<int>(cylinders.size());
  body.tetrahedra = toArray(tetrahedra);
  body.hexahedra = toArray(hexahedra);
  body.prisms = toArray(prisms);
  body.cylinders = toArray(cylinders);
}

// A body made of one hexahedron filling the axis-parallel box lo..hi, with its bounds computed.
// Its corners are the given coordinates themselves (no lo + size rounding).
inline void makeBox(FloatingBody& body, const Vec3& lo, const Vec3& hi) {
  const Vec3 p[8] = {Vec3(lo.x, lo.y, lo.z), Vec3(hi.x, lo.y, lo.z), Vec3(hi.x, hi.y, lo.z),
                     Vec3(lo.x, hi.y, lo.z), Vec3(lo.x, lo.y, hi.z), Vec3(hi.x, lo.y, hi.z),
                     Vec3(hi.x, hi.y, hi.z), Vec3(lo.x, hi.y, hi.z)};
  Hexahedron box;
  box.setVertices(p, 8);
  fillBody(body, {}, {box}, {}, {});
  body.boundingBox();
}

// The box o .. o + size meshed into nx * ny * nz equal hexahedra whose corners are the grid points
// o + (i dx, j dy, k dz), so neighbours share their corners exactly; with its bounds computed.
inline void makeMeshedBox(FloatingBody& body, const Vec3& o, const Vec3& size, int nx, int ny,
                          int nz) {
  const auto corner = [&](int i, int j, int k) {
    return o + Vec3(i * (size.x / nx), j * (size.y / ny), k * (size.z / nz));
  };
  std::vector<Hexahedron> cells;
  for (int i = 0; i < nx; ++i) {
    for (int j = 0; j < ny; ++j) {
      for (int k = 0; k < nz; ++k) {
        const Vec3 p[8] = {corner(i, j, k),
                           corner(i + 1, j, k),
                           corner(i + 1, j + 1, k),
                           corner(i, j + 1, k),
                           corner(i, j, k + 1),
                           corner(i + 1, j, k + 1),
                           corner(i + 1, j + 1, k + 1),
                           corner(i, j + 1, k + 1)};
        cells.emplace_back();
        cells.back().setVertices(p, 8);
      }
    }
  }
  fillBody(body, {}, cells, {}, {});
  body.boundingBox();
}

}  // namespace test_support
