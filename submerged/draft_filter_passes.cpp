// The draft filter's passes over its active elements, and what they leave behind: each element
// settled by its extents when the bracket leaves it wholly below or above, or absorbed into an
// epoch's polynomial when no point of it lies near the level, or else evaluated exactly (a crossed
// cylinder valued by its polynomial at the level itself); the passes' chunks merged in order; the
// epochs dissolved where a later level leaves their range; and the interval of a level from the
// settled sums, the epochs and the active elements (items 1 to 4 of the bound, derived in
// draft_filter_bounds.cpp). The coarse passes that share the pass machinery are in
// draft_filter_coarse.cpp.
#include "submerged/draft_filter.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "submerged/draft_filter_bounds.h"

using draft_bounds::addCrossed;
using draft_bounds::Box;
using draft_bounds::crossedError;
using draft_bounds::CrossedSums;
using draft_bounds::kInfinity;
using draft_bounds::kUnit;
using draft_bounds::roundingBound;
using draft_bounds::roundingBoundLong;
using draft_bounds::valueCrossed;

namespace {

// Fewer active elements with at least this many water tetrahedra between them (a few dozen
// cylinders, most of them crossed late in a search) still give both threads enough work.
constexpr std::size_t kParallelTetrahedra = 4096;
// A fine pass over at least this many elements divides them by a sample (see splitActive).
constexpr std::size_t kSampledSplit = 2048;
constexpr std::size_t kWeighStride = 8;

}  // namespace

void DraftFilter::boxOf(std::uint32_t e, double (&lo)[3], double (&hi)[3]) const {
  if (!flat().hasBoxes()) {
    Box box;
    const Element& element = flat().element(e);
    for (std::uint32_t p = 0; p < flat().pointCount(e); ++p)
      box.add(element.points[p]);
    std::copy(box.lo, box.lo + 3, lo);
    std::copy(box.hi, box.hi + 3, hi);
    return;
  }
  for (int a = 0; a < 3; ++a) {
    lo[a] = flat().boxSide(a)[e];
    hi[a] = flat().boxSide(3 + a)[e];
  }
}

DraftFilter::Sides DraftFilter::sidesAbout(std::uint32_t e, double s, double* scratch) const {
  const double* heights = fast_.heights(e);
  const std::uint32_t pointCount = flat().pointCount(e);
  unsigned char* const dryPoint = reinterpret_cast<unsigned char*>(scratch);
  Sides sides{-kInfinity, kInfinity, kInfinity, -kInfinity, true};
  for (std::uint32_t p = 0; p < pointCount; ++p) {
    const double h = heights[p];
    sides.lowest = std::min(sides.lowest, h);
    sides.highest = std::max(sides.highest, h);
    if (h <= s) {
      sides.wet = std::max(sides.wet, h);
      dryPoint[p] = 0;
    } else {
      sides.ordered = sides.ordered && h > s;
      sides.dry = std::min(sides.dry, h);
      dryPoint[p] = 1;
    }
  }
  return sides;
}

template <bool constantOnly>
bool DraftFilter::absorbSides(std::uint32_t e, Epoch& epoch, const Sides& sides, double s,
                              const unsigned char* dryPoint, bool boxExtents) const {
  const Element& element = flat().element(e);
  const double* heights = fast_.heights(e);
  const double wet = sides.wet, dry = sides.dry;
  double c[4] = {0, 0, 0, 0};
  double error = 0, magnitude = 0;
  if (dry == kInfinity) {  // every point submerged: the precomputed volume, exactly
    c[0] = flat().wholeVolume(e);
    magnitude = flat().wholeVolume(e);
  } else if (wet != -kInfinity) {
    const WaterTetrahedron* t = flat().waterTetrahedra(element);
    const Vec3* points = element.points;
    CrossedSums sums;
    const bool summed = element.kind == FlattenedBody::Kind::Cylinder || boxExtents;
    double wetVolume = 0;
    if (constantOnly) {
      const double anchor[1] = {epoch.anchor};
      double value[1] = {0};
      valueCrossed(t, element.tetrahedronCount, points, heights, dryPoint, anchor, summed, value,
                   wetVolume, sums);
      c[0] += value[0];
    } else {
      addCrossed(t, element.tetrahedronCount, points, heights, dryPoint, s, epoch.anchor, summed, c,
                 wetVolume, sums);
    }
    Box box;
    boxOf(e, box.lo, box.hi);
    if (boxExtents)
      sums.takeBoxExtents(box);
    else if (summed)
      sums.takeExtents(cylinderSums_[e - firstCylinder_]);
    error = crossedError(box, sums, fast_.normalPlane(), dry - wet);
    if (error < 0)
      return false;
    c[0] += wetVolume;
    magnitude = wetVolume + 28 * sums.volume;
    // The element's sum in order, and the coefficients' sums over its tetrahedra in double (at
    // most four terms per tetrahedron each).
    error +=
        roundingBound(element.tetrahedronCount) * (wetVolume + sums.volume + 2 * error) * 1.01 +
        roundingBound(4.0 * element.tetrahedronCount) * magnitude;
  }
  for (int j = 0; j < 4; ++j)
    epoch.coefficient[j] += c[j];
  epoch.error += error;
  epoch.magnitude += magnitude;
  epoch.terms += element.tetrahedronCount;
  epoch.maxWet = std::max(epoch.maxWet, wet);
  epoch.minDry = std::min(epoch.minDry, dry);
  epoch.lowest = std::min(epoch.lowest, sides.lowest);
  epoch.highest = std::max(epoch.highest, sides.highest);
  epoch.whole += flat().wholeVolume(e);
  return true;
}

