#include "solver/righting_arm.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <map>
#include <memory>

#include "solver/draft_search.h"
#include "solver/load_model.h"
#include "submerged/fast_evaluation.h"
#include "submerged/waterplane.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

constexpr double radians(double degrees) {
  return degrees * (kPi / 180);
}

double degrees(double radians) {
  return radians * (180 / kPi);
}

// The trim is balanced when the lines of action lie within this fraction of the bounds' diagonal
// of each other along the body's length: the equilibrium iteration's distance tolerance.
constexpr double kRelativeArmTolerance = 1e-6;
// The trim searched lies within +-89 degrees: at 90 the normal would lie in the water plane of
// the upright body and the heel would no longer be defined by it.
constexpr double kMaxTrim = radians(89);
// The first trim step when nothing is known yet about how the balance changes with the trim, and
// the largest step the secant may take before the root is bracketed.
constexpr double kFirstTrimStep = radians(0.5);
constexpr double kMaxTrimStep = radians(10);
// A bracket narrower than this (radians) cannot be split further in any useful way.
constexpr double kTrimResolution = 1e-13;
constexpr double kMinTrimStep = 1e-12;
// Samples of each stage of the trim search (see TrimSearch).
constexpr int kLocalEvaluations = 4;
constexpr double kScanStep = radians(8);
constexpr int kBracketEvaluations = 60;

// The water-plane normals that hold the heel phi, and the horizontal directions that go with them.
//
// With trim angle tau (a rotation about the horizontal axis across the body, not the reported
// trim), the unit normal is
//   N(phi, tau) = (-sin tau, -sin phi cos tau, cos phi cos tau),
// the upright normal (0, 0, 1) turned by phi about x (points at larger y lie lower, since their
// height N.p falls) and then tipped towards -x by tau (points at larger x lie lower). For every tau
// in (-90, 90) degrees atan2(-B, C) = atan2(sin phi cos tau, cos phi cos tau) = phi: the heel is
// held exactly, and the reported trim atan2(-A, C) = atan2(sin tau, cos phi cos tau) grows with
// tau.
//
// Two horizontal unit vectors complete a right-handed frame with N:
//   along(tau) = (cos tau, -sin phi sin tau, cos phi sin tau)  = -dN/dtau, towards the +x end,
//   across     = (0, cos phi, sin phi)                          = -dN/dphi / cos tau,
// with along x across = N; across points to the +y side (its y component is cos phi), which lies
// deeper at positive heels, and does not depend on tau.
//
// Signs of the couple. Buoyancy w N acts at B, weight -w N at G, so the couple's moment is
// (B - G) x w N. Write B - G = a along + GZ across + h N: the moment is w (GZ along - a across).
// A body turning with angular velocity omega sees the fixed vertical turn the other way, dN/dt =
// N x omega. The part GZ along gives dN ~ GZ N x along = GZ across = -GZ dN/dphi / cos tau: the
// heel decreases when GZ > 0, so GZ = (B - G).across rights the body at positive heels. The part
// -a across gives dN ~ -a N x across = a along = -a dN/dtau: tau decreases when a > 0, so the
// longitudinal arm a = (B - G).along must vanish, and a body stable in trim has a rising with tau.
class HeelFrame {
 public:
  explicit HeelFrame(double phi) : sinPhi_(std::sin(phi)), cosPhi_(std::cos(phi)) {}
  Vec3 normal(double tau) const {
    const double c = std::cos(tau);
    return Vec3(-std::sin(tau), -sinPhi_ * c, cosPhi_ * c);
  }
  Vec3 along(double tau) const {
    const double s = std::sin(tau);
    return Vec3(std::cos(tau), -sinPhi_ * s, cosPhi_ * s);
  }
  Vec3 across() const { return Vec3(0, cosPhi_, sinPhi_); }

 private:
  double sinPhi_, cosPhi_;
};

