// The body flattened once for the fast evaluation: every element becomes a record, a run of points
// and a run of water tetrahedra in flat arrays, in the order the body evaluations visit them
// (tetrahedra, cylinders, hexahedra, prisms), with each water tetrahedron's volume and each
// element's whole-element result precomputed, and, for a body with more than tetrahedra, each
// element's box as floats. Built in chunks side by side on the evaluation's threads and never
// changed after; the fast evaluation (fast_evaluation.h) evaluates planes over these records, and
// the draft filter (draft_filter.h) reads them through the accessors below.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "elements/large_pages.h"
#include "geometry/vec3.h"

class FloatingBody;

class FlattenedBody {
 public:
  enum class Kind : std::uint8_t { Tetrahedron, Cylinder, Hexahedron, Prism };
  // The centroid of a water tetrahedron is not stored: (p0 + p1 + p2 + p3) * 0.25 from its points
  // gives the same bits whenever it is needed.
  struct WaterTetrahedron {
    std::uint16_t vertex[4];  // among the points of its element
    double volume;
  };
  struct Element {
    // Its points: a hexahedron's, prism's or tetrahedron's are the body's own element's vertices,
    // read where the body keeps them; a cylinder's are computed once, into the cylinders' points.
    const Vec3* points;
    // firstPoint numbers its points among all the body's (the index of its first height).
    std::uint32_t firstPoint, firstTetrahedron, tetrahedronCount, index;
    Kind kind;
    // Its dry centroid is a finite point: the element, when dry, adds nothing to the sums (0 to
    // the volume, 0 c to the moment), and an evaluation that keeps no element results skips it.
    bool dryCentroidFinite;
    Vec3 wholeCentroid;  // centroid when every vertex is submerged
    // The centroid it reports when every vertex is dry (its volume is then 0): a tetrahedron its
    // own centroid, the others their fallback point, which is their first point (p0 of a
    // hexahedron or prism, axisStart of a cylinder).
    const Vec3& dryCentroid() const {
      return kind == Kind::Tetrahedron ? wholeCentroid : points[0];
    }
  };
  // The elements' boxes, one array per side and axis: lo x, lo y, lo z, hi x, hi y, hi z, rounded
  // outwards to floats; infinite where a coordinate is not a finite number. A normal picks, per
  // axis, the side that lies lowest along it, once: a box's extents then take one product per
  // axis and end, and no comparison.
  static constexpr int kBoxSides = 6;

  // Where each element's points and water tetrahedra begin in the flat arrays, from the elements'
  // counts alone: tetrahedra, hexahedra and prisms have fixed numbers of them, and the cylinders'
  // runs are summed once. A thread can then write any element in its place without waiting for
  // those before it.
  struct Start {
    std::size_t point, tetrahedron;
  };
  struct Layout {
    std::size_t first[5];          // the first element of each kind, in evaluation order; the end
    Start base[4];                 // the first point and water tetrahedron of each kind
    std::vector<Start> cylinders;  // of each cylinder, and one past the last one's
    explicit Layout(const FloatingBody& body);
    Start start(std::size_t e) const;
    Start end() const { return start(first[4]); }
  };

  // Sizes every array exactly for the layout, so that a large body holds no spare capacity;
  // nothing is written yet: prepareChunk fills them, chunk by chunk.
  FlattenedBody(const FloatingBody& body, const Layout& layout);
  FlattenedBody(const FlattenedBody&) = delete;
  FlattenedBody& operator=(const FlattenedBody&) = delete;

  // What one chunk of the preparation finds over its elements [begin, end). The chunks' findings
  // are combined by maxima and a logical and, which give the same bits in any order.
  struct Found {
    std::size_t begin = 0, end = 0;
    bool dryCentroidsFinite = true;
    double boxReach[3] = {0, 0, 0};
    void merge(const Found& other);
  };
  // Makes part `chunk` of `chunks` of every array present and writes the elements of that chunk
  // (about equal numbers of points each), calling visit(e) after writing element e. Run once for
  // every chunk, on any threads; then takeFound with all their findings merged.
  template <typename Visit>
  Found prepareChunk(const Layout& layout, std::size_t chunk, std::size_t chunks, Visit visit) {
    populateArrays(chunk, chunks);
    const auto firstPoint = [&layout](std::size_t e) { return layout.start(e).point; };
    Found found;
    found.begin = chunkByPoints(chunk, chunks, firstPoint);
    found.end = chunkByPoints(chunk + 1, chunks, firstPoint);
    const bool boxed = hasBoxes();
    for (std::size_t e = found.begin; e < found.end; ++e) {
      const bool finite = prepareElement(e, layout);
      found.dryCentroidsFinite = found.dryCentroidsFinite && finite;
      if (boxed)
        addBox(e, found.boxReach);
      visit(e);
    }
    return found;
  }
  void takeFound(const Found& all);

