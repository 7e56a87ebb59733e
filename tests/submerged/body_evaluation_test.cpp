#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "elements/floating_body.h"
#include "support/shapes.h"
#include "support/test_support.h"

using test_support::fillBody;
using test_support::vecNear;
using test_support::vecSame;

namespace {

// Sums of the elements' current cut results.
struct Sums {
  double volume = 0;
  Vec3 moment{0, 0, 0};
  template <typename Element>
  void add(const Element* elements, int count) {
    for (int i = 0; i < count; ++i) {
      const double v = elements[i].submergedVolume;
      volume = volume + v;
      moment = elements[i].submergedCentroid * v + moment;
    }
  }
};

Sums inEvaluationOrder(const FloatingBody& b) {
  Sums s;
  s.add(b.tetrahedra.get(), b.tetrahedronCount);
  s.add(b.cylinders.get(), b.cylinderCount);
  s.add(b.hexahedra.get(), b.hexahedronCount);
  s.add(b.prisms.get(), b.prismCount);
  return s;
}

Sums inDeclarationOrder(const FloatingBody& b) {
  Sums s;
  s.add(b.tetrahedra.get(), b.tetrahedronCount);
  s.add(b.hexahedra.get(), b.hexahedronCount);
  s.add(b.prisms.get(), b.prismCount);
  s.add(b.cylinders.get(), b.cylinderCount);
  return s;
}

template <typename Element>
int countOtherPlanes(const Element* elements, int count, const Plane& plane) {
  int other = 0;
  for (int i = 0; i < count; ++i)
    other += elements[i].waterPlane == plane ? 0 : 1;
  return other;
}

int elementsCutByOtherPlanes(const FloatingBody& b, const Plane& plane) {
  return countOtherPlanes(b.tetrahedra.get(), b.tetrahedronCount, plane) +
         countOtherPlanes(b.hexahedra.get(), b.hexahedronCount, plane) +
         countOtherPlanes(b.prisms.get(), b.prismCount, plane) +
         countOtherPlanes(b.cylinders.get(), b.cylinderCount, plane);
}

void fillRandomBody(FloatingBody& body, test_support::Random& random) {
  std::vector<Tetrahedron> tetrahedra;
  std::vector<Hexahedron> hexahedra;
  std::vector<TrianglePrism> prisms;
  std::vector<Cylinder> cylinders;
  for (int i = 0; i < 3; ++i) {
    tetrahedra.push_back(test_support::randomTetrahedron(random, -1, 1));
    hexahedra.push_back(test_support::randomHexahedron(random));
    prisms.push_back(test_support::randomPrism(random));
  }
  for (int i = 0; i < 2; ++i)
    cylinders.push_back(test_support::randomCylinder(random));
  fillBody(body, tetrahedra, hexahedra, prisms, cylinders);
}

}  // namespace

TEST(BodyEvaluation, SingleCubeHalfSubmerged) {
  FloatingBody body;
  fillBody(body, {}, {test_support::unitCube()}, {}, {});
  const Plane plane(0, 0, 1, -0.5);
  EXPECT_DOUBLE_EQ(body.computeSubmergedVolume(plane), 0.5);
  double volume = -1;
  Vec3 centre(9, 9, 9);
  body.computeBuoyancy(volume, centre, plane);
  EXPECT_DOUBLE_EQ(volume, 0.5);
  EXPECT_TRUE(vecNear(centre, Vec3(0.5, 0.5, 0.25), 1e-15));
}

TEST(BodyEvaluation, OneElementOfEachKindAddsUp) {
  // Tetrahedron 7/48 + cylinder (half of 6.2373506 at z = 1 over 0..2) + cube 1/2 + prism 1/4,
  // with the plane z = 0.5 for all but the cylinder, which stands from z = -0.5 to 1.5.
  FloatingBody body;
  fillBody(body, {Tetrahedron(Vec3(0, 0, 0), Vec3(1, 0, 0), Vec3(0, 1, 0), Vec3(0, 0, 1))},
           {test_support::unitCube()}, {test_support::unitPrism()},
           {Cylinder(Vec3(5, 5, -0.5), Vec3(5, 5, 1.5), 1)});
  const Plane plane(0, 0, 1, -0.5);
  const double expected = 7.0 / 48 + 3.1186753 + 0.5 + 0.25;
  EXPECT_NEAR(body.computeSubmergedVolume(plane), expected, 1e-7);
  double volume;
  Vec3 centre;
  body.computeBuoyancy(volume, centre, plane);
  EXPECT_NEAR(volume, expected, 1e-7);
  const double cx = (7.0 / 48 * 15.0 / 56 + 3.1186753 * 5 + 0.5 * 0.5 + 0.25 / 3) / expected;
  const double cz = (7.0 / 48 * 11.0 / 56 + 3.1186753 * 0 + 0.5 * 0.25 + 0.25 * 0.25) / expected;
  EXPECT_TRUE(vecNear(centre, Vec3(cx, cx, cz), 1e-7));
}

