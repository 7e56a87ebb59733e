// Evaluating planes over the flattened body: the heights of its points along a normal (from the
// elements' boxes where it has them, the points' own heights only when an element is read), each
// element's result for a plane (its precomputed whole result, nothing, or its crossed water
// tetrahedra cut one by one, side by side in groups, or queued across elements), the sums of all
// elements in order from chunks evaluated in parallel, and the elements' own cut results written
// back. Flattening the body, once, is in flattened_body.cpp.
#include "submerged/fast_evaluation.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "elements/floating_body.h"
#include "elements/large_pages.h"
#include "submerged/cut_sum.h"
#include "submerged/draft_filter.h"
#include "submerged/float_bounds.h"
#include "submerged/surface_evaluation.h"
#include "submerged/tetrahedron_cut.h"

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr std::size_t kParallelBoxes = 2048;
// A body of fewer small elements has its few crossed ones cut one by one: the queue's 8 KB per
// thread would show in its memory per water tetrahedron (about 6 bytes at this many hexahedra,
// a twentieth of the rest). Hull-shaped bodies of a few hundred elements already spend a third of
// a search on their crossed layer, which the queue cuts about a fifth sooner. An evaluation made
// to share every evaluation out (the tests') queues them on any body.
constexpr std::size_t kQueuedElements = 256;
// An evaluation is shared out from this much work (see balanceChunks): a crossed element weighs
// 20 per water tetrahedron, any other 1. A hull of a few thousand elements crosses a few hundred,
// and its evaluations then take a third less time on two threads than on one.
constexpr std::size_t kParallelWork = 8000;
// The most elements an evaluation's first chunk passes while queued elements wait (see
// evaluateAll): a hull's crossed layer fills the queue within about a hundred.
constexpr std::size_t kLongestWait = 128;
// A whole-body evaluation queues the crossed small elements where they hold at least one water
// tetrahedron per this many elements (a hull's layer: one per two; a tetrahedral mesh's: one per
// twenty-five, which its plain cuts take sooner).
constexpr std::size_t kQueuedShare = 8;
// From this many elements an evaluation's chunks are weighed by a sample (see balanceChunks).
constexpr std::size_t kSampledElements = 4096;
constexpr std::size_t kCostStride = 16;
constexpr float kInfinityF = std::numeric_limits<float>::infinity();
// gamma(8) = 8 u / (1 - 8 u), u the unit roundoff of doubles.
constexpr double kEightRoundings = 8 * (std::numeric_limits<double>::epsilon() / 2) /
                                   (1 - 8 * (std::numeric_limits<double>::epsilon() / 2));

}  // namespace

bool FloatingBody::prepareFastEvaluation(int threadCount) {
  fastEvaluation.reset();  // first release the old ones' memory and threads
  surfaceEvaluation.reset();
  try {
    if (!surface.empty()) {
      surfaceEvaluation = std::make_shared<SurfaceEvaluation>(surface, threadCount);
    } else {
      fastEvaluation = std::make_shared<FastEvaluation>(*this, threadCount);
    }
  } catch (const std::bad_alloc&) {
    return false;  // the plain evaluation gives the same results, only later
  }
  return true;
}

// The flattened body's arrays and this evaluation's are laid out and sized first; then each
// thread makes the pages of its part present and fills the elements of its chunk, which on a large
// body takes most of the preparation. A body below the parallel threshold starts no thread at all
// and is prepared on this thread alone.
FastEvaluation::FastEvaluation(FloatingBody& body, int threadCount, std::size_t parallelThreshold)
    : FastEvaluation(body, FlattenedBody::Layout(body), threadCount, parallelThreshold) {}

FastEvaluation::FastEvaluation(FloatingBody& body, const FlattenedBody::Layout& layout,
                               int threadCount, std::size_t parallelThreshold)
    : body_(body),
      flat_(body, layout),
      pool_(layout.end().tetrahedron >= parallelThreshold ? threadCount : 1),
      parallelWork_(parallelThreshold > 0 ? kParallelWork : 0) {
  sizeArrays(layout);
  parallel_ = pool_.threadCount() > 1;
  std::vector<Found> found(static_cast<std::size_t>(pool_.threadCount()));
  // Each chunk keeps its findings to itself until it is done: the chunks' entries share a cache
  // line, which updating them element by element would pass back and forth between the cores.
  auto job = [this, &layout, &found](int chunk) {
    found[static_cast<std::size_t>(chunk)] = prepareChunk(chunk, layout);
  };
  pool_.runChunks(job, parallel_);
  for (std::size_t chunk = 1; chunk < found.size(); ++chunk)
    found[0].merge(found[chunk]);
  flat_.takeFound(found[0].flat);
  setUpScratch(found[0]);
  bounds_.assign(static_cast<std::size_t>(pool_.threadCount()) + 1, 0);
  filter_ = std::make_unique<DraftFilter>(*this);
  setNormal(0, 0, 1);
}

FastEvaluation::~FastEvaluation() = default;

DraftFilter& FastEvaluation::draftFilter() {
  return *filter_;
}

void FastEvaluation::Found::merge(const Found& other) {
  flat.merge(other.flat);
  largest = std::max(largest, other.largest);
  mostGrouped = std::max(mostGrouped, other.mostGrouped);
  smallElements += other.smallElements;
}

