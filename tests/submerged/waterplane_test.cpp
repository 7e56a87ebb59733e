#include "submerged/waterplane.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/shapes.h"
#include "support/test_support.h"

using test_support::fillBody;
using test_support::vecNear;

namespace {

// A vertical box 4 x 2 or cylinder of radius 3 (30 sectors of angle a = 2 * 3.1415926 / 30) cut
// through (2, 1, z0) by a plane tilted by theta about y or x: the horizontal section (area A0,
// integral Cu of u^2, Cv of v^2) stretched by su = 1/cos(theta) along u or sv along v. Box:
// A0 = 8, Cu = 4^3 2 / 12, Cv = 4 2^3 / 12; 30-gon, its sectors triangles from the centre:
// A0 = 15 R^2 sin(a), Cu = Cv = 30 R^4 sin(a) (2 + cos(a)) / 24 (the sectors' gap: ~2e-8 of it).
TEST(Waterplane, TiltedWallSidedSectionsMatchHandFormulas) {
  const double R = 3, a = 2 * 3.1415926 / 30,
               I = 30 * R * R * R * R * std::sin(a) * (2 + std::cos(a)) / 24;
  const struct {
    bool cylinder, aboutY;
    double theta, z0;
  } cases[] = {{false, true, 0.3, 4},
               {false, true, 0.9, 6.5},
               {false, false, 1.2, 5},
               {true, true, 0.35, 5},
               {true, false, 0.8, 5}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.cylinder << c.aboutY << " " << c.theta);
    const double s = std::sin(c.theta), k = std::cos(c.theta);
    const double su = c.aboutY ? 1 / k : 1, sv = c.aboutY ? 1 : 1 / k;
    const double A0 = c.cylinder ? 15 * R * R * std::sin(a) : 8;
    const double Cu = c.cylinder ? I : 64 * 2 / 12.0, Cv = c.cylinder ? I : 4 * 8 / 12.0;
    FloatingBody body;
    if (c.cylinder)
      fillBody(body, {}, {}, {}, {Cylinder(Vec3(2, 1, 0), Vec3(2, 1, 10), R)});
    else
      fillBody(body, {}, {test_support::boxHexahedron(Vec3(0, 0, 0), 4, 2, 10)}, {}, {});
    const Vec3 n = c.aboutY ? Vec3(s, 0, k) : Vec3(0, -s, k);
    const WaterplaneProperties wp =
        computeWaterplane(body, test_support::planeThrough(n, Vec3(2, 1, c.z0)));
    EXPECT_TRUE(vecNear(wp.axisU, c.aboutY ? Vec3(k, 0, -s) : Vec3(1, 0, 0), 1e-15));
    EXPECT_NEAR(wp.area, A0 * su * sv, 1e-7 * A0);
    EXPECT_TRUE(vecNear(wp.centreOfFlotation, Vec3(2, 1, c.z0), 1e-7));
    EXPECT_NEAR(wp.Ivv, Cu * su * su * su * sv, 1e-7 * Cu);
    EXPECT_NEAR(wp.Iuu, Cv * su * sv * sv * sv, 1e-7 * Cu);
    EXPECT_NEAR(wp.Iuv, 0, 1e-7 * Cu);
  }
}

// A mixed body's section is its elements' sections summed; its area and centre are the rates at
// which the submerged volume and moment grow as the water rises.
TEST(Waterplane, PartsSumToTheWholeAndMatchTheSubmergedPart) {
  test_support::Random random(test_support::kSeed);
  for (int trial = 0; trial < 40; ++trial) {
    SCOPED_TRACE(::testing::Message() << "seed " << test_support::kSeed << ", trial " << trial);
    const std::vector<Hexahedron> h = {test_support::randomHexahedron(random)};
    const std::vector<TrianglePrism> p = {test_support::randomPrism(random)};
    const std::vector<Cylinder> c = {test_support::randomCylinder(random)};
    FloatingBody whole, parts[3];
    fillBody(whole, {test_support::randomTetrahedron(random, -1, 1)}, h, p, c);
    fillBody(parts[0], {whole.tetrahedra[0]}, h, {}, {});
    fillBody(parts[1], {}, {}, {}, c);
    fillBody(parts[2], {}, {}, p, {});
    const Plane plane = test_support::planeThrough(random.unitVector(), random.point(-0.5, 0.5));
    const WaterplaneProperties w = computeWaterplane(whole, plane);
    double area = 0;
    Vec3 moment(0, 0, 0);
    for (FloatingBody& part : parts) {
      const WaterplaneProperties q = computeWaterplane(part, plane);
      area += q.area;
      moment = moment + (q.centreOfFlotation - w.centreOfFlotation) * q.area;
    }
    ASSERT_NEAR(w.area, area, 1e-12);
    ASSERT_TRUE(vecNear(moment, Vec3(0, 0, 0), 1e-11));
    if (w.area < 1e-3)
      continue;  // the plane barely touches the body
    double vUp, vDown;
    Vec3 bUp, bDown;
    whole.computeBuoyancy(vUp, bUp, Plane(plane.A, plane.B, plane.C, plane.D - 1e-5));
    whole.computeBuoyancy(vDown, bDown, Plane(plane.A, plane.B, plane.C, plane.D + 1e-5));
    ASSERT_NEAR((vUp - vDown) / 2e-5, w.area, 1e-6);
    ASSERT_TRUE(
        vecNear((bUp * vUp - bDown * vDown) / (2e-5 * w.area), w.centreOfFlotation, 1e-5 / w.area));
  }
}

