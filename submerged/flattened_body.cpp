// Flattening the body: lays every element's points and water tetrahedra out in flat arrays from
// the elements' counts alone, sizes the arrays once, and fills them chunk by chunk, each chunk on
// its own thread making its pages present and writing its elements in place (a cylinder's circle
// points computed once, every water tetrahedron's volume and every element's whole volume,
// centroid and box precomputed). Nothing here depends on a plane: the evaluation of planes over
// these records is in fast_evaluation.cpp.
#include "submerged/flattened_body.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <limits>

#include "elements/floating_body.h"
#include "elements/large_pages.h"
#include "submerged/cut_sum.h"
#include "submerged/float_bounds.h"

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

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr float kInfinityF = std::numeric_limits<float>::infinity();

// An element's points and water tetrahedra, by kind, where the kind fixes them.
constexpr std::size_t kTetrahedronPoints = 4;
constexpr std::size_t kHexahedronPoints = Hexahedron::kVertexCount;
constexpr std::size_t kHexahedronTetrahedra = Hexahedron::kTetrahedronCount;
constexpr std::size_t kPrismPoints = TrianglePrism::kVertexCount;
constexpr std::size_t kPrismTetrahedra = TrianglePrism::kTetrahedronCount;

}  // namespace

FlattenedBody::Layout::Layout(const FloatingBody& body)
    : cylinders(static_cast<std::size_t>(body.cylinderCount) + 1) {
  const std::size_t counts[4] = {
      static_cast<std::size_t>(body.tetrahedronCount), static_cast<std::size_t>(body.cylinderCount),
      static_cast<std::size_t>(body.hexahedronCount), static_cast<std::size_t>(body.prismCount)};
  first[0] = 0;
  for (int k = 0; k < 4; ++k)
    first[k + 1] = first[k] + counts[k];
  base[0] = Start{0, 0};
  base[1] = Start{kTetrahedronPoints * counts[0], counts[0]};
  cylinders[0] = base[1];
  for (std::size_t i = 0; i < counts[1]; ++i) {
    const std::size_t n = static_cast<std::size_t>(body.cylinders[i].segmentCount);
    cylinders[i + 1] = Start{cylinders[i].point + 2 * n + 4, cylinders[i].tetrahedron + 3 * n};
  }
  base[2] = cylinders.back();
  base[3] = Start{base[2].point + kHexahedronPoints * counts[2],
                  base[2].tetrahedron + kHexahedronTetrahedra * counts[2]};
}

FlattenedBody::Start FlattenedBody::Layout::start(std::size_t e) const {
  static constexpr Start kEach[4] = {{kTetrahedronPoints, 1},
                                     {0, 0},
                                     {kHexahedronPoints, kHexahedronTetrahedra},
                                     {kPrismPoints, kPrismTetrahedra}};
  if (e >= first[1] && e < first[2])
    return cylinders[e - first[1]];
  const int kind = e < first[1] ? 0 : e < first[3] ? 2 : 3;
  const std::size_t i = e - first[kind];
  return Start{base[kind].point + kEach[kind].point * i,
               base[kind].tetrahedron + kEach[kind].tetrahedron * i};
}

FlattenedBody::FlattenedBody(const FloatingBody& body, const Layout& layout) : body_(body) {
  const Start end = layout.end();
  const std::size_t elements = layout.first[4];
  pointCount_ = end.point;
  sizeLarge(cylinderPoints_, layout.base[2].point - layout.base[1].point);
  sizeLarge(tetrahedra_, end.tetrahedron);
  sizeLarge(elements_, elements);
  sizeLarge(pointEnd_, elements);
  sizeLarge(wholeVolume_, elements);
  sizeLarge(wholeMoment_, elements);
  // Tetrahedra alone have few points per element: their heights are computed with the normal.
  if (layout.first[4] > layout.first[1]) {
    for (LargeVector<float>& side : boxSides_)
      sizeLarge(side, elements);
  }
}

void FlattenedBody::Found::merge(const Found& other) {
  dryCentroidsFinite = dryCentroidsFinite && other.dryCentroidsFinite;
  for (int c = 0; c < 3; ++c)
    boxReach[c] = std::max(boxReach[c], other.boxReach[c]);
}

void FlattenedBody::takeFound(const Found& all) {
  dryCentroidsFinite_ = all.dryCentroidsFinite;
  std::copy(all.boxReach, all.boxReach + 3, boxReach_);
}

// Each thread makes its part of every array present at once, instead of a fault per page as the
// elements are written: on a large body the most variable part of the preparation.
void FlattenedBody::populateArrays(std::size_t part, std::size_t parts) {
  populatePart(cylinderPoints_, part, parts);
  populatePart(tetrahedra_, part, parts);
  populatePart(elements_, part, parts);
  populatePart(pointEnd_, part, parts);
  populatePart(wholeVolume_, part, parts);
  populatePart(wholeMoment_, part, parts);
  for (LargeVector<float>& side : boxSides_)
    populatePart(side, part, parts);
}

bool FlattenedBody::prepareElement(std::size_t e, const Layout& layout) {
  const Start start = layout.start(e);
  if (e < layout.first[1]) {
    static constexpr int kWhole[1][4] = {{0, 1, 2, 3}};
    return addElement(e, Kind::Tetrahedron, static_cast<std::uint32_t>(e), start,
                      body_.tetrahedra[e].vertices, 4, FixedSplit<1>{kWhole}, 1);
  }
  if (e < layout.first[2]) {
    Vec3* points = cylinderPoints_.data() + (start.point - layout.base[1].point);
    return addCylinder(e, static_cast<std::uint32_t>(e - layout.first[1]), start, points);
  }
  if (e < layout.first[3]) {
    const std::size_t i = e - layout.first[2];
    return addSolid(e, Kind::Hexahedron, static_cast<std::uint32_t>(i), body_.hexahedra[i], start);
  }
  const std::size_t i = e - layout.first[3];
  return addSolid(e, Kind::Prism, static_cast<std::uint32_t>(i), body_.prisms[i], start);
}

