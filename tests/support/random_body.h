#pragma once

// Random bodies of all four element kinds for the tests that compare two evaluation paths.

#include <memory>

#include "elements/floating_body.h"
#include "support/test_support.h"

namespace test_support {

// Fills an empty body with the given numbers of random elements around the origin (extent about
// 10): tetrahedra with arbitrary vertices, hexahedra as boxes with jittered (warped) corners,
// prisms with arbitrary vertices, and cylinders with random axes and radii, every tenth one along
// the x axis. Computes the bounds.
inline void fillRandomBody(FloatingBody& body, Random& random, int tetrahedra, int hexahedra,
                           int prisms, int cylinders) {
  body.tetrahedronCount = tetrahedra;
  body.tetrahedra = std::make_unique<Tetrahedron[]>(static_cast<size_t>(tetrahedra));
  for (int i = 0; i < tetrahedra; ++i) {
    const Vec3 o = random.point(-8, 8);
    body.tetrahedra[i] = Tetrahedron(o + random.point(-2, 2), o + random.point(-2, 2),
                                     o + random.point(-2, 2), o + random.point(-2, 2));
  }
  body.hexahedronCount = hexahedra;
  body.hexahedra = std::make_unique<Hexahedron[]>(static_cast<size_t>(hexahedra));
  for (int i = 0; i < hexahedra; ++i) {
    const Vec3 o = random.point(-8, 8);
    const double a = random.uniform(0.5, 3), b = random.uniform(0.5, 3), c = random.uniform(0.5, 3);
    const Vec3 corner[8] = {Vec3(0, 0, 0), Vec3(a, 0, 0), Vec3(a, b, 0), Vec3(0, b, 0),
                            Vec3(0, 0, c), Vec3(a, 0, c), Vec3(a, b, c), Vec3(0, b, c)};
    Vec3 p[8];
    for (int k = 0; k < 8; ++k)
      p[k] = o + corner[k] + random.point(-0.2, 0.2);
    body.hexahedra[i].setVertices(p, 8);
  }
  body.prismCount = prisms;
  body.prisms = std::make_unique<TrianglePrism[]>(static_cast<size_t>(prisms));
  for (int i = 0; i < prisms; ++i) {
    const Vec3 o = random.point(-8, 8);
    const Vec3 h = random.point(-2, 2);
    const Vec3 a = o + random.point(-2, 2), b = o + random.point(-2, 2),
               c = o + random.point(-2, 2);
    const Vec3 p[6] = {a, b, c, a + h, b + h, c + h};
    body.prisms[i].setVertices(p, 6);
  }
  body.cylinderCount = cylinders;
  body.cylinders = std::make_unique<Cylinder[]>(static_cast<size_t>(cylinders));
  for (int i = 0; i < cylinders; ++i) {
    const Vec3 start = random.point(-8, 8);
    const Vec3 axis = i % 10 == 0 ? Vec3(random.uniform(-4, 4), 0, 0) : random.point(-4, 4);
    body.cylinders[i] = Cylinder(start, start + axis, random.uniform(0.2, 2));
  }
  body.boundingBox();
}

}  // namespace test_support