// Sizes the per-point and per-element arrays of the evaluations exactly, as the flattened body
// sizes its own; nothing is written yet.
void FastEvaluation::sizeArrays(const FlattenedBody::Layout& layout) {
  const std::size_t elements = layout.first[4];
  sizeLarge(heights_, layout.end().point);
  sizeLarge(extents_, elements);
  // Tetrahedra alone have few points per element: their heights are computed with the normal.
  if (flat_.hasBoxes())
    sizeLarge(heightsFor_, elements);
  sizeLarge(volumes_, elements);
  sizeLarge(centroids_, elements);
}

FastEvaluation::Found FastEvaluation::prepareChunk(int chunk, const FlattenedBody::Layout& layout) {
  const std::size_t part = static_cast<std::size_t>(chunk), parts = parallel_ ? threadCount() : 1;
  populateArrays(part, parts);
  Found found;
  found.flat = flat_.prepareChunk(layout, part, parts, [this, &found](std::size_t e) {
    const Element& element = flat_.element(e);
    found.largest = std::max<std::size_t>(found.largest, flat_.pointCount(e));
    if (grouped(element))
      found.mostGrouped = std::max<std::size_t>(found.mostGrouped, element.tetrahedronCount);
    found.smallElements += element.tetrahedronCount < kGroupedTetrahedra ? 1 : 0;
  });
  clearResults(layout, found.flat.begin, found.flat.end);
  return found;
}

// Each thread makes its part of every array present at once, instead of a fault per page as the
// elements are written: on a large body the most variable part of the preparation.
void FastEvaluation::populateArrays(std::size_t part, std::size_t parts) {
  populatePart(heights_, part, parts);
  populatePart(extents_, part, parts);
  populatePart(heightsFor_, part, parts);
  populatePart(volumes_, part, parts);
  populatePart(centroids_, part, parts);
}

// The per-point and per-element results start as zeros, as if sized with them.
void FastEvaluation::clearResults(const FlattenedBody::Layout& layout, std::size_t begin,
                                  std::size_t end) {
  std::fill(heights_.begin() + static_cast<std::ptrdiff_t>(layout.start(begin).point),
            heights_.begin() + static_cast<std::ptrdiff_t>(layout.start(end).point), 0.0);
  const auto from = static_cast<std::ptrdiff_t>(begin), to = static_cast<std::ptrdiff_t>(end);
  std::fill(extents_.begin() + from, extents_.begin() + to, Extent{});
  if (!heightsFor_.empty())
    std::fill(heightsFor_.begin() + from, heightsFor_.begin() + to, 0);
  std::fill(volumes_.begin() + from, volumes_.begin() + to, 0.0);
  std::fill(centroids_.begin() + from, centroids_.begin() + to, Vec3(0, 0, 0));
}

// Each thread writes its element's plane values into its own scratch array; the padding keeps
// two threads' arrays off each other's cache lines (they would otherwise bounce between the
// cores on every crossed element).
void FastEvaluation::setUpScratch(const Found& found) {
  constexpr std::size_t kPadding = 128 / sizeof(double);
  queueing_ = groupedCuts_ && (found.smallElements >= kQueuedElements || parallelWork_ == 0);
  scratch_.resize(static_cast<std::size_t>(pool_.threadCount()));
  for (Scratch& scratch : scratch_) {
    scratch.values.assign(found.largest + kPadding, 0);
    scratch.volume.assign(found.mostGrouped, 0);
    scratch.centroid.assign(found.mostGrouped, Vec3(0, 0, 0));
    for (std::vector<CrossedTetrahedron>& group : scratch.crossed)
      group.resize(found.mostGrouped);
    if (queueing_)
      scratch.queue = std::make_unique<CrossedQueue>();
  }
}

std::size_t FastEvaluation::chunkBegin(int chunk) const {
  const std::size_t chunks = parallel_ ? static_cast<std::size_t>(pool_.threadCount()) : 1;
  return flat_.elementCount() * static_cast<std::size_t>(chunk) / chunks;
}

void FastEvaluation::setNormal(double A, double B, double C) {
  // Compared bit for bit: the same normal keeps the last buoyancy's plane.
  const auto same = [](double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; };
  buoyancyKnown_ = buoyancyKnown_ && same(A, plane_.A) && same(B, plane_.B) && same(C, plane_.C);
  plane_.set(A, B, C, 0);
  if (flat_.hasBoxes()) {
    setNormalFromBoxes();
    return;
  }
  auto job = [this](int chunk) {
    const Plane plane = plane_;  // a local copy: the stores below cannot alias it
    const std::size_t end = chunkBegin(chunk + 1);
    for (std::size_t e = chunkBegin(chunk); e < end; ++e) {
      const Element& element = flat_.element(e);
      double* heights = heights_.data() + element.firstPoint;
      const std::uint32_t pointCount = flat_.pointCount(e);
      double low = kInfinity;
      double high = -kInfinity;
      bool unordered = false;
      for (std::uint32_t p = 0; p < pointCount; ++p) {
        const double h = plane.height(element.points[p]);
        heights[p] = h;
        unordered |= std::isnan(h);
        low = h < low ? h : low;
        high = h > high ? h : high;
      }
      // A point without a height (degenerate geometry) is neither surely dry nor surely
      // submerged: such an element always goes tetrahedron by tetrahedron, like the reference.
      extents_[e] =
          unordered ? Extent{-kInfinityF, kInfinityF} : Extent{stepBelow(low), stepAbove(high)};
    }
  };
  pool_.runChunks(job, parallel_);
}

