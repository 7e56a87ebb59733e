#include "submerged/surface_evaluation.h"

#include <algorithm>
#include <cassert>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>

#include "elements/floating_body.h"
#include "submerged/float_bounds.h"

namespace {

constexpr float kInfinityF = std::numeric_limits<float>::infinity();

}  // namespace

void SurfaceEvaluation::Sums::add(const Sums& o) {
  wetAlpha = wetAlpha + o.wetAlpha;
  wetBeta = wetBeta + o.wetBeta;
  cutVolume6 = cutVolume6 + o.cutVolume6;
  mu24 = mu24 + o.mu24;
  mv24 = mv24 + o.mv24;
  mh48 = mh48 + o.mh48;
  area2 = area2 + o.area2;
  u6 = u6 + o.u6;
  v6 = v6 + o.v6;
  uu12 = uu12 + o.uu12;
  vv12 = vv12 + o.vv12;
  uv24 = uv24 + o.uv24;
  crossed = crossed + o.crossed;
}

void SurfaceEvaluation::CompensatedSum::add(double x) {
  const double t = sum + x;
  const double z = t - sum;
  error = error + ((sum - (t - z)) + (x - z));
  sum = t;
}

void SurfaceEvaluation::CompensatedSum::add(const CompensatedSum& o) {
  add(o.sum);
  error = error + o.error;
}

SurfaceEvaluation::SurfaceEvaluation(const TriangleSurface& surface, int threadCount,
                                     std::size_t parallelThreshold)
    : vertices_(surface.vertices),
      triangles_(surface.triangles),
      pool_(surface.triangles.size() >= parallelThreshold ? threadCount : 1),
      parallelThreshold_(parallelThreshold) {
  const BoundingBox box = surface.boundingBox();
  if (!surface.empty()) {
    centre_ =
        Vec3((box.xMin + box.xMax) * 0.5, (box.yMin + box.yMax) * 0.5, (box.zMin + box.zMax) * 0.5);
  }
  parallel_ = pool_.threadCount() > 1;
  coords_.resize(vertices_.size());
  extents_.resize(triangles_.size());
  slopes_.resize(triangles_.size());
  blockSums_.resize((triangles_.size() + kBlockTriangles - 1) / kBlockTriangles);
  if (triangles_.size() <= UINT32_MAX)  // otherwise every search evaluates in full
    active_.resize(triangles_.size());
  searchBlocks_.resize(blockSums_.size());
  if (!active_.empty())
    compact_.resize(std::min(triangles_.size(), kCompactTriangles));
  setNormal(0, 0, 1);
}

std::size_t SurfaceEvaluation::chunkBegin(std::size_t count, int chunk) const {
  const std::size_t chunks = parallel_ ? static_cast<std::size_t>(pool_.threadCount()) : 1;
  return count * static_cast<std::size_t>(chunk) / chunks;
}

void SurfaceEvaluation::setNormal(double A, double B, double C) {
  const Vec3 N(A, B, C);
  if (N == normal_)
    return;  // the per-normal data are those of this normal already
  normal_ = N;
  normalLength_ = N.length();
  WaterplaneProperties frame;
  setPlaneFrame(frame, N);
  frame_ = Frame{frame.normal, frame.axisU, frame.axisV};
  centreHeight_ = frame_.normal.dot(centre_);
  auto vertexJob = [this](int chunk) {
    const Frame f = frame_;  // local copies: the stores below cannot alias them
    const Vec3 c = centre_;
    const std::size_t end = chunkBegin(vertices_.size(), chunk + 1);
    for (std::size_t i = chunkBegin(vertices_.size(), chunk); i < end; ++i) {
      const Vec3 r = vertices_[i] - c;
      coords_[i] = FrameCoords{f.axisU.dot(r), f.axisV.dot(r), f.normal.dot(r)};
    }
  };
  pool_.runChunks(vertexJob, parallel_);
  auto triangleJob = [this](int chunk) {
    const std::size_t end = chunkBegin(triangles_.size(), chunk + 1);
    for (std::size_t t = chunkBegin(triangles_.size(), chunk); t < end; ++t) {
      const FrameCoords& p0 = coords_[triangles_[t].v[0]];
      const FrameCoords& p1 = coords_[triangles_[t].v[1]];
      const FrameCoords& p2 = coords_[triangles_[t].v[2]];
      const double alpha = (p1.u - p0.u) * (p2.v - p0.v) - (p2.u - p0.u) * (p1.v - p0.v);
      const double low = std::min(p0.h, std::min(p1.h, p2.h));
      const double high = std::max(p0.h, std::max(p1.h, p2.h));
      const bool unordered = std::isnan(p0.h) || std::isnan(p1.h) || std::isnan(p2.h);
      // A corner without a height is neither surely dry nor surely submerged: cut it.
      extents_[t] = Extent{unordered ? -kInfinityF : stepBelow(low),
                           unordered ? kInfinityF : stepAbove(high)};
      slopes_[t] = Slope{alpha, alpha * (p0.h + p1.h + p2.h)};
    }
  };
  pool_.runChunks(triangleJob, parallel_);
  beginSearch();
}

