// Bounds on the submerged volume of the trial planes of one draft search, for the planes of one
// normal whose level s = -D moves inside a shrinking bracket. The draft search only needs to know
// on which side of the target, and how close to it, a trial's volume lies; the bound answers that
// for almost every trial at a fraction of an exact evaluation's cost, and the search evaluates
// exactly (the fast evaluation's path) only the trials the bound leaves open.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "elements/large_pages.h"
#include "geometry/plane.h"
#include "submerged/draft_filter_bounds.h"
#include "submerged/fast_evaluation.h"
#include "submerged/level_prediction.h"
#include "submerged/level_table.h"

// Where a search's window goes: about the level the last searches predict for its normal, as far
// about it as the last predictions erred, and only on a body where windows pay (defined in
// draft_filter_window.cpp).
class WindowPlacement {
 public:
  // The predicted level for the normal n and the displacement V, and the window's reach for a
  // bracket of the given extent; false without a prediction, or where windows do not pay and
  // `always` is not set.
  bool place(const Vec3& n, double V, double extent, bool always, double& level, double& reach);
  // The level the search ended at; windowOpened tells whether it had a window, searchValued and
  // firstValued how many crossed elements its estimates valued in all and at the first.
  void record(const Vec3& n, double V, double level, bool windowOpened, std::size_t searchValued,
              std::size_t firstValued);

 private:
  LevelPrediction prediction_;
  double predictedLevel_ = 0;
  bool predicted_ = false;
  double reach_ = 0;  // 0 until a prediction's error is known
  // Whether windows pay on this body: a search without one valued its crossed elements at several
  // trials (a window bounds each once), not at the first fine estimate alone.
  bool pays_ = false;
};

// For one normal the submerged volume of a water tetrahedron is a piecewise cubic polynomial of
// the level s whose breaks are the heights of its vertices. While no point of an element lies
// between the heights maxWet and minDry, the element's volume is a constant (wholly submerged or
// wholly dry) or a fixed cubic: the element leaves the active set and its polynomial is added to
// an epoch's sum, expanded about a level inside that range so that the powers of s - anchor stay
// small. Each narrowing of the bracket opens an epoch for the elements with no point inside the
// bracket; they stay settled for the rest of the search. Each trial also opens a speculative
// epoch for the elements with no point within a quarter of the bracket's width of the trial's
// level that the plane crosses: it holds for the next trial at least, and when a later trial
// leaves its range, it is dissolved and its elements return to the active set. Active elements are
// evaluated exactly, as the fast evaluation evaluates them, except the cylinders the level crosses:
// they count with their polynomial at the level itself, classified by it, with the same bound.
//
// The bound on |exact - estimate| (derived in draft_filter_bounds.cpp) covers the rounding of the
// exact path (the cut points, the parallel tolerance, the triple products, the sums in element
// order) and the filter's own. Elements whose cut the polynomial cannot vouch for (an edge nearly
// parallel to the plane, a vertex height that is not a number) simply stay active.
//
// The class is defined over several files, and its members are grouped below under the file that
// defines them: draft_filter.cpp (the body's bounds and the search's bracket),
// draft_filter_passes.cpp (the passes over the active elements, the epochs and the interval),
// draft_filter_coarse.cpp (the coarse intervals) and draft_filter_window.cpp (the window).
class DraftFilter {
 public:
  // An interval that holds the volume the exact evaluation gives for the plane. valid is false
  // when no bound can be given (the level left the range for which the elements settled by the
  // bracket were classified); the plane must then be evaluated exactly.
  struct Estimate {
    bool valid;
    double lo, hi;
  };

  // --- draft_filter.cpp ---
  explicit DraftFilter(FastEvaluation& fast);
  // Starts a search with the normal last given to the fast evaluation's setNormal, the bracket
  // spanning the levels sLo (nothing submerged) to sHi (the whole body).
  void start(double sLo, double sHi);
  // Narrows the bracket to the levels [sLo, sHi]; the elements it leaves behind are settled
  // during the next estimate.
  void narrow(double sLo, double sHi);
  // Elements still evaluated exactly at each estimate.
  std::size_t activeCount() const { return active_.size(); }
  std::size_t memoryBytes() const;
  // What the coarse intervals know of the body, found when the filter is built.
  const BodyBounds& bodyBounds() const { return bodyBounds_; }

