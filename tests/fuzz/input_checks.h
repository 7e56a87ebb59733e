#pragma once

// What must hold for every input, whatever its bytes: the checks behind the libFuzzer harnesses
// (which abort on a violation) and behind the tests that replay the inputs they found (which
// fail). Each check returns an empty string when the input passed and otherwise says what went
// wrong. A check never prints: the program's own console output goes to a discarding buffer.

#include <stdio.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "app/console_driver.h"
#include "app/pillar_file.h"
#include "app/set_file_reader.h"
#include "app/set_file_text.h"
#include "elements/floating_body.h"
#include "geometry/line_segment.h"
#include "geometry/plane.h"
#include "solver/newton_solver.h"
#include "submerged/fast_evaluation.h"

namespace input_checks {

// A read-only stream over a private copy of the bytes, NUL bytes included, that can seek like a
// file (the readers read a faulty file twice to name the line of the fault).
class MemoryFile {
 public:
  MemoryFile(const std::uint8_t* data, std::size_t size) : bytes_(data, data + size) {
    bytes_.push_back('\0');  // data() is never null, also for an empty input
#ifdef _WIN32
    // The Windows runtime has no fmemopen: an anonymous temporary file holds the bytes instead.
    file_ = std::tmpfile();
    if (file_ != nullptr) {
      std::fwrite(bytes_.data(), 1, size, file_);
      std::rewind(file_);
    }
#else
    file_ = fmemopen(bytes_.data(), size, "r");
#endif
  }
  ~MemoryFile() {
    if (file_ != nullptr)
      std::fclose(file_);
  }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;
  std::FILE* get() const {
    return file_;
  }

 private:
  std::vector<char> bytes_;
  std::FILE* file_;
};

// A message meant for one console line: not empty, no line break, starting with `prefix`.
inline std::string checkMessage(const std::string& what, const std::string& message,
                                const std::string& prefix) {
  if (message.empty() || message.find('\n') != std::string::npos ||
      message.compare(0, prefix.size(), prefix) != 0) {
    return what + " is not one line starting with \"" + prefix + "\": \"" + message + "\"";
  }
  return "";
}

// Every number of the body's input, in exponent-free round-trip notation, in file order per kind:
// the text of a SET file that describes the same body.
inline std::string setFileText(const FloatingBody& body) {
  std::string text;
  const auto number = [&text](double v) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.17g", v);
    text += buffer;
  };
  const auto point = [&](const Vec3& p) {
    number(p.x);
    text += ',';
    number(p.y);
    text += ',';
    number(p.z);
    text += '\n';
  };
  const char* const header[4] = {
      "Volume of Displacement=", "\nGra_Pt.x=", "\nGra_Pt.y=", "\nGra_Pt.z="};
  const double values[4] = {body.displacementVolume, body.centreOfGravity.x, body.centreOfGravity.y,
                            body.centreOfGravity.z};
  for (int i = 0; i < 4; ++i) {
    text += header[i];
    number(values[i]);
  }
  text += '\n';
  for (int i = 0; i < body.tetrahedronCount; ++i) {
    text += "Tetrahedron\n";
    for (const Vec3& v : body.tetrahedra[i].vertices)
      point(v);
  }
  for (int i = 0; i < body.hexahedronCount; ++i) {
    text += "Hexahedron\n";
    for (const Vec3& v : body.hexahedra[i].vertices)
      point(v);
  }
  for (int i = 0; i < body.prismCount; ++i) {
    text += "TrianglePrism\n";
    for (const Vec3& v : body.prisms[i].vertices)
      point(v);
  }
  for (int i = 0; i < body.cylinderCount; ++i) {
    const Cylinder& c = body.cylinders[i];
    text += "Cylinder\n";
    point(c.axisStart);
    number(c.radius);
    text += '\n';
    point(c.axisEnd);
    number(c.radius);
    text += '\n';
  }
  return text;
}

inline int elementCount(const FloatingBody& body) {
  return body.tetrahedronCount + body.hexahedronCount + body.prismCount + body.cylinderCount;
}

