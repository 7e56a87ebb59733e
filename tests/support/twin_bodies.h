#pragma once

// Bodies made twice, once of solid elements and once as the closed surface of the same solid, for
// the tests that compare the surface evaluation with the element evaluation.

#include <ostream>
#include <string>
#include <vector>

#include "elements/floating_body.h"
#include "support/shapes.h"
#include "support/surfaces.h"

namespace test_support {

struct TwinBodies {
  std::string name;
  void (*fill)(FloatingBody& elements, FloatingBody& surface);
  double V;  // a displacement volume and a centre of gravity that float it stably
  Vec3 G;
};

// Names the case in the test output instead of dumping its bytes.
inline void PrintTo(const TwinBodies& twins, std::ostream* out) {
  *out << twins.name;
}

inline void fillBox(FloatingBody& elements, FloatingBody& surface) {
  fillBody(elements, {}, {boxHexahedron(Vec3(0, 0, 0), 4, 2, 1.5)}, {}, {});
  elements.boundingBox();
  surface.surface = surfaces::boxSurface(Vec3(0, 0, 0), 4, 2, 1.5);
  surface.boundingBox();
}

inline void fillCylinder(FloatingBody& elements, FloatingBody& surface) {
  const Cylinder spar(Vec3(0.5, -0.25, 0), Vec3(0.5, -0.25, 3), 1);
  fillBody(elements, {}, {}, {}, {spar});
  elements.boundingBox();
  surface.surface = surfaces::cylinderSurface(spar);
  surface.boundingBox();
}

// A block of 3 x 2 x 2 unit cubes, each split into six tetrahedra.
inline void fillTetrahedralMesh(FloatingBody& elements, FloatingBody& surface) {
  std::vector<Tetrahedron> tetrahedra;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 2; ++j) {
      for (int k = 0; k < 2; ++k)
        surfaces::addCubeTetrahedra(tetrahedra, Vec3(i, j, k), 1);
    }
  }
  fillBody(elements, tetrahedra, {}, {}, {});
  elements.boundingBox();
  surface.surface = surfaces::tetrahedraBoundary(tetrahedra);
  surface.boundingBox();
}

inline std::vector<TwinBodies> twinBodies() {
  return {{"box", fillBox, 4, Vec3(2.3, 1.1, 0.4)},
          {"cylinder", fillCylinder, 3.5, Vec3(0.6, -0.2, 0.5)},
          {"tetrahedral_mesh", fillTetrahedralMesh, 5, Vec3(1.6, 0.9, 0.5)}};
}

}  // namespace test_support
