#include "app/mesh/surface_check.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

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
  std::snprintf(text, sizeof text, "(%.10g, %.10g, %.10g)", p.x, p.y, p.z);
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

std::vector<EdgeUse> edgeUses(const TriangleSurface& s) {
  std::vector<EdgeUse> uses;
  uses.reserve(3 * s.triangles.size());
  for (std::size_t t = 0; t < s.triangles.size(); ++t) {
    const Triangle& tri = s.triangles[t];
    for (int k = 0; k < 3; ++k) {
      const std::uint32_t from = tri.v[k], to = tri.v[(k + 1) % 3];
      const std::uint64_t lo = std::min(from, to), hi = std::max(from, to);
      uses.push_back(EdgeUse{lo << 32 | hi, static_cast<std::uint32_t>(t), from < to});
    }
  }
  std::sort(uses.begin(), uses.end());
  return uses;
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

bool checkEdges(const MeshFile& mesh, std::string& error) {
  const std::vector<EdgeUse> uses = edgeUses(mesh.surface);
  EdgeFault open, crowded, misoriented;
  for (std::size_t begin = 0, end = 0; begin < uses.size(); begin = end) {
    end = begin + 1;
    while (end < uses.size() && uses[end].key == uses[begin].key)
      ++end;
    if (end - begin == 1) {
      open.note(begin, end);
    } else if (end - begin > 2) {
      crowded.note(begin, end);
    } else if (uses[begin].forward == uses[begin + 1].forward) {
      misoriented.note(begin, end);
    }
  }
  std::vector<std::string> faults;
  if (open.count > 0) {
    faults.push_back(edgeCount(open.count, "belongs", "belong") +
                     " to one triangle only (the surface is open), " +
                     describeEdge(mesh, uses, open));
  }
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
  if (faults.empty())
    return true;
  error = mesh.path + ": the surface does not bound a solid: ";
  for (std::size_t i = 0; i < faults.size(); ++i)
    error += (i > 0 ? "; " : "") + faults[i];
  return false;
}

// Six times the enclosed volume, as tetrahedra from the box centre o, and the sum of their
// magnitudes. The sum does not depend on o for a closed surface; the centre keeps the terms small
// for a body far from the origin.
void enclosedVolume(const TriangleSurface& s, double& sixTimes, double& magnitude) {
  const BoundingBox box = s.boundingBox();
  const Vec3 o((box.xMin + box.xMax) * 0.5, (box.yMin + box.yMax) * 0.5,
               (box.zMin + box.zMax) * 0.5);
  sixTimes = 0;
  magnitude = 0;
  for (const Triangle& t : s.triangles) {
    const double term =
        (s.vertices[t.v[0]] - o).dot((s.vertices[t.v[1]] - o).cross(s.vertices[t.v[2]] - o));
    sixTimes = sixTimes + term;
    magnitude = magnitude + std::fabs(term);
  }
}

bool checkVolume(MeshFile& mesh, SurfaceFindings& findings, std::string& error,
                 std::vector<std::string>& warnings) {
  double sixTimes = 0, magnitude = 0;
  enclosedVolume(mesh.surface, sixTimes, magnitude);
  if (!std::isfinite(sixTimes) || !std::isfinite(magnitude)) {
    error = mesh.path + ": the coordinates are too large to compute the enclosed volume with";
    return false;
  }
  if (sixTimes < 0) {
    mesh.surface.turnInsideOut();
    findings.turnedAround = true;
    warnings.push_back(mesh.path + ": the triangles face inwards (the surface encloses " +
                       number(sixTimes / 6) + " as given); they are turned around");
    sixTimes = -sixTimes;
  }
  findings.volume = sixTimes / 6;
  if (sixTimes <= kVanishingVolume * magnitude) {
    error = mesh.path + ": the surface encloses no volume (" + number(sixTimes / 6) + " against " +
            number(magnitude / 6) + " for the sum of its parts' magnitudes)";
    return false;
  }
  return true;
}

}  // namespace

bool checkSurface(MeshFile& mesh, SurfaceFindings& findings, std::string& error,
                  std::vector<std::string>& warnings) {
  findings = SurfaceFindings();
  return checkDegenerate(mesh, findings, error, warnings) && checkEdges(mesh, error) &&
         checkVolume(mesh, findings, error, warnings);
}
