#include "app/mesh/surface_check.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <utility>

namespace {

// A triangle is flat when its doubled area is at most this fraction of its longest edge squared:
// its width across that edge is below 1e-12 of the edge's length, nothing a double can tell from 0.
constexpr double kFlatRatio = 1e-12;
// The enclosed volume vanishes when it is at most this fraction of the sum of the magnitudes of its
// terms: what is left is rounding, not a solid.
constexpr double kVanishingVolume = 1e-9;

using Triangle = TriangleSurface::Triangle;

std::string pointText(const Vec3& p) {
  char text[96];
  // + 0.0 writes a coordinate of -0 as 0.
  std::snprintf(text, sizeof text, "(%.10g, %.10g, %.10g)", p.x + 0.0, p.y + 0.0, p.z + 0.0);
  return text;
}

std::string number(double x) {
  char text[40];
  std::snprintf(text, sizeof text, "%.10g", x);
  return text;
}

bool isCollapsed(const Triangle& t) {
  return t.v[0] == t.v[1] || t.v[1] == t.v[2] || t.v[2] == t.v[0];
}

bool isFlat(const TriangleSurface& s, const Triangle& t) {
  const Vec3 &a = s.vertices[t.v[0]], &b = s.vertices[t.v[1]], &c = s.vertices[t.v[2]];
  const Vec3 ab = b - a, bc = c - b, ca = a - c;
  const double longest = std::max(ab.dot(ab), std::max(bc.dot(bc), ca.dot(ca)));
  return ab.cross(c - a).length() <= kFlatRatio * longest;
}

// Leaves out the collapsed triangles (with their origins) and counts the flat ones.
std::size_t removeDegenerate(MeshFile& mesh, SurfaceFindings& findings, std::size_t& example) {
  std::vector<Triangle>& triangles = mesh.surface.triangles;
  std::size_t kept = 0;
  bool seen = false;
  for (std::size_t t = 0; t < triangles.size(); ++t) {
    const bool collapsed = isCollapsed(triangles[t]);
    const bool flat = !collapsed && isFlat(mesh.surface, triangles[t]);
    findings.collapsed += collapsed ? 1 : 0;
    findings.flat += flat ? 1 : 0;
    if ((collapsed || flat) && !seen) {
      seen = true;
      example = mesh.origins[t];
    }
    if (!collapsed) {
      triangles[kept] = triangles[t];
      mesh.origins[kept] = mesh.origins[t];
      ++kept;
    }
  }
  const std::size_t read = triangles.size();
  triangles.resize(kept);
  mesh.origins.resize(kept);
  return read;
}

// "1 edge belongs", "4 edges belong".
std::string edgeCount(std::size_t count, const char* one, const char* many) {
  return std::to_string(count) +
         (count == 1 ? std::string(" edge ") + one : std::string(" edges ") + many);
}

bool checkDegenerate(MeshFile& mesh, SurfaceFindings& findings, std::string& error,
                     std::vector<std::string>& warnings) {
  std::size_t example = 0;
  const std::size_t read = removeDegenerate(mesh, findings, example);
  const std::size_t degenerate = findings.collapsed + findings.flat;
  if (degenerate == 0)
    return true;
  const std::string text = std::to_string(degenerate) + " of " + std::to_string(read) +
                           (degenerate == 1 ? " triangles is" : " triangles are") +
                           " degenerate (" + std::to_string(findings.collapsed) +
                           " with two equal corners, left out; " + std::to_string(findings.flat) +
                           " with their corners in a line), e.g. the triangle from " +
                           mesh.placeOfOrigin(static_cast<std::uint32_t>(example));
  if (static_cast<double>(degenerate) > kMaxDegenerateShare * static_cast<double>(read)) {
    error = mesh.path + ": " + text + "; more than " + number(100 * kMaxDegenerateShare) +
            " % means the surface has lost its shape";
    return false;
  }
  warnings.push_back(mesh.path + ": " + text);
  return true;
}

// One directed edge of a triangle, sorted by its undirected key.
struct EdgeUse {
  std::uint64_t key;  // smaller vertex index << 32 | larger one
  std::uint32_t triangle;
  bool forward;  // runs from the smaller index to the larger
  bool operator<(const EdgeUse& o) const {
    return key < o.key || (key == o.key && triangle < o.triangle);
  }
};

// The count of one kind of faulty edge and its first example.
struct EdgeFault {
  std::size_t count = 0;
  std::size_t first = 0, last = 0;  // the example's uses, [first, last)
  void note(std::size_t begin, std::size_t end) {
    if (count++ == 0) {
      first = begin;
      last = end;
    }
  }
};

// The items make(0), make(1), ... make(count - 1), made in ascending order of their triangle, in
// the order of std::sort by `less`, a strict order by a key whose first part is a vertex index,
// vertexOf(item), then by the triangle. They are counted per vertex, then made straight into one
// bucket per vertex (which keeps a bucket's items in triangle order), and each bucket's few items
// put in order by insertion; a bucket of many (the apex of a fan) is sorted. A large mesh's
// check spent most of its time sorting its millions of edges; this takes two passes over them,
// and no second array.
template <class Item, class Make, class VertexOf, class Less>
std::vector<Item> madeInVertexOrder(std::size_t count, std::size_t vertexCount, Make make,
                                    VertexOf vertexOf, Less less) {
  std::vector<std::size_t> bucketEnd(vertexCount + 1, 0);
  for (std::size_t i = 0; i < count; ++i)
    ++bucketEnd[vertexOf(make(i)) + 1];
  for (std::size_t v = 1; v <= vertexCount; ++v)
    bucketEnd[v] += bucketEnd[v - 1];  // now each bucket's start
  std::vector<Item> items(count);
  for (std::size_t i = 0; i < count; ++i) {
    const Item item = make(i);
    items[bucketEnd[vertexOf(item)]++] = item;  // each start moves on to its bucket's end
  }
  constexpr std::size_t kInsertionMost = 64;
  for (std::size_t v = 0, begin = 0; v < vertexCount; begin = bucketEnd[v++]) {
    const auto first = items.begin() + static_cast<std::ptrdiff_t>(begin);
    const auto last = items.begin() + static_cast<std::ptrdiff_t>(bucketEnd[v]);
    if (last - first > static_cast<std::ptrdiff_t>(kInsertionMost)) {
      std::sort(first, last, less);
      continue;
    }
    for (auto i = first + (first != last ? 1 : 0); i < last; ++i) {
      const Item item = *i;
      auto j = i;
      for (; j != first && less(item, *(j - 1)); --j)
        *j = *(j - 1);
      *j = item;
    }
  }
  return items;
}

std::vector<EdgeUse> edgeUses(const TriangleSurface& s) {
  const auto use = [&s](std::size_t i) {  // triangle i / 3, from its corner i % 3 to the next
    const Triangle& tri = s.triangles[i / 3];
    const std::uint32_t from = tri.v[i % 3], to = tri.v[(i + 1) % 3];
    const std::uint64_t lo = std::min(from, to), hi = std::max(from, to);
    return EdgeUse{lo << 32 | hi, static_cast<std::uint32_t>(i / 3), from < to};
  };
  return madeInVertexOrder<EdgeUse>(
      3 * s.triangles.size(), s.vertices.size(), use,
      [](const EdgeUse& u) { return static_cast<std::size_t>(u.key >> 32); },
      [](const EdgeUse& a, const EdgeUse& b) { return a < b; });
}

std::string describeEdge(const MeshFile& mesh, const std::vector<EdgeUse>& uses,
                         const EdgeFault& fault) {
  const std::uint64_t key = uses[fault.first].key;
  const Vec3& a = mesh.surface.vertices[static_cast<std::uint32_t>(key >> 32)];
  const Vec3& b = mesh.surface.vertices[static_cast<std::uint32_t>(key & 0xffffffffu)];
  std::string text = "e.g. the edge from " + pointText(a) + " to " + pointText(b) + " of the " +
                     (fault.last - fault.first == 1 ? "triangle from " : "triangles from ");
  for (std::size_t u = fault.first; u < fault.last; ++u) {
    if (u > fault.first)
      text += u + 1 == fault.last ? " and " : ", ";
    text += mesh.placeOf(uses[u].triangle);
  }
  return text;
}

// Coincident triangles, found by their sorted corners. Started at its smallest corner, a triangle
// runs either through its sorted corners (even: one orientation) or against them (the other).
struct CornerKey {
  std::uint32_t v[3];
  bool operator==(const CornerKey& o) const {
    return v[0] == o.v[0] && v[1] == o.v[1] && v[2] == o.v[2];
  }
  bool operator<(const CornerKey& o) const {
    return std::lexicographical_compare(v, v + 3, o.v, o.v + 3);
  }
};

CornerKey sortedCorners(const Triangle& t, bool& even) {
  CornerKey k{{t.v[0], t.v[1], t.v[2]}};
  std::sort(k.v, k.v + 3);
  const int first = t.v[0] == k.v[0] ? 0 : t.v[1] == k.v[0] ? 1 : 2;
  even = t.v[(first + 1) % 3] == k.v[1];
  return k;
}

// Leaves out the coincident triangles of opposite orientation in pairs (their origins with them);
// false with the error set when two coincident triangles of the same orientation remain.
bool dropCancellingPairs(MeshFile& mesh, SurfaceFindings& findings, std::string& error) {
  std::vector<Triangle>& triangles = mesh.surface.triangles;
  struct Entry {
    CornerKey key;
    bool even;
    std::uint32_t triangle;
  };
  const auto entry = [&triangles](std::size_t t) {
    Entry e;
    e.key = sortedCorners(triangles[t], e.even);
    e.triangle = static_cast<std::uint32_t>(t);
    return e;
  };
  const std::vector<Entry> entries = madeInVertexOrder<Entry>(
      triangles.size(), mesh.surface.vertices.size(), entry,
      [](const Entry& e) { return std::size_t{e.key.v[0]}; },
      [](const Entry& a, const Entry& b) {
        return a.key < b.key || (a.key == b.key && a.triangle < b.triangle);
      });
  std::vector<bool> dropped(triangles.size(), false);
  std::size_t doubled = 0;
  std::uint32_t pairExample[2] = {0, 0}, doubledExample[2] = {0, 0};
  for (std::size_t begin = 0, end = 0; begin < entries.size(); begin = end) {
    for (end = begin + 1; end < entries.size() && entries[end].key == entries[begin].key; ++end) {
    }
    if (end - begin == 1)
      continue;                          // no other triangle on these corners: the common case
    std::vector<std::uint32_t> side[2];  // the group's triangles by orientation
    for (std::size_t e = begin; e < end; ++e)
      side[entries[e].even ? 0 : 1].push_back(entries[e].triangle);
    const std::size_t pairs = std::min(side[0].size(), side[1].size());
    for (std::size_t k = 0; k < pairs; ++k) {
      if (findings.cancelledPairs++ == 0) {
        pairExample[0] = std::min(side[0][k], side[1][k]);
        pairExample[1] = std::max(side[0][k], side[1][k]);
      }
      dropped[side[0][k]] = dropped[side[1][k]] = true;
    }
    const std::vector<std::uint32_t>& rest = side[side[0].size() > pairs ? 0 : 1];
    if (rest.size() - pairs > 1) {
      if (doubled == 0) {
        doubledExample[0] = rest[pairs];
        doubledExample[1] = rest[pairs + 1];
      }
      doubled += rest.size() - pairs - 1;
    }
  }
  if (doubled > 0) {
    error = mesh.path + ": " + std::to_string(doubled) +
            (doubled == 1 ? " triangle lies" : " triangles lie") +
            " on another one with the same orientation (a doubled facet), e.g. the triangles "
            "from " +
            mesh.placeOf(doubledExample[0]) + " and " + mesh.placeOf(doubledExample[1]);
    return false;
  }
  if (findings.cancelledPairs == 0)
    return true;
  findings.notes.push_back(
      mesh.path + ": " + std::to_string(findings.cancelledPairs) +
      (findings.cancelledPairs == 1 ? " pair" : " pairs") +
      " of coincident triangles of opposite orientation (a fin of no thickness) left out, e.g. "
      "the triangles from " +
      mesh.placeOf(pairExample[0]) + " and " + mesh.placeOf(pairExample[1]));
  std::size_t kept = 0;
  for (std::size_t t = 0; t < triangles.size(); ++t) {
    if (!dropped[t]) {
      triangles[kept] = triangles[t];
      mesh.origins[kept] = mesh.origins[t];
      ++kept;
    }
  }
  triangles.resize(kept);
  mesh.origins.resize(kept);
  return true;
}

// The open edges, each from the vertex its triangle leaves to the one it reaches, chained into
// loops. As many open edges leave each vertex as arrive at it (see surface_check.h), so a chain
// started anywhere can only stop where it started; a vertex where two loops touch is passed
// twice.
std::vector<std::vector<std::uint32_t>> chainOpenEdges(std::vector<std::uint64_t> edges) {
  std::sort(edges.begin(), edges.end());  // by the vertex each edge leaves
  std::vector<bool> used(edges.size(), false);
  const auto leaving = [&edges, &used](std::uint32_t v) {
    auto it = std::lower_bound(edges.begin(), edges.end(), std::uint64_t{v} << 32);
    for (; it != edges.end() && *it >> 32 == v; ++it) {
      const auto k = static_cast<std::size_t>(it - edges.begin());
      if (!used[k])
        return k;
    }
    return edges.size();
  };
  std::vector<std::vector<std::uint32_t>> loops;
  for (std::size_t first = 0; first < edges.size(); ++first) {
    if (used[first])
      continue;
    std::vector<std::uint32_t> loop;
    const auto start = static_cast<std::uint32_t>(edges[first] >> 32);
    for (std::size_t k = first; k < edges.size();) {
      used[k] = true;
      loop.push_back(static_cast<std::uint32_t>(edges[k] >> 32));
      const auto to = static_cast<std::uint32_t>(edges[k] & 0xffffffffu);
      k = to == start ? edges.size() : leaving(to);
    }
    loops.push_back(std::move(loop));
  }
  return loops;
}

bool checkEdges(MeshFile& mesh, SurfaceFindings& findings, std::string& error) {
  const std::vector<EdgeUse> uses = edgeUses(mesh.surface);
  EdgeFault open, crowded, misoriented;
  std::vector<std::uint64_t> openEdges;  // from << 32 | to
  for (std::size_t begin = 0, end = 0; begin < uses.size(); begin = end) {
    end = begin + 1;
    while (end < uses.size() && uses[end].key == uses[begin].key)
      ++end;
    if (end - begin == 1) {
      open.note(begin, end);
      const std::uint64_t lo = uses[begin].key >> 32, hi = uses[begin].key & 0xffffffffu;
      openEdges.push_back(uses[begin].forward ? lo << 32 | hi : hi << 32 | lo);
    } else if (end - begin > 2) {
      crowded.note(begin, end);
    } else if (uses[begin].forward == uses[begin + 1].forward) {
      misoriented.note(begin, end);
    }
  }
  findings.openEdges = open.count;
  std::vector<std::string> faults;
  if (crowded.count > 0) {
    faults.push_back(edgeCount(crowded.count, "belongs", "belong") +
                     " to more than two triangles (the surface is not manifold), " +
                     describeEdge(mesh, uses, crowded));
  }
  if (misoriented.count > 0) {
    faults.push_back(edgeCount(misoriented.count, "is", "are") +
                     " run in the same direction by both " +
                     (misoriented.count == 1 ? "its" : "their") +
                     " triangles (the triangles are not oriented consistently), " +
                     describeEdge(mesh, uses, misoriented));
  }
  if (!faults.empty()) {
    error = mesh.path + ": the surface does not bound a solid: ";
    for (std::size_t i = 0; i < faults.size(); ++i)
      error += (i > 0 ? "; " : "") + faults[i];
    return false;
  }
  mesh.surface.openings = chainOpenEdges(std::move(openEdges));
  return true;
}

// The note on an open surface: its open edges and the lowest point of the openings, once the
// surface faces the way it is meant to.
void noteOpenings(const MeshFile& mesh, SurfaceFindings& findings) {
  Vec3 lowest;
  if (!mesh.surface.lowestOpenPoint(Vec3(0, 0, 1), lowest))
    return;
  const std::size_t loops = mesh.surface.openings.size();
  findings.notes.push_back(
      mesh.path + ": the surface is open: " + edgeCount(findings.openEdges, "belongs", "belong") +
      " to one triangle only, in " + std::to_string(loops) + (loops == 1 ? " loop" : " loops") +
      "; the lowest point of the opening is " + pointText(lowest) +
      ", and the water must stay below it");
}

// Six times the enclosed volume and the sum of its terms' magnitudes, the openings closed by fans
// (TriangleSurface::enclosedVolume): a closed surface's sum does not depend on the box centre
// the tetrahedra start from, which keeps the terms small for a body far from the origin.
bool checkVolume(MeshFile& mesh, SurfaceFindings& findings, std::string& error,
                 std::vector<std::string>& warnings) {
  double sixTimes = 0, magnitude = 0;
  mesh.surface.enclosedVolume(sixTimes, magnitude);
  if (!std::isfinite(sixTimes) || !std::isfinite(magnitude)) {
    error = mesh.path + ": the coordinates are too large to compute the enclosed volume with";
    return false;
  }
  const char* closed = mesh.surface.isOpen() ? ", its openings closed," : "";
  if (sixTimes < 0) {
    mesh.surface.turnInsideOut();
    findings.turnedAround = true;
    warnings.push_back(mesh.path + ": the triangles face inwards (the surface" + closed +
                       " encloses " + number(sixTimes / 6) + " as given); they are turned around");
    sixTimes = -sixTimes;
  }
  findings.volume = sixTimes / 6;
  if (sixTimes <= kVanishingVolume * magnitude) {
    error = mesh.path + ": the surface" + closed + " encloses no volume (" + number(sixTimes / 6) +
            " against " + number(magnitude / 6) + " for the sum of its parts' magnitudes)";
    return false;
  }
  noteOpenings(mesh, findings);
  return true;
}

}  // namespace

bool checkSurface(MeshFile& mesh, SurfaceFindings& findings, std::string& error,
                  std::vector<std::string>& warnings) {
  findings = SurfaceFindings();
  return checkDegenerate(mesh, findings, error, warnings) &&
         dropCancellingPairs(mesh, findings, error) && checkEdges(mesh, findings, error) &&
         checkVolume(mesh, findings, error, warnings);
}
