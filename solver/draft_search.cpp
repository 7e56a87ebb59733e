#include "solver/draft_search.h"

#include <algorithm>
#include <cmath>

#include "submerged/buoyant_sum.h"
#include "submerged/draft_filter.h"
#include "submerged/fast_evaluation.h"
#include "submerged/surface_evaluation.h"

namespace {

// The search gives up after this many trial planes. A bisection on t in [0, 1] gains one bit per
// trial, and the volume test is met within a few dozen trials for every target inside the body's
// volume; the cap only bounds the searches that can never meet it (see findWaterPlane).
constexpr int kMaxTrials = 200;

// The plane with unit normal n through the point p: its value is the signed distance from it.
Plane planeThrough(const Vec3& n, const Vec3& p) {
  return Plane(n.x, n.y, n.z, -n.dot(p));
}

// The corners of the box that lie lowest (low) and highest (high) along n. The corners are visited
// in a fixed order and both comparisons are strict, so among corners of equal height the first
// one wins.
void extremeCorners(const BoundingBox& b, const Vec3& n, Vec3& low, Vec3& high) {
  const Vec3 corners[8] = {Vec3(b.xMin, b.yMin, b.zMin), Vec3(b.xMax, b.yMin, b.zMin),
                           Vec3(b.xMax, b.yMax, b.zMin), Vec3(b.xMin, b.yMax, b.zMin),
                           Vec3(b.xMin, b.yMin, b.zMax), Vec3(b.xMax, b.yMin, b.zMax),
                           Vec3(b.xMax, b.yMax, b.zMax), Vec3(b.xMin, b.yMax, b.zMax)};
  low = high = corners[0];
  double hMin = n.dot(corners[0]);
  double hMax = hMin;
  for (int i = 1; i < 8; ++i) {
    const double h = n.dot(corners[i]);
    if (hMin > h) {
      low = corners[i];
      hMin = h;
    }
    if (h > hMax) {
      high = corners[i];
      hMax = h;
    }
  }
}

// The body evaluations for planes of one normal: the surface evaluation of a surface body, set
// to the normal once, its trials evaluated as a search that is told the bracket; for a body of
// elements its fast evaluation when it has one (the same bits, much sooner), otherwise the body's
// own.
class PlaneEvaluations {
 public:
  PlaneEvaluations(FloatingBody& body, const Vec3& n)
      : body_(body), fast_(body.fastEvaluation.get()) {
    if (!body.surface.empty()) {
      surface_ = &surfaceEvaluationOf(body);
      surface_->setNormal(n.x, n.y, n.z);
      surface_->beginSearch();
      fast_ = nullptr;
    } else if (fast_) {
      fast_->setNormal(n.x, n.y, n.z);
    }
  }
  FastEvaluation* fast() const { return fast_; }
  double volume(const Plane& plane) {
    if (surface_)
      return surface_->submergedVolume(plane.D);
    return fast_ ? fast_->submergedVolume(plane.D) : body_.computeSubmergedVolume(plane);
  }
  // A trial of the bisection, all of which lie between the planes last given to narrow.
  double trialVolume(const Plane& plane) {
    return surface_ ? surface_->searchVolume(plane.D) : volume(plane);
  }
  // The bracket's ends, the planes of values D1 and D2 (either may be an infinity).
  void narrow(double D1, double D2) {
    if (surface_)
      surface_->narrowSearch(D1, D2);
  }
  void buoyancy(double& volume, Vec3& centre, const Plane& plane) {
    if (surface_) {
      surface_->buoyancy(volume, centre, plane);
    } else if (fast_) {
      fast_->buoyancy(volume, centre, plane);
    } else {
      body_.computeBuoyancy(volume, centre, plane);
    }
  }

