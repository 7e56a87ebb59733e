#include <gtest/gtest.h>

#include <type_traits>

#include "elements/floating_body.h"
#include "support/shapes.h"
#include "support/test_support.h"

using test_support::fillBody;
using test_support::vecSame;

static_assert(!std::is_copy_constructible_v<FloatingBody>, "the body owns its arrays alone");
static_assert(!std::is_copy_assignable_v<FloatingBody>, "the body owns its arrays alone");

namespace {

void expectBox(const BoundingBox& box, const Vec3& lo, const Vec3& hi) {
  EXPECT_TRUE(vecSame(Vec3(box.xMin, box.yMin, box.zMin), lo));
  EXPECT_TRUE(vecSame(Vec3(box.xMax, box.yMax, box.zMax), hi));
}

const Tetrahedron kUnitTetrahedron(Vec3(0, 0, 0), Vec3(1, 0, 0), Vec3(0, 1, 0), Vec3(0, 0, 1));

}  // namespace

TEST(FloatingBody, StartsEmptyAndKeepsTheEmptyBox) {
  FloatingBody body;
  EXPECT_EQ(body.tetrahedronCount, 0);
  EXPECT_EQ(body.hexahedronCount, 0);
  EXPECT_EQ(body.prismCount, 0);
  EXPECT_EQ(body.cylinderCount, 0);
  EXPECT_EQ(body.tetrahedra, nullptr);
  EXPECT_EQ(body.cylinders, nullptr);
  body.boundingBox();
  expectBox(body.bounds, Vec3(1e20, 1e20, 1e20), Vec3(-1e20, -1e20, -1e20));
}

TEST(FloatingBody, BoxSpansSeparateElementsInAnyOrder) {
  const Tetrahedron far(Vec3(5, -3, 2), Vec3(6, -3, 2), Vec3(5, -2, 2), Vec3(5, -3, 4));
  FloatingBody forward;
  fillBody(forward, {kUnitTetrahedron, far}, {}, {}, {});
  const BoundingBox returned = forward.boundingBox();
  expectBox(forward.bounds, Vec3(0, -3, 0), Vec3(6, 1, 4));
  expectBox(returned, Vec3(0, -3, 0), Vec3(6, 1, 4));
  FloatingBody backward;
  fillBody(backward, {far, kUnitTetrahedron}, {}, {}, {});
  backward.boundingBox();
  expectBox(backward.bounds, Vec3(0, -3, 0), Vec3(6, 1, 4));
}

TEST(FloatingBody, BoxOfACylinderIsThatOfItsPolygon) {
  FloatingBody body;
  fillBody(body, {}, {}, {}, {Cylinder(Vec3(0, 0, 0), Vec3(0, 0, 2), 1)});
  body.boundingBox();
  EXPECT_DOUBLE_EQ(body.bounds.xMin, -0.9999999999999986);
  EXPECT_EQ(body.bounds.xMax, 1.0);
  EXPECT_NEAR(body.bounds.yMin, -0.9945219, 1e-7);
  EXPECT_NEAR(body.bounds.yMax, 0.9945219, 1e-7);
  EXPECT_EQ(body.bounds.zMin, 0.0);
  EXPECT_EQ(body.bounds.zMax, 2.0);
}

TEST(FloatingBody, BoxMergesEveryElementKind) {
  // Each kind supplies one extreme: the hexahedron the low x and high y, the prism the high z,
  // the cylinder the low z, the tetrahedron the high x.
  FloatingBody body;
  fillBody(body, {Tetrahedron(Vec3(9, 0, 0), Vec3(8, 0, 0), Vec3(8, 1, 0), Vec3(8, 0, 1))},
           {test_support::boxHexahedron(Vec3(-4, 0, 0), 1, 6, 1)},
           {test_support::unitPrism(Vec3(0, 0, 7))},
           {Cylinder(Vec3(2, 2, -5), Vec3(2, 2, -3), 0.5)});
  body.boundingBox();
  expectBox(body.bounds, Vec3(-4, 0, -5), Vec3(9, 6, 8));
}
