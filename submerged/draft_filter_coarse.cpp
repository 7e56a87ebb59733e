// The draft filter's coarse intervals: for a plane, the elements wholly below it count with their
// whole volume and the ones it may cross with anything between nothing and an upper value that
// needs at most their heights (items 5 and 6 of the bound, derived in draft_filter_bounds.cpp),
// in one pass over the active elements, or over two planes at once right after a search starts;
// and, until the first estimate settles an element, the same interval for every level at once from
// the level table, without a pass (item 7).
#include "submerged/draft_filter.h"

#include <algorithm>
#include <cmath>

#include "submerged/draft_filter_bounds.h"

using draft_bounds::kInfinity;
using draft_bounds::kLargestEdgeRatio;
using draft_bounds::kParallelTolerance;
using draft_bounds::kUnit;
using draft_bounds::roundingBound;

void DraftFilter::binLevels() {
  // Every element is active: the table is built in the chunks a coarse pass would take.
  const bool shared = share(kParallelCoarseElements);
  levelChunks_ = shared ? passes_.size() : 1;
  const FastEvaluation& fast = fast_;
  const FlattenedBody& flat = this->flat();
  levelsAnswer_ =
      coarse_.heightsFree &&
      levels_.build(
          flat.elementCount(), sLo_, sHi_, levelChunks_,
          [this, shared](auto& job) { fast_.pool().runChunks(job, shared); },
          [&fast, &flat](std::size_t e, double& lowest, double& highest, double& whole) {
            lowest = fast.extent(e).lowest;
            highest = fast.extent(e).highest;
            whole = flat.wholeVolume(e);
          });
}

// Every piece of the exact path is at least 0, and by item 2 the pieces of a crossed water
// tetrahedron sum to at most its cubic, at most Vt, plus e.
double DraftFilter::crossedUpper(std::uint32_t e, double D) const {
  const Element& element = flat().element(e);
  if (coarse_.heightsFree)
    return coarse_.upper(element.tetrahedronCount, flat().wholeVolume(e), kLargestEdgeRatio);
  const double* heights = fast_.heights(e);
  const std::uint32_t pointCount = flat().pointCount(e);
  double wet = -kInfinity, dry = kInfinity;
  for (std::uint32_t p = 0; p < pointCount; ++p) {
    const double value = heights[p] + D;
    if (isDry(value)) {
      dry = std::min(dry, heights[p]);
    } else if (value <= 0) {
      wet = std::max(wet, heights[p]);
    } else {
      return -1;  // not a number
    }
  }
  const double n = element.tetrahedronCount;
  // The element's volume sums its water tetrahedra's in order, within gamma(n) of their sum.
  const double whole = flat().wholeVolume(e) * (1 + 2 * roundingBound(n));
  if (wet == -kInfinity)
    return 0;
  if (dry == kInfinity)
    return whole;
  const double span = (dry - wet) * (1 - 2 * kUnit);
  const double r = coarse_.delta / span;
  if (!(r <= kLargestEdgeRatio) || !(span - coarse_.delta >= kParallelTolerance * 1.0001))
    return -1;
  return coarse_.upper(n, flat().wholeVolume(e), r);
}

DraftFilter::Estimate DraftFilter::coarseEstimate(double D) {
  if (levelsAnswer_)
    return levelEstimate(D);
  dissolveEpochsExcluding(-D);
  Estimate estimates[2];
  coarsePasses<false>(D, D, estimates);
  return estimates[0];
}

// Right after start no epoch exists, so nothing dissolves before either plane: the pass settles
// the same elements and sums the others in the same order as two passes would.
void DraftFilter::coarseEstimates(double D0, double D1, Estimate (&estimates)[2]) {
  if (levelsAnswer_) {
    estimates[0] = levelEstimate(D0);
    estimates[1] = levelEstimate(D1);
    return;
  }
  coarsePasses<true>(D0, D1, estimates);
}

