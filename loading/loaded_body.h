#pragma once

#include <memory>
#include <vector>

#include "elements/floating_body.h"
#include "loading/loading_condition.h"
#include "loading/tank_liquid.h"
#include "solver/load_model.h"
#include "submerged/buoyant_sum.h"

// The hull with its loading condition, as the solvers float it (solver/load_model.h).
//
// Mass and displacement. The body weighs its weights and its tanks' liquids,
//   M = sum m_i + sum rho_t v_t,
// and floats when the water it displaces weighs as much: V = M / rho_water. Liquids are part of
// the body's mass but not of its buoyancy: a tank is inside the hull, and the hull's volume below
// the water plane is what buoys.
//
// Centre of gravity. At a water-plane normal n every tank's liquid settles level with n
// (tank_liquid.h), so
//   G(n) = (sum m_i g_i + sum rho_t v_t c_t(n)) / M,
// with c_t(n) the centroid of the liquid at that normal. The solvers take G at each trial normal,
// so the equilibrium is the one where the liquids lie where they would in the body's final
// attitude; the potential of body, liquids and water stays (G(n) - B) . n over the weight because
// each liquid's centre, like B, moves parallel to its level surface as the normal turns.
//
// Buoyancy. Without flooded compartments the hull's own draft search places the water plane.
// With them the buoyant volume is the signed sum hull - sum permeability x compartment
// (submerged/buoyant_sum.h), placed by the same bisection over that sum.
//
// Heeling moments: their sum per direction over the weight M is the lever arm by which the
// weight's line of action stands apart from buoyancy's at equilibrium (solver/load_model.h).
class LoadedBody : public LoadModel {
 public:
  // The hull's evaluation must be prepared; the condition's solids are prepared here. Both must
  // outlive this.
  LoadedBody(FloatingBody& hull, LoadingCondition& condition);

  double mass() const { return mass_; }
  double displacementVolume() const override { return mass_ / condition_.waterDensity; }
  void placeWater(const Vec3& normal, Plane& plane, Vec3& buoyancyCentre) override;
  Vec3 centreOfGravity(const Vec3& normal) override;
  WaterplaneProperties waterplane(const Plane& plane) override;
  bool freeSurface(const Vec3& normal, SecondMoments& fs) override;
  HeelingArms heelingArms() const override { return arms_; }

  const LoadingCondition& condition() const { return condition_; }
  FloatingBody& hull() { return hull_; }
  const std::vector<TankState>& tankStates() const { return tanks_; }
  // The liquids settled at the unit normal n (cached for the last normal asked).
  const std::vector<TankLiquid>& liquidsAt(const Vec3& n);
  // The volume that buoys below the plane (the signed sum, or the hull's own).
  double buoyantVolume(const Plane& plane);
  // The most the hull can buoy: its whole volume less its flooded compartments' share.
  double buoyantCapacity();
  // Each compartment's flooded volume (permeability x its volume below the plane) and centre.
  void floodedAt(const Plane& plane, std::vector<double>& volumes, std::vector<Vec3>& centres);
  // The compartments' whole volumes, in the order of the condition.
  const std::vector<double>& compartmentVolumes() const { return compartmentVolumes_; }

 private:
  FloatingBody& hull_;
  LoadingCondition& condition_;
  std::vector<TankState> tanks_;
  std::vector<double> compartmentVolumes_;
  std::unique_ptr<BuoyantSum> sum_;  // none without flooded compartments
  double mass_ = 0;
  Vec3 weightMoment_{0, 0, 0};  // sum m_i g_i
  HeelingArms arms_;
  bool cached_ = false;
  Vec3 cachedNormal_{0, 0, 0};
  std::vector<TankLiquid> liquids_;
};
