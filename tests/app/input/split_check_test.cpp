#include "app/input/split_check.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/input/input_warnings.h"
#include "app/input/set_file_reader.h"
#include "app/input/set_file_text.h"
#include "fuzz/input_checks.h"
#include "support/shapes.h"
#include "support/temp_folder.h"

namespace {

using test_support::boxHexahedron;
using test_support::Random;

// Hexahedra and prisms of every sort the checks tell apart (plane, warped, numbered across their
// faces, of no volume), `count` of each, between tetrahedra and cylinders, with G outside.
void fillMixedBody(FloatingBody& body, int count) {
  Random random(20261210);
  std::vector<Hexahedron> hexahedra;
  std::vector<TrianglePrism> prisms;
  for (int i = 0; i < count; ++i) {
    Hexahedron h = i % 4 == 0 ? boxHexahedron(random.point(-5, 5), 1, 2, 3)
                              : test_support::randomHexahedron(random);
    if (i % 7 == 3)
      std::swap(h.vertices[2], h.vertices[3]);  // numbered across its faces
    if (i % 11 == 5)
      h = boxHexahedron(Vec3(i, 0, 0), 1, 1, 0);  // no volume
    hexahedra.push_back(h);
    prisms.push_back(i % 3 == 0 ? test_support::unitPrism(random.point(-5, 5))
                                : test_support::randomPrism(random));
  }
  test_support::fillBody(body, {test_support::randomTetrahedron(random, -1, 1)}, hexahedra, prisms,
                         {test_support::randomCylinder(random)});
  body.displacementVolume = 10;
  body.centreOfGravity = Vec3(100, 0, 0);
}

std::vector<std::pair<long, std::string>> linesAndTexts(const std::vector<InputWarning>& found) {
  std::vector<std::pair<long, std::string>> all;
  for (const InputWarning& w : found)
    all.emplace_back(w.line, w.message);
  return all;
}

// A folder of the running test's own: tests run side by side in processes of their own.
test_support::TempFolder testFolder(const std::string& use) {
  return test_support::TempFolder(
      std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_" + use);
}

// The findings of the program's reading of the text against those of the body the stream reads,
// its lines found by a scan of the file: the same, at the same lines with the same texts.
void expectTheStreamsFindings(const std::string& text, std::size_t atLeast) {
  const test_support::TempFolder folder = testFolder("findings");
  const std::string path = folder.write("body.txt", text);
  FloatingBody read;
  std::ostringstream err;
  const std::vector<InputWarning> found =
      readSetFileWithWarnings(path.c_str(), read, err, kAllFindings);
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                       &std::fclose);
  ASSERT_NE(file, nullptr);
  FloatingBody streamed;
  SetFileError error;
  std::vector<SetFileWarning> warnings;
  ASSERT_TRUE(parseSetFileByStream(file.get(), streamed, error, warnings));
  std::rewind(file.get());
  const std::vector<InputWarning> expected = checkBody(streamed, scanElementLines(file.get()));
  ASSERT_GE(expected.size(), atLeast);
  EXPECT_EQ(linesAndTexts(found), linesAndTexts(expected));
}

// The lines a scan of the text finds.
ElementLines scannedLines(const std::string& text) {
  const test_support::TempFolder folder = testFolder("lines");
  const std::string path = folder.write("body.txt", text);
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                       &std::fclose);
  return file ? scanElementLines(file.get()) : ElementLines{};
}

// Read from memory (in one stretch, or two side by side for the large body), every solid's split
// volumes are the checks' own, bit for bit and in body order. The blocks' lines are counted where
// every value stands on a line of its own and every keyword at the start of its line, and are then
// those a scan of the file finds; elsewhere the checks scan for them. Either way the findings,
// their lines and texts are those of the stream's body, a cone's included.
TEST(SplitCheck, TheReadingMeasuresSolidsAndCountsLinesWhereTheLayoutLetsIt) {
  FloatingBody large;
  fillMixedBody(large, 6000);
  FloatingBody written;
  fillMixedBody(written, 12);
  std::string base = input_checks::setFileText(written);
  // The cylinder's second radius made another: a cone, found from the radius the lines hold.
  const std::size_t radius = base.rfind('\n', base.size() - 2) + 1;
  base = base.substr(0, radius) + "0.125\n";
  const auto replaceFirst = [](std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
  };
  const auto replaceAll = [](std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
      text.replace(at, from.size(), to);
    return text;
  };
  const std::size_t firstValue = base.find("Hexahedron\n") + 11;
  const struct {
    const char* name;
    std::string text;
    bool counted;
  } layouts[] = {
      {"as written", base, true},
      {"large, two stretches", input_checks::setFileText(large), true},
      {"CR LF", replaceAll(base, "\n", "\r\n"), true},
      {"blank lines between blocks and values",
       replaceAll(replaceAll(base, "\nHexahedron\n", "\n\n \t\nHexahedron\n\n"), "\nCylinder",
                  "\n\nCylinder"),
       true},
      {"no last line break", base.substr(0, base.size() - 1), true},
      {"a point over two lines",
       base.substr(0, firstValue) + replaceFirst(base.substr(firstValue), ",", ",\n"), false},
      {"two points on a line",
       base.substr(0, firstValue) + replaceFirst(base.substr(firstValue), "\n", " "), false},
      {"a keyword behind blanks", replaceFirst(base, "\nTrianglePrism\n", "\n  TrianglePrism\n"),
       false},
  };
  for (const auto& layout : layouts) {
    SCOPED_TRACE(layout.name);
    FloatingBody body;
    ReadingNotes notes;
    ASSERT_TRUE(
        readUsualSetFile(layout.text.data(), layout.text.size(), body, nullptr, true, &notes));
    EXPECT_TRUE(input_checks::measuredAsTheChecks(body.hexahedra.get(), body.hexahedronCount,
                                                  notes.splits.hexahedra));
    EXPECT_TRUE(
        input_checks::measuredAsTheChecks(body.prisms.get(), body.prismCount, notes.splits.prisms));
    EXPECT_EQ(notes.linesCounted, layout.counted);
    if (notes.linesCounted) {
      EXPECT_TRUE(input_checks::sameLines(notes.lines, scannedLines(layout.text)));
    }
    expectTheStreamsFindings(layout.text, 13);
  }
}

}  // namespace
