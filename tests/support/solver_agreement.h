#pragma once

// Whether two attitudes found for one body by different solvers are the same equilibrium.

#include <cmath>
#include <istream>
#include <ostream>
#include <sstream>

#include "elements/console.h"
#include "elements/floating_body.h"
#include "geometry/plane.h"
#include "geometry/vec3.h"
#include "solver/attitude_iteration.h"
#include "solver/equilibrium_verdict.h"
#include "solver/newton_solver.h"

namespace solver_agreement {

// A solver's result with its verdict, and what it cost.
struct Result {
  Plane plane;
  Vec3 buoyancyCentre;
  int steps;
  int draftSearches;
  EquilibriumCheck check;
};

// How far two results lie apart, against what their residual distances explain. Each result stops
// with the lines of action d <= d_error apart; near an equilibrium the moment V d grows with the
// rotation w away from it as |K w|, so two attitudes of one equilibrium lie at most
// (d1 + d2) / |GMmin| radians apart (GMmin: the smallest metacentric height there), and their
// centres of buoyancy at most that angle times (BMmax + |B - F|): the wedges shift B by BM per
// radian and the turn of the plane about the centre of flotation F moves it by its arm. Both
// ratios at most kAgreementSlack (room for the change of K over the interval), and the same
// verdict, is the same equilibrium.
constexpr double kAgreementSlack = 1.5;

struct Agreement {
  double rotation;  // angle between the normals over the explained angle
  double centres;   // distance of the centres of buoyancy over the explained distance
  bool sameVerdict;
  bool holds() const {
    return sameVerdict && rotation <= kAgreementSlack && centres <= kAgreementSlack;
  }
};

inline double ratio(double value, double explained) {
  return value == 0 ? 0 : value / explained;
}

inline Agreement compare(const Result& a, const Result& b) {
  const StabilityResult& s = b.check.stability;
  const Vec3 na(a.plane.A, a.plane.B, a.plane.C), nb(b.plane.A, b.plane.B, b.plane.C);
  const double angle = std::atan2(na.cross(nb).length(), na.dot(nb));
  const double explained = (a.check.distance + b.check.distance) / std::fabs(s.GMmin);
  const double arm = (s.GMmax - (s.zB - s.zG)) +
                     (b.buoyancyCentre - b.check.waterplane.centreOfFlotation).length();
  return {ratio(angle, explained),
          ratio((a.buoyancyCentre - b.buoyancyCentre).length(), explained * arm),
          a.check.verdict == b.check.verdict};
}

constexpr int kGreedyStepLimit = 200000;

// The console output of the solvers is dropped; standard input is at its end, so a prompt of the
// tilt iteration ends it.
class SilentConsole {
 public:
  SilentConsole() : out_(nullptr) { console::redirect(&out_, &in_); }
  ~SilentConsole() { console::redirect(nullptr, nullptr); }
  SilentConsole(const SilentConsole&) = delete;
  SilentConsole& operator=(const SilentConsole&) = delete;

 private:
  std::ostream out_;
  std::istringstream in_;
};

// Both solvers from the upright start, with the body's displacement and centre of gravity and
// the console silent. The tilt iteration is cut off after kGreedyStepLimit steps.
inline Result solveGreedy(FloatingBody& body) {
  Result r{};
  const double V = body.displacementVolume;
  const Vec3 G = body.centreOfGravity;
  AttitudeIterationSettings settings;
  settings.maxSteps = kGreedyStepLimit;
  setAttitudeIterationSettings(settings);
  AttitudeCounts counts;
  {
    SilentConsole silent;
    solveFloatingAttitude(body, r.plane, r.buoyancyCentre, V, G, counts);
  }
  setAttitudeIterationSettings(AttitudeIterationSettings());
  r.steps = counts.steps;
  r.draftSearches = counts.draftSearches;
  r.check = checkEquilibrium(body, r.plane, r.buoyancyCentre, V, G);
  return r;
}

inline Result solveNewton(FloatingBody& body) {
  Result r{};
  const double V = body.displacementVolume;
  const Vec3 G = body.centreOfGravity;
  NewtonOutcome outcome;
  {
    SilentConsole silent;
    outcome = solveNewtonAttitude(body, r.plane, r.buoyancyCentre, V, G);
  }
  r.steps = outcome.steps;
  r.draftSearches = outcome.draftSearches;
  r.check = checkEquilibrium(body, r.plane, r.buoyancyCentre, V, G);
  return r;
}

}  // namespace solver_agreement
