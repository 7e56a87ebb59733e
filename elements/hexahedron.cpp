#include "elements/hexahedron.h"

#include "elements/fixed_split.h"

void Hexahedron::setVertices(const Vec3* points, int count) {
  fixed_split::setVertices(*this, points, count, &ElementTexts::hexahedronVertexCount);
}

void Hexahedron::splitIntoTetrahedra(Tetrahedron* out, int count) const {
  fixed_split::split(*this, out, count, &ElementTexts::hexahedronSplitCount);
}

BoundingBox Hexahedron::boundingBox() const {
  return fixed_split::boxOf(*this);
}
