#include "solver/newton_solver.h"

#include <cmath>
#include <sstream>

#include "solver/attitude_console.h"
#include "solver/attitude_iteration.h"
#include "solver/load_model.h"
#include "solver/stability.h"
#include "submerged/fast_evaluation.h"
#include "submerged/waterplane.h"

// Signs. The body stays fixed and the water plane turns, but the restoring matrix K is written for
// the body turning under a fixed water plane: a small rotation w of the body (an in-plane vector,
// right-handed, its length the angle) changes the hydrostatic moment by -K w. Seen from the body,
// that rotation turns the water's normal the other way: n becomes n - w x n, the normal turned
// about -w by |w|.
//
// The moment. Buoyancy V n acts at B, the weight -V n at G (both divided by rho g): the couple
//   M = (B - G) x (V n) = V (B - G) x n
// is the same about every point, lies in the plane (it is normal to n) and has the length V d, d
// the distance between the two lines of action.
//
// The Jacobian. Write B - G = h n + e with e in the plane (h = zB - zG). Turning the body by w
// turns B - G to h (n + w x n) + e + w x e and adds the wedges' moment -J w. Since w and e both
// lie in the plane, w x e is along n and drops out of the cross product with n, and
// (w x n) x n = -w. So the moment of the turned body is M - (J + V h Id) w = M - K w: K is the
// exact derivative of the moment also away from equilibrium, where e is not zero. A rotation about
// any other in-plane axis is the one through the centre of flotation plus a shift along n, which
// the draft search takes back and which does not change a couple.
//
// The Newton step solves K w = M in the plane frame (axisU, axisV) and turns the normal about -w
// by |w|. Along that step the moment changes at the rate -K w = -M: its length falls whatever the
// signs of K's eigenvalues, so the step also runs into unstable equilibria. Where K is not
// positive definite the solver therefore tilts as the tilt iteration does instead: the normal
// turns about tiltAxis, (G - B) x n, which moves B towards the side of G. For an isotropic
// positive K = k Id the Newton step has that same axis, -w = (V / k) (G - B) x n.
//
// Which turn is better. At constant displacement the potential energy of body and water, divided
// by rho g V, is (G - B) . n, the height of G above B; its rate as the plane turns is the righting
// arm, and its minima are the stable equilibria. The distance d is the size of that rate: on the
// way from upright to an equilibrium far off it first grows (the arm rises to its maximum before
// it falls to zero), so a solver that only takes turns shortening d crawls there; and being the
// size of a slope, d has ridges and kinks of its own, where no turn shortens it although the
// potential falls steeply. A Newton step of a positive definite K runs downhill in the potential;
// once such a step is taken and lowers the potential, the body is on its way down into a valley,
// and every later turn is judged by the potential too (by d where the potentials are level to
// rounding), so that the two measures never take turns undoing each other. Until then, and at
// every turn of a body that never runs downhill, a turn must shorten d, as in the tilt iteration:
// that is how an unstable equilibrium is reached.
//
// Minima of d that are no equilibrium. d = |g|, g the potential's gradient, so d has a minimum
// wherever g lies in the null space of the potential's Hessian H = K / V: where K is singular
// along the moment. The tilt iteration stalls there, with the lines of action apart, and a solver
// that only shortens d crawls along d's valley towards it. Near such a place the rotation K^-1 M
// grows without bound. So where the solver falls back to a tilt and K's rotation is longer than
// its longest step (the matrix shows no equilibrium within any reach, stable or not), the tilt is
// judged by the potential as a Newton step is: the body runs down towards a stable equilibrium,
// as it would itself, and the potential judges every later turn. An unstable equilibrium that
// the matrix does show nearby is still reached by shortening d.
//
// Valleys. The tilt iteration creeps from upright in steps of at most a degree and settles in the
// first valley of the potential it meets. A turn by the solver's longer reach can cross that
// valley and end higher on its far side, still with a shorter d, and lead to another equilibrium
// (a saddle beyond the ridge, say). A tilt and the Newton rotation of a positive definite K both
// run downhill at first (the tilt axis is the potential's steepest descent, the rotation a descent
// of its quadratic model), so such a turn longer than a degree whose end lies higher than its
// start has crossed a valley: it is not taken, even where d is shorter there, and it is shortened
// as a turn that lengthens d is. Shorter turns are judged as the tilt iteration judges its steps.
//
// Unstable equilibria. Newton steps run into any equilibrium, and so does the rotation of an
// indefinite K where no tilt helps. At an equilibrium where K is not positive definite the
// potential has a maximum or a saddle: it falls along the eigenvector of K's negative curvature,
// on both sides. A body that leans, at upright, to one side of that direction falls to that side
// (a box of negative GM with G a little off the centre line lolls to G's side, although the
// Newton steps find the unstable equilibrium a fraction of a degree to the other side first). So
// where asked, the solver turns from such an equilibrium along that direction, to the side of the
// lean, by the first step's reach or less, until the potential is lower; from then on the
// potential judges every turn, as after a downhill Newton step, and the solve ends at a stable
// equilibrium below (or at the next unstable one, which is left the same way). Where the body
// leans to neither side (G exactly over the centre line of a symmetric body), or no turn down to
// the angle floor lowers the potential, the unstable equilibrium stays the result.
//
// Creases. Where the plane passes a vertex or an edge of the body the waterplane changes at once,
// and with it the restoring matrix: the potential has a crease there, smooth on either side. A
// body of a small displacement often rests on one (its sliver of water sits against an edge), and
// a Newton step from one side, whose matrix knows nothing of the other, overshoots the crease. A
// rejected turn whose slope changed sign on the way has crossed one, and it tells the other side's
// slope: the potential is then close to the larger of the two sides' models, and the next trial
// goes to that model's minimum, on the crease or beyond it, before the turn is shortened along
// its line.

