// The fast evaluation must give the same bits as the reference body evaluations: compared with ==
// on random bodies of all four kinds and random planes, on one thread and on several.

#include "submerged/fast_evaluation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "elements/floating_body.h"
#include "submerged/draft_filter.h"
#include "submerged/waterplane.h"
#include "support/random_body.h"
#include "support/shapes.h"
#include "support/test_support.h"

namespace {

using test_support::Random;

// Planes that cross the body, lie above it, below it, or pass exactly through element vertices
// (the dry test's boundary).
Plane randomPlane(Random& random, const FloatingBody& body, int trial) {
  const Vec3 n = random.unitVector();
  const BoundingBox& b = body.bounds;
  if (trial % 7 == 0) {
    // Through a vertex of some hexahedron: that vertex lies exactly on the plane.
    const Vec3& p = body.hexahedra[trial % body.hexahedronCount].vertices[trial % 8];
    return Plane(n.x, n.y, n.z, -(n.x * p.x + n.y * p.y + n.z * p.z));
  }
  const Vec3 p =
      Vec3(random.uniform(b.xMin - 1, b.xMax + 1), random.uniform(b.yMin - 1, b.yMax + 1),
           random.uniform(b.zMin - 1, b.zMax + 1));
  return Plane(n.x, n.y, n.z, -(n.x * p.x + n.y * p.y + n.z * p.z));
}

void expectSameElementResults(const FloatingBody& a, const FloatingBody& b) {
  for (int i = 0; i < a.tetrahedronCount; ++i) {
    ASSERT_EQ(a.tetrahedra[i].waterPlane, b.tetrahedra[i].waterPlane);
    ASSERT_EQ(a.tetrahedra[i].submergedVolume, b.tetrahedra[i].submergedVolume)
        << "tetrahedron " << i;
    ASSERT_EQ(a.tetrahedra[i].submergedCentroid, b.tetrahedra[i].submergedCentroid);
  }
  for (int i = 0; i < a.hexahedronCount; ++i) {
    ASSERT_EQ(a.hexahedra[i].waterPlane, b.hexahedra[i].waterPlane);
    ASSERT_EQ(a.hexahedra[i].submergedVolume, b.hexahedra[i].submergedVolume) << "hexahedron " << i;
    ASSERT_EQ(a.hexahedra[i].submergedCentroid, b.hexahedra[i].submergedCentroid);
  }
  for (int i = 0; i < a.prismCount; ++i) {
    ASSERT_EQ(a.prisms[i].waterPlane, b.prisms[i].waterPlane);
    ASSERT_EQ(a.prisms[i].submergedVolume, b.prisms[i].submergedVolume) << "prism " << i;
    ASSERT_EQ(a.prisms[i].submergedCentroid, b.prisms[i].submergedCentroid);
  }
  for (int i = 0; i < a.cylinderCount; ++i) {
    ASSERT_EQ(a.cylinders[i].waterPlane, b.cylinders[i].waterPlane);
    ASSERT_EQ(a.cylinders[i].submergedVolume, b.cylinders[i].submergedVolume) << "cylinder " << i;
    ASSERT_EQ(a.cylinders[i].submergedCentroid, b.cylinders[i].submergedCentroid);
  }
}

void expectSameWaterplane(const WaterplaneProperties& a, const WaterplaneProperties& b) {
  ASSERT_EQ(a.crossedTetrahedronCount, b.crossedTetrahedronCount);
  ASSERT_EQ(a.area, b.area);
  ASSERT_EQ(a.centreOfFlotation, b.centreOfFlotation);
  ASSERT_EQ(a.Iuu, b.Iuu);
  ASSERT_EQ(a.Ivv, b.Ivv);
  ASSERT_EQ(a.Iuv, b.Iuv);
}

// Evaluations of random bodies with the given counts of tetrahedra, hexahedra, prisms and
// cylinders, on `threads` threads, against the reference, plane by plane. The waterplane of a
// body whose evaluation has the plane's normal passes over the elements its extents put wholly
// on one side: the same bits as the reference's pass over every element.
void expectReferenceBits(int threads, const int (&counts)[4], int seeds, int planes) {
  for (std::uint64_t seed = test_support::kSeed; seed < test_support::kSeed + seeds; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed) + ", threads " + std::to_string(threads));
    Random random(seed);
    FloatingBody reference, fast;
    Random shapesA(seed * 31), shapesB(seed * 31);
    test_support::fillRandomBody(reference, shapesA, counts[0], counts[1], counts[2], counts[3]);
    test_support::fillRandomBody(fast, shapesB, counts[0], counts[1], counts[2], counts[3]);
    // A threshold of 0 splits even a small body among the threads.
    FastEvaluation evaluation(fast, threads, 0);
    ASSERT_EQ(evaluation.threadCount(), threads);
    fast.fastEvaluation = std::shared_ptr<FastEvaluation>(&evaluation, [](FastEvaluation*) {});
    for (int trial = 0; trial < planes; ++trial) {
      SCOPED_TRACE("plane " + std::to_string(trial));
      const Plane plane = randomPlane(random, reference, trial);
      // Every other buoyancy keeps no element results, as in a solve: it skips what it can.
      evaluation.storesElementResults = trial % 2 == 0;
      evaluation.setNormal(plane.A, plane.B, plane.C);
      ASSERT_EQ(evaluation.submergedVolume(plane.D), reference.computeSubmergedVolume(plane));
      double v1, v2;
      Vec3 c1, c2;
      reference.computeBuoyancy(v1, c1, plane);
      evaluation.buoyancy(v2, c2, plane);
      ASSERT_EQ(v1, v2);
      ASSERT_EQ(c1, c2);
      if (evaluation.storesElementResults)
        expectSameElementResults(reference, fast);
      // A volume at the buoyancy's plane is the buoyancy's; at any other plane it is evaluated.
      ASSERT_EQ(evaluation.submergedVolume(plane.D), v1);
      const Plane higher(plane.A, plane.B, plane.C, plane.D - 0.25);
      ASSERT_EQ(evaluation.submergedVolume(higher.D), reference.computeSubmergedVolume(higher));
      expectSameWaterplane(computeWaterplane(reference, plane), computeWaterplane(fast, plane));
      expectSameWaterplane(computeWaterplane(reference, higher), computeWaterplane(fast, higher));
    }
    fast.fastEvaluation.reset();
  }
}