 private:
  FloatingBody& body_;
  FastEvaluation* fast_;
  SurfaceEvaluation* surface_ = nullptr;
};

// The trial points of the bisection, the same for every way of judging the trials: t halves the
// bracket [tLo, tHi] and the trial point is L + t (H - L), except the first, the plain midpoint.
class Bisection {
 public:
  Bisection(const Vec3& n, const Vec3& low, const Vec3& high)
      : n_(n), low_(low), high_(high), point_((low + high) * 0.5) {}
  Plane plane() const { return planeThrough(n_, point_); }
  int trials() const { return trials_; }
  // Moves on after the current trial went to the lower end of the bracket (its volume error has
  // the sign of the lower end's) or to the upper end. False when the next trial point would be
  // the current one: the bracket can no longer shrink in doubles.
  bool advance(bool toLower) {
    if (toLower) {
      tLo_ = t_;
    } else {
      tHi_ = t_;
    }
    t_ = (tLo_ + tHi_) * 0.5;
    const Vec3 next = low_ + (high_ - low_) * t_;
    if (next == point_)
      return false;
    point_ = next;
    ++trials_;
    return true;
  }

 private:
  Vec3 n_, low_, high_, point_;
  double tLo_ = 0, tHi_ = 1, t_ = 0.5;
  int trials_ = 1;
};

bool meetsVolume(double vT, double V) {
  return std::fabs(vT - V) / V < kRelativeVolumeTolerance;
}

// The search as the algorithm states it: every trial evaluated, the lower end's volume kept.
template <typename Evaluations>
Plane bisectEvaluatingEveryTrial(Evaluations& evaluate, Bisection& bisection, double vLo,
                                 double V) {
  // The values D of the bracket's lower (dry) and upper end planes; open ends at first.
  double dLower = HUGE_VAL, dUpper = -HUGE_VAL;
  for (;;) {
    const Plane trial = bisection.plane();
    const double vT = evaluate.trialVolume(trial);
    if (meetsVolume(vT, V) || bisection.trials() == kMaxTrials)
      return trial;
    const bool toLower = (vT - V) * (vLo - V) > 0;
    if (toLower)
      vLo = vT;
    if (!bisection.advance(toLower))
      return trial;
    (toLower ? dLower : dUpper) = trial.D;
    evaluate.narrow(dLower, dUpper);
  }
}

// What a trial's volume decides: the result, or the end of the bracket the trial replaces.
enum class Outcome { Accept, Lower, Upper, Open };

// The decision of the algorithm for the volume vT, given the sign of vLo - V (0 also when vLo is
// not a number). Which end a trial replaces depends on the sign of (vT - V) (vLo - V) alone: the
// lower end only ever takes a trial whose error has its own sign, so that sign never changes, and
// the product never underflows to 0 (both factors are at least 1e-10 V, or the lower end's first
// error is kept at least kSmallestLowerError away from 0, see lowerEndSign).
Outcome decideExactly(double vT, double V, int lowerSign) {
  if (meetsVolume(vT, V))
    return Outcome::Accept;
  if (std::isnan(vT))
    return Outcome::Upper;
  const int sign = vT > V ? 1 : -1;
  return sign * lowerSign > 0 ? Outcome::Lower : Outcome::Upper;
}

// The same decision for every volume in [lo, hi], or Open when they do not all decide alike. The
// test |vT - V| / V < tolerance, rounded as it is, holds on a range of doubles around V: it can
// only change between the interval's ends where it holds at neither or at one of them.
Outcome decideForInterval(double lo, double hi, double V, int lowerSign) {
  const bool loMeets = meetsVolume(lo, V), hiMeets = meetsVolume(hi, V);
  if (lo <= V && V <= hi)
    return loMeets && hiMeets ? Outcome::Accept : Outcome::Open;
  if (loMeets != hiMeets)
    return Outcome::Open;
  return decideExactly(lo, V, lowerSign);
}

// Targets for which the filtered search keeps every product of its decisions away from underflow
// and overflow to NaN; outside them every trial is evaluated.
constexpr double kSmallestFilteredTarget = 1e-90;
constexpr double kLargestFilteredTarget = 1e90;
constexpr double kSmallestLowerError = 1e-200;

// The sign of vLo - V for the plane through the lowest corner, from the filter's interval when it
// settles it, otherwise from an exact evaluation. Returns false when vLo lies too close to V for
// the sign rule of decideExactly.
bool lowerEndSign(FastEvaluation& fast, double D, const DraftFilter::Estimate& coarse, double V,
                  int& sign) {
  DraftFilter& filter = fast.draftFilter();
  for (const bool isCoarse : {true, false}) {
    const DraftFilter::Estimate end = isCoarse ? coarse : filter.estimate(D);
    if (end.valid && V - end.hi >= kSmallestLowerError) {
      sign = -1;
      return true;
    }
    if (end.valid && end.lo - V >= kSmallestLowerError) {
      sign = 1;
      return true;
    }
  }
  ++fast.statistics.exactLowerEnds;
  const double vLo = fast.submergedVolume(D);
  if (std::isnan(vLo) || vLo == V) {
    sign = 0;  // the product (vT - V) (vLo - V) is then never positive
    return true;
  }
  sign = vLo > V ? 1 : -1;
  return std::fabs(vLo - V) >= kSmallestLowerError;
}

// Whether the next trial's coarse interval is worth its pass. The interval decides a trial whose
// volume lies farther from V than the interval is wide. The first trials lie far from the result,
// and every one tries it until it first fails to decide. A later trial may still land far from the
// result after one that lay close, while the bracket is wide: it tries the interval when its
// volume, guessed as the mean of the volumes known or guessed at the bracket's ends (its level is
// their mean), lies farther from V than the last coarse interval was wide. A wrong guess costs one
// coarse pass, or a fine pass that a coarse one could have spared; never a decision.
class CoarseGuess {
 public:
  bool worthTrying(double V) const {
    return !failed_ || std::fabs(0.5 * end_[0] + 0.5 * end_[1] - V) > width_;
  }
  void tried(const DraftFilter::Estimate& coarse, Outcome outcome) {
    if (coarse.valid)
      width_ = coarse.hi - coarse.lo;
    failed_ = failed_ || outcome == Outcome::Open;
  }
  // The trial of about this volume replaced the bracket's lower or upper end.
  void replaced(Outcome outcome, double volume) {
    if (outcome == Outcome::Lower || outcome == Outcome::Upper)
      end_[outcome == Outcome::Lower ? 0 : 1] = volume;
  }