// The heights of a large body's points are mostly never read: a draft search cuts only the
// elements around the water plane. Here every element's extents come from its box, and its
// heights wait until an evaluation or the draft filter asks for them.
void FastEvaluation::setNormalFromBoxes() {
  if (++normalCount_ == 0) {  // the count wrapped: no element's heights may look current
    std::fill(heightsFor_.begin(), heightsFor_.end(), 0);
    normalCount_ = 1;
  }
  const Plane& n = plane_;
  const double size = std::fabs(n.A) * flat_.boxReach()[0] + std::fabs(n.B) * flat_.boxReach()[1] +
                      std::fabs(n.C) * flat_.boxReach()[2];
  const double margin = kEightRoundings * size;
  const auto range = [this, margin](std::size_t begin, std::size_t end) {
    boxExtents(begin, end, margin);
  };
  // A box's extents cost about ten nanoseconds: below some two thousand elements, handing a
  // share to the other threads (which wait for the next pass spinning, a microsecond away) costs
  // more than it saves. A hull of 2,940 elements sets a new normal about once per search.
  if (flat_.elementCount() < kParallelBoxes) {
    range(0, flat_.elementCount());
    return;
  }
  auto job = [this, &range](int chunk) { range(chunkBegin(chunk), chunkBegin(chunk + 1)); };
  pool_.runChunks(job, parallel_);
}

#if defined(__SSE2__)
namespace {

// stepBelow of two doubles at once (see float_bounds.h), the same operations lane by lane.
__m128i stepBelowBits(__m128d x) {
  const __m128i bits = _mm_castps_si128(_mm_cvtpd_ps(x));
  const __m128i negative = _mm_srli_epi32(bits, 31);
  const __m128i positiveZero =
      _mm_and_si128(_mm_cmpeq_epi32(bits, _mm_setzero_si128()), _mm_set1_epi32(0x80000002));
  // -1 where the float is -infinity: adding it subtracts the one that is subtracted there.
  const __m128i negativeInfinity =
      _mm_cmpeq_epi32(bits, _mm_set1_epi32(static_cast<int>(0xff800000u)));
  __m128i step = _mm_add_epi32(bits, _mm_set1_epi32(-1));
  step = _mm_add_epi32(step, _mm_add_epi32(negative, negative));
  step = _mm_add_epi32(step, positiveZero);
  return _mm_add_epi32(step, negativeInfinity);
}

__m128d loadTwo(const float* x) {
  return _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(x))));
}

}  // namespace

// The loop of boxExtents two boxes at a time, with the same operations on each: the compiler does
// not pair the boxes itself. Returns the first box left for the loop.
std::size_t FastEvaluation::boxExtentsInPairs(const float* const (&low)[3],
                                              const float* const (&high)[3], std::size_t begin,
                                              std::size_t end, double margin) {
  const __m128d n[3] = {_mm_set1_pd(plane_.A), _mm_set1_pd(plane_.B), _mm_set1_pd(plane_.C)};
  const __m128d withMargin = _mm_set1_pd(margin);
  const __m128d largest = _mm_set1_pd(std::numeric_limits<double>::max());
  const __m128d magnitude = _mm_castsi128_pd(_mm_set1_epi64x(0x7fffffffffffffff));
  const __m128d sign = _mm_castsi128_pd(_mm_set1_epi64x(static_cast<long long>(1ULL << 63)));
  const __m128i floatSign = _mm_set1_epi32(static_cast<int>(0x80000000u));
  const __m128i marginFinite = _mm_set1_epi32(std::isfinite(margin) ? -1 : 0);
  const __m128i infinity = _mm_set1_epi32(0x7f800000);
  static_assert(sizeof(Extent) == 2 * sizeof(float), "two extents fill four floats");
  std::size_t e = begin;
  for (; e + 2 <= end; e += 2) {
    __m128d lowest = _mm_setzero_pd(), highest = _mm_setzero_pd();
    for (int c = 0; c < 3; ++c) {
      lowest = _mm_add_pd(lowest, _mm_mul_pd(n[c], loadTwo(low[c] + e)));
      highest = _mm_add_pd(highest, _mm_mul_pd(n[c], loadTwo(high[c] + e)));
    }
    const __m128d finite = _mm_and_pd(_mm_cmple_pd(_mm_and_pd(lowest, magnitude), largest),
                                      _mm_cmple_pd(_mm_and_pd(highest, magnitude), largest));
    // Each double's mask to the float of its lane, and the margin's.
    const __m128i keep = _mm_and_si128(
        _mm_shuffle_epi32(_mm_castpd_si128(finite), _MM_SHUFFLE(2, 2, 2, 0)), marginFinite);
    // below: stepBelow(lowest - margin); above: -stepBelow(-(highest + margin)).
    const __m128i below = stepBelowBits(_mm_sub_pd(lowest, withMargin));
    const __m128i above =
        _mm_xor_si128(stepBelowBits(_mm_xor_pd(_mm_add_pd(highest, withMargin), sign)), floatSign);
    const __m128i dropped = _mm_andnot_si128(keep, infinity);
    const __m128 belowKept = _mm_castsi128_ps(_mm_or_si128(
        _mm_and_si128(keep, below), _mm_or_si128(dropped, _mm_andnot_si128(keep, floatSign))));
    const __m128 aboveKept = _mm_castsi128_ps(_mm_or_si128(_mm_and_si128(keep, above), dropped));
    _mm_storeu_ps(reinterpret_cast<float*>(&extents_[e]), _mm_unpacklo_ps(belowKept, aboveKept));
  }
  return e;
}
#endif

