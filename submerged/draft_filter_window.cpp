// The draft filter's window: one pass over the body, about the level where a search is expected
// to end, bounds the exact volume of every trial level at or below its lower end and at or above
// its upper end without reading any element at the trial (item 8 of the bound, derived in
// draft_filter_bounds.cpp). The elements wholly below the lower end are binned by their extents,
// the ones either end may cross bounded by their polynomials at that end; and the window is placed
// where the last searches at nearby normals predict the water, as wide as those predictions erred.
#include "submerged/draft_filter.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <utility>

#include "elements/hexahedron.h"
#include "elements/triangle_prism.h"
#include "submerged/draft_filter_bounds.h"
#include "submerged/float_bounds.h"

using draft_bounds::Box;
using draft_bounds::crossedError;
using draft_bounds::CrossedSums;
using draft_bounds::kInfinity;
using draft_bounds::kUnit;
using draft_bounds::kUnitLong;
using draft_bounds::roundingBound;
using draft_bounds::valueCrossed;

namespace {

// The window reaches this many times the last prediction's error about the prediction, at first
// and at most these shares of the bracket. It reaches at least kSmallestWindowReach of it: its
// bounds of the trials outside it count the elements that straddle a trial's bin (1/256 of the
// way up to the window) whole, and only a margin of a fair part of a bin between the result and
// the window's ends outweighs them. Narrower windows left the trials just outside undecided,
// and their first fine pass then came with the bracket as wide as a column is tall.
constexpr double kReachPerError = 4;
constexpr double kFirstWindowReach = 1e-3, kSmallestWindowReach = 3e-4, kLargestWindowReach = 1e-2;
// A window bounds each element it may cross about as dearly as valuing it a few times: it pays on
// a body whose searches valued their crossed elements this many times over.
constexpr std::size_t kWindowsPay = 2;

// The distinct edges of a fixed split's tetrahedra: a hexahedron's five share 18 edges among
// their 30, a prism's three 12 among 18.
template <int kTetrahedra>
class SplitEdges {
 public:
  constexpr explicit SplitEdges(const int (&split)[kTetrahedra][4]) {
    for (const int(&t)[4] : split) {
      for (int j = 0; j < 3; ++j) {
        for (int k = j + 1; k < 4; ++k)
          add(std::min(t[j], t[k]), std::max(t[j], t[k]));
      }
    }
  }
  constexpr int count() const { return count_; }
  constexpr int end(int edge, int which) const { return ends_[edge][which]; }

 private:
  constexpr void add(int a, int b) {
    for (int i = 0; i < count_; ++i) {
      if (ends_[i][0] == a && ends_[i][1] == b)
        return;
    }
    ends_[count_][0] = a;
    ends_[count_][1] = b;
    ++count_;
  }
  int ends_[6 * kTetrahedra][2] = {};
  int count_ = 0;
};

constexpr SplitEdges<Hexahedron::kTetrahedronCount> kHexahedronEdges(Hexahedron::kSplit);
constexpr SplitEdges<TrianglePrism::kTetrahedronCount> kPrismEdges(TrianglePrism::kSplit);

// The smallest positive difference in height between the ends of one of the edges, or kInfinity;
// the edges are constants, written out one by one.
template <const auto& kEdges, std::size_t... kEdge>
double smallestSpan(const double* heights, std::index_sequence<kEdge...>) {
  double gap = kInfinity;
  const auto take = [&gap](double span) { gap = span > 0 ? std::min(gap, span) : gap; };
  (take(std::fabs(heights[kEdges.end(kEdge, 0)] - heights[kEdges.end(kEdge, 1)])), ...);
  return gap;
}
template <const auto& kEdges>
double smallestSpan(const double* heights) {
  return smallestSpan<kEdges>(heights, std::make_index_sequence<kEdges.count()>());
}

}  // namespace

