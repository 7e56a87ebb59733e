#include "elements/floating_body.h"

BoundingBox FloatingBody::boundingBox() {
  BoundingBox box = BoundingBox::empty();
  for (int i = 0; i < tetrahedronCount; ++i)
    box.include(tetrahedra[i].boundingBox());
  for (int i = 0; i < hexahedronCount; ++i)
    box.include(hexahedra[i].boundingBox());
  for (int i = 0; i < prismCount; ++i)
    box.include(prisms[i].boundingBox());
  for (int i = 0; i < cylinderCount; ++i)
    box.include(cylinders[i].boundingBox());
  bounds = box;
  return box;
}
