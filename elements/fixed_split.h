#pragma once

#include "elements/console.h"
#include "elements/element_texts.h"
#include "elements/tetrahedron.h"
#include "geometry/bounding_box.h"
#include "geometry/vec3.h"

// What the hexahedron and the triangle prism share: a fixed number of vertices and a fixed split
// into water tetrahedra given by the element's kSplit table. Only the counts, the table and the
// fault messages differ. A fault message is named by its place in the texts table and looked up
// only when the fault happens.
namespace fixed_split {

// Copies points[0 .. kVertexCount - 1] into the element; any other count reports the fault and
// changes nothing.
template <class Element>
void setVertices(Element& element, const Vec3* points, int count,
                 const char* ElementTexts::*wrongCountMessage) {
  if (count != Element::kVertexCount) {
    console::reportAndWait(elementTexts().*wrongCountMessage);
    return;
  }
  for (int i = 0; i < Element::kVertexCount; ++i)
    element.vertices[i] = points[i];
}

// Fills out[0 .. kTetrahedronCount - 1] by the split table; any other count reports the fault and
// writes nothing.
template <class Element>
void split(const Element& element, Tetrahedron* out, int count,
           const char* ElementTexts::*wrongCountMessage) {
  if (count != Element::kTetrahedronCount) {
    console::reportAndWait(elementTexts().*wrongCountMessage);
    return;
  }
  for (int t = 0; t < Element::kTetrahedronCount; ++t) {
    const int* v = Element::kSplit[t];
    const Vec3* p = element.vertices;
    out[t].setVertices(p[v[0]], p[v[1]], p[v[2]], p[v[3]]);
  }
}

template <class Element>
BoundingBox boxOf(const Element& element) {
  BoundingBox box = BoundingBox::ofPoint(element.vertices[0]);
  for (int i = 1; i < Element::kVertexCount; ++i)
    box.include(element.vertices[i]);
  return box;
}

}  // namespace fixed_split
