#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

#include "elements/hexahedron.h"
#include "elements/tetrahedron.h"
#include "elements/triangle_prism.h"
#include "geometry/vec3.h"

// Whether a solid element is the solid its vertices seem to describe: its volume as the
// evaluation splits it against the volume its faces enclose, once with the faces split along the
// split's own diagonals and once along the others. The checks compare the three; the reader of a
// SET file measures them as it reads each element, while its vertices are at hand.
struct SplitVolumes {
  double split;           // the tetrahedra of the element's fixed split
  double enclosed;        // the faces, each quadrilateral split as the split splits it
  double otherDiagonals;  // the faces, each quadrilateral split along its other diagonal
};

// The three volumes of every hexahedron and prism a reading measured, in body order.
struct MeasuredSplits {
  std::vector<SplitVolumes> hexahedra, prisms;
};

namespace split_check {

// The faces of the solids as their numbering defines them, each running around the face; a
// triangle repeats its first vertex. Orientation is consistent over each solid (all outward or all
// inward), which the signed surface volume below relies on.
template <class Element>
struct Faces;
template <>
struct Faces<Hexahedron> {
  static constexpr int kCount = 6;
  static constexpr int kFaces[kCount][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4},
                                            {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}};
};
template <>
struct Faces<TrianglePrism> {
  static constexpr int kCount = 5;
  static constexpr int kFaces[kCount][4] = {
      {0, 2, 1, 0}, {3, 4, 5, 3}, {0, 1, 4, 3}, {1, 2, 5, 4}, {2, 0, 3, 5}};
};

inline double signedVolume(const Vec3& o, const Vec3& a, const Vec3& b, const Vec3& c) {
  return (a - o).dot((b - o).cross(c - o)) / 6;
}

// Whether the element's split cuts the quadrilateral face (a, b, c, d) along a-c (else b-d): some
// tetrahedron of the split holds both a and c.
template <class Element>
bool splitUsesFirstDiagonal(const int* face) {
  for (const int* t : Element::kSplit) {
    const int* end = t + 4;
    if (std::find(t, end, face[0]) != end && std::find(t, end, face[2]) != end)
      return true;
  }
  return false;
}

}  // namespace split_check

// Measures elements of one kind: the diagonals the kind's split takes on each face are worked out
// once, not per element.
template <class Element>
class SplitMeasure {
 public:
  using Faces = split_check::Faces<Element>;

  SplitMeasure() {
    for (int f = 0; f < Faces::kCount; ++f)
      firstDiagonal_[f] = split_check::splitUsesFirstDiagonal<Element>(Faces::kFaces[f]);
  }

  SplitVolumes operator()(const Element& e) const {
    return {splitVolume(e), surfaceVolume(e, true), surfaceVolume(e, false)};
  }

 private:
  static double splitVolume(const Element& element) {
    Tetrahedron parts[Element::kTetrahedronCount];
    element.splitIntoTetrahedra(parts, Element::kTetrahedronCount);
    double v = 0;
    for (const Tetrahedron& t : parts)
      v += t.volume();
    return v;
  }

  // The volume enclosed by the faces, by the divergence theorem, each quadrilateral split along
  // the diagonal its split uses (sameDiagonals) or along the other one. With the split's own
  // diagonals it equals the split's volume exactly when the split's tetrahedra fill the element
  // without overlap: a numbering that does not run around the faces (a "Z" order) makes them
  // differ. With the other diagonals it differs when a face is warped, so that the element's
  // volume depends on how it is split.
  double surfaceVolume(const Element& e, bool sameDiagonals) const {
    using split_check::signedVolume;
    const Vec3* p = e.vertices;
    double v = 0;
    for (int i = 0; i < Faces::kCount; ++i) {
      const int* f = Faces::kFaces[i];
      const Vec3 &a = p[f[0]], &b = p[f[1]], &c = p[f[2]], &d = p[f[3]];
      if (f[3] == f[0]) {
        v += signedVolume(p[0], a, b, c);
      } else if (firstDiagonal_[i] == sameDiagonals) {
        v += signedVolume(p[0], a, b, c) + signedVolume(p[0], a, c, d);
      } else {
        v += signedVolume(p[0], a, b, d) + signedVolume(p[0], b, c, d);
      }
    }
    return std::fabs(v);
  }

  bool firstDiagonal_[Faces::kCount];
};