class FastEvaluationIdentity : public ::testing::TestWithParam<int> {};

TEST_P(FastEvaluationIdentity, RandomBodiesAndPlanesGiveTheReferenceBits) {
  expectReferenceBits(GetParam(), {7, 9, 8, 5}, 6, 60);
}

// Thousands of elements: the threads' chunks are weighed by a sample of the elements.
TEST_P(FastEvaluationIdentity, LargeBodiesGiveTheReferenceBits) {
  expectReferenceBits(GetParam(), {1600, 1500, 1000, 300}, 1, 12);
}

INSTANTIATE_TEST_SUITE_P(Threads, FastEvaluationIdentity, ::testing::Values(1, 2, 3));

TEST(FastEvaluation, WholeAndDryElementsTakeTheirPrecomputedResults) {
  Random shapes(test_support::kSeed);
  FloatingBody body;
  test_support::fillRandomBody(body, shapes, 2, 2, 2, 2);
  FastEvaluation evaluation(body, 1);
  evaluation.setNormal(0, 0, 1);
  // Far below: nothing submerged, every element reports its fallback point, the total is 0.
  double volume;
  Vec3 centre;
  evaluation.buoyancy(volume, centre, Plane(0, 0, 1, 1e6));
  EXPECT_EQ(volume, 0);
  EXPECT_EQ(centre, Vec3(0, 0, 0));
  EXPECT_EQ(body.hexahedra[1].submergedCentroid, body.hexahedra[1].vertices[0]);
  EXPECT_EQ(body.cylinders[0].submergedCentroid, body.cylinders[0].axisStart);
  EXPECT_EQ(body.tetrahedra[0].submergedCentroid, body.tetrahedra[0].centroid());
  // Far above: every element whole; the total is the sum of the whole volumes.
  const double whole = evaluation.submergedVolume(-1e6);
  EXPECT_EQ(whole, body.computeSubmergedVolume(Plane(0, 0, 1, -1e6)));
  EXPECT_GT(whole, 0);
}

