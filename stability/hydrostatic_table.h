#pragma once

#include <optional>
#include <vector>

#include "elements/floating_body.h"

// The hydrostatic particulars of the upright body: for a draft T the body floats at zero heel and
// its own level trim, the water plane being z = T in body coordinates (z up, the baseline z = 0).
// Every quantity comes from the exact kernels: the submerged volume and its centre (the body's
// evaluation), the waterplane's area, centroid and second moments (submerged/waterplane.h) and
// the extent of the waterline (submerged/waterline_extent.h).

// The density of the water when no loading condition gives one: sea water, t/m^3.
constexpr double kSeaWaterDensity = 1.025;

// Drafts from, from + step, ... up to to (the last within a billionth of a step beyond it).
struct DraftRange {
  double from = 0;
  double to = 0;
  double step = 1;

  int count() const;  // 0 for a range that is not one
  double draft(int i) const { return from + i * step; }
};

struct HydrostaticSettings {
  double density = kSeaWaterDensity;  // t/m^3: the displacement is density x volume, in t
  // The length MCT is taken over; none: the waterline length at each draft.
  std::optional<double> lpp;
};

// One row. Lengths in the body's length unit (the masses assume metres), angles nowhere.
//   volume            V, the volume below z = T
//   displacement      density x V (t)
//   LCB, TCB, KB      the centre of that volume: x, y, and its height z above the baseline
//   waterplaneArea    Awp, the section of the body by z = T
//   LCF, TCF          its centroid's x and y
//   TPC               density x Awp / 100: tonnes that sink the body by one centimetre
//   BMt, BMl          the second moments of the waterplane about its centroid's axes along x
//                     (transverse) and along y (longitudinal), over V
//   KMt, KMl          KB + BMt, KB + BMl: the metacentres' heights above the baseline
//   MCT               displacement x BMl / (100 L): the moment that trims the body by one
//                     centimetre over the length L (lpp, or the waterline length). The table knows
//                     no centre of gravity, so it takes BMl for GMl (they differ by KG - KB, small
//                     beside BMl)
//   waterlineLength   Lwl, the x extent of the waterline
//   waterlineBreadth  Bwl, its y extent
//   Cb                V / (Lwl Bwl T), T the draft above the baseline z = 0
//   Cwp               Awp / (Lwl Bwl)
// A draft at which the plane crosses nothing (below the keel or above the body) has the volume
// below it, a zero waterplane and NaN for every quantity that divides by one of them.
struct HydrostaticRow {
  double draft;
  double volume;
  double displacement;
  double LCB, TCB, KB;
  double waterplaneArea;
  double LCF, TCF;
  double TPC;
  double BMt, BMl;
  double KMt, KMl;
  double MCT;
  double waterlineLength, waterlineBreadth;
  double Cb, Cwp;
};

HydrostaticRow hydrostaticsAtDraft(FloatingBody& body, double draft,
                                   const HydrostaticSettings& settings);
std::vector<HydrostaticRow> hydrostaticTable(FloatingBody& body, const DraftRange& drafts,
                                             const HydrostaticSettings& settings);

// The upright centre of buoyancy of the displacement volume V: the level plane z = T that holds V
// (the draft search with the normal (0, 0, 1)) and the centre of the volume below it.
struct UprightFloat {
  double draft;
  Vec3 buoyancyCentre;
};
UprightFloat floatUpright(FloatingBody& body, double V);
