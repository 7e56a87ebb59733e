#include "solver/draft_search.h"

#include <cmath>

#include "submerged/fast_evaluation.h"

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

// The body evaluations for planes of one normal: the body's fast evaluation when it has one
// (the same bits, much sooner), otherwise the body's own.
class PlaneEvaluations {
 public:
  PlaneEvaluations(FloatingBody& body, const Vec3& n)
      : body_(body), fast_(body.fastEvaluation.get()) {
    if (fast_)
      fast_->setNormal(n.x, n.y, n.z);
  }
  double volume(const Plane& plane) {
    return fast_ ? fast_->submergedVolume(plane.D) : body_.computeSubmergedVolume(plane);
  }
  void buoyancy(double& volume, Vec3& centre, const Plane& plane) {
    if (fast_) {
      fast_->buoyancy(volume, centre, plane);
    } else {
      body_.computeBuoyancy(volume, centre, plane);
    }
  }

 private:
  FloatingBody& body_;
  FastEvaluation* fast_;
};

}  // namespace

// Bisection on t, the plane sliding from the lowest corner L (t = 0, nothing submerged) to the
// highest corner H (t = 1, the whole body submerged) along the unit normal. Only the volume at the
// lower end of the bracket is known; each trial is judged by whether its volume error has the
// same sign as the lower end's. The relative volume test comes before the bracket update, so a
// trial that meets it is the result at once.
//
// Termination: the test |V_t - V| / V < 1e-10 cannot pass for a target above the whole body's
// volume, for a zero target, or when the doubles cannot place the plane finely enough (a body far
// from the origin). The search therefore also stops when the next trial point would be the same
// point as the last one (the bracket can no longer shrink in doubles: the same plane would only be
// evaluated again) or after kMaxTrials trial planes, and the last trial plane is the result. A
// target above the whole volume drives the plane up to just below H, a zero target down towards
// L. A negative target makes the relative error negative, so the first trial is taken at once.
void FloatingBody::findWaterPlane(Plane& plane, Vec3& buoyancyCentre, double V, Vec3 normal) {
  const Vec3 n =
      normal / std::sqrt(normal.x * normal.x + normal.y * normal.y + normal.z * normal.z);
  Vec3 low, high;
  extremeCorners(bounds, n, low, high);

  PlaneEvaluations evaluate(*this, n);
  double vLo = evaluate.volume(planeThrough(n, low));
  double tLo = 0;
  double tHi = 1;
  double t = 0.5;
  Vec3 p = (low + high) * 0.5;  // the first trial is the plain midpoint of the two corners
  Plane trial;
  for (int trials = 1;; ++trials) {
    trial = planeThrough(n, p);
    const double vT = evaluate.volume(trial);
    if (std::fabs(vT - V) / V < kRelativeVolumeTolerance || trials == kMaxTrials)
      break;
    if ((vT - V) * (vLo - V) > 0) {
      tLo = t;  // the trial lies on the same side of the target as the lower end
      vLo = vT;
    } else {
      tHi = t;
    }
    t = (tLo + tHi) * 0.5;
    const Vec3 next = low + (high - low) * t;
    if (next == p)
      break;
    p = next;
  }

  plane = trial;
  double volume;  // equals the last trial's volume; not needed
  evaluate.buoyancy(volume, buoyancyCentre, trial);
}