// A degenerate element in a body of its own, so that no other element's NaN hides its result.
void makeDegenerateBody(FloatingBody& body, bool cylinder) {
  if (cylinder) {
    body.cylinderCount = 1;
    body.cylinders = std::make_unique<Cylinder[]>(1);
    body.cylinders[0] = Cylinder(Vec3(1, 1, 1), Vec3(1, 1, 1), 1);
  } else {
    body.hexahedronCount = 2;
    body.hexahedra = std::make_unique<Hexahedron[]>(2);
    body.hexahedra[0] = test_support::boxHexahedron(Vec3(0, 0, -1), 1, 1, 2);
    body.hexahedra[1] = test_support::boxHexahedron(Vec3(2, 0, -1), 1, 1, 2);
    body.hexahedra[1].vertices[6].y = std::numeric_limits<double>::infinity();
  }
  body.boundingBox();
}

TEST(FastEvaluation, DegenerateElementsFollowTheReference) {
  // Coincident end points give non-finite circle points, and a hexahedron with an infinite
  // coordinate has an infinite box: the fast path must not classify such an element as wholly dry
  // or wholly submerged on its own, whichever side of each axis the normal takes as its lowest
  // (zero components, of either sign, included).
  const Vec3 normals[] = {Vec3(0, 0, 1), Vec3(-0.0, 0, -1), Vec3(-0.3, 0.2, -0.9),
                          Vec3(0.6, -0.0, 0.8)};
  for (const bool cylinder : {true, false}) {
    FloatingBody reference, fast;
    makeDegenerateBody(reference, cylinder);
    makeDegenerateBody(fast, cylinder);
    FastEvaluation evaluation(fast, 1);
    for (const Vec3& n : normals) {
      evaluation.setNormal(n.x, n.y, n.z);
      for (double d : {-5.0, -1.0, 0.0, 1.0, 5.0}) {
        const double expected = reference.computeSubmergedVolume(Plane(n.x, n.y, n.z, d));
        const double actual = evaluation.submergedVolume(d);
        EXPECT_TRUE(expected == actual || (std::isnan(expected) && std::isnan(actual)))
            << expected << " vs " << actual << (cylinder ? " cylinder" : " hexahedra")
            << ", normal " << n.x << "," << n.y << "," << n.z << ", D " << d;
      }
    }
  }
}

