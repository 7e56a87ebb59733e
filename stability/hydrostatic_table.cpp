#include "stability/hydrostatic_table.h"

#include <cmath>
#include <limits>

#include "submerged/fast_evaluation.h"
#include "submerged/waterline_extent.h"
#include "submerged/waterplane.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The volume below the plane and its centre, by the fast evaluation where the body has one.
void buoyancyBelow(FloatingBody& body, const Plane& plane, double& volume, Vec3& centre) {
  if (FastEvaluation* fast = body.fastEvaluation.get()) {
    fast->setNormal(plane.A, plane.B, plane.C);
    fast->buoyancy(volume, centre, plane);
  } else {
    body.computeBuoyancy(volume, centre, plane);
  }
}

// a / b, or NaN when b is not a positive number.
double over(double a, double b) {
  return b > 0 ? a / b : kNaN;
}

}  // namespace

int DraftRange::count() const {
  constexpr double kMaxCount = 1e6;
  if (!std::isfinite(from) || !std::isfinite(to) || !(step > 0) || !(to >= from))
    return 0;
  const double spans = (to - from) / step;
  if (!(spans < kMaxCount))
    return 0;
  return static_cast<int>(std::floor(spans + 1e-9)) + 1;
}

HydrostaticRow hydrostaticsAtDraft(FloatingBody& body, double draft,
                                   const HydrostaticSettings& settings) {
  const Plane plane(0, 0, 1, -draft);
  HydrostaticRow r;
  r.draft = draft;
  Vec3 centre;
  buoyancyBelow(body, plane, r.volume, centre);
  r.displacement = settings.density * r.volume;
  const bool wet = r.volume > 0;
  r.LCB = wet ? centre.x : kNaN;
  r.TCB = wet ? centre.y : kNaN;
  r.KB = wet ? centre.z : kNaN;

  // The frame of the level plane is the body's own: axisU = x, axisV = y, so Iuu is the second
  // moment about the axis along x (the heel axis) and Ivv the one about the axis along y.
  const WaterplaneProperties w = computeWaterplane(body, plane);
  r.waterplaneArea = w.area;
  const bool cut = w.area > 0;
  r.LCF = cut ? w.centreOfFlotation.x : kNaN;
  r.TCF = cut ? w.centreOfFlotation.y : kNaN;
  r.TPC = settings.density * w.area / 100;
  r.BMt = over(w.Iuu, r.volume);
  r.BMl = over(w.Ivv, r.volume);
  r.KMt = r.KB + r.BMt;
  r.KMl = r.KB + r.BMl;

  const BoundingBox box = waterlineBounds(body, plane);
  const bool crossed = box.xMax >= box.xMin;
  r.waterlineLength = crossed ? box.xMax - box.xMin : 0;
  r.waterlineBreadth = crossed ? box.yMax - box.yMin : 0;
  const double L = settings.lpp ? *settings.lpp : r.waterlineLength;
  r.MCT = over(r.displacement * r.BMl, 100 * L);
  const double rectangle = r.waterlineLength * r.waterlineBreadth;
  r.Cb = over(r.volume, rectangle * draft);
  r.Cwp = over(w.area, rectangle);
  return r;
}

std::vector<HydrostaticRow> hydrostaticTable(FloatingBody& body, const DraftRange& drafts,
                                             const HydrostaticSettings& settings) {
  std::vector<HydrostaticRow> rows;
  const int n = drafts.count();
  rows.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i)
    rows.push_back(hydrostaticsAtDraft(body, drafts.draft(i), settings));
  return rows;
}

UprightFloat floatUpright(FloatingBody& body, double V) {
  Plane plane;
  UprightFloat f;
  body.findWaterPlane(plane, f.buoyancyCentre, V, Vec3(0, 0, 1));
  f.draft = -plane.D / plane.C;
  return f;
}