// Item 8: the smallest span in height of an element's edges whose ends differ in height bounds
// every cut edge at every level; the extents of its water tetrahedra are bounded as a cylinder's
// or by the element's box.
double DraftFilter::everyLevelError(std::uint32_t e) const {
  const Element& element = flat().element(e);
  const double* heights = fast_.heights(e);
  double gap = kInfinity;
  if (element.kind == FlattenedBody::Kind::Hexahedron) {
    gap = smallestSpan<kHexahedronEdges>(heights);  // the split's edges, each once
  } else if (element.kind == FlattenedBody::Kind::Prism) {
    gap = smallestSpan<kPrismEdges>(heights);
  } else {
    const WaterTetrahedron* t = flat().waterTetrahedra(element);
    for (std::uint32_t i = 0; i < element.tetrahedronCount; ++i) {
      const std::uint16_t* v = t[i].vertex;
      const double h[4] = {heights[v[0]], heights[v[1]], heights[v[2]], heights[v[3]]};
      for (int j = 0; j < 3; ++j) {
        for (int k = j + 1; k < 4; ++k) {
          const double span = std::fabs(h[j] - h[k]);
          gap = span > 0 ? std::min(gap, span) : gap;
        }
      }
    }
  }
  Box box;
  boxOf(e, box.lo, box.hi);
  const double n = element.tetrahedronCount;
  CrossedSums sums;
  sums.count = n;
  sums.volume = flat().wholeVolume(e) * (1 + 2 * roundingBound(n)) * (1 + 2 * kUnit);
  if (element.kind == FlattenedBody::Kind::Cylinder)
    sums.takeExtents(cylinderSums_[e - firstCylinder_]);
  else
    sums.takeBoxExtents(box);
  return crossedError(box, sums, fast_.normalPlane(), gap);
}

void DraftFilter::windowValues(std::uint32_t e, bool atA, bool atB, double& upperA, double& lowerB,
                               double* scratch, WindowPart& part) const {
  const Element& element = flat().element(e);
  const double n = element.tetrahedronCount, whole = flat().wholeVolume(e);
  upperA = coarse_.levelFactor * whole + coarse_.levelTerm;
  lowerB = 0;
  // M at a level, formed as valueAt forms it (item 4), and the bound of item 2 at every level.
  const double formedOne = (28 * roundingBound(20) + 2 * roundingBound(n + 3)) * whole *
                           (1 + 2 * roundingBound(n)) * 1.01;
  double error = -2;  // not yet found
  const auto bound = [&](double m, double formed, bool above) {
    if (error == -2)
      error = everyLevelError(e);
    if (!(error >= 0))
      return;
    if (above)
      upperA = std::min(upperA, (m + formed + error) * (1 + roundingBound(n)) * (1 + 8 * kUnit));
    else
      lowerB = std::max(0.0, (m - formed - error) * (1 - roundingBound(n)) * (1 - 8 * kUnit));
  };
  // The polynomial at the levels, the element's points sorted about them alike by sidesAbout.
  const auto polynomialAt = [&](const auto& levels, auto& values) {
    double wetVolume = 0;
    CrossedSums counted;
    valueCrossed(flat().waterTetrahedra(element), element.tetrahedronCount, element.points,
                 fast_.heights(e), reinterpret_cast<const unsigned char*>(scratch), levels, true,
                 values, wetVolume, counted);
    for (double& value : values)
      value += wetVolume;
  };
  const auto boundAt = [&](double level, bool above) {
    const double levels[1] = {level};
    double m[1] = {0};
    polynomialAt(levels, m);
    bound(m[0], formedOne, above);
  };
  Sides sides = sidesAbout(e, atA ? window_.a : window_.b, scratch);
  if (atA && sides.ordered && sides.wet == -kInfinity) {
    upperA = 0;  // wholly above a, so above every lower level
  } else if (atA && sides.ordered && sides.crossed() && atB && sides.dry > window_.b) {
    // No point between a and b: its cubic about the window's middle holds at both, and at every
    // level of the window, where the search's first estimate takes it as it stands. Its crossed
    // tetrahedra's extents are bounded by its box, as the bound at every level bounds them: the
    // window values many elements, and the bound stays about as tight.
    Epoch here = emptyEpoch(part.straddling.anchor);
    if (element.kind != FlattenedBody::Kind::Cylinder &&
        absorbSides(e, here, sides, window_.a, reinterpret_cast<const unsigned char*>(scratch),
                    true)) {
      double formed;
      const double atLevelA = here.valueAt(window_.a, formed);
      bound(atLevelA, formed, true);
      const double atLevelB = here.valueAt(window_.b, formed);
      bound(atLevelB, formed, false);
      part.straddling.merge(here);
      part.straddlers->push_back(e);
      return;
    }
    // One sweep sorts the points about both.
    const double levels[2] = {window_.a, window_.b};
    double m[2] = {0, 0};
    polynomialAt(levels, m);
    bound(m[0], formedOne, true);
    bound(m[1], formedOne, false);
    return;
  } else if (atA && sides.ordered && sides.crossed()) {
    boundAt(window_.a, true);
  }
  if (!atB)
    return;
  if (atA)
    sides = sidesAbout(e, window_.b, scratch);
  if (sides.ordered && sides.dry == kInfinity) {
    lowerB = whole;  // wholly below b, so below every higher level
  } else if (sides.ordered && sides.crossed()) {
    boundAt(window_.b, false);
  }
}

