// The checks of a surface before it becomes a body: what a non-manifold, a badly oriented, an
// inside-out, a flat and a degenerate surface are told, that a sound one passes untouched, how an
// open surface's openings are found, and which coincident triangles cancel.

#include "app/mesh/surface_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "support/surfaces.h"

namespace {

using Triangle = TriangleSurface::Triangle;

MeshFile meshOf(TriangleSurface surface) {
  MeshFile mesh;
  mesh.path = "hull.obj";
  mesh.format = MeshFormat::kObj;
  for (std::size_t t = 0; t < surface.triangles.size(); ++t)
    mesh.origins.push_back(static_cast<std::uint32_t>(100 + t));  // "line 100" for triangle 0
  mesh.surface = std::move(surface);
  return mesh;
}

TriangleSurface cube() {
  return surfaces::boxSurface(Vec3(0, 0, 0), 1, 1, 1);
}

// Two cubes that touch along one edge: four triangles meet at each of its pieces.
TriangleSurface cubesSharingAnEdge() {
  surfaces::SurfaceMaker maker;
  for (const Vec3& o : {Vec3(0, 0, 0), Vec3(1, 1, 0)}) {
    const TriangleSurface box = surfaces::boxSurface(o, 1, 1, 1);
    for (const Triangle& t : box.triangles)
      maker.triangle(box.vertices[t.v[0]], box.vertices[t.v[1]], box.vertices[t.v[2]]);
  }
  return maker.outward();
}

struct CheckCase {
  const char* name;
  TriangleSurface surface;
  bool passes;
  std::vector<std::string> errorParts;  // each must occur in the error
  std::size_t warnings;
  std::size_t notes = 0;
};

std::vector<CheckCase> checkCases() {
  TriangleSurface open = cube();
  open.triangles.pop_back();
  TriangleSurface misoriented = cube();
  std::swap(misoriented.triangles[4].v[0], misoriented.triangles[4].v[1]);
  TriangleSurface inverted = cube();
  inverted.turnInsideOut();
  TriangleSurface sheet = cube();  // one triangle, both ways round: closed, but no volume
  sheet.triangles = {Triangle{{0, 1, 2}}, Triangle{{0, 2, 1}}};
  TriangleSurface collapsedOne = surfaces::hullSurface(20, 10);
  collapsedOne.triangles.push_back(Triangle{{3, 3, 7}});
  TriangleSurface collapsedMany = cube();
  collapsedMany.triangles.push_back(Triangle{{1, 1, 2}});
  return {
      {"sound", cube(), true, {}, 0},
      {"open", open, true, {}, 0, 1},
      {"non-manifold",
       cubesSharingAnEdge(),
       false,
       {"1 edge belongs to more than two triangles (the surface is not manifold)",
        "e.g. the edge from (1, 1, 0) to (1, 1, 1) of the triangles from line"},
       0},
      {"misoriented",
       misoriented,
       false,
       {"3 edges are run in the same direction by both their triangles", "line 104"},
       0},
      {"inside out", inverted, true, {}, 1},
      {"flat sheet", sheet, false, {"hull.obj: the surface encloses no volume (0 against "}, 0, 1},
      {"one collapsed triangle", collapsedOne, true, {}, 1},
      {"many collapsed triangles",
       collapsedMany,
       false,
       {"hull.obj: 1 of 13 triangles is degenerate (1 with two equal corners, left out; 0 with "
        "their corners in a line), e.g. the triangle from line 112; more than 1 % means"},
       0},
  };
}

TEST(SurfaceCheck, EachFaultIsNamedWithCountsAndAnExample) {
  for (CheckCase& c : checkCases()) {
    SCOPED_TRACE(c.name);
    MeshFile mesh = meshOf(c.surface);
    SurfaceFindings findings;
    std::string error;
    std::vector<std::string> warnings;
    EXPECT_EQ(checkSurface(mesh, findings, error, warnings), c.passes) << error;
    for (const std::string& part : c.errorParts)
      EXPECT_NE(error.find(part), std::string::npos) << error << "\nlacks: " << part;
    EXPECT_EQ(warnings.size(), c.warnings);
    EXPECT_EQ(findings.notes.size(), c.notes);
    if (c.passes) {
      EXPECT_GT(findings.volume, 0);
    }
  }
}

TEST(SurfaceCheck, AnInsideOutSurfaceIsTurnedAroundWithAWarning) {
  TriangleSurface inverted = cube();
  inverted.turnInsideOut();
  MeshFile mesh = meshOf(inverted);
  SurfaceFindings findings;
  std::string error;
  std::vector<std::string> warnings;
  ASSERT_TRUE(checkSurface(mesh, findings, error, warnings)) << error;
  EXPECT_TRUE(findings.turnedAround);
  EXPECT_EQ(findings.volume, 1);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0],
            "hull.obj: the triangles face inwards (the surface encloses -1 as given); they are "
            "turned around");
  EXPECT_EQ(cube().triangles[0].v[1], mesh.surface.triangles[0].v[1]);
}

