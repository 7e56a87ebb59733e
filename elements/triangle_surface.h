#pragma once

#include <cstdint>
#include <vector>

#include "geometry/bounding_box.h"
#include "geometry/vec3.h"

// A closed surface of triangles that bounds the body's solid: the body as an engineer's hull mesh
// rather than as solid elements. Each triangle lists three indices into `vertices`, in counter-
// clockwise order seen from outside the solid, so that (b - a) x (c - a) points out of it. Two
// triangles that share an edge share its two vertex indices and run along it in opposite
// directions; every edge belongs to exactly two triangles. The readers and the checks of app/
// establish this before a surface becomes part of a body.
struct TriangleSurface {
  struct Triangle {
    std::uint32_t v[3];
  };

  std::vector<Vec3> vertices;
  std::vector<Triangle> triangles;

  bool empty() const { return triangles.empty(); }
  // The box of the vertices that triangles use (the empty box when there are none).
  BoundingBox boundingBox() const;
  // Reverses every triangle (b and c exchanged): outward becomes inward and vice versa.
  void turnInsideOut();
};