// The heights of the box's corners bound those of the points inside it. With S the sum of
// |N_c| max(|lo_c|, |hi_c|), a computed height A x + B y + C z lies within gamma(3) S of the exact
// one, and so does the computed sum over the lowest (highest) corner; the subtraction of the
// margin rounds once more: gamma(8) S covers the three. The margin takes S over the whole body
// (the flattened body's box reach), once per normal. A box that is not finite, or a normal that is
// not, gives no extents, as a point without a height does.
//
// The lowest corner takes lo along an axis where the normal's component is >= 0 and hi where it
// is negative: N_c lo_c <= N_c hi_c then, so that is the smaller product, whatever its zero's sign
// (and an infinite box's NaN product is NaN on either side).
void FastEvaluation::boxExtents(std::size_t begin, std::size_t end, double margin) {
  const double normal[3] = {plane_.A, plane_.B, plane_.C};
  const float *low[3], *high[3];
  for (int c = 0; c < 3; ++c) {
    const bool rising = normal[c] >= 0;
    low[c] = flat_.boxSide(rising ? c : 3 + c);
    high[c] = flat_.boxSide(rising ? 3 + c : c);
  }
  const double a = normal[0], b = normal[1], c = normal[2];
  constexpr double kLargest = std::numeric_limits<double>::max();  // NaN compares false
  const bool finiteMargin = std::isfinite(margin);
  Extent* extents = extents_.data();
#if defined(__SSE2__)
  begin = boxExtentsInPairs(low, high, begin, end, margin);
#endif
  for (std::size_t e = begin; e < end; ++e) {
    double lowest = 0, highest = 0;
    lowest += a * static_cast<double>(low[0][e]);
    highest += a * static_cast<double>(high[0][e]);
    lowest += b * static_cast<double>(low[1][e]);
    highest += b * static_cast<double>(high[1][e]);
    lowest += c * static_cast<double>(low[2][e]);
    highest += c * static_cast<double>(high[2][e]);
    // The steps of a value that is not finite are computed and dropped.
    const bool finite =
        (std::fabs(lowest) <= kLargest) & (std::fabs(highest) <= kLargest) & finiteMargin;
    const float below = stepBelow(lowest - margin), above = stepAbove(highest + margin);
    extents[e] = Extent{finite ? below : -kInfinityF, finite ? above : kInfinityF};
  }
}

const double* FastEvaluation::heights(std::size_t e) const {
  if (!heightsFor_.empty() && heightsFor_[e] != normalCount_)
    computeHeights(e);
  return &heights_[flat_.element(e).firstPoint];
}

void FastEvaluation::prefetchElement(std::size_t e) const {
  const Element& element = flat_.element(e);
  if (!heightsFor_.empty())
    __builtin_prefetch(&heightsFor_[e]);
  // A few lines of each array: the hardware follows a longer run (a cylinder's) by itself.
  const auto lines = [](const void* data, std::size_t bytes) {
    constexpr std::size_t kLine = 64, kMostLines = 4;
    const char* begin = static_cast<const char*>(data);
    const std::size_t end = bytes < kMostLines * kLine ? bytes : kMostLines * kLine;
    for (std::size_t offset = 0; offset < end; offset += kLine)
      __builtin_prefetch(begin + offset);
  };
  const std::size_t points = flat_.pointCount(e);
  lines(heights_.data() + element.firstPoint, points * sizeof(double));
  lines(element.points, points * sizeof(Vec3));
  lines(flat_.waterTetrahedra(element), element.tetrahedronCount * sizeof(WaterTetrahedron));
}

void FastEvaluation::computeHeights(std::size_t e) const {
  const Plane plane = plane_;
  const Element& element = flat_.element(e);
  for (std::uint32_t p = element.firstPoint; p < flat_.pointEnd(e); ++p)
    heights_[p] = plane.height(element.points[p - element.firstPoint]);
  heightsFor_[e] = normalCount_;
}

template <bool withCentroid>
FastEvaluation::Result FastEvaluation::uncutWaterTetrahedron(const WaterTetrahedron& t,
                                                             const Vec3* points, bool submerged) {
  const std::uint16_t* v = t.vertex;
  const Vec3 centroid =
      withCentroid ? Tetrahedron::centroidOf(points[v[0]], points[v[1]], points[v[2]], points[v[3]])
                   : Vec3(0, 0, 0);
  return Result{submerged ? t.volume : 0.0, centroid};
}

template <bool withCentroid>
FastEvaluation::Result FastEvaluation::cutWaterTetrahedron(const WaterTetrahedron& t,
                                                           const Vec3* points, const double* values,
                                                           const Plane& plane) {
  const double value[4] = {values[t.vertex[0]], values[t.vertex[1]], values[t.vertex[2]],
                           values[t.vertex[3]]};
  const Vec3* const v[4] = {&points[t.vertex[0]], &points[t.vertex[1]], &points[t.vertex[2]],
                            &points[t.vertex[3]]};
  const bool allSubmerged =
      !isDry(value[0]) && !isDry(value[1]) && !isDry(value[2]) && !isDry(value[3]);
  const bool allDry = isDry(value[0]) && isDry(value[1]) && isDry(value[2]) && isDry(value[3]);
  if (allSubmerged || allDry)
    return uncutWaterTetrahedron<withCentroid>(t, points, allSubmerged);
  const TetrahedronCut cut = cutTetrahedron<withCentroid>(v, value, plane);
  return Result{cut.volume, cut.centroid};
}