// A cylinder is skipped unsplit when the plane misses it by more than its radius allows; the skip
// must never drop one that a single point of its split reaches. Planes through the highest and the
// lowest point of the split, and the smallest steps of D either way, cross as many tetrahedra as
// the split's tetrahedra given as elements of their own, with the same area.
TEST(Waterplane, CylinderReachingThePlaneAtOnePointIsNotSkipped) {
  test_support::Random random(test_support::kSeed + 5);
  for (int trial = 0; trial < 20; ++trial) {
    SCOPED_TRACE(::testing::Message() << "seed " << test_support::kSeed + 5 << ", trial " << trial);
    const Cylinder c = test_support::randomCylinder(random);
    Cylinder copy = c;
    std::vector<Tetrahedron> split(90);
    copy.splitIntoTetrahedra(split.data(), 90);
    FloatingBody cylinder, pieces;
    fillBody(cylinder, {}, {}, {}, {c});
    fillBody(pieces, split, {}, {}, {});
    // Every other normal points at a circle point, the rest anywhere: the highest circle point
    // lies |radius| |N x u| above the axis ends, as close as the skip's bound comes.
    Vec3 n = c.circlePoint(trial % 30) - c.axisStart;
    n.normalize();
    if (trial % 2 == 1)
      n = random.unitVector();
    const Plane heights(n.x, n.y, n.z, 0);
    double lo = INFINITY, hi = -INFINITY;
    for (const Tetrahedron& t : split) {
      for (const Vec3& v : t.vertices) {
        lo = std::fmin(lo, heights.height(v));
        hi = std::fmax(hi, heights.height(v));
      }
    }
    for (double D : {-hi, -lo}) {
      for (int step = 0; step < 4; ++step) {
        const double d = step < 2 ? D : std::nextafter(D, step == 2 ? INFINITY : -INFINITY);
        const Plane plane(n.x, n.y, n.z, step == 1 ? d * (1 + 1e-15) : d);
        const WaterplaneProperties whole = computeWaterplane(cylinder, plane);
        const WaterplaneProperties parts = computeWaterplane(pieces, plane);
        ASSERT_EQ(whole.crossedTetrahedronCount, parts.crossedTetrahedronCount) << step;
        ASSERT_NEAR(whole.area, parts.area, 1e-12);
      }
    }
  }
}

// A face in the plane belongs to the section only from the element above it: once between stacked
// boxes, fully under a box resting on the water, not at all on top of a submerged body. A vertex
// on the plane adds nothing. The centre stays a point of the plane even when the area is 0.
TEST(Waterplane, FaceInThePlaneCountsOnce) {
  const Hexahedron lower = test_support::boxHexahedron(Vec3(0, 0, 0), 2, 3, 1);
  const Hexahedron upper = test_support::boxHexahedron(Vec3(0, 0, 1), 2, 3, 1);
  const Vec3 a(0, 0, 1), b(1, 0, 1), c(0, 1, 1);
  const struct {
    std::vector<Tetrahedron> tetrahedra;
    std::vector<Hexahedron> hexahedra;
    double area;
  } cases[] = {{{}, {lower, upper}, 6},
               {{}, {upper}, 6},
               {{}, {lower}, 0},
               {{Tetrahedron(a, b, c, Vec3(0, 0, 2))}, {}, 0.5},
               {{Tetrahedron(a, b, c, Vec3(0, 0, 0))}, {}, 0},
               {{Tetrahedron(a, Vec3(1, 0, 2), Vec3(0, 1, 2), Vec3(0, 0, 2))}, {}, 0}};
  for (const auto& k : cases) {
    SCOPED_TRACE(&k - cases);
    FloatingBody body;
    fillBody(body, k.tetrahedra, k.hexahedra, {}, {});
    const WaterplaneProperties wp = computeWaterplane(body, Plane(0, 0, 1, -1));
    EXPECT_NEAR(wp.area, k.area, 1e-14);
    EXPECT_EQ(wp.centreOfFlotation.z, 1);
  }
}

}  // namespace