 private:
  // The volumes at the bracket's ends: nothing at the lowest corner, the upper end unknown.
  double end_[2] = {0, HUGE_VAL};
  double width_ = 0;  // of the last coarse interval
  bool failed_ = false;
};

// Opens the draft filter's window about the level that the last searches, at slightly turned
// normals, predict for the normal n: the trials outside it are then decided without a pass.
bool openPredictedWindow(FastEvaluation& fast, const Vec3& n, double V, double sLo, double sHi) {
  DraftFilter& filter = fast.draftFilter();
  double level, reach;
  if (!filter.predictLevel(n, V, level, reach) ||
      !filter.openWindow(std::max(sLo, level - reach), std::min(sHi, level + reach)))
    return false;
  ++fast.statistics.windows;
  return true;
}

// The search with most trials decided by the draft filter's bounds; a trial they leave open is
// evaluated exactly, by its buoyancy when the middle of its interval meets the volume test (sets
// finalKnown and centre when that trial is the result). Returns false (having evaluated nothing but
// the lower end) when the lower end's volume is too close to V for the sign rule of decideExactly.
bool bisectFiltered(FastEvaluation& fast, Bisection& bisection, const Vec3& n, const Vec3& low,
                    const Vec3& high, double V, Plane& result, Vec3& centre, bool& finalKnown) {
  DraftFilter& filter = fast.draftFilter();
  const Plane lowest = planeThrough(n, low);
  // The levels s = -D of the bracket's ends: its planes' offsets, negated.
  double sLo = -lowest.D;
  double sHi = -planeThrough(n, high).D;
  filter.start(sLo, sHi);
  // A window decides the trials far from the result, the lower end among them; without one, the
  // lower end's and the first trial's coarse intervals come from the level table or one pass.
  const bool windowed = openPredictedWindow(fast, n, V, sLo, sHi);
  DraftFilter::Estimate first[2] = {filter.windowEstimate(lowest.D), {false, 0, 0}};
  if (!windowed) {
    filter.binLevels();
    filter.coarseEstimates(lowest.D, bisection.plane().D, first);
  }
  int lowerSign;
  if (!lowerEndSign(fast, lowest.D, first[0], V, lowerSign))
    return false;
  CoarseGuess guess;
  for (;;) {
    result = bisection.plane();
    DraftFilter::Estimate estimate{false, 0, 0};
    Outcome outcome = Outcome::Open;
    if (windowed) {
      estimate = filter.windowEstimate(result.D);
      outcome = estimate.valid ? decideForInterval(estimate.lo, estimate.hi, V, lowerSign)
                               : Outcome::Open;
      fast.statistics.windowTrials += outcome != Outcome::Open ? 1 : 0;
    }
    // Where a window opened, the trials it leaves open lie close to the result, where a coarse
    // interval is too wide to decide.
    if (outcome == Outcome::Open && !windowed && guess.worthTrying(V)) {
      estimate = bisection.trials() == 1 ? first[1] : filter.coarseEstimate(result.D);
      outcome = estimate.valid ? decideForInterval(estimate.lo, estimate.hi, V, lowerSign)
                               : Outcome::Open;
      guess.tried(estimate, outcome);
      fast.statistics.coarseTrials += outcome != Outcome::Open ? 1 : 0;
    }
    if (outcome == Outcome::Open) {
      estimate = filter.estimate(result.D);
      outcome = estimate.valid ? decideForInterval(estimate.lo, estimate.hi, V, lowerSign)
                               : Outcome::Open;
    }
    // A window's interval above the result is open upwards: its lower end is the guess.
    double volume =
        std::isfinite(estimate.hi) ? 0.5 * estimate.lo + 0.5 * estimate.hi : estimate.lo;
    if (outcome == Outcome::Open && meetsVolume(volume, V)) {
      // Most likely the result: its buoyancy, which the search ends with, gives the volume too.
      fast.buoyancy(volume, centre, result);
      outcome = decideExactly(volume, V, lowerSign);
      if (outcome == Outcome::Accept) {
        ++fast.statistics.finalTrials;
        finalKnown = true;
        return true;
      }
      ++fast.statistics.exactTrials;
    } else if (outcome == Outcome::Open) {
      ++fast.statistics.exactTrials;
      volume = fast.submergedVolume(result.D);
      outcome = decideExactly(volume, V, lowerSign);
    } else {
      ++fast.statistics.filteredTrials;
    }
    guess.replaced(outcome, volume);
    if (outcome == Outcome::Accept || bisection.trials() == kMaxTrials)
      return true;
    const bool toLower = outcome == Outcome::Lower;
    if (!bisection.advance(toLower))
      return true;
    (toLower ? sLo : sHi) = -result.D;
    filter.narrow(sLo, sHi);
  }
}

}  // namespace