template <bool withCentroid>
FastEvaluation::Result FastEvaluation::evaluateElement(std::size_t e, const Plane& plane,
                                                       Scratch& scratch) const {
  double* values = scratch.values.data();
  const Element& element = flat_.element(e);
  const double D = plane.D;
  if (extents_[e].submergedAt(D)) {
    return Result{flat_.wholeVolume(e), withCentroid ? element.wholeCentroid : Vec3(0, 0, 0)};
  }
  if (extents_[e].dryAt(D))
    return Result{0, withCentroid ? element.dryCentroid() : Vec3(0, 0, 0)};
  // The plane crosses the element: every point's plane value, height + D, once.
  const Vec3* points = element.points;
  const double* height = heights(e);
  const std::uint32_t pointCount = flat_.pointCount(e);
  for (std::uint32_t p = 0; p < pointCount; ++p)
    values[p] = height[p] + D;
  const WaterTetrahedron* t = flat_.waterTetrahedra(element);
  if (element.kind == Kind::Tetrahedron) {
    return cutWaterTetrahedron<withCentroid>(*t, points, values, plane);
  }
  if (grouped(element))
    return evaluateInGroups<withCentroid>(element, plane, scratch);
  CutSum sum;
  for (std::uint32_t i = 0; i < element.tetrahedronCount; ++i) {
    const Result part = cutWaterTetrahedron<withCentroid>(t[i], points, values, plane);
    sum.add<withCentroid>(part.volume, part.centroid);
  }
  return Result{sum.volume,
                withCentroid ? sum.elementCentroid(element.dryCentroid()) : Vec3(0, 0, 0)};
}

template <bool withCentroid, typename Sink>
void FastEvaluation::queueCrossed(std::size_t e, const Plane& plane, CrossedQueue& queue,
                                  Sink& sink) const {
  const Element& element = flat_.element(e);
  const std::size_t n = element.tetrahedronCount;
  if (queue.staged + n > CrossedQueue::kCrossed || queue.slots + n > CrossedQueue::kSlots)
    flushCrossed<withCentroid>(plane, queue, sink);
  const Vec3* points = element.points;
  const double* height = heights(e);
  const WaterTetrahedron* t = flat_.waterTetrahedra(element);
  const std::size_t first = queue.slots;
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint16_t* v = t[i].vertex;
    // The plane values evaluateElement gives the points, height + D.
    const double value[4] = {height[v[0]] + plane.D, height[v[1]] + plane.D, height[v[2]] + plane.D,
                             height[v[3]] + plane.D};
    int slot[4];
    const int k = classifyDryFirst(value, slot);
    if (k == 0 || k == 4) {
      const Result whole = uncutWaterTetrahedron<withCentroid>(t[i], points, k == 0);
      queue.volume[first + i] = whole.volume;
      if (withCentroid)
        queue.centroid[first + i] = whole.centroid;
      continue;
    }
    const std::size_t staged = 4 * queue.staged++;
    CrossedTetrahedron& crossed = queue.crossed[k - 1][queue.count[k - 1]++];
    for (int j = 0; j < 4; ++j) {
      queue.points[staged + j] = points[v[slot[j]]];
      queue.values[staged + j] = value[slot[j]];
      crossed.point[j] = static_cast<std::uint16_t>(staged + j);
    }
    crossed.index = static_cast<std::uint16_t>(first + i);
  }
  queue.elements[queue.queued++] =
      CrossedQueue::Queued{static_cast<std::uint32_t>(e), static_cast<std::uint16_t>(first),
                           static_cast<std::uint16_t>(n)};
  queue.slots += n;
}

template <bool withCentroid, typename Sink>
void FastEvaluation::flushCrossed(const Plane& plane, CrossedQueue& queue, Sink& sink) const {
  for (int k = 1; k <= 3; ++k) {
    const CrossedGroup group{k, queue.crossed[k - 1], queue.count[k - 1]};
    cutCrossedGroup<withCentroid>(group, queue.points, queue.values, plane, queue.volume,
                                  withCentroid ? queue.centroid : nullptr);
    queue.count[k - 1] = 0;
  }
  for (std::size_t q = 0; q < queue.queued; ++q) {
    const CrossedQueue::Queued& queued = queue.elements[q];
    // A tetrahedron's result is its cut's own; the others sum their water tetrahedra in order,
    // as evaluateElement does.
    const Element& element = flat_.element(queued.element);
    if (element.kind == Kind::Tetrahedron) {
      sink(queued.element, Result{queue.volume[queued.firstSlot],
                                  withCentroid ? queue.centroid[queued.firstSlot] : Vec3(0, 0, 0)});
      continue;
    }
    CutSum part;
    for (std::size_t i = queued.firstSlot; i < queued.firstSlot + queued.count; ++i)
      part.add<withCentroid>(queue.volume[i], withCentroid ? queue.centroid[i] : Vec3(0, 0, 0));
    sink(queued.element,
         Result{part.volume,
                withCentroid ? part.elementCentroid(element.dryCentroid()) : Vec3(0, 0, 0)});
  }
  queue.staged = queue.slots = queue.queued = 0;
}

template void FastEvaluation::queueCrossed(std::size_t, const Plane&, CrossedQueue&,
                                           VolumeSum&) const;
template void FastEvaluation::flushCrossed(const Plane&, CrossedQueue&, VolumeSum&) const;
template void FastEvaluation::queueCrossed<true>(std::size_t, const Plane&, CrossedQueue&,
                                                 LastResult&) const;
template void FastEvaluation::flushCrossed<true>(const Plane&, CrossedQueue&, LastResult&) const;

