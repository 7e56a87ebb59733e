// Broken SET files: every run must end either with exit code 0 and a correct result, or with exit
// code 1 and a clear one-line message; never with a crash, a hang or a wrong result reported as a
// success. Most cases run the reader, the refusal checks and the solve in process (the same path
// as the console driver); the cases about the file itself run the whole driver in a child
// process and check its exit code and what it wrote.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/console_driver.h"
#include "app/input/set_file_reader.h"
#include "app/reader_test_support.h"
#include "fuzz/pipeline_checks.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using test_support::Random;

const std::string kCube = "Hexahedron\n0,0,0\n1,0,0\n1,1,0\n0,1,0\n0,0,1\n1,0,1\n1,1,1\n0,1,1\n";

std::string header(const std::string& v, const std::string& x, const std::string& y,
                   const std::string& z) {
  return "Volume of Displacement=" + v + "\nGra_Pt.x=" + x + "\nGra_Pt.y=" + y + "\nGra_Pt.z=" + z +
         "\n";
}

// The cube floats upright at half its height: G lies on the vertical through B = (0.5, 0.5, 0.25).
const std::string kCubeBody = header("0.5", "0.5", "0.5", "0.3") + kCube;

std::string example(const std::string& name) {
  const char* source = std::getenv("FLOATSTATE_SOURCE_DIR");
  if (source == nullptr)
    return "";
  std::ifstream in(std::string(source) + "/examples/" + name + "/" + name + ".txt",
                   std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A whole run in process: the reader's fault, or the run after reading.
struct Outcome {
  bool read = false;
  std::string readError;
  std::unique_ptr<FloatingBody> body = std::make_unique<FloatingBody>();
  input_checks::RunOutcome run;
};

Outcome readOnly(const std::string& bytes) {
  Outcome o;
  const input_checks::MemoryFile file(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                      bytes.size());
  SetFileError error;
  std::vector<SetFileWarning> warnings;
  o.read = parseSetFile(file.get(), *o.body, error, warnings);
  o.readError = error.message;
  return o;
}

Outcome runOn(const std::string& bytes) {
  Outcome o = readOnly(bytes);
  if (o.read)
    o.run = input_checks::runAfterReading(*o.body, 200000, std::chrono::seconds(30), 1);
  return o;
}

// Exit 1 with a one-line message, or a finished solve whose result passed every check.
::testing::AssertionResult endsSoundly(const Outcome& o) {
  if (!o.read) {
    const std::string problem = input_checks::checkMessage("read error", o.readError, "SET file");
    return problem.empty() ? ::testing::AssertionSuccess()
                           : ::testing::AssertionFailure() << problem;
  }
  if (!o.run.problem.empty())
    return ::testing::AssertionFailure() << o.run.problem;
  if (o.run.refusal.empty() && !o.run.solve.finished)
    return ::testing::AssertionFailure() << "the solve did not end within the limits";
  return ::testing::AssertionSuccess();
}

bool sameBits(const Vec3& a, const Vec3& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}
template <size_t N>
bool sameVertices(const Vec3 (&a)[N], const Vec3 (&b)[N]) {
  for (size_t i = 0; i < N; ++i) {
    if (!sameBits(a[i], b[i]))
      return false;
  }
  return true;
}
bool sameElement(const Tetrahedron& a, const Tetrahedron& b) {
  return sameVertices(a.vertices, b.vertices);
}
bool sameElement(const Hexahedron& a, const Hexahedron& b) {
  return sameVertices(a.vertices, b.vertices);
}
bool sameElement(const TrianglePrism& a, const TrianglePrism& b) {
  return sameVertices(a.vertices, b.vertices);
}
bool sameElement(const Cylinder& a, const Cylinder& b) {
  return sameBits(a.axisStart, b.axisStart) && sameBits(a.axisEnd, b.axisEnd) &&
         std::memcmp(&a.radius, &b.radius, sizeof a.radius) == 0;
}

// part[0 .. n) equals whole[0 .. n) element by element, except that with lastMayDiffer the last
// one may hold another last number (a file cut inside it).
template <class Element>
bool isPrefix(const std::unique_ptr<Element[]>& part, int partCount,
              const std::unique_ptr<Element[]>& whole, int wholeCount, bool lastMayDiffer) {
  if (partCount > wholeCount)
    return false;
  const int compared = lastMayDiffer && partCount > 0 ? partCount - 1 : partCount;
  for (int i = 0; i < compared; ++i) {
    if (!sameElement(part[i], whole[i]))
      return false;
  }
  return true;
}

// A body read from the start of a file holds the first elements of each kind of the whole file,
// and its header when it holds any element.
::testing::AssertionResult readsAsPrefix(const FloatingBody& part, const FloatingBody& whole,
                                         bool lastMayDiffer) {
  const bool elements =
      isPrefix(part.tetrahedra, part.tetrahedronCount, whole.tetrahedra, whole.tetrahedronCount,
               lastMayDiffer) &&
      isPrefix(part.hexahedra, part.hexahedronCount, whole.hexahedra, whole.hexahedronCount,
               lastMayDiffer) &&
      isPrefix(part.prisms, part.prismCount, whole.prisms, whole.prismCount, lastMayDiffer) &&
      isPrefix(part.cylinders, part.cylinderCount, whole.cylinders, whole.cylinderCount,
               lastMayDiffer);
  if (!elements)
    return ::testing::AssertionFailure() << "the elements read are not the file's first ones";
  const bool anyElement = input_checks::elementCount(part) > 0;
  if (anyElement && (part.displacementVolume != whole.displacementVolume ||
                     !sameBits(part.centreOfGravity, whole.centreOfGravity))) {
    return ::testing::AssertionFailure() << "the header read differs from the file's";
  }
  return ::testing::AssertionSuccess();
}

std::vector<size_t> lineEnds(const std::string& text) {
  std::vector<size_t> ends{0};
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n')
      ends.push_back(i + 1);
  }
  return ends;
}

const char* const kExamples[] = {"spar", "prism_hull", "semi_submersible"};

// Cut after each line: the file reads as its first elements (a block cut short is a fault, never
// a smaller element), and each run ends soundly. Most prefixes hold less than V and are refused.
TEST(MalformedInput, EveryLineTruncationOfTheExamplesReadsAsAPrefixOrIsRefused) {
  for (const char* name : kExamples) {
    const std::string text = example(name);
    ASSERT_FALSE(text.empty()) << name << " not found (FLOATSTATE_SOURCE_DIR)";
    const Outcome whole = readOnly(text);
    ASSERT_TRUE(whole.read) << whole.readError;
    int accepted = 0;
    for (size_t end : lineEnds(text)) {
      SCOPED_TRACE(std::string(name) + " cut at byte " + std::to_string(end));
      const Outcome o = runOn(text.substr(0, end));
      EXPECT_TRUE(endsSoundly(o));
      if (o.read) {
        ++accepted;
        EXPECT_TRUE(readsAsPrefix(*o.body, *whole.body, false));
      }
    }
    EXPECT_GT(accepted, 3) << name;  // every block boundary is a readable file
  }
}

// Cut anywhere: the same, except that a cut inside the last number leaves a shorter number.
TEST(MalformedInput, RandomByteTruncationsReadAsAPrefixOrAreRefused) {
  Random random(test_support::kSeed);
  for (const char* name : kExamples) {
    const std::string text = example(name);
    ASSERT_FALSE(text.empty()) << name;
    const Outcome whole = readOnly(text);
    for (int trial = 0; trial < 60; ++trial) {
      const size_t end = static_cast<size_t>(random.uniform(0, static_cast<double>(text.size())));
      SCOPED_TRACE(std::string(name) + " cut at byte " + std::to_string(end));
      const Outcome o = runOn(text.substr(0, end));
      EXPECT_TRUE(endsSoundly(o));
      if (o.read) {
        EXPECT_TRUE(readsAsPrefix(*o.body, *whole.body, true));
      }
    }
  }
}

// One to three bytes replaced by random ones (or flipped in one bit), with a fixed seed.
TEST(MalformedInput, RandomByteFlipsEndSoundly) {
  Random random(test_support::kSeed + 1);
  const std::string texts[] = {example("spar"), example("prism_hull"), kCubeBody,
                               header("2", "0.3", "2", "0.2") + "Cylinder\n0,0,0\n1\n0,4,0\n1\n"};
  int solved = 0;
  for (int trial = 0; trial < 160; ++trial) {
    std::string text = texts[trial % 4];
    ASSERT_FALSE(text.empty());
    const int flips = 1 + static_cast<int>(random.uniform(0, 3));
    for (int f = 0; f < flips; ++f) {
      const size_t at = static_cast<size_t>(random.uniform(0, static_cast<double>(text.size())));
      const int value = static_cast<int>(random.uniform(0, 256));
      text[at] = trial % 2 == 0 ? static_cast<char>(value)
                                : static_cast<char>(text[at] ^ (1 << (value % 8)));
    }
    SCOPED_TRACE("trial " + std::to_string(trial));
    const Outcome o = runOn(text);
    EXPECT_TRUE(endsSoundly(o));
    solved += o.read && o.run.refusal.empty();
  }
  // Most mutants of the small files break their header, but some of each still float: the solve
  // itself is exercised.
  EXPECT_GE(solved, 15);
}

struct Extreme {
  const char* name;
  std::string text;
  const char* message;  // the start of the message of exit code 1, or null for a result
};

std::vector<Extreme> extremes() {
  const std::string tetra = "Tetrahedron\n0,0,0\n1e308,0,0\n0,1,0\n0,0,1\n";
  return {
      {"V = 1e308", header("1e308", "0.5", "0.5", "0.3") + kCube,
       "Volume of Displacement=1e+308 exceeds the volume of the whole body (1)"},
      {"V = -0", header("-0", "0.5", "0.5", "0.3") + kCube,
       "Volume of Displacement=-0 is not a positive volume."},
      {"V underflows to 0", header("1e-400", "0.5", "0.5", "0.3") + kCube,
       "Volume of Displacement=0 is not a positive volume."},
      {"V = 1e-320, below what the search resolves", header("1e-320", "0.5", "0.5", "0.3") + kCube,
       "The water plane cannot be placed for Volume of Displacement=9.99989e-321"},
      {"V with 400 digits", header(std::string(400, '9'), "0.5", "0.5", "0.3") + kCube,
       "SET file line 1: Volume of Displacement is not a finite number"},
      {"G.z = -0, vertices with -0 and 1e-320",
       header("0.5", "0.5", "0.5", "-0") +
           "Hexahedron\n-0,-0,-0\n1,0,0\n1,1,0\n0,1,0\n1e-320,0,1\n1,0,1\n1,1,1\n0,1,1\n",
       nullptr},
      {"a vertex at 1e308", header("0.1", "0", "0", "0") + tetra,
       "The body is too large to compute with"},
      {"a radius of 1e308",
       header("0.1", "0", "0", "0") + kCube + "Cylinder\n0,0,0\n1e308\n0,0,1\n1\n",
       "The body is too large to compute with"},
      {"a radius of 1e-320",
       header("0.5", "0.5", "0.5", "0.3") + kCube + "Cylinder\n5,5,0\n1e-320\n5,5,1\n1\n", nullptr},
      {"a flat tetrahedron 1e200 long beside the cube",
       header("0.5", "0.5", "0.5", "0.3") + kCube +
           "Tetrahedron\n0,0,0\n1e200,0,0\n2e200,0,0\n3e200,0,0\n",
       "The body is too large to compute with"},
      {"coincident cylinder ends",
       header("0.5", "0.5", "0.5", "0.3") + kCube + "Cylinder\n5,5,5\n1\n5,5,5\n1\n",
       "The volume of the body is not finite"},
  };
}

// Numbers at the edges of the doubles, in the header and in the elements.
TEST(MalformedInput, ExtremeNumbersGiveAResultOrAClearMessage) {
  for (const Extreme& e : extremes()) {
    SCOPED_TRACE(e.name);
    const Outcome o = runOn(e.text);
    EXPECT_TRUE(endsSoundly(o));
    const std::string message = o.read ? o.run.refusal : o.readError;
    if (e.message == nullptr) {
      EXPECT_EQ(message, "");
      // Upright at half its height, as the plain cube.
      EXPECT_TRUE(o.run.solve.finished);
      EXPECT_NEAR(o.run.solve.plane.C, 1, 1e-12);
      EXPECT_NEAR(o.run.solve.plane.D, -0.5, 1e-9);
    } else {
      EXPECT_EQ(message.rfind(e.message, 0), 0u) << message;
    }
  }
}

// Lines of a megabyte (a comment, white space, numbers of a million digits) and NUL bytes.
TEST(MalformedInput, HugeLinesAndNulBytesGiveAResultOrAClearMessage) {
  const std::string mega(1 << 20, '0');
  const std::string head = header("0.5", "0.5", "0.5", "0.3");
  std::string longNumbers = kCube;
  longNumbers.replace(longNumbers.find("0,0,0"), 1, "0." + mega);        // 0
  longNumbers.replace(longNumbers.find("1,0,0"), 1, "1." + mega + "0");  // 1
  const std::string sameAsCube[] = {
      head + std::string(1 << 20, 'x') + "\n" + kCube,
      head + std::string(1 << 20, ' ') + kCube,
      head + std::string("# \0\0 NUL\n\0\n", 11) + kCube,
      head + longNumbers,
  };
  const std::string cube = input_checks::setFileText(*readOnly(kCubeBody).body);
  for (const std::string& text : sameAsCube) {
    const Outcome o = runOn(text);
    EXPECT_TRUE(endsSoundly(o));
    ASSERT_TRUE(o.read) << o.readError;
    EXPECT_EQ(input_checks::setFileText(*o.body), cube);
    EXPECT_EQ(o.run.refusal, "");
  }
  const Outcome nulInHeader = runOn(std::string("Volume of Displacement=0.5\nGra\0_Pt.x=1\n", 40));
  EXPECT_FALSE(nulInHeader.read);
  EXPECT_EQ(
      nulInHeader.readError,
      "SET file line 2: expected \"Gra_Pt.x=\" followed by a number, found \"Gra\\0_Pt.x=1\"");
  const Outcome megaDigits = runOn(header("1" + mega, "0", "0", "0") + kCube);
  EXPECT_FALSE(megaDigits.read);
  EXPECT_EQ(megaDigits.readError, "SET file line 1: Volume of Displacement is not a finite number");
}

// Random bytes, with and without a valid header in front.
TEST(MalformedInput, BinaryGarbageIsRefusedOrSkipped) {
  Random random(test_support::kSeed + 2);
  for (int trial = 0; trial < 20; ++trial) {
    std::string garbage(static_cast<size_t>(random.uniform(1, 5000)), '\0');
    for (char& c : garbage)
      c = static_cast<char>(random.uniform(0, 256));
    const Outcome alone = runOn(garbage);
    EXPECT_TRUE(endsSoundly(alone));
    EXPECT_FALSE(alone.read && alone.run.refusal.empty()) << "garbage floated";
    // Behind a header and a block the garbage lies where lines are skipped: the cube still floats
    // (or, if a keyword line happened to appear, the block behind it is refused or read).
    const Outcome behind = runOn(kCubeBody + "\n" + garbage);
    EXPECT_TRUE(endsSoundly(behind));
  }
}

// ---- The whole driver in a child process: exit code and standard output.

void runDriverInChild(const std::string& path) {
  const int nothing = ::open("/dev/null", O_RDONLY);
  ::dup2(nothing, 0);  // the final pause must never wait for a terminal
  reader_test::runWithChildConsole([&path] {
    RunOptions options;
    options.setFile = path;
    std::exit(runConsoleDriver(options));
  });
}

// What the child's standard output holds, as a pattern: the banner line, then `tail`.
// The child's report: its console output ends with `tail`; before it, on standard error, the
// line with the system's reason when `reason` is given.
std::string outputEndingWith(const std::string& tail, const std::string& reason = "") {
  const std::string console = "stdout\\[Tarnwick Oskeld [^\n]*\n" + tail + "\\] flushed";
  return reason.empty() ? "^" + console : "^floatstate: [^\n]*: " + reason + "\n" + console;
}

class DriverOnFiles : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef _WIN32
    GTEST_SKIP() << "the expected outputs are POSIX regular expressions (brackets), which "
                    "GoogleTest does not support on Windows";
#endif
    dir_ = fs::path(::testing::TempDir()) / ("floatstate_malformed_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    std::ofstream(dir_ / "FourPillars.txt") << "#1:\n0,0,0\n0,0,1\n#2:\n1,0,0\n1,0,1\n#3:\n1,1,0\n"
                                               "1,1,1\n#4:\n0,1,0\n0,1,1\n";
  }
  void TearDown() override {
    std::error_code ignored;
    fs::permissions(dir_ / "unreadable.txt", fs::perms::owner_all, ignored);
    fs::remove_all(dir_, ignored);
  }
  std::string write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
    return (dir_ / name).string();
  }
  fs::path dir_;
};

