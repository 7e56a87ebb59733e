// A surface handed over as arrays: the same surface, vertex for vertex and triangle for triangle,
// as a file with the same points and faces gives, and its faults named by array and row.

#include "app/mesh/array_mesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "app/mesh/surface_check.h"
#include "support/surfaces.h"

namespace {

struct Arrays {
  std::vector<double> xyz;
  std::vector<std::int64_t> corners;
};

Arrays arraysOf(const TriangleSurface& s) {
  Arrays a;
  for (const Vec3& v : s.vertices)
    a.xyz.insert(a.xyz.end(), {v.x, v.y, v.z});
  for (const auto& t : s.triangles)
    a.corners.insert(a.corners.end(), {t.v[0], t.v[1], t.v[2]});
  return a;
}

bool fromArrays(const Arrays& a, MeshFile& mesh, MeshFileError& error) {
  return surfaceFromArrays("hull", a.xyz.data(), a.xyz.size() / 3, a.corners.data(),
                           a.corners.size() / 3, mesh, error);
}

void expectSameSurface(const TriangleSurface& a, const TriangleSurface& b) {
  ASSERT_EQ(a.vertices.size(), b.vertices.size());
  ASSERT_EQ(a.triangles.size(), b.triangles.size());
  for (std::size_t i = 0; i < a.vertices.size(); ++i)
    EXPECT_EQ(a.vertices[i], b.vertices[i]) << "vertex " << i;
  for (std::size_t t = 0; t < a.triangles.size(); ++t) {
    for (int k = 0; k < 3; ++k)
      EXPECT_EQ(a.triangles[t].v[k], b.triangles[t].v[k]) << "triangle " << t;
  }
}

TEST(ArrayMesh, GivesTheSurfaceOfTheOBJAndSTLFilesOfTheSamePoints) {
  const TriangleSurface hull = surfaces::hullSurface(10, 5);
  MeshFile obj, stl, indexed, soup;
  MeshFileError error;
  ASSERT_TRUE(parseMesh(surfaces::objText(hull), "hull.obj", obj, error)) << error.message;
  ASSERT_TRUE(parseMesh(surfaces::stlBinary(hull), "hull.stl", stl, error)) << error.message;
  ASSERT_TRUE(fromArrays(arraysOf(hull), indexed, error)) << error.message;
  expectSameSurface(indexed.surface, obj.surface);
  // Every triangle's own three points, as an STL file holds them: the equal points merge into
  // the same vertices, in the same order as the STL reader's.
  Arrays corners;
  for (const auto& t : hull.triangles) {
    for (int k = 0; k < 3; ++k) {
      const Vec3& v = hull.vertices[t.v[k]];
      corners.xyz.insert(corners.xyz.end(), {v.x, v.y, v.z});
      corners.corners.push_back(static_cast<std::int64_t>(corners.corners.size()));
    }
  }
  ASSERT_TRUE(fromArrays(corners, soup, error)) << error.message;
  expectSameSurface(soup.surface, stl.surface);
  // The surface checks name the arrays' rows: one triangle turned the other way round.
  Arrays turned = arraysOf(hull);
  std::swap(turned.corners[turned.corners.size() - 1], turned.corners[turned.corners.size() - 2]);
  MeshFile mesh;
  ASSERT_TRUE(fromArrays(turned, mesh, error));
  SurfaceFindings findings;
  std::string checkError;
  std::vector<std::string> warnings;
  EXPECT_FALSE(checkSurface(mesh, findings, checkError, warnings));
  EXPECT_EQ(checkError.rfind("hull: the surface does not bound a solid", 0), 0u) << checkError;
  EXPECT_NE(checkError.find("triangles["), std::string::npos) << checkError;
}

TEST(ArrayMesh, FaultsNameTheArrayAndTheRow) {
  const Arrays box = arraysOf(surfaces::boxSurface(Vec3(0, 0, 0), 1, 1, 1));
  struct Case {
    const char* name;
    Arrays arrays;
    const char* message;
  };
  std::vector<Case> cases;
  cases.push_back({"index beyond", box,
                   "hull: triangles[3] refers to vertex 8, but the vertices "
                   "are numbered 0 to 7"});
  cases.back().arrays.corners[10] = 8;
  cases.push_back({"negative index", box, "hull: triangles[0] refers to vertex -1"});
  cases.back().arrays.corners[0] = -1;
  cases.push_back({"not finite", box, "hull: vertices[5]: z is not a finite number"});
  cases.back().arrays.xyz[17] = std::numeric_limits<double>::quiet_NaN();
  cases.push_back({"infinite", box, "hull: vertices[0]: x is not a finite number"});
  cases.back().arrays.xyz[0] = -std::numeric_limits<double>::infinity();
  cases.push_back({"no triangles", box, "hull: no triangles are given"});
  cases.back().arrays.corners.clear();
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    MeshFile mesh;
    MeshFileError error;
    EXPECT_FALSE(fromArrays(k.arrays, mesh, error));
    EXPECT_EQ(error.message.rfind(k.message, 0), 0u) << error.message;
    EXPECT_TRUE(mesh.surface.empty());
  }
}

}  // namespace
