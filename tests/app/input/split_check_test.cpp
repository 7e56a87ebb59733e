#include "app/input/split_check.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
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

template <class Element>
void expectMeasuredAsTheChecks(const Element* elements, int count,
                               const std::vector<SplitVolumes>& measured) {
  ASSERT_EQ(measured.size(), static_cast<std::size_t>(count));
  const SplitMeasure<Element> measure;
  for (int i = 0; i < count; ++i) {
    const SplitVolumes expected = measure(elements[i]);
    ASSERT_EQ(std::memcmp(&measured[static_cast<std::size_t>(i)], &expected, sizeof expected), 0)
        << "element " << i;
  }
}

// Read from memory, in one stretch or two side by side, every solid's split volumes are the ones
// the checks measure, bit for bit and in body order; and a reading with findings gives the same
// findings, at the same lines with the same text, as the checks measuring every element of the
// body the stream reads.
TEST(SplitCheck, TheReadingMeasuresEachSolidAsTheChecksDo) {
  for (const int count : {3, 6000}) {
    SCOPED_TRACE(count);
    FloatingBody written;
    fillMixedBody(written, count);
    const std::string text = input_checks::setFileText(written);
    FloatingBody body;
    MeasuredSplits measured;
    ASSERT_TRUE(readUsualSetFile(text.data(), text.size(), body, nullptr, true, &measured));
    expectMeasuredAsTheChecks(body.hexahedra.get(), body.hexahedronCount, measured.hexahedra);
    expectMeasuredAsTheChecks(body.prisms.get(), body.prismCount, measured.prisms);

    const test_support::TempFolder folder("split_check");
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
    ASSERT_GT(expected.size(), static_cast<std::size_t>(count));  // every kind of finding
    EXPECT_EQ(linesAndTexts(found), linesAndTexts(expected));
  }
}

// Volumes that are not one per element of a kind are not taken: that kind is measured again.
TEST(SplitCheck, VolumesOfAnotherCountAreMeasuredAgain) {
  FloatingBody body;
  fillMixedBody(body, 40);
  body.boundingBox();
  const ElementLines lines;
  const std::vector<InputWarning> plain = checkBody(body, lines);
  MeasuredSplits wrong;
  wrong.hexahedra.assign(39, SplitVolumes{1, 2, 3});  // one short: all would differ
  wrong.prisms.assign(41, SplitVolumes{1, 1, 1});     // one over: none would differ
  EXPECT_EQ(linesAndTexts(checkBody(body, lines, kAllFindings, &wrong)), linesAndTexts(plain));
  EXPECT_EQ(bodyHasFindings(body, &wrong), !plain.empty());
}

}  // namespace