// A body the reader accepted: arrays exactly where the counts say, every number finite, every
// cylinder with its 30 sectors.
inline std::string checkAcceptedBody(const FloatingBody& body) {
  const bool arrays[4] = {body.tetrahedra != nullptr, body.hexahedra != nullptr,
                          body.prisms != nullptr, body.cylinders != nullptr};
  const int counts[4] = {body.tetrahedronCount, body.hexahedronCount, body.prismCount,
                         body.cylinderCount};
  for (int kind = 0; kind < 4; ++kind) {
    if (counts[kind] < 0 || arrays[kind] != (counts[kind] > 0))
      return "element array and count disagree for kind " + std::to_string(kind);
  }
  // Written out and read back, the accepted numbers describe the same body: this also checks
  // that every number is finite (the reader refuses the others).
  const std::string text = setFileText(body);
  for (const char* bad : {"nan", "inf"}) {
    if (text.find(bad) != std::string::npos)
      return std::string("the reader accepted a number that is not finite (") + bad + ")";
  }
  for (int i = 0; i < body.cylinderCount; ++i) {
    if (body.cylinders[i].segmentCount != Cylinder::kDefaultSegmentCount)
      return "a cylinder read from the file does not have 30 sectors";
  }
  return "";
}

// Parses the bytes as a SET file. An accepted file must give a sound body that reads back the
// same from its own numbers; a refused one a one-line message and no elements.
inline std::string checkSetFile(const std::uint8_t* data, std::size_t size) {
  const MemoryFile file(data, size);
  if (file.get() == nullptr)
    return "";  // no stream, nothing to check
  FloatingBody body;
  SetFileError error;
  std::vector<SetFileWarning> warnings;
  const bool ok = parseSetFile(file.get(), body, error, warnings);
  for (const SetFileWarning& warning : warnings) {
    const std::string problem = checkMessage("a warning", warning.message, "SET file line ");
    if (!problem.empty() || warning.line < 1)
      return problem.empty() ? "a warning names no line: " + warning.message : problem;
  }
  if (!ok) {
    FloatingBody fromMemory;
    if (readUsualSetFile(reinterpret_cast<const char*>(data), size, fromMemory))
      return "reading from memory took a file that the stream refuses";
    if (elementCount(body) != 0 || body.tetrahedra || body.hexahedra || body.prisms ||
        body.cylinders) {
      return "a refused file left elements in the body";
    }
    return checkMessage("the error", error.message, "SET file");
  }
  std::string problem = checkAcceptedBody(body);
  if (!problem.empty())
    return problem;
  const std::string text = setFileText(body);
  // Reading from memory takes a file only as the stream reads it, and takes every plain one.
  FloatingBody fromMemory, plain;
  if (readUsualSetFile(reinterpret_cast<const char*>(data), size, fromMemory) &&
      (!warnings.empty() || setFileText(fromMemory) != text))
    return "reading from memory took a file that the stream reads otherwise";
  if (!readUsualSetFile(text.data(), text.size(), plain) || setFileText(plain) != text)
    return "reading from memory refused or misread the body's own numbers";
  const MemoryFile again(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  FloatingBody reread;
  std::vector<SetFileWarning> none;
  if (!parseSetFile(again.get(), reread, error, none))
    return "the body's own numbers are refused: " + error.message;
  if (setFileText(reread) != text)
    return "the body's own numbers read back as another body";
  return "";
}

// Stands in for the console during a solve: standard input is at its end, so the iteration's
// question is answered by the end of input, and standard output goes to a buffer that only counts
// lines. A solve that writes more than lineLimit lines, or that is still writing after the time
// budget, is cut short by the exception LimitReached. The solver writes a line per step and each
// step takes a bounded number of evaluations, so this bounds the work of one solve.
class BoundedConsole {
 public:
  struct LimitReached {};

  BoundedConsole(long lineLimit, std::chrono::milliseconds budget)
      : sink_(lineLimit, std::chrono::steady_clock::now() + budget),
        oldOut_(std::cout.rdbuf(&sink_)),
        oldIn_(std::cin.rdbuf(&input_)),
        oldFlags_(std::cout.flags()),
        oldExceptions_(std::cout.exceptions()) {
    std::cout.exceptions(std::ios::badbit);  // lets the sink's exception through the stream
  }
  ~BoundedConsole() {
    std::cout.clear();
    std::cout.exceptions(oldExceptions_);
    std::cout.rdbuf(oldOut_);
    std::cout.flags(oldFlags_);
    std::cin.rdbuf(oldIn_);
    std::cin.clear();
  }
  BoundedConsole(const BoundedConsole&) = delete;
  BoundedConsole& operator=(const BoundedConsole&) = delete;

  long lines() const { return sink_.lines; }

 private:
  struct CountingSink : std::streambuf {
    CountingSink(long lineLimit, std::chrono::steady_clock::time_point stopAt)
        : limit(lineLimit), deadline(stopAt) {}
    long lines = 0;
    long limit;
    std::chrono::steady_clock::time_point deadline;
    void count(char c) {
      if (c != '\n')
        return;
      if (++lines > limit || std::chrono::steady_clock::now() > deadline)
        throw LimitReached{};
    }
    int_type overflow(int_type c) override {
      if (!traits_type::eq_int_type(c, traits_type::eof()))
        count(traits_type::to_char_type(c));
      return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
      for (std::streamsize i = 0; i < n; ++i)
        count(s[i]);
      return n;
    }
  };

  CountingSink sink_;
  std::stringbuf input_;
  std::streambuf* oldOut_;
  std::streambuf* oldIn_;
  std::ios::fmtflags oldFlags_;
  std::ios::iostate oldExceptions_;
};

// The outcome of one bounded solve.
struct Solve {
  bool finished = false;  // false: the line limit or the time budget cut it short
  long lines = 0;         // console lines the solver wrote
  Plane plane{0, 0, 0, 0};
  Vec3 buoyancyCentre{0, 0, 0};
};

// The attitude solvers.
enum class Method { kGreedy, kNewton };

// Solves with standard input at its end, at most lineLimit console lines (the header, one line
// per step and one per question) and about the time budget.
inline Solve solveBounded(FloatingBody& body, double V, const Vec3& G, long lineLimit,
                          std::chrono::milliseconds budget, Method method = Method::kGreedy) {
  Solve solve;
  BoundedConsole console(lineLimit, budget);
  try {
    if (method == Method::kNewton)
      solveNewtonAttitude(body, solve.plane, solve.buoyancyCentre, V, G);
    else
      body.solveFloatingAttitude(solve.plane, solve.buoyancyCentre, V, G);
    solve.finished = true;
  } catch (const BoundedConsole::LimitReached&) {
    solve.finished = false;
  }
  solve.lines = console.lines();
  return solve;
}

// The fast evaluation and the body's own give the same bits for the plane (NaN alike).
inline std::string checkFastMatchesReference(FloatingBody& body, const Plane& plane) {
  FastEvaluation* fast = body.fastEvaluation.get();
  if (fast == nullptr)
    return "";
  fast->setNormal(plane.A, plane.B, plane.C);
  const double quick = fast->submergedVolume(plane.D);
  const double reference = body.computeSubmergedVolume(plane);
  const bool same = std::isnan(quick) ? std::isnan(reference)
                                      : std::memcmp(&quick, &reference, sizeof quick) == 0;
  if (same)
    return "";
  char text[160];
  std::snprintf(text, sizeof text, "fast evaluation %.17g differs from the reference %.17g", quick,
                reference);
  return text;
}

// How a run ends after its SET file has been read, as the console driver makes it.
struct RunOutcome {
  std::string refusal;  // the driver's message when it ends the run with exit code 1
  Solve solve;          // when not refused: the solve, finished or cut short by the limits
  std::string problem;  // a broken property; empty when all is well
};

// A reported result: finite, a unit normal, the body holding V below the plane, and the same
// volume from the fast and the reference evaluation.
inline std::string checkReportedResult(FloatingBody& body, double V, const Solve& solve) {
  if (!isFinite(solve.plane) || !isFinite(solve.buoyancyCentre))
    return "a result that is not finite is reported";
  const Plane& p = solve.plane;
  const double length = std::sqrt(p.A * p.A + p.B * p.B + p.C * p.C);
  if (std::fabs(length - 1) > 1e-12)
    return "the water plane's normal is not of unit length";
  const double held = body.computeSubmergedVolume(p);
  if (!(std::fabs(held - V) <= 1e-6 * V)) {
    char text[160];
    std::snprintf(text, sizeof text, "the reported plane holds %.17g instead of V = %.17g", held,
                  V);
    return text;
  }
  return checkFastMatchesReference(body, p);
}

// The run of a body that has been read: refused with a message, or solved (within the limits) to
// a result that the driver either reports or refuses with a message. A solve that the limits cut
// short is not checked further.
inline RunOutcome runAfterReading(FloatingBody& body, long lineLimit,
                                  std::chrono::milliseconds budget, int threads,
                                  Method method = Method::kGreedy) {
  RunOutcome run;
  const double V = body.displacementVolume;
  const Vec3 G = body.centreOfGravity;
  // As the driver does: the whole body's volume by the fast evaluation, which must refuse what
  // the plain one refuses, with the same numbers.
  run.refusal = whyInputCannotFloat(body, V, G);
  if (run.refusal.empty() && !body.fastEvaluation) {
    const std::string plain = whyBodyCannotFloat(body, V, G);
    body.prepareFastEvaluation(threads);
    run.refusal = whyBodyCannotFloat(body, V, G);
    if (run.refusal != plain) {
      run.problem = "the fast evaluation refuses with \"" + run.refusal + "\", the plain one \"" +
                    plain + "\"";
      return run;
    }
  } else if (run.refusal.empty()) {
    run.refusal = whyBodyCannotFloat(body, V, G);
  }
  if (run.refusal.empty()) {
    run.solve = solveBounded(body, V, G, lineLimit, budget, method);
    if (!run.solve.finished)
      return run;
    run.refusal = whyResultIsUnsound(body, V, run.solve.plane, run.solve.buoyancyCentre);
    if (run.refusal.empty()) {
      run.problem = checkReportedResult(body, V, run.solve);
      return run;
    }
  }
  run.problem = checkMessage("the refusal", run.refusal, "");
  return run;
}

// Limits that keep one run of the whole pipeline short (well below the fuzzer's timeout also with
// the sanitizers): slowly converging bodies take thousands of steps.
constexpr std::size_t kPipelineMaxBytes = 4096;
constexpr int kPipelineMaxElements = 50;
constexpr long kPipelineLineLimit = 300;
constexpr std::chrono::milliseconds kPipelineBudget{1000};

// Reads the bytes as a SET file and, when the body is small, runs it: bounds, the refusal check,
// the solve by each method (the end of input at the question), and the driver's check of the
// result.
inline std::string checkPipeline(const std::uint8_t* data, std::size_t size) {
  if (size > kPipelineMaxBytes)
    return "";
  const MemoryFile file(data, size);
  if (file.get() == nullptr)
    return "";
  FloatingBody body;
  SetFileError error;
  std::vector<SetFileWarning> warnings;
  if (!parseSetFile(file.get(), body, error, warnings))
    return checkMessage("the error", error.message, "SET file");
  if (elementCount(body) > kPipelineMaxElements)
    return "";
  const std::string problem = runAfterReading(body, kPipelineLineLimit, kPipelineBudget, 1).problem;
  if (!problem.empty())
    return problem;
  return runAfterReading(body, kPipelineLineLimit, kPipelineBudget, 1, Method::kNewton).problem;
}

// Reads the bytes as a pillar file. Accepted pillars hold finite points and get finite drafts
// (or none) for a few water planes; a refused file gives a one-line message.
inline std::string checkPillarFile(const std::uint8_t* data, std::size_t size) {
  const MemoryFile file(data, size);
  if (file.get() == nullptr)
    return "";
  LineSegment pillars[4];
  for (LineSegment& p : pillars)
    p.set(Vec3(0, 0, 0), Vec3(0, 0, 0));
  PillarFileError error;
  if (!parsePillarFile(file.get(), pillars, error))
    return checkMessage("the error", error.message, "Pillar file");
  for (const LineSegment& pillar : pillars) {
    if (!isFinite(pillar.P0) || !isFinite(pillar.P1))
      return "an accepted pillar holds a number that is not finite";
  }
  const double s = std::sqrt(0.5);
  const Plane planes[3] = {Plane(0, 0, 1, -2), Plane(s, 0, s, -1), Plane(0.6, 0.48, 0.64, 3)};
  std::ostringstream drafts;
  std::streambuf* const old = std::cout.rdbuf(drafts.rdbuf());
  for (const Plane& plane : planes) {
    Vec3 crossings[4];
    writePillarDrafts(plane, pillars, crossings);
  }
  std::cout.rdbuf(old);
  const std::string text = drafts.str();
  if (text.find("nan") != std::string::npos || text.find("inf") != std::string::npos)
    return "a pillar's draft is not a finite number: " + text;
  return "";
}

}  // namespace input_checks
