#pragma once

// What must hold for every mesh file, whatever its bytes: the checks behind the mesh fuzz harness
// and the tests that replay its corpus. Each check returns an empty string when the input passed
// and otherwise says what went wrong.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "app/mesh/mesh_reader.h"
#include "app/mesh/surface_check.h"
#include "fuzz/pipeline_checks.h"
#include "submerged/surface_evaluation.h"

namespace input_checks {

// Every format under every name the detection looks at.
constexpr const char* kMeshNames[] = {"fuzz.stl", "fuzz.obj", "fuzz.off", "fuzz"};

inline bool isFiniteMeshPoint(const Vec3& p) {
  return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

// An accepted surface: at least one triangle, each with its origin and with indices of existing
// vertices, every coordinate finite, no two vertices at one point.
inline std::string checkAcceptedMesh(const MeshFile& mesh) {
  const TriangleSurface& s = mesh.surface;
  if (s.triangles.empty() || mesh.origins.size() != s.triangles.size())
    return "an accepted file has no triangles, or not one origin per triangle";
  for (const auto& t : s.triangles) {
    for (std::uint32_t v : t.v) {
      if (v >= s.vertices.size())
        return "a triangle refers to a vertex that does not exist";
    }
  }
  std::vector<std::tuple<double, double, double>> points;
  for (const Vec3& p : s.vertices) {
    if (!isFiniteMeshPoint(p))
      return "an accepted vertex has a coordinate that is not finite";
    points.emplace_back(p.x + 0.0, p.y + 0.0, p.z + 0.0);
  }
  std::sort(points.begin(), points.end());
  if (std::adjacent_find(points.begin(), points.end()) != points.end())
    return "two vertices of the surface are one point";
  for (std::uint32_t origin : mesh.origins) {
    if (origin == 0)
      return "a triangle has no line or facet";
  }
  return "";
}

// The surface as OBJ text with round-trip numbers: read back, it must be the same surface.
inline std::string meshObjText(const TriangleSurface& s) {
  std::string text;
  char number[40];
  for (const Vec3& v : s.vertices) {
    text += 'v';
    for (double c : {v.x, v.y, v.z}) {
      std::snprintf(number, sizeof number, " %.17g", c);
      text += number;
    }
    text += '\n';
  }
  for (const auto& t : s.triangles) {
    text += "f " + std::to_string(t.v[0] + 1) + " " + std::to_string(t.v[1] + 1) + " " +
            std::to_string(t.v[2] + 1) + "\n";
  }
  return text;
}

inline std::string checkRereadMesh(const MeshFile& mesh) {
  MeshFile again;
  MeshFileError error;
  if (!parseMesh(meshObjText(mesh.surface), "again.obj", again, error))
    return "the surface's own numbers are refused: " + error.message;
  const TriangleSurface &a = mesh.surface, &b = again.surface;
  const auto same = [](const Vec3& p, const Vec3& q) {
    return p.x == q.x && p.y == q.y && p.z == q.z;
  };
  if (a.vertices.size() != b.vertices.size() || a.triangles.size() != b.triangles.size() ||
      !std::equal(a.vertices.begin(), a.vertices.end(), b.vertices.begin(), same)) {
    return "the surface's own numbers read back as another surface";
  }
  for (std::size_t t = 0; t < a.triangles.size(); ++t) {
    if (!std::equal(a.triangles[t].v, a.triangles[t].v + 3, b.triangles[t].v))
      return "the surface's own triangles read back as other triangles";
  }
  return "";
}

// What the surface evaluation's sums may lose to rounding for planes with the unit normal n: its
// terms are prisms from the triangles' pieces down to the plane, and a piece's projected area is a
// cross product of edges, whose rounding error grows with the edges' lengths, not with the area
// (a needle of a body, a vertex pulled 1e10 away from a unit cube, loses eight digits there).
// Each term's error is then bounded by a few ulps of the longest edge squared times the body's
// height along n.
inline double prismMagnitude(const TriangleSurface& s, const Vec3& n) {
  double squares = 0, low = INFINITY, high = -INFINITY;
  for (const auto& t : s.triangles) {
    const Vec3 &a = s.vertices[t.v[0]], &b = s.vertices[t.v[1]], &c = s.vertices[t.v[2]];
    squares += std::max((b - a).dot(b - a), std::max((c - b).dot(c - b), (a - c).dot(a - c)));
  }
  for (const Vec3& v : s.vertices) {
    low = std::min(low, n.dot(v));
    high = std::max(high, n.dot(v));
  }
  return squares * (high - low);
}

// The surface with each opening closed by the fan of triangles from the mean of its points, as
// TriangleSurface::enclosedVolume closes it: a closed surface.
inline TriangleSurface closedByFans(const TriangleSurface& s) {
  TriangleSurface closed = s;
  closed.openings.clear();
  const BoundingBox box = s.boundingBox();
  const Vec3 o((box.xMin + box.xMax) * 0.5, (box.yMin + box.yMax) * 0.5,
               (box.zMin + box.zMax) * 0.5);
  for (const std::vector<std::uint32_t>& loop : s.openings) {
    Vec3 sum(0, 0, 0);
    for (std::uint32_t v : loop)
      sum = sum + (s.vertices[v] - o);
    const auto apex = static_cast<std::uint32_t>(closed.vertices.size());
    closed.vertices.push_back(o + sum / static_cast<double>(loop.size()));
    for (std::size_t i = 0; i < loop.size(); ++i)
      closed.triangles.push_back({{apex, loop[(i + 1) % loop.size()], loop[i]}});
  }
  return closed;
}

// Below its openings an open surface holds what the surface closed by fans holds: for planes
// halfway between its lowest vertex and its openings' lowest point, the volume, the centre of
// buoyancy and the waterplane agree within the rounding of the sums.
inline std::string checkBelowOpenings(const TriangleSurface& open, const TriangleSurface& closed) {
  const Vec3 normals[2] = {Vec3(0.6, 0.48, 0.64), Vec3(0, 0, 1)};
  SurfaceEvaluation a(open, 1), b(closed, 1);
  for (const Vec3& n : normals) {
    Vec3 opening;
    open.lowestOpenPoint(n, opening);
    double low = INFINITY;
    for (const auto& t : open.triangles) {
      for (std::uint32_t v : t.v)
        low = std::min(low, n.dot(open.vertices[v]));
    }
    // No plane lies below an opening at the lowest point; one within the rounding of the
    // coordinates of it touches the opening's vertices, where which triangles count as wet is
    // a matter of rounding (and the solvers treat the water as reaching the opening).
    if (!(n.dot(opening) - low > 1e-9 * open.boundingBox().diagonal()))
      continue;
    const Plane plane(n.x, n.y, n.z, -(low + 0.5 * (n.dot(opening) - low)));
    double va, vb;
    Vec3 ca, cb;
    a.setNormal(n.x, n.y, n.z);
    b.setNormal(n.x, n.y, n.z);
    a.buoyancy(va, ca, plane);
    b.buoyancy(vb, cb, plane);
    // The moments' rounding grows with the prisms times the body's size, and the centre's with
    // its distance from the origin, where the frame's centre is added back.
    const double scale = prismMagnitude(closed, n);
    const double moments = 1e-9 * scale * closed.boundingBox().diagonal() +
                           1e-15 * (ca.length() + cb.length()) * std::fabs(vb);
    const WaterplaneProperties wa = a.waterplane(plane), wb = b.waterplane(plane);
    if (!(std::fabs(va - vb) <= 1e-9 * scale) || !((ca - cb).length() * std::fabs(vb) <= moments))
      return "below its openings the surface holds another volume than closed by fans";
    if (!(std::fabs(wa.area - wb.area) <= 1e-9 * (std::fabs(wb.area) + scale)))
      return "below its openings the surface has another waterplane than closed by fans";
  }
  return "";
}

// A surface that passed the checks, evaluated: the whole volume is the one the checks found, a
// plane and its flip share the volume out, and the evaluations are finite, all within the rounding
// of the sums. Coordinates so large that the moments overflow are left out. An open surface is
// checked closed by fans, and below its openings against that closed surface.
inline std::string checkSurfaceEvaluation(const TriangleSurface& s, double volume) {
  if (s.isOpen()) {
    const TriangleSurface closed = closedByFans(s);
    const std::string problem = checkSurfaceEvaluation(closed, volume);
    if (!problem.empty())
      return "closed by fans: " + problem;
    const BoundingBox box = s.boundingBox();
    return box.diagonal() < 1e60 ? checkBelowOpenings(s, closed) : "";
  }
  const BoundingBox box = s.boundingBox();
  if (!(box.diagonal() < 1e60))
    return "";
  const Vec3 c((box.xMin + box.xMax) / 2, (box.yMin + box.yMax) / 2, (box.zMin + box.zMax) / 2);
  double magnitude = 0;  // of the enclosed volume's tetrahedra from c
  for (const auto& t : s.triangles) {
    const Vec3 a = s.vertices[t.v[0]] - c, b = s.vertices[t.v[1]] - c, d = s.vertices[t.v[2]] - c;
    magnitude += std::fabs(a.dot(b.cross(d))) / 6;
  }
  SurfaceEvaluation evaluation(s, 1);
  evaluation.setNormal(0, 0, 1);
  const double whole = evaluation.submergedVolume(-box.zMax - 1);
  if (!(std::fabs(whole - volume) <= 1e-9 * (magnitude + prismMagnitude(s, Vec3(0, 0, 1)))))
    return "the whole submerged volume differs from the enclosed volume";
  const Vec3 normals[2] = {Vec3(0.6, 0.48, 0.64), Vec3(0, 0, 1)};
  for (const Vec3& n : normals) {
    const Plane plane(n.x, n.y, n.z, -n.dot(c));
    evaluation.setNormal(plane.A, plane.B, plane.C);
    double below;
    Vec3 centre;
    evaluation.buoyancy(below, centre, plane);
    const WaterplaneProperties w = evaluation.waterplane(plane);
    if (!std::isfinite(below) || !isFiniteMeshPoint(centre) || !std::isfinite(w.area) ||
        !isFiniteMeshPoint(w.centreOfFlotation) || !std::isfinite(w.Iuu)) {
      return "an evaluation of an accepted surface is not finite";
    }
    evaluation.setNormal(-plane.A, -plane.B, -plane.C);
    const double above = evaluation.submergedVolume(-plane.D);
    if (!(std::fabs(below + above - whole) <= 1e-9 * prismMagnitude(s, n)))
      return "a plane and its flip do not share out the whole volume";
  }
  return "";
}

// Surfaces up to this size are also floated, under the pipeline harness's limits.
constexpr std::size_t kMeshSolveMaxTriangles = 200;

// Floats the surface as a body loaded to half its volume with the centre of gravity low on its
// box's vertical centre line: refused with a message, or solved to a result that holds V.
inline std::string checkMeshSolve(const TriangleSurface& s, double volume) {
  FloatingBody body;
  body.surface = s;
  body.boundingBox();
  const BoundingBox& b = body.bounds;
  body.displacementVolume = 0.5 * volume;
  body.centreOfGravity =
      Vec3((b.xMin + b.xMax) / 2, (b.yMin + b.yMax) / 2, b.zMin + 0.3 * (b.zMax - b.zMin));
  return runAfterReading(body, kPipelineLineLimit, kPipelineBudget, 1).problem;
}

// Parses the bytes as a mesh file under each name. A refused file gets a one-line message that
// starts with the name and leaves no triangles; an accepted one a sound surface that reads back the
// same, whose checks either refuse it with a one-line message or pass it on to a sound evaluation;
// the first small surface that passes is floated. The numbers' quick conversion agrees with strtod.
inline std::string checkMeshFile(const std::uint8_t* data, std::size_t size) {
  const std::string numbers = checkPlainDecimals(data, size);
  if (!numbers.empty())
    return numbers;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  bool floated = false;
  for (const char* path : kMeshNames) {
    MeshFile mesh;
    MeshFileError error;
    if (!parseMesh(bytes, path, mesh, error)) {
      if (!mesh.surface.triangles.empty())
        return "a refused file left triangles";
      const std::string problem = checkMessage("the error", error.message, path);
      if (!problem.empty())
        return problem;
      continue;
    }
    std::string problem = checkAcceptedMesh(mesh);
    if (problem.empty())
      problem = checkRereadMesh(mesh);
    if (!problem.empty())
      return std::string(path) + ": " + problem;
    SurfaceFindings findings;
    std::string refusal;
    std::vector<std::string> warnings;
    const bool passed = checkSurface(mesh, findings, refusal, warnings);
    for (const std::string& warning : warnings) {
      problem = checkMessage("a warning", warning, path);
      if (!problem.empty())
        return problem;
    }
    for (const std::string& note : findings.notes) {
      problem = checkMessage("a note", note, path);
      if (!problem.empty())
        return problem;
    }
    problem = passed ? checkSurfaceEvaluation(mesh.surface, findings.volume)
                     : checkMessage("the refusal", refusal, path);
    if (problem.empty() && passed && !floated &&
        mesh.surface.triangles.size() <= kMeshSolveMaxTriangles) {
      floated = true;
      problem = checkMeshSolve(mesh.surface, findings.volume);
    }
    if (!problem.empty())
      return std::string(path) + ": " + problem;
  }
  return "";
}

}  // namespace input_checks