TEST_F(DriverOnFiles, AMissingPathOrADirectoryEndsWithExitCode1) {
  EXPECT_EXIT(
      runDriverInChild((dir_ / "missing.txt").string()), ::testing::ExitedWithCode(1),
      outputEndingWith(" SET file\\(Format2\\) read error! \n", "No such file or directory"));
  EXPECT_EXIT(runDriverInChild(dir_.string()), ::testing::ExitedWithCode(1),
              outputEndingWith("SET file cannot be read \\(input error\\)\n", "Is a directory"));
}

// Root reads any file whatever its permissions, so as root the child first becomes the user
// nobody; the file, owned by root with no permission at all, is then unreadable.
#ifndef _WIN32
void runDriverInChildWithoutRoot(const std::string& path) {
  if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
    std::_Exit(3);
  runDriverInChild(path);
}
#endif

TEST_F(DriverOnFiles, AnUnreadableFileEndsWithExitCode1) {
#ifndef _WIN32  // made unreadable with POSIX permissions and users
  const std::string path = write("unreadable.txt", kCubeBody);
  fs::permissions(path, fs::perms::none);
  if (::geteuid() != 0 && ::access(path.c_str(), R_OK) == 0) {
    GTEST_SKIP() << "a file without read permission is still readable here (a capability "
                    "overrides the permissions), so its refusal cannot be observed";
  }
  EXPECT_EXIT(runDriverInChildWithoutRoot(path), ::testing::ExitedWithCode(1),
              outputEndingWith(" SET file\\(Format2\\) read error! \n", "Permission denied"));
#endif
}