// A new normal bounds the boxes' heights two boxes at a time where the processor allows it, and
// box by box for the rest: a box must get the same bounds at any place among the others, and they
// must hold its points' heights; a box without finite heights gets none. (A box beyond the floats'
// range would widen every box's bounds to the whole line, and hide the others.)
TEST(FastEvaluation, BoxBoundsDoNotDependOnTheBoxPlace) {
  const double inf = std::numeric_limits<double>::infinity();
  std::vector<Hexahedron> boxes = {
      test_support::boxHexahedron(Vec3(0, 0, -1), 1, 1, 2),
      test_support::boxHexahedron(Vec3(-0.0, -3, 1e-320), 2, 1e-310, 1),
      test_support::boxHexahedron(Vec3(3e3, -2e4, 5), 2e3, 1e3, 1),
      test_support::boxHexahedron(Vec3(-7.25, 3.5, -1e-3), 0.5, 0.25, 2e-3),
      test_support::boxHexahedron(Vec3(2, 0, -1), 1, 1, 2),
      test_support::boxHexahedron(Vec3(3, 4, 5), 1, 1, 1),
      test_support::boxHexahedron(Vec3(-1, -1, -1), 1, 1, 1)};
  boxes[4].vertices[6].y = inf;
  boxes[6].vertices[3].z = std::numeric_limits<double>::quiet_NaN();
  const Vec3 normals[] = {Vec3(0, 0, 1), Vec3(-0.0, 0, -1), Vec3(-0.3, 0.2, -0.9),
                          Vec3(0.6, -0.0, 0.8), Vec3(1e-300, -1, 0)};
  std::vector<float> first;  // the bounds with no box before the list
  for (int before = 0; before < 3; ++before) {
    FloatingBody body;
    body.hexahedronCount = before + static_cast<int>(boxes.size());
    body.hexahedra = std::make_unique<Hexahedron[]>(static_cast<size_t>(body.hexahedronCount));
    for (int i = 0; i < body.hexahedronCount; ++i)
      body.hexahedra[i] =
          i < before ? test_support::unitCube() : boxes[static_cast<size_t>(i - before)];
    body.boundingBox();
    FastEvaluation evaluation(body, 1);
    std::vector<float> bounds;
    for (const Vec3& n : normals) {
      evaluation.setNormal(n.x, n.y, n.z);
      for (size_t b = 0; b < boxes.size(); ++b) {
        float lowest, highest;
        evaluation.heightBounds(before + b, lowest, highest);
        bounds.push_back(lowest);
        bounds.push_back(highest);
        double low = inf, high = -inf;
        for (const Vec3& p : boxes[b].vertices) {
          const double h = n.x * p.x + n.y * p.y + n.z * p.z;
          low = std::isfinite(h) ? std::min(low, h) : -inf;
          high = std::isfinite(h) ? std::max(high, h) : inf;
        }
        SCOPED_TRACE("box " + std::to_string(b) + ", normal " + std::to_string(n.x) + "," +
                     std::to_string(n.y) + "," + std::to_string(n.z));
        EXPECT_LE(lowest, low);
        EXPECT_GE(highest, high);
      }
    }
    if (before == 0)
      first = bounds;
    EXPECT_EQ(std::memcmp(bounds.data(), first.data(), first.size() * sizeof(float)), 0)
        << before << " boxes before";
  }
  // Boxes shrunk to the origin: no margin, heights of +0, and bounds one float step either side.
  FloatingBody points;
  points.hexahedronCount = 3;
  points.hexahedra = std::make_unique<Hexahedron[]>(3);
  for (int i = 0; i < 3; ++i)
    points.hexahedra[i] = test_support::boxHexahedron(Vec3(0, 0, 0), 0, 0, 0);
  points.boundingBox();
  FastEvaluation evaluation(points, 1);
  evaluation.setNormal(-0.3, 0.2, -0.9);
  const float step = std::numeric_limits<float>::denorm_min();
  for (std::size_t e = 0; e < 3; ++e) {
    float lowest, highest;
    evaluation.heightBounds(e, lowest, highest);
    EXPECT_EQ(lowest, -step) << e;
    EXPECT_EQ(highest, step) << e;
  }
}

TEST(FastEvaluation, DryElementWithOverflowingCentroidFollowsTheReference) {
  // Far along x the vertex sum of a tetrahedron overflows: its centroid is infinite, and the
  // reference adds 0 times it (a NaN) to the moment even where it is dry. Skipping it as adding
  // nothing would give a finite centre.
  const double far = 1.5e308;
  FloatingBody reference, fast;
  for (FloatingBody* body : {&reference, &fast}) {
    body->tetrahedronCount = 2;
    body->tetrahedra = std::make_unique<Tetrahedron[]>(2);
    body->tetrahedra[0] =
        Tetrahedron(Vec3(0, 0, -1), Vec3(1, 0, -1), Vec3(0, 1, -1), Vec3(0, 0, 1));
    body->tetrahedra[1] =
        Tetrahedron(Vec3(far, 0, 5), Vec3(far, 1, 5), Vec3(far, 0, 6), Vec3(far * 0.5, 0, 5));
    body->boundingBox();
  }
  double v1;
  Vec3 c1;
  reference.computeBuoyancy(v1, c1, Plane(0, 0, 1, 0));
  EXPECT_TRUE(std::isnan(c1.x));
  // On several threads the dry tetrahedron falls to a later chunk, whose results are summed after
  // the first chunk's.
  for (int threads = 1; threads <= 3; ++threads) {
    FastEvaluation evaluation(fast, threads, 0);
    evaluation.storesElementResults = false;
    evaluation.setNormal(0, 0, 1);
    double v2;
    Vec3 c2;
    evaluation.buoyancy(v2, c2, Plane(0, 0, 1, 0));
    EXPECT_EQ(v1, v2) << threads;
    EXPECT_TRUE(std::isnan(c2.x)) << threads;
  }
}

}  // namespace

