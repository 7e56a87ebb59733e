#pragma once

// What must hold for every input that is read and then floated: the solve of the body by each
// method within bounds, and the console driver's checks of its result. The checks behind the
// pipeline harness and the tests that replay what it found; reading alone is in input_checks.h.

#include <chrono>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <sstream>
#include <streambuf>
#include <string>

#include "elements/floating_body.h"
#include "fuzz/input_checks.h"
#include "geometry/plane.h"
#include "solver/float_checks.h"
#include "solver/newton_solver.h"
#include "submerged/fast_evaluation.h"

namespace input_checks {

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
  // The solve ended because a water plane reached an open surface's opening at this point.
  bool reachedOpening = false;
  Vec3 openingPoint{0, 0, 0};
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
  } catch (const WaterReachesOpening& reached) {
    solve.finished = true;
    solve.reachedOpening = true;
    solve.openingPoint = reached.point;
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

// Where the water reached an open surface: a point of one of its openings.
inline std::string checkOpeningReached(const FloatingBody& body, const Vec3& point) {
  for (const std::vector<std::uint32_t>& loop : body.surface.openings) {
    for (std::uint32_t v : loop) {
      const Vec3& q = body.surface.vertices[v];
      if (q.x == point.x && q.y == point.y && q.z == point.z)
        return "";
    }
  }
  return "the water is said to reach an opening at a point that is not on one";
}

// A reported result: finite, a unit normal, the body holding V below the plane, and the same
// volume from the fast and the reference evaluation. An open surface's openings lie above it.
inline std::string checkReportedResult(FloatingBody& body, double V, const Solve& solve) {
  if (!isFinite(solve.plane) || !isFinite(solve.buoyancyCentre))
    return "a result that is not finite is reported";
  const Plane& p = solve.plane;
  Vec3 opening;
  if (body.surface.lowestOpenPoint(Vec3(p.A, p.B, p.C), opening) && !(p.value(opening) > 0))
    return "the reported plane reaches the surface's opening";
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
    if (run.solve.reachedOpening) {
      run.refusal = "the water reaches the open edge of the surface";
      run.problem = checkOpeningReached(body, run.solve.openingPoint);
      return run;
    }
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

}  // namespace input_checks