int DraftFilter::windowBin(double s) const {
  const double x = (s - window_.binOrigin) * window_.binScale;
  if (!(x > 0))
    return 0;
  return x >= kWindowBins ? kWindowBins - 1 : static_cast<int>(x);
}

void DraftFilter::windowChunk(WindowPart& part, std::size_t begin, std::size_t end,
                              double* scratch) const {
  const double a = window_.a, b = window_.b;
  // Only the elements a or b may cross are read beyond their extents and whole volumes.
  const auto crosses = [](const FastEvaluation::Extent& x, double s) {
    return !(x.highest <= s) && !(x.lowest > s);
  };
  for (std::size_t i = begin; i < end; ++i) {
    const std::size_t ahead = i + FastEvaluation::kPrefetchDistance;
    if (ahead < end && (crosses(fast_.extent(ahead), a) || crosses(fast_.extent(ahead), b)))
      fast_.prefetchElement(ahead);
    const auto e = static_cast<std::uint32_t>(i);
    const FastEvaluation::Extent& extent = fast_.extent(e);
    const double lowest = extent.lowest, highest = extent.highest;
    const double whole = flat().wholeVolume(e);
    part.belowB += highest <= b ? whole : 0.0;
    if (highest <= a) {
      const int low = windowBin(lowest), high = windowBin(highest);
      part.byLowest[low] += whole;
      part.countByLowest[low] += 1;
      part.byHighest[high] += whole;
      part.countByHighest[high] += 1;
      continue;
    }
    const bool crossingA = crosses(extent, a), crossingB = crosses(extent, b);
    if (crossingA || crossingB) {
      double upper, lower;
      windowValues(e, crossingA, crossingB, upper, lower, scratch, part);
      if (crossingA)
        part.crossingA[windowBin(lowest)] += upper;
      part.crossingB += crossingB ? lower : 0.0;
    }
  }
}

