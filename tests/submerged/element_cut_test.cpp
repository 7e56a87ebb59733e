#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "elements/cylinder.h"
#include "elements/hexahedron.h"
#include "elements/triangle_prism.h"
#include "submerged/element_cut.h"
#include "support/shapes.h"
#include "support/test_support.h"

using test_support::flipped;
using test_support::vecNear;
using test_support::vecSame;

namespace {

const Plane kHalfHeight(0, 0, 1, -0.5);  // z = 0.5

template <typename Element>
Element cut(Element element, const Plane& plane) {
  element.cutByWaterPlane(plane);
  return element;
}

// Whole volume and moment of an element, from its own split, for the partition checks.
template <typename Element>
void wholeOf(Element& element, int n, double& volume, Vec3& moment) {
  std::vector<Tetrahedron> parts(static_cast<size_t>(n));
  element.splitIntoTetrahedra(parts.data(), n);
  volume = 0;
  moment = Vec3(0, 0, 0);
  for (const Tetrahedron& t : parts) {
    volume = volume + t.volume();
    moment = moment + t.centroid() * t.volume();
  }
}

// For random planes, the parts below the plane and below the flipped plane make up the element.
template <typename Element, typename Make>
void checkPartition(Make make, int n, std::uint64_t seed) {
  test_support::Random random(seed);
  for (int trial = 0; trial < 300; ++trial) {
    SCOPED_TRACE(::testing::Message() << "seed " << seed << ", trial " << trial);
    Element element = make(random);
    double whole;
    Vec3 moment;
    wholeOf(element, n, whole, moment);
    if (whole < 1e-3)
      continue;  // near-flat shapes lose relative precision in any method
    const Plane plane = test_support::planeThrough(random.unitVector(), random.point(-1, 1));
    const Element wet = cut(element, plane);
    const Element dry = cut(element, flipped(plane));
    ASSERT_NEAR(wet.submergedVolume + dry.submergedVolume, whole, 1e-12 * whole);
    const Vec3 sum =
        wet.submergedCentroid * wet.submergedVolume + dry.submergedCentroid * dry.submergedVolume;
    ASSERT_TRUE(vecNear(sum, moment, 1e-12 * whole * 4));
  }
}

}  // namespace

TEST(HexahedronCut, UnitCubeHalfAndWhollySubmerged) {
  const Hexahedron half = cut(test_support::unitCube(), kHalfHeight);
  EXPECT_DOUBLE_EQ(half.submergedVolume, 0.5);
  EXPECT_TRUE(vecNear(half.submergedCentroid, Vec3(0.5, 0.5, 0.25), 1e-15));
  EXPECT_TRUE(half.waterPlane == kHalfHeight);

  const Hexahedron whole = cut(test_support::unitCube(), Plane(0, 0, 1, -2));
  EXPECT_DOUBLE_EQ(whole.submergedVolume, 1.0);
  EXPECT_TRUE(vecNear(whole.submergedCentroid, Vec3(0.5, 0.5, 0.5), 1e-15));
}

TEST(HexahedronCut, NothingSubmergedFallsBackToTheFirstVertex) {
  const Hexahedron above = cut(test_support::unitCube(), Plane(0, 0, 1, 1));
  EXPECT_EQ(above.submergedVolume, 0.0);
  EXPECT_TRUE(vecSame(above.submergedCentroid, Vec3(0, 0, 0)));

  // Resting on the plane: the bottom face is under water but has no volume.
  const Hexahedron resting = cut(test_support::unitCube(), Plane(0, 0, 1, 0));
  EXPECT_EQ(resting.submergedVolume, 0.0);
  EXPECT_TRUE(vecSame(resting.submergedCentroid, Vec3(0, 0, 0)));

  // Away from the origin the fallback is still p0, not the centre of the box.
  const Hexahedron moved =
      cut(test_support::boxHexahedron(Vec3(3, 4, 5), 1, 2, 1), Plane(0, 0, 1, 1));
  EXPECT_EQ(moved.submergedVolume, 0.0);
  EXPECT_TRUE(vecSame(moved.submergedCentroid, Vec3(3, 4, 5)));
}

TEST(HexahedronCut, DryWaterTetrahedraEachReportTheirVertexMean) {
  const Hexahedron cube = test_support::unitCube();
  Tetrahedron parts[5];
  cube.splitIntoTetrahedra(parts, 5);
  const SubmergedPart result = cutWaterTetrahedra(parts, 5, Plane(0, 0, 1, 1), cube.vertices[0]);
  EXPECT_EQ(result.volume, 0.0);
  EXPECT_TRUE(vecSame(result.centroid, Vec3(0, 0, 0)));
  for (const Tetrahedron& t : parts) {
    EXPECT_TRUE(t.waterPlane == Plane(0, 0, 1, 1));
    EXPECT_TRUE(vecSame(t.submergedCentroid, t.centroid()));
  }
}

