// The draft search on the fast evaluation decides most trials from the draft filter's bounds
// instead of evaluating them. It must still return exactly what the search that evaluates every
// trial returns: the same planes, centres, element results and console bytes.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "elements/floating_body.h"
#include "solver/newton_solver.h"
#include "submerged/fast_evaluation.h"
#include "support/hostile_body.h"
#include "support/random_body.h"
#include "support/shapes.h"
#include "support/test_support.h"

namespace {

using test_support::Random;

// Equal, or both not a number (a cylinder with coincident ends has no circle points).
bool same(double a, double b) {
  return a == b || (a != a && b != b);
}
bool same(const Vec3& a, const Vec3& b) {
  return same(a.x, b.x) && same(a.y, b.y) && same(a.z, b.z);
}

::testing::AssertionResult sameElementResults(const FloatingBody& a, const FloatingBody& b) {
  const auto same = [](const auto& x, const auto& y) {
    return x.waterPlane == y.waterPlane && ::same(x.submergedCentroid, y.submergedCentroid) &&
           ::same(x.submergedVolume, y.submergedVolume);
  };
  for (int i = 0; i < a.tetrahedronCount; ++i)
    if (!same(a.tetrahedra[i], b.tetrahedra[i]))
      return ::testing::AssertionFailure() << "tetrahedron " << i;
  for (int i = 0; i < a.hexahedronCount; ++i)
    if (!same(a.hexahedra[i], b.hexahedra[i]))
      return ::testing::AssertionFailure() << "hexahedron " << i;
  for (int i = 0; i < a.prismCount; ++i)
    if (!same(a.prisms[i], b.prisms[i]))
      return ::testing::AssertionFailure() << "prism " << i;
  for (int i = 0; i < a.cylinderCount; ++i)
    if (!same(a.cylinders[i], b.cylinders[i]))
      return ::testing::AssertionFailure() << "cylinder " << i;
  return ::testing::AssertionSuccess();
}

struct Place {
  const char* name;
  Vec3 centre;
  double degenerateShare;
};

// Bodies of all four kinds near the origin, with degenerate elements, and far from the origin,
// where the plane can only be placed to a few digits and the bounds are widest.
const Place kPlaces[] = {{"near the origin", Vec3(0, 0, 0), 0},
                         {"with degenerate elements", Vec3(0, 0, 0), 0.3},
                         {"far from the origin", Vec3(3e5, -2e5, 1e5), 0.1},
                         {"very far from the origin", Vec3(-4e7, 1e7, 6e7), 0}};

// Normals at random, and the axis directions, for which many vertices share a height and planes
// pass exactly through vertices.
Vec3 normalFor(Random& random, int trial) {
  static const Vec3 kAxes[3] = {Vec3(0, 0, 1), Vec3(0, 1, 0), Vec3(-1, 0, 0)};
  return trial % 3 == 0 ? kAxes[(trial / 3) % 3] : random.unitVector();
}

TEST(FilteredSearch, DraftSearchesGiveTheReferenceBits) {
  long long filtered = 0, finals = 0, windowed = 0;
  for (const Place& place : kPlaces) {
    for (std::uint64_t seed = test_support::kSeed; seed < test_support::kSeed + 5; ++seed) {
      SCOPED_TRACE(std::string(place.name) + ", seed " + std::to_string(seed));
      FloatingBody reference, fast;
      Random shapesA(seed), shapesB(seed);
      hostile_body::fill(reference, shapesA, 40, place.degenerateShare, place.centre);
      hostile_body::fill(fast, shapesB, 40, place.degenerateShare, place.centre);
      fast.fastEvaluation = std::make_shared<FastEvaluation>(fast, 1 + seed % 2, 0);
      const double whole = reference.computeSubmergedVolume(Plane(0, 0, 1, -reference.bounds.zMax));
      Random random(seed * 7);
      const auto search = [&](const Vec3& normal, double V, int trial) {
        Plane p1, p2;
        Vec3 c1, c2;
        reference.findWaterPlane(p1, c1, V, normal);
        fast.findWaterPlane(p2, c2, V, normal);
        ASSERT_EQ(p1, p2) << "trial " << trial;
        ASSERT_TRUE(same(c2, c1));
        ASSERT_TRUE(sameElementResults(reference, fast)) << "trial " << trial;
      };
      for (int trial = 0; trial < 9; ++trial) {
        const Vec3 normal = normalFor(random, trial);
        search(normal, whole * (trial == 4 ? 1e-6 : random.uniform(0.02, 0.98)), trial);
        ASSERT_FALSE(HasFatalFailure());
      }
      // Normals turned a little at a time, as the tilt iteration's come: from the third on, a
      // window about the level the last searches predict decides the trials outside it.
      Vec3 normal = normalFor(random, 0);
      const Vec3 axis = normal.cross(random.unitVector());
      const double V = whole * random.uniform(0.05, 0.95);
      for (int trial = 9; trial < 17 && !HasFatalFailure(); ++trial) {
        search(normal, V, trial);
        normal.rotateAbout(axis, trial % 2 == 0 ? 0.01 : 0.002);
      }
      filtered += fast.fastEvaluation->statistics.filteredTrials;
      finals += fast.fastEvaluation->statistics.finalTrials;
      windowed += fast.fastEvaluation->statistics.windowTrials;
    }
  }
  EXPECT_GT(filtered, 1000);  // the bounds did decide trials
  EXPECT_GT(finals, 0);       // and an open trial's buoyancy was the result's
  EXPECT_GT(windowed, 300);   // and windows decided trials
}

// Layers of small boxes, or columns that every plane near the middle crosses, side by side.
void fillLayersOrColumns(FloatingBody& body, bool layers) {
  const int side = 8, count = layers ? side * side * 40 : side * side;
  if (layers) {
    body.hexahedronCount = count;
    body.hexahedra = std::make_unique<Hexahedron[]>(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) {
      const Vec3 corner(k / 40 % side, k / 40 / side, 0.25 * (k % 40));
      body.hexahedra[k] = test_support::boxHexahedron(corner, 1, 1, 0.25);
    }
  } else {
    body.cylinderCount = count;
    body.cylinders = std::make_unique<Cylinder[]>(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k)
      body.cylinders[k] = Cylinder(Vec3(k % side, k / side, 0), Vec3(k % side, k / side, 10), 0.4);
  }
  body.boundingBox();
}

// A solve's searches come at normals a degree or less apart. On layers of small elements a search
// without a window values the crossed ones at trial after trial, so from the third search on a
// window about the predicted level decides the trials outside it; on columns, which the first
// fine pass settles all at once, no window opens. Another displacement starts the prediction
// anew. Every search gives the reference's bits.
TEST(FilteredSearch, WindowsOpenWhereSearchesValueTheirElementsRepeatedly) {
  for (const bool layers : {true, false}) {
    SCOPED_TRACE(layers ? "layers" : "columns");
    FloatingBody bodies[2];
    for (FloatingBody& body : bodies)
      fillLayersOrColumns(body, layers);
    bodies[1].fastEvaluation = std::make_shared<FastEvaluation>(bodies[1], 1);
    const FastEvaluation::SearchStatistics& statistics = bodies[1].fastEvaluation->statistics;
    const double whole = bodies[0].computeSubmergedVolume(Plane(0, 0, 1, -20));
    Vec3 normal(0.05, 0.02, 1);
    long long windows = 0;
    for (int step = 0; step < 10; ++step) {
      const double V = whole * (step < 8 ? 0.43 : 0.57);
      Plane planes[2];
      Vec3 centres[2];
      for (int k = 0; k < 2; ++k)
        bodies[k].findWaterPlane(planes[k], centres[k], V, normal);
      ASSERT_EQ(planes[1], planes[0]) << "step " << step;
      ASSERT_TRUE(test_support::vecSame(centres[1], centres[0]));
      windows = step == 7 ? statistics.windows : windows;
      normal.rotateAbout(Vec3(1, 0.3, 0), 0.01);
    }
    EXPECT_EQ(statistics.windows, layers ? 6 : 0);
    EXPECT_EQ(windows, statistics.windows);  // none for the new displacement's first two searches
    // About ten trials per window where the prediction follows the level (about half as many where
    // it moves the wrong way, and the window must widen to hold the result).
    if (layers) {
      EXPECT_GT(statistics.windowTrials, 6 * 8);
    }
  }
}

void shift(FloatingBody& body, const Vec3& offset) {
  for (int i = 0; i < body.tetrahedronCount; ++i)
    for (Vec3& p : body.tetrahedra[i].vertices)
      p = p + offset;
  for (int i = 0; i < body.hexahedronCount; ++i)
    for (Vec3& p : body.hexahedra[i].vertices)
      p = p + offset;
  for (int i = 0; i < body.prismCount; ++i)
    for (Vec3& p : body.prisms[i].vertices)
      p = p + offset;
  for (int i = 0; i < body.cylinderCount; ++i) {
    body.cylinders[i].axisStart = body.cylinders[i].axisStart + offset;
    body.cylinders[i].axisEnd = body.cylinders[i].axisEnd + offset;
  }
  body.boundingBox();
}

// Whole non-interactive solves of random bodies, also far from the origin: the same console bytes,
// plane and centre as on the reference evaluation.
// Both solvers, on the plain and on the fast evaluation: the same bytes, the same result, and the
// same cut results left in the elements (the fast path defers them to the end of the solve).
class FilteredSolve : public ::testing::TestWithParam<bool> {};

TEST_P(FilteredSolve, WholeSolvesPrintTheReferenceBytes) {
  const bool newton = GetParam();
  for (const Vec3 offset : {Vec3(0, 0, 0), Vec3(2e4, -3e4, 5e3)}) {
    for (std::uint64_t seed = test_support::kSeed; seed < test_support::kSeed + 3; ++seed) {
      SCOPED_TRACE("seed " + std::to_string(seed));
      FloatingBody bodies[2];
      std::string output[2];
      Plane planes[2];
      Vec3 centres[2];
      for (int k = 0; k < 2; ++k) {
        Random shapes(seed);
        test_support::fillRandomBody(bodies[k], shapes, 6, 8, 6, 4);
        shift(bodies[k], offset);
        if (k == 1)
          bodies[k].fastEvaluation = std::make_shared<FastEvaluation>(bodies[k], 2, 0);
        const double whole =
            bodies[k].computeSubmergedVolume(Plane(0, 0, 1, -bodies[k].bounds.zMax));
        const BoundingBox& b = bodies[k].bounds;
        const Vec3 G((b.xMin + b.xMax) / 2 + 0.3, (b.yMin + b.yMax) / 2 - 0.2, b.zMin + 2);
        test_support::ConsoleCapture console;
        if (newton) {
          solveNewtonAttitude(bodies[k], planes[k], centres[k], 0.4 * whole, G);
        } else {
          bodies[k].solveFloatingAttitude(planes[k], centres[k], 0.4 * whole, G);
        }
        output[k] = console.output();
      }
      EXPECT_EQ(planes[1], planes[0]);
      EXPECT_TRUE(test_support::vecSame(centres[1], centres[0]));
      EXPECT_EQ(output[1], output[0]);
      EXPECT_TRUE(sameElementResults(bodies[1], bodies[0]));
      EXPECT_GT(bodies[1].fastEvaluation->statistics.filteredTrials, 0);
      // The tilt iteration's small turns open windows, where the body's coordinates leave the
      // bound of every level to its heights.
      if (!newton && offset == Vec3(0, 0, 0)) {
        EXPECT_GT(bodies[1].fastEvaluation->statistics.windowTrials, 0);
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Methods, FilteredSolve, ::testing::Values(false, true));

// Columns of 100 layers, 0.1 high. The first target puts the water in the middle of the layer
// just above the first trial, z = 5: the coarse interval holds that trial's volume and the target
// alike, so the search needs a finer one there. The next trials lie metres away, where the coarse
// interval decides them again, until the trials come within a layer of the result. The second
// target is met near the second trial, whose bracket has already left the lower half behind.
// With 13 x 13 columns side by side the body has enough elements for the finest level table,
// which goes on answering the coarse intervals after a fine pass that settled no element (the
// first target's), and must not after one that did (the second's).
class FilteredColumns : public ::testing::TestWithParam<int> {};

TEST_P(FilteredColumns, TriesTheCoarseIntervalAgainAfterItFailed) {
  const int side = GetParam(), count = 100 * side * side;
  for (const double layers : {5.05, 7.55}) {
    SCOPED_TRACE(layers);
    FloatingBody bodies[2];
    for (FloatingBody& body : bodies) {
      body.hexahedronCount = count;
      body.hexahedra = std::make_unique<Hexahedron[]>(static_cast<std::size_t>(count));
      for (int k = 0; k < count; ++k) {
        const Vec3 corner(k / 100 % side, k / 100 / side, 0.1 * (k % 100));
        body.hexahedra[k] = test_support::boxHexahedron(corner, 1, 1, 0.1);
      }
      body.boundingBox();
    }
    bodies[1].fastEvaluation = std::make_shared<FastEvaluation>(bodies[1], 1);
    Plane planes[2];
    Vec3 centres[2];
    for (int k = 0; k < 2; ++k)
      bodies[k].findWaterPlane(planes[k], centres[k], layers * side * side, Vec3(0, 0, 1));
    EXPECT_EQ(planes[1], planes[0]);
    EXPECT_TRUE(test_support::vecSame(centres[1], centres[0]));
    const FastEvaluation::SearchStatistics& statistics = bodies[1].fastEvaluation->statistics;
    EXPECT_GE(statistics.coarseTrials, 4);
    // The lower end and the first trial come from the table; with the finest one, and the first
    // target, the trials at 7.5, 6.25, 5.625 and 5.3125 m too.
    if (layers < 6) {
      EXPECT_GE(statistics.levelIntervals, side > 1 ? 6 : 2);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Columns, FilteredColumns, ::testing::Values(1, 13));

}  // namespace
