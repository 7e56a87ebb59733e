#include "elements/tetrahedron.h"

#include <cmath>

double Tetrahedron::volume() const {
  const Vec3 a = vertices[1] - vertices[0];
  const Vec3 b = vertices[2] - vertices[0];
  const Vec3 c = vertices[3] - vertices[0];
  return std::fabs(a.dot(b.cross(c))) / 6;
}

Vec3 Tetrahedron::centroid() const {
  return (vertices[0] + vertices[1] + vertices[2] + vertices[3]) * 0.25;
}

BoundingBox Tetrahedron::boundingBox() const {
  BoundingBox box = BoundingBox::ofPoint(vertices[0]);
  for (int i = 1; i < 4; ++i)
    box.include(vertices[i]);
  return box;
}
