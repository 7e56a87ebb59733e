#include "app/report/body_outline.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <numeric>
#include <tuple>
#include <type_traits>
#include <unordered_map>
#include <utility>

namespace {

// Faces of the element kinds as vertex loops, each ended by -1.
constexpr int kTetrahedronFaces[] = {0, 1, 2, -1, 0, 1, 3, -1, 0, 2, 3, -1, 1, 2, 3, -1};
constexpr int kHexahedronFaces[] = {0, 1, 2, 3, -1, 4, 5, 6, 7, -1, 0, 1, 5, 4, -1,
                                    1, 2, 6, 5, -1, 2, 3, 7, 6, -1, 3, 0, 4, 7, -1};
constexpr int kPrismFaces[] = {0,  1, 2, -1, 3, 4,  5, -1, 0, 1, 4, 3,
                               -1, 1, 2, 5,  4, -1, 2, 0,  3, 5, -1};

// Faces are matched on a grid this fine, relative to the bounds' diagonal: the ends of stacked
// cylinders, computed from different axis points, agree only to rounding.
constexpr double kFaceGrid = 1e-6;

std::uint64_t mix(std::uint64_t h, std::uint64_t v) {
  h ^= v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
  h ^= h >> 31;
  h *= 0xbf58476d1ce4e5b9ULL;
  return h ^ (h >> 29);
}

// Hashes faces by their corners on the grid, whatever the order of the corners.
class FaceHasher {
 public:
  explicit FaceHasher(const BoundingBox& b)
      : origin_(b.xMin, b.yMin, b.zMin), step_(std::fmax(kFaceGrid * b.diagonal(), 1e-300)) {}
  template <typename Point>
  std::uint64_t operator()(int count, Point point) {
    corners_.clear();
    for (int i = 0; i < count; ++i) {
      const Vec3 q = (point(i) - origin_) / step_;
      corners_.push_back({std::llround(q.x), std::llround(q.y), std::llround(q.z)});
    }
    std::sort(corners_.begin(), corners_.end());
    std::uint64_t h = static_cast<std::uint64_t>(count);
    for (const auto& c : corners_) {
      for (const long long v : c)
        h = mix(h, static_cast<std::uint64_t>(v));
    }
    return h;
  }

 private:
  Vec3 origin_;
  double step_;
  std::vector<std::array<long long, 3>> corners_;
};

// The face loops of the solid kinds, each loop ended by -1.
template <typename Solid>
struct FaceTable;
template <>
struct FaceTable<Tetrahedron> {
  static constexpr const int* loops = kTetrahedronFaces;
  static constexpr size_t size = std::size(kTetrahedronFaces);
};
template <>
struct FaceTable<Hexahedron> {
  static constexpr const int* loops = kHexahedronFaces;
  static constexpr size_t size = std::size(kHexahedronFaces);
};
template <>
struct FaceTable<TrianglePrism> {
  static constexpr const int* loops = kPrismFaces;
  static constexpr size_t size = std::size(kPrismFaces);
};

template <typename Element>
constexpr bool isCylinder = std::is_same_v<std::decay_t<Element>, Cylinder>;

// Calls visit(element, face, hash) for every face in the body's element order (for a cylinder its
// two ends only), counting the elements from 0.
template <typename Visit>
void forEachFace(const FloatingBody& body, Visit visit) {
  FaceHasher hash(body.bounds);
  size_t index = 0;
  forEachElement(body, [&](const auto& element) {
    if constexpr (isCylinder<decltype(element)>) {
      const Vec3 h = element.axisEnd - element.axisStart;
      const int n = element.segmentCount;
      visit(index, 0, hash(n, [&](int k) { return element.circlePoint(k); }));
      visit(index, 1, hash(n, [&](int k) { return element.circlePoint(k) + h; }));
    } else {
      using Table = FaceTable<std::decay_t<decltype(element)>>;
      int face = 0;
      for (size_t k = 0, begin = 0; k < Table::size; ++k) {
        if (Table::loops[k] < 0) {
          const int* loop = Table::loops + begin;
          const auto corner = [&](int i) { return element.vertices[loop[i]]; };
          visit(index, face++, hash(static_cast<int>(k - begin), corner));
          begin = k + 1;
        }
      }
    }
    ++index;
  });
}

}  // namespace