namespace {

constexpr double kStepFactor = 0.5;
constexpr double kDegree = 3.14159265358979323846 / 180;
// The reach of the first step: the restoring matrix describes the hydrostatics of the current
// plane only, and a plane turned much further may cut the body through other faces, or lead to
// another equilibrium than the one nearest upright that the tilt iteration finds.
constexpr double kFirstReach = 7 * kDegree;
// The tilt iteration's first and longest step.
constexpr double kTiltIterationStep = kDegree;
// The longest step, reached by doubling after steps that the reach cut short and that succeeded.
constexpr int kLongestStepDegrees = 60;
constexpr double kLongestStep = kLongestStepDegrees * kDegree;
// Potentials closer than this fraction of d_error count as level: near the equilibrium the
// potential changes with the square of the distance and its rounding takes over.
constexpr double kLevelPotential = 1e-3;

// The three kinds of turn, by how they are judged (see the top of the file).
enum class TurnKind {
  kNewton,      // the Newton rotation of a positive definite K: downhill, never across a valley
  kTilt,        // a tilt about tiltAxis: never across a valley
  kDescent,     // a tilt where K shows no equilibrium within the longest step: downhill, as kNewton
  kIndefinite,  // the Newton rotation of an indefinite K: d alone judges
};

// The attitude being refined: the normal, the water plane and centre of buoyancy found for it,
// and the distance between the lines of action of gravity and buoyancy.
struct Attitude {
  Vec3 normal;
  Plane plane;
  Vec3 buoyancyCentre;
  Vec3 gravity;  // on the weight's line of action at this normal (load_model.h)
  double distance;
  double potential;  // (G - B) . n: the height of G above B, less the heeling moments' work
};

// K positive definite: both leading minors positive (false for NaN entries).
bool isPositiveDefinite(const RestoringMatrix& K) {
  const double det = K.k[0][0] * K.k[1][1] - K.k[0][1] * K.k[1][0];
  return K.k[0][0] > 0 && det > 0;
}

enum class Stiffness { PositiveDefinite, Indefinite, Singular };

// The quadratic model of the potential about an attitude, in the plane's frame (axisU, axisV):
// U(p) = U0 + g . p + p H p / 2 for the normal turned by the rotation vector p (rotateAbout's
// axis times its angle). Its slope along a unit axis e is e . g with g = n x (G - B) = M / V, and
// the Newton turn -w = -K^-1 M makes H = K / V.
struct Model {
  Vec3 axisU, axisV;
  double h[2][2];
  bool valid = false;  // K positive definite
};

// The body's rotation w with K w = M at the attitude's plane, as a vector in the body frame, and
// whether K is positive definite there (no rotation when it is singular).
Stiffness newtonRotation(LoadModel& load, double V, const Attitude& a, Vec3& w, Model& model) {
  const WaterplaneProperties wp = load.waterplane(a.plane);
  const Vec3 offset = a.buoyancyCentre - a.gravity;
  SecondMoments fs;
  const bool liquids = load.freeSurface(wp.normal, fs);
  const RestoringMatrix K =
      loadedRestoringMatrix(wp, liquids ? &fs : nullptr, V, offset.dot(wp.normal));
  const Vec3 M = offset.cross(wp.normal) * V;
  const double mu = M.dot(wp.axisU), mv = M.dot(wp.axisV);
  const double det = K.k[0][0] * K.k[1][1] - K.k[0][1] * K.k[1][0];
  const double wu = (K.k[1][1] * mu - K.k[0][1] * mv) / det;
  const double wv = (K.k[0][0] * mv - K.k[1][0] * mu) / det;
  w = wp.axisU * wu + wp.axisV * wv;
  model.axisU = wp.axisU;
  model.axisV = wp.axisV;
  const double coupling = (K.k[0][1] + K.k[1][0]) / 2 / V;
  model.h[0][0] = K.k[0][0] / V;
  model.h[1][1] = K.k[1][1] / V;
  model.h[0][1] = model.h[1][0] = coupling;
  model.valid = false;
  // A rotation whose length underflows (a displacement near the smallest doubles) gives no axis.
  const double angle = w.length();
  if (!(std::isfinite(angle) && angle > 0))
    return Stiffness::Singular;
  model.valid = isPositiveDefinite(K);
  return model.valid ? Stiffness::PositiveDefinite : Stiffness::Indefinite;
}

class NewtonRun {
 public:
  NewtonRun(LoadModel& load, double dError)
      : load_(load),
        V_(load.displacementVolume()),
        arms_(load.heelingArms()),
        potentialTolerance_(kLevelPotential * dError) {}