// The plane value's offset in the frame: the height above the plane of a vertex is h + offset.
double SurfaceEvaluation::offsetOf(double D) const {
  return centreHeight_ + D / normalLength_;
}

template <typename Moments>
void SurfaceEvaluation::addWholeMoments(const FrameCoords (&p)[3], const double (&h)[3],
                                        double alpha, Moments& sums) {
  const double hSum = h[0] + h[1] + h[2];
  const double uSum = p[0].u + p[1].u + p[2].u;
  const double vSum = p[0].v + p[1].v + p[2].v;
  sums.mu24 = sums.mu24 + alpha * (p[0].u * h[0] + p[1].u * h[1] + p[2].u * h[2] + uSum * hSum);
  sums.mv24 = sums.mv24 + alpha * (p[0].v * h[0] + p[1].v * h[1] + p[2].v * h[2] + vSum * hSum);
  sums.mh48 = sums.mh48 + alpha * (h[0] * h[0] + h[1] * h[1] + h[2] * h[2] + hSum * hSum);
}

inline void SurfaceEvaluation::addWetTriangle(const TriangleSurface::Triangle& t, const Slope& s,
                                              double offset, WetMoments& wet) const {
  const FrameCoords p[3] = {coords_[t.v[0]], coords_[t.v[1]], coords_[t.v[2]]};
  const double h[3] = {p[0].h + offset, p[1].h + offset, p[2].h + offset};
  wet.alpha = wet.alpha + s.alpha;
  wet.beta = wet.beta + s.beta;
  addWholeMoments(p, h, s.alpha, wet);
}

// One piece of the cap's boundary, run counter-clockwise seen from above (from the dry side):
// Green's theorem turns the cap's integrals of 1, u, v, u^2, v^2 and u v into sums over its
// boundary segments, each the integral over the triangle (origin, in, out).
void SurfaceEvaluation::addSegment(const Point2& in, const Point2& out, Sums& sums) {
  ++sums.crossed;
  const double cross = in.u * out.v - out.u * in.v;
  sums.area2 = sums.area2 + cross;
  sums.u6 = sums.u6 + (in.u + out.u) * cross;
  sums.v6 = sums.v6 + (in.v + out.v) * cross;
  sums.uu12 = sums.uu12 + (in.u * in.u + in.u * out.u + out.u * out.u) * cross;
  sums.vv12 = sums.vv12 + (in.v * in.v + in.v * out.v + out.v * out.v) * cross;
  sums.uv24 =
      sums.uv24 + (in.u * out.v + 2 * in.u * in.v + 2 * out.u * out.v + out.u * in.v) * cross;
}

// Where the plane cuts the edge from the submerged end w (height hw <= 0) to the dry end d
// (hd > 0), in the plane's coordinates. Computed from w, so both triangles of the edge get the
// same point, and w itself when hw is 0. t lies in [0, 1]: |hw - hd| >= |hw| also after rounding.
SurfaceEvaluation::Point2 SurfaceEvaluation::cutPoint(const FrameCoords& w, double hw,
                                                      const FrameCoords& d, double hd) {
  const double t = hw / (hw - hd);
  return Point2{w.u + (d.u - w.u) * t, w.v + (d.v - w.v) * t};
}

template <SurfaceEvaluation::Pass pass>
void SurfaceEvaluation::cutTriangle(const TriangleSurface::Triangle& t, const Slope& s,
                                    double offset, Sums& sums) const {
  cutCorners<pass>(cornersOf(t), s, offset, sums);
}

