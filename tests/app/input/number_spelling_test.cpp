// Each spelling of a number in a SET file (a header value and a vertex coordinate) read from
// memory and by the stream: the same acceptance, the same message, and strtod's bits.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/input/set_file_reader.h"
#include "app/input/set_file_text.h"
#include "support/number_spellings.h"

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

bool sameBits(double a, double b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

class SetFileNumber : public ::testing::TestWithParam<NumberSpelling> {};

TEST_P(SetFileNumber, ReadFromMemoryAsByTheStreamWithStrtodsBits) {
  const std::string& number = GetParam().text;
  const std::string text = "Volume of Displacement=1000\nGra_Pt.x=" + number +
                           "\nGra_Pt.y=0\nGra_Pt.z=0\nTetrahedron\n" + number +
                           ",0,0\n1,0,0\n0,1,0\n0,0,1\n";
  std::unique_ptr<std::FILE, FileCloser> file(std::tmpfile());
  ASSERT_TRUE(file);
  std::fwrite(text.data(), 1, text.size(), file.get());
  std::rewind(file.get());
  FloatingBody byStream, fromMemory;
  SetFileError error;
  std::vector<SetFileWarning> warnings;
  const bool streamRead = parseSetFileByStream(file.get(), byStream, error, warnings);
  const bool memoryRead = readUsualSetFile(text.data(), text.size(), fromMemory);
  // Reading from memory takes every plain number of up to 100 characters, and nothing the
  // stream refuses; the rest is the stream's.
  if (GetParam().quick && number.size() <= 100) {
    EXPECT_TRUE(memoryRead);
  }
  if (memoryRead) {
    ASSERT_TRUE(streamRead);
    EXPECT_TRUE(sameBits(fromMemory.centreOfGravity.x, byStream.centreOfGravity.x));
    ASSERT_EQ(fromMemory.tetrahedronCount, 1);
    EXPECT_TRUE(
        sameBits(fromMemory.tetrahedra[0].vertices[0].x, byStream.tetrahedra[0].vertices[0].x));
  }
  // Through the reader's whole path (memory first, then the stream) the result is the stream's.
  std::rewind(file.get());
  FloatingBody body;
  SetFileError wholeError;
  std::vector<SetFileWarning> wholeWarnings;
  ASSERT_EQ(parseSetFile(file.get(), body, wholeError, wholeWarnings), streamRead);
  if (!streamRead) {
    EXPECT_EQ(wholeError.message, error.message);
    EXPECT_EQ(wholeError.line, error.line);
    return;
  }
  const double expected = std::strtod(number.c_str(), nullptr);
  EXPECT_TRUE(sameBits(body.centreOfGravity.x, expected)) << body.centreOfGravity.x;
  ASSERT_EQ(body.tetrahedronCount, 1);
  EXPECT_TRUE(sameBits(body.tetrahedra[0].vertices[0].x, expected));
}

std::string spellingName(const ::testing::TestParamInfo<NumberSpelling>& info) {
  return "spelling" + std::to_string(info.index);
}

INSTANTIATE_TEST_SUITE_P(Spellings, SetFileNumber, ::testing::ValuesIn(numberSpellings()),
                         spellingName);

}  // namespace
