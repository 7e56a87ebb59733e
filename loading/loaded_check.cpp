#include "loading/loaded_check.h"

#include <cmath>
#include <sstream>

#include "solver/attitude_iteration.h"

namespace {

constexpr double kResultVolumeTolerance = 1e-6;

}  // namespace

LoadedEquilibrium checkLoadedEquilibrium(LoadedBody& load, const Plane& plane,
                                         const Vec3& buoyancyCentre) {
  LoadedEquilibrium r;
  const double V = load.displacementVolume();
  const Vec3 normal(plane.A, plane.B, plane.C);
  const Vec3 n = normal / normal.length();
  r.mass = load.mass();
  r.displacementVolume = V;
  r.gravitySolid = load.centreOfGravity(n);
  const Vec3 weightLine = weightLinePoint(load, n);

  EquilibriumCheck& check = r.check;
  check.tolerance = distanceTolerance(load.hull().bounds);
  check.distance = (weightLine - buoyancyCentre).cross(n).length();
  check.converged = check.distance <= check.tolerance;
  check.waterplane = load.waterplane(plane);
  check.hasWaterplane = check.waterplane.area > 0;
  r.solid = computeStability(check.waterplane, V, buoyancyCentre, r.gravitySolid, normal);
  SecondMoments fs;
  check.stability = load.freeSurface(n, fs)
                        ? computeStability(lessFreeSurface(check.waterplane, fs), V, buoyancyCentre,
                                           r.gravitySolid, normal)
                        : r.solid;
  // BM belongs to the waterplane; only GM feels the free surfaces.
  check.stability.BMt = r.solid.BMt;
  check.stability.BMl = r.solid.BMl;
  if (!check.converged || !check.hasWaterplane)
    check.verdict = Verdict::kNotConverged;
  else
    check.verdict = check.stability.stable ? Verdict::kStable : Verdict::kUnstable;

  r.freeSurfaceT = r.solid.GMt - check.stability.GMt;
  r.freeSurfaceL = r.solid.GMl - check.stability.GMl;
  r.gravityFluid = r.gravitySolid + Vec3(0, 0, r.freeSurfaceT);

  const std::vector<TankLiquid>& liquids = load.liquidsAt(n);
  for (std::size_t k = 0; k < liquids.size(); ++k) {
    const TankState& state = load.tankStates()[k];
    LoadedTankReport t;
    t.capacity = state.capacity();
    t.fill = state.capacity() > 0 ? state.volume() / state.capacity() : 0;
    t.liquid = liquids[k];
    t.freeSurfaceMoment = freeSurfaceMoment(liquids[k], state.tank().density, r.solid.heelAxis);
    r.tanks.push_back(t);
  }
  std::vector<double> volumes;
  std::vector<Vec3> centres;
  load.floodedAt(plane, volumes, centres);
  for (std::size_t k = 0; k < volumes.size(); ++k)
    r.compartments.push_back({volumes[k], centres[k]});
  return r;
}

std::string whyLoadingCannotFloat(LoadedBody& load) {
  std::ostringstream why;
  const double V = load.displacementVolume();
  if (!std::isfinite(load.mass()) || !(load.mass() > 0)) {
    why << "The loading condition's mass (" << load.mass() << " t) is not a positive mass.";
    return why.str();
  }
  const double capacity = load.buoyantCapacity();
  if (!std::isfinite(capacity)) {
    why << "The volume of the hull is not finite: an element is degenerate.";
  } else if (V > capacity) {
    why << "The displacement volume " << V << " m^3 (mass " << load.mass()
        << " t over the water's density) exceeds what the hull can buoy";
    if (!load.condition().compartments.empty())
      why << " with its flooded compartments";
    why << " (" << capacity << " m^3): the body sinks.";
  }
  return why.str();
}

std::string whyLoadedResultIsUnsound(LoadedBody& load, const Plane& plane,
                                     const Vec3& buoyancyCentre) {
  std::ostringstream why;
  if (!isFinite(plane) || !isFinite(buoyancyCentre)) {
    why << "The iteration ended on a water plane or a centre of buoyancy that is not finite: the "
           "numbers of the case are out of scale.";
    return why.str();
  }
  const double V = load.displacementVolume();
  const double held = load.buoyantVolume(plane);
  if (!(std::fabs(held - V) <= kResultVolumeTolerance * V)) {
    why << "The water plane cannot be placed for the displacement volume " << V
        << " m^3: the closest plane found buoys " << held << " m^3.";
  }
  return why.str();
}