  // Places the water plane for the attitude's normal and measures the distance of the two lines.
  void settle(Attitude& a) {
    ++outcome.draftSearches;
    load_.placeWater(a.normal, a.plane, a.buoyancyCentre);
    const Vec3 unit = a.normal / a.normal.length();
    a.gravity = weightLinePoint(load_, unit);
    a.distance = FloatingBody::actionLineDistance(a.buoyancyCentre, a.gravity, a.normal);
    a.potential = (a.gravity - a.buoyancyCentre).dot(a.normal) / a.normal.length();
    if (arms_.any())
      a.potential += heelingPotential(arms_, unit);
  }

  // One step: the Newton rotation where K allows it, otherwise (or when it does not help) a
  // gradient tilt. False when neither helps; angle is then the last angle tried, otherwise the
  // angle of the rotation taken.
  bool step(Attitude& current, double& angle) {
    Vec3 w;
    const Stiffness stiffness = newtonRotation(load_, V_, current, w, model_);
    if (stiffness == Stiffness::PositiveDefinite &&
        turnWithin(current, w * -1, w.length(), angle, TurnKind::kNewton))
      return true;
    ++outcome.gradientSteps;
    model_.valid = false;
    const Vec3 axis =
        FloatingBody::tiltAxis(current.buoyancyCentre, current.gravity, current.normal);
    angle = 0;
    const TurnKind tilt = w.length() <= kLongestStep ? TurnKind::kTilt : TurnKind::kDescent;
    if (isFinite(axis) && turnWithin(current, axis, HUGE_VAL, angle, tilt)) {
      outcome.descentSteps += tilt == TurnKind::kDescent;
      return true;
    }
    // Where no tilt helps, the Newton rotation of an indefinite K still leads to the equilibrium
    // nearby, stable or not: the verdict then tells which.
    if (stiffness != Stiffness::Indefinite ||
        !turnWithin(current, w * -1, w.length(), angle, TurnKind::kIndefinite))
      return false;
    ++outcome.indefiniteSteps;
    return true;
  }