bool DraftFilter::openWindow(double a, double b) {
  window_.open = false;
  if (!coarse_.heightsFree || !(sLo_ < a && a < b && b < sHi_))
    return false;
  window_.a = a;
  window_.b = b;
  window_.binOrigin = sLo_;
  window_.binScale = kWindowBins / (a - sLo_);
  if (!std::isfinite(window_.binScale))
    return false;
  const std::size_t count = flat().elementCount();
  const bool shared = fast_.parallel() && (fast_.sharesEverything() || count >= kParallelElements);
  const std::size_t chunks = shared ? passes_.size() : 1;
  // Each part's sums are zeroed where they lie: a small body opens a window per search, and
  // copying in a zeroed part, then summing the parts into another, cost a tenth of its window.
  windowParts_.resize(chunks);
  for (std::size_t c = 0; c < chunks; ++c) {
    WindowPart& part = windowParts_[c];
    for (double* sums :
         {part.byLowest, part.byHighest, part.countByLowest, part.countByHighest, part.crossingA})
      std::fill(sums, sums + kWindowBins, 0.0);
    part.belowB = part.crossingB = 0;
    part.straddling = emptyEpoch(0.5 * a + 0.5 * b);
    // The passes' lists, which the search has not yet used.
    part.straddlers = &lists_[2 * c];
    lists_[2 * c].clear();
  }
  splitWindow(chunks);
  auto job = [this, chunks](int chunk) {
    const auto c = static_cast<std::size_t>(chunk);
    if (c < chunks)
      windowChunk(windowParts_[c], chunkBegin_[c], chunkBegin_[c + 1],
                  fast_.scratch(c).values.data());
  };
  fast_.pool().runChunks(job, shared);
  // The other parts' sums go to the first's, in the parts' order.
  WindowPart& all = windowParts_[0];
  for (std::size_t c = 1; c < chunks; ++c) {
    const WindowPart& part = windowParts_[c];
    for (int k = 0; k < kWindowBins; ++k) {
      all.byLowest[k] += part.byLowest[k];
      all.byHighest[k] += part.byHighest[k];
      all.countByLowest[k] += part.countByLowest[k];
      all.countByHighest[k] += part.countByHighest[k];
      all.crossingA[k] += part.crossingA[k];
    }
    all.belowB += part.belowB;
    all.crossingB += part.crossingB;
  }
  if (!closeWindowSums(all, count))
    return false;
  keepStraddlers(chunks);
  return true;
}

// The elements either end crosses cost the window about as much as a few dozen others, and they
// gather where the water lies (a hull's layer, a strake): the chunks take about equal shares of
// that work, weighed on every 16th element of a large body.
void DraftFilter::splitWindow(std::size_t chunks) {
  const std::size_t count = flat().elementCount();
  chunkBegin_[0] = 0;
  chunkBegin_[chunks] = count;
  if (chunks == 1)
    return;
  const std::size_t stride = count >= 4096 ? 16 : 1;
  const float a = static_cast<float>(window_.a), b = static_cast<float>(window_.b);
  const auto cost = [&](std::size_t e) -> std::size_t {
    const FastEvaluation::Extent& x = fast_.extent(e);
    const bool crossed = (x.lowest < a && a < x.highest) || (x.lowest < b && b < x.highest);
    return crossed ? 20 * static_cast<std::size_t>(flat().element(e).tetrahedronCount) : 1;
  };
  std::size_t total = 0;
  for (std::size_t e = 0; e < count; e += stride)
    total += cost(e);
  std::size_t sum = 0, chunk = 1;
  for (std::size_t e = 0; e < count && chunk < chunks; e += stride) {
    sum += cost(e);
    while (chunk < chunks && sum * chunks >= total * chunk)
      chunkBegin_[chunk++] = std::min(e + stride, count);
  }
  while (chunk < chunks)
    chunkBegin_[chunk++] = count;
}

void DraftFilter::keepStraddlers(std::size_t chunks) {
  Epoch straddling = windowParts_[0].straddling;
  std::size_t count = 0;
  for (std::size_t c = 0; c < chunks; ++c) {
    const std::vector<std::uint32_t>& members = *windowParts_[c].straddlers;
    if (c > 0)
      straddling.merge(windowParts_[c].straddling);
    members_.insert(members_.end(), members.begin(), members.end());
    count += members.size();
  }
  if (count == 0)
    return;
  keepEpoch(straddling, count);
  // The search has just started: every element is active, in order, and the straddlers (in
  // order too, chunk by chunk) leave.
  const std::uint32_t* member = members_.data() + (members_.size() - count);
  const std::uint32_t* const last = members_.data() + members_.size();
  std::size_t kept = 0;
  for (std::size_t i = 0; i < active_.size(); ++i) {
    const std::uint32_t e = active_[i];
    if (member != last && *member == e) {
      ++member;
      continue;
    }
    active_[kept++] = e;
  }
  assert(member == last && "the window opens right after start, before any estimate");
  active_.resize(kept);
}

