#include "submerged/buoyant_sum.h"

#include "submerged/fast_evaluation.h"
#include "submerged/surface_evaluation.h"

namespace {

void setPartNormal(FloatingBody& body, const Vec3& n) {
  if (!body.surface.empty()) {
    surfaceEvaluationOf(body).setNormal(n.x, n.y, n.z);
  } else if (body.fastEvaluation) {
    body.fastEvaluation->setNormal(n.x, n.y, n.z);
  }
}

double partVolume(FloatingBody& body, const Vec3& n, double D) {
  if (!body.surface.empty())
    return surfaceEvaluationOf(body).submergedVolume(D);
  if (body.fastEvaluation)
    return body.fastEvaluation->submergedVolume(D);
  return body.computeSubmergedVolume(Plane(n.x, n.y, n.z, D));
}

}  // namespace

void partBuoyancy(FloatingBody& body, const Plane& plane, double& volume, Vec3& centre) {
  if (!body.surface.empty()) {
    SurfaceEvaluation& surface = surfaceEvaluationOf(body);
    surface.setNormal(plane.A, plane.B, plane.C);
    surface.buoyancy(volume, centre, plane);
  } else if (body.fastEvaluation) {
    body.fastEvaluation->setNormal(plane.A, plane.B, plane.C);
    body.fastEvaluation->buoyancy(volume, centre, plane);
  } else {
    body.computeBuoyancy(volume, centre, plane);
  }
}

void BuoyantSum::setNormal(const Vec3& n) {
  normal_ = n;
  for (const Part& part : parts_)
    setPartNormal(*part.body, n);
}

double BuoyantSum::volume(double D) {
  double sum = 0;
  for (const Part& part : parts_)
    sum += part.weight * partVolume(*part.body, normal_, D);
  return sum;
}

void BuoyantSum::buoyancy(const Plane& plane, double& volume, Vec3& centre) {
  double sum = 0;
  Vec3 moment(0, 0, 0);
  for (const Part& part : parts_) {
    double v;
    Vec3 c;
    partBuoyancy(*part.body, plane, v, c);
    sum += part.weight * v;
    moment = moment + c * (part.weight * v);
  }
  volume = sum;
  centre = sum != 0 ? moment / sum : Vec3(0, 0, 0);
}

WaterplaneProperties BuoyantSum::waterplane(const Plane& plane) const {
  std::vector<WaterplaneProperties> sections;
  for (const Part& part : parts_)
    sections.push_back(computeWaterplane(*part.body, plane));
  WaterplaneProperties sum = sections.front();
  double area = 0;
  Vec3 moment(0, 0, 0);
  int crossed = 0;
  for (std::size_t k = 0; k < parts_.size(); ++k) {
    const double a = parts_[k].weight * sections[k].area;
    area += a;
    moment = moment + sections[k].centreOfFlotation * a;
    crossed += sections[k].crossedTetrahedronCount;
  }
  sum.area = area;
  sum.crossedTetrahedronCount = crossed;
  if (area > 0)
    sum.centreOfFlotation = moment / area;
  // Second moments about the sum's centre of flotation, by the parallel axes.
  const Vec3& F = sum.centreOfFlotation;
  sum.Iuu = sum.Ivv = sum.Iuv = 0;
  for (std::size_t k = 0; k < parts_.size(); ++k) {
    const WaterplaneProperties& s = sections[k];
    const double w = parts_[k].weight;
    const Vec3 d = s.centreOfFlotation - F;
    const double du = d.dot(sum.axisU), dv = d.dot(sum.axisV);
    sum.Iuu += w * (s.Iuu + s.area * dv * dv);
    sum.Ivv += w * (s.Ivv + s.area * du * du);
    sum.Iuv += w * (s.Iuv + s.area * du * dv);
  }
  return sum;
}