TEST(HexahedronCut, TinyVolumeAboveTheThresholdStillGetsTheQuotient) {
  // 1e-6 cube cut at half height: 5e-19, above 1e-20, although every water tetrahedron fell back
  // to a last-piece centroid (each below 1e-15). The quotient lies inside the submerged half.
  const double s = 1e-6;
  const Hexahedron small =
      cut(test_support::boxHexahedron(Vec3(0, 0, 0), s, s, s), Plane(0, 0, 1, -0.5 * s));
  EXPECT_NEAR(small.submergedVolume, 0.5 * s * s * s, 1e-30);
  const Vec3 c = small.submergedCentroid;
  EXPECT_FALSE(vecSame(c, Vec3(0, 0, 0)));
  EXPECT_GT(c.x, 0.0);
  EXPECT_LT(c.x, s);
  EXPECT_GT(c.y, 0.0);
  EXPECT_LT(c.y, s);
  EXPECT_GT(c.z, 0.0);
  EXPECT_LT(c.z, 0.5 * s);

  // 1e-7 cube: 5e-22, below 1e-20, so p0.
  const double t = 1e-7;
  const Vec3 p0(t, 2 * t, 0);
  const Hexahedron tiny = cut(test_support::boxHexahedron(p0, t, t, t), Plane(0, 0, 1, -0.5 * t));
  EXPECT_GT(tiny.submergedVolume, 0.0);
  EXPECT_TRUE(vecSame(tiny.submergedCentroid, p0));
}

TEST(TrianglePrismCut, UnitPrismHalfSubmergedAndDry) {
  const TrianglePrism half = cut(test_support::unitPrism(), kHalfHeight);
  EXPECT_DOUBLE_EQ(half.submergedVolume, 0.25);
  EXPECT_TRUE(vecNear(half.submergedCentroid, Vec3(1.0 / 3, 1.0 / 3, 0.25), 1e-15));
  EXPECT_TRUE(half.waterPlane == kHalfHeight);

  const TrianglePrism dry = cut(test_support::unitPrism(Vec3(2, 3, 4)), kHalfHeight);
  EXPECT_EQ(dry.submergedVolume, 0.0);
  EXPECT_TRUE(vecSame(dry.submergedCentroid, Vec3(2, 3, 4)));
}

TEST(CylinderCut, HalfSubmergedShowsTheGapOfTheDiscretisation) {
  const Cylinder c = cut(Cylinder(Vec3(0, 0, 0), Vec3(0, 0, 2), 1), Plane(0, 0, 1, -1));
  EXPECT_NEAR(c.submergedVolume, 3.1186753, 1e-7);
  // The last sector stops 1.07e-7 short of the first, which pulls the centroid towards -x.
  EXPECT_NEAR(c.submergedCentroid.x, -1.1331e-8, 1e-12);
  EXPECT_NEAR(c.submergedCentroid.y, 0.0, 1e-14);
  EXPECT_NEAR(c.submergedCentroid.z, 0.5, 1e-14);
  EXPECT_EQ(c.segmentCount, 30);
  EXPECT_TRUE(c.waterPlane == Plane(0, 0, 1, -1));
}

TEST(CylinderCut, WhollySubmergedAndWhollyDry) {
  const Cylinder wet = cut(Cylinder(Vec3(0, 0, 0), Vec3(0, 0, 2), 1), Plane(0, 0, 1, -3));
  EXPECT_NEAR(wet.submergedVolume, 6.2373506, 1e-7);
  EXPECT_NEAR(wet.submergedCentroid.z, 1.0, 1e-14);

  const Cylinder dry = cut(Cylinder(Vec3(1, 2, 3), Vec3(1, 2, 5), 1), Plane(0, 0, 1, 0));
  EXPECT_EQ(dry.submergedVolume, 0.0);
  EXPECT_TRUE(vecSame(dry.submergedCentroid, Vec3(1, 2, 3)));
}

TEST(ElementCut, RandomHexahedraArePartitionedByPlaneAndFlippedPlane) {
  checkPartition<Hexahedron>(test_support::randomHexahedron, 5, test_support::kSeed + 11);
}

TEST(ElementCut, RandomPrismsArePartitionedByPlaneAndFlippedPlane) {
  checkPartition<TrianglePrism>(test_support::randomPrism, 3, test_support::kSeed + 12);
}

TEST(ElementCut, RandomCylindersArePartitionedByPlaneAndFlippedPlane) {
  checkPartition<Cylinder>(test_support::randomCylinder, 90, test_support::kSeed + 13);
}
