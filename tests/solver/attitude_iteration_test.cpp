#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "elements/floating_body.h"
#include "solver/attitude_console.h"
#include "solver/attitude_iteration.h"
#include "support/attitude_output.h"
#include "support/shapes.h"

namespace {

using Console = test_support::ConsoleCapture;
using test_support::angleBetween;
using test_support::makeBox;
using test_support::normalOf;
using test_support::parseStepLine;
using test_support::splitLines;
using test_support::StepLine;
using test_support::WallSidedBox;

std::string header(const std::string& dError) {
  return test_support::attitudeHeader(dError);
}

const double kOneDegree = std::acos(-1.0) / 180;

// 旋转角步长足够小但距离无法缩小(原因有可能是浮体重心过高)!继续迭代输入'y',否则输入'n'.
const std::string kPrompt =
    "\xd0\xfd\xd7\xaa\xbd\xc7\xb2\xbd\xb3\xa4\xd7\xe3\xb9\xbb\xd0\xa1\xb5\xab\xbe\xe0\xc0\xeb\xce"
    "\xde\xb7\xa8\xcb\xf5\xd0\xa1(\xd4\xad\xd2\xf2\xd3\xd0\xbf\xc9\xc4\xdc\xca\xc7\xb8\xa1\xcc\xe5"
    "\xd6\xd8\xd0\xc4\xb9\xfd\xb8\xdf)!\xbc\xcc\xd0\xf8\xb5\xfc\xb4\xfa\xca\xe4\xc8\xeb'y',\xb7\xf1"
    "\xd4\xf2\xca\xe4\xc8\xeb'n'.\n";

TEST(AttitudeConsole, StepLineBytes) {
  Console console;
  writeAttitudeStepLine(0, kOneDegree, 0.5, Vec3(0, 0, 1));
  writeAttitudeStepLine(1, kOneDegree, 0.178, Vec3(-0.0174524, 0, 0.999848));
  writeAttitudeStepLine(10, 0.25, 1e-7, Vec3(0.5, -0.25, 1));
  writeAttitudeStepLine(100, 0.125, 2, Vec3(1, 2, 3));
  EXPECT_EQ(
      console.output(),
      "Step  0: det_an=0            , d=0.5          ,N=<0         ,0         ,1         >\n"
      "Step  1: det_an=0.0174533    , d=0.178        ,N=<-0.0174524,0         ,0.999848  >\n"
      "Step 10: det_an=0.25         , d=1e-07        ,N=<0.5       ,-0.25     ,1         >\n"
      "Step100: det_an=0.125        , d=2            ,N=<1         ,2         ,3         >\n");
  EXPECT_EQ(std::cout.flags() & std::ios::adjustfield, std::ios::left);
}

// Box barge 2 long (x), 1 wide (y), 1 deep, V = 0.5: draft T = 0.25, KB = 0.125.
// G = (0.2, 0, 0.2) is off-centre along x: a trim about the y axis with BM = 2^2 / (12 T) = 4/3
// and GM = 0.125 + 4/3 - 0.2.
TEST(AttitudeIteration, TrimmedBoxBarge) {
  FloatingBody body;
  makeBox(body, Vec3(-1, -0.5, 0), Vec3(1, 0.5, 1));
  const Vec3 G(0.2, 0, 0.2);
  Console console;
  Plane plane;
  Vec3 B;
  body.solveFloatingAttitude(plane, B, 0.5, G);
  const std::vector<std::string> lines = splitLines(console.output());

  ASSERT_GE(lines.size(), 6u);
  const std::string expectedHeader = header("2.44949e-06");
  EXPECT_EQ(console.output().substr(0, expectedHeader.size()), expectedHeader);
  // Step 0: B = (0, 0, 0.125) straight below the upright G's offset of 0.2.
  EXPECT_EQ(lines[4],
            "Step  0: det_an=0            , d=0.2          ,N=<0         ,0         ,1         >");
  // Step 1: the first trial at one degree is taken, N tipped towards -x.
  const WallSidedBox box{0.125 + 4.0 / 3 - 0.2, 4.0 / 3, 0.2};
  const StepLine first = parseStepLine(lines[5]);
  EXPECT_EQ(lines[5].substr(0, 33), "Step  1: det_an=0.0174533    , d=");
  EXPECT_NEAR(first.d, std::fabs(box.gz(kOneDegree)), 1e-6);
  EXPECT_NEAR(first.normal.x, -std::sin(kOneDegree), 1e-6);

  // Steps count up by one, each shortening the distance with a step that never grows.
  double d = 0.2, detAn = first.detAn;
  for (size_t i = 5; i < lines.size(); ++i) {
    const StepLine s = parseStepLine(lines[i]);
    EXPECT_EQ(s.step, static_cast<int>(i) - 4);
    EXPECT_LT(s.d, d);
    EXPECT_LE(s.detAn, detAn);
    d = s.d;
    detAn = s.detAn;
  }
  const double dError = 1e-6 * std::sqrt(6.0);
  const Vec3 n = normalOf(plane);
  EXPECT_LE(FloatingBody::actionLineDistance(B, G, n), dError);
  EXPECT_LT(std::fabs(body.computeSubmergedVolume(plane) - 0.5) / 0.5, 1e-10);
  const double theta = box.equilibrium();
  EXPECT_LE(angleBetween(n, Vec3(-std::sin(theta), 0, std::cos(theta))),
            box.angleTolerance(dError));
  EXPECT_EQ(console.unreadInput(), "");
}

// The same barge heeled by G off the centre line across the beam. Choosing tan(phi) = 0.1
// first: BM = 1 / (12 * 0.25) = 1/3, with KG = 0.3 GM = 0.125 + 1/3 - 0.3 = 19/120, so the
// offset is g = 0.1 (19/120 + (1/3) 0.01 / 2) = 0.016. At that heel the water line runs from
// z = 0.2 to 0.3 across the sides. The plane is z = 0.25 + y tan(phi), normal (0, -0.1, 1)
// normalised, and B = (0, BM tan(phi), KB + BM tan^2(phi) / 2) = (0, 1/30, 0.125 + 1/600).
TEST(AttitudeIteration, HeeledWallSidedBoxMatchesTheHandDerivation) {
  FloatingBody body;
  makeBox(body, Vec3(-1, -0.5, 0), Vec3(1, 0.5, 1));
  Console console;
  Plane plane;
  Vec3 B;
  body.solveFloatingAttitude(plane, B, 0.5, Vec3(0, 0.016, 0.3));
  EXPECT_EQ(console.output().find(kPrompt), std::string::npos);

  const WallSidedBox box{19.0 / 120, 1.0 / 3, 0.016};
  ASSERT_NEAR(std::tan(box.equilibrium()), 0.1, 1e-15);
  const double tolerance = box.angleTolerance(1e-6 * std::sqrt(6.0));  // about 1.5e-5 rad
  EXPECT_LE(angleBetween(normalOf(plane), Vec3(0, -0.1, 1)), tolerance);
  // The centre line's draft is fixed by the volume alone; B moves about BM / cos^2 per radian.
  EXPECT_NEAR(plane.value(Vec3(0, 0, 0.25)), 0, 1e-9);
  // Trim is left free below d_error too: the pitch stiffness (BM = 4/3 along x) turns a trim
  // angle into about 4/3 of it in B.x, and the iteration's axis picks up and over-corrects that
  // component a little each step.
  EXPECT_NEAR(B.x, 0, 4.0 / 3 * tolerance);
  EXPECT_NEAR(B.y, 1.0 / 30, 0.35 * tolerance);
  EXPECT_NEAR(B.z, 0.125 + 1.0 / 600, 0.35 * tolerance);
}

// G on the centre line straight above B: nothing to do. Off the origin to keep offsets honest:
// 2 x 1 x 1.5 from (1, 2, -1), V = 1.2 gives the draft 0.6, so the water plane is z = -0.4 and B
// is at (2, 2.5, -0.7).
TEST(AttitudeIteration, BodyAlreadyInEquilibriumPrintsOnlyTheStartState) {
  FloatingBody body;
  makeBox(body, Vec3(1, 2, -1), Vec3(3, 3, 0.5));
  Console console;
  Plane plane;
  Vec3 B;
  body.solveFloatingAttitude(plane, B, 1.2, Vec3(2, 2.5, 0.1));
  const std::vector<std::string> lines = splitLines(console.output());
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(console.output().substr(0, header("2.69258e-06").size()), header("2.69258e-06"));
  EXPECT_EQ(lines[4].substr(0, 33), "Step  0: det_an=0            , d=");
  EXPECT_LE(parseStepLine(lines[4]).d, 1e-12);
  EXPECT_EQ(lines[4].substr(46), ",N=<0         ,0         ,1         >");
  EXPECT_EQ(normalOf(plane), Vec3(0, 0, 1));
  EXPECT_NEAR(plane.D, 0.4, 1e-10);
  EXPECT_NEAR(B.x, 2, 1e-12);
  EXPECT_NEAR(B.y, 2.5, 1e-12);
  EXPECT_NEAR(B.z, -0.7, 1e-10);
  EXPECT_EQ(std::cout.flags() & std::ios::adjustfield, std::ios::left);
}

// G ten units above the deck: GM = 0.125 + 4/3 - 10 < 0, so GZ(phi) = 0.01 cos(phi) + 8.5 sin(phi)
// (roughly) only grows as N tips away from G: no tilt can shorten the distance, and every step
// ends at the prompt after halving one degree down to the floor.
TEST(AttitudeIteration, PromptAnswers) {
  struct Case {
    const char* input;
    int forcedSteps;
    const char* unread;
  };
  const Case cases[] = {
      {"n", 0, ""}, {"Y", 0, ""}, {"", 0, ""}, {"yes\n", 1, "s\n"}, {"  y\n\n n", 1, ""}};
  const Vec3 G(0.01, 0, 10);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "input '" << c.input << "'");
    FloatingBody body;
    makeBox(body, Vec3(-1, -0.5, 0), Vec3(1, 0.5, 1));
    Console console(c.input);
    Plane plane;
    Vec3 B;
    body.solveFloatingAttitude(plane, B, 0.5, G);
    const std::string out = console.output();
    const std::vector<std::string> lines = splitLines(out);
    ASSERT_EQ(lines.size(), 6u + 2 * c.forcedSteps);
    EXPECT_EQ(out.substr(0, header("2.44949e-06").size()), header("2.44949e-06"));
    EXPECT_EQ(lines[4].substr(0, 38), "Step  0: det_an=0            , d=0.01 ");
    EXPECT_EQ(lines[5] + "\n", kPrompt);
    EXPECT_EQ(console.unreadInput(), c.unread);
    // The outputs are the state of the last printed step line.
    const StepLine last = parseStepLine(lines[lines.size() - 2]);
    const Vec3 n = normalOf(plane);
    EXPECT_NEAR(last.d, FloatingBody::actionLineDistance(B, G, n),
                5e-6 * last.d);  // six digits printed
    EXPECT_NEAR(last.normal.x, n.x, 1e-6);
    EXPECT_NEAR(last.normal.z, n.z, 1e-6);
    if (c.forcedSteps == 0) {
      EXPECT_EQ(n, Vec3(0, 0, 1));
      EXPECT_NEAR(B.z, 0.125, 1e-14);
    } else {
      // The forced step turns one degree about the step's axis (0, -1, 0), whatever d does.
      EXPECT_EQ(lines[6].substr(0, 33), "Step  1: det_an=0.0174533    , d=");
      EXPECT_GT(last.d, 0.01);
      EXPECT_NEAR(n.x, -std::sin(kOneDegree), 1e-15);
      EXPECT_NEAR(n.z, std::cos(kOneDegree), 1e-15);
      EXPECT_EQ(lines[7] + "\n", kPrompt);
    }
  }
}