// Places the water plane of a given normal that holds the displacement, for the curve's many
// samples. Successive samples differ little in attitude, so the plane of the new normal through
// the foot of the last centre of buoyancy on the last plane holds nearly the same volume, and
// Newton steps on the level (the volume grows at the rate of the waterplane area, refined by the
// secant of the last two trials) meet the draft search's test |v - V| / V < 1e-10 in two or three
// exact volume evaluations, where the bisection from the body's lowest to its highest point takes
// over thirty trials. A sample these steps do not settle within a few is left to the draft search.
// The plane satisfies the same volume test either way; only the bisection's choice among the
// planes that pass it differs.
class WaterPlacer {
 public:
  WaterPlacer(FloatingBody& body, double V) : body_(body), V_(V) {}

  void place(const Vec3& n, Plane& plane, Vec3& buoyancyCentre) {
    FastEvaluation* fast = body_.fastEvaluation.get();
    if (fast && area_ > 0 && steps(*fast, n, plane)) {
      double volume;
      fast->buoyancy(volume, buoyancyCentre, plane);
    } else {
      body_.findWaterPlane(plane, buoyancyCentre, V_, n);
      if (fast)
        area_ = computeWaterplane(body_, plane).area;
    }
    foot_ = buoyancyCentre - n * plane.value(buoyancyCentre);
  }

 private:
  static constexpr int kMaxSteps = 6;

  // The Newton steps; false when they do not meet the volume test.
  bool steps(FastEvaluation& fast, const Vec3& n, Plane& plane) {
    fast.setNormal(n.x, n.y, n.z);
    double D = -n.dot(foot_);
    double v = fast.submergedVolume(D);
    for (int k = 0; k < kMaxSteps; ++k) {
      if (std::fabs(v - V_) / V_ < kRelativeVolumeTolerance) {
        plane = Plane(n.x, n.y, n.z, D);
        return true;
      }
      // The level s = -D rises by (V - v) / area.
      const double next = D + (v - V_) / area_;
      if (!std::isfinite(next) || next == D)
        return false;
      const double w = fast.submergedVolume(next);
      const double secant = (v - w) / (next - D);
      if (std::isfinite(secant) && secant > 0)
        area_ = secant;
      D = next;
      v = w;
    }
    return false;
  }

  FloatingBody& body_;
  double V_;
  double area_ = 0;  // the waterplane area near the last plane placed
  Vec3 foot_;        // the last centre of buoyancy's foot on the last plane
};

// Where the curve's samples come from: the water plane of a normal with its centre of buoyancy,
// and a point on the weight's line of action there.
class Floating {
 public:
  virtual ~Floating() = default;
  virtual void place(const Vec3& n, Plane& plane, Vec3& buoyancyCentre, Vec3& gravity) = 0;
};

// The plain body: the water placed by Newton steps on the level, the centre of gravity fixed.
class FixedFloating : public Floating {
 public:
  FixedFloating(FloatingBody& body, double V, const Vec3& G) : water_(body, V), G_(G) {}
  void place(const Vec3& n, Plane& plane, Vec3& buoyancyCentre, Vec3& gravity) override {
    water_.place(n, plane, buoyancyCentre);
    gravity = G_;
  }

 private:
  WaterPlacer water_;
  Vec3 G_;
};

// A loaded body: the load places the water and settles its liquids at every sample, and a trim
// moment moves the weight's line of action along the body (a heel moment is the curve's heeling
// arm instead, see HeelingArmCrossing).
class LoadedFloating : public Floating {
 public:
  explicit LoadedFloating(LoadModel& load) : load_(load), trimArm_(load.heelingArms().trim) {}
  void place(const Vec3& n, Plane& plane, Vec3& buoyancyCentre, Vec3& gravity) override {
    load_.placeWater(n, plane, buoyancyCentre);
    gravity = load_.centreOfGravity(n);
    if (trimArm_ != 0)
      gravity = gravity + levelAlong(n) * trimArm_;
  }

 private:
  LoadModel& load_;
  double trimArm_;
};