  // At an equilibrium, or where the steps stalled: where K is not positive definite and the body
  // leans (`lean`, the descent axis at upright) to one side of a direction of negative curvature,
  // turns down the potential to that side (see the top of the file). False where there is nothing
  // to leave (canLeave) or no such turn (noStepDown is then set); angle is the angle of the turn
  // taken.
  bool canLeave(const Attitude& current, const Vec3& lean, double dError) const {
    Vec3 axis;
    return fallAxis(current, lean, dError, axis);
  }

  bool leaveUnstable(Attitude& current, const Vec3& lean, double dError, double& angle) {
    Vec3 axis;
    if (!fallAxis(current, lean, dError, axis))
      return false;
    model_.valid = false;
    reach_ = kFirstReach;
    if (!turnWithin(current, axis, HUGE_VAL, angle, TurnKind::kDescent)) {
      outcome.noStepDown = true;
      return false;
    }
    ++outcome.unstablePassed;
    return true;
  }

  NewtonOutcome outcome;

 private:
  // The unit axis of the turn that leaves an unstable equilibrium: of the eigenvectors of K's
  // symmetric part with a negative eigenvalue, the one along which the lean is largest, signed
  // towards the lean. False where K is positive definite (or not finite), or the lean along each
  // such eigenvector is within the distance tolerance.
  bool fallAxis(const Attitude& current, const Vec3& lean, double dError, Vec3& axis) const {
    const WaterplaneProperties wp = load_.waterplane(current.plane);
    SecondMoments fs;
    const bool liquids = load_.freeSurface(wp.normal, fs);
    const RestoringMatrix K = loadedRestoringMatrix(
        wp, liquids ? &fs : nullptr, V_, (current.buoyancyCentre - current.gravity).dot(wp.normal));
    if (isPositiveDefinite(K))
      return false;
    const double a = K.k[0][0], c = K.k[1][1], b = (K.k[0][1] + K.k[1][0]) / 2;
    const double mean = (a + c) / 2, radius = std::hypot((a - c) / 2, b);
    if (!std::isfinite(mean) || !std::isfinite(radius))
      return false;
    double best = dError;
    for (const double lambda : {mean - radius, mean + radius}) {
      if (!(lambda < 0))
        continue;
      // (K - lambda Id) e = 0: of the two forms of e, the one away from the diagonal's
      // cancellation.
      const Vec3 e = std::fabs(a - lambda) >= std::fabs(c - lambda)
                         ? wp.axisU * -b + wp.axisV * (a - lambda)
                         : wp.axisU * (c - lambda) + wp.axisV * -b;
      const double length = e.length();
      const Vec3 unit = length > 0 ? e / length : wp.axisU;  // K = lambda Id: any in-plane axis
      const double along = unit.dot(lean);
      if (std::fabs(along) > best) {
        best = std::fabs(along);
        axis = along > 0 ? unit : unit * -1;
      }
    }
    return best > dError;
  }

  // Turns the normal about the axis by the full angle or the reach, whichever is smaller,
  // shortening the angle until the turn is better. The reach doubles after a step that it cut short
  // and that succeeded at once, and becomes the angle taken after a step that needed shortening or
  // that turned across a crease.
  bool turnWithin(Attitude& current, const Vec3& axis, double full, double& angle, TurnKind kind) {
    const double tried = std::fmin(full, reach_);
    angle = tried;
    const int creaseSteps = outcome.creaseSteps;
    if (!turn(current, axis, angle, kind))
      return false;
    if (angle < tried || outcome.creaseSteps > creaseSteps)
      reach_ = angle;
    else if (full > tried)
      reach_ = std::fmin(2 * reach_, kLongestStep);
    return true;
  }