void DraftFilter::Epoch::merge(const Epoch& other) {
  for (int j = 0; j < 4; ++j)
    coefficient[j] += other.coefficient[j];
  error += other.error;
  magnitude += other.magnitude;
  terms += other.terms;
  maxWet = std::max(maxWet, other.maxWet);
  minDry = std::min(minDry, other.minDry);
  lowest = std::min(lowest, other.lowest);
  highest = std::max(highest, other.highest);
  whole += other.whole;
}

double DraftFilter::Epoch::valueAt(double s, double& formed) const {
  const long double sigma = static_cast<long double>(s) - anchor;
  const long double* c = coefficient;
  const long double value = ((c[3] * sigma + c[2]) * sigma + c[1]) * sigma + c[0];
  const long double a = std::fabs(sigma);
  const long double size = std::fabs(c[0]) + std::fabs(c[1]) * a + std::fabs(c[2]) * a * a +
                           std::fabs(c[3]) * a * a * a + magnitude;
  // As an estimate evaluates an epoch (item 4), and once more rounded to a double.
  const long double own = roundingBoundLong(static_cast<long double>(terms) + 72) * size;
  formed = static_cast<double>((error + own + kUnit * std::fabs(value)) * 1.0001L);
  return static_cast<double>(value);
}

// Keeps the epoch if it holds elements; they are the last `count` members.
void DraftFilter::keepEpoch(Epoch& epoch, std::size_t count) {
  if (count == 0)
    return;
  epoch.end = static_cast<std::uint32_t>(members_.size());
  epoch.begin = static_cast<std::uint32_t>(members_.size() - count);
  epochs_.push_back(epoch);
}

void DraftFilter::dissolveEpochsExcluding(double s) {
  for (Epoch& epoch : epochs_) {
    if (epoch.alive && !epoch.holdsAt(s)) {
      epoch.alive = false;
      active_.insert(active_.end(), members_.begin() + epoch.begin, members_.begin() + epoch.end);
    }
  }
}

