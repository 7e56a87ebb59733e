// The draft filter's interval must hold the volume of the exact evaluation for every level of the
// bracket, whatever the shape: slivers, bodies far from the origin, levels through vertices, cut
// edges nearly parallel to the plane. Each case settles elements against a bracket and compares
// the reference volume with the interval; the test reports the measured slack, the largest share
// of the interval's half width that an exact volume used. FLOATSTATE_BOUND_CASES raises the count.

#include "submerged/draft_filter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

#include "elements/floating_body.h"
#include "submerged/draft_filter_bounds.h"
#include "submerged/fast_evaluation.h"
#include "support/random_body.h"
#include "support/test_support.h"

namespace {

using test_support::Random;

enum class Shape { Ordinary, Sliver, Needle, FarAway, NearlyParallelEdge, Count };

// A tetrahedron around o of the given shape; n is the plane normal of the case.
Tetrahedron shapedTetrahedron(Random& random, Shape shape, const Vec3& o, const Vec3& n) {
  const Vec3 a = o + random.point(-1, 1), b = o + random.point(-1, 1), c = o + random.point(-1, 1);
  switch (shape) {
    case Shape::Sliver:  // the fourth vertex almost in the plane of the other three
      return Tetrahedron(a, b, c, (a + b) * 0.5 + (c - a) * 0.3 + random.point(-1e-9, 1e-9));
    case Shape::Needle:  // three vertices almost together
      return Tetrahedron(a, a + random.point(-1e-7, 1e-7), a + random.point(-1e-7, 1e-7), b);
    case Shape::NearlyParallelEdge: {  // an edge of length ~2 rising by ~1e-9 or ~1e-11 along n
      const Vec3 t = n.cross(random.unitVector());
      const Vec3 along = t * (2 / t.length());
      // Below 1e-10 the exact path cuts the edge at its midpoint.
      const double rise = random.uniform(0, 1) < 0.5 ? 1e-9 : 1e-11;
      return Tetrahedron(a, a + along + n * random.uniform(-rise, rise), b, c);
    }
    default:
      return Tetrahedron(a, b, c, o + random.point(-1, 1));
  }
}

struct Slack {
  double largest = 0;  // |exact - middle| / half width
  long compared = 0;
  long settled = 0;      // elements the bracket left behind
  long coarse = 0;       // coarse intervals compared
  long unsettled = 0;    // of them, before any element settled
  long windowed = 0;     // window intervals compared
  long decisive = 0;     // of them, narrower than the body's whole volume
  long straddled = 0;    // elements a window took as an epoch, for the estimates after it
  long afterWindow = 0;  // estimates after a window compared
};

// A window between two levels bounds every level below its lower end from above and every level
// above its upper end from below, without reading the elements at that level: at every vertex
// height of the tetrahedra, at the window's ends and between.
void checkWindow(Random& random, FloatingBody& body, DraftFilter& filter, const Vec3& n,
                 const std::vector<double>& heights, Slack& slack) {
  const double sLo = heights.front() - 1, sHi = heights.back() + 1;
  const std::size_t i = static_cast<std::size_t>(random.uniform(0, 22));
  const double a = random.uniform(0, 1) < 0.5 ? heights[i] : random.uniform(sLo, heights[i]);
  const double b = random.uniform(0, 1) < 0.5 ? heights[i + 1] : random.uniform(a, sHi);
  filter.start(sLo, sHi);
  if (!(a < b) || !filter.openWindow(a, b))
    return;
  std::vector<double> levels = heights;
  levels.insert(levels.end(), {a, b, sLo, sHi, random.uniform(sLo, a), random.uniform(b, sHi)});
  const double whole = body.computeSubmergedVolume(Plane(n.x, n.y, n.z, -sHi));
  for (const double s : levels) {
    const DraftFilter::Estimate w = filter.windowEstimate(-s);
    ASSERT_EQ(w.valid, s <= a || s >= b) << "level " << s;
    if (!w.valid)
      continue;
    const double exact = body.computeSubmergedVolume(Plane(n.x, n.y, n.z, -s));
    ASSERT_LE(w.lo, exact) << "window below " << b << ", level " << s;
    ASSERT_GE(w.hi, exact) << "window above " << a << ", level " << s;
    ++slack.windowed;
    slack.decisive += (s <= a ? w.hi < whole : w.lo > 0) ? 1 : 0;
  }
  // The elements both ends cross with no point between them left the active ones as an epoch:
  // the estimates after the window count them once, inside it and (the epoch dissolving) outside.
  slack.straddled += static_cast<long>(9 - filter.activeCount());
  const double inside[3] = {a, b, random.uniform(a, b)};
  for (const double s : {inside[0], inside[1], inside[2], random.uniform(sLo, sHi), a}) {
    const DraftFilter::Estimate e = filter.estimate(-s);
    if (!e.valid)
      continue;
    const double exact = body.computeSubmergedVolume(Plane(n.x, n.y, n.z, -s));
    ASSERT_LE(e.lo, exact) << "after the window, level " << s;
    ASSERT_GE(e.hi, exact) << "after the window, level " << s;
    ++slack.afterWindow;
  }
}

// One body of a few shaped tetrahedra and hexahedra, a bracket whose ends are vertex heights, and
// levels at the ends, through vertices and between.
void runCase(Random& random, Slack& slack, int threads) {
  const Shape shape = static_cast<Shape>(static_cast<int>(random.uniform(0, 5)) % 5);
  const Vec3 o = shape == Shape::FarAway ? random.point(-1e6, 1e6) : random.point(-5, 5);
  const Vec3 n = random.uniform(0, 1) < 0.2 ? Vec3(0, 0, 1) : random.unitVector();
  FloatingBody body;
  body.tetrahedronCount = 6;
  body.tetrahedra = std::make_unique<Tetrahedron[]>(6);
  for (int i = 0; i < 6; ++i)
    body.tetrahedra[i] = shapedTetrahedron(random, shape, o, n);
  body.hexahedronCount = 2;
  body.hexahedra = std::make_unique<Hexahedron[]>(2);
  for (int i = 0; i < 2; ++i) {
    Vec3 p[8];
    for (Vec3& q : p)
      q = o + random.point(-1, 1);
    body.hexahedra[i].setVertices(p, 8);
  }
  // One element of many water tetrahedra, whose bound is taken over all of them at once; a needle
  // for the slivers.
  body.cylinderCount = 1;
  body.cylinders = std::make_unique<Cylinder[]>(1);
  body.cylinders[0] = Cylinder(o + random.point(-1, 1), o + random.point(-1, 1),
                               shape == Shape::Sliver ? 1e-7 : random.uniform(0.05, 1));
  body.boundingBox();
  // On several threads every pass is shared out, however few its elements.
  FastEvaluation fast(body, threads, threads > 1 ? 0 : FastEvaluation::kDefaultParallelThreshold);
  fast.setNormal(n.x, n.y, n.z);
  std::vector<double> heights;
  for (int i = 0; i < 6; ++i)
    for (const Vec3& p : body.tetrahedra[i].vertices)
      heights.push_back(Plane(n.x, n.y, n.z, 0).height(p));
  std::sort(heights.begin(), heights.end());
  const std::size_t i = static_cast<std::size_t>(random.uniform(0, 23));
  const double a = heights[i],
               b = heights[i] + (heights[i + 1] - heights[i]) * random.uniform(0, 1);
  DraftFilter& filter = fast.draftFilter();
  // The search's lower end and first trial, in one pass: as in two.
  const double first[2] = {heights.front() - 1, random.uniform(heights.front(), heights.back())};
  DraftFilter::Estimate both[2];
  filter.start(heights.front() - 1, heights.back() + 1);
  filter.coarseEstimates(-first[0], -first[1], both);
  filter.start(heights.front() - 1, heights.back() + 1);
  for (int k = 0; k < 2; ++k) {
    const DraftFilter::Estimate one = filter.coarseEstimate(-first[k]);
    ASSERT_EQ(one.valid, both[k].valid);
    if (one.valid) {
      ASSERT_TRUE(one.lo == both[k].lo && one.hi == both[k].hi) << "plane " << k;
    }
  }
  const double levels[4] = {a, b, a + (b - a) * random.uniform(0, 1), heights[i + 1]};
  // Before any element settles, the coarse intervals come from the elements' extents alone.
  filter.start(heights.front() - 1, heights.back() + 1);
  for (const double s : levels) {
    const double exact = body.computeSubmergedVolume(Plane(n.x, n.y, n.z, -s));
    const DraftFilter::Estimate coarse = filter.coarseEstimate(-s);
    ASSERT_TRUE(!coarse.valid || (coarse.lo <= exact && exact <= coarse.hi)) << "first, " << s;
    slack.unsettled += coarse.valid;
  }
  filter.start(heights.front() - 1, heights.back() + 1);
  filter.estimate(-(a + b) / 2);  // settles nothing: every point is inside the first bracket
  filter.narrow(a, b);
  for (const double s : levels) {
    const double exact = body.computeSubmergedVolume(Plane(n.x, n.y, n.z, -s));
    // The coarse interval, as the search asks for it before the estimate.
    const DraftFilter::Estimate coarse = filter.coarseEstimate(-s);
    if (coarse.valid) {
      ASSERT_LE(coarse.lo, exact) << "coarse, level " << s << " shape " << static_cast<int>(shape);
      ASSERT_GE(coarse.hi, exact) << "coarse, level " << s << " shape " << static_cast<int>(shape);
      ++slack.coarse;
    }
    const DraftFilter::Estimate e = filter.estimate(-s);
    slack.settled += static_cast<long>(9 - filter.activeCount());
    if (!e.valid)
      continue;
    ASSERT_LE(e.lo, exact) << "level " << s << " shape " << static_cast<int>(shape);
    ASSERT_GE(e.hi, exact) << "level " << s << " shape " << static_cast<int>(shape);
    // Intervals a few units in the last place wide measure the rounding of their ends, not the
    // bound.
    const double half = (e.hi - e.lo) / 2;
    if (half > 64 * std::numeric_limits<double>::epsilon() * std::fabs(exact))
      slack.largest = std::max(slack.largest, std::fabs(exact - (e.lo + half)) / half);
    ++slack.compared;
  }
  checkWindow(random, body, filter, n, heights, slack);
}

TEST(DraftFilter, IntervalsHoldTheExactVolumeOfAdversarialBodies) {
  const char* count = std::getenv("FLOATSTATE_BOUND_CASES");
  const long cases = count ? std::atol(count) : 3000;
  Random random(test_support::kSeed);
  Slack slack;
  for (long c = 0; c < cases && !HasFatalFailure(); ++c) {
    SCOPED_TRACE("case " + std::to_string(c));
    runCase(random, slack, c % 2 == 0 ? 1 : 2);
  }
  EXPECT_GT(slack.compared, cases * 3);
  EXPECT_GT(slack.settled, cases);  // the bracket did leave elements behind: polynomials were used
  EXPECT_GT(slack.coarse, cases);
  EXPECT_GT(slack.unsettled, cases);
  EXPECT_GT(slack.windowed, cases * 10);  // windows opened, bounding levels on both sides
  EXPECT_GT(slack.decisive, slack.windowed / 4);
  EXPECT_GT(slack.straddled, cases / 10);
  EXPECT_GT(slack.afterWindow, cases);
  std::cout << "[ slack    ] " << cases << " cases, " << slack.compared
            << " intervals: the exact volume used at most " << slack.largest
            << " of the half width; " << slack.windowed << " window intervals held, "
            << slack.decisive << " of them narrower than the bracket's; " << slack.straddled
            << " elements taken as the window's epoch" << std::endl;
}

// A pass shared out between threads splits the active elements by their water tetrahedra (weighing
// a sample of them when they are thousands); the chunks must take each element once. On random
// bodies of every kind, a bisection's estimates keep the same elements active, with the same
// intervals up to the order of their sums, as on one thread.
class SharedPasses : public ::testing::TestWithParam<int> {};

TEST_P(SharedPasses, TakeEveryElementOnce) {
  const int scale = GetParam();
  const int seeds = scale == 1 ? 20 : 2;
  for (std::uint64_t seed = test_support::kSeed; seed < test_support::kSeed + seeds; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    FloatingBody bodies[2];
    Random shapesA(seed), shapesB(seed), random(seed * 7);
    for (int k = 0; k < 2; ++k) {
      Random& shapes = k == 0 ? shapesA : shapesB;
      test_support::fillRandomBody(bodies[k], shapes, 40 * scale, 30 * scale, 20 * scale,
                                   10 * scale);
    }
    FastEvaluation one(bodies[0], 1), two(bodies[1], 2, 0);
    const Vec3 n = random.unitVector();
    float sLo = std::numeric_limits<float>::infinity(), sHi = -sLo;
    for (FastEvaluation* fast : {&one, &two}) {
      fast->setNormal(n.x, n.y, n.z);
      for (std::size_t e = 0; e < static_cast<std::size_t>(100 * scale); ++e) {
        float lo, hi;
        fast->heightBounds(e, lo, hi);
        sLo = std::min(sLo, lo);
        sHi = std::max(sHi, hi);
      }
      fast->draftFilter().start(sLo, sHi);
    }
    double lo = sLo, hi = sHi;
    for (int trial = 0; trial < 30; ++trial) {
      const double s = (lo + hi) / 2;
      const DraftFilter::Estimate a = one.draftFilter().estimate(-s);
      const DraftFilter::Estimate b = two.draftFilter().estimate(-s);
      ASSERT_EQ(one.draftFilter().activeCount(), two.draftFilter().activeCount()) << trial;
      ASSERT_EQ(a.valid, b.valid) << trial;
      const double tolerance = 1e-9 * (std::fabs(a.hi) + 1);
      ASSERT_NEAR(a.lo, b.lo, tolerance) << trial;
      ASSERT_NEAR(a.hi, b.hi, tolerance) << trial;
      (random.uniform(0, 1) < 0.5 ? lo : hi) = s;
      one.draftFilter().narrow(lo, hi);
      two.draftFilter().narrow(lo, hi);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(BodySizes, SharedPasses, ::testing::Values(1, 40));

// A unit corner tetrahedron, 0 <= z <= 1, and a second one lifted by `lift`.
void makeTwoTetrahedra(FloatingBody& body, double lift) {
  body.tetrahedronCount = 2;
  body.tetrahedra = std::make_unique<Tetrahedron[]>(2);
  for (int i = 0; i < 2; ++i) {
    const Vec3 o(0, 0, i * lift);
    body.tetrahedra[i] = Tetrahedron(o, o + Vec3(1, 0, 0), o + Vec3(0, 1, 0), o + Vec3(0, 0, 1));
  }
  body.boundingBox();
}

// A tetrahedron with points at the heights 0, 0.2, 0.8 and 1, settled by the bracket [0.3, 0.7]
// with its cubic for the levels [0.2, 0.8). Above its top it is wholly submerged and below its
// bottom dry, and it stays settled; a level between its points outside that range returns it.
TEST(DraftFilter, AnEpochHoldsBeyondItsPointsAndDissolvesBetweenThem) {
  FloatingBody body;
  body.tetrahedronCount = 1;
  body.tetrahedra = std::make_unique<Tetrahedron[]>(1);
  body.tetrahedra[0] =
      Tetrahedron(Vec3(0, 0, 0), Vec3(1, 0, 0.2), Vec3(0, 1, 0.8), Vec3(0.3, 0.3, 1));
  body.boundingBox();
  FastEvaluation fast(body, 1);
  fast.setNormal(0, 0, 1);
  DraftFilter& filter = fast.draftFilter();
  filter.start(-1, 2);
  filter.estimate(-0.5);
  filter.narrow(0.3, 0.7);
  const struct {
    double level;
    std::size_t active;
  } kTrials[] = {{0.5, 0}, {1.5, 0}, {1, 0}, {-0.5, 0}, {0.5, 0}, {0.9, 1}};
  for (const auto& trial : kTrials) {
    SCOPED_TRACE(trial.level);
    const DraftFilter::Estimate estimate = filter.estimate(-trial.level);
    EXPECT_EQ(filter.activeCount(), trial.active);
    ASSERT_TRUE(estimate.valid);
    const double exact = body.computeSubmergedVolume(Plane(0, 0, 1, -trial.level));
    EXPECT_LE(estimate.lo, exact);
    EXPECT_GE(estimate.hi, exact);
  }
}

TEST(DraftFilter, ALevelBelowAnElementSettledAsSubmergedIsNotBounded) {
  FloatingBody body;
  makeTwoTetrahedra(body, 3);  // one in 0 <= z <= 1, one in 3 <= z <= 4
  FastEvaluation fast(body, 1);
  fast.setNormal(0, 0, 1);
  DraftFilter& filter = fast.draftFilter();
  filter.start(-1, 5);
  filter.estimate(1);
  filter.narrow(2, 5);  // the lower one lies wholly below the bracket
  EXPECT_TRUE(filter.estimate(-3.5).valid);
  EXPECT_FALSE(filter.estimate(-0.5).valid);  // its precomputed volume no longer applies
}

// An edge rising by less than the parallel-edge tolerance, cut by the level: the exact path takes
// it as parallel and cuts it at its midpoint, whichever the true fraction. The coarse interval,
// which reads no heights on a body near the origin, must still hold that volume, here all but a
// sliver at the top vertex: the pieces stay within the tetrahedron. Levels across the rise of the
// top edge, whose ends lie 5e-11 apart.
TEST(DraftFilter, CoarseIntervalHoldsACutAtAParallelEdgesMidpoint) {
  FloatingBody body;
  body.tetrahedronCount = 1;
  body.tetrahedra = std::make_unique<Tetrahedron[]>(1);
  body.tetrahedra[0] =
      Tetrahedron(Vec3(0, 0, 0), Vec3(2, 0, 0), Vec3(0, 1, 1), Vec3(1, 2, 1 + 5e-11));
  body.hexahedronCount = 1;  // with another kind, the heights are computed only when asked for
  body.hexahedra = std::make_unique<Hexahedron[]>(1);
  const Vec3 cube[8] = {Vec3(5, 0, 0), Vec3(6, 0, 0), Vec3(6, 1, 0), Vec3(5, 1, 0),
                        Vec3(5, 0, 1), Vec3(6, 0, 1), Vec3(6, 1, 1), Vec3(5, 1, 1)};
  body.hexahedra[0].setVertices(cube, 8);
  body.boundingBox();
  FastEvaluation fast(body, 1);
  fast.setNormal(0, 0, 1);
  DraftFilter& filter = fast.draftFilter();
  for (const double rise : {1e-11, 2.5e-11, 4e-11}) {
    const double s = 1 + rise;
    filter.start(-1, 2);
    const DraftFilter::Estimate coarse = filter.coarseEstimate(-s);
    const double exact = body.computeSubmergedVolume(Plane(0, 0, 1, -s));
    ASSERT_TRUE(coarse.valid) << rise;
    EXPECT_LE(coarse.lo, exact) << rise;
    EXPECT_GE(coarse.hi, exact) << rise;
    EXPECT_EQ(fast.submergedVolume(-s), exact) << rise;
  }
}

// The window bounds its straddling elements' cut edges with each crossed tetrahedron's extents
// taken as the element's box: those sums must hold the tetrahedra's own sums, whichever of its
// water tetrahedra are crossed, for flat, long and far-away hexahedra (whose boxes' rounding
// counts), each of the three faces' products paired with its own two extents.
TEST(DraftFilter, BoxExtentsHoldTheSumsOfAnElementsTetrahedra) {
  Random random(45);
  const Vec3 scales[] = {Vec3(1, 1, 1), Vec3(30, 0.5, 0.01), Vec3(0.02, 4, 60)};
  for (int trial = 0; trial < 600; ++trial) {
    const Vec3 scale = scales[trial % 3];
    const Vec3 o = trial % 4 == 3 ? random.point(-1e7, 1e7) : random.point(-10, 10);
    Vec3 p[8];
    draft_bounds::Box box;
    for (Vec3& q : p) {
      const Vec3 r = random.point(0, 1);
      q = o + Vec3(r.x * scale.x, r.y * scale.y, r.z * scale.z);
      box.add(q);
    }
    Hexahedron hexahedron;
    hexahedron.setVertices(p, 8);
    Tetrahedron parts[Hexahedron::kTetrahedronCount];
    hexahedron.splitIntoTetrahedra(parts, Hexahedron::kTetrahedronCount);
    // A random non-empty subset of the tetrahedra as the crossed ones.
    const unsigned mask = 1 + static_cast<unsigned>(random.uniform(0, 31)) % 31;
    draft_bounds::CrossedSums summed, boxed;
    for (int t = 0; t < Hexahedron::kTetrahedronCount; ++t) {
      if (mask & (1u << t)) {
        const Vec3* v = parts[t].vertices;
        summed.add(v[0], v[1], v[2], v[3], 1);
        boxed.count += 1;
      }
    }
    boxed.takeBoxExtents(box);
    for (int c = 0; c < 3; ++c) {
      ASSERT_GE(boxed.extent[c], summed.extent[c]) << "trial " << trial << " axis " << c;
      ASSERT_GE(boxed.face[c], summed.face[c]) << "trial " << trial << " axis " << c;
    }
    ASSERT_GE(boxed.box, summed.box) << "trial " << trial;
  }
}

}  // namespace
