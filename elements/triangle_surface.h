#pragma once

#include <cstdint>
#include <vector>

#include "geometry/bounding_box.h"
#include "geometry/plane.h"
#include "geometry/vec3.h"

// A surface of triangles that bounds the body's solid: the body as an engineer's hull mesh rather
// than as solid elements. Each triangle lists three indices into `vertices`, in counter-clockwise
// order seen from outside the solid, so that (b - a) x (c - a) points out of it. Two triangles
// that share an edge share its two vertex indices and run along it in opposite directions; every
// edge belongs to exactly two triangles, except the open edges of a surface that is open (a hull
// open at its deck), which belong to one triangle each. The readers and the checks of app/
// establish this before a surface becomes part of a body.
//
// An open surface bounds a solid only together with the water: below a plane that lies below
// every open edge, its triangles and the plane's section close a solid as a closed surface's do,
// so every evaluation below such a plane is exact. Above the lowest open point the water would
// pour in; no plane there describes the body.
struct TriangleSurface {
  struct Triangle {
    std::uint32_t v[3];
  };

  std::vector<Vec3> vertices;
  std::vector<Triangle> triangles;
  // The open edges as closed loops of vertex indices, each edge run in the direction of its one
  // triangle (loop[i] to loop[i + 1], the last back to the first). Empty for a closed surface.
  std::vector<std::vector<std::uint32_t>> openings;

  bool empty() const { return triangles.empty(); }
  bool isOpen() const { return !openings.empty(); }
  // The box of the vertices that triangles use (the empty box when there are none).
  BoundingBox boundingBox() const;
  // Reverses every triangle (b and c exchanged), and so every opening: outward becomes inward and
  // vice versa.
  void turnInsideOut();
  // The point of the openings that lies lowest along the direction n (the first one among equally
  // low points); false for a closed surface. A plane of normal n reaches the opening when this
  // point lies on or below it.
  bool lowestOpenPoint(const Vec3& n, Vec3& point) const;
  // Six times the volume the surface encloses, each opening closed by the fan of triangles from
  // the mean of its points, summed as tetrahedra from the centre of the box; and the sum of the
  // tetrahedra's magnitudes. Exact for a closed surface and for plane openings; otherwise the
  // volume up to the fans.
  void enclosedVolume(double& sixTimes, double& magnitude) const;
};

// Thrown by the solvers when a water plane they need reaches the lowest point of a surface's
// opening (TriangleSurface::lowestOpenPoint): the body would fill through it, and no plane of that
// attitude or deeper describes it.
struct WaterReachesOpening {
  Vec3 point;  // the opening's lowest point along the plane's normal
};

// For an evaluation at a plane given as it is (a table at fixed drafts, say): throws
// WaterReachesOpening when the plane reaches the surface's opening, its lowest point along the
// plane's normal lying on or below the plane. Nothing for a closed surface or a plane that is not
// a number.
void requireWaterBelowOpenings(const TriangleSurface& surface, const Plane& plane);
