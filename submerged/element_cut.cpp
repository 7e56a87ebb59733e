#include "submerged/element_cut.h"

#include <vector>

#include "elements/cylinder.h"
#include "elements/hexahedron.h"
#include "elements/triangle_prism.h"
#include "submerged/cut_sum.h"

SubmergedPart cutWaterTetrahedra(Tetrahedron* tetrahedra, int n, const Plane& plane,
                                 const Vec3& fallback) {
  CutSum sum;
  for (int i = 0; i < n; ++i) {
    Tetrahedron& t = tetrahedra[i];
    t.waterPlane = plane;
    t.computeSubmergedPart();
    sum.add(t.submergedVolume, t.getSubmergedCentroid());
  }
  return SubmergedPart{sum.volume, sum.elementCentroid(fallback)};
}

namespace {

// Hexahedra and prisms keep their water tetrahedra in a fixed local array; the fallback point of
// a vanishing submerged part is their first vertex.
template <typename Element>
void cutFixedSplit(Element& element, const Plane& plane) {
  element.waterPlane = plane;
  Tetrahedron parts[Element::kTetrahedronCount];
  element.splitIntoTetrahedra(parts, Element::kTetrahedronCount);
  const SubmergedPart cut = cutWaterTetrahedra(parts, Element::kTetrahedronCount,
                                               element.waterPlane, element.vertices[0]);
  element.submergedVolume = cut.volume;
  element.submergedCentroid = cut.centroid;
}

}  // namespace

void Hexahedron::cutByWaterPlane(Plane plane) {
  cutFixedSplit(*this, plane);
}

void TrianglePrism::cutByWaterPlane(Plane plane) {
  cutFixedSplit(*this, plane);
}

void Cylinder::cutByWaterPlane(Plane plane) {
  waterPlane = plane;
  // The reference evaluation rebuilds the discretisation for every cut; the fast evaluation
  // keeps it instead.
  const int n = 3 * segmentCount;
  std::vector<Tetrahedron> parts(static_cast<size_t>(n > 0 ? n : 0));
  splitIntoTetrahedra(parts.data(), n);
  const SubmergedPart cut = cutWaterTetrahedra(parts.data(), n, waterPlane, axisStart);
  submergedVolume = cut.volume;
  submergedCentroid = cut.centroid;
}
