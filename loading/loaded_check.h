#pragma once

#include <string>
#include <vector>

#include "geometry/plane.h"
#include "geometry/vec3.h"
#include "loading/loaded_body.h"
#include "solver/equilibrium_verdict.h"
#include "solver/stability.h"

// The loaded body at the solver's final plane: the verdict, both kinds of metacentric height, and
// where every weight, liquid and flood lies.
//
// GM solid and GM fluid. The restoring matrix of the loaded body (solver/load_model.h) is
//   K = J_waterplane - sum (rho_t / rho_w) J_tank surface + V (zB - zG) Id,
// J_waterplane that of the buoyant volume's waterplane (the hull's less permeability x the
// flooded compartments', which lose their share of the waterplane with their buoyancy). GM solid
// leaves the free surfaces out, as if every liquid were frozen where it lies; GM fluid keeps them.
// About the heel axis the free surfaces' term over V is the free-surface correction
//   FSC_t = sum rho_t i_t / (rho_w V) = sum rho_t i_t / M,
// so GMt fluid = GMt solid - FSC_t, and likewise about the trim axis. The liquid acts as if its
// weight stood FSC higher: KG fluid = KG solid + FSC_t (the centre of gravity "fluid" is G solid
// raised by FSC_t along the body's z axis). The verdict judges the fluid matrix: a body is stable
// only if it rights itself with its liquids free to run.
struct LoadedTankReport {
  double capacity = 0;  // m^3
  double fill = 0;      // volume / capacity
  TankLiquid liquid;
  double freeSurfaceMoment = 0;  // t*m, about the heel axis
};

struct LoadedCompartmentReport {
  double floodedVolume = 0;  // m^3: permeability x the volume below the water plane
  Vec3 centre{0, 0, 0};      // of the compartment's part below the plane
};

struct LoadedEquilibrium {
  EquilibriumCheck check;                     // on the fluid matrix: the verdict's
  StabilityResult solid{};                    // the same without the free surfaces
  double mass = 0;                            // t
  double displacementVolume = 0;              // m^3
  Vec3 gravitySolid{0, 0, 0};                 // the weights and the liquids where they lie
  Vec3 gravityFluid{0, 0, 0};                 // raised by the transverse free-surface correction
  double freeSurfaceT = 0, freeSurfaceL = 0;  // FSC about the heel and the trim axis, m
  std::vector<LoadedTankReport> tanks;
  std::vector<LoadedCompartmentReport> compartments;
};

// Judges the final plane and centre of buoyancy of a solve of the loaded body.
LoadedEquilibrium checkLoadedEquilibrium(LoadedBody& load, const Plane& plane,
                                         const Vec3& buoyancyCentre);

// Why the loaded body cannot float at all (its mass is not positive or the hull with its flooded
// compartments cannot buoy the displacement), or an empty string.
std::string whyLoadingCannotFloat(LoadedBody& load);

// Why the solver's result must not be reported: a plane or centre that is not finite, or a plane
// below which the buoyant volume is not V to a relative 1e-6. Empty when it may.
std::string whyLoadedResultIsUnsound(LoadedBody& load, const Plane& plane,
                                     const Vec3& buoyancyCentre);