template <SurfaceEvaluation::Pass pass>
void SurfaceEvaluation::cutCorners(const Corners& corners, const Slope& s, double offset,
                                   Sums& sums) {
  const FrameCoords(&p)[3] = corners.p;
  const double h[3] = {p[0].h + offset, p[1].h + offset, p[2].h + offset};
  const bool wet[3] = {h[0] <= 0, h[1] <= 0, h[2] <= 0};
  const int wetCount = wet[0] + wet[1] + wet[2];
  switch (wetCount) {
    case 0:  // wholly dry
      return;
    case 3:  // wholly submerged, also when touching the plane
      if (pass != Pass::kWaterplane) {
        sums.wetAlpha = sums.wetAlpha + s.alpha;
        sums.wetBeta = sums.wetBeta + s.beta;
      }
      if (pass == Pass::kBuoyancy)
        addWholeMoments(p, h, s.alpha, sums);
      return;
    case 1: {  // the piece is the triangle (w, out, in) with h = 0 at the cut points
      const int k = wet[0] ? 0 : wet[1] ? 1 : 2;
      const FrameCoords& w = p[k];
      const double hw = h[k];
      const int k1 = (k + 1) % 3, k2 = (k + 2) % 3;
      const Point2 out = cutPoint(w, hw, p[k1], h[k1]);  // on the edge w -> next
      const Point2 in = cutPoint(w, hw, p[k2], h[k2]);   // on the edge previous -> w
      if (pass != Pass::kVolume)
        addSegment(in, out, sums);
      if (pass == Pass::kWaterplane)
        return;
      const double alpha = (out.u - w.u) * (in.v - w.v) - (in.u - w.u) * (out.v - w.v);
      sums.cutVolume6 = sums.cutVolume6 + alpha * hw;
      if (pass == Pass::kBuoyancy) {
        sums.mu24 = sums.mu24 + alpha * hw * (2 * w.u + out.u + in.u);
        sums.mv24 = sums.mv24 + alpha * hw * (2 * w.v + out.v + in.v);
        sums.mh48 = sums.mh48 + alpha * (2 * hw * hw);
      }
      return;
    }
    case 2: {  // the piece is the quadrilateral (in, w1, w2, out)
      const int k = !wet[0] ? 0 : !wet[1] ? 1 : 2;
      const int k1 = (k + 1) % 3, k2 = (k + 2) % 3;
      const FrameCoords &w1 = p[k1], &w2 = p[k2];
      const double h1 = h[k1], h2 = h[k2];
      const Point2 in = cutPoint(w1, h1, p[k], h[k]);   // on the edge dry -> w1
      const Point2 out = cutPoint(w2, h2, p[k], h[k]);  // on the edge w2 -> dry
      if (pass != Pass::kVolume)
        addSegment(in, out, sums);
      if (pass == Pass::kWaterplane)
        return;
      // Two triangles: (w1, w2, out) and (w1, out, in).
      const double a1 = (w2.u - w1.u) * (out.v - w1.v) - (out.u - w1.u) * (w2.v - w1.v);
      const double a2 = (out.u - w1.u) * (in.v - w1.v) - (in.u - w1.u) * (out.v - w1.v);
      sums.cutVolume6 = sums.cutVolume6 + (a1 * (h1 + h2) + a2 * h1);
      if (pass == Pass::kBuoyancy) {
        const double hSum = h1 + h2;
        sums.mu24 = sums.mu24 + (a1 * (w1.u * h1 + w2.u * h2 + (w1.u + w2.u + out.u) * hSum) +
                                 a2 * h1 * (2 * w1.u + out.u + in.u));
        sums.mv24 = sums.mv24 + (a1 * (w1.v * h1 + w2.v * h2 + (w1.v + w2.v + out.v) * hSum) +
                                 a2 * h1 * (2 * w1.v + out.v + in.v));
        sums.mh48 = sums.mh48 + (a1 * (h1 * h1 + h2 * h2 + hSum * hSum) + a2 * (2 * h1 * h1));
      }
      return;
    }
    default:
      assert(false);
  }
}

