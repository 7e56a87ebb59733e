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

// The surface a reading from front to back makes of these corners (three per triangle, in file
// order) and origins: every point added one at a time.
struct FrontToBack {
  TriangleSurface surface;
  std::vector<std::uint32_t> origins;
  SurfaceBuilder builder{surface, origins};

  void addTriangle(const Vec3 (&corners)[3], std::uint32_t origin) {
    std::uint32_t v[3];
    for (int k = 0; k < 3; ++k)
      ASSERT_TRUE(builder.addPoint(corners[k], v[k]));
    ASSERT_TRUE(builder.addTriangle(v[0], v[1], v[2], origin));
  }
  // The surface read is this one, vertex for vertex and bit for bit (a vertex keeps the zero
  // it was first met with).
  void expectRead(const TriangleSurface& read,
                  const std::vector<std::uint32_t>& readOrigins) const {
    ASSERT_EQ(read.vertices.size(), surface.vertices.size());
    for (std::size_t i = 0; i < surface.vertices.size(); ++i) {
      ASSERT_EQ(std::memcmp(&read.vertices[i], &surface.vertices[i], sizeof(Vec3)), 0)
          << "vertex " << i;
    }
    ASSERT_EQ(read.triangles.size(), surface.triangles.size());
    for (std::size_t f = 0; f < surface.triangles.size(); ++f) {
      ASSERT_TRUE(std::equal(read.triangles[f].v, read.triangles[f].v + 3, surface.triangles[f].v))
          << "triangle " << f;
    }
    EXPECT_EQ(readOrigins, origins);
  }
  void expectRead(const MeshFile& mesh) const { expectRead(mesh.surface, mesh.origins); }
};

// A closed hull of more than 16,000 triangles in a shuffled order, with points on y = 0.
TriangleSurface shuffledHull() {
  TriangleSurface soup = surfaces::hullSurface(160, 40);
  std::shuffle(soup.triangles.begin(), soup.triangles.end(), std::mt19937(45));
  return soup;
}

void expectFault(const std::string& bytes, const std::string& message, long line) {
  MeshFile failed;
  MeshFileError error;
  EXPECT_FALSE(parseMesh(bytes, "soup.stl", failed, error));
  EXPECT_EQ(error.message, message);
  EXPECT_EQ(error.line, line);
}

// A large binary file is read in two halves side by side. Whatever the facets' order, the result
// must be the surface of a reading from front to back, vertex for vertex: the second half's
// points met in the first take the first's vertices (zero and minus zero alike), its new ones
// follow in the order they were met, and a fault names the facet of the whole file.
TEST(MeshReader, BinaryStlReadInTwoHalvesIsTheFrontToBackSurface) {
  const TriangleSurface soup = shuffledHull();
  ASSERT_GT(soup.triangles.size(), 2 * kStlTwoHalvesFacets);
  std::string bytes = surfaces::stlBinary(soup);
  const std::size_t facets = soup.triangles.size();
  // The second half writes each zero coordinate as minus zero.
  for (std::size_t at = 84 + 50 * (facets / 2 + 1); at + 50 <= bytes.size(); at += 50) {
    for (std::size_t c = 12; c < 48; c += 4) {
      if (std::memcmp(&bytes[at + c], "\0\0\0\0", 4) == 0)
        bytes[at + c + 3] = static_cast<char>(0x80);
    }
  }
  FrontToBack expected;
  for (std::size_t f = 0; f < facets; ++f) {
    Vec3 corners[3];
    for (int k = 0; k < 3; ++k) {
      float xyz[3];
      std::memcpy(xyz, &bytes[84 + 50 * f + 12 * (k + 1)], sizeof xyz);
      corners[k] = Vec3(xyz[0], xyz[1], xyz[2]);
    }
    expected.addTriangle(corners, toOrigin(static_cast<long long>(f) + 1));
  }
  ASSERT_EQ(expected.surface.vertices.size(), soup.vertices.size());
  expected.expectRead(parsed(bytes, "soup.stl"));

  // A coordinate that is no number, alone: in the first facet, at the first of a block of 128
  // (its first vertex), at the second half's first facet and its last, in the last facet; then
  // in both halves (the first half's is met first from the front).
  const char nan[4] = {0, 0, static_cast<char>(0xc0), 0x7f};
  const auto withNan = [&nan](std::string text, std::size_t facet, int vertex, int axis) {
    text.replace(84 + 50 * (facet - 1) + 12 * vertex + 4 * axis, 4, nan, 4);
    return text;
  };
  const auto message = [](std::size_t facet, int vertex) {
    return "soup.stl facet " + std::to_string(facet) + ": vertex " + std::to_string(vertex) +
           " has a coordinate that is not a finite number";
  };
  const std::pair<std::size_t, int> alone[] = {
      {1, 2}, {129, 1}, {facets / 2 + 1, 1}, {facets / 2, 3}, {facets, 3}};
  for (const auto& [facet, vertex] : alone) {
    SCOPED_TRACE(facet);
    expectFault(withNan(bytes, facet, vertex, vertex - 1), message(facet, vertex), 0);
  }
  expectFault(withNan(withNan(bytes, facets - 3, 3, 1), 5, 2, 0), message(5, 2), 0);
}