// Bisection on t, the plane sliding from the lowest corner L (t = 0, nothing submerged) to the
// highest corner H (t = 1, the whole body submerged) along the unit normal. Only the volume at the
// lower end of the bracket is known; each trial is judged by whether its volume error has the
// same sign as the lower end's. The relative volume test comes before the bracket update, so a
// trial that meets it is the result at once.
//
// A trial needs only those two decisions, never its volume itself: on the fast evaluation the
// draft filter gives an interval that holds the volume the exact path would compute, and a trial
// whose decisions are the same for every volume in it is judged without evaluating it. The
// trial points, the decisions and so the result are those of the search that evaluates every
// trial; only the final plane's buoyancy is always evaluated, since it is printed.
//
// Termination: the test |V_t - V| / V < 1e-10 cannot pass for a target above the whole body's
// volume, for a zero target, or when the doubles cannot place the plane finely enough (a body far
// from the origin). The search therefore also stops when the next trial point would be the same
// point as the last one (the bracket can no longer shrink in doubles: the same plane would only be
// evaluated again) or after kMaxTrials trial planes, and the last trial plane is the result. A
// target above the whole volume drives the plane up to just below H, a zero target down towards
// L. A negative target makes the relative error negative, so the first trial is taken at once.
//
// An open surface holds water-tight only below the lowest point of its openings along the normal
// (elements/triangle_surface.h): the plane through that point takes the highest corner's place,
// and when even that plane does not hold more than V, the water reaches the opening before the
// body holds V. So does a result that lies on or above the point (a V within the volume test of
// that plane's volume): both end the search with WaterReachesOpening.
void FloatingBody::findWaterPlane(Plane& plane, Vec3& buoyancyCentre, double V, Vec3 normal) {
  const Vec3 n =
      normal / std::sqrt(normal.x * normal.x + normal.y * normal.y + normal.z * normal.z);
  Vec3 low, high;
  extremeCorners(bounds, n, low, high);

  PlaneEvaluations evaluate(*this, n);
  Vec3 opening;
  const bool open = surface.lowestOpenPoint(n, opening);
  if (open) {
    if (evaluate.volume(planeThrough(n, opening)) <= V)
      throw WaterReachesOpening{opening};
    high = opening;
  }
  Bisection bisection(n, low, high);
  Plane trial;
  const bool filtered =
      evaluate.fast() && V >= kSmallestFilteredTarget && V <= kLargestFilteredTarget;
  if (filtered)
    ++evaluate.fast()->statistics.searches;
  bool finalKnown = false;
  if (!filtered || !bisectFiltered(*evaluate.fast(), bisection, n, low, high, V, trial,
                                   buoyancyCentre, finalKnown)) {
    const double vLo = evaluate.volume(planeThrough(n, low));
    trial = bisectEvaluatingEveryTrial(evaluate, bisection, vLo, V);
  }
  if (filtered)
    evaluate.fast()->draftFilter().recordLevel(n, V, -trial.D);
  requireWaterBelowOpenings(surface, trial);
  plane = trial;
  double volume;  // equals the last trial's volume; not needed
  if (!finalKnown)
    evaluate.buoyancy(volume, buoyancyCentre, trial);
}