template <bool withCentroid>
FastEvaluation::Result FastEvaluation::evaluateInGroups(const Element& element, const Plane& plane,
                                                        Scratch& scratch) const {
  const Vec3* points = element.points;
  const double* values = scratch.values.data();
  const WaterTetrahedron* t = flat_.waterTetrahedra(element);
  double* volume = scratch.volume.data();
  Vec3* centroid = scratch.centroid.data();
  std::size_t count[3] = {0, 0, 0};
  for (std::uint32_t i = 0; i < element.tetrahedronCount; ++i) {
    const std::uint16_t* v = t[i].vertex;
    const double value[4] = {values[v[0]], values[v[1]], values[v[2]], values[v[3]]};
    int slot[4];
    const int k = classifyDryFirst(value, slot);
    if (k == 0 || k == 4) {
      const Result whole = uncutWaterTetrahedron<withCentroid>(t[i], points, k == 0);
      volume[i] = whole.volume;
      if (withCentroid)
        centroid[i] = whole.centroid;
      continue;
    }
    CrossedTetrahedron& crossed = scratch.crossed[k - 1][count[k - 1]++];
    for (int j = 0; j < 4; ++j)
      crossed.point[j] = v[slot[j]];
    crossed.index = static_cast<std::uint16_t>(i);
  }
  for (int k = 1; k <= 3; ++k) {
    const CrossedGroup group{k, scratch.crossed[k - 1].data(), count[k - 1]};
    cutCrossedGroup<withCentroid>(group, points, values, plane, volume, centroid);
  }
  CutSum sum;
  for (std::uint32_t i = 0; i < element.tetrahedronCount; ++i)
    sum.add<withCentroid>(volume[i], withCentroid ? centroid[i] : Vec3(0, 0, 0));
  return Result{sum.volume,
                withCentroid ? sum.elementCentroid(element.dryCentroid()) : Vec3(0, 0, 0)};
}

// The draft filter evaluates its active elements one by one.
template FastEvaluation::Result FastEvaluation::evaluateElement<false>(std::size_t, const Plane&,
                                                                       Scratch&) const;

// The chunks of an evaluation at D, each with about the same work: a water tetrahedron of an
// element the plane crosses (by its extents) costs about as much as twenty elements it does not.
// The elements the plane crosses gather by kind (a platform's cylinders, a barge's layer), so
// equal counts of elements would leave one thread with most of the cuts. Returns false, with one
// chunk, when the work is too little to wake the other threads for, or when there are no other
// threads. A sleeping thread's wake can cost as much as a few hundred thousand elements' work on a
// virtual machine; within a draft search the threads still spin from the pass before, and the
// search's one exact evaluation of a hull of a few thousand elements (fifty thousand elements'
// work) took a fifth less time shared.
//
// On a large body only every kCostStride-th element is weighed, for the elements it stands for:
// the crossed ones come in runs (a layer, a column's sections) that a sample finds in proportion,
// and weighing every element of the barge took a tenth of an evaluation, on one thread, before the
// threads start. A chunk's end then lies on a sampled element; which elements a chunk holds
// changes no result.
bool FastEvaluation::balanceChunks(double D) {
  const std::size_t count = flat_.elementCount();
  if (!parallel_) {
    std::fill(bounds_.begin() + 1, bounds_.end(), count);
    return false;
  }
  const std::size_t stride = count >= kSampledElements ? kCostStride : 1;
  // The level against the float extents themselves: cheaper than the evaluation's exact test, and
  // an element misjudged within a float step of the plane only moves a chunk's end a little.
  const float level = static_cast<float>(-D);
  const auto cost = [this, level, stride](std::size_t e) -> std::size_t {
    const Extent& x = extents_[e];
    return stride * (x.lowest < level && level < x.highest
                         ? 20 * static_cast<std::size_t>(flat_.element(e).tetrahedronCount)
                         : 1);
  };
  std::size_t total = 0;
  for (std::size_t e = 0; e < count; e += stride)
    total += cost(e);
  const std::size_t chunks = total < parallelWork_ ? 1 : bounds_.size() - 1;
  std::size_t sum = 0, chunk = 1;
  bounds_[0] = 0;
  for (std::size_t e = 0; e < count && chunk < chunks; e += stride) {
    sum += cost(e);
    while (chunk < chunks && sum * chunks >= total * chunk)
      bounds_[chunk++] = std::min(e + stride, count);
  }
  while (chunk < bounds_.size())
    bounds_[chunk++] = count;
  return chunks > 1;
}

// Queuing costs every element a little and pays where the crossed ones lie close together: a
// hull's layer crosses about one element in ten, each with two or three of its five water
// tetrahedra. A platform's few crossed elements in long runs of others, or a tetrahedral mesh's
// one crossed tetrahedron in twenty-five elements, go faster one by one. A sample of the
// elements' extents tells (every kCostStride-th on a large body).
bool FastEvaluation::queuesAt(double D) const {
  if (!queueing_ || parallelWork_ == 0)
    return queueing_;  // an evaluation made to share everything (the tests') queues on any body
  const std::size_t count = flat_.elementCount();
  const std::size_t stride = count >= kSampledElements ? kCostStride : 1;
  std::size_t sampled = 0, crossed = 0;
  for (std::size_t e = 0; e < count; e += stride) {
    ++sampled;
    if (extents_[e].crossedAt(D) && queues(flat_.element(e)))
      crossed += flat_.element(e).tetrahedronCount;
  }
  return crossed * kQueuedShare >= sampled;
}

