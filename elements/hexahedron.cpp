#include "elements/hexahedron.h"

#include "elements/fixed_split.h"

void Hexahedron::setVertices(const Vec3* points, int count) {
  fixed_split::setVertices(*this, points, count,
                           "the number of the vetexes of the hexahedron must be EIGHT ! ");
}

void Hexahedron::splitIntoTetrahedra(Tetrahedron* out, int count) const {
  fixed_split::split(*this, out, count,
                     "the number of the water tetrahedra which are disassembled from the "
                     "hexahedron must be FIVE! ");
}

BoundingBox Hexahedron::boundingBox() const {
  return fixed_split::boxOf(*this);
}