TEST(BodyEvaluation, EmptyBodyGivesZeroAndTheOrigin) {
  FloatingBody body;
  EXPECT_EQ(body.computeSubmergedVolume(Plane(0, 0, 1, 0)), 0.0);
  double volume = -1;
  Vec3 centre(9, 9, 9);
  body.computeBuoyancy(volume, centre, Plane(0, 0, 1, 0));
  EXPECT_EQ(volume, 0.0);
  EXPECT_TRUE(vecSame(centre, Vec3(0, 0, 0)));
}

TEST(BodyEvaluation, DryBodyGivesZeroAndTheOriginNotAnElementFallback) {
  // Every element falls back to its own point; the body divides nothing and reports the origin.
  FloatingBody body;
  fillBody(body, {Tetrahedron(Vec3(3, 4, 5), Vec3(4, 4, 5), Vec3(3, 5, 5), Vec3(3, 4, 6))},
           {test_support::boxHexahedron(Vec3(3, 4, 5), 1, 1, 1)},
           {test_support::unitPrism(Vec3(3, 4, 5))}, {Cylinder(Vec3(3, 4, 5), Vec3(3, 4, 7), 1)});
  double volume = -1;
  Vec3 centre(9, 9, 9);
  body.computeBuoyancy(volume, centre, Plane(0, 0, 1, 0));
  EXPECT_EQ(volume, 0.0);
  EXPECT_TRUE(vecSame(centre, Vec3(0, 0, 0)));
  EXPECT_TRUE(vecSame(body.hexahedra[0].submergedCentroid, Vec3(3, 4, 5)));
  EXPECT_TRUE(vecSame(body.cylinders[0].submergedCentroid, Vec3(3, 4, 5)));
}

TEST(BodyEvaluation, RandomBodiesSumTheirElementsInEvaluationOrder) {
  test_support::Random random(test_support::kSeed + 21);
  int orderMatters = 0;
  for (int trial = 0; trial < 200; ++trial) {
    SCOPED_TRACE(::testing::Message()
                 << "seed " << test_support::kSeed + 21 << ", trial " << trial);
    FloatingBody body;
    fillRandomBody(body, random);
    const Plane plane = test_support::planeThrough(random.unitVector(), random.point(-1, 1));

    const double total = body.computeSubmergedVolume(plane);
    ASSERT_EQ(elementsCutByOtherPlanes(body, plane), 0);
    const Sums sums = inEvaluationOrder(body);
    ASSERT_EQ(total, sums.volume);
    if (inDeclarationOrder(body).volume != sums.volume)
      ++orderMatters;

    double volume;
    Vec3 centre;
    body.computeBuoyancy(volume, centre, plane);
    ASSERT_EQ(volume, total);  // bit for bit
    ASSERT_EQ(elementsCutByOtherPlanes(body, plane), 0);
    if (volume > 0) {
      ASSERT_TRUE(vecSame(centre, sums.moment / sums.volume));
    }
  }
  // The check above could not tell the orders apart if no trial were sensitive to it.
  EXPECT_GT(orderMatters, 0);
}

TEST(BodyEvaluation, EvaluationsOverwriteEveryElementsPlaneAndKeepTheGeometry) {
  test_support::Random random(test_support::kSeed + 22);
  FloatingBody body;
  fillRandomBody(body, random);
  const Hexahedron hexahedron = body.hexahedra[1];
  const Cylinder cylinder = body.cylinders[0];
  body.computeSubmergedVolume(Plane(0, 0, 1, 0.25));
  const Plane last = test_support::planeThrough(random.unitVector(), Vec3(0, 0, 0));
  double volume;
  Vec3 centre;
  body.computeBuoyancy(volume, centre, last);
  EXPECT_EQ(elementsCutByOtherPlanes(body, last), 0);
  for (int i = 0; i < 8; ++i)
    EXPECT_TRUE(vecSame(body.hexahedra[1].vertices[i], hexahedron.vertices[i]));
  EXPECT_TRUE(vecSame(body.cylinders[0].axisStart, cylinder.axisStart));
  EXPECT_TRUE(vecSame(body.cylinders[0].axisEnd, cylinder.axisEnd));
  EXPECT_EQ(body.cylinders[0].radius, cylinder.radius);
  EXPECT_EQ(body.cylinders[0].segmentCount, 30);
}