  // The first element of chunk `chunk` of `chunks`, whose chunks hold about equal numbers of
  // points: firstPoint(e) is where element e's points begin.
  template <typename FirstPoint>
  std::size_t chunkByPoints(std::size_t chunk, std::size_t chunks, FirstPoint firstPoint) const {
    if (chunk >= chunks)
      return elements_.size();
    const std::size_t target = pointCount_ * chunk / chunks;
    std::size_t begin = 0, end = elements_.size();
    while (begin < end) {
      const std::size_t middle = begin + (end - begin) / 2;
      if (firstPoint(middle) < target) {
        begin = middle + 1;
      } else {
        end = middle;
      }
    }
    return begin;
  }

  std::size_t elementCount() const { return elements_.size(); }
  const Element& element(std::size_t e) const { return elements_[e]; }
  // One past element e's last point, among all the body's, and its number of points.
  std::uint32_t pointEnd(std::size_t e) const { return pointEnd_[e]; }
  std::uint32_t pointCount(std::size_t e) const { return pointEnd_[e] - elements_[e].firstPoint; }
  std::size_t totalPointCount() const { return pointCount_; }
  // The element's water tetrahedra, tetrahedronCount of them.
  const WaterTetrahedron* waterTetrahedra(const Element& element) const {
    return &tetrahedra_[element.firstTetrahedron];
  }
  std::size_t waterTetrahedronCount() const { return tetrahedra_.size(); }
  // Its volume when wholly submerged, and its centroid times that volume: the moment a buoyancy
  // sum adds for it, read without its record.
  double wholeVolume(std::size_t e) const { return wholeVolume_[e]; }
  const Vec3& wholeMoment(std::size_t e) const { return wholeMoment_[e]; }
  // The boxes are kept for a body with elements other than tetrahedra (whose few points give
  // their heights as cheaply).
  bool hasBoxes() const { return !boxSides_[0].empty(); }
  const float* boxSide(int side) const { return boxSides_[side].data(); }
  // The largest |coordinate| of any finite box, along each axis.
  const double (&boxReach() const)[3] { return boxReach_; }
  // Whether every element's dry centroid is finite.
  bool dryCentroidsFinite() const { return dryCentroidsFinite_; }
  // Asks the memory for element e's record, end and whole volume.
  void prefetchRecord(std::size_t e) const {
    __builtin_prefetch(&elements_[e]);
    __builtin_prefetch(&pointEnd_[e]);
    __builtin_prefetch(&wholeVolume_[e]);
  }
  // Heap memory held, in bytes.
  std::size_t memoryBytes() const;

 private:
  void populateArrays(std::size_t part, std::size_t parts);
  // Writes element e (its points, water tetrahedra, record and whole volume) at its place; returns
  // whether its dry centroid is finite.
  bool prepareElement(std::size_t e, const Layout& layout);
  // The same for an element whose points are those at `points`. split(t, k): index, among the
  // element's points, of vertex k of water tetrahedron t.
  template <typename Split>
  bool addElement(std::size_t e, Kind kind, std::uint32_t index, const Start& start,
                  const Vec3* points, std::uint32_t pointCount, Split split,
                  std::uint32_t tetrahedronCount);
  // A cylinder: its points computed into `points`.
  bool addCylinder(std::size_t e, std::uint32_t index, const Start& start, Vec3* points);
  // A hexahedron or prism: its own vertices, split by its fixed table.
  template <class Solid>
  bool addSolid(std::size_t e, Kind kind, std::uint32_t index, const Solid& solid,
                const Start& start);
  // Writes element e's box and raises reach to its largest |coordinates|.
  void addBox(std::size_t e, double (&reach)[3]);

  const FloatingBody& body_;
  // The arrays are sized at once and filled by the worker threads, each its chunk of elements.
  LargeVector<Vec3> cylinderPoints_;  // the cylinders' points, in order
  std::size_t pointCount_ = 0;        // of all elements
  LargeVector<WaterTetrahedron> tetrahedra_;
  LargeVector<Element> elements_;
  LargeVector<std::uint32_t> pointEnd_;  // per element, one past its last point
  LargeVector<double> wholeVolume_;      // per element, its volume when wholly submerged
  LargeVector<Vec3> wholeMoment_;        // per element, its whole centroid times that volume
  LargeVector<float> boxSides_[kBoxSides];
  double boxReach_[3] = {0, 0, 0};
  bool dryCentroidsFinite_ = true;  // of every element
};
