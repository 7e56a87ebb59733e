#include "elements/triangle_surface.h"

#include <utility>

BoundingBox TriangleSurface::boundingBox() const {
  BoundingBox box = BoundingBox::empty();
  for (const Triangle& t : triangles) {
    for (std::uint32_t i : t.v)
      box.include(vertices[i]);
  }
  return box;
}

void TriangleSurface::turnInsideOut() {
  for (Triangle& t : triangles)
    std::swap(t.v[1], t.v[2]);
}