namespace {

// The edges of a closed surface with their two triangles: each edge's two uses, one per
// triangle, meet when the uses are sorted by their (smaller, larger) vertex pair.
std::vector<SurfaceFaces::MeshEdge> meshEdgesOf(const TriangleSurface& s) {
  struct Use {
    std::uint64_t key;
    std::uint32_t triangle;
  };
  std::vector<Use> uses;
  uses.reserve(3 * s.triangles.size());
  for (std::uint32_t t = 0; t < s.triangles.size(); ++t) {
    for (int k = 0; k < 3; ++k) {
      const std::uint64_t a = s.triangles[t].v[k], b = s.triangles[t].v[(k + 1) % 3];
      uses.push_back(Use{std::min(a, b) << 32 | std::max(a, b), t});
    }
  }
  std::sort(uses.begin(), uses.end(), [](const Use& x, const Use& y) { return x.key < y.key; });
  std::vector<SurfaceFaces::MeshEdge> edges;
  for (size_t i = 0; i + 1 < uses.size(); ++i) {
    if (uses[i].key == uses[i + 1].key) {
      edges.push_back({static_cast<std::uint32_t>(uses[i].key >> 32),
                       static_cast<std::uint32_t>(uses[i].key), uses[i].triangle,
                       uses[i + 1].triangle});
      ++i;
    }
  }
  return edges;
}

}  // namespace

SurfaceFaces::SurfaceFaces(const FloatingBody& body) : meshEdges_(meshEdgesOf(body.surface)) {
  masks_.assign(static_cast<size_t>(body.tetrahedronCount) +
                    static_cast<size_t>(body.hexahedronCount) +
                    static_cast<size_t>(body.prismCount) + static_cast<size_t>(body.cylinderCount),
                0);
  std::vector<std::uint64_t> hashes;  // in visiting order
  std::vector<std::pair<size_t, int>> faces;
  forEachFace(body, [&](size_t element, int face, std::uint64_t h) {
    hashes.push_back(h);
    faces.emplace_back(element, face);
  });
  std::vector<std::uint64_t> sorted = hashes;
  std::sort(sorted.begin(), sorted.end());
  for (size_t i = 0; i < hashes.size(); ++i) {
    const auto range = std::equal_range(sorted.begin(), sorted.end(), hashes[i]);
    if (range.second - range.first == 1) {
      unsigned char& mask = masks_[faces[i].first];
      mask = static_cast<unsigned char>(mask | 1u << faces[i].second);
    }
  }
}

WaterFrame::WaterFrame(const Plane& water) {
  const double length = std::sqrt(water.A * water.A + water.B * water.B + water.C * water.C);
  up = Vec3(water.A / length, water.B / length, water.C / length);
  offset = water.D / length;
  // The body's x axis laid level; when the body stands on its end, its y axis instead.
  Vec3 axis(1, 0, 0);
  if (std::fabs(up.x) > 0.99)
    axis = Vec3(0, 1, 0);
  ex = axis - up * axis.dot(up);
  ex.normalize();
  ey = up.cross(ex);
}

BodyOutline::BodyOutline(const FloatingBody& body, const SurfaceFaces& surface,
                         const WaterFrame& frame, const ViewPlacement& place)
    : frame_(frame), place_(place) {
  Element e;
  size_t index = 0;
  forEachElement(body, [&](const auto& element) {
    if constexpr (isCylinder<decltype(element)>) {
      addCylinder(element, surface.mask(index++), e);
    } else {
      addSolid(element, surface.mask(index++), e);
    }
  });
  if (!body.surface.empty())
    addMesh(body.surface, surface.meshEdges(), e);
  for (Lines* lines : {&wet_, &dry_, &waterline_})
    lines->merge();
}