namespace {

// The trials of a search of the buoyant sum, each evaluated in full.
class SumEvaluations {
 public:
  explicit SumEvaluations(BuoyantSum& sum) : sum_(sum) {}
  double volume(const Plane& plane) { return sum_.volume(plane.D); }
  double trialVolume(const Plane& plane) { return volume(plane); }
  void narrow(double, double) {}

 private:
  BuoyantSum& sum_;
};

}  // namespace

// The same bisection and acceptance test as findWaterPlane, every trial evaluated. The sum's
// volume is 0 at the lowest corner of the hull's box and grows with the level wherever the
// compartments lie inside the hull, so the bisection brackets the level as it does for one body.
void findWaterPlaneOfSum(BuoyantSum& sum, const BoundingBox& bounds, Plane& plane,
                         Vec3& buoyancyCentre, double V, Vec3 normal) {
  const Vec3 n =
      normal / std::sqrt(normal.x * normal.x + normal.y * normal.y + normal.z * normal.z);
  Vec3 low, high;
  extremeCorners(bounds, n, low, high);
  sum.setNormal(n);
  SumEvaluations evaluate(sum);
  Bisection bisection(n, low, high);
  const double vLo = evaluate.volume(planeThrough(n, low));
  plane = bisectEvaluatingEveryTrial(evaluate, bisection, vLo, V);
  double volume;
  sum.buoyancy(plane, volume, buoyancyCentre);
}
