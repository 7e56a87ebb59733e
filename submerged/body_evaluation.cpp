#include <cmath>

#include "elements/floating_body.h"

namespace {

// Visits every element in the evaluation order: tetrahedra, cylinders, hexahedra, prisms (not the
// declaration order of the body), each kind in array order.
template <typename Visit>
void forEachElementInEvaluationOrder(FloatingBody& body, Visit&& visit) {
  for (int i = 0; i < body.tetrahedronCount; ++i)
    visit(body.tetrahedra[i]);
  for (int i = 0; i < body.cylinderCount; ++i)
    visit(body.cylinders[i]);
  for (int i = 0; i < body.hexahedronCount; ++i)
    visit(body.hexahedra[i]);
  for (int i = 0; i < body.prismCount; ++i)
    visit(body.prisms[i]);
}

}  // namespace

double FloatingBody::computeSubmergedVolume(Plane plane) {
  double volume = 0;
  forEachElementInEvaluationOrder(*this, [&](auto& element) {
    element.cutByWaterPlane(plane);
    volume = volume + element.submergedVolume;
  });
  return volume;
}

void FloatingBody::computeBuoyancy(double& volume, Vec3& centre, Plane plane) {
  double total = 0;
  Vec3 moment(0, 0, 0);
  forEachElementInEvaluationOrder(*this, [&](auto& element) {
    element.cutByWaterPlane(plane);
    const double v = element.submergedVolume;
    total = total + v;
    moment = element.getSubmergedCentroid() * v + moment;
  });
  volume = total;
  centre = total == 0 ? Vec3(0, 0, 0) : moment / total;
}
