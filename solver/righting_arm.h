#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "elements/floating_body.h"
#include "geometry/plane.h"
#include "geometry/vec3.h"

// The righting-arm (GZ) curve: how strongly the body turns back when it is held at a heel angle.
//
// Heel and trim are read from the water plane's normal N = (A, B, C) in body coordinates:
//   heel = atan2(-B, C)  positive when the +y side lies deeper,
//   trim = atan2(-A, C)  positive when the +x end lies deeper.
// At each heel of the curve the normal is held at that heel while the trim and the draft are left
// free: the trim is found at which the couple of weight and buoyancy has no longitudinal component,
// the draft by the draft search. GZ is then the horizontal distance between the lines of action of
// gravity and buoyancy, measured across the body (see computeRightingArmCurve).

// The heel angles from, from + step, from + 2 step, ... up to to, in degrees.
struct HeelRange {
  double fromDeg = 0;
  double toDeg = 0;
  double stepDeg = 1;

  // Number of angles; the last one lies within a billionth of a step beyond toDeg at most.
  int count() const;
  // Angle i, computed as fromDeg + i * stepDeg (no running sum).
  double angleDeg(int i) const { return fromDeg + i * stepDeg; }
};

// One point of the curve: the held heel, the trim the body takes at it, and the righting arm.
struct RightingArmPoint {
  double heelDeg = 0;
  double trimDeg = 0;  // atan2(-A, C) of the water plane found, in degrees
  // Righting arm in the file's length unit: positive when the couple turns the body back towards
  // a smaller heel, so positive at positive heels for a stable body and, for a body symmetric
  // about y, the mirror image -GZ(heel) at negative heels.
  double gz = 0;
  Plane waterPlane{0, 0, 1, 0};
  Vec3 buoyancyCentre{0, 0, 0};
  // Distance of the two lines of action along the body's length that remained; within the
  // tolerance unless trimFound is false.
  double longitudinalArm = 0;
  bool trimFound = false;  // false: no trim within +-89 degrees balanced the body to tolerance
};

// The numbers engineers read off the curve. Each is absent when the range does not contain it.
struct RightingArmSummary {
  // The largest righting arm and its angle: the vertex of the parabola through the largest
  // computed point and its two neighbours, or that point itself at an end of the range.
  std::optional<double> maxHeelDeg;
  std::optional<double> maxGz;
  // First angle, going up the range, at which GZ passes from positive to zero or negative,
  // interpolated linearly between the two computed points around it.
  std::optional<double> vanishingHeelDeg;
  // Area under the curve from 0 to 30 and from 0 to 40 degrees, in length unit x radians, by the
  // trapezoid rule on the computed points, the curve taken as linear between them (so the last
  // piece ends exactly at 30 or 40). Present when the range covers 0 to that angle.
  std::optional<double> area30;
  std::optional<double> area40;
};

struct RightingArmCurve {
  std::vector<RightingArmPoint> points;
  RightingArmSummary summary;
  int draftSearches = 0;  // findWaterPlane calls made for the whole curve
  // For an open surface: the heel of the range at which a water plane reached the lowest point of
  // its openings (the body fills through it there), where the curve ends, and that point. Absent
  // while the water stays below the openings over the whole range.
  std::optional<double> openingHeelDeg;
  Vec3 openingPoint{0, 0, 0};
};

// Computes the curve for the body with displacement volume V and centre of gravity G over the
// range, in the order of the range. Uses the body's fast evaluation, preparing it first when the
// body has none. Each point costs a few draft searches: a secant search on the trim, started
// from the trims of the points before it. The curve ends before the first heel at which a plane
// of its search reaches an open surface's opening (see RightingArmCurve::openingHeelDeg).
RightingArmCurve computeRightingArmCurve(FloatingBody& body, double V, const Vec3& G,
                                         const HeelRange& range);

// The summary of computed points given in increasing order of heel.
RightingArmSummary summarizeRightingArm(const std::vector<RightingArmPoint>& points);

// The righting arm at single heels asked for in any order, for the integrals, roots and maxima of
// the stability criteria: each heel is balanced in trim exactly as a point of the curve is, its
// trim search started from the trims of the heels evaluated before (interpolated between the two
// around it, or the nearest one's). The body's element results are not stored while the probe
// lives. Uses the body's fast evaluation, preparing it first when the body has none.
class RightingArmProbe {
 public:
  RightingArmProbe(FloatingBody& body, double V, const Vec3& G);
  ~RightingArmProbe();
  RightingArmProbe(const RightingArmProbe&) = delete;
  RightingArmProbe& operator=(const RightingArmProbe&) = delete;

  RightingArmPoint at(double heelDeg);
  int draftSearches() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};
