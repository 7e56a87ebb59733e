// The fast body evaluations of the solver: the submerged volume and the buoyancy of a plane,
// evaluated over the body flattened once (flattened_body.h), in parallel, and bit for bit equal to
// the body's own computeSubmergedVolume and computeBuoyancy (the reference). The draft filter
// (draft_filter.h), which decides most trials of a draft search without evaluating them, is built
// with it and evaluates the elements it cannot bound through the element evaluation below.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "elements/large_pages.h"
#include "geometry/plane.h"
#include "geometry/vec3.h"
#include "submerged/batched_cut.h"
#include "submerged/cut_sum.h"
#include "submerged/flattened_body.h"
#include "submerged/worker_pool.h"

class FloatingBody;
class DraftFilter;

// Built once for a body whose elements no longer change: the flattened body holds every element
// as a run of points and a run of water tetrahedra in flat arrays, with each water tetrahedron's
// volume and each element's whole-element result precomputed. A cylinder's circle points are
// computed once, so a trial needs no sine, cosine or allocation.
//
// Per normal (once per draft search) every point gets its height A*x + B*y + C*z, summed in the
// order of the plane value, so height + D has the same bits as the plane value the cut tests.
// Because rounding is monotonic, the lowest and highest point of an element decide whether all of
// its vertices are submerged (its precomputed result) or all dry (volume 0 and its fallback
// point); only the water tetrahedra of elements that the plane crosses are classified, and only
// the ones it crosses run the full cut, with the heights it would compute itself.
//
// Elements are evaluated in parallel into per-element results, which are then summed in order on
// the calling thread, so the totals do not depend on the number of threads.
class FastEvaluation {
 public:
  // Below this many water tetrahedra an evaluation is cheaper than waking the other threads. A
  // hull of 600 elements (about 4,000 water tetrahedra) already runs its draft searches a third
  // sooner on two threads: most of a search is its crossed layer, which the threads share.
  static constexpr std::size_t kDefaultParallelThreshold = 4000;

  // threadCount <= 0: one thread per hardware thread. Bodies with fewer water tetrahedra than
  // parallelThreshold are evaluated on the calling thread alone, and no thread is started. With
  // the default threshold an evaluation also stays on the calling thread when the plane crosses
  // too little of the body; a threshold of 0 (the tests') shares every evaluation out.
  FastEvaluation(FloatingBody& body, int threadCount,
                 std::size_t parallelThreshold = kDefaultParallelThreshold);
  ~FastEvaluation();
  FastEvaluation(const FastEvaluation&) = delete;
  FastEvaluation& operator=(const FastEvaluation&) = delete;

  // Fixes the normal (A, B, C) of the planes evaluated next.
  void setNormal(double A, double B, double C);
  // What the normal of setNormal bounds the heights of element e's points by (its index among
  // the tetrahedra, cylinders, hexahedra and prisms, in that order), rounded outwards to floats;
  // -infinity and infinity where they have no finite bound.
  void heightBounds(std::size_t e, float& lowest, float& highest) const {
    lowest = extents_[e].lowest;
    highest = extents_[e].highest;
  }
  // Same result as body.computeSubmergedVolume(Plane(A, B, C, D)) with the normal of setNormal.
  // Leaves the elements' cut results untouched.
  double submergedVolume(double D);
  // Same results as body.computeBuoyancy(volume, centre, plane), including every element's cut
  // results. plane's normal must be the one given to setNormal.
  void buoyancy(double& volume, Vec3& centre, const Plane& plane);

