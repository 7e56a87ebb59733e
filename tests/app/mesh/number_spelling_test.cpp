// Each spelling of a number as a mesh coordinate and as an ASCII STL facet normal: the quick
// conversion gives what std::from_chars alone gives, accepting and refusing the same words.

#include <gtest/gtest.h>

#include <charconv>
#include <cstring>
#include <string>
#include <system_error>

#include "app/mesh/mesh_reader.h"
#include "support/number_spellings.h"

namespace {

bool sameBits(double a, double b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

class MeshNumber : public ::testing::TestWithParam<NumberSpelling> {};

TEST_P(MeshNumber, CoordinateAsFromCharsGivesIt) {
  const std::string& word = GetParam().text;
  double quick = -1, careful = -2;
  const bool quickRead = parseCoordinate(word, quick);
  ASSERT_EQ(quickRead, parseCoordinateCarefully(word, careful));
  if (quickRead) {
    EXPECT_TRUE(sameBits(quick, careful)) << quick << " vs " << careful;
  }
}

// In an ASCII STL file the normal may be any number, even one out of range, the vertex only a
// finite one; a refusal names the normal's line 2 or the vertex's line 4.
TEST_P(MeshNumber, StlFacetReadAsBefore) {
  const std::string& word = GetParam().text;
  const std::string text = "solid t\nfacet normal " + word + " 0 1\nouter loop\nvertex " + word +
                           " 0 0\nvertex 1 0 0\nvertex 0 1 0\nendloop\nendfacet\nendsolid t\n";
  const char* first = word.data() + (word.size() > 1 && word[0] == '+' ? 1 : 0);
  double ignored = 0;
  const std::from_chars_result r = std::from_chars(first, word.data() + word.size(), ignored);
  const bool anyNumber = r.ptr == word.data() + word.size() &&
                         (r.ec == std::errc() || r.ec == std::errc::result_out_of_range);
  double expected = 0;
  const bool finite = parseCoordinateCarefully(word, expected);
  MeshFile mesh;
  MeshFileError error;
  ASSERT_EQ(parseMesh(text, "t.stl", mesh, error), anyNumber && finite) << error.message;
  if (anyNumber && finite) {
    EXPECT_TRUE(sameBits(mesh.surface.vertices[0].x, expected));
  } else {
    EXPECT_EQ(error.line, anyNumber ? 4 : 2) << error.message;
  }
}

std::string spellingName(const ::testing::TestParamInfo<NumberSpelling>& info) {
  return "spelling" + std::to_string(info.index);
}

INSTANTIATE_TEST_SUITE_P(Spellings, MeshNumber, ::testing::ValuesIn(numberSpellings()),
                         spellingName);

}  // namespace