// Item 7. No element has settled and no epoch exists, so every element is active: the ones wholly
// below the level add their whole volume, the others the level may reach at most their coarse
// upper value, and the rest nothing.
DraftFilter::Estimate DraftFilter::levelEstimate(double D) {
  ++fast_.statistics.levelIntervals;
  const LevelTable::Sums sums = levels_.at(-D);
  const double elements = static_cast<double>(flat().elementCount());
  // The elements' terms below levelTerm each, for all elements at once.
  const long double width =
      std::max(coarse_.levelFactor * (static_cast<long double>(sums.reached) - sums.submerged),
               0.0L) +
      static_cast<long double>(coarse_.levelTerm) * elements;
  const double terms = elements + static_cast<double>(levels_.binCount() + levelChunks_) + 16;
  activeError_ = roundingBound(terms) *
                 (sums.submerged + coarse_.levelFactor * (sums.reached + sums.submerged)) * 1.01;
  activeMagnitude_ =
      (coarse_.levelFactor * (sums.reached + sums.submerged) + coarse_.levelTerm * elements) * 1.01;
  activeTerms_ = static_cast<std::size_t>(terms) + 16;
  return bound(-D, sums.submerged, width);
}

// The coarse intervals of the plane of offset D0 and, with twoPlanes, of D1 from one pass over
// the active elements.
template <bool twoPlanes>
void DraftFilter::coarsePasses(double D0, double D1, Estimate (&estimates)[2]) {
  const std::size_t chunks =
      runPasses(share(kParallelCoarseElements), false, -D0, 0, false, [&](std::size_t c) {
        runCoarsePass<twoPlanes>(passes_[c], chunkBegin_[c], chunkBegin_[c + 1], D0, D1);
      });
  long double width[2] = {0, 0}, second = 0;
  bool vouched[2] = {true, true};
  for (std::size_t c = 0; c < chunks; ++c) {
    width[0] += passes_[c].width;
    width[1] += passes_[c].secondWidth;
    second += passes_[c].secondActive;
    vouched[0] = vouched[0] && passes_[c].vouched;
    vouched[1] = vouched[1] && passes_[c].secondVouched;
  }
  const long double active[2] = {mergePasses(chunks), second};
  const double D[2] = {D0, D1};
  for (int i = 0; i < (twoPlanes ? 2 : 1); ++i)
    estimates[i] = vouched[i] ? bound(-D[i], active[i], width[i]) : Estimate{false, 0, 0};
}

// One chunk of a coarse estimate: settles the elements the bracket left wholly below or above it
// (pending stays set: the others settle at the next estimate), keeps the rest at the front of its
// range and bounds their volumes, for the plane of offset D and, with twoPlanes, that of D2.
template <bool twoPlanes>
void DraftFilter::runCoarsePass(Pass& pass, std::size_t begin, std::size_t end, double D,
                                double D2) {
  std::size_t kept = begin;
  for (std::size_t i = begin; i < end; ++i) {
    // The pass over two planes comes right after start, over every element in order, which the
    // hardware reads ahead by itself; the later passes visit a scattered subset.
    if (!twoPlanes && i + 2 * FastEvaluation::kPrefetchDistance < end)
      fast_.prefetchRecord(active_[i + 2 * FastEvaluation::kPrefetchDistance]);
    const std::uint32_t e = active_[i];
    if (pending_ && settleByExtents(e, pass))
      continue;
    active_[kept++] = e;
    addCoarse(e, D, pass.active, pass.width, pass.vouched);
    if (twoPlanes)
      addCoarse(e, D2, pass.secondActive, pass.secondWidth, pass.secondVouched);
  }
  pass.kept = kept - begin;
}

void DraftFilter::addCoarse(std::uint32_t e, double D, long double& active, long double& width,
                            bool& vouched) const {
  const FastEvaluation::Extent& extent = fast_.extent(e);
  if (!vouched) {
    return;
  } else if (extent.submergedAt(D)) {
    active += flat().wholeVolume(e);  // what the exact path gives, bit for bit
  } else if (!extent.dryAt(D)) {
    const double upper = crossedUpper(e, D);
    vouched = upper >= 0;
    width += upper;
  }
}
