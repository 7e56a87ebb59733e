#include "loading/tank_liquid.h"

#include <cmath>

TankState::TankState(Tank& tank) : tank_(tank) {
  solidVolume_ = prepareSolid(*tank.solid, solidCentroid_);
  capacity_ = tankCapacity(tank, solidVolume_);
  volume_ = liquidVolume(tank, capacity_);
  if (volume_ > capacity_ * (1 - kFullTolerance))
    volume_ = capacity_;
}

TankLiquid TankState::settle(const Vec3& n) {
  TankLiquid liquid;
  liquid.volume = volume_;
  liquid.mass = mass();
  liquid.centre = solidCentroid_;
  liquid.section.area = 0;
  setPlaneFrame(liquid.section, n);
  if (volume_ <= 0 || volume_ >= capacity_)
    return liquid;
  liquid.slack = true;
  FloatingBody& solid = *tank_.solid;
  solid.findWaterPlane(liquid.surface, liquid.centre, volume_ / tank_.permeability, n);
  liquid.section = computeWaterplane(solid, liquid.surface);
  const double p = tank_.permeability;
  liquid.freeSurface = {p * liquid.section.Iuu, p * liquid.section.Ivv, p * liquid.section.Iuv};
  return liquid;
}

double freeSurfaceMoment(const TankLiquid& liquid, double density, const Vec3& axis) {
  if (!liquid.slack)
    return 0;
  // The section's moment about the axis, from the permeability's share of its matrix.
  WaterplaneProperties scaled = liquid.section;
  scaled.Iuu = liquid.freeSurface.Iuu;
  scaled.Ivv = liquid.freeSurface.Ivv;
  scaled.Iuv = liquid.freeSurface.Iuv;
  return density * scaled.secondMomentAbout(axis);
}
