#include "submerged/fast_evaluation.h"

#include <cmath>
#include <limits>

#include "elements/floating_body.h"
#include "submerged/element_cut.h"

namespace {

// Index tables of the fixed splits, as callables split(t, k).
template <int Rows>
struct FixedSplit {
  const int (&table)[Rows][4];
  int operator()(std::uint32_t t, int k) const { return table[t][k]; }
};

// A cylinder's points are laid out as [axisStart, axisEnd, C0 .. Cn, C0 + H .. Cn + H]. Sector i is
// the prism (axisStart, Ci, Ci+1, axisEnd, Ci + H, Ci+1 + H), split like every triangle prism.
struct CylinderSplit {
  int n;
  int operator()(std::uint32_t t, int k) const {
    const int i = static_cast<int>(t / 3);
    const int prism[6] = {0, 2 + i, 3 + i, 1, 3 + n + i, 4 + n + i};
    return prism[TrianglePrism::kSplit[t % 3][k]];
  }
};

}  // namespace

void FloatingBody::prepareFastEvaluation(int threadCount) {
  fastEvaluation.reset();  // first release the old one's memory and threads
  fastEvaluation = std::make_shared<FastEvaluation>(*this, threadCount);
}

FastEvaluation::FastEvaluation(FloatingBody& body, int threadCount, std::size_t parallelThreshold)
    : body_(body), pool_(threadCount) {
  for (int i = 0; i < body.tetrahedronCount; ++i) {
    static constexpr int kWhole[1][4] = {{0, 1, 2, 3}};
    const Tetrahedron& t = body.tetrahedra[i];
    addElement(Kind::Tetrahedron, i, t.vertices, 4, FixedSplit<1>{kWhole}, 1, t.centroid());
  }
  for (int i = 0; i < body.cylinderCount; ++i)
    addCylinder(i);
  for (int i = 0; i < body.hexahedronCount; ++i) {
    const Hexahedron& h = body.hexahedra[i];
    addElement(Kind::Hexahedron, i, h.vertices, Hexahedron::kVertexCount,
               FixedSplit<Hexahedron::kTetrahedronCount>{Hexahedron::kSplit},
               Hexahedron::kTetrahedronCount, h.vertices[0]);
  }
  for (int i = 0; i < body.prismCount; ++i) {
    const TrianglePrism& p = body.prisms[i];
    addElement(Kind::Prism, i, p.vertices, TrianglePrism::kVertexCount,
               FixedSplit<TrianglePrism::kTetrahedronCount>{TrianglePrism::kSplit},
               TrianglePrism::kTetrahedronCount, p.vertices[0]);
  }
  heights_.resize(points_.size());
  lowest_.resize(elements_.size());
  highest_.resize(elements_.size());
  results_.resize(elements_.size());
  parallel_ = pool_.threadCount() > 1 && tetrahedra_.size() >= parallelThreshold;
  setNormal(0, 0, 1);
}

void FastEvaluation::addCylinder(std::uint32_t index) {
  Cylinder& c = body_.cylinders[index];
  const int n = c.segmentCount;
  // The same points, computed by the same code, as the cylinder's own split.
  std::vector<Vec3> points;
  points.reserve(static_cast<std::size_t>(2 * n + 4));
  points.push_back(c.axisStart);
  points.push_back(c.axisEnd);
  for (int i = 0; i <= n; ++i)
    points.push_back(c.circlePoint(i));
  const Vec3 h = c.axisEnd - c.axisStart;
  for (int i = 0; i <= n; ++i)
    points.push_back(points[static_cast<std::size_t>(2 + i)] + h);
  addElement(Kind::Cylinder, index, points.data(), static_cast<std::uint32_t>(points.size()),
             CylinderSplit{n}, static_cast<std::uint32_t>(3 * n), c.axisStart);
}

