#include "geometry/vec3.h"

#include <cmath>

double Vec3::length() const {
  return std::sqrt(x * x + y * y + z * z);
}

void Vec3::normalize() {
  const double len = length();
  x = x / len;
  y = y / len;
  z = z / len;
}

bool isFinite(const Vec3& p) {
  return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}