// One chunk of the active elements, active_[begin, end): settles what it can into the pass's
// epochs and lists, evaluates the rest exactly and moves them to the front of its range.
void DraftFilter::runPass(Pass& pass, std::size_t begin, std::size_t end, const Plane& plane,
                          FastEvaluation::Scratch& scratch) {
  double* values = scratch.values.data();
  const double s = -plane.D;
  std::size_t kept = begin;
  FastEvaluation::VolumeSum sum{pass.active};
  for (std::size_t i = begin; i < end; ++i) {
    constexpr std::size_t ahead = FastEvaluation::kPrefetchDistance;
    if (i + 2 * ahead < end)
      fast_.prefetchRecord(active_[i + 2 * ahead]);
    // Only an element the level crosses is read beyond its extents, unless the bracket settles it.
    if (i + ahead < end && fast_.extent(active_[i + ahead]).crossedAt(plane.D) &&
        !(pending_ && settlesByExtents(active_[i + ahead])))
      fast_.prefetchElement(active_[i + ahead]);
    const std::uint32_t e = active_[i];
    if (pending_ && settleByExtents(e, pass))
      continue;
    // An element wholly on one side of the level costs its extents to evaluate; reading its
    // heights for the bracket's epoch rarely pays.
    const FastEvaluation::Extent& extent = fast_.extent(e);
    if (!extent.crossedAt(plane.D)) {
      // What evaluateElement gives it: wholly submerged, its precomputed volume; dry, nothing.
      active_[kept++] = e;
      pass.active += extent.submergedAt(plane.D) ? flat().wholeVolume(e) : 0.0;
      continue;
    }
    // One sweep over its points tells whether the bracket or the trial's reach settles it and,
    // for a cylinder that stays, its sides at the level.
    const Sides sides = sidesAbout(e, s, values);
    const unsigned char* dryPoint = reinterpret_cast<const unsigned char*>(values);
    const bool crossed = sides.crossed();
    if (sides.ordered && pending_ && sides.wet <= sLo_ && sides.dry > sHi_ &&
        absorbSides(e, pass.settled, sides, s, dryPoint)) {
      pass.settledMembers->push_back(e);
    } else if (sides.ordered && crossed && pass.speculate && sides.wet <= s - pass.reach &&
               sides.dry > s + pass.reach && absorbSides(e, pass.speculative, sides, s, dryPoint)) {
      pass.speculativeMembers->push_back(e);
    } else {
      active_[kept++] = e;
      const Element& element = flat().element(e);
      pass.valued += crossed ? 1 : 0;
      if (element.kind == FlattenedBody::Kind::Cylinder && sides.ordered && crossed) {
        pass.active += valueAt(e, s, plane, sides, scratch, pass);
      } else if (sides.ordered && fast_.queues(element)) {
        fast_.queueCrossed(e, plane, *scratch.queue, sum);
      } else {
        pass.active += fast_.evaluateElement<false>(e, plane, scratch).volume;
      }
    }
  }
  if (scratch.queue)
    fast_.flushCrossed(plane, *scratch.queue, sum);
  pass.kept = kept - begin;
}

// A cylinder the level crosses: its polynomial at the level itself, where the points on either
// side of it lie far enough apart for the bound. Its many crossed water tetrahedra cost less so
// than cut (a small element costs more: the bound's own terms); it stays active.
long double DraftFilter::valueAt(std::uint32_t e, double s, const Plane& plane, const Sides& sides,
                                 FastEvaluation::Scratch& scratch, Pass& pass) const {
  Epoch here = emptyEpoch(s);
  if (!absorbSides<true>(e, here, sides, s,
                         reinterpret_cast<const unsigned char*>(scratch.values.data())))
    return fast_.evaluateElement<false>(e, plane, scratch).volume;
  pass.activeError += here.error;
  pass.activeMagnitude += here.magnitude;
  pass.activeTerms += here.terms;
  return here.coefficient[0];
}

DraftFilter::Estimate DraftFilter::estimate(double D) {
  // A search's first estimate finds most elements active (all of them after the level table
  // answered): most settle by their extents alone, in one sweep without a branch per element.
  if (pending_ && (levelsAnswer_ || !estimated_))
    settleOutsideBracket();
  const double s = -D;
  dissolveEpochsExcluding(s);
  Plane plane = fast_.normalPlane();
  plane.D = D;
  // Elements with no point inside the bracket settle for good; elements with no point within a
  // quarter of its width of this level settle until a trial leaves their range.
  const double reach = (sHi_ - sLo_) / 4;
  const bool speculate = sLo_ + reach < s && s < sHi_ - reach;
  const std::size_t chunks = runPasses(shareFine(), true, s, reach, speculate, [&](std::size_t c) {
    runPass(passes_[c], chunkBegin_[c], chunkBegin_[c + 1], plane, fast_.scratch(c));
  });
  pending_ = false;
  std::size_t valued = 0;
  for (std::size_t c = 0; c < chunks; ++c)
    valued += passes_[c].valued;
  searchValued_ += valued;
  ++fast_.statistics.fineEstimates;
  fast_.statistics.valuedElements += static_cast<long long>(valued);
  firstValued_ = estimated_ ? firstValued_ : valued;
  estimated_ = true;
  // A first estimate while the bracket is still too wide to settle any element (a trial close to
  // the result while the bracket spans most of the body) leaves every element active, and the
  // level table's intervals hold as before it. Where its bins are fine, they are about as narrow
  // as a coarse pass's and cost none; coarser bins would leave trials open that a pass decides.
  levelsAnswer_ =
      levelsAnswer_ && levels_.finest() && settledCount_ == 0 && dryCount_ == 0 && epochs_.empty();
  return bound(s, mergePasses(chunks), 0);
}

