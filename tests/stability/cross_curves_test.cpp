#include "stability/cross_curves.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "stability/hydrostatic_table.h"
#include "support/shapes.h"
#include "support/surfaces.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

double rad(double degrees) {
  return degrees * kPi / 180;
}

// The box 60 x 10 x 10 m about the centre line (y -5..5, keel on z = 0): for a volume V the draft
// is T = V / 600, and while the sides stay wall-sided (tan(phi) <= min(T, 10 - T) / 5) the righting
// arm about the keel point K is KN = sin(phi) (KB + BM + BM tan^2(phi) / 2), KB = T / 2,
// BM = 100 / (12 T). K lies at the volume's upright centre of buoyancy, x = 30: no trim.
TEST(CrossCurves, WallSidedBoxFollowsTheClosedForm) {
  FloatingBody body;
  test_support::makeMeshedBox(body, Vec3(0, -5, 0), Vec3(60, 10, 10), 4, 2, 2);
  const std::vector<double> volumes{1800, 3000, 4200};
  const std::vector<CrossCurve> curves =
      crossCurves(body, volumes, HeelRange{-30, 30, 7.5}, std::nullopt);
  ASSERT_EQ(curves.size(), 3u);
  for (const CrossCurve& c : curves) {
    const double T = c.displacementVolume / 600, KB = T / 2, BM = 100 / (12 * T);
    EXPECT_NEAR(c.referenceX, 30, 1e-9);
    ASSERT_EQ(c.points.size(), 9u);
    for (const RightingArmPoint& p : c.points) {
      const double t = std::tan(rad(p.heelDeg));
      const double want = std::sin(rad(p.heelDeg)) * (KB + BM + BM * t * t / 2);
      EXPECT_NEAR(p.gz, want, 1e-9) << "V " << c.displacementVolume << " heel " << p.heelDeg;
      EXPECT_NEAR(p.trimDeg, 0, 1e-9);
      EXPECT_TRUE(p.trimFound);
    }
  }
}

// K away from the centre of buoyancy along the length: the body trims until the buoyancy lies
// under K again, and KN is the arm of that trimmed attitude.
TEST(CrossCurves, ReferenceXOffTheCentreTrimsTheBody) {
  FloatingBody body;
  test_support::makeMeshedBox(body, Vec3(0, -5, 0), Vec3(60, 10, 10), 4, 2, 2);
  const std::vector<CrossCurve> curves = crossCurves(body, {3000}, HeelRange{0, 20, 10}, 32.0);
  ASSERT_EQ(curves.size(), 1u);
  EXPECT_EQ(curves[0].referenceX, 32);
  for (const RightingArmPoint& p : curves[0].points) {
    // K lies 2 m towards +x: the +x end goes deeper to bring B under it.
    EXPECT_GT(p.trimDeg, 0.1) << p.heelDeg;
    EXPECT_TRUE(p.trimFound);
    EXPECT_NEAR(p.longitudinalArm, 0, 1e-6 * body.bounds.diagonal());
  }
}

// On a curved hull nearly symmetric fore and aft (its trims stay tiny), the righting arm of a
// centre of gravity G straight above K is KN - KG sin(phi), at heels well past the deck edge too.
TEST(CrossCurves, RightingArmIsKnLessKgSine) {
  FloatingBody body;
  surfaces::setSurfaceBody(body, surfaces::hullSurface(40, 20), 1, Vec3(0, 0, 4));
  const double V = hydrostaticsAtDraft(body, 5, HydrostaticSettings()).volume;
  const HeelRange heels{0, 80, 10};
  const std::vector<CrossCurve> curves = crossCurves(body, {V}, heels, std::nullopt);
  ASSERT_EQ(curves.size(), 1u);
  const double x = curves[0].referenceX;
  EXPECT_NEAR(x, 0, 0.05);  // the diagonals of the facets break the symmetry a little
  const double KG = 4.2;
  const RightingArmCurve gz = computeRightingArmCurve(body, V, Vec3(x, 0, KG), heels);
  for (size_t i = 0; i < gz.points.size(); ++i) {
    const RightingArmPoint& kn = curves[0].points[i];
    EXPECT_NEAR(gz.points[i].gz, kn.gz - KG * std::sin(rad(kn.heelDeg)), 1e-7) << kn.heelDeg;
  }
}

}  // namespace
