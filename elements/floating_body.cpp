#include "elements/floating_body.h"

BoundingBox FloatingBody::boundingBox() {
  // The merge keeps the smallest minimum and the largest maximum, whatever the visiting order.
  BoundingBox box = BoundingBox::empty();
  forEachElement(*this, [&box](auto& element) { box.include(element.boundingBox()); });
  box.include(surface.boundingBox());
  bounds = box;
  return box;
}
