#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

// The elements of a body sorted into bins by the heights of their lowest and highest points along
// one normal, with the sums of their whole volumes per bin: for any level s at once, it tells the
// volume of the elements that certainly lie wholly at or below s, and the volume of those whose
// lowest point may lie at or below it (every element that s crosses or lies above is among them).
// A draft search's first trials, far from the result, need no more than that.
//
// The bins' edges are doubles, in order. An element counts as wholly below s only when its
// highest point lies at or below an edge at or below s, and as reached whenever its lowest point
// lies at or above an edge at or below s or below the first edge: an element whose bin holds s
// counts on the safe side of both. Each sum rounds by at most gamma(elements + chunks + bins + 12)
// times its size (its terms are not negative).
class LevelTable {
 public:
  struct Sums {
    double submerged = 0;  // whole volumes of the elements wholly at or below the level
    double reached = 0;    // whole volumes of the elements whose lowest point may be
  };

  // Bins [sLo, sHi] into about one bin per four elements, at most kMostBins; element(e, lowest,
  // highest, whole) gives element e's height range and whole volume (finite or infinite, never
  // NaN). The elements are binned in `chunks` ranges, each with its own sums, which
  // runChunks(job) runs as job(0) .. job(chunks - 1), on other threads if it likes; the sums of a
  // slot then have at most elements + chunks terms. False, with nothing to answer, when the range
  // cannot be divided finely enough for the rounding of a bin's position (see positionOf).
  template <typename RunChunks, typename Element>
  bool build(std::size_t count, double sLo, double sHi, std::size_t chunks, RunChunks runChunks,
             Element element);
  Sums at(double s) const;
  std::size_t binCount() const { return edges_.empty() ? 0 : edges_.size() - 1; }
  // The table holds its most bins, each at most 1/4096 of its range: about as fine as the
  // elements themselves on a body large enough to have them.
  bool finest() const { return binCount() == kMostBins; }
  std::size_t memoryBytes() const;

 private:
  static constexpr std::size_t kMostBins = 4096;
  // Slots below and above the bins' own, for heights outside the edges (see highSlot).
  static constexpr long kPad = 4;
  bool prepare(std::size_t count, double sLo, double sHi, std::size_t chunks);
  // The bin position of a height, (height - sLo) / step as computed, within a quarter of a bin of
  // its place among the edges (prepare checks that), kept inside [-4, bins + 4].
  double positionOf(double height) const {
    return std::min(std::max((height - sLo_) * inverseStep_, -4.0), top_);
  }
  // Slot kPad + k of a highest point means an edge k - 1 at or above it: k is at least one bin
  // above its place (truncation, then 2). Slot kPad + k of a lowest point means an edge k - 1 at
  // or below it: k is at least one bin below (the floor, then -1, then +1 for the slot).
  std::size_t highSlot(double highest) const {
    return static_cast<std::size_t>(static_cast<long>(positionOf(highest)) + 3 + kPad);
  }
  std::size_t lowSlot(double lowest) const {
    return static_cast<std::size_t>(static_cast<long>(positionOf(lowest) + 4) - 4 + kPad);
  }
  // Adds the chunks' sums to the first chunk's, then sums them up to each slot.
  void accumulate(std::size_t chunks);

  std::vector<double> edges_;
  double sLo_ = 0, inverseStep_ = 0, top_ = 0;
  // Per chunk and slot, then in the first chunk summed up to the slot: whole volumes by highest and
  // by lowest point.
  std::vector<Sums> slots_;
  std::size_t slotCount_ = 0;
};

template <typename RunChunks, typename Element>
bool LevelTable::build(std::size_t count, double sLo, double sHi, std::size_t chunks,
                       RunChunks runChunks, Element element) {
  if (!prepare(count, sLo, sHi, chunks))
    return false;
  auto job = [&](int chunk) {
    const std::size_t p = static_cast<std::size_t>(chunk);
    Sums* slots = slots_.data() + p * slotCount_;
    std::fill(slots, slots + slotCount_, Sums{});
    for (std::size_t e = count * p / chunks; e < count * (p + 1) / chunks; ++e) {
      double lowest = 0, highest = 0, whole = 0;
      element(e, lowest, highest, whole);
      slots[highSlot(highest)].submerged += whole;
      slots[lowSlot(lowest)].reached += whole;
    }
  };
  runChunks(job);
  accumulate(chunks);
  return true;
}