// A large ASCII file is read in two halves, split behind a line that holds "endfacet" alone,
// whatever the layout around it: the surface and every facet's line are those of a reading from
// front to back, and a fault is the one that reading meets first, at its line in the file.
TEST(MeshReader, AsciiStlReadInTwoHalvesIsTheFrontToBackSurface) {
  const TriangleSurface soup = shuffledHull();
  struct Layout {
    const char* what;
    std::size_t facetsPerSolid;  // a split may fall before an "endsolid" or between solids
    bool crLf;
    bool mixed;  // facets on one line, keywords in capitals, "endloop endfacet" on one line
    // A solid's name, which the reading passes over: one that looks like a facet must not be
    // taken for one.
    const char* name;
  };
  const char* const facetName =
      "endfacet facet normal 0 0 1 outer loop vertex 0 0 0 vertex 1 0 0 vertex 0 1 0 endloop "
      "endfacet";
  const Layout layouts[] = {{"one solid", 0, false, false, "hull"},
                            {"a solid per facet", 1, false, false, facetName},
                            {"solids of seven facets, CR LF", 7, true, false, "part"},
                            {"mixed lines", 0, false, true, "hull"},
                            {"mixed lines, solids of three, CR LF", 3, true, true, facetName}};
  for (const Layout& layout : layouts) {
    SCOPED_TRACE(layout.what);
    const std::string eol = layout.crLf ? "\r\n" : "\n";
    std::string text;
    long line = 1;
    const auto put = [&](const std::string& words, bool lineEnd) {
      text += words;
      if (lineEnd) {
        text += eol;
        ++line;
      } else {
        text += ' ';
      }
    };
    FrontToBack expected;
    const std::size_t facets = soup.triangles.size();
    for (std::size_t f = 0; f < facets; ++f) {
      const std::size_t solid = layout.facetsPerSolid == 0 ? facets : layout.facetsPerSolid;
      if (f % solid == 0)
        put(std::string("solid ") + layout.name, true);
      const bool oneLine = layout.mixed && f % 3 == 1;
      const bool capitals = layout.mixed && f % 5 == 2;
      expected.addTriangle(
          {soup.vertices[soup.triangles[f].v[0]], soup.vertices[soup.triangles[f].v[1]],
           soup.vertices[soup.triangles[f].v[2]]},
          toOrigin(line));
      put(capitals ? "  FACET NORMAL 0 0 1" : "  facet normal 0 0 1", !oneLine);
      put("outer loop", !oneLine);
      for (const std::uint32_t v : soup.triangles[f].v)
        put("vertex " + surfaces::pointText(soup.vertices[v]), !oneLine);
      if (layout.mixed && f % 4 == 3) {
        put("endloop endfacet", true);
      } else {
        put("endloop", !oneLine);
        put(capitals ? "  ENDFACET" : "  endfacet", true);
      }
      if (f % solid == solid - 1 || f + 1 == facets)
        put("endsolid part", true);
    }
    ASSERT_GT(text.size(), std::size_t{1} << 21);
    expected.expectRead(parsed(text, "soup.stl"));
    // The two halves stood (the text was not read again from the front on one thread).
    TriangleSurface read;
    std::vector<std::uint32_t> origins;
    SurfaceBuilder builder(read, origins);
    MeshFileError error;
    bool stood = false;
    ASSERT_TRUE(parseStlAscii(text, "soup.stl", builder, error, true, &stood));
    EXPECT_TRUE(stood);
    expected.expectRead(read, origins);

    // Faults, each alone: a bad number in the second half, one in the first half besides, and
    // a file cut short within its last facet.
    const auto coordinateAfter = [&text](std::size_t from) {  // of a vertex, not in a name
      std::size_t at = text.find("vertex ", from);
      while (text.compare(text.rfind('\n', at) + 1, 5, "solid") == 0)
        at = text.find("vertex ", text.find('\n', at));
      return at + 7;
    };
    const auto lineAt = [&text](std::size_t at) {
      return 1 + static_cast<long>(std::count(text.begin(), text.begin() + at, '\n'));
    };
    std::string bad = text;
    for (const std::size_t quarter : {3, 1}) {  // the second half's fault, then the first's too
      const std::size_t at = coordinateAfter(text.size() * quarter / 4);
      bad.replace(at, 1, "#");
      expectFault(bad,
                  "soup.stl line " + std::to_string(lineAt(at)) + ": vertex coordinate \"" +
                      bad.substr(at, bad.find(' ', at) - at) + "\" is not a finite number",
                  lineAt(at));
    }
    const std::string cut = text.substr(0, text.rfind("endloop"));
    const long lastWordLine = lineAt(cut.find_last_not_of(" \r\n"));  // the message's line
    expectFault(cut,
                "soup.stl line " + std::to_string(lastWordLine) +
                    ": expected \"endloop\" after the third vertex, found the end of the file",
                lastWordLine);
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