// Before a search's first estimate most elements are still active (all of them where the level
// table answered the coarse intervals): the ones the bracket leaves wholly below or above it
// settle in one sweep over their extents, in order, before a pass reads any element's points.
void DraftFilter::settleOutsideBracket() {
  const std::size_t chunks =
      runPasses(share(kParallelCoarseElements), false, sLo_, 0, false, [&](std::size_t c) {
        Pass& pass = passes_[c];
        const std::size_t begin = chunkBegin_[c], end = chunkBegin_[c + 1];
        std::size_t kept = begin;
        // Without a branch per element (which side an element lies on follows no pattern the
        // processor could guess): a kept element adds nothing to the settled sums.
        long double below = 0;
        std::size_t settled = 0, dry = 0;
        double maxWet = pass.maxWet, minDry = pass.minDry;
        for (std::size_t i = begin; i < end; ++i) {
          const std::uint32_t e = active_[i];
          const FastEvaluation::Extent& extent = fast_.extent(e);
          const double highest = extent.highest, lowest = extent.lowest;
          const bool isBelow = highest <= sLo_, isDry = lowest > sHi_;
          below += isBelow ? flat().wholeVolume(e) : 0.0;
          settled += isBelow;
          dry += isDry;
          maxWet = std::max(maxWet, isBelow ? highest : -kInfinity);
          minDry = std::min(minDry, isDry ? lowest : kInfinity);
          active_[kept] = e;
          kept += !(isBelow || isDry);
        }
        pass.settledVolume += below;
        pass.settledCount += settled;
        pass.dryCount += dry;
        pass.maxWet = maxWet;
        pass.minDry = minDry;
        pass.kept = kept - begin;
      });
  mergePasses(chunks);
}

// Whether a pass over the active elements is shared out among the threads: when they are many,
// or always on an evaluation made to share every evaluation out (the tests', which thus run the
// passes' merging on small bodies).
bool DraftFilter::share(std::size_t parallelElements) const {
  return fast_.parallel() && (fast_.sharesEverything() || active_.size() >= parallelElements);
}

bool DraftFilter::shareFine() const {
  if (share(kParallelElements))
    return true;
  if (!fast_.parallel())
    return false;
  std::size_t tetrahedra = 0;
  for (const std::uint32_t e : active_)
    tetrahedra += flat().element(e).tetrahedronCount;
  return tetrahedra >= kParallelTetrahedra;
}

// Divides the active elements among the chunks of a pass. A fine pass's work grows with an
// element's water tetrahedra (a crossed cylinder has 90, a hexahedron 5), so its chunks take
// about equal shares of those; the other passes read little more than each element's extents.
void DraftFilter::splitActive(bool weighted) {
  const std::size_t count = active_.size();
  chunkBegin_[0] = 0;
  chunkBegin_[chunks_] = count;
  if (chunks_ == 1)
    return;
  if (!weighted) {
    for (std::size_t c = 1; c < chunks_; ++c)
      chunkBegin_[c] = count * c / chunks_;
    return;
  }
  // Many elements are weighed by a sample, every kWeighStride-th for the ones it stands for: the
  // split is made on one thread before the others start, and weighing all of a search's first
  // passes' thousands of elements kept them waiting. A chunk then ends on a sampled element.
  const FlattenedBody& flat = this->flat();
  const std::size_t stride = count >= kSampledSplit ? kWeighStride : 1;
  std::size_t total = 0;
  for (std::size_t i = 0; i < count; i += stride)
    total += flat.element(active_[i]).tetrahedronCount;
  std::size_t sum = 0, i = 0;
  for (std::size_t c = 1; c < chunks_; ++c) {
    const std::size_t share = total * c / chunks_;
    for (; i < count && sum < share; i += stride)
      sum += flat.element(active_[i]).tetrahedronCount;
    chunkBegin_[c] = std::min(i, count);
  }
}

