#pragma once

#include "elements/floating_body.h"
#include "geometry/bounding_box.h"
#include "geometry/plane.h"

// The extent of the waterline: the box of the corners of the section of the body by a plane (the
// waterplane of submerged/waterplane.h). Every corner of that section is a point where the plane
// crosses an edge of a water tetrahedron (or, for a surface body, of a triangle) that has one end
// dry and the other on or below the plane, so the box of those crossing points is the box of the
// section: for the level plane z = T its x extent is the length of the waterline and its y extent
// the breadth. The tetrahedra and the dry test are those of the waterplane, so a body resting on
// the plane with its bottom face gets the box of that face. The empty box (BoundingBox::empty())
// when the plane crosses nothing. The body is left unchanged.
BoundingBox waterlineBounds(const FloatingBody& body, const Plane& plane);