// The wholly submerged triangles are summed apart from the cut ones, in registers.
template <SurfaceEvaluation::Pass pass>
void SurfaceEvaluation::sumBlock(std::size_t block, double offset, Sums& sums) const {
  const std::size_t begin = block * kBlockTriangles;
  const std::size_t end = std::min(begin + kBlockTriangles, triangles_.size());
  const Extent* extents = extents_.data();
  const Slope* slopes = slopes_.data();
  WetMoments wet;
  for (std::size_t t = begin; t < end; ++t) {
    const Extent& e = extents[t];
    if (static_cast<double>(e.highest) + offset <= 0) {
      // Wholly submerged: no part of the cap's boundary.
      if (pass == Pass::kVolume) {
        wet.alpha = wet.alpha + slopes[t].alpha;
        wet.beta = wet.beta + slopes[t].beta;
      } else if (pass == Pass::kBuoyancy) {
        addWetTriangle(triangles_[t], slopes[t], offset, wet);  // the moments need the corners
      }
    } else if (!(static_cast<double>(e.lowest) + offset > 0)) {
      cutTriangle<pass>(triangles_[t], slopes[t], offset, sums);
    }
  }
  sums.wetAlpha = sums.wetAlpha + wet.alpha;
  sums.wetBeta = sums.wetBeta + wet.beta;
  sums.mu24 = sums.mu24 + wet.mu24;
  sums.mv24 = sums.mv24 + wet.mv24;
  sums.mh48 = sums.mh48 + wet.mh48;
}

template <SurfaceEvaluation::Pass pass>
SurfaceEvaluation::Sums SurfaceEvaluation::evaluateAll(double offset) {
  auto job = [this, offset](int chunk) {
    const std::size_t end = chunkBegin(blockSums_.size(), chunk + 1);
    for (std::size_t b = chunkBegin(blockSums_.size(), chunk); b < end; ++b) {
      Sums sums;
      sumBlock<pass>(b, offset, sums);
      blockSums_[b] = sums;
    }
  };
  pool_.runChunks(job, parallel_);
  Sums total;
  for (const Sums& b : blockSums_)
    total.add(b);
  return total;
}

double SurfaceEvaluation::submergedVolume(double D) {
  const double offset = offsetOf(D);
  const Sums s = evaluateAll<Pass::kVolume>(offset);
  return (s.wetBeta + 3 * offset * s.wetAlpha + s.cutVolume6) / 6;
}

void SurfaceEvaluation::beginSearch() {
  allActive_ = true;
  activeCount_ = triangles_.size();
  appliedMin_ = wantedMin_ = -HUGE_VAL;
  appliedMax_ = wantedMax_ = HUGE_VAL;
  belowAlpha_ = CompensatedSum{};
  belowBeta_ = CompensatedSum{};
  compacted_ = false;
}

// In offsets: a higher plane has the smaller offset.
void SurfaceEvaluation::narrowSearch(double D1, double D2) {
  const double a = offsetOf(D1), b = offsetOf(D2);
  if (std::isnan(a) || std::isnan(b))
    return;
  wantedMin_ = std::max(std::min(a, b), appliedMin_);
  wantedMax_ = std::min(std::max(a, b), appliedMax_);
}

// One block of the active set against the bracket [offsetMin, offsetMax], the kept triangles
// moved to the block's front and evaluated at offset. A triangle under water at the bracket's
// lowest plane (offsetMax) is so at every plane left, by the monotonic rounding of h + offset,
// and one dry at its highest plane (offsetMin) is dry at every plane left.
void SurfaceEvaluation::searchBlock(std::size_t block, double offsetMin, double offsetMax,
                                    double offset, SearchBlock& out) {
  const bool all = allActive_;
  const std::size_t begin = block * kBlockTriangles;
  const std::size_t end =
      all ? std::min(begin + kBlockTriangles, triangles_.size()) : begin + out.kept;
  const Extent* extents = extents_.data();
  const Slope* slopes = slopes_.data();
  std::uint32_t* active = active_.data();
  CompensatedSum belowAlpha, belowBeta;
  double wetAlpha = 0, wetBeta = 0;
  Sums cut;
  std::size_t kept = begin;
  for (std::size_t i = begin; i < end; ++i) {
    const std::uint32_t t = all ? static_cast<std::uint32_t>(i) : active[i];
    const double lowest = extents[t].lowest, highest = extents[t].highest;
    if (highest + offsetMax <= 0) {
      belowAlpha.add(slopes[t].alpha);
      belowBeta.add(slopes[t].beta);
      continue;
    }
    if (lowest + offsetMin > 0)
      continue;
    active[kept++] = t;
    if (highest + offset <= 0) {
      wetAlpha = wetAlpha + slopes[t].alpha;
      wetBeta = wetBeta + slopes[t].beta;
    } else if (!(lowest + offset > 0)) {
      cutTriangle<Pass::kVolume>(triangles_[t], slopes[t], offset, cut);
    }
  }
  out = SearchBlock{belowAlpha,     belowBeta,   wetAlpha + cut.wetAlpha, wetBeta + cut.wetBeta,
                    cut.cutVolume6, kept - begin};
}