template <typename Solid>
void BodyOutline::addSolid(const Solid& solid, unsigned surfaceMask, Element& e) {
  e.points.clear();
  for (const Vec3& v : solid.vertices)
    e.points.push_back(frame_.toWater(v));
  e.faces.assign(FaceTable<Solid>::loops, FaceTable<Solid>::loops + FaceTable<Solid>::size);
  addFaces(e, surfaceMask);
}

// The edges of the element's surface faces and, in plan, the waterline across them.
void BodyOutline::addFaces(const Element& e, unsigned surfaceMask) {
  size_t begin = 0;
  for (size_t k = 0, face = 0; k < e.faces.size(); ++k) {
    if (e.faces[k] >= 0)
      continue;
    if (surfaceMask >> face++ & 1u) {
      addFaceEdges(e, begin, k);
      if (place_.view == View::Plan)
        addFaceWaterline(e, begin, k);
    }
    begin = k + 1;
  }
}

void BodyOutline::addFaceEdges(const Element& e, size_t begin, size_t end) {
  for (size_t k = begin; k < end; ++k)
    addEdge(e.points[e.faces[k]], e.points[e.faces[k + 1 < end ? k + 1 : begin]]);
}

// The discretised cylinder: n sectors, circle points 0..n around each end (point n falls just
// short of point 0, as in the element's own split). The rings of its surface ends are drawn, and
// of its generators only the two on the outline of this view: the extreme ones across the
// projected axis. In plan the waterline runs across its side faces and surface ends.
void BodyOutline::addCylinder(const Cylinder& c, unsigned surfaceMask, Element& e) {
  const int n = c.segmentCount;
  const Vec3 h = c.axisEnd - c.axisStart;
  e.points.clear();
  for (int i = 0; i <= n; ++i)
    e.points.push_back(frame_.toWater(c.circlePoint(i)));
  for (int i = 0; i <= n; ++i)
    e.points.push_back(frame_.toWater(c.circlePoint(i) + h));
  for (int end = 0; end < 2; ++end) {
    if (surfaceMask >> end & 1u) {
      for (int i = 0; i < n; ++i)
        addEdge(e.points[end * (n + 1) + i], e.points[end * (n + 1) + i + 1]);
    }
  }
  const Vec3 axis = frame_.toWater(c.axisEnd) - frame_.toWater(c.axisStart);
  const double ah = ViewPlacement::horizontal(place_.view, axis);
  const double av = ViewPlacement::vertical(place_.view, axis);
  if (std::hypot(ah, av) * place_.scale >= kMinPixels) {
    int lo = 0, hi = 0;
    const auto across = [&](int i) {
      return ah * ViewPlacement::vertical(place_.view, e.points[i]) -
             av * ViewPlacement::horizontal(place_.view, e.points[i]);
    };
    for (int i = 1; i < n; ++i) {
      if (across(i) < across(lo))
        lo = i;
      if (across(i) > across(hi))
        hi = i;
    }
    addEdge(e.points[lo], e.points[n + 1 + lo]);
    addEdge(e.points[hi], e.points[n + 1 + hi]);
  }
  if (place_.view != View::Plan)
    return;
  e.faces.clear();
  for (int i = 0; i < n; ++i)
    e.faces.insert(e.faces.end(), {i, i + 1, n + 2 + i, n + 1 + i, -1});
  for (int end = 0; end < 2; ++end) {
    if (!(surfaceMask >> end & 1u))
      continue;
    for (int i = 0; i <= n; ++i)
      e.faces.push_back(end * (n + 1) + i);
    e.faces.push_back(-1);
  }
  for (size_t k = 0, begin = 0; k < e.faces.size(); ++k) {
    if (e.faces[k] < 0) {
      addFaceWaterline(e, begin, k);
      begin = k + 1;
    }
  }
}