namespace {

// The bits of count values, compared byte for byte (for arrays without padding).
template <class T>
bool sameBits(const T* a, const T* b, std::size_t count) {
  // An empty array may have no storage at all: memcmp must not be given its null pointer.
  return count == 0 || std::memcmp(a, b, count * sizeof(T)) == 0;
}

}  // namespace

// The queue of crossed small elements gives each the volume (and centroid) of its own cut: queued
// alone, and all together, so that the queue fills and empties on the way and the volumes come
// out in order after other elements' (their sum in long double shows a change of one unit in the
// last place of any of them).
TEST(FastEvaluation, QueuedElementsHaveTheirOwnCutsBits) {
  if (!groupedCutsSupported())
    GTEST_SKIP() << "this processor cuts tetrahedra one by one";
  Random random(test_support::kSeed);
  FloatingBody body;
  Random shapes(test_support::kSeed * 7);
  test_support::fillRandomBody(body, shapes, 40, 30, 30, 2);
  FastEvaluation evaluation(body, 1, 0);  // a threshold of 0 queues on any body
  FastEvaluation::Scratch& scratch = evaluation.scratch(0);
  ASSERT_TRUE(scratch.queue);
  long queued = 0;
  for (int trial = 0; trial < 40; ++trial) {
    SCOPED_TRACE("plane " + std::to_string(trial));
    const Plane plane = randomPlane(random, body, trial);
    evaluation.setNormal(plane.A, plane.B, plane.C);
    long double together = 0, expected = 0;
    FastEvaluation::VolumeSum all{together};
    const FlattenedBody& flat = evaluation.flattened();
    for (std::size_t e = 0; e < flat.elementCount(); ++e) {
      if (!evaluation.extent(e).crossedAt(plane.D) || !evaluation.queues(flat.element(e)))
        continue;
      const double cut = evaluation.evaluateElement<false>(e, plane, scratch).volume;
      long double alone = 0;
      FastEvaluation::VolumeSum one{alone};
      evaluation.queueCrossed(e, plane, *scratch.queue, one);
      evaluation.flushCrossed(plane, *scratch.queue, one);
      ASSERT_EQ(static_cast<double>(alone), cut) << "element " << e;
      // With centroids, as the buoyancy queues it: the element's volume and centroid bits.
      const FastEvaluation::Result whole = evaluation.evaluateElement<true>(e, plane, scratch);
      FastEvaluation::LastResult last{{-1, Vec3(0, 0, 0)}};
      evaluation.queueCrossed<true>(e, plane, *scratch.queue, last);
      evaluation.flushCrossed<true>(plane, *scratch.queue, last);
      ASSERT_TRUE(sameBits(&last.result.volume, &whole.volume, 1)) << "element " << e;
      ASSERT_TRUE(sameBits(&last.result.centroid, &whole.centroid, 1)) << "element " << e;
      expected += cut;
      ++queued;
    }
    for (std::size_t e = 0; e < flat.elementCount(); ++e) {
      if (evaluation.extent(e).crossedAt(plane.D) && evaluation.queues(flat.element(e)))
        evaluation.queueCrossed(e, plane, *scratch.queue, all);
    }
    evaluation.flushCrossed(plane, *scratch.queue, all);
    ASSERT_EQ(together, expected);
  }
  // Enough crossed elements for the queue to fill many times over.
  EXPECT_GT(queued, 40 * static_cast<long>(FastEvaluation::CrossedQueue::kCrossed) / 8);
}