// Gathers the chunks' results: their active elements in order at the front of active_, their
// settled elements into one epoch for good and one speculative epoch.
long double DraftFilter::mergePasses(std::size_t chunks) {
  long double active = 0;
  std::size_t kept = 0;
  activeError_ = 0;
  activeMagnitude_ = 0;
  activeTerms_ = 0;
  Epoch settled = passes_[0].settled, speculative = passes_[0].speculative;
  std::size_t settledCount = 0, speculativeCount = 0;
  for (std::size_t c = 0; c < chunks; ++c) {
    const Pass& pass = passes_[c];
    const std::size_t begin = chunkBegin_[c];
    std::copy(active_.begin() + static_cast<std::ptrdiff_t>(begin),
              active_.begin() + static_cast<std::ptrdiff_t>(begin + pass.kept),
              active_.begin() + static_cast<std::ptrdiff_t>(kept));
    kept += pass.kept;
    active += pass.active;
    activeError_ += pass.activeError;
    activeMagnitude_ += pass.activeMagnitude;
    activeTerms_ += pass.activeTerms;
    takeSettled(pass);
    if (c > 0) {
      settled.merge(pass.settled);
      speculative.merge(pass.speculative);
    }
    members_.insert(members_.end(), pass.settledMembers->begin(), pass.settledMembers->end());
    settledCount += pass.settledMembers->size();
  }
  active_.resize(kept);
  keepEpoch(settled, settledCount);
  for (std::size_t c = 0; c < chunks; ++c) {
    const Pass& pass = passes_[c];
    members_.insert(members_.end(), pass.speculativeMembers->begin(),
                    pass.speculativeMembers->end());
    speculativeCount += pass.speculativeMembers->size();
  }
  keepEpoch(speculative, speculativeCount);
  return active;
}

void DraftFilter::takeSettled(const Pass& pass) {
  settledVolume_ += pass.settledVolume;
  settledCount_ += pass.settledCount;
  dryCount_ += pass.dryCount;
  maxWet_ = std::max(maxWet_, pass.maxWet);
  minDry_ = std::min(minDry_, pass.minDry);
}

DraftFilter::Estimate DraftFilter::bound(double s, long double active, long double width) const {
  if (!(maxWet_ <= s && s < minDry_))
    return Estimate{false, 0, 0};
  long double value = settledVolume_ + active;
  long double magnitude = value + width + activeMagnitude_;
  double error = activeError_;
  std::size_t terms = active_.size() + settledCount_ + activeTerms_ + 64;
  for (const Epoch& epoch : epochs_) {
    if (!epoch.alive)
      continue;
    if (!epoch.holdsAt(s))
      return Estimate{false, 0, 0};  // settled just now by a bracket that excludes s
    terms += epoch.terms + 8;
    if (!epoch.polynomialAt(s)) {
      // Each element wholly submerged gives its whole volume bit for bit; wholly dry, nothing.
      if (s >= epoch.highest) {
        value += epoch.whole;
        magnitude += epoch.whole;
      }
      continue;
    }
    const long double sigma = static_cast<long double>(s) - epoch.anchor;
    const long double* c = epoch.coefficient;
    value += ((c[3] * sigma + c[2]) * sigma + c[1]) * sigma + c[0];
    const long double a = std::fabs(sigma);
    magnitude += std::fabs(c[0]) + std::fabs(c[1]) * a + std::fabs(c[2]) * a * a +
                 std::fabs(c[3]) * a * a * a + epoch.magnitude;
    error += epoch.error;
  }
  const double own =
      static_cast<double>(roundingBoundLong(static_cast<long double>(terms)) * magnitude);
  const double total = static_cast<double>(std::fabs(value) + width) + error + own;
  const double elements = static_cast<double>(flat().elementCount());
  const double sums = roundingBound(elements - static_cast<double>(dryCount_)) * total *
                      (1 + roundingBound(elements));
  const double bound = 2 * (error + own + sums) * 1.0001 + 1e-300;
  const double lo = static_cast<double>(value - bound);
  const double hi = static_cast<double>(value + width + bound);
  if (!std::isfinite(lo) || !std::isfinite(hi))
    return Estimate{false, 0, 0};
  return Estimate{true, std::nextafter(lo, -kInfinity), std::nextafter(hi, kInfinity)};
}

// The window forms the cubics of the elements it both ends cross with no point between them.
template bool DraftFilter::absorbSides<false>(std::uint32_t, Epoch&, const Sides&, double,
                                              const unsigned char*, bool) const;