// The body floating at one trim of a held heel.
struct Sample {
  double tau;
  Plane plane;
  Vec3 buoyancyCentre;
  Vec3 gravity;
  double arm;  // (B - G).along(tau)
};

bool oppositeSigns(double a, double b) {
  return (a < 0 && b > 0) || (a > 0 && b < 0);
}

// The step limited to kMaxTrimStep, and kept large enough to move the trim at all.
double clampStep(double step) {
  return std::copysign(std::fmax(std::fmin(std::fabs(step), kMaxTrimStep), kMinTrimStep), step);
}

// The trim at which the longitudinal arm vanishes, for one heel. Three stages, each only when the
// one before has not settled it:
//  1. local: from the guess, a secant search (the first step sized by the slope of the previous
//     heel) until two samples bracket the root, for at most kLocalEvaluations samples;
//  2. scan: samples outwards from the guess in steps of kScanStep until a root is bracketed;
//  3. within the bracket, regula falsi with the Illinois weighting: superlinear, and the bracket
//     always holds the root.
class TrimSearch {
 public:
  TrimSearch(Floating& water, double phi, double tolerance, int& draftSearches)
      : water_(water), frame_(phi), tolerance_(tolerance), searches_(draftSearches) {}

  // slope (arm per radian of trim) sizes the first step when it is a finite non-zero number and
  // is replaced by the slope across the final bracket. Returns the balanced sample, or the best
  // one found with found = false.
  Sample solve(double guess, double& slope, bool& found);
  double rightingArm(const Sample& s) const {
    return (s.buoyancyCentre - s.gravity).dot(frame_.across());
  }

 private:
  Sample at(double tau);
  bool balanced(const Sample& s) const { return std::fabs(s.arm) <= tolerance_; }
  void keepBest(const Sample& s) {
    if (std::fabs(s.arm) < std::fabs(best_.arm))
      best_ = s;
  }
  enum class Local { Balanced, Bracketed, Lost };
  Local searchLocally(double guess, double& slope, Sample& lo, Sample& hi);
  bool scan(double guess, Sample& lo, Sample& hi);
  Sample refine(Sample lo, Sample hi, double& slope, bool& found);

  Floating& water_;
  HeelFrame frame_;
  double tolerance_;
  int& searches_;
  Sample best_{};
};

Sample TrimSearch::at(double tau) {
  Sample s;
  s.tau = std::fmax(-kMaxTrim, std::fmin(kMaxTrim, tau));
  water_.place(frame_.normal(s.tau), s.plane, s.buoyancyCentre, s.gravity);
  ++searches_;
  s.arm = (s.buoyancyCentre - s.gravity).dot(frame_.along(s.tau));
  return s;
}

// Balanced: lo is the balanced sample. Bracketed: lo and hi lie on either side of the root.
TrimSearch::Local TrimSearch::searchLocally(double guess, double& slope, Sample& lo, Sample& hi) {
  Sample prev = at(guess);
  best_ = prev;
  if (balanced(prev)) {
    lo = prev;
    return Local::Balanced;
  }
  // Without a slope, assume a body stable in trim: the arm rises with tau.
  double step = std::isfinite(slope) && slope != 0 ? -prev.arm / slope
                                                   : -std::copysign(kFirstTrimStep, prev.arm);
  for (int evaluations = 2; evaluations <= kLocalEvaluations; ++evaluations) {
    const Sample cur = at(prev.tau + clampStep(step));
    keepBest(cur);
    if (cur.tau == prev.tau)
      break;  // pinned at the end of the trim range
    const double secantSlope = (cur.arm - prev.arm) / (cur.tau - prev.tau);
    if (balanced(cur)) {
      if (std::isfinite(secantSlope) && secantSlope != 0)
        slope = secantSlope;
      lo = cur;
      return Local::Balanced;
    }
    if (oppositeSigns(prev.arm, cur.arm)) {
      lo = prev;
      hi = cur;
      return Local::Bracketed;
    }
    // The secant through the two, extrapolating by at most four times the last step; a flat one
    // goes the way a body stable in trim would.
    step = -cur.arm / secantSlope;
    if (!std::isfinite(step))
      step = -cur.arm;
    const double lastStep = std::fabs(cur.tau - prev.tau);
    if (std::fabs(step) > 4 * lastStep)
      step = std::copysign(4 * lastStep, step);
    prev = cur;
  }
  return Local::Lost;
}

