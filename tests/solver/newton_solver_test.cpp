#include "solver/newton_solver.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "support/attitude_output.h"
#include "support/hostile_body.h"
#include "support/shapes.h"

namespace {

using test_support::angleBetween;
using test_support::normalOf;
using test_support::parseStepLine;
using test_support::StepLine;
using test_support::WallSidedBox;

const double kDegree = std::acos(-1.0) / 180;
const double kDError = 1e-6 * std::sqrt(6.0);  // of the 2 x 1 x 1 box

struct BoxRun {
  NewtonOutcome outcome;
  Plane plane;
  std::string console;
};

// The box barge 2 long (x), 1 wide (y), 1 deep with V = 0.5 (draft 0.25, KB = 0.125). Checks the
// console: the tilt iteration's header, one line per step numbered from 0, each shortening the
// distance, det_an the angle between the printed normals, the last line the returned state, and
// nothing read from the input.
BoxRun solveBox(const Vec3& G, int maxSteps = kDefaultNewtonMaxSteps) {
  FloatingBody body;
  test_support::makeBox(body, Vec3(-1, -0.5, 0), Vec3(1, 0.5, 1));
  test_support::ConsoleCapture console("y\n");
  BoxRun run;
  Vec3 B;
  run.outcome = solveNewtonAttitude(body, run.plane, B, 0.5, G, NewtonSettings{maxSteps});
  run.console = console.output();
  const std::vector<std::string> lines = test_support::splitLines(run.console);
  EXPECT_EQ(lines.size(), 5u + static_cast<size_t>(run.outcome.steps));
  EXPECT_EQ(run.console.find(test_support::attitudeHeader("2.44949e-06")), 0u);
  StepLine previous = parseStepLine(lines.at(4));
  for (size_t i = 5; i < lines.size(); ++i) {
    const StepLine s = parseStepLine(lines[i]);
    EXPECT_EQ(s.step, static_cast<int>(i) - 4);
    EXPECT_LT(s.d, previous.d);
    if (s.detAn > 1e-3) {  // the printed normals carry six digits
      EXPECT_NEAR(angleBetween(previous.normal, s.normal), s.detAn, 2e-5 * s.detAn + 2e-6);
    }
    previous = s;
  }
  EXPECT_NEAR(previous.normal.y, run.plane.B, 1e-6);
  EXPECT_EQ(console.unreadInput(), "y\n");
  return run;
}

// Equilibria of the wall-sided box far from upright, KG = 0.3, G off the centre line so that the
// box heels by 20 degrees (BM = 1/3 across the beam) or trims by 10 degrees (BM = 4/3 along it,
// the largest trim that keeps the bottom under water): a few draft searches, Newton steps only,
// the normal tipped away from G's side. A step limit ends the solve unconverged at its last line.
TEST(NewtonSolver, WallSidedBoxFarFromUprightAndTheStepLimit) {
  for (const bool heel : {true, false}) {
    SCOPED_TRACE(heel ? "heel" : "trim");
    const double BM = heel ? 1.0 / 3 : 4.0 / 3, GM = 0.125 + BM - 0.3;
    const double t = std::tan((heel ? 20 : 10) * kDegree);
    const WallSidedBox box{GM, BM, t * (GM + 0.5 * BM * t * t)};
    const Vec3 G = heel ? Vec3(0, box.g, 0.3) : Vec3(box.g, 0, 0.3);
    const BoxRun run = solveBox(G);
    EXPECT_TRUE(run.outcome.converged);
    EXPECT_EQ(run.outcome.gradientSteps, 0);
    EXPECT_LE(run.outcome.draftSearches, 10);
    EXPECT_LE(angleBetween(normalOf(run.plane), heel ? Vec3(0, -t, 1) : Vec3(-t, 0, 1)),
              box.angleTolerance(kDError));
    ASSERT_GT(run.outcome.steps, 2);
    const BoxRun limited = solveBox(G, 2);
    EXPECT_EQ(limited.outcome.steps, 2);
    EXPECT_TRUE(limited.outcome.stepLimitReached && !limited.outcome.converged);
    EXPECT_EQ(run.console.substr(0, limited.console.size()), limited.console);
  }
}

// G ten units above the deck: K is negative definite, so the solver tilts as the tilt iteration
// does instead, and no tilt shortens the distance. The Newton rotation of the indefinite matrix
// then reaches the unstable equilibrium nearby in one step: the normal leans towards G, so that
// the line of action up from B, still near the middle, passes through G. The notes say how.
TEST(NewtonSolver, TopHeavyBoxFallsBackToTheUnstableEquilibriumAndSaysSo) {
  const BoxRun run = solveBox(Vec3(0.01, 0, 10));
  EXPECT_TRUE(run.outcome.converged && !run.outcome.stalled);
  EXPECT_EQ(run.outcome.steps, 1);
  EXPECT_EQ(run.outcome.gradientSteps, 1);
  EXPECT_EQ(run.outcome.indefiniteSteps, 1);
  EXPECT_GT(normalOf(run.plane).x, 0);
  const std::vector<std::string> notes = newtonNotes(run.outcome);
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_NE(notes[0].find("not positive definite"), std::string::npos) << notes[0];
  EXPECT_NE(notes[1].find("indefinite restoring matrix"), std::string::npos) << notes[1];
}

// KG = 0.47: GM = 0.125 + 1/3 - 0.47 < 0 across the beam, small enough that the box stays
// wall-sided up to its loll, tan^2(phi) = -2 GM / BM when G is on the centre line. With G a little
// off it, the rotation of the indefinite matrix takes the box to the unstable equilibrium a few
// degrees to the other side, where the steps stall just short of the tolerance. Told to leave
// unstable equilibria, the solver turns from there down the potential to G's side and ends at the
// loll, and says so; not told, it ends where it stalled. With G on the centre line the box leans
// to neither side: the unstable upright equilibrium stays.
TEST(NewtonSolver, LeavesAnUnstableEquilibriumForTheLollToTheSideTheBodyLeans) {
  const double KG = 0.47, BM = 1.0 / 3, GM = 0.125 + BM - KG;
  const auto solve = [&](const Vec3& G, bool leave, Plane& plane) {
    FloatingBody body;
    test_support::makeBox(body, Vec3(-1, -0.5, 0), Vec3(1, 0.5, 1));
    test_support::ConsoleCapture console("");
    NewtonSettings settings;
    settings.leaveUnstableEquilibria = leave;
    Vec3 B;
    return solveNewtonAttitude(body, plane, B, 0.5, G, settings);
  };
  for (const double offset : {0.001, -0.0005}) {
    SCOPED_TRACE(offset);
    const WallSidedBox loll{GM, BM, offset, std::copysign(std::sqrt(-2 * GM / BM), offset)};
    const double t = std::tan(loll.equilibrium());
    ASSERT_GT(t * offset, 0) << "the loll lies to G's side";
    Plane plane;
    NewtonOutcome outcome = solve(Vec3(0, offset, KG), true, plane);
    EXPECT_TRUE(outcome.converged && !outcome.noStepDown);
    EXPECT_EQ(outcome.unstablePassed, 1);
    EXPECT_LE(angleBetween(normalOf(plane), Vec3(0, -t, 1)), loll.angleTolerance(kDError));
    const std::vector<std::string> notes = newtonNotes(outcome);
    ASSERT_FALSE(notes.empty());
    EXPECT_NE(notes.back().find("passed 1 unstable equilibrium"), std::string::npos);

    outcome = solve(Vec3(0, offset, KG), false, plane);
    EXPECT_EQ(outcome.unstablePassed, 0);
    const WallSidedBox unstable{GM, BM, offset};
    const double u = std::tan(unstable.equilibrium());
    EXPECT_LT(u * offset, 0) << "the unstable equilibrium lies to the other side";
    EXPECT_GT(normalOf(plane).y * offset, 0) << "the solve ends to the other side";
    EXPECT_LE(angleBetween(normalOf(plane), Vec3(0, -u, 1)), 0.03);
  }
  Plane plane;
  const NewtonOutcome outcome = solve(Vec3(0, 0, KG), true, plane);
  EXPECT_TRUE(outcome.converged);
  EXPECT_EQ(outcome.steps, 0);
  EXPECT_EQ(outcome.unstablePassed, 0);
  EXPECT_EQ(normalOf(plane).y, 0);
}

// KG = 0.6: GM < 0 across the beam, GM = 0.125 + 4/3 - 0.6 along the length. G ahead of the
// centre trims the box; K stays indefinite all the way, so every step is a tilt, and the tilts
// reach the trimmed (heel-unstable) equilibrium.
TEST(NewtonSolver, IndefiniteMatrixTiltsToTheEquilibrium) {
  const BoxRun run = solveBox(Vec3(0.05, 0, 0.6));
  EXPECT_TRUE(run.outcome.converged);
  EXPECT_GT(run.outcome.steps, 0);
  EXPECT_EQ(run.outcome.gradientSteps, run.outcome.steps);
  const WallSidedBox trim{0.125 + 4.0 / 3 - 0.6, 4.0 / 3, 0.05};
  const double theta = trim.equilibrium();
  EXPECT_LE(angleBetween(normalOf(run.plane), Vec3(-std::sin(theta), 0, std::cos(theta))),
            trim.angleTolerance(kDError));
}

// A sliver of a millionth of the volume, drawn as the robustness suite draws its eighth one,
// rests against an edge: some of its steps go to the minimum of the crease model, off the line of
// the rejected turn. Each step line's det_an is still the angle between the printed normals, and
// the last line is the returned plane.
TEST(NewtonSolver, CreaseStepsPrintTheirOwnAngle) {
  const hostile_body::RobustnessRun& suite = hostile_body::kMillionthOfTheVolume;
  test_support::Random random(suite.seed);
  for (int i = 0; i < 7; ++i) {
    FloatingBody drawn;
    hostile_body::loadedBody(drawn, random, suite.share, suite.degenerateShare);
  }
  FloatingBody body;
  hostile_body::loadedBody(body, random, suite.share, suite.degenerateShare);
  test_support::ConsoleCapture console("");
  Plane plane;
  Vec3 B;
  const NewtonOutcome outcome =
      solveNewtonAttitude(body, plane, B, body.displacementVolume, body.centreOfGravity);
  EXPECT_TRUE(outcome.converged);
  EXPECT_GT(outcome.creaseSteps, 0);
  const std::vector<std::string> lines = test_support::splitLines(console.output());
  ASSERT_EQ(lines.size(), 5u + static_cast<size_t>(outcome.steps));
  StepLine previous = parseStepLine(lines.at(4));
  for (size_t i = 5; i < lines.size(); ++i) {
    const StepLine s = parseStepLine(lines[i]);
    if (s.detAn > 1e-3) {  // the printed normals carry six digits
      EXPECT_NEAR(angleBetween(previous.normal, s.normal), s.detAn, 2e-5 * s.detAn + 2e-6)
          << lines[i];
    }
    previous = s;
  }
  EXPECT_NEAR(angleBetween(previous.normal, normalOf(plane)), 0, 2e-6);
}

}  // namespace
