// The draft filter's own state across searches and within one: building it for a flattened body
// (the lists its passes fill, sized once, and the bounds of the body's elements and cylinders that
// every search's coarse intervals and epochs use), starting a search and narrowing its bracket.
// The passes over the active elements are in draft_filter_passes.cpp, the coarse intervals in
// draft_filter_coarse.cpp, the window in draft_filter_window.cpp, and the bound they apply in
// draft_filter_bounds.cpp.
#include "submerged/draft_filter.h"

#include <algorithm>
#include <limits>

#include "elements/large_pages.h"
#include "submerged/draft_filter_bounds.h"

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

}  // namespace

// On a large body the elements' bounds are found by the evaluation's threads, each over a chunk of
// the elements, and combined after.
DraftFilter::DraftFilter(FastEvaluation& fast)
    : fast_(fast),
      passes_(static_cast<std::size_t>(fast.threadCount())),
      lists_(2 * passes_.size()) {
  const std::size_t elements = flat().elementCount();
  reserveAdvised(active_, elements);
  reserveAdvised(members_, elements);
  // A chunk may hold every active element (its share is of their water tetrahedra).
  for (std::vector<std::uint32_t>& list : lists_)
    reserveAdvised(list, elements);
  std::vector<BodyBounds> found(passes_.size());
  // Found apart and stored once, as the evaluation's own chunks are (see its constructor).
  auto job = [this, &found](int chunk) {
    found[static_cast<std::size_t>(chunk)] = boundChunk(chunk);
  };
  fast.pool().runChunks(job, fast.parallel());
  for (std::size_t chunk = 1; chunk < found.size(); ++chunk)
    found[0].merge(found[chunk]);
  bodyBounds_ = found[0];
  sumCylinders();
  chunkBegin_.assign(passes_.size() + 1, 0);
}

BodyBounds DraftFilter::boundChunk(int chunk) {
  const std::size_t part = static_cast<std::size_t>(chunk);
  const std::size_t parts = fast_.parallel() ? passes_.size() : 1;
  populatePart(active_, part, parts);
  populatePart(members_, part, parts);
  for (std::vector<std::uint32_t>& list : lists_)
    populatePart(list, part, parts);
  const FlattenedBody& flat = this->flat();
  const auto firstPoint = [&flat](std::size_t e) { return flat.element(e).firstPoint; };
  BodyBounds found;
  found.addElements(flat, flat.chunkByPoints(part, parts, firstPoint),
                    flat.chunkByPoints(part + 1, parts, firstPoint));
  return found;
}

void DraftFilter::sumCylinders() {
  const FlattenedBody& flat = this->flat();
  std::size_t e = 0;
  while (e < flat.elementCount() && flat.element(e).kind != FlattenedBody::Kind::Cylinder)
    ++e;
  firstCylinder_ = e;
  std::size_t end = e;
  while (end < flat.elementCount() && flat.element(end).kind == FlattenedBody::Kind::Cylinder)
    ++end;
  cylinderSums_.reserve(end - e);
  for (; e < end; ++e) {
    const Element& element = flat.element(e);
    cylinderSums_.push_back(draft_bounds::cylinderExtentSums(
        flat.waterTetrahedra(element), element.tetrahedronCount, element.points));
  }
}

void DraftFilter::start(double sLo, double sHi) {
  window_.open = false;
  estimated_ = false;
  searchValued_ = 0;
  firstValued_ = 0;
  active_.resize(flat().elementCount());
  members_.clear();
  epochs_.clear();
  settledVolume_ = 0;
  settledCount_ = 0;
  dryCount_ = 0;
  maxWet_ = -kInfinity;
  minDry_ = kInfinity;
  sLo_ = sLo;
  sHi_ = sHi;
  pending_ = sLo < sHi;
  coarse_ = CoarseBound(fast_.normalPlane(), bodyBounds_);
  levelsAnswer_ = false;
  for (std::size_t e = 0; e < active_.size(); ++e)
    active_[e] = static_cast<std::uint32_t>(e);
}

void DraftFilter::narrow(double sLo, double sHi) {
  // A bracket so narrow that the rounded levels of its ends are out of order settles nothing
  // more: each settled tetrahedron's polynomial is expanded about a level between its submerged
  // and its dry vertices.
  if (!(sLo < sHi))
    return;
  sLo_ = sLo;
  sHi_ = sHi;
  pending_ = true;
}

std::size_t DraftFilter::memoryBytes() const {
  std::size_t lists = 0;
  for (const std::vector<std::uint32_t>& list : lists_)
    lists += list.capacity();
  return (active_.capacity() + members_.capacity() + lists) * sizeof(std::uint32_t) +
         cylinderSums_.capacity() * sizeof(draft_bounds::ExtentSums) +
         epochs_.capacity() * sizeof(Epoch) + passes_.capacity() * sizeof(Pass) +
         windowParts_.capacity() * sizeof(WindowPart) + levels_.memoryBytes();
}