// Samples outwards from the guess, kScanStep further on each side in turn, until two neighbouring
// samples on one side bracket a root. When both sides find one at the same distance, the root at
// which the arm rises with the trim (a trim the body keeps) wins.
bool TrimSearch::scan(double guess, Sample& lo, Sample& hi) {
  Sample inner[2] = {at(guess), Sample{}};
  inner[1] = inner[0];
  bool open[2] = {true, true};  // a side closes when it reaches the end of the trim range
  for (int k = 1; open[0] || open[1]; ++k) {
    bool found = false;
    for (int side = 0; side < 2; ++side) {
      if (!open[side])
        continue;
      const Sample outer = at(guess + (side == 0 ? -k : k) * kScanStep);
      keepBest(outer);
      open[side] = std::fabs(outer.tau) < kMaxTrim;
      if (oppositeSigns(inner[side].arm, outer.arm)) {
        const bool rising = (outer.arm > inner[side].arm) == (side == 1);
        if (!found || rising) {
          lo = inner[side];
          hi = outer;
        }
        found = true;
      }
      inner[side] = outer;
    }
    if (found)
      return true;
  }
  return false;
}

Sample TrimSearch::refine(Sample lo, Sample hi, double& slope, bool& found) {
  double wLo = lo.arm, wHi = hi.arm;  // the arms as weighted by the Illinois rule
  int side = 0;
  for (int evaluations = 0; evaluations < kBracketEvaluations; ++evaluations) {
    if (std::fabs(hi.tau - lo.tau) <= kTrimResolution)
      break;
    double t = (lo.tau * wHi - hi.tau * wLo) / (wHi - wLo);
    if (!(t > std::fmin(lo.tau, hi.tau) && t < std::fmax(lo.tau, hi.tau)))
      t = 0.5 * (lo.tau + hi.tau);
    const Sample c = at(t);
    keepBest(c);
    slope = (hi.arm - lo.arm) / (hi.tau - lo.tau);
    if (balanced(c)) {
      found = true;
      return c;
    }
    // The end on the same side as the new sample moves to it; when the same end moves twice in a
    // row, the other end's weight is halved so that it cannot stay put for ever.
    if (oppositeSigns(c.arm, lo.arm)) {
      hi = c;
      wHi = c.arm;
      if (side == 1)
        wLo *= 0.5;
      side = 1;
    } else {
      lo = c;
      wLo = c.arm;
      if (side == -1)
        wHi *= 0.5;
      side = -1;
    }
  }
  found = false;
  return best_;
}

Sample TrimSearch::solve(double guess, double& slope, bool& found) {
  Sample lo, hi;
  found = true;
  guess = std::fmax(-kMaxTrim, std::fmin(kMaxTrim, guess));
  const Local local = searchLocally(guess, slope, lo, hi);
  if (local == Local::Balanced)
    return lo;
  if (local == Local::Lost && !scan(guess, lo, hi)) {
    found = false;
    return best_;
  }
  return refine(lo, hi, slope, found);
}

// The trim to start from: level for the first point (and after a heel without a balanced trim),
// then the last point's trim, then the straight line through the last two, and the parabola
// through the last three (the heels are equally spaced). Where the trim runs smoothly the parabola
// lands within the balance tolerance and the heel costs a single draft search. Where elements
// enter the water the trim bends sharply: a parabola that strays from the line by more than the
// last step falls back to the line, and after a jump (a step four times the one before it: the
// trim the body had no longer balances) the last trim is the better guess.
double trimGuess(const std::vector<double>& taus) {
  const size_t n = taus.size();
  if (n == 0)
    return 0;
  if (n == 1)
    return taus[0];
  const double a = taus[n - 1], b = taus[n - 2];
  const double line = 2 * a - b;
  if (n == 2)
    return line;
  const double c = taus[n - 3];
  const double lastStep = std::fabs(a - b);
  if (lastStep > 4 * std::fabs(b - c))
    return a;
  const double parabola = 3 * a - 3 * b + c;
  return std::fabs(parabola - line) <= lastStep ? parabola : line;
}