template <typename Split>
void FastEvaluation::addElement(Kind kind, std::uint32_t index, const Vec3* points,
                                std::uint32_t pointCount, Split split,
                                std::uint32_t tetrahedronCount, const Vec3& fallback) {
  Element e;
  e.firstPoint = static_cast<std::uint32_t>(points_.size());
  e.pointCount = pointCount;
  e.firstTetrahedron = static_cast<std::uint32_t>(tetrahedra_.size());
  e.tetrahedronCount = tetrahedronCount;
  e.index = index;
  e.kind = kind;
  points_.insert(points_.end(), points, points + pointCount);
  // Whole-element result: the cut of every water tetrahedron is the tetrahedron itself, summed
  // exactly as the element's own cut sums it.
  double volume = 0;
  Vec3 moment(0, 0, 0);
  for (std::uint32_t t = 0; t < tetrahedronCount; ++t) {
    WaterTetrahedron w;
    for (int k = 0; k < 4; ++k)
      w.vertex[k] = e.firstPoint + static_cast<std::uint32_t>(split(t, k));
    const Tetrahedron solid(points[split(t, 0)], points[split(t, 1)], points[split(t, 2)],
                            points[split(t, 3)]);
    w.volume = solid.volume();
    w.centroid = solid.centroid();
    tetrahedra_.push_back(w);
    volume = volume + w.volume;
    moment = w.centroid * w.volume + moment;
  }
  if (kind == Kind::Tetrahedron) {
    // A tetrahedron element is cut directly: its own volume and centroid, or its vertex mean.
    e.wholeVolume = tetrahedra_.back().volume;
    e.wholeCentroid = tetrahedra_.back().centroid;
    e.dryCentroid = fallback;
  } else {
    e.wholeVolume = volume;
    e.wholeCentroid = std::fabs(volume) < 1e-20 ? fallback : moment / volume;
    e.dryCentroid = fallback;
  }
  elements_.push_back(e);
}

std::size_t FastEvaluation::chunkBegin(int chunk) const {
  const std::size_t chunks = parallel_ ? static_cast<std::size_t>(pool_.threadCount()) : 1;
  return elements_.size() * static_cast<std::size_t>(chunk) / chunks;
}

void FastEvaluation::setNormal(double A, double B, double C) {
  plane_.set(A, B, C, 0);
  auto job = [this](int chunk) {
    for (std::size_t e = chunkBegin(chunk); e < chunkBegin(chunk + 1); ++e) {
      const Element& element = elements_[e];
      double low = std::numeric_limits<double>::infinity();
      double high = -low;
      bool unordered = false;
      for (std::uint32_t p = element.firstPoint; p < element.firstPoint + element.pointCount; ++p) {
        const double h = plane_.height(points_[p]);
        heights_[p] = h;
        unordered = unordered || std::isnan(h);
        if (h < low)
          low = h;
        if (h > high)
          high = h;
      }
      // A point without a height (degenerate geometry) is neither dry nor submerged for sure:
      // such an element always takes the tetrahedron-by-tetrahedron path, like the reference.
      lowest_[e] = unordered ? -std::numeric_limits<double>::infinity() : low;
      highest_[e] = unordered ? std::numeric_limits<double>::infinity() : high;
    }
  };
  if (parallel_) {
    pool_.forEachChunk(job);
  } else {
    job(0);
  }
}

FastEvaluation::Result FastEvaluation::cutWaterTetrahedron(const WaterTetrahedron& t,
                                                           double D) const {
  bool allSubmerged = true;
  bool allDry = true;
  for (int k = 0; k < 4; ++k) {
    const double value = heights_[t.vertex[k]] + D;
    allSubmerged = allSubmerged && value <= 0;
    allDry = allDry && value > 0;
  }
  if (allSubmerged)
    return Result{t.volume, t.centroid};
  if (allDry)
    return Result{0, t.centroid};
  Tetrahedron solid(points_[t.vertex[0]], points_[t.vertex[1]], points_[t.vertex[2]],
                    points_[t.vertex[3]]);
  solid.waterPlane = plane_;
  solid.waterPlane.D = D;
  solid.computeSubmergedPart();
  return Result{solid.submergedVolume, solid.submergedCentroid};
}

