#pragma once

// The Newton attitude solver: the second way to the floating attitude, beside the tilt iteration
// of solveFloatingAttitude. Each step places the water plane for the current normal by the draft
// search, measures the moment of the couple of weight and buoyancy, and turns the normal by the
// rotation that the restoring matrix at that plane (the exact Jacobian of the moment) says will
// cancel it. Near a stable equilibrium the distance between the lines of action then falls
// quadratically, where the tilt iteration gains a fixed share per step.

#include <string>
#include <vector>

#include "elements/floating_body.h"
#include "solver/load_model.h"

// The default limit of steps of the Newton solver.
constexpr int kDefaultNewtonMaxSteps = 50;

struct NewtonSettings {
  int maxSteps = kDefaultNewtonMaxSteps;  // 0: no limit
  // At an equilibrium whose restoring matrix is not positive definite (an unstable one), go on
  // down the potential along a direction of negative curvature, to the side the body leans at
  // upright, towards a stable equilibrium. Off: the solve ends at the first equilibrium it
  // reaches, stable or not.
  bool leaveUnstableEquilibria = false;
};

// How the solve went. A step is one printed step line after step 0.
struct NewtonOutcome {
  int steps = 0;
  int draftSearches = 0;
  // Steps taken as tilts of the tilt iteration's kind because the restoring matrix was not
  // positive definite (an unstable or a singular attitude) or its rotation did not help.
  int gradientSteps = 0;
  // Of those, tilts taken for the potential energy alone: the restoring matrix showed no
  // equilibrium within the longest step, so they ran downhill instead of shortening the distance.
  int descentSteps = 0;
  // Of those, steps where no tilt helped either and the Newton rotation of the indefinite
  // restoring matrix was taken: they lead to the equilibrium nearby, stable or not.
  int indefiniteSteps = 0;
  // Steps that went to the minimum of the crease model after a turn overshot a valley.
  int creaseSteps = 0;
  // Unstable equilibria that the solve reached and left down the potential (with
  // leaveUnstableEquilibria).
  int unstablePassed = 0;
  // The solve ended at an unstable equilibrium from which no turn to the side the body leans
  // lowers the potential (with leaveUnstableEquilibria; not where the body leans to no side).
  bool noStepDown = false;
  bool converged = false;         // the lines of action end at most d_error apart
  bool stalled = false;           // no rotation down to the angle floor shortened the distance
  bool stepLimitReached = false;  // ended at maxSteps with the distance above d_error
};

// Solves for the attitude at which gravity (through G) and buoyancy of the displacement V act on
// one line, to the tilt iteration's tolerance d_error, starting from the normal (0, 0, 1). Writes
// the tilt iteration's header and one step line per step to the console (det_an is the angle of
// the step's rotation), asks nothing, and leaves in plane and buoyancyCentre the state of the last
// printed step line.
NewtonOutcome solveNewtonAttitude(FloatingBody& body, Plane& plane, Vec3& buoyancyCentre, double V,
                                  const Vec3& G, const NewtonSettings& settings = {});
// The same for a loaded body: the load places the water plane and gives the centre of gravity
// and the free surfaces at each trial normal; the restoring matrix then has the free surfaces'
// terms (load_model.h), the potential the heeling moments' work. With a FixedLoad of the body, V
// and G it is the solve above, bit for bit.
NewtonOutcome solveNewtonAttitude(FloatingBody& body, LoadModel& load, Plane& plane,
                                  Vec3& buoyancyCentre, const NewtonSettings& settings = {});

// The lines, each starting "floatstate: ", that say where the solve left its Newton steps: the
// gradient steps it fell back to and a stall. None for a solve of Newton steps only.
std::vector<std::string> newtonNotes(const NewtonOutcome& outcome);
