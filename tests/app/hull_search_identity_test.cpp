// The filtered draft search on hull-shaped bodies (bench/generated_bodies.h): a ship with flare,
// bilge and sheer and a block of crossed strakes of several element sizes. A run of searches at
// slowly turning normals, as the tilt iteration makes them, lets the window predict its level and
// settle the many crossed elements; every search must give the reference's plane and centre of
// buoyancy bit for bit, and the elements' stored cuts must describe that plane.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>

#include "elements/floating_body.h"
#include "generated_bodies.h"
#include "submerged/fast_evaluation.h"

namespace {

struct HullCase {
  const char* name;
  std::function<LoadCase(FloatingBody&)> make;
};

class HullSearchIdentity : public ::testing::TestWithParam<HullCase> {};

TEST_P(HullSearchIdentity, SearchesAtTurningNormalsMatchTheReference) {
  FloatingBody bodies[3];
  LoadCase load{};
  for (int threads = 0; threads < 3; ++threads) {
    load = GetParam().make(bodies[threads]);
    // A parallel threshold of 0 makes every pass share its work and open every window it can.
    if (threads > 0)
      bodies[threads].fastEvaluation =
          std::make_shared<FastEvaluation>(bodies[threads], threads, 0);
  }
  // Heel turning by 0.3 degrees a step and trim by 0.1, out to 3 and 1 degrees and back.
  for (int step = 0; step < 12; ++step) {
    const double turn = step < 10 ? step : 20 - step;
    const double heel = 0.3 * turn * std::acos(-1.0) / 180, trim = heel / 3;
    const Vec3 normal(std::sin(trim), -std::sin(heel), std::cos(heel) * std::cos(trim));
    Plane planes[3];
    Vec3 centres[3];
    for (int k = 0; k < 3; ++k)
      bodies[k].findWaterPlane(planes[k], centres[k], load.displacement, normal);
    // The search must have found a plane inside the body, not an end of its bracket.
    ASSERT_GT(-planes[0].D, bodies[0].bounds.zMin) << "step " << step;
    ASSERT_LT(-planes[0].D, bodies[0].bounds.zMax) << "step " << step;
    for (int k = 1; k < 3; ++k) {
      ASSERT_EQ(planes[k], planes[0]) << "threads " << k << ", step " << step;
      ASSERT_EQ(centres[k], centres[0]) << "threads " << k << ", step " << step;
      ASSERT_EQ(bodies[k].hexahedra[bodies[k].hexahedronCount / 2].waterPlane, planes[0]);
    }
  }
  // The searches were filtered: they opened windows and decided most trials by the bounds.
  const FastEvaluation::SearchStatistics& s = bodies[1].fastEvaluation->statistics;
  EXPECT_EQ(s.searches, 12);
  EXPECT_GT(s.windows, 0);
  EXPECT_GT(s.filteredTrials, 20 * s.searches);
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, HullSearchIdentity,
    ::testing::Values(
        HullCase{"ship_4860_elements", [](FloatingBody& b) { return makeShipHull(b, 60, 10, 8); }},
        HullCase{"ship_20060_elements",
                 [](FloatingBody& b) { return makeShipHull(b, 100, 20, 10); }},
        HullCase{"crossed_layers", [](FloatingBody& b) { return makeCrossedLayers(b); }}),
    [](const ::testing::TestParamInfo<HullCase>& param) { return std::string(param.param.name); });

}  // namespace