// Turns off storing the elements' cut results for the curve's many trial planes (the sums are
// all it reads) and turns it back on when the curve is done.
class KeepElementResults {
 public:
  explicit KeepElementResults(FastEvaluation* fast) : fast_(fast) {
    if (fast_)
      fast_->storesElementResults = false;
  }
  ~KeepElementResults() {
    if (fast_)
      fast_->storesElementResults = true;
  }
  KeepElementResults(const KeepElementResults&) = delete;
  KeepElementResults& operator=(const KeepElementResults&) = delete;

 private:
  FastEvaluation* fast_;
};

// The body balanced in trim at one heel, the trim search started from guess (radians). tau is
// left at the estimate of the balancing trim to extrapolate the next heels from: the balanced
// sample still has an arm within the tolerance, and the secant's estimate of the root keeps that
// remainder out of the next heels' extrapolation, where it would grow.
RightingArmPoint balanceHeel(Floating& water, double heelDeg, double tolerance, double guess,
                             double& slope, int& draftSearches, double& tau) {
  RightingArmPoint p;
  p.heelDeg = heelDeg;
  TrimSearch search(water, radians(p.heelDeg), tolerance, draftSearches);
  const Sample s = search.solve(guess, slope, p.trimFound);
  const bool sloped = std::isfinite(slope) && slope != 0;
  tau = sloped ? s.tau - s.arm / slope : s.tau;
  p.waterPlane = s.plane;
  p.buoyancyCentre = s.buoyancyCentre;
  p.trimDeg = degrees(std::atan2(-s.plane.A, s.plane.C));
  p.gz = search.rightingArm(s);
  p.longitudinalArm = s.arm;
  return p;
}

}  // namespace

int HeelRange::count() const {
  constexpr double kMaxCount = 1e6;
  if (!std::isfinite(fromDeg) || !std::isfinite(toDeg) || !(stepDeg > 0) || !(toDeg >= fromDeg))
    return 0;
  const double spans = (toDeg - fromDeg) / stepDeg;
  if (!(spans < kMaxCount))
    return 0;
  return static_cast<int>(std::floor(spans + 1e-9)) + 1;
}

namespace {

RightingArmCurve curveOf(FloatingBody& body, Floating& water, const HeelRange& range) {
  const KeepElementResults keep(body.fastEvaluation.get());
  RightingArmCurve curve;
  const int n = range.count();
  curve.points.reserve(static_cast<size_t>(n));
  std::vector<double> taus;
  taus.reserve(static_cast<size_t>(n));
  const double tolerance = kRelativeArmTolerance * body.bounds.diagonal();
  double slope = std::numeric_limits<double>::quiet_NaN();
  for (int i = 0; i < n; ++i) {
    double tau;
    RightingArmPoint p;
    try {
      p = balanceHeel(water, range.angleDeg(i), tolerance, trimGuess(taus), slope,
                      curve.draftSearches, tau);
    } catch (const WaterReachesOpening& reached) {
      // The hull floods through its open deck at this heel: the curve ends here.
      curve.openingHeelDeg = range.angleDeg(i);
      curve.openingPoint = reached.point;
      break;
    }
    taus.push_back(tau);
    if (!p.trimFound) {
      // Nothing to extrapolate from: the next heel starts level, its first step unsized.
      taus.clear();
      slope = std::numeric_limits<double>::quiet_NaN();
    }
    curve.points.push_back(p);
  }
  curve.summary = summarizeRightingArm(curve.points);
  return curve;
}

}  // namespace

