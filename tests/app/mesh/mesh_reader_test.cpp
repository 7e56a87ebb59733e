// The surface mesh readers: one hull written in every format reads back as the same surface, the
// format is told by content before extension, OBJ's index forms, and the faults named with their
// file, line and reason.

#include "app/mesh/mesh_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "app/mesh/stl_reader.h"
#include "app/reader_test_support.h"
#include "submerged/surface_evaluation.h"
#include "support/surfaces.h"

namespace {

// The corner coordinates of every triangle, in order: what two readings must agree on whatever
// the vertex numbering.
std::vector<double> cornerCoordinates(const TriangleSurface& s) {
  std::vector<double> out;
  for (const auto& t : s.triangles) {
    for (std::uint32_t v : t.v) {
      out.insert(out.end(), {s.vertices[v].x, s.vertices[v].y, s.vertices[v].z});
    }
  }
  return out;
}

MeshFile parsed(const std::string& bytes, const std::string& path) {
  MeshFile mesh;
  MeshFileError error;
  EXPECT_TRUE(parseMesh(bytes, path, mesh, error)) << error.message;
  return mesh;
}

struct FormatCase {
  const char* name;
  std::string (*write)(const TriangleSurface&);
  const char* path;
  MeshFormat format;
};

const FormatCase kFormats[] = {
    {"ascii_stl", surfaces::stlAscii, "hull.stl", MeshFormat::kStlAscii},
    {"ascii_stl_crlf",
     [](const TriangleSurface& s) { return reader_test::withCrLf(surfaces::stlAscii(s)); },
     "hull.STL", MeshFormat::kStlAscii},
    {"binary_stl", [](const TriangleSurface& s) { return surfaces::stlBinary(s); }, "hull.stl",
     MeshFormat::kStlBinary},
    // Some exporters start the binary header with "solid": the size decides.
    {"binary_stl_solid_header",
     [](const TriangleSurface& s) { return surfaces::stlBinary(s, "solid hull"); }, "hull",
     MeshFormat::kStlBinary},
    {"obj", surfaces::objText, "hull.obj", MeshFormat::kObj},
    {"off", surfaces::offText, "hull.off", MeshFormat::kOff},
};

TEST(MeshReader, OneHullInEveryFormatReadsAsTheSameSurface) {
  const TriangleSurface hull = surfaces::hullSurface(24, 8);
  const std::vector<double> expected = cornerCoordinates(hull);
  SurfaceEvaluation reference(hull, 1);
  const Plane plane(0.05, -0.1, 1, -4);
  reference.setNormal(plane.A, plane.B, plane.C);
  const double volume = reference.submergedVolume(plane.D);
  for (const FormatCase& c : kFormats) {
    SCOPED_TRACE(c.name);
    const MeshFile mesh = parsed(c.write(hull), c.path);
    EXPECT_EQ(mesh.format, c.format);
    EXPECT_EQ(mesh.surface.vertices.size(), hull.vertices.size());  // equal points merged
    EXPECT_EQ(cornerCoordinates(mesh.surface), expected);
    EXPECT_EQ(mesh.origins.size(), mesh.surface.triangles.size());
    SurfaceEvaluation evaluation(mesh.surface, 1);
    evaluation.setNormal(plane.A, plane.B, plane.C);
    EXPECT_EQ(evaluation.submergedVolume(plane.D), volume);
  }
}

TEST(MeshReader, TextKeepsEveryDigitAndMergesMinusZero) {
  const MeshFile mesh = parsed(
      "solid t\nfacet normal 0 0 0\nouter loop\nvertex 0.1 -0 +2.5e-3\n"
      "vertex 123456789.12345678 0 0\nvertex 0 1 0\nendloop\nendfacet\n"
      "FACET NORMAL nan nan nan OUTER LOOP VERTEX 0.1 0 0.0025 VERTEX 0 1 0 VERTEX 0 0 1\n"
      "ENDLOOP ENDFACET ENDSOLID t\n",
      "t.stl");
  ASSERT_EQ(mesh.surface.triangles.size(), 2u);
  EXPECT_EQ(mesh.surface.vertices.size(), 4u);
  EXPECT_EQ(mesh.surface.vertices[0].x, 0.1);
  EXPECT_EQ(mesh.surface.vertices[1].x, 123456789.12345678);
  EXPECT_EQ(mesh.surface.triangles[1].v[0], 0u);  // "-0" and "0" are one point
  EXPECT_EQ(mesh.origins[1], 9u);
}

TEST(MeshReader, ObjIndexFormsAndPolygonFans) {
  const MeshFile mesh = parsed(
      "# a quad and a pentagon\nmtllib x.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0 1.0\nv 0 1 0\n"
      "vt 0 0\nvn 0 0 1\ng quad\nf 1/1/1 2//1 3/1 4\n"
      "v 2 0 0\nf -5 -4 -1 -3 -2 # negative: counted back from the last vertex above\n",
      "shape");
  ASSERT_EQ(mesh.format, MeshFormat::kObj);
  ASSERT_EQ(mesh.surface.triangles.size(), 2u + 3u);
  const auto& t = mesh.surface.triangles;
  EXPECT_EQ(std::vector<std::uint32_t>({t[1].v[0], t[1].v[1], t[1].v[2]}),
            std::vector<std::uint32_t>({0, 2, 3}));
  EXPECT_EQ(std::vector<std::uint32_t>({t[2].v[0], t[2].v[1], t[2].v[2]}),
            std::vector<std::uint32_t>({0, 1, 4}));
  EXPECT_EQ(mesh.origins[4], 12u);
}

struct DetectCase {
  const char* name;
  std::string bytes;
  const char* path;
  bool known;
  MeshFormat format;
};

TEST(MeshReader, FormatByContentThenExtension) {
  const std::string offWithComments =
      "# made by hand\n\nOFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n";
  const DetectCase cases[] = {
      {"OFF content beats the .obj name", offWithComments, "a.obj", true, MeshFormat::kOff},
      {"solid text", "solid x\nendsolid x\n", "a.obj", true, MeshFormat::kStlAscii},
      {"solid with NUL bytes is no text", std::string("solid x\0\0\0", 10), "a.stl", true,
       MeshFormat::kStlBinary},
      {"extension decides", "garbage", "A.OBJ", true, MeshFormat::kObj},
      {"v and f lines", "v 0 0 0\nf 1 1 1\n", "noext", true, MeshFormat::kObj},
      {"nothing fits", "hello\n", "noext.txt", false, MeshFormat::kObj},
  };
  for (const DetectCase& c : cases) {
    SCOPED_TRACE(c.name);
    MeshFormat format = MeshFormat::kObj;
    MeshFileError error;
    EXPECT_EQ(detectMeshFormat(c.bytes, c.path, format, error), c.known) << error.message;
    if (c.known) {
      EXPECT_EQ(format, c.format);
    } else {
      EXPECT_EQ(error.message.rfind("noext.txt: cannot tell the format", 0), 0u) << error.message;
    }
  }
}

struct FaultCase {
  const char* name;
  std::string bytes;
  const char* path;
  std::string message;
  long line;
};

std::string binaryWithNan() {
  std::string bytes = surfaces::stlBinary(surfaces::boxSurface(Vec3(0, 0, 0), 1, 1, 1));
  const char nan[4] = {0, 0, static_cast<char>(0xc0), 0x7f};
  bytes.replace(84 + 50 + 12, 4, nan, 4);  // facet 2, vertex 1, x
  return bytes;
}

const std::string kFacetStart = "solid s\nfacet normal 0 0 1\nouter loop\n";

const FaultCase kFaults[] = {
    {"stl facet with two vertices", kFacetStart + "vertex 0 0 0\nvertex 1 0 0\nendloop\n", "s.stl",
     "s.stl line 6: expected \"vertex\" and three numbers, found \"endloop\"", 6},
    {"stl bad number", kFacetStart + "vertex 0 0 0\nvertex 1,5 0 0\n", "s.stl",
     "s.stl line 5: vertex coordinate \"1,5\" is not a finite number", 5},
    {"stl infinite number", kFacetStart + "vertex 0 0 1e999\n", "s.stl",
     "s.stl line 4: vertex coordinate \"1e999\" is not a finite number", 4},
    {"stl cut short", kFacetStart + "vertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\nendloop\nendfacet\n",
     "s.stl", "s.stl line 8: expected \"facet\" or \"endsolid\", found the end of the file", 8},
    {"binary size", std::string(84 + 49, '\0'), "b.stl",
     "b.stl: a binary STL file of 133 bytes must hold 84 + 50 n bytes for the facet count n = 0 "
     "at byte 80",
     0},
    {"binary nan", binaryWithNan(), "b.stl",
     "b.stl facet 2: vertex 1 has a coordinate that is not a finite number", 0},
    {"obj index beyond", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 4\n", "o.obj",
     "o.obj line 4: face refers to vertex 4, but 3 vertices are defined above it", 4},
    {"obj index zero", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 0 1 2\n", "o.obj",
     "o.obj line 4: face refers to vertex 0, but 3 vertices are defined above it", 4},
    {"obj two corners", "v 0 0 0\nv 1 0 0\r\nf 1 2\r\n", "o.obj",
     "o.obj line 3: a face needs at least three vertices, this one has 2", 3},
    {"obj no triangles", "v 0 0 0\n", "o.obj", "o.obj: the OBJ file holds no triangles", 0},
    {"off cut short", "OFF\n4 1 0\n0 0 0\n1 0 0\n", "f.off",
     "f.off ends after line 4: expected vertex 3 of 4", 4},
    {"off index", "OFF 3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 3\n", "f.off",
     "f.off line 5: vertex index \"3\" is not between 0 and 2", 5},
    {"off binary", "OFF BINARY\n", "f.off",
     "f.off line 1: binary OFF files are not supported; write the file as text", 1},
};

TEST(MeshReader, FaultsNameTheFileTheLineAndTheReason) {
  for (const FaultCase& c : kFaults) {
    SCOPED_TRACE(c.name);
    MeshFile mesh;
    MeshFileError error;
    EXPECT_FALSE(parseMesh(c.bytes, c.path, mesh, error));
    EXPECT_EQ(error.message, c.message);
    EXPECT_EQ(error.line, c.line);
    EXPECT_TRUE(mesh.surface.triangles.empty());
  }
}

// A large binary file is read in two halves side by side. Whatever the facets' order, the result
// must be the surface of a reading from front to back, vertex for vertex: the second half's
// points met in the first take the first's vertices (zero and minus zero alike), its new ones
// follow in the order they were met, and a fault names the facet of the whole file.
TEST(MeshReader, BinaryStlReadInTwoHalvesIsTheFrontToBackSurface) {
  TriangleSurface soup = surfaces::hullSurface(160, 40);  // closed, with points on y = 0
  ASSERT_GT(soup.triangles.size(), 2 * kStlTwoHalvesFacets);
  std::shuffle(soup.triangles.begin(), soup.triangles.end(), std::mt19937(45));
  std::string bytes = surfaces::stlBinary(soup);
  const std::size_t facets = soup.triangles.size();
  // The second half writes each zero coordinate as minus zero.
  for (std::size_t at = 84 + 50 * (facets / 2 + 1); at + 50 <= bytes.size(); at += 50) {
    for (std::size_t c = 12; c < 48; c += 4) {
      if (std::memcmp(&bytes[at + c], "\0\0\0\0", 4) == 0)
        bytes[at + c + 3] = static_cast<char>(0x80);
    }
  }

  // The reference: every corner added one at a time, in the file's order.
  TriangleSurface expected;
  std::vector<std::uint32_t> expectedOrigins;
  SurfaceBuilder oneByOne(expected, expectedOrigins);
  for (std::size_t f = 0; f < facets; ++f) {
    std::uint32_t v[3];
    for (int k = 0; k < 3; ++k) {
      const TriangleSurface::Triangle& t = soup.triangles[f];
      const Vec3& p = soup.vertices[t.v[k]];
      ASSERT_TRUE(oneByOne.addPoint(
          Vec3(static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)), v[k]));
    }
    ASSERT_TRUE(oneByOne.addTriangle(v[0], v[1], v[2], toOrigin(static_cast<long long>(f) + 1)));
  }
  ASSERT_EQ(expected.vertices.size(), soup.vertices.size());