TEST(SurfaceCheck, ACollapsedTriangleIsLeftOutWithItsOrigin) {
  TriangleSurface hull = surfaces::hullSurface(20, 10);
  const std::size_t count = hull.triangles.size();
  hull.triangles.insert(hull.triangles.begin() + 5, Triangle{{3, 7, 3}});
  MeshFile mesh = meshOf(hull);
  SurfaceFindings findings;
  std::string error;
  std::vector<std::string> warnings;
  ASSERT_TRUE(checkSurface(mesh, findings, error, warnings)) << error;
  EXPECT_EQ(findings.collapsed, 1u);
  ASSERT_EQ(mesh.surface.triangles.size(), count);
  EXPECT_EQ(mesh.origins[5], 106u);  // the triangle behind it keeps its own line
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("e.g. the triangle from line 105"), std::string::npos) << warnings[0];
}

// The surface without the triangles whose corners all satisfy the condition.
template <typename Condition>
TriangleSurface without(TriangleSurface s, Condition condition) {
  std::vector<Triangle> kept;
  for (const Triangle& t : s.triangles) {
    if (!(condition(s.vertices[t.v[0]]) && condition(s.vertices[t.v[1]]) &&
          condition(s.vertices[t.v[2]])))
      kept.push_back(t);
  }
  s.triangles = kept;
  return s;
}

// Every opening is a closed chain of open edges, each run as its one triangle runs it; together
// they hold every open edge once.
void expectLoopsOfOpenEdges(const TriangleSurface& s, std::size_t openEdges) {
  std::size_t edges = 0;
  for (const std::vector<std::uint32_t>& loop : s.openings) {
    for (std::size_t i = 0; i < loop.size(); ++i) {
      const std::uint32_t a = loop[i], b = loop[(i + 1) % loop.size()];
      int forward = 0, backward = 0;
      for (const Triangle& t : s.triangles) {
        for (int k = 0; k < 3; ++k) {
          forward += t.v[k] == a && t.v[(k + 1) % 3] == b;
          backward += t.v[k] == b && t.v[(k + 1) % 3] == a;
        }
      }
      EXPECT_EQ(forward, 1) << "edge " << a << " -> " << b;
      EXPECT_EQ(backward, 0) << "edge " << a << " -> " << b;
      ++edges;
    }
  }
  EXPECT_EQ(edges, openEdges);
}

struct OpenCase {
  const char* name;
  TriangleSurface surface;
  std::size_t loops, openEdges;
  double volume;     // with the openings closed
  Vec3 lowestPoint;  // of the openings, upright
};