RightingArmCurve computeRightingArmCurve(FloatingBody& body, double V, const Vec3& G,
                                         const HeelRange& range) {
  if (!body.fastEvaluation && !body.surfaceEvaluation)
    body.prepareFastEvaluation();
  FixedFloating water(body, V, G);
  return curveOf(body, water, range);
}

RightingArmCurve computeRightingArmCurve(FloatingBody& body, LoadModel& load,
                                         const HeelRange& range) {
  LoadedFloating water(load);
  RightingArmCurve curve = curveOf(body, water, range);
  const double arm = load.heelingArms().heel;
  if (arm != 0)
    curve.heeling = crossHeelingArm(curve.points, arm);
  return curve;
}

struct RightingArmProbe::State {
  State(FloatingBody& body, std::unique_ptr<Floating> placer)
      : keep(body.fastEvaluation.get()),
        water(std::move(placer)),
        tolerance(kRelativeArmTolerance * body.bounds.diagonal()) {}
  // The trim to start the heel from: interpolated between the estimates of the evaluated heels
  // around it, the nearest one's beyond them, level before any.
  double guess(double heelDeg) const {
    if (taus.empty())
      return 0;
    const auto above = taus.lower_bound(heelDeg);
    if (above == taus.begin())
      return above->second;
    const auto below = std::prev(above);
    if (above == taus.end())
      return below->second;
    const double f = (heelDeg - below->first) / (above->first - below->first);
    return below->second + f * (above->second - below->second);
  }

  KeepElementResults keep;
  std::unique_ptr<Floating> water;
  double tolerance;
  double slope = std::numeric_limits<double>::quiet_NaN();
  std::map<double, double> taus;  // heel (degrees) -> trim estimate of balanced heels
  int draftSearches = 0;
};

RightingArmProbe::RightingArmProbe(FloatingBody& body, double V, const Vec3& G) {
  if (!body.fastEvaluation && !body.surfaceEvaluation)
    body.prepareFastEvaluation();
  state_ = std::make_unique<State>(body, std::make_unique<FixedFloating>(body, V, G));
}

RightingArmProbe::RightingArmProbe(FloatingBody& body, LoadModel& load) {
  state_ = std::make_unique<State>(body, std::make_unique<LoadedFloating>(load));
}

RightingArmProbe::~RightingArmProbe() = default;

RightingArmPoint RightingArmProbe::at(double heelDeg) {
  State& s = *state_;
  double tau;
  const RightingArmPoint p =
      balanceHeel(*s.water, heelDeg, s.tolerance, s.guess(heelDeg), s.slope, s.draftSearches, tau);
  if (p.trimFound) {
    s.taus[heelDeg] = tau;
  } else {
    s.slope = std::numeric_limits<double>::quiet_NaN();
  }
  return p;
}

int RightingArmProbe::draftSearches() const {
  return state_->draftSearches;
}