template <bool withCentroid>
CutSum FastEvaluation::evaluateAll(double D) {
  Plane plane = plane_;
  plane.D = D;
  CutSum firstChunk;  // the first chunk's sum, which the others' continue in order
  const bool threads = balanceChunks(D);
  // The elements' own cut results are written after this evaluation (see buoyancy).
  const bool keep = withCentroid && !deferring_ && storesElementResults;
  const auto store = [this](std::size_t e, const Result& r) {
    volumes_[e] = r.volume;
    if (withCentroid)
      centroids_[e] = r.centroid;
  };
  // A dry element adds 0 and 0 c, which leaves the sums as they are for a finite c: where the
  // elements' results are not kept, it is skipped, by its extents alone where every element's dry
  // centroid is finite (its record is then not read at all).
  const auto skipped = [this, keep, D](std::size_t e) {
    return !keep && extents_[e].dryAt(D) &&
           (flat_.dryCentroidsFinite() || flat_.element(e).dryCentroidFinite);
  };
  // An element wholly below the plane adds its whole volume and moment, read from their own
  // arrays: where the results are not kept, no thread stores them, and the sum after the threads
  // reads them there again.
  const auto wholly = [this, keep, D](std::size_t e) {
    return !keep && extents_[e].submergedAt(D);
  };
  const auto addWhole = [this](CutSum& sum, std::size_t e) {
    if (withCentroid)
      sum.addMoment(flat_.wholeVolume(e), flat_.wholeMoment(e));
    else
      sum.addVolume(flat_.wholeVolume(e));
  };
  // A chunk without a queue: the first chunk's running sum in registers, every element's addition
  // waiting for the last one's (a sum the stores below might alias would make each wait for
  // memory as well). The first chunk is summed as it goes; the others after it, in element
  // order. Per-element results are kept where they are read again: for the later sum, and for
  // the elements' own cut results.
  const auto plainChunk = [this, &plane, &firstChunk, keep, &store, &skipped, &wholly,
                           &addWhole](int chunk) {
    Scratch& scratch = scratch_[static_cast<std::size_t>(chunk)];
    const std::size_t end = bounds_[static_cast<std::size_t>(chunk) + 1];
    CutSum sum;
    for (std::size_t e = bounds_[static_cast<std::size_t>(chunk)]; e < end; ++e) {
      if (e + kPrefetchDistance < end && extents_[e + kPrefetchDistance].crossedAt(plane.D))
        prefetchElement(e + kPrefetchDistance);
      if (skipped(e))
        continue;
      if (wholly(e)) {
        if (chunk == 0)
          addWhole(sum, e);
        continue;
      }
      const Result r = evaluateElement<withCentroid>(e, plane, scratch);
      if (chunk == 0)
        sum.add<withCentroid>(r.volume, r.centroid);
      if (chunk != 0 || keep)
        store(e, r);
    }
    if (chunk == 0)
      firstChunk = sum;
  };
  // A chunk whose crossed small elements wait in the queue, their crossed tetrahedra cut side by
  // side with those of the next ones.
  const auto queuedChunk = [this, &plane, &firstChunk, keep, &store, &skipped, &wholly,
                            &addWhole](int chunk) {
    Scratch& scratch = scratch_[static_cast<std::size_t>(chunk)];
    const std::size_t begin = bounds_[static_cast<std::size_t>(chunk)];
    const std::size_t end = bounds_[static_cast<std::size_t>(chunk) + 1];
    CrossedQueue& queue = *scratch.queue;
    // The first chunk's running sum: of the elements before `summed`, in element order.
    CutSum sum;
    std::size_t summed = begin;
    // Brings the first chunk's sum up to element e: the elements before it that were not added
    // as they came (wholly submerged ones, and ones evaluated while queued ones waited before
    // them, whose results were stored).
    const auto catchUp = [&](std::size_t e) {
      for (; summed < e; ++summed) {
        if (skipped(summed))
          continue;
        if (wholly(summed)) {
          addWhole(sum, summed);
        } else {
          sum.add<withCentroid>(volumes_[summed],
                                withCentroid ? centroids_[summed] : Vec3(0, 0, 0));
        }
      }
    };
    // A queued element's result, in element order: the first chunk adds it, every chunk keeps it
    // where it is read again (for the later sum, and for the elements' own cut results).
    const auto take = [&](std::size_t e, const Result& r) {
      if (chunk == 0) {
        catchUp(e);
        sum.add<withCentroid>(r.volume, r.centroid);
        summed = e + 1;
      }
      if (chunk != 0 || keep)
        store(e, r);
    };
    std::size_t queuedFrom = begin;  // the first element waiting in the queue
    for (std::size_t e = begin; e < end; ++e) {
      if (e + kPrefetchDistance < end && extents_[e + kPrefetchDistance].crossedAt(plane.D))
        prefetchElement(e + kPrefetchDistance);
      // The first chunk catches up on every element passed while queued ones waited: where the
      // crossed elements lie far apart (a platform's few in a long run of dry and submerged
      // ones), the queue is cut the sooner, so that it passes few elements twice.
      if (chunk == 0 && queue.queued > 0 && e - queuedFrom >= kLongestWait)
        flushCrossed<withCentroid>(plane, queue, take);
      // The first chunk adds an element as it comes while no queued one waits before it, and
      // otherwise as it catches up.
      const bool inOrder = chunk == 0 && queue.queued == 0;
      if (skipped(e)) {
        if (inOrder) {
          catchUp(e);
          summed = e + 1;
        }
        continue;
      }
      if (wholly(e)) {
        if (inOrder) {
          catchUp(e);
          addWhole(sum, e);
          summed = e + 1;
        }
        continue;
      }
      // Crossed elements of few water tetrahedra wait in the queue, their crossed tetrahedra cut
      // side by side with those of the next ones.
      if (extents_[e].crossedAt(plane.D) && queues(flat_.element(e))) {
        queueCrossed<withCentroid>(e, plane, queue, take);
        queuedFrom = queue.queued == 1 ? e : queuedFrom;
        continue;
      }
      const Result r = evaluateElement<withCentroid>(e, plane, scratch);
      if (inOrder) {
        take(e, r);
      } else {
        store(e, r);  // the first chunk adds it when the queued ones before it are added
      }
    }
    flushCrossed<withCentroid>(plane, queue, take);
    if (chunk == 0) {
      catchUp(end);
      firstChunk = sum;
    }
  };
  const bool queued = queuesAt(D);
  auto job = [this, queued, &plainChunk, &queuedChunk](int chunk) {
    if (queued)
      queuedChunk(chunk);
    else
      plainChunk(chunk);
  };
  pool_.runChunks(job, threads);
  CutSum sum = firstChunk;
  for (std::size_t e = bounds_[1]; e < flat_.elementCount(); ++e) {
    if (skipped(e))
      continue;
    if (wholly(e))
      addWhole(sum, e);
    else
      sum.add<withCentroid>(volumes_[e], withCentroid ? centroids_[e] : Vec3(0, 0, 0));
  }
  return sum;
}

