#pragma once

// The attitude iteration: FloatingBody::solveFloatingAttitude (declared with the body in
// elements/floating_body.h) tilts the water-plane normal until gravity and buoyancy act on one
// line.

#include <functional>
#include <optional>

#include "elements/floating_body.h"
#include "geometry/bounding_box.h"
#include "solver/load_model.h"

// `a_error`: the smallest angle step in radians; a tilt of this size that fails ends the search
// for a better attitude.
constexpr double kAngleFloor = 1e-10;

// `error`: the iteration's distance tolerance relative to the size of the body.
constexpr double kRelativeDistanceError = 1e-6;

// `d_error`: the distance between the lines of action of gravity and buoyancy at which the
// iteration counts the body as in equilibrium, kRelativeDistanceError times the box's diagonal.
double distanceTolerance(const BoundingBox& bounds);

// What one attitude iteration did: the step lines it wrote after step 0 (steps taken, forced ones
// included), how often it placed the water plane (draft searches), whether it ended at the step
// limit of the settings, and whether it ended because the given answers "yes" ran out.
struct AttitudeCounts {
  int steps = 0;
  int draftSearches = 0;
  bool stepLimitReached = false;
  bool givenYesExhausted = false;
};

// A given answer "yes" (see AttitudeIterationSettings::answer) is given this many times at most:
// each forced step turns the plane by a degree, so by then the forced steps could have turned it
// all the way round, and a body that never settles would otherwise be tilted for ever.
constexpr int kMostGivenYes = 360;

// The iteration counts as long after this many steps: its angle step never grows after a success,
// so a step that shrank at a facet kink stays that small.
constexpr int kLongRunSteps = 10000;

// What the iteration takes besides its arguments, set by the front end before a run. The defaults
// are the plain iteration: no step limit and no note.
struct AttitudeIterationSettings {
  // After this many steps the iteration ends as when the user declines to go on; 0: no limit.
  int maxSteps = 0;
  // Called once when the iteration has taken longRunSteps steps, with the angle step then.
  int longRunSteps = kLongRunSteps;
  std::function<void(int steps, double angleStep)> onLongRun;
  // The answer to the question asked where no tilt helps, given in place of the user's: the
  // question and the answer ("y" or "n") are written to the console, and nothing is read from its
  // input. None: the answer is read from the console's input.
  std::optional<bool> answer;
};
// Sets them for the iterations that run on the calling thread (each thread has its own). A thread
// that set other settings sets the defaults back before it ends: until then they are kept.
void setAttitudeIterationSettings(const AttitudeIterationSettings& settings);

// FloatingBody::solveFloatingAttitude, counting its work in `counts`; the same console lines and
// the same results bit for bit.
void solveFloatingAttitude(FloatingBody& body, Plane& plane, Vec3& buoyancyCentre, double V, Vec3 G,
                           AttitudeCounts& counts);

// The same iteration for a loaded body: the water plane placed by the load, the weight's line of
// action through the load's centre of gravity at each trial normal (moved by its heeling arms).
// With a FixedLoad of the body, V and G it is the iteration above, bit for bit.
void solveFloatingAttitude(FloatingBody& body, LoadModel& load, Plane& plane, Vec3& buoyancyCentre,
                           AttitudeCounts& counts);
