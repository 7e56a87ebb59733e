#include "elements/triangle_prism.h"

#include "elements/fixed_split.h"

void TrianglePrism::setVertices(const Vec3* points, int count) {
  fixed_split::setVertices(*this, points, count, &ElementTexts::prismVertexCount);
}

void TrianglePrism::splitIntoTetrahedra(Tetrahedron* out, int count) const {
  fixed_split::split(*this, out, count, &ElementTexts::prismSplitCount);
}

BoundingBox TrianglePrism::boundingBox() const {
  return fixed_split::boxOf(*this);
}