  // --- draft_filter_passes.cpp ---
  // The interval for the plane with the search's normal and the offset D.
  Estimate estimate(double D);

  // --- draft_filter_coarse.cpp ---
  // Sorts the elements into the level table (item 7 in draft_filter_bounds.cpp), which then
  // answers the coarse intervals until the first estimate: after start, for a search that opens
  // no window (its trials far from the result are the window's).
  void binLevels();
  // A wider interval than estimate's for the plane of offset D, at a fraction of the cost: the
  // elements the plane crosses count with anything between nothing and their whole volume (derived
  // in draft_filter_bounds.cpp). Settles only the elements the bracket left wholly below or above
  // it; the others settle at the next estimate.
  Estimate coarseEstimate(double D);
  // The coarse intervals of two planes in one pass over the elements, right after start: the
  // search's lower end and its first trial, which would otherwise cost a whole pass each.
  void coarseEstimates(double D0, double D1, Estimate (&estimates)[2]);

  // --- draft_filter_window.cpp ---
  // A window about the level where the search is expected to end: one pass over the body bounds
  // the exact volume of every trial level at or below a, and of every one at or above b, without
  // reading any element at the trial (item 8 in draft_filter_bounds.cpp). Opened after start, for
  // the search's normal, before any estimate; false where the bound cannot be given (item 6 does
  // not hold, or the window does not lie inside the bracket). The elements both ends cross with
  // no point between them leave the active elements as an epoch.
  bool openWindow(double a, double b);
  // The interval of a level outside the open window; valid is false inside it or without one.
  Estimate windowEstimate(double D) const;
  // Where the last searches for the displacement V, at slightly turned normals, put the water
  // for the normal n (level_prediction.h), and how far about that level the window should reach;
  // false without two such searches. Called after start: the reach is measured against the bracket.
  bool predictLevel(const Vec3& n, double V, double& level, double& reach);
  // The level a search for the normal n and the displacement V ended at: the next prediction's
  // base, and the last prediction's error sets the next window's reach.
  void recordLevel(const Vec3& n, double V, double level);

  // Elements whose volumes are, together, a polynomial of sigma = s - anchor for the levels
  // maxWet <= s < minDry, with the bound on how far the exact path's values can lie from it. At
  // or above their highest point they are all wholly submerged, below their lowest all dry: a
  // level that leaves the range on either side (the result lying on a layer of the body's
  // points, which the trials close in on from both sides) keeps the epoch.
  struct Epoch {
    double anchor;
    long double coefficient[4];  // of sigma^0 .. sigma^3
    double error;                // on the exact path's value of the epoch's elements
    double magnitude;            // sum of the absolute values that entered the coefficients
    double maxWet, minDry;
    double lowest, highest;    // of the elements' points
    long double whole;         // the sum of the elements' whole volumes
    std::uint32_t terms;       // water tetrahedra added
    std::uint32_t begin, end;  // its elements in members_
    bool alive;
    void merge(const Epoch& other);
    // The polynomial at the level s, for maxWet <= s < minDry; formed bounds how far the sum of
    // the elements' cubics at s (the M of item 8) lies from it (items 2 to 4, with the rounding of
    // its own evaluation).
    double valueAt(double s, double& formed) const;
    bool polynomialAt(double s) const { return maxWet <= s && s < minDry; }
    bool holdsAt(double s) const { return polynomialAt(s) || s < lowest || s >= highest; }
  };

 private:
  using Element = FlattenedBody::Element;
  using WaterTetrahedron = FlattenedBody::WaterTetrahedron;
  // The records of the body, which the fast evaluation flattened.
  const FlattenedBody& flat() const { return fast_.flattened(); }