// The blocks' sums added in order. Their kept entries stay at the front of each block's place
// (moving them together would cost more than the passes save), so every pass has the same
// blocks, each with fewer entries.
void SurfaceEvaluation::joinSearchBlocks(std::size_t blocks, double& wetAlpha, double& wetBeta,
                                         double& cutVolume6) {
  std::size_t count = 0;
  wetAlpha = wetBeta = cutVolume6 = 0;
  for (std::size_t b = 0; b < blocks; ++b) {
    const SearchBlock& r = searchBlocks_[b];
    count += r.kept;
    belowAlpha_.add(r.belowAlpha);
    belowBeta_.add(r.belowBeta);
    wetAlpha = wetAlpha + r.wetAlpha;
    wetBeta = wetBeta + r.wetBeta;
    cutVolume6 = cutVolume6 + r.cutVolume6;
  }
  activeCount_ = count;
  allActive_ = false;
}

void SurfaceEvaluation::compactActiveSet() {
  CompactTriangle* to = compact_.data();
  for (std::size_t b = 0; b < searchBlocks_.size(); ++b) {
    const std::uint32_t* from = active_.data() + b * kBlockTriangles;
    for (std::size_t i = 0; i < searchBlocks_[b].kept; ++i) {
      const std::uint32_t t = from[i];
      *to++ = CompactTriangle{cornersOf(triangles_[t]), slopes_[t], extents_[t]};
    }
  }
  compacted_ = true;
}

// searchBlock on the copies, all in one block: the same decisions and sums per triangle.
void SurfaceEvaluation::searchCompact(double offsetMin, double offsetMax, double offset,
                                      SearchBlock& out) {
  CompactTriangle* set = compact_.data();
  CompensatedSum belowAlpha, belowBeta;
  double wetAlpha = 0, wetBeta = 0;
  Sums cut;
  std::size_t kept = 0;
  for (std::size_t i = 0; i < activeCount_; ++i) {
    const CompactTriangle& c = set[i];
    const double lowest = c.extent.lowest, highest = c.extent.highest;
    if (highest + offsetMax <= 0) {
      belowAlpha.add(c.slope.alpha);
      belowBeta.add(c.slope.beta);
      continue;
    }
    if (lowest + offsetMin > 0)
      continue;
    if (highest + offset <= 0) {
      wetAlpha = wetAlpha + c.slope.alpha;
      wetBeta = wetBeta + c.slope.beta;
    } else if (!(lowest + offset > 0)) {
      cutCorners<Pass::kVolume>(c.corners, c.slope, offset, cut);
    }
    if (kept != i)
      set[kept] = c;
    ++kept;
  }
  out = SearchBlock{belowAlpha,     belowBeta, wetAlpha + cut.wetAlpha, wetBeta + cut.wetBeta,
                    cut.cutVolume6, kept};
}

double SurfaceEvaluation::searchVolume(double D) {
  const double offset = offsetOf(D);
  const bool bounded = wantedMin_ > -HUGE_VAL || wantedMax_ < HUGE_VAL;
  if (!bounded || active_.empty() || !(wantedMin_ <= offset && offset <= wantedMax_))
    return submergedVolume(D);
  double wetAlpha, wetBeta, cutVolume6;
  if (compacted_) {
    SearchBlock r;
    searchCompact(wantedMin_, wantedMax_, offset, r);
    activeCount_ = r.kept;
    belowAlpha_.add(r.belowAlpha);
    belowBeta_.add(r.belowBeta);
    wetAlpha = r.wetAlpha;
    wetBeta = r.wetBeta;
    cutVolume6 = r.cutVolume6;
  } else {
    searchActiveSet(offset, wetAlpha, wetBeta, cutVolume6);
    if (activeCount_ <= compact_.size())
      compactActiveSet();
  }
  appliedMin_ = wantedMin_;
  appliedMax_ = wantedMax_;
  const double alpha = belowAlpha_.value() + wetAlpha;
  const double beta = belowBeta_.value() + wetBeta;
  return (beta + 3 * offset * alpha + cutVolume6) / 6;
}

