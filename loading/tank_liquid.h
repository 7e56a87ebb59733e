#pragma once

#include "geometry/plane.h"
#include "geometry/vec3.h"
#include "loading/loading_condition.h"
#include "solver/load_model.h"
#include "submerged/waterplane.h"

// A tank's liquid as it settles at one attitude.
//
// The liquid's surface is level: a plane parallel to the water plane, of the same normal n. Below
// it the liquid fills the tank's solid evenly, a share `permeability` of every part of it, so the
// liquid's volume is permeability x (the solid's volume below the surface plane) and its centre
// is the centroid of that part of the solid. The surface is therefore where the solid holds
// volume / permeability below a plane of normal n: the draft search of the tank's own solid
// (FloatingBody::findWaterPlane, the same bisection and the same exact cut that place the water
// plane), which also returns the centroid. Nothing is linearised: the liquid lies exactly where it
// would at this attitude, however far the body heels.
//
// The free surface. Turn the body by a small rotation w (in the surface's plane): the liquid
// stays level, so relative to the tank its surface turns by -w about an axis through the
// centroid of the surface's section (the one axis about which the wedges gained and lost by the
// turn balance, keeping the volume). The wedge of thickness w . (r x n) at the point r of the
// section moves liquid of volume permeability x that per area, so the liquid's centre moves by
// permeability x J w / v, with J the section's second-moment matrix about its centroid (as the
// waterplane's, see solver/stability.h). Its weight rho_t v then turns the body by
// rho_t permeability J w towards the turn: the restoring moment rho_w J_waterplane w of the
// water loses that much. This is the free-surface effect, here taken from the section the exact
// cut gives at the current attitude instead of from the level tank's plan.
//
// An empty tank holds nothing; a full one (within kFullTolerance of its capacity) holds its
// capacity at the solid's centroid and has no surface that could move.
struct TankLiquid {
  double volume = 0;          // m^3 of liquid
  double mass = 0;            // t
  Vec3 centre{0, 0, 0};       // of the liquid (the solid's centroid when the tank is empty)
  bool slack = false;         // neither empty nor full: it has a free surface
  Plane surface{0, 0, 1, 0};  // the liquid's level plane, when slack
  // The section of the solid by the surface plane (area 0 unless slack) and its second moments
  // times the permeability: the free surface's, in m^4.
  WaterplaneProperties section{};
  SecondMoments freeSurface;
};

// A tank of the loading condition ready to settle: its solid prepared, its capacity and its
// liquid's volume known.
class TankState {
 public:
  // The tank must outlive this; its solid is prepared here (prepareSolid).
  explicit TankState(Tank& tank);
  const Tank& tank() const { return tank_; }
  double solidVolume() const { return solidVolume_; }
  double capacity() const { return capacity_; }
  double volume() const { return volume_; }
  double mass() const { return tank_.density * volume_; }
  // The liquid settled level with planes of the unit normal n.
  TankLiquid settle(const Vec3& n);

 private:
  Tank& tank_;
  Vec3 solidCentroid_;
  double solidVolume_;
  double capacity_;
  double volume_;
};

// The free surface's moment about the level axis `axis` in t*m: the liquid's density x its
// surface's second moment (the permeability included) about the axis through its centroid.
double freeSurfaceMoment(const TankLiquid& liquid, double density, const Vec3& axis);
