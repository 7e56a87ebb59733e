#include "geometry/bounding_box.h"

#include <cmath>

double BoundingBox::diagonal() const {
  const double dx = xMax - xMin;
  const double dy = yMax - yMin;
  const double dz = zMax - zMin;
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}