// The window's bounds from its sums, each a sum of non-negative doubles over the elements, in any
// order: within gamma(count + 2 bins) of its value.
bool DraftFilter::closeWindowSums(const WindowPart& all, std::size_t count) {
  const double elements = static_cast<double>(count);
  const long double rounding = roundingBound(elements + 2 * kWindowBins + 8);
  // The exact path sums the elements in order, within gamma(N) of their total.
  const long double sum = roundingBound(elements) * 1.0001;
  long double lowest = 0, highest = 0, lowestCount = 0, highestCount = 0, crossing = 0;
  bool finite = true;
  for (int k = 0; k < kWindowBins; ++k) {
    // A bin where no element starts, after one where none ends, has the sums of the bin before
    // and so its bound: a small body leaves most bins empty, and the sums below cost dearly.
    if (k > 0 && all.countByLowest[k] == 0 && all.crossingA[k] == 0 &&
        all.countByHighest[k - 1] == 0) {
      window_.upper[k] = window_.upper[k - 1];
      highest += all.byHighest[k];
      highestCount += all.countByHighest[k];
      continue;
    }
    // Wholly below a level in bin k: highest point in a bin below k. Between: lowest point in a
    // bin up to k, less those.
    lowest += all.byLowest[k];
    lowestCount += all.countByLowest[k];
    crossing += all.crossingA[k];
    const long double below = highest * (1 + rounding);
    const long double between = (lowest - highest) + rounding * (lowest + highest);
    const long double reached =
        static_cast<long double>(coarse_.levelFactor) * between +
        static_cast<long double>(coarse_.levelTerm) * (lowestCount - highestCount);
    const long double upper =
        (below + reached + crossing * (1 + rounding)) * (1 + sum) * (1 + 16 * kUnitLong);
    window_.upper[k] = roundedUpTo<double>(upper);
    finite = finite && std::isfinite(window_.upper[k]);
    highest += all.byHighest[k];
    highestCount += all.countByHighest[k];
  }
  const long double lower = (static_cast<long double>(all.belowB) + all.crossingB) *
                            (1 - rounding) * (1 - sum) * (1 - 16 * kUnitLong);
  window_.lower = std::max(0.0, roundedDownTo<double>(lower));
  window_.open = finite && std::isfinite(window_.lower);
  return window_.open;
}

DraftFilter::Estimate DraftFilter::windowEstimate(double D) const {
  const double s = -D;
  if (window_.open && s <= window_.a)
    return Estimate{true, 0, window_.upper[windowBin(s)]};
  if (window_.open && s >= window_.b)
    return Estimate{true, window_.lower, kInfinity};
  return Estimate{false, 0, 0};
}

bool DraftFilter::predictLevel(const Vec3& n, double V, double& level, double& reach) {
  // An evaluation made to share every pass (the tests') also opens every window it can.
  return placement_.place(n, V, sHi_ - sLo_, fast_.sharesEverything(), level, reach);
}

void DraftFilter::recordLevel(const Vec3& n, double V, double level) {
  placement_.record(n, V, level, window_.open, searchValued_, firstValued_);
}

bool WindowPlacement::place(const Vec3& n, double V, double extent, bool always, double& level,
                            double& reach) {
  predicted_ = false;
  if (!(pays_ || always) || !prediction_.predict(n, V, level))
    return false;
  reach = reach_ > 0 ? reach_ : kFirstWindowReach * extent;
  reach = std::min(std::max(reach, kSmallestWindowReach * extent), kLargestWindowReach * extent);
  predicted_ = std::isfinite(level) && std::isfinite(reach);
  predictedLevel_ = level;
  return predicted_;
}

void WindowPlacement::record(const Vec3& n, double V, double level, bool windowOpened,
                             std::size_t searchValued, std::size_t firstValued) {
  if (!windowOpened && firstValued > 0)
    pays_ = searchValued >= kWindowsPay * firstValued;
  if (predicted_)
    reach_ = std::max(kReachPerError * std::fabs(level - predictedLevel_), reach_ / 2);
  if (!std::isfinite(reach_))
    reach_ = 0;
  predicted_ = false;
  prediction_.record(n, V, level);
}
