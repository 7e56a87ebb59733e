// The surface evaluation against the element evaluation of the same solid, against hand formulas
// for the waterplane, and against itself: threads, the exact cases, and the derivative of the
// volume by the plane's offset, which must be the waterplane area found by Green's theorem.

#include "submerged/surface_evaluation.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/surfaces.h"
#include "support/test_support.h"
#include "support/twin_bodies.h"

namespace {

using test_support::Random;

Plane crossingPlane(Random& random, const BoundingBox& b) {
  const Vec3 n = random.unitVector();
  const Vec3 p(random.uniform(b.xMin, b.xMax), random.uniform(b.yMin, b.yMax),
               random.uniform(b.zMin, b.zMax));
  return test_support::planeThrough(n, p);
}

class SurfaceTwins : public ::testing::TestWithParam<test_support::TwinBodies> {};

TEST_P(SurfaceTwins, VolumeAndCentreMatchTheElementsOnRandomPlanes) {
  FloatingBody elements, surface;
  GetParam().fill(elements, surface);
  SurfaceEvaluation evaluation(surface.surface, 1);
  const double whole = elements.computeSubmergedVolume(Plane(0, 0, 1, -elements.bounds.zMax - 1));
  const double size = elements.bounds.diagonal();
  Random random(test_support::kSeed);
  for (int trial = 0; trial < 300; ++trial) {
    SCOPED_TRACE("plane " + std::to_string(trial));
    const Plane plane = crossingPlane(random, elements.bounds);
    double expectedVolume, volume;
    Vec3 expectedCentre, centre;
    elements.computeBuoyancy(expectedVolume, expectedCentre, plane);
    evaluation.setNormal(plane.A, plane.B, plane.C);
    evaluation.buoyancy(volume, centre, plane);
    ASSERT_NEAR(volume, expectedVolume, 1e-13 * whole);
    ASSERT_EQ(evaluation.submergedVolume(plane.D), volume);  // the same sums
    if (expectedVolume > 1e-9 * whole) {
      ASSERT_TRUE(test_support::vecNear(centre, expectedCentre, 1e-10 * size));
    }
  }
}

// The section from the cut segments against the section from the cut polygons of the elements'
// water tetrahedra.
TEST_P(SurfaceTwins, WaterplaneMatchesTheElementsOnRandomPlanes) {
  FloatingBody elements, surface;
  GetParam().fill(elements, surface);
  const double size = elements.bounds.diagonal();
  Random random(test_support::kSeed + 3);
  for (int trial = 0; trial < 200; ++trial) {
    SCOPED_TRACE("plane " + std::to_string(trial));
    const Plane plane = crossingPlane(random, elements.bounds);
    const WaterplaneProperties expected = computeWaterplane(elements, plane);
    const WaterplaneProperties w = computeWaterplane(surface, plane);
    const double a = expected.area, scale = a * size * size;
    ASSERT_NEAR(w.area, a, 1e-13 * size * size);
    ASSERT_TRUE(test_support::vecSame(w.axisU, expected.axisU));
    ASSERT_EQ(w.crossedTetrahedronCount > 0, expected.crossedTetrahedronCount > 0);
    if (a > 1e-6 * size * size) {
      ASSERT_TRUE(
          test_support::vecNear(w.centreOfFlotation, expected.centreOfFlotation, 1e-10 * size));
      ASSERT_NEAR(w.Iuu, expected.Iuu, 1e-12 * scale);
      ASSERT_NEAR(w.Ivv, expected.Ivv, 1e-12 * scale);
      ASSERT_NEAR(w.Iuv, expected.Iuv, 1e-12 * scale);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Bodies, SurfaceTwins, ::testing::ValuesIn(test_support::twinBodies()),
                         [](const auto& twin) { return twin.param.name; });

TEST(SurfaceEvaluation, ThreadsDoNotChangeABit) {
  const TriangleSurface hull = surfaces::hullSurface(60, 40);
  ASSERT_GT(hull.triangles.size(), 2 * SurfaceEvaluation::kBlockTriangles);
  SurfaceEvaluation one(hull, 1), two(hull, 2, 0);
  ASSERT_EQ(two.threadCount(), 2);
  Random random(test_support::kSeed);
  for (int trial = 0; trial < 40; ++trial) {
    const Plane plane = crossingPlane(random, hull.boundingBox());
    one.setNormal(plane.A, plane.B, plane.C);
    two.setNormal(plane.A, plane.B, plane.C);
    ASSERT_EQ(one.submergedVolume(plane.D), two.submergedVolume(plane.D));
    double v1, v2;
    Vec3 c1, c2;
    one.buoyancy(v1, c1, plane);
    two.buoyancy(v2, c2, plane);
    ASSERT_EQ(v1, v2);
    ASSERT_TRUE(test_support::vecSame(c1, c2));
    const WaterplaneProperties w1 = one.waterplane(plane), w2 = two.waterplane(plane);
    ASSERT_EQ(w1.area, w2.area);
    ASSERT_EQ(w1.Iuu, w2.Iuu);
    ASSERT_EQ(w1.Iuv, w2.Iuv);
  }
}

// A search's volumes against full evaluations along random bisections: trials in the bracket's
// middle and through vertices, on the boundary between the active triangles and those that left
// the set, one trial outside the bracket, and the same bits on two threads. The first normal
// puts whole rows of the hull's vertices on the trial planes. The hull is large enough for two
// passes over the set in blocks before the set is copied out.
TEST(SurfaceEvaluation, SearchVolumesAreTheFullEvaluations) {
  const TriangleSurface hull = surfaces::hullSurface(150, 80);
  ASSERT_GT(hull.triangles.size(), 2 * SurfaceEvaluation::kCompactTriangles);
  SurfaceEvaluation full(hull, 1), one(hull, 1), two(hull, 2, 0);
  full.setNormal(0, 0, 1);
  const double whole = full.submergedVolume(-hull.boundingBox().zMax - 1);
  Random random(test_support::kSeed + 5);
  for (int search = 0; search < 12; ++search) {
    SCOPED_TRACE("search " + std::to_string(search) + ", seed kSeed + 5");
    const Vec3 n = search == 0 ? Vec3(0, 0, 1) : random.unitVector();
    double low = HUGE_VAL, high = -HUGE_VAL;  // the bracket's levels n . x
    for (const Vec3& v : hull.vertices) {
      low = std::fmin(low, n.dot(v));
      high = std::fmax(high, n.dot(v));
    }
    for (SurfaceEvaluation* e : {&full, &one, &two}) {
      e->setNormal(n.x, n.y, n.z);
      e->beginSearch();
    }
    double dLower = HUGE_VAL, dUpper = -HUGE_VAL;
    for (int trial = 0; trial < 40; ++trial) {
      const Vec3& vertex = hull.vertices[static_cast<std::size_t>(
          random.uniform(0, static_cast<double>(hull.vertices.size() - 1)))];
      const bool throughVertex = trial % 2 == 1 && n.dot(vertex) > low && n.dot(vertex) < high;
      const double level = throughVertex ? n.dot(vertex) : (low + high) / 2;
      const double volume = one.searchVolume(-level);
      ASSERT_NEAR(volume, full.submergedVolume(-level), 1e-13 * whole) << "trial " << trial;
      ASSERT_EQ(two.searchVolume(-level), volume);
      const bool up = random.uniform(0, 1) < 0.5;
      (up ? low : high) = level;
      (up ? dLower : dUpper) = -level;
      one.narrowSearch(dLower, dUpper);
      two.narrowSearch(dLower, dUpper);
      if (trial == 20) {  // below the bracket: evaluated in full, the set left as it was
        ASSERT_EQ(one.searchVolume(-low + 0.25), full.submergedVolume(-low + 0.25));
      }
    }
  }
}

// The unit cube, with planes through its vertices, along its edges and in its faces. The plane
// itself counts as under water, so a face in the plane is submerged and adds no volume; the
// waterplane is what the rising water would cover next.
struct ExactCase {
  const char* name;
  Plane plane;
  double volume;
  double area;
};

TEST(SurfaceEvaluation, PlanesThroughVerticesEdgesAndFaces) {
  const TriangleSurface cube = surfaces::boxSurface(Vec3(0, 0, 0), 1, 1, 1);
  const double s = std::sqrt(0.5), r = 1 / std::sqrt(3.0);
  const ExactCase cases[] = {
      {"bottom face in the plane", Plane(0, 0, 1, 0), 0, 1},
      {"top face in the plane", Plane(0, 0, 1, -1), 1, 0},
      {"half", Plane(0, 0, 1, -0.5), 0.5, 1},
      {"upside down, half", Plane(0, 0, -1, 0.5), 0.5, 1},
      {"diagonal plane along two edges", Plane(s, 0, s, -s), 0.5, std::sqrt(2.0)},
      {"plane along an edge, touching", Plane(s, 0, s, 0), 0, 0},
      {"corner vertex only", Plane(r, r, r, 0), 0, 0},
  };
  SurfaceEvaluation evaluation(cube, 1);
  for (const ExactCase& c : cases) {
    SCOPED_TRACE(c.name);
    evaluation.setNormal(c.plane.A, c.plane.B, c.plane.C);
    EXPECT_NEAR(evaluation.submergedVolume(c.plane.D), c.volume, 1e-15);
    EXPECT_NEAR(evaluation.waterplane(c.plane).area, c.area, 1e-15);
  }
}

// dV/dD = -area: the volume's sums and Green's sums over the cut segments agree.
TEST(SurfaceEvaluation, VolumeChangesByTheWaterplaneArea) {
  const TriangleSurface hull = surfaces::hullSurface(40, 12);
  SurfaceEvaluation evaluation(hull, 1);
  Random random(test_support::kSeed + 1);
  for (int trial = 0; trial < 30; ++trial) {
    SCOPED_TRACE("plane " + std::to_string(trial));
    Vec3 n = random.unitVector();
    n = n.z < 0 ? n * -1 : n;
    const Plane plane = test_support::planeThrough(n, Vec3(random.uniform(-20, 20), 0, 5));
    evaluation.setNormal(plane.A, plane.B, plane.C);
    const double h = 1e-5;
    const double slope =
        (evaluation.submergedVolume(plane.D - h) - evaluation.submergedVolume(plane.D + h)) /
        (2 * h);
    const double area = evaluation.waterplane(plane).area;
    EXPECT_NEAR(slope, area, 1e-6 * area);
  }
}

TEST(SurfaceEvaluation, AFlippedPlaneTakesTheRestOfTheVolume) {
  const TriangleSurface hull = surfaces::hullSurface(30, 10);
  SurfaceEvaluation evaluation(hull, 1);
  evaluation.setNormal(0, 0, 1);
  const double whole = evaluation.submergedVolume(-100);
  Random random(test_support::kSeed + 2);
  for (int trial = 0; trial < 30; ++trial) {
    const Plane plane = crossingPlane(random, hull.boundingBox());
    const Plane flipped = test_support::flipped(plane);
    evaluation.setNormal(plane.A, plane.B, plane.C);
    const double below = evaluation.submergedVolume(plane.D);
    evaluation.setNormal(flipped.A, flipped.B, flipped.C);
    EXPECT_NEAR(below + evaluation.submergedVolume(flipped.D), whole, 1e-12 * whole);
  }
}

}  // namespace