// Outside the unnamed namespace: the evaluation names this test its friend (to read whether it
// queues).
// Prepared on three threads, each filling its chunk of the arrays in place, an evaluation holds
// what one thread prepares: every point, water tetrahedron, element record and box, and what the
// chunks find together (the reach of the boxes, the largest elements, the filter's bounds).
TEST(FastEvaluation, PreparedOnThreeThreadsAsOnOne) {
  const int mixes[3][4] = {{25, 20, 20, 12}, {0, 0, 0, 9}, {60, 0, 7, 0}};
  Random shapes(test_support::kSeed * 11);
  for (const auto& mix : mixes) {
    FloatingBody body;
    test_support::fillRandomBody(body, shapes, mix[0], mix[1], mix[2], mix[3]);
    body.boundingBox();
    FastEvaluation one(body, 1, 0), three(body, 3, 0);
    ASSERT_EQ(three.threadCount(), 3);
    const FlattenedBody &a = one.flattened(), &b = three.flattened();
    const std::size_t elements = a.elementCount();
    ASSERT_EQ(b.elementCount(), elements);
    ASSERT_EQ(b.totalPointCount(), a.totalPointCount());
    ASSERT_EQ(b.waterTetrahedronCount(), a.waterTetrahedronCount());
    for (std::size_t e = 0; e < elements; ++e) {
      const FlattenedBody::Element &x = a.element(e), &y = b.element(e);
      ASSERT_TRUE(x.firstPoint == y.firstPoint && x.firstTetrahedron == y.firstTetrahedron &&
                  x.tetrahedronCount == y.tetrahedronCount && x.index == y.index &&
                  x.kind == y.kind && x.dryCentroidFinite == y.dryCentroidFinite &&
                  a.pointEnd(e) == b.pointEnd(e))
          << "element " << e;
      // A solid's points are the body's own; a cylinder's each evaluation computed.
      EXPECT_TRUE((x.kind == FlattenedBody::Kind::Cylinder || x.points == y.points) &&
                  sameBits(x.points, y.points, a.pointCount(e)) &&
                  sameBits(a.waterTetrahedra(x), b.waterTetrahedra(y), x.tetrahedronCount) &&
                  sameBits(&x.wholeCentroid, &y.wholeCentroid, 1) &&
                  sameBits(&a.wholeMoment(e), &b.wholeMoment(e), 1))
          << "element " << e;
      const double wa = a.wholeVolume(e), wb = b.wholeVolume(e);
      EXPECT_TRUE(sameBits(&wa, &wb, 1)) << "element " << e;
    }
    ASSERT_EQ(a.hasBoxes(), b.hasBoxes());
    for (int side = 0; side < FlattenedBody::kBoxSides && a.hasBoxes(); ++side)
      EXPECT_TRUE(sameBits(a.boxSide(side), b.boxSide(side), elements));
    EXPECT_TRUE(sameBits(a.boxReach(), b.boxReach(), 3));
    EXPECT_EQ(a.dryCentroidsFinite(), b.dryCentroidsFinite());
    EXPECT_EQ(one.queueing_, three.queueing_);
    EXPECT_EQ(one.scratch(0).values.size(), three.scratch(2).values.size());
    EXPECT_EQ(one.scratch(0).volume.size(), three.scratch(2).volume.size());
    const BodyBounds &f1 = one.draftFilter().bodyBounds(), &f3 = three.draftFilter().bodyBounds();
    EXPECT_TRUE(sameBits(f1.largestExtent, f3.largestExtent, 3));
    EXPECT_TRUE(sameBits(f1.largestCoordinate, f3.largestCoordinate, 3));
    EXPECT_EQ(f1.mostTetrahedra, f3.mostTetrahedra);
    EXPECT_EQ(f1.finite, f3.finite);
  }
}
