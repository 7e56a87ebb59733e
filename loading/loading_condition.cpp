#include "loading/loading_condition.h"

#include "submerged/buoyant_sum.h"

std::unique_ptr<FloatingBody> boxSolid(double x1, double x2, double y1, double y2, double z1,
                                       double z2) {
  auto body = std::make_unique<FloatingBody>();
  // The corners as the hexahedron numbers them: the bottom face, then the top face above it.
  const Vec3 corners[Hexahedron::kVertexCount] = {
      Vec3(x1, y1, z1), Vec3(x2, y1, z1), Vec3(x2, y2, z1), Vec3(x1, y2, z1),
      Vec3(x1, y1, z2), Vec3(x2, y1, z2), Vec3(x2, y2, z2), Vec3(x1, y2, z2)};
  body->hexahedronCount = 1;
  body->hexahedra = std::make_unique<Hexahedron[]>(1);
  body->hexahedra[0].setVertices(corners, Hexahedron::kVertexCount);
  body->boundingBox();
  return body;
}

double prepareSolid(FloatingBody& solid, Vec3& centroid) {
  solid.boundingBox();
  solid.prepareFastEvaluation(1);
  // A plane at the top of the box leaves every element, and the whole surface, below it.
  double volume;
  partBuoyancy(solid, Plane(0, 0, 1, -solid.bounds.zMax), volume, centroid);
  return volume;
}

double tankCapacity(const Tank& tank, double solidVolume) {
  return tank.permeability * solidVolume;
}

double liquidVolume(const Tank& tank, double capacity) {
  switch (tank.content) {
    case TankContent::kFill:
      return tank.amount * capacity;
    case TankContent::kVolume:
      return tank.amount;
    case TankContent::kMass:
      return tank.amount / tank.density;
  }
  return 0;
}

const char* directionName(MomentDirection direction) {
  return direction == MomentDirection::kTrim ? "trim" : "heel";
}
