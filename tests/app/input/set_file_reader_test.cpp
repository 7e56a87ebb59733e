#include "app/input/set_file_reader.h"

#include <gtest/gtest.h>

#include <stdio.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/input/input_scan.h"
#include "app/input/set_file_text.h"
#include "app/platform/platform.h"
#include "app/reader_test_support.h"
#include "elements/floating_body.h"
#include "fuzz/input_checks.h"

namespace {

using reader_test::streamOf;
using reader_test::withCrLf;
using test_support::vecSame;

const std::string kHeader =
    "Volume of Displacement=0.5\nGra_Pt.x=0.5\nGra_Pt.y=0.5\nGra_Pt.z=0.3\n";
const std::string kCubeBlock =
    "Hexahedron\n0,0,0\n1,0,0\n1,1,0\n0,1,0\n0,0,1\n1,0,1\n1,1,1\n0,1,1\n";

struct Parsed {
  bool ok = false;
  std::unique_ptr<FloatingBody> body = std::make_unique<FloatingBody>();
  SetFileError error;
  std::vector<SetFileWarning> warnings;
};

Parsed parseStream(std::FILE* file) {
  Parsed parsed;
  parsed.ok = parseSetFile(file, *parsed.body, parsed.error, parsed.warnings);
  return parsed;
}

Parsed parse(const std::string& text) {
  return parseStream(streamOf(text).get());
}

TEST(SetFileReader, ReadsTheThirteenLineCube) {
  const Parsed p = parse(kHeader + kCubeBlock);
  ASSERT_TRUE(p.ok) << p.error.message;
  const FloatingBody& body = *p.body;
  EXPECT_EQ(body.displacementVolume, 0.5);
  EXPECT_TRUE(vecSame(body.centreOfGravity, Vec3(0.5, 0.5, 0.3)));
  ASSERT_EQ(body.hexahedronCount, 1);
  EXPECT_TRUE(vecSame(body.hexahedra[0].vertices[2], Vec3(1, 1, 0)));
  EXPECT_TRUE(vecSame(body.hexahedra[0].vertices[7], Vec3(0, 1, 1)));
  EXPECT_EQ(body.tetrahedronCount + body.prismCount + body.cylinderCount, 0);
  EXPECT_FALSE(body.tetrahedra || body.prisms || body.cylinders);
  EXPECT_EQ(body.bounds.xMin, 0);
  EXPECT_EQ(body.bounds.zMax, 1);
  EXPECT_TRUE(p.warnings.empty());
}

TEST(SetFileReader, HeaderOnlyGivesABodyWithoutElements) {
  const Parsed p = parse(kHeader);
  ASSERT_TRUE(p.ok) << p.error.message;
  EXPECT_EQ(p.body->tetrahedronCount + p.body->hexahedronCount + p.body->prismCount +
                p.body->cylinderCount,
            0);
  EXPECT_FALSE(p.body->tetrahedra || p.body->hexahedra || p.body->prisms || p.body->cylinders);
  EXPECT_EQ(p.body->bounds.xMin, 1e20);
  EXPECT_EQ(p.body->bounds.zMax, -1e20);
}

// Every kind, with comments, titles and blank lines between the blocks and white space where the
// formats pass over it; the tetrahedra are apart in the file and must keep their order.
const std::string kMixedBody =
    "Tetrahedron\n0,0,0\n1,0,0\n0,1,0\n0,0,1\n"
    "# pontoon, port side\n\n"
    "Cylinder\n0,0,-1\n0.5\n0,0,3\n2.0\n"
    "  \n" +
    kCubeBlock +
    "TrianglePrism\n0,0,0\n2,0,0\n0,2,0\n0,0,2\n2,0,2\n0,2,2\n"
    "title line\n"
    "Tetrahedron\n5, 5,5\n6,5,5\n  5,6,5\n5,5,6   \n\n\n";

TEST(SetFileReader, ReadsEveryKindInFileOrderPastCommentsAndBlankLines) {
  const Parsed q = parse(kHeader + kMixedBody);
  ASSERT_TRUE(q.ok) << q.error.message;
  const FloatingBody& body = *q.body;
  ASSERT_EQ(body.tetrahedronCount, 2);
  EXPECT_TRUE(vecSame(body.tetrahedra[0].vertices[3], Vec3(0, 0, 1)));
  EXPECT_TRUE(vecSame(body.tetrahedra[1].vertices[0], Vec3(5, 5, 5)));
  EXPECT_TRUE(vecSame(body.tetrahedra[1].vertices[3], Vec3(5, 5, 6)));
  ASSERT_EQ(body.cylinderCount, 1);
  EXPECT_EQ(body.cylinders[0].radius, 0.5);  // the second radius has no effect
  EXPECT_EQ(body.cylinders[0].segmentCount, 30);
  EXPECT_TRUE(vecSame(body.cylinders[0].axisEnd, Vec3(0, 0, 3)));
  ASSERT_EQ(body.hexahedronCount, 1);
  ASSERT_EQ(body.prismCount, 1);
  EXPECT_TRUE(vecSame(body.prisms[0].vertices[4], Vec3(2, 0, 2)));
  EXPECT_EQ(body.bounds.zMin, -1);
  EXPECT_EQ(body.bounds.xMax, 6);
  EXPECT_TRUE(q.warnings.empty());
}

TEST(SetFileReader, HeaderAcceptsTheWhiteSpaceItsFormatsPassOver) {
  const char* const variants[] = {
      "Volume of Displacement=2\nGra_Pt.x= 1.5\nGra_Pt.y=0\nGra_Pt.z=0\n",
      "VolumeofDisplacement=2\nGra_Pt.x=1.5\nGra_Pt.y=0\nGra_Pt.z=0\n",
      "Volume\nof\nDisplacement=2\n\nGra_Pt.x=\t1.5   \n  Gra_Pt.y=0\nGra_Pt.z=0",
  };
  for (const char* text : variants) {
    SCOPED_TRACE(text);
    const Parsed p = parse(text);
    ASSERT_TRUE(p.ok) << p.error.message;
    EXPECT_EQ(p.body->displacementVolume, 2);
    EXPECT_EQ(p.body->centreOfGravity.x, 1.5);
  }
}

// Every number the reader stored, exactly (hexadecimal floating point), kind by kind.
std::string dump(const FloatingBody& body) {
  std::string text;
  const auto add = [&text](double v) {
    char number[40];
    std::snprintf(number, sizeof number, "%a ", v);
    text += number;
  };
  const auto addPoint = [&add](const Vec3& p) {
    add(p.x);
    add(p.y);
    add(p.z);
  };
  add(body.displacementVolume);
  addPoint(body.centreOfGravity);
  for (int i = 0; i < body.tetrahedronCount; ++i)
    for (const Vec3& v : body.tetrahedra[i].vertices)
      addPoint(v);
  text += "|";
  for (int i = 0; i < body.hexahedronCount; ++i)
    for (const Vec3& v : body.hexahedra[i].vertices)
      addPoint(v);
  text += "|";
  for (int i = 0; i < body.prismCount; ++i)
    for (const Vec3& v : body.prisms[i].vertices)
      addPoint(v);
  text += "|";
  for (int i = 0; i < body.cylinderCount; ++i) {
    addPoint(body.cylinders[i].axisStart);
    addPoint(body.cylinders[i].axisEnd);
    add(body.cylinders[i].radius);
  }
  return text;
}

TEST(SetFileReader, CrLfAndLfLineEndsGiveTheSameBody) {
  const std::string text = kHeader + kMixedBody;
  const Parsed lf = parse(text);
  const Parsed crlf = parse(withCrLf(text));
  ASSERT_TRUE(lf.ok) << lf.error.message;
  ASSERT_TRUE(crlf.ok) << crlf.error.message;
  EXPECT_EQ(crlf.body->tetrahedronCount, 2);
  EXPECT_EQ(dump(*crlf.body), dump(*lf.body));
}

// Lines of any length and content between blocks are read in pieces of 99 characters, and each
// piece is compared on its own: a keyword that starts at character 199 of a line starts a block.
// Blanks in front of a keyword right after a block are passed over by the block's last scan.
TEST(SetFileReader, ReadsLongLinesInPiecesWithoutOverflowOrHang) {
  const std::string text = kHeader + std::string(100000, 'x') + std::string("\0\0x\n", 4) +
                           std::string(198, 'y') + kCubeBlock + std::string(98, ' ') + kCubeBlock;
  const Parsed p = parse(text);
  ASSERT_TRUE(p.ok) << p.error.message;
  EXPECT_EQ(p.body->hexahedronCount, 2);
  EXPECT_TRUE(p.warnings.empty());
}

TEST(SetFileReader, WarnsAboutKeywordsItSkipsAndReadsOn) {
  const std::string text = kHeader +
                           "hexahedron\n0,0,0\n1,0,0\n1,1,0\n0,1,0\n0,0,1\n1,0,1\n1,1,1\n0,1,1\n" +
                           "Tetrahedron \r\n0,0,0\n1,0,0\n0,1,0\n0,0,1\n" +
                           std::string("\tCylinder\0\n", 11) + kCubeBlock + "Cylinder";
  const Parsed p = parse(text);
  ASSERT_TRUE(p.ok) << p.error.message;
  EXPECT_EQ(p.body->hexahedronCount, 1);
  EXPECT_EQ(p.body->tetrahedronCount, 0);
  ASSERT_EQ(p.warnings.size(), 3u);  // the bare keyword at the very end has no block to lose
  EXPECT_EQ(p.warnings[0].line, 5);
  EXPECT_EQ(p.warnings[0].message,
            "SET file line 5: \"hexahedron\" is not read as a keyword (write \"Hexahedron\" alone "
            "on its line), so the element below it is skipped");
  EXPECT_EQ(p.warnings[1].line, 14);
  EXPECT_EQ(
      p.warnings[1].message.find("SET file line 14: \"Tetrahedron \" is not read as a keyword"),
      0u);
  EXPECT_EQ(
      p.warnings[2].message.find("SET file line 19: \"\\tCylinder\\0\" is not read as a keyword"),
      0u)
      << p.warnings[2].message;
}

struct Malformed {
  const char* name;
  std::string text;
  long line;
  std::string message;
};

std::string cubeWithVertex(int index, const std::string& replacement) {
  std::string block = kCubeBlock;
  size_t at = 0;
  for (int line = 0; line <= index; ++line)
    at = block.find('\n', at) + 1;
  block.replace(at, block.find('\n', at) - at, replacement);
  return block;
}

const std::string kAtLine5 = " of the Hexahedron that starts at line 5";

std::vector<Malformed> malformedFiles() {
  return {
      {"blank before a comma", kHeader + cubeWithVertex(1, "1 ,0,0"), 7,
       "SET file line 7: expected vertex 2 (x,y,z)" + kAtLine5 + ", found \"1 ,0,0\""},
      {"letter", kHeader + cubeWithVertex(5, "1,0,z"), 11,
       "SET file line 11: expected vertex 6 (x,y,z)" + kAtLine5 + ", found \"1,0,z\""},
      {"a keyword for a vertex", kHeader + "Hexahedron\n0,0,0\nTetrahedron\n", 7,
       "SET file line 7: expected vertex 2 (x,y,z)" + kAtLine5 + ", found \"Tetrahedron\""},
      {"a long line, cut", kHeader + cubeWithVertex(2, "1,1," + std::string(100, 'x')), 8,
       "SET file line 8: expected vertex 3 (x,y,z)" + kAtLine5 + ", found \"1,1," +
           std::string(60, 'x') + "\"..."},
      // The text right behind a number, on its line, is a fault of that line and that number.
      {"comma in the volume", "Volume of Displacement=3600,5\n" + kHeader.substr(27), 1,
       "SET file line 1: unexpected \",5\" after the number (Volume of Displacement)"},
      {"trailing comma of a vertex", kHeader + cubeWithVertex(0, "0,0,0,"), 6,
       "SET file line 6: unexpected \",\" after the number (vertex 1" + kAtLine5 + ")"},
      {"text behind a radius", kHeader + "Cylinder\n0,0,0\n1 mm\n0,0,1\n1\n", 7,
       "SET file line 7: unexpected \"mm\" after the number (the first radius of the Cylinder "
       "that starts at line 5)"},
      {"cut short", kHeader + kCubeBlock.substr(0, kCubeBlock.find("1,0,1")) + "\n\n", 10,
       "SET file ends after line 10: expected vertex 6 (x,y,z)" + kAtLine5},
      {"nan at the very end", kHeader + cubeWithVertex(7, "0,1,nan"), 13,
       "SET file line 13: vertex 8" + kAtLine5 + " has a coordinate that is not a finite number"},
      {"infinite radius, CR LF", withCrLf(kHeader + "\n\nCylinder\n0,0,0\ninf\n0,0,1\n1\n"), 9,
       "SET file line 9: the first radius of the Cylinder that starts at line 7 is not a finite "
       "number"},
      {"second radius missing", kHeader + "Cylinder\n0,0,0\n1\n0,0,1\n", 8,
       "SET file ends after line 8: expected the second radius of the Cylinder that starts at "
       "line 5"},
      {"blank before equals", "Volume of Displacement=1\nGra_Pt.x =1.5\nGra_Pt.y=0\nGra_Pt.z=0\n",
       2, "SET file line 2: expected \"Gra_Pt.x=\" followed by a number, found \"Gra_Pt.x =1.5\""},
      {"half a byte-order mark", "\xEF\xBB" + kHeader, 1,
       "SET file line 1: expected \"Volume of Displacement=\" followed by a number, found "
       "\"\xEF\xBBVolume of Displacement=0.5\""},
      {"infinite gravity", "Volume of Displacement=1\nGra_Pt.x=0\nGra_Pt.y=inf\nGra_Pt.z=0\n", 3,
       "SET file line 3: Gra_Pt.y is not a finite number"},
      {"header cut short", "Volume of Displacement=1\nGra_Pt.x=0\n", 2,
       "SET file ends after line 2: expected \"Gra_Pt.y=\" followed by a number"},
      {"empty", "", 0,
       "SET file is empty: expected \"Volume of Displacement=\" followed by a number"},
  };
}

TEST(SetFileReader, MalformedFilesNameTheLineAndWhatWasExpected) {
  for (const Malformed& m : malformedFiles()) {
    SCOPED_TRACE(m.name);
    const Parsed p = parse(m.text);
    EXPECT_FALSE(p.ok);
    EXPECT_EQ(p.error.message, m.message);
    EXPECT_EQ(p.error.line, m.line);
    EXPECT_EQ(p.body->hexahedronCount + p.body->cylinderCount, 0);
    EXPECT_FALSE(p.body->hexahedra || p.body->cylinders);
  }
}

// A file is mapped whole or not at all: only a regular file with bytes, at its start, so that a
// stream already read from, or one of no file, is read by the stream as it stands.
TEST(MappedFile, MapsOnlyAWholeRegularFileAtItsStart) {
  const std::string text = kHeader + kCubeBlock;
  const reader_test::FilePtr file = streamOf(text);
  {
    const MappedFile mapped(file.get());
    ASSERT_NE(mapped.data(), nullptr);
    EXPECT_EQ(std::string(mapped.data(), mapped.size()), text);
  }
  std::fgetc(file.get());
  EXPECT_EQ(MappedFile(file.get()).data(), nullptr);
  EXPECT_EQ(MappedFile(streamOf("").get()).data(), nullptr);
  EXPECT_EQ(MappedFile(nullptr).data(), nullptr);
#ifndef _WIN32
  const input_checks::MemoryFile memory(reinterpret_cast<const std::uint8_t*>(text.data()),
                                        text.size());
  EXPECT_EQ(MappedFile(memory.get()).data(), nullptr);
#endif
}

TEST(SetFileReader, FindsTheLineInAMemoryStreamToo) {
#ifdef _WIN32
  GTEST_SKIP() << "the Windows runtime has no memory streams (fmemopen)";
#else
  std::string text = kHeader + "# comment\n" + cubeWithVertex(7, "0,1,x");
  FILE* file = fmemopen(&text[0], text.size(), "r");
  ASSERT_NE(file, nullptr);
  const Parsed p = parseStream(file);
  std::fclose(file);
  EXPECT_FALSE(p.ok);
  EXPECT_EQ(p.error.message,
            "SET file line 14: expected vertex 8 (x,y,z) of the Hexahedron that "
            "starts at line 6, found \"0,1,x\"");
#endif
}

#ifndef _WIN32
// A stream that delivers `limit` bytes of its text and then fails, or ends when that is all of
// it. It cannot seek.
struct FailingSource {
  std::string text;
  size_t limit;
  size_t at = 0;
};

ssize_t readFailing(void* cookie, char* buffer, size_t size) {
  FailingSource& source = *static_cast<FailingSource*>(cookie);
  if (source.at >= source.limit)
    return source.at == source.text.size() ? 0 : -1;
  const size_t n = std::min(size, source.limit - source.at);
  std::memcpy(buffer, source.text.data() + source.at, n);
  source.at += n;
  return static_cast<ssize_t>(n);
}
#endif

// Failing between two blocks, inside a block and inside the header.
TEST(SetFileReader, AStreamThatFailsIsAFaultNotAShorterBody) {
#ifdef _WIN32
  GTEST_SKIP() << "the Windows runtime has no streams on custom functions (fopencookie)";
#else
  const size_t oneCube = kHeader.size() + kCubeBlock.size();
  for (size_t limit : {oneCube, oneCube + 20, size_t{30}}) {
    FailingSource source{kHeader + kCubeBlock + kCubeBlock, limit};
    FILE* file =
        fopencookie(&source, "r", cookie_io_functions_t{readFailing, nullptr, nullptr, nullptr});
    ASSERT_NE(file, nullptr);
    const Parsed p = parseStream(file);
    std::fclose(file);
    EXPECT_FALSE(p.ok);
    // The stream cannot seek back, so the line stays unknown.
    EXPECT_EQ(p.error.message, "SET file cannot be read (input error)");
    EXPECT_EQ(p.body->hexahedronCount, 0);
  }
#endif
}

// A failed read, reported as the driver reports it, keeps the console behaviour: the message on
// standard output with a line end and a flush, a wait for one character, exit code 1.
void readInChild(const char* path) {
  reader_test::runWithChildConsole([path] {
    try {
      FloatingBody body;
      body.readSetFile(path);
    } catch (const ReadFault& fault) {
      std::exit(reportReadFault(fault));
    }
  });
}

// Thousands of elements of two kinds, interleaved: each kind's array grows while the file is read,
// to the size the file's length suggests or, from a stream that cannot tell it, by doubling. It
// must come out whole and in file order.
TEST(SetFileReader, KeepsEveryElementInOrderThroughTheArraysGrowth) {
  std::string text = kHeader;
  constexpr int kCount = 3000;
  for (int i = 0; i < kCount; ++i) {
    const std::string x = std::to_string(i);
    text += "Tetrahedron\n" + x + ",0,0\n" + x + ",1,0\n" + x + ",0,1\n" + x + ",1,1\n";
    if (i % 3 == 0)
      text += "Cylinder\n" + x + ",0,0\n0.5\n" + x + ",0,2\n0.5\n";
  }
  std::vector<Parsed> parsed;
  parsed.push_back(parse(text));
#ifndef _WIN32
  FailingSource source{text, text.size()};
  FILE* file =
      fopencookie(&source, "r", cookie_io_functions_t{readFailing, nullptr, nullptr, nullptr});
  ASSERT_NE(file, nullptr);
  parsed.push_back(parseStream(file));
  std::fclose(file);
#endif
  for (const Parsed& p : parsed) {
    ASSERT_TRUE(p.ok) << p.error.message;
    ASSERT_EQ(p.body->tetrahedronCount, kCount);
    ASSERT_EQ(p.body->cylinderCount, kCount / 3);
    for (int i = 0; i < kCount; ++i) {
      EXPECT_TRUE(vecSame(p.body->tetrahedra[i].vertices[0], Vec3(i, 0, 0))) << i;
      EXPECT_TRUE(vecSame(p.body->tetrahedra[i].vertices[3], Vec3(i, 1, 1))) << i;
    }
    for (int i = 0; i < kCount / 3; ++i)
      EXPECT_TRUE(vecSame(p.body->cylinders[i].axisEnd, Vec3(3 * i, 0, 2))) << i;
    EXPECT_EQ(p.body->bounds.xMax, kCount - 1);
  }
}

// Half a megabyte of blocks of every kind, numbers spelt every way the formatted input takes a
// decimal, and the same file turned faulty or suspect far into its second half: a regular file
// read from memory (in two halves) gives what the stream's reading gives, body and messages.
TEST(SetFileReader, ReadingFromMemoryGivesTheStreamsBodyAndMessages) {
  std::mt19937 random(7);
  const char* const spellings[] = {"%.17g", "%.3f", "%+.1e", "%.0f.", "%g", "  %.20f", "%.2E"};
  const auto number = [&] {
    char text[64];
    const double v = std::uniform_real_distribution<double>(-1e3, 1e3)(random);
    std::snprintf(text, sizeof text, spellings[random() % 7], v);
    return std::string(text);
  };
  const auto points = [&](int n) {
    std::string text;
    for (int i = 0; i < n; ++i)
      text += number() + "," + number() + ", " + number() + "\n";
    return text;
  };
  std::string text = kHeader;
  for (int i = 0; text.size() < (1 << 19); ++i) {
    const int kind = i % 4;
    text += kind == 0   ? "Tetrahedron\n" + points(4)
            : kind == 1 ? "Hexahedron\n" + points(8)
            : kind == 2 ? "TrianglePrism\n" + points(6)
                        : "Cylinder\n" + points(1) + "0.5\n" + points(1) + "0.5\n";
  }
  const std::size_t late = text.rfind("Hexahedron");
  // A number of more digits than the reading from memory takes: its scale must not wrap.
  const std::string longNumber = "0." + std::string(1100, '0') + "5e1000";
  const std::pair<std::string, bool> texts[] = {
      {text, true},
      {withCrLf(text), true},
      {text.substr(0, late) + "Hexahedron\n1,2\n" + text.substr(late), false},
      {text.substr(0, late) + "hexahedron\n" + text.substr(late), false},
      {kHeader + "Tetrahedron\n" + longNumber + ",0,0\n1,0,0\n0,1,0\n0,0,1\n", false}};
  for (const auto& [t, usual] : texts) {
    const Parsed mapped = parse(t);
    Parsed stream;
    stream.ok =
        parseSetFileByStream(streamOf(t).get(), *stream.body, stream.error, stream.warnings);
    FloatingBody fromMemory;
    ASSERT_EQ(readUsualSetFile(t.data(), t.size(), fromMemory), usual);
    ASSERT_EQ(mapped.ok, stream.ok);
    EXPECT_EQ(mapped.error.message, stream.error.message);
    ASSERT_EQ(mapped.warnings.size(), stream.warnings.size());
    for (std::size_t i = 0; i < mapped.warnings.size(); ++i)
      EXPECT_EQ(mapped.warnings[i].message, stream.warnings[i].message);
    if (stream.ok) {
      EXPECT_EQ(input_checks::setFileText(*mapped.body), input_checks::setFileText(*stream.body));
      EXPECT_TRUE(!usual ||
                  input_checks::setFileText(fromMemory) == input_checks::setFileText(*stream.body));
    }
  }
}

TEST(SetFileReader, NamesTheLinesOfAFileLargerThanItsReadBuffer) {
  // Half a megabyte of tetrahedra, then a keyword the reader skips and a flat tetrahedron, which
  // the checks find and name by reading the file again.
  std::string text = kHeader;
  long line = 4;
  for (int i = 0; i < 8000; ++i, line += 5) {
    const std::string x = std::to_string(2 * i) + ".125", y = std::to_string(2 * i + 1);
    text += "Tetrahedron\n" + x + ",0,0\n" + y + ",0,0\n" + x + ",1,0\n" + x + ",0,1\n";
  }
  text += "Hexahedron \n" + kCubeBlock + "Tetrahedron\n0,0,0\n1,0,0\n0,1,0\n1,1,0\n";
  const reader_test::TempFile file("large.txt", text);
  FloatingBody body;
  const std::vector<InputWarning> warnings = readSetFileWithWarnings(file.path(), body);
  EXPECT_EQ(body.tetrahedronCount, 8001);
  ASSERT_EQ(warnings.size(), 2u);
  EXPECT_EQ(warnings[0].line, line + 1) << warnings[0].message;
  EXPECT_EQ(warnings[1].line, line + 11) << warnings[1].message;
}

TEST(SetFileReaderDeathTest, AFileThatCannotBeOpenedEndsTheRun) {
  const std::string missing = ::testing::TempDir() + "no_such_folder/body.txt";
  // The fixed text on standard output, the path and the system's reason on standard error.
  for (const std::string& path : {missing, std::string()}) {
    EXPECT_EXIT(readInChild(path.c_str()), ::testing::ExitedWithCode(1),
                reader_test::exactly(reader_test::faultExitReport(
                    {" SET file(Format2) read error! "},
                    "cannot open SET file '" + path + "': No such file or directory")));
  }
}

TEST(SetFileReaderDeathTest, AMalformedFileEndsTheRunWithItsMessage) {
  for (const Malformed& m : malformedFiles()) {
    SCOPED_TRACE(m.name);
    const reader_test::TempFile file("malformed.txt", m.text);
    // The message on the console, and with the file's path on standard error.
    EXPECT_EXIT(
        readInChild(file.path()), ::testing::ExitedWithCode(1),
        reader_test::exactlyNaming(
            reader_test::faultExitReport({m.message}, std::string(file.path()) + ": " + m.message),
            file, "malformed.txt"));
  }
}

// A UTF-8 byte-order mark before the header is passed over, by the reading in memory and by the
// stream's: the body is the one without it.
TEST(SetFileReader, AByteOrderMarkIsPassedOver) {
  for (const std::string& text :
       {kHeader + kCubeBlock, withCrLf(kHeader + "# hull\n" + kCubeBlock)}) {
    const std::string plain = input_checks::setFileText(*parse(text).body);
    const std::string marked = "\xEF\xBB\xBF" + text;
    const Parsed p = parse(marked);
    ASSERT_TRUE(p.ok) << p.error.message;
    EXPECT_EQ(input_checks::setFileText(*p.body), plain);
    Parsed streamed;
    streamed.ok = parseSetFileByStream(streamOf(marked).get(), *streamed.body, streamed.error,
                                       streamed.warnings);
    ASSERT_TRUE(streamed.ok) << streamed.error.message;
    EXPECT_EQ(input_checks::setFileText(*streamed.body), plain);
  }
}

// A cylinder whose second radius differs (a cone) is named although nothing else is found, read
// in memory or by the stream (a comment line sends the file there); a negative radius is named
// with the value that is used.
TEST(SetFileReader, AConeAloneAndANegativeRadiusAreNamed) {
  const std::string cone = "Cylinder\n0,0,0\n1\n0,0,2\n0.5\n";
  for (const std::string& head : {kHeader, kHeader + "# comment\n"}) {
    const reader_test::TempFile file("cone.txt", head + cone);
    FloatingBody body;
    const std::vector<InputWarning> warnings = readSetFileWithWarnings(file.path(), body);
    ASSERT_EQ(warnings.size(), 1u);
    const long line = head == kHeader ? 5 : 6;
    EXPECT_EQ(warnings[0].line, line);
    EXPECT_EQ(warnings[0].message,
              "SET file line " + std::to_string(line) +
                  ": the cylinder's second radius 0.5 differs from its first, 1; it is measured as "
                  "a cylinder of the first radius (a cone is not supported)");
  }
  const reader_test::TempFile file("negative.txt", kHeader + "Cylinder\n0,0,0\n-2\n0,0,2\n-2\n");
  FloatingBody body;
  const std::vector<InputWarning> warnings = readSetFileWithWarnings(file.path(), body);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(
      warnings[0].message,
      "SET file line 5: the cylinder's radius -2 is negative: its absolute value, 2, is used");
}

TEST(SetFileReader, WarningsGoToStandardErrorAndTheReadGoesOn) {
  const reader_test::TempFile file("warned.txt", kHeader + "Hexahedron \n" + kCubeBlock);
  test_support::ConsoleCapture console;
  std::ostringstream errors;
  std::streambuf* oldErr = std::cerr.rdbuf(errors.rdbuf());
  FloatingBody body;
  body.readSetFile(file.path());
  std::cerr.rdbuf(oldErr);
  EXPECT_EQ(body.hexahedronCount, 1);
  EXPECT_EQ(console.output(), "");
  EXPECT_EQ(
      errors.str().rfind(
          "floatstate: warning: SET file line 5: \"Hexahedron \" is not read as a keyword", 0),
      0u)
      << errors.str();
}

}  // namespace