std::vector<OpenCase> openCases() {
  const auto top = [](const Vec3& p) { return p.z == 1; };
  const auto bottom = [](const Vec3& p) { return p.z == 0; };
  TriangleSurface openTop = without(cube(), top);
  TriangleSurface insideOut = openTop;
  insideOut.turnInsideOut();
  // A triangle of the top and one of the front (y = 0) that meet at one corner only: two loops
  // through one vertex.
  TriangleSurface touching = cube();
  const auto on = [&touching](const Triangle& t, auto condition) {
    return condition(touching.vertices[t.v[0]]) && condition(touching.vertices[t.v[1]]) &&
           condition(touching.vertices[t.v[2]]);
  };
  const auto isTop = [](const Vec3& p) { return p.z == 1; };
  const auto isFront = [](const Vec3& p) { return p.y == 0; };
  std::size_t topOne = 0, frontOne = 0;
  for (std::size_t i = 0; i < touching.triangles.size(); ++i) {
    for (std::size_t j = 0; j < touching.triangles.size(); ++j) {
      const Triangle &a = touching.triangles[i], &b = touching.triangles[j];
      int shared = 0;
      for (std::uint32_t u : a.v)
        shared += u == b.v[0] || u == b.v[1] || u == b.v[2];
      if (on(a, isTop) && on(b, isFront) && shared == 1) {
        topOne = i;
        frontOne = j;
      }
    }
  }
  EXPECT_NE(topOne, frontOne) << "no two such triangles";
  touching.triangles.erase(touching.triangles.begin() +
                           static_cast<long>(std::max(topOne, frontOne)));
  touching.triangles.erase(touching.triangles.begin() +
                           static_cast<long>(std::min(topOne, frontOne)));
  return {{"open top", openTop, 1, 4, 1, Vec3(0, 0, 1)},
          {"tube", without(openTop, bottom), 2, 8, 1, Vec3(0, 0, 0)},
          {"inside out", insideOut, 1, 4, 1, Vec3(0, 0, 1)},
          {"loops touching at a corner", touching, 2, 6, 1, Vec3(0, 0, 0)}};
}

// An open surface passes with a note on its openings, which hold its open edges in closed loops,
// each run as its triangle runs it (also after an inside-out surface was turned around); the volume
// is the one with the openings closed.
TEST(SurfaceCheck, OpenEdgesBecomeClosedLoopsWithANoteOnTheirLowestPoint) {
  for (OpenCase& c : openCases()) {
    SCOPED_TRACE(c.name);
    MeshFile mesh = meshOf(c.surface);
    SurfaceFindings findings;
    std::string error;
    std::vector<std::string> warnings;
    ASSERT_TRUE(checkSurface(mesh, findings, error, warnings)) << error;
    EXPECT_EQ(findings.openEdges, c.openEdges);
    EXPECT_EQ(mesh.surface.openings.size(), c.loops);
    expectLoopsOfOpenEdges(mesh.surface, c.openEdges);
    EXPECT_NEAR(findings.volume, c.volume, 1e-15);
    Vec3 lowest;
    ASSERT_TRUE(mesh.surface.lowestOpenPoint(Vec3(0, 0, 1), lowest));
    EXPECT_EQ(lowest.z, c.lowestPoint.z);
    ASSERT_EQ(findings.notes.size(), 1u);
    EXPECT_NE(findings.notes[0].find(
                  "hull.obj: the surface is open: " + std::to_string(c.openEdges) +
                  " edges belong to one triangle only, in " + std::to_string(c.loops) +
                  (c.loops == 1 ? " loop" : " loops") + "; the lowest point of the opening is ("),
              std::string::npos)
        << findings.notes[0];
  }
}

