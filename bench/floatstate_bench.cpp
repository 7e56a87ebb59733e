// Reference and fast evaluation side by side, on generated bodies: one body evaluation, one draft
// search and one whole non-interactive solve by each method (the tilt iteration and the Newton
// solver), with the memory held per water tetrahedron. The reference is the algorithm run
// literally: every trial plane evaluated element by element. The fast paths decide most trials of
// a draft search from the draft filter's bounds; their whole solves must print the reference's
// bytes of the same method (counter same_output).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "elements/floating_body.h"
#include "generated_bodies.h"
#include "solver/attitude_iteration.h"
#include "solver/newton_solver.h"
#include "solver/righting_arm.h"
#include "submerged/fast_evaluation.h"

namespace {

// The evaluation paths compared: the body's own evaluations, and the fast one on 1 or 2 threads.
struct Path {
  const char* name;
  int threads;  // 0: reference
};
constexpr Path kPaths[] = {{"reference", 0}, {"fast1", 1}, {"fast2", 2}};

struct BodyCase {
  std::string name;
  std::function<LoadCase(FloatingBody&)> make;
  bool solve;  // whole solves of the largest bodies take too long on the reference path
  bool gzCurve = false;
};

// A slightly heeled and trimmed plane normal, so that the plane crosses elements obliquely.
Vec3 tiltedNormal() {
  Vec3 n(0.02, -0.015, 1);
  n.normalize();
  return n;
}

// Builds the body (once per benchmark) and prepares the path.
struct Prepared {
  FloatingBody body;
  LoadCase load{};
  Prepared(const BodyCase& c, const Path& path) {
    load = c.make(body);
    if (path.threads > 0)
      body.prepareFastEvaluation(path.threads);
  }
};

// How the draft searches judged their trials: exact evaluations per search (the lower ends and the
// trials the bounds left open, and the final plane's buoyancy) and the share of trials the bounds
// decided.
void setSearchCounters(benchmark::State& state, Prepared& p) {
  if (!p.body.fastEvaluation)
    return;
  const FastEvaluation::SearchStatistics& s = p.body.fastEvaluation->statistics;
  if (s.searches == 0)
    return;
  const double searches = static_cast<double>(s.searches);
  state.counters["exact_per_search"] =
      static_cast<double>(s.exactTrials + s.exactLowerEnds + s.searches) / searches;
  const double trials = static_cast<double>(s.filteredTrials + s.exactTrials + s.finalTrials);
  state.counters["trials_per_search"] = trials / searches;
  state.counters["filter_hit_rate"] = static_cast<double>(s.filteredTrials) / trials;
  state.counters["window_rate"] = static_cast<double>(s.windowTrials) / trials;
  // The fine passes per search, and the crossed elements they valued at their trial levels.
  state.counters["fine_per_search"] = static_cast<double>(s.fineEstimates) / searches;
  state.counters["valued_per_search"] = static_cast<double>(s.valuedElements) / searches;
}

void setCounters(benchmark::State& state, Prepared& p) {
  setSearchCounters(state, p);
  const double tetrahedra = static_cast<double>(waterTetrahedronCount(p.body));
  const double fastBytes =
      p.body.fastEvaluation ? static_cast<double>(p.body.fastEvaluation->memoryBytes()) : 0.0;
  state.counters["water_tets"] = tetrahedra;
  state.counters["bytes_per_tet"] =
      (static_cast<double>(bodyBytes(p.body)) + fastBytes) / tetrahedra;
  // Inverted rate: seconds per (tetrahedron x iteration), scaled to nanoseconds.
  state.counters["ns_per_tet"] =
      benchmark::Counter(tetrahedra * 1e-9, benchmark::Counter::kIsIterationInvariantRate |
                                                benchmark::Counter::kInvert);
}

void evaluation(benchmark::State& state, const BodyCase& c, Path path) {
  Prepared p(c, path);
  Vec3 low(p.body.bounds.xMin, p.body.bounds.yMin, p.body.bounds.zMin);
  const Vec3 n = tiltedNormal();
  // A plane at 40 % of the height: crosses the body in its middle.
  const double z = p.body.bounds.zMin + 0.4 * (p.body.bounds.zMax - p.body.bounds.zMin);
  const Plane plane(n.x, n.y, n.z, -(n.x * low.x + n.y * low.y + n.z * z));
  if (p.body.fastEvaluation)
    p.body.fastEvaluation->setNormal(n.x, n.y, n.z);
  for (auto _ : state) {
    const double v = p.body.fastEvaluation ? p.body.fastEvaluation->submergedVolume(plane.D)
                                           : p.body.computeSubmergedVolume(plane);
    benchmark::DoNotOptimize(v);
  }
  setCounters(state, p);
}

void draftSearch(benchmark::State& state, const BodyCase& c, Path path) {
  Prepared p(c, path);
  for (auto _ : state) {
    Plane plane;
    Vec3 centre;
    p.body.findWaterPlane(plane, centre, p.load.displacement, tiltedNormal());
    benchmark::DoNotOptimize(plane);
  }
  setCounters(state, p);
}

// The whole iteration with its console output discarded and standard input at its end, so a
// prompt ends the iteration as an answer other than 'y' would.
void solveWith(benchmark::State& state, const BodyCase& c, Path path, bool newton) {
  Prepared p(c, path);
  std::ostringstream sink;
  std::istringstream noInput;
  std::streambuf* out = std::cout.rdbuf(sink.rdbuf());
  std::streambuf* in = std::cin.rdbuf(noInput.rdbuf());
  NewtonOutcome outcome;
  AttitudeCounts counts;
  for (auto _ : state) {
    Plane plane;
    Vec3 centre;
    sink.str("");  // the output of the last run is compared
    if (newton) {
      outcome = solveNewtonAttitude(p.body, plane, centre, p.load.displacement, p.load.gravity);
    } else {
      counts = AttitudeCounts();
      solveFloatingAttitude(p.body, plane, centre, p.load.displacement, p.load.gravity, counts);
    }
    benchmark::DoNotOptimize(plane);
  }
  std::cout.rdbuf(out);
  std::cin.rdbuf(in);
  // The reference runs first (it is registered first); every other path must print its bytes.
  static std::map<std::string, std::string> referenceOutput;
  const std::string text = sink.str();
  const std::string key = c.name + (newton ? "/newton" : "/greedy");
  if (path.threads == 0) {
    referenceOutput[key] = text;
  } else if (referenceOutput.count(key) != 0) {
    const bool same = referenceOutput[key] == text;
    state.counters["same_output"] = same ? 1 : 0;
    if (!same)
      state.SkipWithError("the console output differs from the reference");
  }
  state.counters["steps"] = static_cast<double>(std::count(text.begin(), text.end(), '\n'));
  state.counters["draft_searches"] = newton ? outcome.draftSearches : counts.draftSearches;
  setCounters(state, p);
}

void solve(benchmark::State& state, const BodyCase& c, Path path) {
  solveWith(state, c, path, false);
}

void newtonSolve(benchmark::State& state, const BodyCase& c, Path path) {
  solveWith(state, c, path, true);
}

// A 60-point righting-arm curve, 0 to 59 degrees of heel in steps of 1 degree. Counts the draft
// searches per point.
void rightingArm(benchmark::State& state, const BodyCase& c, Path path) {
  Prepared p(c, path);
  int searches = 0;
  for (auto _ : state) {
    const RightingArmCurve curve =
        computeRightingArmCurve(p.body, p.load.displacement, p.load.gravity, HeelRange{0, 59, 1});
    searches = curve.draftSearches;
    benchmark::DoNotOptimize(curve.points.data());
  }
  setCounters(state, p);
  state.counters["searches_per_point"] = searches / 60.0;
}

std::vector<BodyCase> bodyCases() {
  std::vector<BodyCase> cases;
  const int barge[4][3] = {{20, 10, 5}, {40, 25, 10}, {100, 40, 25}, {200, 100, 50}};
  for (const auto& g : barge) {
    const long long n = static_cast<long long>(g[0]) * g[1] * g[2];
    cases.push_back({"barge_" + std::to_string(n) + "_hexahedra",
                     [g](FloatingBody& b) { return makeBargeGrid(b, g[0], g[1], g[2]); },
                     n <= 100000, n == 10000});
  }
  const int field[4][2] = {{1, 10}, {5, 20}, {10, 20}, {20, 50}};
  for (const auto& f : field) {
    const int n = f[0] * f[1] * 10;
    cases.push_back({"field_" + std::to_string(n) + "_cylinders",
                     [f](FloatingBody& b) { return makeCylinderField(b, f[0], f[1]); }, n <= 2000});
  }
  cases.push_back({"tet_mesh_103680_tetrahedra",
                   [](FloatingBody& b) { return makeTetrahedralMesh(b, 24, 24, 30); }, true});
  cases.push_back(
      {"mixed_platform", [](FloatingBody& b) { return makeMixedPlatform(b); }, true, true});
  cases.push_back({"mixed_platform_101040_tets",
                   [](FloatingBody& b) { return makeLargeMixedPlatform(b); }, true, true});
  // Its centre of gravity 5 m off the centre line: it heels to about 48 degrees, and its
  // columns' tilted circles cross the water plane over some 9 m of height.
  cases.push_back({"mixed_platform_101040_tets_heeled",
                   [](FloatingBody& b) {
                     LoadCase load = makeLargeMixedPlatform(b);
                     load.gravity.x += 5;
                     return load;
                   },
                   true});
  cases.push_back({"vertical_field_45x45_cylinders",
                   [](FloatingBody& b) { return makeVerticalCylinderField(b, 45); }, true});
  // Bodies shaped like the hulls users have: a ship of 20,000 hexahedra with flare, bilge and
  // sheer and 60 other elements (its tilt iteration heels and trims it over a few hundred small
  // turns), the same ship loaded further aft and off the centre line (larger turns, more of them),
  // and strakes of elements of several sizes whose ends do not line up.
  // Smaller ships of the same lines: their crossed layer weighs less against the rest of a search,
  // and below a few thousand elements each search's fixed costs show.
  cases.push_back(
      {"ship_hull_636_elements", [](FloatingBody& b) { return makeShipHull(b, 24, 6, 4); }, true});
  cases.push_back({"ship_hull_2940_elements",
                   [](FloatingBody& b) { return makeShipHull(b, 40, 12, 6); }, true});
  cases.push_back({"ship_hull_5060_elements",
                   [](FloatingBody& b) { return makeShipHull(b, 50, 10, 10); }, true});
  cases.push_back({"ship_hull_20060_elements",
                   [](FloatingBody& b) { return makeShipHull(b, 100, 20, 10); }, true});
  cases.push_back({"ship_hull_20060_elements_trimmed",
                   [](FloatingBody& b) {
                     LoadCase load = makeShipHull(b, 100, 20, 10);
                     load.gravity = load.gravity + Vec3(-4, 0.35, 0);
                     return load;
                   },
                   true});
  cases.push_back({"crossed_layers_28293_hexahedra",
                   [](FloatingBody& b) { return makeCrossedLayers(b); }, true});
  return cases;
}

void registerAll() {
  static const std::vector<BodyCase> cases = bodyCases();
  for (const BodyCase& c : cases) {
    for (const Path& path : kPaths) {
      const std::string suffix = c.name + "/" + path.name;
      benchmark::RegisterBenchmark(("evaluation/" + suffix).c_str(), evaluation, c, path)
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime()
          ->MinTime(0.5);
      benchmark::RegisterBenchmark(("draft_search/" + suffix).c_str(), draftSearch, c, path)
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime()
          ->Iterations(path.threads == 0 ? 1 : 3);
      // Whole solves also report the CPU time of every thread of the process, which a machine
      // shared with other work disturbs less than the elapsed time. A fast solve is the best of
      // three (a moment's disturbance doubles a solve of a tenth of a second); the reference,
      // seconds to minutes long, runs once.
      if (c.solve) {
        benchmark::internal::Benchmark* b =
            benchmark::RegisterBenchmark(("solve/" + suffix).c_str(), solve, c, path)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime()
                ->MeasureProcessCPUTime()
                ->Iterations(1);
        if (path.threads > 0) {
          b->Repetitions(3)
              ->ComputeStatistics("min",
                                  [](const std::vector<double>& v) {
                                    return *std::min_element(v.begin(), v.end());
                                  })
              ->ReportAggregatesOnly(true);
        }
      }
      benchmark::RegisterBenchmark(("newton/" + suffix).c_str(), newtonSolve, c, path)
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime()
          ->MeasureProcessCPUTime()
          ->Iterations(path.threads == 0 ? 1 : 3);
      // The curve is a fast-path feature: the reference path would take minutes per curve.
      if (c.gzCurve && path.threads > 0) {
        benchmark::RegisterBenchmark(("righting_arm/" + suffix).c_str(), rightingArm, c, path)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(1);
      }
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  registerAll();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
