#include "submerged/level_table.h"

#include <algorithm>
#include <limits>

bool LevelTable::prepare(std::size_t count, double sLo, double sHi, std::size_t chunks) {
  edges_.clear();
  const std::size_t bins = std::min(kMostBins, std::max<std::size_t>(count / 4, 1));
  const double step = (sHi - sLo) / static_cast<double>(bins);
  const double unit = std::numeric_limits<double>::epsilon() / 2;
  // A computed position errs by 3.01 u (bins + 4) bins at most, an edge by u (|sLo| / step +
  // 2 bins): a quarter of a bin in all, with room to spare.
  if (!(std::isfinite(sLo) && std::isfinite(step) && step > 0 &&
        std::fabs(sLo) * unit / step < 0.125 && std::isfinite(1 / step)))
    return false;
  sLo_ = sLo;
  inverseStep_ = 1 / step;
  top_ = static_cast<double>(bins) + 4;
  // sLo + step * j is monotonic in j, as both roundings are.
  edges_.resize(bins + 1);
  for (std::size_t j = 0; j <= bins; ++j)
    edges_[j] = sLo + step * static_cast<double>(j);
  // A highest point's slot reaches kPad + bins + 7 (positions up to bins + 4).
  slotCount_ = bins + 8 + kPad;
  slots_.resize(slotCount_ * chunks);  // each chunk clears its own slots (see build)
  return true;
}

void LevelTable::accumulate(std::size_t chunks) {
  for (std::size_t p = 1; p < chunks; ++p) {
    for (std::size_t k = 0; k < slotCount_; ++k) {
      slots_[k].submerged += slots_[p * slotCount_ + k].submerged;
      slots_[k].reached += slots_[p * slotCount_ + k].reached;
    }
  }
  for (std::size_t k = 1; k < slotCount_; ++k) {
    slots_[k].submerged += slots_[k - 1].submerged;
    slots_[k].reached += slots_[k - 1].reached;
  }
}

// With q the number of edges at or below s (J = q - 1 the last of them): wholly below are the
// elements whose highest point lies at or below an edge up to J, reached those whose lowest point
// lies below the first edge or at or above an edge up to J: slots up to kPad + q for both. Below
// the first edge nothing is certainly submerged; at or above the last every element counts as
// reached (the slots do not tell how far above the last edge a lowest point lies).
LevelTable::Sums LevelTable::at(double s) const {
  const std::size_t q =
      static_cast<std::size_t>(std::upper_bound(edges_.begin(), edges_.end(), s) - edges_.begin());
  const std::size_t slot = static_cast<std::size_t>(kPad) + q;
  return Sums{q == 0 ? 0 : slots_[slot].submerged,
              q == edges_.size() ? slots_[slotCount_ - 1].reached : slots_[slot].reached};
}

std::size_t LevelTable::memoryBytes() const {
  return edges_.capacity() * sizeof(double) + slots_.capacity() * sizeof(Sums);
}
