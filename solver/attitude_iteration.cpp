#include "solver/attitude_iteration.h"

#include <cmath>
#include <istream>

#include "elements/console.h"
#include "elements/floating_body.h"
#include "solver/attitude_console.h"
#include "solver/load_model.h"
#include "submerged/fast_evaluation.h"

namespace {

constexpr double kStepFactor = 0.5;

// The settings of the runs on this thread, null for the defaults: runs on other threads set their
// own. Only a pointer is thread local. An object with a destructor there is destroyed when its
// thread ends, and the Windows build frees a thread's thread-local storage before it runs those
// destructors: the settings' callback was destroyed in freed memory. The settings live on the heap
// while a run needs them, and are freed when set back to the defaults.
thread_local AttitudeIterationSettings* threadSettings = nullptr;

const AttitudeIterationSettings& settings() {
  static const AttitudeIterationSettings plain;
  return threadSettings != nullptr ? *threadSettings : plain;
}

// One degree, the first angle step and the step after every forced tilt.
double startStep() {
  return std::acos(-1.0) * (1.0 / 180);
}

// The attitude being refined: the normal, the water plane and centre of buoyancy found for it,
// the point of the weight's line of action there, and the distance between the lines of action
// of gravity and buoyancy.
struct Attitude {
  Vec3 normal;
  Plane plane;
  Vec3 buoyancyCentre;
  Vec3 gravity;
  double distance;
};

// Places the water plane for the attitude's normal and measures the distance of the two lines.
void settle(LoadModel& load, Attitude& a, AttitudeCounts& counts) {
  ++counts.draftSearches;
  load.placeWater(a.normal, a.plane, a.buoyancyCentre);
  a.gravity = weightLinePoint(load, a.normal / a.normal.length());
  a.distance = FloatingBody::actionLineDistance(a.buoyancyCentre, a.gravity, a.normal);
}

// Tries tilts of the current normal about one axis, halving the angle after each failure. On a
// tilt that strictly shortens the distance the attitude takes it and true is returned; false once
// a tilt at or below the angle floor has failed. detAn keeps the last angle tried.
bool tryTilts(LoadModel& load, Attitude& current, const Vec3& axis, double& detAn,
              AttitudeCounts& counts) {
  for (;;) {
    Attitude trial;
    trial.normal = current.normal;
    trial.normal.rotateAbout(axis, detAn);
    settle(load, trial, counts);
    if (trial.distance < current.distance) {
      current = trial;
      return true;
    }
    if (detAn <= kAngleFloor)
      return false;
    detAn = detAn * kStepFactor;
  }
}

// Asks whether to go on although no tilt helps. Only the character 'y' continues; any other
// character, the end of input or a failed stream ends the iteration. A given answer is written
// after the question instead of being read; a given "yes" turns into "no" after kMostGivenYes.
bool userWantsToContinue(int& givenYes, AttitudeCounts& counts) {
  writeAttitudePrompt();
  if (settings().answer) {
    bool yes = *settings().answer;
    if (yes && ++givenYes > kMostGivenYes) {
      yes = false;
      counts.givenYesExhausted = true;
    }
    writeAttitudeAnswer(yes);
    return yes;
  }
  char answer;
  return static_cast<bool>(console::in() >> answer) && answer == 'y';
}

}  // namespace

// The body stays fixed; the water-plane normal starts vertical and is tilted about tiltAxis while
// that shortens the distance between the lines of action of gravity and buoyancy. The iteration
// ends when that distance is at most d_error, when the user declines to go on at the prompt, or at
// the step limit of the settings; the outputs are then the state of the last printed step line.
void solveFloatingAttitude(FloatingBody& body, LoadModel& load, Plane& plane, Vec3& buoyancyCentre,
                           AttitudeCounts& counts) {
  const DeferredElementResults deferred(body.fastEvaluation.get());
  const double dError = distanceTolerance(body.bounds);
  Attitude current;
  current.normal = Vec3(0, 0, 1);
  settle(load, current, counts);
  double detAn = startStep();
  int step = 0;
  int givenYes = 0;
  writeAttitudeHeader(kAngleFloor, kRelativeDistanceError, dError);
  writeAttitudeStepLine(step, detAn, current.distance, current.normal);

  while (dError < current.distance) {
    if (settings().maxSteps > 0 && step >= settings().maxSteps) {
      counts.stepLimitReached = true;
      break;
    }
    ++step;
    const Vec3 axis =
        FloatingBody::tiltAxis(current.buoyancyCentre, current.gravity, current.normal);
    if (!tryTilts(load, current, axis, detAn, counts)) {
      if (!userWantsToContinue(givenYes, counts))
        break;
      // Forced step: one degree about the same axis, taken whatever the distance becomes.
      detAn = startStep();
      current.normal.rotateAbout(axis, detAn);
      settle(load, current, counts);
    }
    writeAttitudeStepLine(step, detAn, current.distance, current.normal);
    counts.steps = step;
    if (step == settings().longRunSteps && settings().onLongRun)
      settings().onLongRun(step, detAn);
  }
  plane = current.plane;
  buoyancyCentre = current.buoyancyCentre;
}

void solveFloatingAttitude(FloatingBody& body, Plane& plane, Vec3& buoyancyCentre, double V, Vec3 G,
                           AttitudeCounts& counts) {
  FixedLoad load(body, V, G);
  solveFloatingAttitude(body, load, plane, buoyancyCentre, counts);
}

void FloatingBody::solveFloatingAttitude(Plane& plane, Vec3& buoyancyCentre, double V, Vec3 G) {
  AttitudeCounts counts;
  ::solveFloatingAttitude(*this, plane, buoyancyCentre, V, G, counts);
}

double distanceTolerance(const BoundingBox& bounds) {
  return kRelativeDistanceError * bounds.diagonal();
}

void setAttitudeIterationSettings(const AttitudeIterationSettings& newSettings) {
  const bool plain = newSettings.maxSteps == 0 && newSettings.longRunSteps == kLongRunSteps &&
                     !newSettings.onLongRun && !newSettings.answer;
  if (plain) {
    delete threadSettings;
    threadSettings = nullptr;
  } else if (threadSettings == nullptr) {
    threadSettings = new AttitudeIterationSettings(newSettings);
  } else {
    *threadSettings = newSettings;
  }
}