  // The bounds with which the draft search decides most of its trials without evaluating them
  // (see draft_filter.h).
  DraftFilter& draftFilter();
  // How the draft searches on this evaluation judged their trial planes.
  struct SearchStatistics {
    long long searches = 0;
    long long filteredTrials = 0;  // decided by the filter's bounds
    long long coarseTrials = 0;    // of them, by a coarse interval
    long long levelIntervals = 0;  // coarse intervals the level table gave, without a pass
    long long exactTrials = 0;     // evaluated exactly
    long long finalTrials = 0;     // the result, whose buoyancy gave the exact volume
    long long exactLowerEnds = 0;  // lower ends whose volume the bounds could not place
    long long windows = 0;         // searches that opened a window about a predicted level
    long long windowTrials = 0;    // trials decided by a window's bounds
    long long fineEstimates = 0;   // fine passes over the active elements
    long long valuedElements = 0;  // elements those passes valued at their trial level
  };
  SearchStatistics statistics;
  // Whether buoyancy stores each element's cut results in the body's elements. A caller that
  // floats the body at many trial attitudes and reads only the sums (the righting-arm curve)
  // turns it off: the body then keeps the cut results of its equilibrium.
  bool storesElementResults = true;
  // While deferred, a buoyancy evaluation leaves the elements' cut results unwritten and only
  // remembers its plane; ending the deferral writes those of the last one, so the elements end up
  // as they would have. A solve evaluates the buoyancy of every attitude it tries and needs none
  // of the elements' results until it is done.
  void deferElementResults();
  void endDeferral();

  int threadCount() const { return pool_.threadCount(); }
  std::size_t waterTetrahedronCount() const { return flat_.waterTetrahedronCount(); }
  // Heap memory held by this evaluation, in bytes.
  std::size_t memoryBytes() const;