  // --- draft_filter.cpp ---
  // Makes the chunk's part of the lists present, and bounds the chunk's elements.
  BodyBounds boundChunk(int chunk);
  void sumCylinders();

  // --- draft_filter_passes.cpp ---
  // What one chunk of the active elements yields in one estimate.
  struct Pass {
    Epoch settled, speculative;
    std::vector<std::uint32_t>*settledMembers, *speculativeMembers;
    double reach;  // a speculative epoch keeps points this far from the level
    bool speculate;
    long double active = 0, settledVolume = 0;
    // What the active elements valued by their polynomials add to the bound.
    double activeError = 0, activeMagnitude = 0;
    std::size_t activeTerms = 0;
    long double width = 0;  // a coarse pass's bound above active
    bool vouched = true;    // a coarse pass bounded every element
    // The same for the second plane of a coarse pass over two.
    long double secondActive = 0, secondWidth = 0;
    bool secondVouched = true;
    std::size_t settledCount = 0, dryCount = 0, kept = 0;
    double maxWet = -std::numeric_limits<double>::infinity();
    double minDry = std::numeric_limits<double>::infinity();
    std::size_t valued = 0;  // crossed elements valued at the level
  };
  // Settles the element by its extents if it lies wholly below or above the bracket (defined
  // below the class: the fine and the coarse passes both use them).
  bool settleByExtents(std::uint32_t e, Pass& pass) const;
  // Whether it would.
  bool settlesByExtents(std::uint32_t e) const;
  // An element's points about a level s: the highest submerged and the lowest dry height (an
  // infinity where there is none), the lowest and highest of all, and whether every height is a
  // number. sidesAbout writes 1 for each dry point, 0 for each submerged one, into scratch, which
  // holds at least as many doubles as the element has points.
  struct Sides {
    double wet, dry, lowest, highest;
    bool ordered;
    // Points on both sides of the level.
    bool crossed() const {
      return wet != -std::numeric_limits<double>::infinity() &&
             dry != std::numeric_limits<double>::infinity();
    }
  };
  Sides sidesAbout(std::uint32_t e, double s, double* scratch) const;
  // The element's box: the evaluation's, as floats rounded outwards, where it keeps boxes (each
  // term of the bound grows with the box, and six floats cost less to read than every point of a
  // cylinder), otherwise its points'.
  void boxOf(std::uint32_t e, double (&lo)[3], double (&hi)[3]) const;
  // Adds the element to the epoch, its points sorted by sidesAbout at a level s (dryPoint) with
  // none of them between the range's ends, which the sides then bound. With constantOnly only
  // the polynomial's value at the epoch's anchor; with boxExtents the crossed tetrahedra's
  // extents are bounded by the element's box rather than summed. False where the bound does not
  // vouch for its cuts.
  template <bool constantOnly = false>
  bool absorbSides(std::uint32_t e, Epoch& epoch, const Sides& sides, double s,
                   const unsigned char* dryPoint, bool boxExtents = false) const;
  // Runs on the worker threads, each on its own range of active_.
  void runPass(Pass& pass, std::size_t begin, std::size_t end, const Plane& plane,
               FastEvaluation::Scratch& scratch);
  long double valueAt(std::uint32_t e, double s, const Plane& plane, const Sides& sides,
                      FastEvaluation::Scratch& scratch, Pass& pass) const;
  void settleOutsideBracket();
  // Runs work(c) for each chunk of the active elements (one chunk unless shared). With weighted,
  // the chunks hold about equal numbers of water tetrahedra instead of elements. Defined below
  // the class: the fine and the coarse passes both run it.
  template <typename Work>
  std::size_t runPasses(bool shared, bool weighted, double s, double reach, bool speculate,
                        Work work);
  void splitActive(bool weighted);
  bool share(std::size_t parallelElements) const;
  // Whether a fine pass is: also when its few active elements hold many water tetrahedra.
  bool shareFine() const;
  long double mergePasses(std::size_t chunks);
  void takeSettled(const Pass& pass);
  static Epoch emptyEpoch(double anchor) {
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    return Epoch{anchor, {0, 0, 0, 0}, 0, 0, -kInfinity, kInfinity, kInfinity, -kInfinity, 0, 0, 0,
                 0,      true};
  }
  void keepEpoch(Epoch& epoch, std::size_t count);
  // Returns the elements of the epochs whose range excludes the level s to the active set.
  void dissolveEpochsExcluding(double s);
  // The interval for the level s, the active elements adding between active and active + width.
  Estimate bound(double s, long double active, long double width) const;