// A surface mesh shows its shape, not its triangles: of its edges only those where the surface
// bends by more than kFeatureAngle (chines, the deck edge, stems), its open edges and those on the
// outline of this view, where one of the two triangles faces the viewer and the other away. In plan
// the waterline runs across its triangles.
void BodyOutline::addMesh(const TriangleSurface& mesh,
                          const std::vector<SurfaceFaces::MeshEdge>& edges, Element& e) {
  static const double kCosFeatureAngle = std::cos(30 * std::acos(-1.0) / 180);
  const Vec3 along = place_.view == View::Profile   ? frame_.ey
                     : place_.view == View::Section ? frame_.ex
                                                    : frame_.up;
  const auto normal = [&mesh](std::uint32_t t) {
    const Vec3& a = mesh.vertices[mesh.triangles[t].v[0]];
    return (mesh.vertices[mesh.triangles[t].v[1]] - a)
        .cross(mesh.vertices[mesh.triangles[t].v[2]] - a);
  };
  for (const SurfaceFaces::MeshEdge& edge : edges) {
    const Vec3 n1 = normal(edge.left), n2 = normal(edge.right);
    const bool feature = n1.dot(n2) < kCosFeatureAngle * n1.length() * n2.length();
    const bool outline = n1.dot(along) * n2.dot(along) <= 0;
    if (feature || outline)
      addEdge(frame_.toWater(mesh.vertices[edge.a]), frame_.toWater(mesh.vertices[edge.b]));
  }
  // The open edges of an open surface (a deck's edge) end the surface in every view.
  for (const std::vector<std::uint32_t>& loop : mesh.openings) {
    for (std::size_t i = 0; i < loop.size(); ++i) {
      addEdge(frame_.toWater(mesh.vertices[loop[i]]),
              frame_.toWater(mesh.vertices[loop[(i + 1) % loop.size()]]));
    }
  }
  if (place_.view != View::Plan)
    return;
  e.faces.assign({0, 1, 2, -1});
  for (const TriangleSurface::Triangle& t : mesh.triangles) {
    e.points.clear();
    for (std::uint32_t v : t.v)
      e.points.push_back(frame_.toWater(mesh.vertices[v]));
    addFaceWaterline(e, 0, 3);
  }
}

// The part of the edge at or below the water (height <= 0) is wet, the rest dry.
void BodyOutline::addEdge(const Vec3& a, const Vec3& b) {
  const bool aWet = a.z <= 0, bWet = b.z <= 0;
  if (aWet == bWet) {
    addSegment(a, b, aWet ? wet_ : dry_);
    return;
  }
  const Vec3 m = a + (b - a) * (a.z / (a.z - b.z));
  addSegment(a, m, aWet ? wet_ : dry_);
  addSegment(m, b, bWet ? wet_ : dry_);
}

void BodyOutline::addSegment(const Vec3& a, const Vec3& b, Lines& lines) {
  const long x0 = SvgPathData::gridCount(place_.x(a)), y0 = SvgPathData::gridCount(place_.y(a));
  const long x1 = SvgPathData::gridCount(place_.x(b)), y1 = SvgPathData::gridCount(place_.y(b));
  const double minCounts = kMinPixels * SvgPathData::kGrid;
  const double dx = static_cast<double>(x1 - x0), dy = static_cast<double>(y1 - y0);
  if (dx * dx + dy * dy >= minCounts * minCounts)
    lines.add(x0, y0, x1, y1);
}

void BodyOutline::Lines::add(long x0, long y0, long x1, long y1) {
  if (x1 < x0 || (x1 == x0 && y1 < y0))
    pieces.push_back({x1, y1, x0, y0});
  else
    pieces.push_back({x0, y0, x1, y1});
}

namespace {

// The grid line a piece lies on: its direction reduced to the smallest grid step (dx > 0, or
// dx == 0 and dy > 0, as the pieces are ordered), the line's offset, and where the piece starts
// and ends along it. Pieces on one line have equal (ux, uy, offset) exactly.
struct OnLine {
  long ux, uy, offset, t0, t1;
  bool sameLine(const OnLine& o) const { return ux == o.ux && uy == o.uy && offset == o.offset; }
  bool operator<(const OnLine& o) const {
    return std::tie(ux, uy, offset, t0, t1) < std::tie(o.ux, o.uy, o.offset, o.t0, o.t1);
  }
};

}  // namespace