  // What the draft filter's passes (draft_filter*.cpp) read and call: the flattened body, the
  // heights and extents of the current normal, the threads with their scratch, and the
  // evaluation of one element as an evaluation of the whole body evaluates it.
  using Kind = FlattenedBody::Kind;
  using Element = FlattenedBody::Element;
  using WaterTetrahedron = FlattenedBody::WaterTetrahedron;
  const FlattenedBody& flattened() const { return flat_; }
  // The plane of the current normal through the origin (D = 0).
  const Plane& normalPlane() const { return plane_; }
  // Lowest and highest height of an element's points for the current normal.
  struct Extent {
    float lowest, highest;  // rounded outwards, so they still bound the doubles
    // What the extents alone tell of the plane of offset D: every point submerged, every point
    // dry, or neither (the plane may cross the element).
    bool submergedAt(double D) const { return !isDry(static_cast<double>(highest) + D); }
    bool dryAt(double D) const { return isDry(static_cast<double>(lowest) + D); }
    bool crossedAt(double D) const { return !submergedAt(D) && !dryAt(D); }
  };
  const Extent& extent(std::size_t e) const { return extents_[e]; }
  // The heights of element e's points for the current normal.
  const double* heights(std::size_t e) const;
  WorkerPool& pool() { return pool_; }
  // Whether the evaluation has threads to share its work out to, and whether it was made to share
  // every evaluation out (a parallel threshold of 0, the tests').
  bool parallel() const { return parallel_; }
  bool sharesEverything() const { return parallelWork_ == 0; }
  struct Result {
    double volume;
    Vec3 centroid;
  };
  // Small elements the plane crosses (a tetrahedron, a hexahedron's five) waiting for their
  // crossed water tetrahedra to be cut four side by side, across elements: the points of each
  // crossed one copied in its cut's order, the results of all in the elements' order.
  struct alignas(64) CrossedQueue {
    static constexpr std::size_t kCrossed = 32;  // crossed water tetrahedra it holds
    static constexpr std::size_t kSlots = 64;    // water tetrahedra of its elements
    struct Queued {
      std::uint32_t element;
      std::uint16_t firstSlot, count;
    };
    Vec3 points[4 * kCrossed];
    double values[4 * kCrossed];
    CrossedTetrahedron crossed[3][kCrossed];  // by number of dry vertices
    std::size_t count[3] = {0, 0, 0};
    double volume[kSlots];
    Vec3 centroid[kSlots];  // where the centroids are asked for
    Queued elements[kSlots];
    std::size_t staged = 0, slots = 0, queued = 0;
  };
  // What one thread writes down while it evaluates an element: its points' plane values and, for
  // an element of many water tetrahedra, their results and the groups the crossed ones are cut in.
  struct Scratch {
    std::vector<double> values;
    std::vector<double> volume;
    std::vector<Vec3> centroid;
    std::vector<CrossedTetrahedron> crossed[3];  // by number of dry vertices
    std::unique_ptr<CrossedQueue> queue;         // where elements are queued (see queues)
    std::size_t bytes() const;
  };
  // The scratch of chunk `chunk` of a pass, one per thread.
  Scratch& scratch(std::size_t chunk) { return scratch_[chunk]; }
  // Element e's result for the plane, as an evaluation of the whole body gives it.
  template <bool withCentroid>
  Result evaluateElement(std::size_t e, const Plane& plane, Scratch& scratch) const;
  // Whether queueCrossed takes the element: one of few water tetrahedra, where the threads have
  // their queues (see reserve).
  bool queues(const Element& element) const {
    return queueing_ && element.tetrahedronCount < kGroupedTetrahedra;
  }
  // Gives sink(e, result) the result evaluateElement<withCentroid> gives element e, whose extents
  // the plane crosses and which queues() takes, though not at once: its crossed water tetrahedra
  // are cut together with those of the elements queued before and after it, and its result
  // follows theirs, in the order they were queued, at the latest from flushCrossed.
  template <bool withCentroid = false, typename Sink>
  void queueCrossed(std::size_t e, const Plane& plane, CrossedQueue& queue, Sink& sink) const;
  template <bool withCentroid = false, typename Sink>
  void flushCrossed(const Plane& plane, CrossedQueue& queue, Sink& sink) const;
  // The sink of the draft filter's passes: the sum of the volumes.
  struct VolumeSum {
    long double& sum;
    void operator()(std::size_t, const Result& result) { sum += result.volume; }
  };
  // A sink that keeps the last result it was given, with centroid (the tests').
  struct LastResult {
    Result result{0, Vec3(0, 0, 0)};
    void operator()(std::size_t, const Result& given) { result = given; }
  };
  // Asks the memory for what evaluating element e reads: its record and extents (record), or its
  // heights, points and water tetrahedra (the rest; its record must have arrived). A pass over
  // scattered elements issues both some elements ahead, beyond the reach of the hardware's own
  // prefetching, which follows only steady strides. Changes no result.
  void prefetchRecord(std::size_t e) const {
    flat_.prefetchRecord(e);
    __builtin_prefetch(&extents_[e]);
  }
  void prefetchElement(std::size_t e) const;
  // How many elements ahead a pass asks for them: an element's evaluation takes long enough that
  // a few suffice to hide the memory's latency.
  static constexpr std::size_t kPrefetchDistance = 4;