  // --- draft_filter_coarse.cpp ---
  template <bool twoPlanes>
  void coarsePasses(double D0, double D1, Estimate (&estimates)[2]);
  template <bool twoPlanes>
  void runCoarsePass(Pass& pass, std::size_t begin, std::size_t end, double D, double D2);
  // Adds what an active element gives the coarse interval of the plane of offset D.
  void addCoarse(std::uint32_t e, double D, long double& active, long double& width,
                 bool& vouched) const;
  // An upper bound of the exact path's volume of an active element that the level s crosses, or
  // -1 when its cuts are not vouched for.
  double crossedUpper(std::uint32_t e, double D) const;
  // Item 7: the coarse interval from the level table, while no element has settled.
  Estimate levelEstimate(double D);

  // --- draft_filter_window.cpp ---
  // Below a, the elements are binned over [sLo, a] by their extents: at a level in bin k, an
  // element wholly below a whose highest point lies in a bin below k lies wholly below the level,
  // and one whose lowest point lies in a bin above k wholly above it; so does an element that a
  // crosses whose lowest point lies in a bin above k.
  static constexpr int kWindowBins = 256;
  struct WindowPart {
    // Of the elements wholly below a, by the bin of their lowest and of their highest point:
    // whole volumes and counts.
    double byLowest[kWindowBins], byHighest[kWindowBins];
    double countByLowest[kWindowBins], countByHighest[kWindowBins];
    double crossingA[kWindowBins];  // upper values of the elements a may cross, by lowest point
    double belowB, crossingB;       // whole volumes wholly below b; lower values b may cross
    // The elements a and b both cross with no point between them, their cubics summed about the
    // window's middle: the search's first estimate takes them as an epoch, not valuing them again.
    Epoch straddling;
    std::vector<std::uint32_t>* straddlers;
  };
  struct Window {
    bool open = false;
    double a = 0, b = 0, binOrigin = 0, binScale = 0;
    double upper[kWindowBins];  // at or below a, by the level's bin: rounded up
    double lower = 0;           // at or above b: rounded down
  };
  int windowBin(double s) const;
  bool closeWindowSums(const WindowPart& all, std::size_t count);
  void windowChunk(WindowPart& part, std::size_t begin, std::size_t end, double* scratch) const;
  // Bounds of the exact path's volume of element e at every level at or below a (upper) and at or
  // above b (lower), from its polynomial at a and at b. An element both cross with no point
  // between them has its cubic formed once, valued at a and b, and added to the part's epoch.
  void windowValues(std::uint32_t e, bool atA, bool atB, double& upperA, double& lowerB,
                    double* scratch, WindowPart& part) const;
  // Divides the body's elements among the window's chunks (chunkBegin_).
  void splitWindow(std::size_t chunks);
  // Keeps the parts' straddling elements as one epoch and takes them out of the active elements.
  void keepStraddlers(std::size_t chunks);
  // The bound of item 2 over all of an element's water tetrahedra, at every level; negative where
  // an edge of it could be cut nearly parallel to the plane.
  double everyLevelError(std::uint32_t e) const;

  // Below this many active elements a pass is cheaper than waking the other threads: a hull of
  // 600 elements, whose window reads all of them, runs its searches sooner with passes shared
  // from this many.
  static constexpr std::size_t kParallelElements = 256;
  // The same for a coarse pass, which reads little more than the extents of most elements.
  static constexpr std::size_t kParallelCoarseElements = 16384;