FastEvaluation::Result FastEvaluation::evaluateElement(const Element& element, double D) const {
  const std::size_t e = static_cast<std::size_t>(&element - elements_.data());
  if (highest_[e] + D <= 0)
    return Result{element.wholeVolume, element.wholeCentroid};
  if (lowest_[e] + D > 0)
    return Result{0, element.dryCentroid};
  const WaterTetrahedron* t = &tetrahedra_[element.firstTetrahedron];
  if (element.kind == Kind::Tetrahedron)
    return cutWaterTetrahedron(*t, D);
  double volume = 0;
  Vec3 moment(0, 0, 0);
  for (std::uint32_t i = 0; i < element.tetrahedronCount; ++i) {
    const Result part = cutWaterTetrahedron(t[i], D);
    volume = volume + part.volume;
    moment = part.centroid * part.volume + moment;
  }
  if (std::fabs(volume) < 1e-20)
    return Result{volume, element.dryCentroid};
  return Result{volume, moment / volume};
}

void FastEvaluation::evaluateAll(double D) {
  auto job = [this, D](int chunk) {
    for (std::size_t e = chunkBegin(chunk); e < chunkBegin(chunk + 1); ++e) {
      results_[e] = evaluateElement(elements_[e], D);
    }
  };
  if (parallel_) {
    pool_.forEachChunk(job);
  } else {
    job(0);
  }
}

double FastEvaluation::submergedVolume(double D) {
  evaluateAll(D);
  double volume = 0;
  for (const Result& r : results_)
    volume = volume + r.volume;
  return volume;
}

void FastEvaluation::buoyancy(double& volume, Vec3& centre, const Plane& plane) {
  evaluateAll(plane.D);
  double total = 0;
  Vec3 moment(0, 0, 0);
  for (const Result& r : results_) {
    total = total + r.volume;
    moment = r.centroid * r.volume + moment;
  }
  volume = total;
  centre = total == 0 ? Vec3(0, 0, 0) : moment / total;
  writeElementResults(plane);
}

void FastEvaluation::writeElementResults(const Plane& plane) {
  for (std::size_t e = 0; e < elements_.size(); ++e) {
    const Element& element = elements_[e];
    const Result& r = results_[e];
    switch (element.kind) {
      case Kind::Tetrahedron: {
        Tetrahedron& t = body_.tetrahedra[element.index];
        t.waterPlane = plane;
        t.submergedVolume = r.volume;
        t.submergedCentroid = r.centroid;
        break;
      }
      case Kind::Cylinder: {
        Cylinder& c = body_.cylinders[element.index];
        c.waterPlane = plane;
        c.submergedVolume = r.volume;
        c.submergedCentroid = r.centroid;
        break;
      }
      case Kind::Hexahedron: {
        Hexahedron& h = body_.hexahedra[element.index];
        h.waterPlane = plane;
        h.submergedVolume = r.volume;
        h.submergedCentroid = r.centroid;
        break;
      }
      case Kind::Prism: {
        TrianglePrism& p = body_.prisms[element.index];
        p.waterPlane = plane;
        p.submergedVolume = r.volume;
        p.submergedCentroid = r.centroid;
        break;
      }
    }
  }
}

std::size_t FastEvaluation::memoryBytes() const {
  return points_.capacity() * sizeof(Vec3) + tetrahedra_.capacity() * sizeof(WaterTetrahedron) +
         elements_.capacity() * sizeof(Element) + heights_.capacity() * sizeof(double) +
         (lowest_.capacity() + highest_.capacity()) * sizeof(double) +
         results_.capacity() * sizeof(Result);
}