// One pass over the active set in blocks, on the threads while the set is large.
void SurfaceEvaluation::searchActiveSet(double offset, double& wetAlpha, double& wetBeta,
                                        double& cutVolume6) {
  const std::size_t blocks = searchBlocks_.size();
  // Threads only while the set is large: a few thousand triangles are summed sooner alone.
  const std::size_t chunks =
      parallel_ && activeCount_ >= parallelThreshold_ / 4 ? pool_.threadCount() : 1;
  auto job = [this, blocks, chunks, offset](int chunk) {
    const auto c = static_cast<std::size_t>(chunk);
    for (std::size_t b = blocks * c / chunks; b < blocks * (c + 1) / chunks; ++b)
      searchBlock(b, wantedMin_, wantedMax_, offset, searchBlocks_[b]);
  };
  pool_.runChunks(job, chunks > 1);
  joinSearchBlocks(blocks, wetAlpha, wetBeta, cutVolume6);
}

void SurfaceEvaluation::buoyancy(double& volume, Vec3& centre, const Plane& plane) {
  const double offset = offsetOf(plane.D);
  const Sums s = evaluateAll<Pass::kBuoyancy>(offset);
  volume = (s.wetBeta + 3 * offset * s.wetAlpha + s.cutVolume6) / 6;
  if (volume == 0) {
    centre = Vec3(0, 0, 0);
    return;
  }
  // The centroid in the frame: (u, v) and its height above the plane, h = H + offset.
  const double u = s.mu24 / 24 / volume;
  const double v = s.mv24 / 24 / volume;
  const double h = s.mh48 / 48 / volume;
  centre = centre_ + frame_.axisU * u + frame_.axisV * v + frame_.normal * (h - offset);
}

WaterplaneProperties SurfaceEvaluation::waterplane(const Plane& plane) {
  const double offset = offsetOf(plane.D);
  const Sums s = evaluateAll<Pass::kWaterplane>(offset);
  WaterplaneProperties w;
  w.normal = frame_.normal;
  w.axisU = frame_.axisU;
  w.axisV = frame_.axisV;
  w.crossedTetrahedronCount = static_cast<int>(std::min<std::size_t>(s.crossed, INT_MAX));
  w.area = s.area2 / 2;
  if (w.area == 0) {  // the foot of the first corner on the plane, as for elements
    const Vec3 first = triangles_.empty() ? Vec3(0, 0, 0) : vertices_[triangles_[0].v[0]];
    w.centreOfFlotation = first - frame_.normal * (plane.value(first) / normalLength_);
    w.Iuu = w.Ivv = w.Iuv = 0;
    return w;
  }
  const double uF = s.u6 / 6 / w.area;
  const double vF = s.v6 / 6 / w.area;
  w.centreOfFlotation = centre_ + frame_.axisU * uF + frame_.axisV * vF - frame_.normal * offset;
  w.Iuu = s.vv12 / 12 - w.area * vF * vF;
  w.Ivv = s.uu12 / 12 - w.area * uF * uF;
  w.Iuv = s.uv24 / 24 - w.area * uF * vF;
  return w;
}

std::size_t SurfaceEvaluation::memoryBytes() const {
  return coords_.capacity() * sizeof(FrameCoords) + extents_.capacity() * sizeof(Extent) +
         slopes_.capacity() * sizeof(Slope) + blockSums_.capacity() * sizeof(Sums) +
         active_.capacity() * sizeof(std::uint32_t) +
         searchBlocks_.capacity() * sizeof(SearchBlock) +
         compact_.capacity() * sizeof(CompactTriangle);
}

SurfaceEvaluation& surfaceEvaluationOf(FloatingBody& body) {
  if (!body.surfaceEvaluation)
    body.surfaceEvaluation = std::make_shared<SurfaceEvaluation>(body.surface, 1);
  return *body.surfaceEvaluation;
}

WaterplaneProperties surfaceWaterplane(const FloatingBody& body, const Plane& plane) {
  if (body.surfaceEvaluation) {
    body.surfaceEvaluation->setNormal(plane.A, plane.B, plane.C);
    return body.surfaceEvaluation->waterplane(plane);
  }
  SurfaceEvaluation evaluation(body.surface, 1);
  evaluation.setNormal(plane.A, plane.B, plane.C);
  return evaluation.waterplane(plane);
}