// The message on the console, and after the file's path on standard error; what the line holds
// is quoted with its bytes spelled out.
TEST_F(DriverOnFiles, AnEmptyFileOrGarbageEndsWithExitCode1AndTheLine) {
  const std::string empty =
      "SET file is empty: expected \"Volume of Displacement=\" followed by a number";
  EXPECT_EXIT(runDriverInChild(write("empty.txt", "")), ::testing::ExitedWithCode(1),
              outputEndingWith(empty + "\n", empty));
  const std::string garbage =
      "SET file line 1: expected \"Volume of Displacement=\" followed by a number, found "
      "\"\\\\x7FELF\\\\0\\\\x01\"";
  EXPECT_EXIT(runDriverInChild(write("garbage.txt", std::string("\x7f\x45\x4c\x46\0\x01", 6))),
              ::testing::ExitedWithCode(1), outputEndingWith(garbage + "\n", garbage));
}

// A megabyte comment line and NUL bytes between the blocks are skipped: the run completes with
// the plain cube's result.
TEST_F(DriverOnFiles, SkippedHugeAndNulLinesStillGiveTheResult) {
  const std::string text = header("0.5", "0.5", "0.5", "0.3") + std::string(1 << 20, 'x') +
                           std::string("\n\0\0\n", 4) + kCube;
  EXPECT_EXIT(runDriverInChild(write("body.txt", text)), ::testing::ExitedWithCode(0),
              "A= 0 , B=0 , C=1 , D=-0\\.5\n.*\n4[^\n]*=0\\.5\n\\] flushed");
}

// The volume that the search cannot resolve is reported after the iteration, instead of its
// plane.
TEST_F(DriverOnFiles, AnUnresolvableVolumeEndsWithExitCode1AfterTheIteration) {
  const std::string text = header("1e-320", "0.5", "0.5", "0.3") + kCube;
  EXPECT_EXIT(runDriverInChild(write("tiny.txt", text)), ::testing::ExitedWithCode(1),
              " seconds\nThe water plane cannot be placed for Volume of Displacement=[^\n]*\n\\] "
              "flushed");
}

}  // namespace
