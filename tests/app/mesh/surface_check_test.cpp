// The checks of a surface before it becomes a body: what an open, a non-manifold, a badly oriented,
// an inside-out, a flat and a degenerate surface are told, and that a sound one passes untouched.

#include "app/mesh/surface_check.h"

#include <gtest/gtest.h>

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
      {"open",
       open,
       false,
       {"hull.obj: the surface does not bound a solid: 3 edges belong to one triangle only (the "
        "surface is open), e.g. the edge from (",
        " of the triangle from line 1"},
       0},
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
      {"flat sheet", sheet, false, {"hull.obj: the surface encloses no volume (0 against "}, 0},
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

}  // namespace