template <class Solid>
bool FlattenedBody::addSolid(std::size_t e, Kind kind, std::uint32_t index, const Solid& solid,
                             const Start& start) {
  return addElement(e, kind, index, start, solid.vertices, Solid::kVertexCount,
                    FixedSplit<Solid::kTetrahedronCount>{Solid::kSplit}, Solid::kTetrahedronCount);
}

bool FlattenedBody::addCylinder(std::size_t e, std::uint32_t index, const Start& start,
                                Vec3* points) {
  const Cylinder& c = body_.cylinders[index];
  const int n = c.segmentCount;
  // The same points, computed by the same code, as the cylinder's own split, written in place.
  points[0] = c.axisStart;
  points[1] = c.axisEnd;
  for (int i = 0; i <= n; ++i)
    points[2 + i] = c.circlePoint(i);
  const Vec3 h = c.axisEnd - c.axisStart;
  for (int i = 0; i <= n; ++i)
    points[3 + n + i] = points[2 + i] + h;
  return addElement(e, Kind::Cylinder, index, start, points, static_cast<std::uint32_t>(2 * n + 4),
                    CylinderSplit{n}, static_cast<std::uint32_t>(3 * n));
}

template <typename Split>
bool FlattenedBody::addElement(std::size_t e, Kind kind, std::uint32_t index, const Start& start,
                               const Vec3* points, std::uint32_t pointCount, Split split,
                               std::uint32_t tetrahedronCount) {
  Element element;
  element.points = points;
  element.firstPoint = static_cast<std::uint32_t>(start.point);
  element.firstTetrahedron = static_cast<std::uint32_t>(start.tetrahedron);
  element.tetrahedronCount = tetrahedronCount;
  element.index = index;
  element.kind = kind;
  pointEnd_[e] = static_cast<std::uint32_t>(start.point + pointCount);
  WaterTetrahedron* tetrahedra = tetrahedra_.data() + start.tetrahedron;
  // Whole-element result: the cut of every water tetrahedron is the tetrahedron itself, summed
  // exactly as the element's own cut sums it.
  CutSum whole;
  for (std::uint32_t t = 0; t < tetrahedronCount; ++t) {
    WaterTetrahedron w;
    for (int k = 0; k < 4; ++k) {
      assert(split(t, k) >= 0 && split(t, k) <= UINT16_MAX && "vertex index must fit 16 bits");
      w.vertex[k] = static_cast<std::uint16_t>(split(t, k));
    }
    const Tetrahedron solid(points[w.vertex[0]], points[w.vertex[1]], points[w.vertex[2]],
                            points[w.vertex[3]]);
    w.volume = solid.volume();
    tetrahedra[t] = w;
    whole.add(w.volume, solid.centroid());
  }
  if (kind == Kind::Tetrahedron) {
    // A tetrahedron element is cut directly: its own volume and centroid.
    wholeVolume_[e] = tetrahedra[0].volume;
    element.wholeCentroid = Tetrahedron::centroidOf(points[0], points[1], points[2], points[3]);
  } else {
    wholeVolume_[e] = whole.volume;
    element.wholeCentroid = whole.elementCentroid(points[0]);
  }
  element.dryCentroidFinite = isFinite(element.dryCentroid());
  wholeMoment_[e] = element.wholeCentroid * wholeVolume_[e];
  elements_[e] = element;
  return element.dryCentroidFinite;
}

void FlattenedBody::addBox(std::size_t e, double (&reach)[3]) {
  const Vec3* points = elements_[e].points;
  const std::uint32_t pointCount = pointEnd_[e] - elements_[e].firstPoint;
  // The rounding outwards is monotonic, so the floats bounding the extreme doubles bound them all.
  double lo[3] = {kInfinity, kInfinity, kInfinity}, hi[3] = {-kInfinity, -kInfinity, -kInfinity};
  bool finite = true;
  for (std::uint32_t p = 0; p < pointCount; ++p) {
    const double x[3] = {points[p].x, points[p].y, points[p].z};
    for (int c = 0; c < 3; ++c) {
      finite = finite && std::isfinite(x[c]);
      lo[c] = std::min(lo[c], x[c]);
      hi[c] = std::max(hi[c], x[c]);
    }
  }
  float boxLo[3] = {-kInfinityF, -kInfinityF, -kInfinityF};
  float boxHi[3] = {kInfinityF, kInfinityF, kInfinityF};
  for (int c = 0; c < 3 && finite; ++c) {
    boxLo[c] = roundedDown(lo[c]);
    boxHi[c] = roundedUp(hi[c]);
    reach[c] = std::max({reach[c], std::fabs(static_cast<double>(boxLo[c])),
                         std::fabs(static_cast<double>(boxHi[c]))});
  }
  for (int c = 0; c < 3; ++c) {
    boxSides_[c][e] = boxLo[c];
    boxSides_[3 + c][e] = boxHi[c];
  }
}

std::size_t FlattenedBody::memoryBytes() const {
  return cylinderPoints_.capacity() * sizeof(Vec3) +
         tetrahedra_.capacity() * sizeof(WaterTetrahedron) +
         elements_.capacity() * sizeof(Element) + pointEnd_.capacity() * sizeof(std::uint32_t) +
         wholeVolume_.capacity() * sizeof(double) + wholeMoment_.capacity() * sizeof(Vec3) +
         kBoxSides * boxSides_[0].capacity() * sizeof(float);
}