  FastEvaluation& fast_;
  std::vector<draft_bounds::ExtentSums> cylinderSums_;
  std::size_t firstCylinder_ = 0;       // elements of the cylinders: [first, first + count)
  LargeVector<std::uint32_t> active_;   // element indices, in evaluation order
  std::vector<std::uint32_t> members_;  // the elements of the epochs, epoch by epoch
  std::vector<Pass> passes_;            // one per thread
  std::vector<std::vector<std::uint32_t>> lists_;  // per thread: settled, speculative members
  std::vector<Epoch> epochs_;
  long double settledVolume_ = 0;  // wholly submerged elements below the bracket
  // Of the last estimate's active elements valued by their polynomials.
  double activeError_ = 0, activeMagnitude_ = 0;
  std::size_t activeTerms_ = 0;
  std::size_t settledCount_ = 0;
  std::size_t dryCount_ = 0;  // wholly dry elements above the bracket
  // The elements settled by their extents keep their classification for maxWet <= s < minDry.
  double maxWet_ = 0, minDry_ = 0;
  double sLo_ = 0, sHi_ = 0;
  bool pending_ = false;                 // the bracket narrowed since the last estimate
  std::size_t chunks_ = 1;               // of the last pass
  std::vector<std::size_t> chunkBegin_;  // its chunks: active_[chunkBegin_[c], chunkBegin_[c + 1])
  BodyBounds bodyBounds_;
  // The coarse bound for the search's normal (items 5 to 7).
  CoarseBound coarse_;
  // The elements by their extents for the search's normal (item 7), and whether it answers the
  // coarse intervals: from start, where item 6 holds, until the first estimate (with the finest
  // table, until the first estimate that settles an element).
  LevelTable levels_;
  bool levelsAnswer_ = false;
  std::size_t levelChunks_ = 1;  // the ranges it was built in
  Window window_;
  std::vector<WindowPart> windowParts_;  // one per chunk
  WindowPlacement placement_;
  // Of the current search: whether an estimate came yet, and the crossed elements its estimates
  // valued in all and at the first.
  bool estimated_ = false;
  std::size_t searchValued_ = 0, firstValued_ = 0;
};

inline bool DraftFilter::settlesByExtents(std::uint32_t e) const {
  const FastEvaluation::Extent& extent = fast_.extent(e);
  return static_cast<double>(extent.highest) <= sLo_ || static_cast<double>(extent.lowest) > sHi_;
}

inline bool DraftFilter::settleByExtents(std::uint32_t e, Pass& pass) const {
  const FastEvaluation::Extent& extent = fast_.extent(e);
  // The extents are rounded outwards: they bound the heights of the points.
  if (static_cast<double>(extent.highest) <= sLo_) {
    pass.settledVolume += flat().wholeVolume(e);
    ++pass.settledCount;
    pass.maxWet = std::max(pass.maxWet, static_cast<double>(extent.highest));
    return true;
  }
  if (static_cast<double>(extent.lowest) > sHi_) {
    ++pass.dryCount;
    pass.minDry = std::min(pass.minDry, static_cast<double>(extent.lowest));
    return true;
  }
  return false;
}

// Prepares one pass per chunk of the active elements and runs work(c) for each, on the worker
// threads when there are several.
template <typename Work>
std::size_t DraftFilter::runPasses(bool shared, bool weighted, double s, double reach,
                                   bool speculate, Work work) {
  chunks_ = shared ? passes_.size() : 1;
  splitActive(weighted);
  for (std::size_t c = 0; c < chunks_; ++c) {
    Pass& pass = passes_[c];
    pass = Pass{emptyEpoch(0.5 * sLo_ + 0.5 * sHi_),
                emptyEpoch(s),
                &lists_[2 * c],
                &lists_[2 * c + 1],
                reach,
                speculate};
    pass.settledMembers->clear();
    pass.speculativeMembers->clear();
  }
  auto job = [&](int chunk) {
    const std::size_t c = static_cast<std::size_t>(chunk);
    if (c < chunks_)
      work(c);
  };
  fast_.pool().runChunks(job, chunks_ > 1);
  return chunks_;
}
