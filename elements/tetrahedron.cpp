#include "elements/tetrahedron.h"

BoundingBox Tetrahedron::boundingBox() const {
  BoundingBox box = BoundingBox::ofPoint(vertices[0]);
  for (int i = 1; i < 4; ++i)
    box.include(vertices[i]);
  return box;
}
