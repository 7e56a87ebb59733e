#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "elements/floating_body.h"
#include "geometry/vec3.h"
#include "support/shapes.h"

namespace {

const double kPi = std::acos(-1.0);

void expectNear(const Vec3& actual, const Vec3& expected, double tolerance) {
  EXPECT_NEAR(actual.x, expected.x, tolerance);
  EXPECT_NEAR(actual.y, expected.y, tolerance);
  EXPECT_NEAR(actual.z, expected.z, tolerance);
}

// The point q as the row [x, y, z, 1], mapped through the 4x4 matrix m.
Vec3 transform(const double* m, const Vec3& q) {
  const double row[4] = {q.x, q.y, q.z, 1};
  double r[4];
  Vec3::multiplyMatrices(r, row, m, 1, 4, 4);
  EXPECT_NEAR(r[3], 1, 1e-15);
  return Vec3(r[0], r[1], r[2]);
}

TEST(MatrixToolkit, ProductsOfRowMajorMatrices) {
  double identity[16];
  Vec3::identityMatrix(identity, 4);
  double b[16], c[16];
  for (int i = 0; i < 16; ++i)
    b[i] = i * 1.5 - 4;
  Vec3::multiplyMatrices(c, identity, b, 4, 4, 4);
  for (int i = 0; i < 16; ++i)
    EXPECT_EQ(c[i], b[i]);

  // 2x3 times 3x2: [[1,2,3],[4,5,6]] * [[7,8],[9,10],[11,12]] = [[58,64],[139,154]].
  const double a23[6] = {1, 2, 3, 4, 5, 6};
  const double b32[6] = {7, 8, 9, 10, 11, 12};
  double c22[4];
  Vec3::multiplyMatrices(c22, a23, b32, 2, 3, 2);
  EXPECT_EQ(c22[0], 58);
  EXPECT_EQ(c22[1], 64);
  EXPECT_EQ(c22[2], 139);
  EXPECT_EQ(c22[3], 154);

  // No inner dimension: every element becomes 0. No rows: nothing is written.
  Vec3::multiplyMatrices(c22, a23, b32, 2, 0, 2);
  for (double v : c22)
    EXPECT_EQ(v, 0);
  c22[0] = 3;
  Vec3::multiplyMatrices(c22, a23, b32, 0, 3, 2);
  EXPECT_EQ(c22[0], 3);
}

TEST(RotationMatrix, TurnsPointsAboutTheDirectedLine) {
  double m[16];
  // A zero angle leaves every point where it is, for any line.
  Vec3::rotationMatrix(m, Vec3(1, 2, 3), Vec3(-2, 0.5, 4), 0);
  double identity[16];
  Vec3::identityMatrix(identity, 4);
  for (int i = 0; i < 16; ++i)
    EXPECT_NEAR(m[i], identity[i], 1e-15);

  // Quarter turn about the vertical line through (1, 0, 0), pointing up.
  Vec3::rotationMatrix(m, Vec3(1, 0, 0), Vec3(1, 0, 1), kPi / 2);
  expectNear(transform(m, Vec3(2, 0, 0)), Vec3(1, 1, 0), 1e-15);
  expectNear(transform(m, Vec3(1, 0, 7)), Vec3(1, 0, 7), 1e-15);

  // A skew line and angle, against q -> p1 + v c + (u x v) s + u (u.v)(1 - c), v = q - p1.
  const Vec3 p1(0.3, -1.2, 2), p2(-1.1, 0.4, 2.9), q(2.5, 1, -0.7);
  const double angle = 0.7;
  Vec3::rotationMatrix(m, p1, p2, angle);
  Vec3 u = p2 - p1;
  u.normalize();
  const Vec3 v = q - p1;
  const Vec3 expected = p1 + v * std::cos(angle) + u.cross(v) * std::sin(angle) +
                        u * (u.dot(v) * (1 - std::cos(angle)));
  expectNear(transform(m, q), expected, 1e-14);
}

TEST(RotateAbout, TurnsADirectionAndAlwaysGivesAUnitVector) {
  const double theta = 0.3;
  Vec3 n(0, 0, 1);
  n.rotateAbout(Vec3(0, -1, 0), theta);
  expectNear(n, Vec3(-std::sin(theta), 0, std::cos(theta)), 1e-16);

  Vec3 tall(0, 0, 2);
  tall.rotateAbout(Vec3(1, 1, 0), 0);
  expectNear(tall, Vec3(0, 0, 1), 1e-16);

  // Long axes and long vectors: the direction turns right-handedly and the result is unit.
  const Vec3 axis(3, -4, 12), v(0.5, 7, -2);
  Vec3 turned = v;
  turned.rotateAbout(axis, 1.1);
  Vec3 u = axis;
  u.normalize();
  Vec3 expected =
      v * std::cos(1.1) + u.cross(v) * std::sin(1.1) + u * (u.dot(v) * (1 - std::cos(1.1)));
  expected.normalize();
  expectNear(turned, expected, 1e-15);
  EXPECT_NEAR(turned.length(), 1, 1e-15);
}

TEST(TiltAxis, TipsTheNormalAwayFromTheSideOfGravity) {
  const Vec3 axis = FloatingBody::tiltAxis(Vec3(0, 0, 0), Vec3(1, 0, 0.5), Vec3(0, 0, 1));
  expectNear(axis, Vec3(0, -1, 0), 1e-16);
  Vec3 n(0, 0, 1);
  n.rotateAbout(axis, 0.2);
  expectNear(n, Vec3(-std::sin(0.2), 0, std::cos(0.2)), 1e-16);
  // Neither the lengths of G - B and N nor their offset matter, only the directions.
  expectNear(FloatingBody::tiltAxis(Vec3(1, 1, 1), Vec3(3, 1, 2), Vec3(0, 0, 9)), axis, 1e-16);
}

TEST(ActionLineDistance, DistanceBetweenParallelLinesAndCoincidentPoints) {
  test_support::ConsoleCapture console;
  EXPECT_DOUBLE_EQ(FloatingBody::actionLineDistance(Vec3(0, 0, 0), Vec3(3, 4, 5), Vec3(0, 0, 1)),
                   5);
  EXPECT_DOUBLE_EQ(FloatingBody::actionLineDistance(Vec3(0, 0, 0), Vec3(3, 4, 5), Vec3(0, 0, 2)),
                   5);
  EXPECT_DOUBLE_EQ(FloatingBody::actionLineDistance(Vec3(3, 4, 5), Vec3(0, 0, 0), Vec3(0, 0, 1)),
                   5);
  // Points 1e-9 apart are still two points: a distance, no message.
  EXPECT_DOUBLE_EQ(
      FloatingBody::actionLineDistance(Vec3(1, 1, 1), Vec3(1 + 1e-9, 1, 1), Vec3(0, 0, 1)),
      (1 + 1e-9) - 1);
  EXPECT_EQ(console.output(), "");
  EXPECT_EQ(FloatingBody::actionLineDistance(Vec3(1, 2, 3), Vec3(1, 2, 3), Vec3(0, 0, 1)), 0);
  // 两点之间的距离小于1e-10 !
  EXPECT_EQ(console.output(),
            "\xc1\xbd\xb5\xe3\xd6\xae\xbc\xe4\xb5\xc4\xbe\xe0\xc0\xeb\xd0\xa1\xd3\xda"
            "1e-10 !\n");
}

}  // namespace