  // Turns the normal about the axis by the angle, shortening the angle until the turn is better
  // (see the top of the file): by half where d judges, to the cubic model's minimum where the
  // potential does, after one turn to the minimum of the crease model where the first trial
  // overshot a valley. True when it is (the attitude takes the turn); false once a turn at or
  // below the angle floor has failed.
  bool turn(Attitude& current, const Vec3& axis, double& angle, TurnKind kind) {
    const Vec3 unit = axis / axis.length();
    const double slope = potentialSlope(current, unit);
    const bool downhill = kind == TurnKind::kNewton || kind == TurnKind::kDescent;
    bool creaseTried = false;
    for (;;) {
      Attitude trial = turned(current, axis, angle);
      const bool acrossValley = kind != TurnKind::kIndefinite && angle > kTiltIterationStep &&
                                trial.potential > current.potential + potentialTolerance_;
      if (!acrossValley && takes(current, trial, downhill))
        return true;
      if (angle <= kAngleFloor)
        return false;
      const double endSlope = potentialSlope(trial, unit);
      if (!creaseTried && model_.valid && slope < 0 && endSlope > 0) {
        creaseTried = true;
        Vec3 rotation;
        if (creaseRotation(current, trial, unit * angle, rotation)) {
          Attitude across = turned(current, rotation, rotation.length());
          if (takes(current, across, downhill)) {
            angle = rotation.length();
            ++outcome.creaseSteps;
            return true;
          }
        }
      }
      angle = descending_ || downhill ? shorterAngle(current, trial, slope, endSlope, angle)
                                      : angle * kStepFactor;
    }
  }

  Attitude turned(const Attitude& current, const Vec3& axis, double angle) {
    Attitude trial;
    trial.normal = current.normal;
    trial.normal.rotateAbout(axis, angle);
    settle(trial);
    return trial;
  }

  // Whether the trial is better than the current attitude (see the top of the file); the current
  // attitude then takes it.
  bool takes(Attitude& current, const Attitude& trial, bool downhill) {
    const bool lower = trial.potential < current.potential - potentialTolerance_;
    const bool level = trial.potential <= current.potential + potentialTolerance_;
    const bool closer = trial.distance < current.distance;
    if (descending_ ? lower || (level && closer) : closer || (downhill && lower)) {
      descending_ = descending_ || (downhill && lower);
      current = trial;
      return true;
    }
    return false;
  }

  // The gradient of the potential at the attitude with respect to the rotation vector.
  Vec3 gradient(const Attitude& a) const {
    const Vec3 n = a.normal / a.normal.length();
    return n.cross(a.gravity - a.buoyancyCentre);
  }