namespace {

constexpr double kDegreesToRadians = kPi / 180;

// The largest point refined by the parabola through it and its neighbours (the heels are equally
// spaced); at an end of the range, or where the three points do not bend downwards, the point
// itself.
void findMaximum(const std::vector<RightingArmPoint>& p, RightingArmSummary& s) {
  size_t m = 0;
  for (size_t i = 1; i < p.size(); ++i) {
    if (p[i].gz > p[m].gz)
      m = i;
  }
  s.maxHeelDeg = p[m].heelDeg;
  s.maxGz = p[m].gz;
  if (m == 0 || m + 1 == p.size())
    return;
  const double g0 = p[m - 1].gz, g1 = p[m].gz, g2 = p[m + 1].gz;
  const double bend = g0 - 2 * g1 + g2;
  if (!(bend < 0))
    return;
  // Vertex of the parabola through (-1, g0), (0, g1), (1, g2), within half a step of the point.
  const double offset = 0.5 * (g0 - g2) / bend;
  s.maxHeelDeg = p[m].heelDeg + offset * (p[m + 1].heelDeg - p[m].heelDeg);
  s.maxGz = g1 - 0.25 * (g0 - g2) * offset;
}

void findVanishing(const std::vector<RightingArmPoint>& p, RightingArmSummary& s) {
  for (size_t i = 0; i + 1 < p.size(); ++i) {
    if (p[i].gz > 0 && !(p[i + 1].gz > 0)) {
      const double fraction = p[i].gz / (p[i].gz - p[i + 1].gz);
      s.vanishingHeelDeg = p[i].heelDeg + fraction * (p[i + 1].heelDeg - p[i].heelDeg);
      return;
    }
  }
}

// GZ at heel h between points i and i + 1, on the straight line through them.
double interpolate(const RightingArmPoint& a, const RightingArmPoint& b, double h) {
  return a.gz + (b.gz - a.gz) * ((h - a.heelDeg) / (b.heelDeg - a.heelDeg));
}

// Trapezoid area from 0 to limit degrees, in length x radians; absent unless the points span it.
std::optional<double> areaTo(const std::vector<RightingArmPoint>& p, double limit) {
  if (p.size() < 2 || p.front().heelDeg > 0 || p.back().heelDeg < limit)
    return std::nullopt;
  double area = 0;
  for (size_t i = 0; i + 1 < p.size(); ++i) {
    const double a = std::fmax(p[i].heelDeg, 0.0), b = std::fmin(p[i + 1].heelDeg, limit);
    if (!(b > a))
      continue;
    const double ga = interpolate(p[i], p[i + 1], a), gb = interpolate(p[i], p[i + 1], b);
    area += 0.5 * (ga + gb) * ((b - a) * kDegreesToRadians);
  }
  return area;
}

}  // namespace

RightingArmSummary summarizeRightingArm(const std::vector<RightingArmPoint>& points) {
  RightingArmSummary s;
  if (points.empty())
    return s;
  findMaximum(points, s);
  findVanishing(points, s);
  s.area30 = areaTo(points, 30);
  s.area40 = areaTo(points, 40);
  return s;
}

HeelingArmCrossing crossHeelingArm(const std::vector<RightingArmPoint>& points, double arm) {
  HeelingArmCrossing c;
  c.arm = arm;
  // Mirrored so that the moment pushes towards larger angles: angle s heel, excess s GZ - |arm|.
  const double s = arm < 0 ? -1.0 : 1.0;
  std::vector<double> angle, excess;
  for (const RightingArmPoint& p : points) {
    angle.push_back(s * p.heelDeg);
    excess.push_back(s * p.gz - std::fabs(arm));
  }
  if (s < 0) {
    std::reverse(angle.begin(), angle.end());
    std::reverse(excess.begin(), excess.end());
  }
  const size_t n = angle.size();
  size_t i = 0;
  while (i + 1 < n && !(excess[i] < 0 && excess[i + 1] >= 0))
    ++i;
  if (i + 1 >= n)
    return c;
  const double fraction = excess[i] / (excess[i] - excess[i + 1]);
  const double crossing = angle[i] + fraction * (angle[i + 1] - angle[i]);
  c.crossingHeelDeg = s * crossing;
  // The excess is linear between the points: each piece adds its trapezoid, the last one up to
  // where the excess falls back to zero.
  double area = 0;
  double from = crossing, value = 0;
  c.residualToEndOfRange = true;
  for (size_t k = i + 1; k < n; ++k) {
    if (excess[k] > 0) {
      area += 0.5 * (value + excess[k]) * (angle[k] - from) * kDegreesToRadians;
      from = angle[k];
      value = excess[k];
      continue;
    }
    const double drop = value - excess[k];
    const double back = drop > 0 ? from + value / drop * (angle[k] - from) : from;
    area += 0.5 * value * (back - from) * kDegreesToRadians;
    c.residualToEndOfRange = false;
    break;
  }
  c.residualArea = area;
  return c;
}