// The front end's settings: a step limit ends the iteration as a declined prompt would, at the
// state of the last step line; the long-run note comes once, with the angle step of that step's
// line, and the console shows nothing of it.
TEST(AttitudeIteration, StepLimitAndLongRunNote) {
  AttitudeCounts counts;
  Plane plane;
  const auto run = [&] {
    FloatingBody body;
    makeBox(body, Vec3(-1, -0.5, 0), Vec3(1, 0.5, 1));
    Console console;
    Vec3 B;
    counts = AttitudeCounts();
    solveFloatingAttitude(body, plane, B, 0.5, Vec3(0.2, 0, 0.2), counts);  // the trimmed barge
    return console.output();
  };
  const auto solve = [&](const AttitudeIterationSettings& settings) {
    setAttitudeIterationSettings(settings);
    std::string output = run();
    setAttitudeIterationSettings(AttitudeIterationSettings());
    return output;
  };
  std::vector<std::pair<int, double>> notes;
  AttitudeIterationSettings noting;
  noting.longRunSteps = 5;
  noting.onLongRun = [&notes](int steps, double angle) { notes.emplace_back(steps, angle); };
  const std::string full = solve(noting);
  const std::vector<std::string> lines = splitLines(full);
  ASSERT_GT(counts.steps, 5);
  EXPECT_EQ(static_cast<int>(lines.size()), 5 + counts.steps);
  EXPECT_EQ(solve(AttitudeIterationSettings()), full);
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0].first, 5);
  EXPECT_NEAR(notes[0].second, parseStepLine(lines[9]).detAn, 1e-6 * notes[0].second);

  AttitudeIterationSettings capped;
  capped.maxSteps = 3;
  const std::string limited = solve(capped);
  EXPECT_TRUE(counts.steps == 3 && counts.stepLimitReached);
  EXPECT_EQ(full.substr(0, limited.size()), limited);
  EXPECT_EQ(splitLines(limited).size(), 8u);
  EXPECT_NEAR(plane.A, parseStepLine(lines[7]).normal.x, 1e-6);

  // Each thread has its own settings, and new ones replace the last without a reset between.
  setAttitudeIterationSettings(noting);
  setAttitudeIterationSettings(capped);
  std::string elsewhere, elsewhereCapped;
  std::thread([&] {
    elsewhere = run();
    elsewhereCapped = solve(capped);
  }).join();
  EXPECT_EQ(run(), limited);
  setAttitudeIterationSettings(AttitudeIterationSettings());
  EXPECT_EQ(elsewhere, full);
  EXPECT_EQ(elsewhereCapped, limited);
  EXPECT_EQ(notes.size(), 1u);
}

}  // namespace