  // The rotation to the minimum of the crease model after the turn `taken` overshot a valley and
  // ended at `over`: the larger of the two ends' linear models, both with the current curvature
  // H. The minimum lies on the crease where the two models meet, unless the far side's own
  // minimum lies inside its side. False when the current side's minimum lies inside its own side
  // (no crease between), or the model gives none.
  bool creaseRotation(const Attitude& current, const Attitude& over, const Vec3& taken,
                      Vec3& rotation) const {
    const Model& m = model_;
    const auto plane2 = [&](const Vec3& x, double(&p)[2]) {
      p[0] = x.dot(m.axisU);
      p[1] = x.dot(m.axisV);
    };
    double g0[2], g1[2], r1[2];
    plane2(gradient(current), g0);
    plane2(gradient(over), g1);
    plane2(taken, r1);
    const double(&H)[2][2] = m.h;
    const double det = H[0][0] * H[1][1] - H[0][1] * H[1][0];
    const auto solve = [&](const double(&b)[2], double(&x)[2]) {  // x = -H^-1 b
      x[0] = -(H[1][1] * b[0] - H[0][1] * b[1]) / det;
      x[1] = -(H[0][0] * b[1] - H[1][0] * b[0]) / det;
    };
    // Side 1's model about the current attitude: c1 + b1 . p + p H p / 2.
    const double Hr[2] = {H[0][0] * r1[0] + H[0][1] * r1[1], H[1][0] * r1[0] + H[1][1] * r1[1]};
    const double b1[2] = {g1[0] - Hr[0], g1[1] - Hr[1]};
    const double c1 =
        over.potential - (g1[0] * r1[0] + g1[1] * r1[1]) + (r1[0] * Hr[0] + r1[1] * Hr[1]) / 2;
    const double c0 = current.potential;
    const auto side0 = [&](const double(&p)[2]) { return c0 + g0[0] * p[0] + g0[1] * p[1]; };
    const auto side1 = [&](const double(&p)[2]) { return c1 + b1[0] * p[0] + b1[1] * p[1]; };
    double hg[2], p[2];
    solve(g0, hg);
    if (side0(hg) >= side1(hg))
      return false;  // no crease between: the current side's own minimum
    solve(b1, p);
    if (!(side1(p) >= side0(p))) {
      // On the crease a . p = c; p = -H^-1 (g0 + lambda a) with lambda in [-1, 0].
      const double a[2] = {g0[0] - b1[0], g0[1] - b1[1]}, c = c1 - c0;
      double ha[2];
      solve(a, ha);
      const double aHa = -(a[0] * ha[0] + a[1] * ha[1]), aHg = -(a[0] * hg[0] + a[1] * hg[1]);
      const double lambda = -(c + aHg) / aHa;
      if (!(lambda >= -1 && lambda <= 0))
        return false;
      p[0] = hg[0] + lambda * ha[0];
      p[1] = hg[1] + lambda * ha[1];
    }
    rotation = m.axisU * p[0] + m.axisV * p[1];
    const double length = rotation.length();
    return std::isfinite(length) && length > 0 && length <= kLongestStep;
  }

  // The rate of change of the potential as the normal turns about the unit axis. The centre of
  // buoyancy moves parallel to the water plane as the plane turns at constant displacement, and a
  // slack tank's liquid centre parallel to its own level surface, so only the turning normal
  // counts: d/dt (G - B) . n = (G - B) . (axis x n). The heeling arms' share of G is level, and
  // its slope is that of heelingPotential (load_model.h).
  double potentialSlope(const Attitude& a, const Vec3& unit) const {
    const Vec3 n = a.normal / a.normal.length();
    return (a.gravity - a.buoyancyCentre).dot(unit.cross(n));
  }

  // The angle at which the cubic through the potentials and their slopes at both ends of a
  // rejected turn has its minimum, kept between a tenth and a half of the angle; half the angle
  // where the ends do not describe a descent.
  static double shorterAngle(const Attitude& start, const Attitude& end, double slope0,
                             double slope1, double angle) {
    const double d1 = slope0 + slope1 - 3 * (end.potential - start.potential) / angle;
    const double root = d1 * d1 - slope0 * slope1;
    if (!(slope0 < 0) || !(root >= 0))
      return angle * kStepFactor;
    const double d2 = std::sqrt(root);
    const double t = 1 - (slope1 + d2 - d1) / (slope1 - slope0 + 2 * d2);
    if (!std::isfinite(t))
      return angle * kStepFactor;
    return angle * std::fmin(std::fmax(t, 0.1), kStepFactor);
  }

  LoadModel& load_;
  double V_;
  HeelingArms arms_;
  double potentialTolerance_;
  double reach_ = kFirstReach;
  Model model_;
  bool descending_ = false;
};

}  // namespace

NewtonOutcome solveNewtonAttitude(FloatingBody& body, Plane& plane, Vec3& buoyancyCentre, double V,
                                  const Vec3& G, const NewtonSettings& settings) {
  FixedLoad load(body, V, G);
  return solveNewtonAttitude(body, load, plane, buoyancyCentre, settings);
}