 private:
  // The constructor's work, with the layout that also decides whether threads are started.
  FastEvaluation(FloatingBody& body, const FlattenedBody::Layout& layout, int threadCount,
                 std::size_t parallelThreshold);
  // What one chunk of the preparation finds over its elements: the flattened body's findings, and
  // the sizes the scratch must have. Combined by maxima and sums of counts, in any order.
  struct Found {
    FlattenedBody::Found flat;
    std::size_t largest = 0, mostGrouped = 0, smallElements = 0;
    void merge(const Found& other);
  };
  void sizeArrays(const FlattenedBody::Layout& layout);
  // Prepares one chunk of the flattened body and of this evaluation's own per-element arrays, on
  // the thread that runs it.
  Found prepareChunk(int chunk, const FlattenedBody::Layout& layout);
  void populateArrays(std::size_t part, std::size_t parts);
  void clearResults(const FlattenedBody::Layout& layout, std::size_t begin, std::size_t end);
  void setUpScratch(const Found& found);
  // The same for an element of many water tetrahedra: those the plane crosses are cut side by
  // side, their results summed in order afterwards.
  template <bool withCentroid>
  Result evaluateInGroups(const Element& element, const Plane& plane, Scratch& scratch) const;
  // Elements of at least this many water tetrahedra (a cylinder's dozens, not a hexahedron's
  // five) are evaluated in groups.
  static constexpr std::uint32_t kGroupedTetrahedra = 12;
  bool grouped(const Element& element) const {
    return groupedCuts_ && element.tetrahedronCount >= kGroupedTetrahedra &&
           element.tetrahedronCount <= 65536;  // the results' indices are 16-bit
  }
  // Evaluates every element for the plane value offset D and returns the body's sums.
  template <bool withCentroid>
  CutSum evaluateAll(double D);
  // A water tetrahedron wholly submerged (its volume) or wholly dry (nothing), at the mean of its
  // vertices either way: what the cut gives it, without cutting.
  template <bool withCentroid>
  static Result uncutWaterTetrahedron(const WaterTetrahedron& t, const Vec3* points,
                                      bool submerged);
  template <bool withCentroid>
  static Result cutWaterTetrahedron(const WaterTetrahedron& t, const Vec3* points,
                                    const double* values, const Plane& plane);
  friend class FastEvaluation_PreparedOnThreeThreadsAsOnOne_Test;
  void writeElementResults(const Plane& plane);
  void computeHeights(std::size_t e) const;
  void setNormalFromBoxes();
  void boxExtents(std::size_t begin, std::size_t end, double margin);
  std::size_t boxExtentsInPairs(const float* const (&low)[3], const float* const (&high)[3],
                                std::size_t begin, std::size_t end, double margin);
  std::size_t chunkBegin(int chunk) const;
  bool balanceChunks(double D);
  // Whether an evaluation at D queues its crossed small elements (see evaluateAll).
  bool queuesAt(double D) const;

  FloatingBody& body_;
  FlattenedBody flat_;
  WorkerPool pool_;
  Plane plane_{0, 0, 1, 0};
  // Per point. A body of tetrahedra alone has every height computed by setNormal. Otherwise
  // setNormal takes the elements' extents from their boxes, and an element's heights are
  // computed when they are first asked for; heightsFor_ holds the normal they belong to, counted
  // by normalCount_.
  mutable LargeVector<double> heights_;
  mutable LargeVector<std::uint32_t> heightsFor_;
  std::uint32_t normalCount_ = 0;
  LargeVector<Extent> extents_;   // per element, for the current normal
  LargeVector<double> volumes_;   // per element, of the last evaluation
  LargeVector<Vec3> centroids_;   // per element, of the last buoyancy evaluation
  std::vector<Scratch> scratch_;  // per chunk
  bool groupedCuts_ = groupedCutsSupported();
  bool queueing_ = false;            // every scratch has its queue
  std::size_t parallelWork_;         // see balanceChunks
  std::vector<std::size_t> bounds_;  // an evaluation's chunks: [bounds_[c], bounds_[c + 1])
  bool parallel_ = false;
  bool deferring_ = false, deferred_ = false;  // deferred_: a buoyancy's results are unwritten
  Plane deferredPlane_{0, 0, 1, 0};
  // The last buoyancy's plane offset and volume: a volume asked for at that plane (the result's
  // check) is the same sum, with the same bits, and is not evaluated again. A new normal (see
  // setNormal) forgets them.
  double buoyancyOffset_ = 0;
  double buoyancyVolume_ = 0;
  bool buoyancyKnown_ = false;
  std::unique_ptr<DraftFilter> filter_;
};

// Defers the fast evaluation's element results (if the body has one) for its lifetime.
class DeferredElementResults {
 public:
  explicit DeferredElementResults(FastEvaluation* fast) : fast_(fast) {
    if (fast_)
      fast_->deferElementResults();
  }
  ~DeferredElementResults() {
    if (fast_)
      fast_->endDeferral();
  }
  DeferredElementResults(const DeferredElementResults&) = delete;
  DeferredElementResults& operator=(const DeferredElementResults&) = delete;

 private:
  FastEvaluation* fast_;
};