// What stays an error on an open surface: an edge of three triangles, triangles run against each
// other, and a single sheet that closes no volume.
TEST(SurfaceCheck, OpenSurfacesKeepTheOtherFaults) {
  TriangleSurface crowded = without(cube(), [](const Vec3& p) { return p.z == 1; });
  crowded.triangles.push_back(Triangle{{crowded.triangles[0].v[0], crowded.triangles[0].v[1],
                                        static_cast<std::uint32_t>(crowded.vertices.size())}});
  crowded.vertices.push_back(Vec3(0.5, 0.5, -1));
  TriangleSurface misoriented = without(cube(), [](const Vec3& p) { return p.z == 1; });
  std::swap(misoriented.triangles[0].v[0], misoriented.triangles[0].v[1]);
  TriangleSurface sheet = cube();
  sheet.triangles.resize(1);
  const std::pair<TriangleSurface, std::string> cases[] = {
      {crowded, "1 edge belongs to more than two triangles"},
      {misoriented, "run in the same direction by both"},
      {sheet, "hull.obj: the surface, its openings closed, encloses no volume (0 against "}};
  for (const auto& [surface, part] : cases) {
    SCOPED_TRACE(part);
    MeshFile mesh = meshOf(surface);
    SurfaceFindings findings;
    std::string error;
    std::vector<std::string> warnings;
    EXPECT_FALSE(checkSurface(mesh, findings, error, warnings));
    EXPECT_NE(error.find(part), std::string::npos) << error;
  }
}

// The examples a fault names are its first in the order of their corners' vertex numbers, then
// of the triangles; whatever order the triangles come in, and around a vertex many triangles
// share (the fanned caps of a prism of 200 sides) as around one of few. Held against the faults
// found by a map of the edges and of the corners.
TEST(SurfaceCheck, ExamplesAreTheFirstFaultsInTheOrderOfTheirCorners) {
  std::vector<Vec3> polygon;
  for (int i = 0; i < 200; ++i)
    polygon.push_back(Vec3(std::cos(i * 0.0314), std::sin(i * 0.0314), 0));
  TriangleSurface prism = surfaces::prismSurface(polygon, Vec3(0, 0, 1));
  std::mt19937 random(45);
  std::shuffle(prism.triangles.begin(), prism.triangles.end(), random);
  const auto line = [](std::size_t t) { return "line " + std::to_string(100 + t); };
  for (const bool doubled : {false, true}) {
    SCOPED_TRACE(doubled ? "doubled facets" : "misoriented triangles");
    TriangleSurface s = prism;
    for (int k = 0; k < 6; ++k) {
      const std::size_t t = random() % prism.triangles.size();
      if (doubled)
        s.triangles.push_back(s.triangles[t]);
      else
        std::swap(s.triangles[t].v[1], s.triangles[t].v[2]);
    }
    std::string expected;
    std::size_t count = 0;
    if (doubled) {
      std::map<std::array<std::uint32_t, 3>, std::vector<std::size_t>> byCorners;
      for (std::size_t t = 0; t < s.triangles.size(); ++t) {
        std::array<std::uint32_t, 3> key{s.triangles[t].v[0], s.triangles[t].v[1],
                                         s.triangles[t].v[2]};
        std::sort(key.begin(), key.end());
        byCorners[key].push_back(t);
      }
      for (const auto& [key, triangles] : byCorners) {
        if (triangles.size() > 1 && count == 0)
          expected = "the triangles from " + line(triangles[0]) + " and " + line(triangles[1]);
        count += triangles.size() - 1;
      }
      expected = std::to_string(count) + (count == 1 ? " triangle lies" : " triangles lie") +
                 " on another one with the same orientation (a doubled facet), e.g. " + expected;
    } else {
      std::map<std::pair<std::uint32_t, std::uint32_t>, std::vector<std::pair<std::size_t, bool>>>
          byEdge;
      for (std::size_t t = 0; t < s.triangles.size(); ++t) {
        for (int k = 0; k < 3; ++k) {
          const std::uint32_t a = s.triangles[t].v[k], b = s.triangles[t].v[(k + 1) % 3];
          byEdge[{std::min(a, b), std::max(a, b)}].push_back({t, a < b});
        }
      }
      for (const auto& [edge, uses] : byEdge) {
        ASSERT_EQ(uses.size(), 2u);
        if (uses[0].second != uses[1].second)
          continue;
        if (count++ == 0)
          expected = "of the triangles from " + line(uses[0].first) + " and " + line(uses[1].first);
      }
      expected = std::to_string(count) + " edges are run in the same direction by both their " +
                 "triangles" + expected;
    }
    ASSERT_GT(count, 0u);
    MeshFile mesh = meshOf(s);
    SurfaceFindings findings;
    std::string error;
    std::vector<std::string> warnings;
    EXPECT_FALSE(checkSurface(mesh, findings, error, warnings));
    const std::size_t example = expected.find(doubled ? "e.g." : "of the triangles");
    EXPECT_NE(error.find(expected.substr(0, example)), std::string::npos) << error;
    EXPECT_NE(error.find(expected.substr(example)), std::string::npos) << error;
  }
}

