#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "elements/floating_body.h"
#include "geometry/plane.h"
#include "geometry/vec3.h"
#include "solver/load_model.h"

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

// A heeling moment set against the curve. The moment is constant in the earth's frame, so its
// heeling arm (the moment over the weight) is the same at every heel; where GZ rises through it
// the body rests (the static heel under the moment), and the area between GZ and the arm beyond
// that heel is the work the body can still take from a further disturbance before it capsizes.
// Angles and areas are taken on the side the moment pushes (positive heels for a positive arm).
struct HeelingArmCrossing {
  double arm = 0;  // in the length unit, positive when the moment pushes the +y side down
  // The first heel, going from the range's end opposite the push towards the push, at which GZ
  // comes up to the arm: interpolated linearly between the two computed points around it.
  std::optional<double> crossingHeelDeg;
  // The area between GZ and the arm from the crossing on, up to where GZ falls back to the arm
  // or to the end of the range, in length unit x radians (the trapezoid rule, GZ linear between
  // the computed points); positive.
  std::optional<double> residualArea;
  bool residualToEndOfRange = false;  // GZ does not fall back to the arm within the range
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
  std::optional<HeelingArmCrossing> heeling;  // a loaded body with a heel moment
};

// Computes the curve for the body with displacement volume V and centre of gravity G over the
// range, in the order of the range. Uses the body's fast evaluation, preparing it first when the
// body has none. Each point costs a few draft searches: a secant search on the trim, started
// from the trims of the points before it. The curve ends before the first heel at which a plane
// of its search reaches an open surface's opening (see RightingArmCurve::openingHeelDeg).
RightingArmCurve computeRightingArmCurve(FloatingBody& body, double V, const Vec3& G,
                                         const HeelRange& range);

// The curve of a loaded body: at every sample the load places the water (its flooded compartments
// flooding to that plane) and settles its liquids, and a trim moment moves the weight's line of
// action along the body. GZ is measured from that line of action; a heel moment is not in GZ but
// is set against it in `heeling`. The body's fast evaluation must be prepared by the caller.
RightingArmCurve computeRightingArmCurve(FloatingBody& body, LoadModel& load,
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
  // The same for a loaded body: its liquids settle and its weight's line moves at every heel.
  // The body's fast evaluation must be prepared by the caller.
  RightingArmProbe(FloatingBody& body, LoadModel& load);
  ~RightingArmProbe();
  RightingArmProbe(const RightingArmProbe&) = delete;
  RightingArmProbe& operator=(const RightingArmProbe&) = delete;

  RightingArmPoint at(double heelDeg);
  int draftSearches() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The heeling arm against the computed points, given in increasing order of heel.
HeelingArmCrossing crossHeelingArm(const std::vector<RightingArmPoint>& points, double arm);