void BodyOutline::Lines::merge() {
  std::vector<Piece> merged;
  std::vector<std::pair<OnLine, size_t>> order;
  order.reserve(pieces.size());
  for (size_t i = 0; i < pieces.size(); ++i) {
    const Piece& p = pieces[i];
    const long g = std::gcd(p.x1 - p.x0, std::labs(p.y1 - p.y0));
    const long ux = (p.x1 - p.x0) / g, uy = (p.y1 - p.y0) / g;
    order.push_back(
        {{ux, uy, ux * p.y0 - uy * p.x0, ux * p.x0 + uy * p.y0, ux * p.x1 + uy * p.y1}, i});
  }
  std::sort(order.begin(), order.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  for (size_t i = 0; i < order.size();) {
    // Extend the first piece of a run over every later piece of its line that touches it.
    const OnLine& first = order[i].first;
    long end = first.t1;
    size_t last = i;
    size_t j = i + 1;
    for (; j < order.size() && order[j].first.sameLine(first) && order[j].first.t0 <= end; ++j) {
      if (order[j].first.t1 > end) {
        end = order[j].first.t1;
        last = j;
      }
    }
    const Piece& a = pieces[order[i].second];
    const Piece& b = pieces[order[last].second];
    merged.push_back({a.x0, a.y0, b.x1, b.y1});
    i = j;
  }
  pieces.clear();
  pieces.shrink_to_fit();
  chain(merged);
}

namespace {

std::uint64_t pointKey(long x, long y) {
  return static_cast<std::uint64_t>(static_cast<std::uint32_t>(x)) << 32 |
         static_cast<std::uint32_t>(y);
}

}  // namespace

// Writes the lines as polylines: from each line not yet written, on through any unwritten line
// that starts or ends where the last one ended, so that a ring is one sub-path.
void BodyOutline::Lines::chain(const std::vector<Piece>& lines) {
  std::unordered_multimap<std::uint64_t, size_t> ends;
  ends.reserve(2 * lines.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    ends.emplace(pointKey(lines[i].x0, lines[i].y0), i);
    ends.emplace(pointKey(lines[i].x1, lines[i].y1), i);
  }
  std::vector<bool> written(lines.size(), false);
  for (size_t i = 0; i < lines.size(); ++i) {
    if (written[i])
      continue;
    written[i] = true;
    path.moveTo(lines[i].x0, lines[i].y0);
    long x = lines[i].x1, y = lines[i].y1;
    path.lineTo(x, y);
    for (bool extended = true; extended;) {
      extended = false;
      const auto range = ends.equal_range(pointKey(x, y));
      for (auto it = range.first; it != range.second; ++it) {
        const Piece& next = lines[it->second];
        if (written[it->second])
          continue;
        written[it->second] = true;
        const bool forward = next.x0 == x && next.y0 == y;
        x = forward ? next.x1 : next.x0;
        y = forward ? next.y1 : next.y0;
        path.lineTo(x, y);
        extended = true;
        break;
      }
    }
  }
}

// Where the water plane cuts the face: the points where its boundary changes side, joined in
// pairs (two for a flat face; a warped quadrilateral can give four).
void BodyOutline::addFaceWaterline(const Element& e, size_t begin, size_t end) {
  Vec3 crossings[4];
  int count = 0;
  for (size_t k = begin; k < end && count < 4; ++k) {
    const Vec3& a = e.points[e.faces[k]];
    const Vec3& b = e.points[e.faces[k + 1 < end ? k + 1 : begin]];
    if ((a.z <= 0) != (b.z <= 0))
      crossings[count++] = a + (b - a) * (a.z / (a.z - b.z));
  }
  for (int k = 0; k + 1 < count; k += 2)
    addSegment(crossings[k], crossings[k + 1], waterline_);
}
