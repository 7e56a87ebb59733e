// The surface evaluation of generated hulls up to about a million triangles: one volume
// evaluation, one evaluation with the centre of buoyancy, the waterplane, the per-normal setup,
// one draft search and whole non-interactive solves by both methods, on one and two threads.

#include <benchmark/benchmark.h>

#include <iostream>
#include <memory>
#include <sstream>
#include <string>

#include "elements/floating_body.h"
#include "generated_bodies.h"
#include "solver/newton_solver.h"
#include "submerged/surface_evaluation.h"

namespace {

struct HullSize {
  int stations, levels;
};
constexpr HullSize kHulls[] = {{50, 25}, {316, 79}, {1000, 250}};

// A slightly heeled and trimmed normal and a plane at 40 % of the height.
Plane tiltedPlane(const BoundingBox& b) {
  Vec3 n(0.02, -0.015, 1);
  n.normalize();
  const double z = b.zMin + 0.4 * (b.zMax - b.zMin);
  return Plane(n.x, n.y, n.z, -(n.x * b.xMin + n.y * b.yMin + n.z * z));
}

// Bodies are built once per size and kept: the largest takes a second to generate.
struct Hull {
  FloatingBody body;
  LoadCase load{};
};
Hull& hull(const HullSize& size) {
  static std::unique_ptr<Hull> built[3];
  const std::size_t i = static_cast<std::size_t>(&size - kHulls);
  if (!built[i]) {
    built[i] = std::make_unique<Hull>();
    built[i]->load = makeHullSurface(built[i]->body, size.stations, size.levels);
  }
  return *built[i];
}

void setCounters(benchmark::State& state, Hull& h) {
  const double triangles = static_cast<double>(h.body.surface.triangles.size());
  state.counters["triangles"] = triangles;
  state.counters["ns_per_triangle"] =
      benchmark::Counter(triangles * 1e-9, benchmark::Counter::kIsIterationInvariantRate |
                                               benchmark::Counter::kInvert);
  const double surfaceBytes =
      static_cast<double>(h.body.surface.vertices.size() * sizeof(Vec3) +
                          h.body.surface.triangles.size() * sizeof(TriangleSurface::Triangle));
  state.counters["bytes_per_triangle"] =
      (surfaceBytes + static_cast<double>(h.body.surfaceEvaluation->memoryBytes())) / triangles;
}

enum class Measure { kVolume, kBuoyancy, kWaterplane, kSetNormal };

void evaluation(benchmark::State& state, const HullSize* size, int threads, Measure measure) {
  Hull& h = hull(*size);
  h.body.prepareFastEvaluation(threads);
  SurfaceEvaluation& e = *h.body.surfaceEvaluation;
  const Plane plane = tiltedPlane(h.body.bounds);
  e.setNormal(plane.A, plane.B, plane.C);
  // The same normal again costs nothing: the setup is timed turning between two normals.
  const Vec3 normals[2] = {Vec3(plane.A, plane.B, plane.C), Vec3(-0.01, 0.02, 1)};
  int turn = 0;
  for (auto _ : state) {
    double volume = 0;
    Vec3 centre;
    switch (measure) {
      case Measure::kVolume:
        volume = e.submergedVolume(plane.D);
        break;
      case Measure::kBuoyancy:
        e.buoyancy(volume, centre, plane);
        break;
      case Measure::kWaterplane:
        volume = e.waterplane(plane).area;
        break;
      case Measure::kSetNormal:
        turn = 1 - turn;
        e.setNormal(normals[turn].x, normals[turn].y, normals[turn].z);
        break;
    }
    benchmark::DoNotOptimize(volume);
  }
  setCounters(state, h);
}

void draftSearch(benchmark::State& state, const HullSize* size, int threads) {
  Hull& h = hull(*size);
  h.body.prepareFastEvaluation(threads);
  const Plane tilted = tiltedPlane(h.body.bounds);
  // Each search for a new normal, as in a solve: the per-normal setup is part of it.
  Vec3 normals[2] = {Vec3(tilted.A, tilted.B, tilted.C), Vec3(-0.01, 0.02, 1)};
  normals[1].normalize();
  int turn = 0;
  for (auto _ : state) {
    Plane plane;
    Vec3 centre;
    turn = 1 - turn;
    h.body.findWaterPlane(plane, centre, h.load.displacement, normals[turn]);
    benchmark::DoNotOptimize(plane);
  }
  setCounters(state, h);
}

// The whole solve by the tilt iteration or Newton steps, with its console output discarded and
// standard input at its end.
void solve(benchmark::State& state, const HullSize* size, int threads, bool newton) {
  Hull& h = hull(*size);
  h.body.prepareFastEvaluation(threads);
  std::ostringstream sink;
  std::istringstream noInput;
  std::streambuf* out = std::cout.rdbuf(sink.rdbuf());
  std::streambuf* in = std::cin.rdbuf(noInput.rdbuf());
  for (auto _ : state) {
    Plane plane;
    Vec3 centre;
    if (newton) {
      solveNewtonAttitude(h.body, plane, centre, h.load.displacement, h.load.gravity);
    } else {
      h.body.solveFloatingAttitude(plane, centre, h.load.displacement, h.load.gravity);
    }
    benchmark::DoNotOptimize(plane);
    sink.str("");
  }
  std::cout.rdbuf(out);
  std::cin.rdbuf(in);
  setCounters(state, h);
}

int registerAll() {
  const struct {
    const char* name;
    Measure measure;
  } measures[] = {{"volume", Measure::kVolume},
                  {"buoyancy", Measure::kBuoyancy},
                  {"waterplane", Measure::kWaterplane},
                  {"set_normal", Measure::kSetNormal}};
  for (const HullSize& size : kHulls) {
    const std::string hullName = "hull_" + std::to_string(4 * size.stations * size.levels);
    for (int threads : {1, 2}) {
      const std::string suffix = hullName + "/threads" + std::to_string(threads);
      for (const auto& m : measures) {
        benchmark::RegisterBenchmark(("surface_" + std::string(m.name) + "/" + suffix).c_str(),
                                     evaluation, &size, threads, m.measure)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->MinTime(0.5);
      }
      benchmark::RegisterBenchmark(("surface_draft_search/" + suffix).c_str(), draftSearch, &size,
                                   threads)
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime()
          ->Iterations(6);
      for (const bool newton : {false, true}) {
        const std::string name = newton ? "surface_newton/" : "surface_solve/";
        benchmark::RegisterBenchmark((name + suffix).c_str(), solve, &size, threads, newton)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(newton ? 3 : 1);
      }
    }
  }
  return 0;
}

const int kRegistered = registerAll();

}  // namespace