NewtonOutcome solveNewtonAttitude(FloatingBody& body, LoadModel& load, Plane& plane,
                                  Vec3& buoyancyCentre, const NewtonSettings& settings) {
  const DeferredElementResults deferred(body.fastEvaluation.get());
  const double dError = distanceTolerance(body.bounds);
  NewtonRun run(load, dError);
  NewtonOutcome& outcome = run.outcome;
  Attitude current;
  current.normal = Vec3(0, 0, 1);
  run.settle(current);
  // The side the body leans to at upright: the axis of the turn down the potential there.
  const Vec3 lean = (current.gravity - current.buoyancyCentre).cross(current.normal);
  writeAttitudeHeader(kAngleFloor, kRelativeDistanceError, dError);
  writeAttitudeStepLine(0, 0, current.distance, current.normal);

  const bool leave = settings.leaveUnstableEquilibria;
  for (;;) {
    const bool equilibrium = !(dError < current.distance);
    if (equilibrium && !(leave && run.canLeave(current, lean, dError)))
      break;
    if (settings.maxSteps > 0 && outcome.steps >= settings.maxSteps) {
      outcome.stepLimitReached = true;
      break;
    }
    double angle;
    // A stall where K is not positive definite lies near an unstable equilibrium, which is left
    // as one that was reached.
    if (equilibrium ? !run.leaveUnstable(current, lean, dError, angle)
                    : !run.step(current, angle) &&
                          !(leave && run.leaveUnstable(current, lean, dError, angle))) {
      outcome.stalled = !equilibrium;
      break;
    }
    ++outcome.steps;
    writeAttitudeStepLine(outcome.steps, angle, current.distance, current.normal);
  }
  outcome.converged = !(dError < current.distance);
  plane = current.plane;
  buoyancyCentre = current.buoyancyCentre;
  return outcome;
}

std::vector<std::string> newtonNotes(const NewtonOutcome& outcome) {
  std::vector<std::string> lines;
  if (outcome.gradientSteps > 0) {
    std::ostringstream text;
    text << "floatstate: newton: the restoring matrix was not positive definite (an unstable or "
            "singular attitude) or its rotation did not help at "
         << outcome.gradientSteps << " of " << outcome.steps + (outcome.stalled ? 1 : 0)
         << " steps: gradient steps of the tilt iteration were taken instead";
    lines.push_back(text.str());
  }
  if (outcome.descentSteps > 0) {
    std::ostringstream text;
    text << "floatstate: newton: " << outcome.descentSteps
         << " of those tilts ran down the potential energy instead of shortening the distance: the "
            "restoring matrix showed no equilibrium within "
         << kLongestStepDegrees << " degrees of the plane";
    lines.push_back(text.str());
  }
  if (outcome.indefiniteSteps > 0) {
    std::ostringstream text;
    text << "floatstate: newton: where no tilt helped, " << outcome.indefiniteSteps
         << " steps followed the Newton rotation of the indefinite restoring matrix, towards the "
            "equilibrium nearby, stable or not";
    lines.push_back(text.str());
  }
  if (outcome.unstablePassed > 0) {
    std::ostringstream text;
    text << "floatstate: newton: passed " << outcome.unstablePassed
         << (outcome.unstablePassed == 1 ? " unstable equilibrium" : " unstable equilibria")
         << " and went on down the potential to the side the body leans";
    lines.push_back(text.str());
  }
  if (outcome.noStepDown) {
    lines.push_back(
        "floatstate: newton: no turn to the side the body leans lowers the potential at the "
        "unstable equilibrium reached: it stays the result");
  }
  if (outcome.stalled) {
    std::ostringstream text;
    text << "floatstate: newton: no rotation down to " << kAngleFloor
         << " rad shortens the distance between the lines of action: stopped after "
         << outcome.steps << " steps";
    lines.push_back(text.str());
  }
  return lines;
}
