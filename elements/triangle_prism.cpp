#include "elements/triangle_prism.h"

#include "elements/fixed_split.h"

void TrianglePrism::setVertices(const Vec3* points, int count) {
  fixed_split::setVertices(*this, points, count,
                           "the number of the vetexes of the triangle prism must be SIX ! ");
}

void TrianglePrism::splitIntoTetrahedra(Tetrahedron* out, int count) const {
  fixed_split::split(*this, out, count,
                     "the number of the tetrahedra which are disassembled from the triangle "
                     "prism must be THREE! ");
}

BoundingBox TrianglePrism::boundingBox() const {
  return fixed_split::boxOf(*this);
}