  const MeshFile mesh = parsed(bytes, "soup.stl");
  ASSERT_EQ(mesh.surface.vertices.size(), expected.vertices.size());
  for (std::size_t i = 0; i < expected.vertices.size(); ++i)
    ASSERT_EQ(mesh.surface.vertices[i], expected.vertices[i]) << "vertex " << i;
  ASSERT_EQ(mesh.surface.triangles.size(), facets);
  for (std::size_t f = 0; f < facets; ++f) {
    ASSERT_TRUE(std::equal(mesh.surface.triangles[f].v, mesh.surface.triangles[f].v + 3,
                           expected.triangles[f].v))
        << "facet " << f + 1;
  }
  EXPECT_EQ(mesh.origins, expectedOrigins);

  // A coordinate that is no number: in the second half alone, then in both halves (the first
  // half's is met first from the front).
  const char nan[4] = {0, 0, static_cast<char>(0xc0), 0x7f};
  const std::size_t late = facets - 3, early = 5;
  bytes.replace(84 + 50 * (late - 1) + 12 + 12 * 2 + 4, 4, nan, 4);  // vertex 3, y
  for (const auto& [where, message] : {std::pair(late, "vertex 3"), std::pair(early, "vertex 2")}) {
    if (where == early)
      bytes.replace(84 + 50 * (early - 1) + 12 + 12 * 1, 4, nan, 4);  // vertex 2, x
    MeshFile failed;
    MeshFileError error;
    EXPECT_FALSE(parseMesh(bytes, "soup.stl", failed, error));
    EXPECT_EQ(error.message, "soup.stl facet " + std::to_string(where) + ": " + message +
                                 " has a coordinate that is not a finite number");
    EXPECT_TRUE(failed.surface.triangles.empty());
  }
}

TEST(MeshReader, AFileThatCannotBeOpenedNamesTheReason) {
  MeshFile mesh;
  MeshFileError error;
  EXPECT_FALSE(readMeshFile("/nonexistent/hull.stl", mesh, error));
  EXPECT_EQ(error.message,
            "/nonexistent/hull.stl: cannot open the file: No such file or directory");
}

}  // namespace
