#include "submerged/body_evaluation.h"

#include "submerged/cut_sum.h"

double FloatingBody::computeSubmergedVolume(Plane plane) {
  double volume = 0;
  forEachElement(*this, [&](auto& element) {
    element.cutByWaterPlane(plane);
    volume = volume + element.submergedVolume;
  });
  return volume;
}

void FloatingBody::computeBuoyancy(double& volume, Vec3& centre, Plane plane) {
  CutSum sum;
  forEachElement(*this, [&](auto& element) {
    element.cutByWaterPlane(plane);
    sum.add(element.submergedVolume, element.getSubmergedCentroid());
  });
  volume = sum.volume;
  centre = sum.volume == 0 ? Vec3(0, 0, 0) : sum.moment / sum.volume;
}