// Coincident triangles of opposite orientation cancel in pairs, with one note counting the pairs;
// of three, one stays. Two of one orientation are an error, with an example.
TEST(SurfaceCheck, CoincidentTrianglesCancelInPairsOfOppositeOrientation) {
  const auto withCopies = [](std::vector<Triangle> copies) {
    TriangleSurface s = cube();
    // A fin under the bottom: the triangle (0, 0, 0), (1, 0, 0), (0.5, 0, -1) in the front plane.
    s.vertices.push_back(Vec3(0.5, 0, -1));
    s.triangles.insert(s.triangles.end(), copies.begin(), copies.end());
    return s;
  };
  const TriangleSurface plain = cube();
  const auto index = [&plain](const Vec3& p) {
    return static_cast<std::uint32_t>(std::find(plain.vertices.begin(), plain.vertices.end(), p) -
                                      plain.vertices.begin());
  };
  const std::uint32_t o = index(Vec3(0, 0, 0)), x = index(Vec3(1, 0, 0)), fin = 8;
  ASSERT_EQ(plain.vertices.size(), 8u);
  // backFromFin is back, written from another corner.
  const Triangle out{{o, x, fin}}, back{{x, o, fin}}, backFromFin{{fin, x, o}};
  struct Case {
    const char* name;
    TriangleSurface surface;
    bool passes;
    std::size_t pairs;
    std::string text;  // of the note, or of the error
  };
  const Case cases[] = {
      {"one fin", withCopies({out, back}), true, 1,
       "hull.obj: 1 pair of coincident triangles of opposite orientation (a fin of no thickness) "
       "left out, e.g. the triangles from line 112 and line 113"},
      {"two fins, one written from another corner", withCopies({out, backFromFin, back, out}), true,
       2, "2 pairs"},
      {"a doubled facet", withCopies({out, out}), false, 0,
       "hull.obj: 1 triangle lies on another one with the same orientation (a doubled facet), "
       "e.g. the triangles from line 112 and line 113"},
      {"a fin and a third copy", withCopies({out, back, out}), false, 1, "1 pair"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MeshFile mesh = meshOf(c.surface);
    SurfaceFindings findings;
    std::string error;
    std::vector<std::string> warnings;
    EXPECT_EQ(checkSurface(mesh, findings, error, warnings), c.passes) << error;
    EXPECT_EQ(findings.cancelledPairs, c.pairs);
    if (c.passes) {
      ASSERT_EQ(findings.notes.size(), 1u);
      EXPECT_NE(findings.notes[0].find(c.text), std::string::npos) << findings.notes[0];
      EXPECT_EQ(mesh.surface.triangles.size(), 12u);
      EXPECT_EQ(mesh.origins.back(), 111u);  // the cube's last triangle, its origin kept
      EXPECT_NEAR(findings.volume, 1, 1e-15);
    } else if (c.pairs == 0) {
      EXPECT_NE(error.find(c.text), std::string::npos) << error;
    }
  }
}

}  // namespace
