#include "submerged/body_evaluation.h"

#include "submerged/cut_sum.h"
#include "submerged/surface_evaluation.h"

namespace {

// The surface body's evaluation set to the plane's normal.
SurfaceEvaluation& surfaceEvaluationFor(FloatingBody& body, const Plane& plane) {
  SurfaceEvaluation& evaluation = surfaceEvaluationOf(body);
  evaluation.setNormal(plane.A, plane.B, plane.C);
  return evaluation;
}

}  // namespace

double FloatingBody::computeSubmergedVolume(Plane plane) {
  if (!surface.empty())
    return surfaceEvaluationFor(*this, plane).submergedVolume(plane.D);
  double volume = 0;
  forEachElement(*this, [&](auto& element) {
    element.cutByWaterPlane(plane);
    volume = volume + element.submergedVolume;
  });
  return volume;
}

void FloatingBody::computeBuoyancy(double& volume, Vec3& centre, Plane plane) {
  if (!surface.empty()) {
    surfaceEvaluationFor(*this, plane).buoyancy(volume, centre, plane);
    return;
  }
  CutSum sum;
  forEachElement(*this, [&](auto& element) {
    element.cutByWaterPlane(plane);
    sum.add(element.submergedVolume, element.getSubmergedCentroid());
  });
  volume = sum.volume;
  centre = sum.volume == 0 ? Vec3(0, 0, 0) : sum.moment / sum.volume;
}
