#include "elements/triangle_prism.h"

#include "elements/console_check.h"

void TrianglePrism::setVertices(const Vec3* points, int count) {
  if (count != kVertexCount) {
    reportAndWait("the number of the vetexes of the triangle prism must be SIX ! ");
    return;
  }
  for (int i = 0; i < kVertexCount; ++i)
    vertices[i] = points[i];
}

void TrianglePrism::splitIntoTetrahedra(Tetrahedron* out, int count) const {
  if (count != kTetrahedronCount) {
    reportAndWait(
        "the number of the tetrahedra which are disassembled from the triangle prism must be "
        "THREE! ");
    return;
  }
  for (int t = 0; t < kTetrahedronCount; ++t) {
    const int* v = kSplit[t];
    out[t].setVertices(vertices[v[0]], vertices[v[1]], vertices[v[2]], vertices[v[3]]);
  }
}

BoundingBox TrianglePrism::boundingBox() const {
  BoundingBox box = BoundingBox::ofPoint(vertices[0]);
  for (int i = 1; i < kVertexCount; ++i)
    box.include(vertices[i]);
  return box;
}
