#include "solver/newton_solver.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "solver/attitude_iteration.h"
#include "solver/equilibrium_verdict.h"
#include "support/attitude_output.h"
#include "support/shapes.h"

namespace {

using test_support::angleBetween;
using test_support::normalOf;
using test_support::parseStepLine;
using test_support::splitLines;
using test_support::StepLine;
using test_support::WallSidedBox;

const double kDegree = std::acos(-1.0) / 180;
const std::string kBoxDError = "2.44949e-06";  // 1e-6 times the diagonal of the 2 x 1 x 1 box

struct BoxRun {
  NewtonOutcome outcome;
  Plane plane;
  Vec3 B;
  std::string console;
  std::string unread;
};

// The box barge 2 long (x), 1 wide (y), 1 deep with V = 0.5 (draft 0.25, KB = 0.125).
BoxRun solveBox(const Vec3& G, int maxSteps = kDefaultNewtonMaxSteps) {
  FloatingBody body;
  test_support::makeBox(body, Vec3(-1, -0.5, 0), Vec3(1, 0.5, 1));
  test_support::ConsoleCapture console("y\n");
  BoxRun run;
  NewtonSettings settings;
  settings.maxSteps = maxSteps;
  run.outcome = solveNewtonAttitude(body, run.plane, run.B, 0.5, G, settings);
  run.console = console.output();
  run.unread = console.unreadInput();
  return run;
}

// The console has the tilt iteration's header and one line per step, numbered from 0, each
// shortening the distance, det_an the angle between the printed normals, and the last line is the
// returned state.
void expectStepLines(const BoxRun& run) {
  const std::vector<std::string> lines = splitLines(run.console);
  ASSERT_EQ(lines.size(), 5u + static_cast<size_t>(run.outcome.steps));
  const std::string header = test_support::attitudeHeader(kBoxDError);
  EXPECT_EQ(run.console.substr(0, header.size()), header);
  StepLine previous = parseStepLine(lines[4]);
  EXPECT_EQ(lines[4].substr(0, 33), "Step  0: det_an=0            , d=");
  for (size_t i = 5; i < lines.size(); ++i) {
    const StepLine s = parseStepLine(lines[i]);
    EXPECT_EQ(s.step, static_cast<int>(i) - 4);
    EXPECT_LT(s.d, previous.d);
    if (s.detAn > 1e-3) {  // the printed normals carry six digits
      EXPECT_NEAR(angleBetween(previous.normal, s.normal), s.detAn, 2e-5 * s.detAn + 2e-6);
    }
    previous = s;
  }
  EXPECT_NEAR(previous.normal.x, run.plane.A, 1e-6);
  EXPECT_NEAR(previous.normal.y, run.plane.B, 1e-6);
  EXPECT_EQ(run.unread, "y\n");  // the solver asks nothing
}

// Equilibria of the wall-sided box far from upright: G off the centre line so that the box heels
// by 20 degrees about x (BM = 1/3 across the beam) or trims by 10 degrees about y (BM = 4/3), the
// largest trim that keeps the bottom under water. KG = 0.3 in both.
TEST(NewtonSolver, WallSidedBoxFarFromUprightConvergesInAFewDraftSearches) {
  struct Case {
    double degrees, BM;
    bool heel;
  };
  for (const Case& c : {Case{20, 1.0 / 3, true}, Case{10, 4.0 / 3, false}}) {
    SCOPED_TRACE(c.degrees);
    const double t = std::tan(c.degrees * kDegree), GM = 0.125 + c.BM - 0.3;
    const WallSidedBox box{GM, c.BM, t * (GM + 0.5 * c.BM * t * t)};
    ASSERT_NEAR(box.equilibrium(), c.degrees * kDegree, 1e-12);
    const Vec3 G = c.heel ? Vec3(0, box.g, 0.3) : Vec3(box.g, 0, 0.3);
    const BoxRun run = solveBox(G);
    expectStepLines(run);
    EXPECT_TRUE(run.outcome.converged);
    EXPECT_EQ(run.outcome.gradientSteps, 0);
    EXPECT_LE(run.outcome.draftSearches, 10);
    // The normal tips away from the side of G.
    const Vec3 expected = c.heel ? Vec3(0, -t, 1) : Vec3(-t, 0, 1);
    EXPECT_LE(angleBetween(normalOf(run.plane), expected),
              box.angleTolerance(1e-6 * std::sqrt(6.0)));
  }
}

// G ten units above the deck: K is negative definite, so the solver takes tilts of the tilt
// iteration's kind instead, and none of them shortens the distance (every tilt that moves B
// towards G's side raises the moment). It stops without asking, at the start state, and says why.
TEST(NewtonSolver, TopHeavyBoxFallsBackToTiltsAndSaysSo) {
  const BoxRun run = solveBox(Vec3(0.01, 0, 10));
  expectStepLines(run);
  EXPECT_FALSE(run.outcome.converged);
  EXPECT_TRUE(run.outcome.stalled);
  EXPECT_EQ(run.outcome.steps, 0);
  EXPECT_EQ(run.outcome.gradientSteps, 1);
  EXPECT_EQ(normalOf(run.plane), Vec3(0, 0, 1));
  const std::vector<std::string> notes = newtonNotes(run.outcome);
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_NE(notes[0].find("not positive definite"), std::string::npos) << notes[0];
  EXPECT_NE(notes[1].find("no rotation"), std::string::npos) << notes[1];
}

// KG = 0.6: GM = 0.125 + 1/3 - 0.6 < 0 across the beam, GM = 0.125 + 4/3 - 0.6 > 0 along the
// length. G ahead of the centre trims the box; K stays indefinite all the way, so every step is a
// tilt, and they reach the trimmed equilibrium, which is unstable in heel.
TEST(NewtonSolver, IndefiniteMatrixTiltsToAnUnstableEquilibrium) {
  const WallSidedBox trim{0.125 + 4.0 / 3 - 0.6, 4.0 / 3, 0.05};
  FloatingBody body;
  test_support::makeBox(body, Vec3(-1, -0.5, 0), Vec3(1, 0.5, 1));
  test_support::ConsoleCapture console;
  Plane plane;
  Vec3 B;
  const Vec3 G(0.05, 0, 0.6);
  const NewtonOutcome outcome = solveNewtonAttitude(body, plane, B, 0.5, G);
  EXPECT_TRUE(outcome.converged);
  EXPECT_GT(outcome.steps, 0);
  EXPECT_EQ(outcome.gradientSteps, outcome.steps);
  const double theta = trim.equilibrium();
  EXPECT_LE(angleBetween(normalOf(plane), Vec3(-std::sin(theta), 0, std::cos(theta))),
            trim.angleTolerance(1e-6 * std::sqrt(6.0)));
  EXPECT_EQ(checkEquilibrium(body, plane, B, 0.5, G).verdict, Verdict::kUnstable);
  ASSERT_EQ(newtonNotes(outcome).size(), 1u);
}

// The step limit ends the solve like an unconverged one, at the state of the last step line; 0
// removes the limit.
TEST(NewtonSolver, StepLimit) {
  const Vec3 G(0, 0.0657, 0.3);  // about 20 degrees of heel: more than two steps
  const BoxRun unlimited = solveBox(G, 0);
  ASSERT_TRUE(unlimited.outcome.converged);
  ASSERT_GT(unlimited.outcome.steps, 2);
  const BoxRun limited = solveBox(G, 2);
  expectStepLines(limited);
  EXPECT_EQ(limited.outcome.steps, 2);
  EXPECT_TRUE(limited.outcome.stepLimitReached);
  EXPECT_FALSE(limited.outcome.converged);
  EXPECT_EQ(unlimited.console.substr(0, limited.console.size()), limited.console);
  EXPECT_TRUE(newtonNotes(limited.outcome).empty());
}

}  // namespace