double FastEvaluation::submergedVolume(double D) {
  if (buoyancyKnown_ && std::memcmp(&D, &buoyancyOffset_, sizeof D) == 0)
    return buoyancyVolume_;
  return evaluateAll<false>(D).volume;
}

void FastEvaluation::buoyancy(double& volume, Vec3& centre, const Plane& plane) {
  // Compared bit for bit, so that a NaN normal (a degenerate body) equals itself.
  assert(std::memcmp(&plane.A, &plane_.A, sizeof(double)) == 0 &&
         std::memcmp(&plane.B, &plane_.B, sizeof(double)) == 0 &&
         std::memcmp(&plane.C, &plane_.C, sizeof(double)) == 0 &&
         "setNormal must be given the plane's normal before the evaluation");
  const CutSum total = evaluateAll<true>(plane.D);
  volume = total.volume;
  buoyancyOffset_ = plane.D;
  buoyancyVolume_ = volume;
  buoyancyKnown_ = true;
  centre = total.volume == 0 ? Vec3(0, 0, 0) : total.moment / total.volume;
  if (deferring_) {
    deferred_ = true;
    deferredPlane_ = plane;
  } else if (storesElementResults) {
    writeElementResults(plane);
  }
}

void FastEvaluation::deferElementResults() {
  deferring_ = true;
}

// The last deferred plane is evaluated once more: the per-element results of that evaluation may
// have been overwritten since by volume evaluations.
void FastEvaluation::endDeferral() {
  deferring_ = false;
  if (!deferred_)
    return;
  deferred_ = false;
  const Plane plane = deferredPlane_;
  setNormal(plane.A, plane.B, plane.C);
  double volume;
  Vec3 centre;
  buoyancy(volume, centre, plane);
}

namespace {
template <typename Element>
void storeCut(Element& element, const Plane& plane, double volume, const Vec3& centroid) {
  element.waterPlane = plane;
  element.submergedVolume = volume;
  element.submergedCentroid = centroid;
}
}  // namespace

// Each element's results go to its own object, so the chunks write them side by side.
void FastEvaluation::writeElementResults(const Plane& plane) {
  auto job = [this, &plane](int chunk) {
    const std::size_t end = chunkBegin(chunk + 1);
    for (std::size_t e = chunkBegin(chunk); e < end; ++e) {
      const std::uint32_t i = flat_.element(e).index;
      switch (flat_.element(e).kind) {
        case Kind::Tetrahedron:
          storeCut(body_.tetrahedra[i], plane, volumes_[e], centroids_[e]);
          break;
        case Kind::Cylinder:
          storeCut(body_.cylinders[i], plane, volumes_[e], centroids_[e]);
          break;
        case Kind::Hexahedron:
          storeCut(body_.hexahedra[i], plane, volumes_[e], centroids_[e]);
          break;
        case Kind::Prism:
          storeCut(body_.prisms[i], plane, volumes_[e], centroids_[e]);
          break;
      }
    }
  };
  pool_.runChunks(job, parallel_);
}

std::size_t FastEvaluation::Scratch::bytes() const {
  std::size_t sum = values.capacity() * sizeof(double) + volume.capacity() * sizeof(double) +
                    centroid.capacity() * sizeof(Vec3) + (queue ? sizeof(CrossedQueue) : 0);
  for (const std::vector<CrossedTetrahedron>& group : crossed)
    sum += group.capacity() * sizeof(CrossedTetrahedron);
  return sum;
}

std::size_t FastEvaluation::memoryBytes() const {
  return flat_.memoryBytes() + heights_.capacity() * sizeof(double) +
         extents_.capacity() * sizeof(Extent) + volumes_.capacity() * sizeof(double) +
         heightsFor_.capacity() * sizeof(std::uint32_t) + centroids_.capacity() * sizeof(Vec3) +
         scratch_.size() * (scratch_.empty() ? 0 : scratch_.front().bytes()) +
         filter_->memoryBytes();
}
