#include "stability/hydrostatic_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "support/shapes.h"
#include "support/surfaces.h"

namespace {

// A body whose upright particulars are known in closed form at every draft between its keel and
// its deck, built as solid elements or as a closed surface.
struct AnalyticBody {
  const char* name;
  std::function<void(FloatingBody&)> build;
  std::function<HydrostaticRow(double)> expected;  // the row at a draft, density 1.025
  std::vector<double> drafts;
};

// The box [x0, x0 + L] x [y0, y0 + B] x [z0, z0 + D]: at a draft T (above the baseline z = 0) the
// water reaches h = T - z0 up its sides, V = L B h, KB = z0 + h / 2, Awp = L B, BMt = B^2 / (12 h),
// BMl = L^2 / (12 h), Lwl = L, Bwl = B, Cb = h / T (the draft counts from the baseline, not from
// the keel), Cwp = 1, MCT = 1.025 V BMl / (100 L).
HydrostaticRow boxRow(double L, double B, double x0, double y0, double z0, double T) {
  HydrostaticRow r;
  const double h = T - z0;
  r.draft = T;
  r.volume = L * B * h;
  r.displacement = 1.025 * r.volume;
  r.LCB = r.LCF = x0 + L / 2;
  r.TCB = r.TCF = y0 + B / 2;
  r.KB = z0 + h / 2;
  r.waterplaneArea = L * B;
  r.TPC = 1.025 * L * B / 100;
  r.BMt = B * B / (12 * h);
  r.BMl = L * L / (12 * h);
  r.KMt = r.KB + r.BMt;
  r.KMl = r.KB + r.BMl;
  r.MCT = r.displacement * r.BMl / (100 * L);
  r.waterlineLength = L;
  r.waterlineBreadth = B;
  r.Cb = h / T;
  r.Cwp = 1;
  return r;
}

// The V-shaped prism of length L whose section is the triangle with its apex on the keel (y = 0,
// z = 0) and its deck of breadth b at z = D, swept along x from 0: at a draft T the waterline is
// w = b T / D broad, V = L w T / 2, KB = 2 T / 3, Awp = L w, BMt = L w^3 / 12 / V,
// BMl = w L^3 / 12 / V, Cb = 1/2, Cwp = 1.
HydrostaticRow wedgeRow(double L, double b, double D, double T) {
  HydrostaticRow r;
  const double w = b * T / D;
  r.draft = T;
  r.volume = L * w * T / 2;
  r.displacement = 1.025 * r.volume;
  r.LCB = r.LCF = L / 2;
  r.TCB = r.TCF = 0;
  r.KB = 2 * T / 3;
  r.waterplaneArea = L * w;
  r.TPC = 1.025 * L * w / 100;
  r.BMt = L * w * w * w / 12 / r.volume;
  r.BMl = w * L * L * L / 12 / r.volume;
  r.KMt = r.KB + r.BMt;
  r.KMl = r.KB + r.BMl;
  r.MCT = r.displacement * r.BMl / (100 * L);
  r.waterlineLength = L;
  r.waterlineBreadth = w;
  r.Cb = 0.5;
  r.Cwp = 1;
  return r;
}

std::vector<AnalyticBody> analyticBodies() {
  return {
      {"box_of_hexahedra",
       [](FloatingBody& b) {
         test_support::makeMeshedBox(b, Vec3(-20, -6, 0), Vec3(40, 12, 4), 4, 3, 4);
       },
       [](double T) { return boxRow(40, 12, -20, -6, 0, T); },
       {0.5, 1, 1.7, 2, 3.25, 3.9}},
      {"raised_offset_box",
       [](FloatingBody& b) { test_support::makeBox(b, Vec3(3, 1, 0.5), Vec3(13, 5, 3.5)); },
       [](double T) { return boxRow(10, 4, 3, 1, 0.5, T); },
       {0.75, 1.5, 2.2, 3.4}},
      {"box_surface",
       [](FloatingBody& b) {
         surfaces::setSurfaceBody(b, surfaces::boxSurface(Vec3(-50, -8, 0), 100, 16, 10), 1,
                                  Vec3(0, 0, 5));
       },
       [](double T) { return boxRow(100, 16, -50, -8, 0, T); },
       {1, 4.5, 8, 9.75}},
      {"wedge_surface",
       [](FloatingBody& b) {
         surfaces::setSurfaceBody(
             b,
             surfaces::prismSurface({Vec3(0, 0, 0), Vec3(0, 5, 8), Vec3(0, -5, 8)}, Vec3(60, 0, 0)),
             1, Vec3(30, 0, 4));
       },
       [](double T) { return wedgeRow(60, 10, 8, T); },
       {0.5, 2, 5, 7.5}},
  };
}

class AnalyticHydrostatics : public testing::TestWithParam<AnalyticBody> {};

// Every column of the table agrees with the closed form to 1e-12 relative (1e-12 absolute for the
// centres that lie on zero).
TEST_P(AnalyticHydrostatics, EveryColumnMatchesTheClosedForm) {
  const AnalyticBody& param = GetParam();
  FloatingBody body;
  param.build(body);
  for (const double T : param.drafts) {
    const HydrostaticRow got = hydrostaticsAtDraft(body, T, HydrostaticSettings());
    const HydrostaticRow want = param.expected(T);
    const auto near = [&](const char* column, double g, double w) {
      EXPECT_NEAR(g, w, 1e-12 * std::fmax(std::fabs(w), 1.0)) << column << " at draft " << T;
    };
    near("draft", got.draft, want.draft);
    near("volume", got.volume, want.volume);
    near("displacement", got.displacement, want.displacement);
    near("LCB", got.LCB, want.LCB);
    near("TCB", got.TCB, want.TCB);
    near("KB", got.KB, want.KB);
    near("waterplaneArea", got.waterplaneArea, want.waterplaneArea);
    near("LCF", got.LCF, want.LCF);
    near("TCF", got.TCF, want.TCF);
    near("TPC", got.TPC, want.TPC);
    near("BMt", got.BMt, want.BMt);
    near("BMl", got.BMl, want.BMl);
    near("KMt", got.KMt, want.KMt);
    near("KMl", got.KMl, want.KMl);
    near("MCT", got.MCT, want.MCT);
    near("waterlineLength", got.waterlineLength, want.waterlineLength);
    near("waterlineBreadth", got.waterlineBreadth, want.waterlineBreadth);
    near("Cb", got.Cb, want.Cb);
    near("Cwp", got.Cwp, want.Cwp);
  }
}

INSTANTIATE_TEST_SUITE_P(Bodies, AnalyticHydrostatics, testing::ValuesIn(analyticBodies()),
                         [](const testing::TestParamInfo<AnalyticBody>& p) {
                           return std::string(p.param.name);
                         });

// On a curved hull the kernels check one another: the volume grows at the rate of the waterplane
// area, its moment about the baseline (V KB) at the rate Awp T, its moment about x = 0 (V LCB) at
// the rate Awp LCF. Central differences over +-1 mm agree to second order in the step.
TEST(Hydrostatics, VolumeDerivativesAreTheWaterplane) {
  FloatingBody body;
  surfaces::setSurfaceBody(body, surfaces::hullSurface(48, 24), 1, Vec3(0, 0, 5));
  const HydrostaticSettings settings;
  const double h = 1e-3;
  for (const double T : {1.3, 3.0, 5.2, 7.7}) {
    const HydrostaticRow lo = hydrostaticsAtDraft(body, T - h, settings);
    const HydrostaticRow mid = hydrostaticsAtDraft(body, T, settings);
    const HydrostaticRow hi = hydrostaticsAtDraft(body, T + h, settings);
    const double dV = (hi.volume - lo.volume) / (2 * h);
    const double dVz = (hi.volume * hi.KB - lo.volume * lo.KB) / (2 * h);
    const double dVx = (hi.volume * hi.LCB - lo.volume * lo.LCB) / (2 * h);
    EXPECT_NEAR(dV, mid.waterplaneArea, 1e-5 * mid.waterplaneArea) << T;
    EXPECT_NEAR(dVz, mid.waterplaneArea * T, 1e-5 * mid.waterplaneArea * T) << T;
    EXPECT_NEAR(dVx, mid.waterplaneArea * mid.LCF, 1e-5 * mid.waterplaneArea * 50) << T;
    // The hull is symmetric: its waterline spans the whole length only at the deck, and its
    // breadth is that of the midship section at T: B (1 - ((H - T) / H)^2) of the faceted hull
    // whose waterline corners lie on the grid's edges, within a facet's sag of the formula.
    const double r = (10 - T) / 10;
    EXPECT_NEAR(mid.waterlineBreadth, 16 * (1 - r * r), 0.05) << T;
    EXPECT_GT(mid.Cb, 0.3);
    EXPECT_LT(mid.Cb, mid.Cwp);
    EXPECT_LT(mid.Cwp, 1);
  }
}

// Below the keel nothing floats: the volume is 0 and what divides by it is NaN; above the deck the
// whole volume is under water and the waterplane is empty.
TEST(Hydrostatics, DraftsOutsideTheBodyHaveNoWaterplane) {
  FloatingBody body;
  test_support::makeBox(body, Vec3(0, 0, 1), Vec3(10, 4, 3));
  const HydrostaticRow below = hydrostaticsAtDraft(body, 0.5, HydrostaticSettings());
  EXPECT_EQ(below.volume, 0);
  EXPECT_EQ(below.waterplaneArea, 0);
  EXPECT_TRUE(std::isnan(below.KB));
  EXPECT_TRUE(std::isnan(below.BMt));
  EXPECT_TRUE(std::isnan(below.Cb));
  EXPECT_EQ(below.waterlineLength, 0);
  const HydrostaticRow above = hydrostaticsAtDraft(body, 5, HydrostaticSettings());
  EXPECT_NEAR(above.volume, 80, 1e-12);
  EXPECT_NEAR(above.KB, 2, 1e-12);
  EXPECT_EQ(above.waterplaneArea, 0);
  EXPECT_TRUE(std::isnan(above.LCF));
}

// The density scales displacement, TPC and MCT; a given length replaces the waterline's in MCT.
TEST(Hydrostatics, DensityAndLppEnterWhereTheyBelong) {
  FloatingBody body;
  test_support::makeBox(body, Vec3(0, 0, 0), Vec3(20, 5, 3));
  HydrostaticSettings fresh;
  fresh.density = 1.0;
  fresh.lpp = 16;
  const HydrostaticRow sea = hydrostaticsAtDraft(body, 1.5, HydrostaticSettings());
  const HydrostaticRow r = hydrostaticsAtDraft(body, 1.5, fresh);
  EXPECT_DOUBLE_EQ(r.displacement, 150);
  EXPECT_DOUBLE_EQ(sea.displacement, 153.75);
  EXPECT_DOUBLE_EQ(r.TPC, 1.0);
  EXPECT_DOUBLE_EQ(r.MCT, 150 * (400.0 / 18) / 1600);
  EXPECT_DOUBLE_EQ(sea.MCT, 153.75 * (400.0 / 18) / 2000);
}

TEST(Hydrostatics, TableRunsOverTheRange) {
  FloatingBody body;
  test_support::makeBox(body, Vec3(0, 0, 0), Vec3(20, 5, 3));
  const DraftRange range{0.5, 2.0, 0.25};
  ASSERT_EQ(range.count(), 7);
  const std::vector<HydrostaticRow> rows = hydrostaticTable(body, range, HydrostaticSettings());
  ASSERT_EQ(rows.size(), 7u);
  for (size_t i = 0; i < rows.size(); ++i)
    EXPECT_DOUBLE_EQ(rows[i].volume, 100 * (0.5 + 0.25 * static_cast<double>(i)));
  EXPECT_EQ((DraftRange{2, 1, 0.5}).count(), 0);
  EXPECT_EQ((DraftRange{0, 1, 0}).count(), 0);
  EXPECT_EQ((DraftRange{0, 1, 0.1}).count(), 11);  // 1.0 lies within rounding of the tenth step
}

// The upright float of a volume is the draft search's level plane: the box's draft is V / (L B).
TEST(Hydrostatics, UprightFloatHoldsTheVolume) {
  FloatingBody body;
  test_support::makeBox(body, Vec3(2, -1, 0), Vec3(22, 4, 3));
  const UprightFloat f = floatUpright(body, 150);
  EXPECT_NEAR(f.draft, 1.5, 1e-9);
  EXPECT_NEAR(f.buoyancyCentre.x, 12, 1e-9);
  EXPECT_NEAR(f.buoyancyCentre.y, 1.5, 1e-9);
  EXPECT_NEAR(f.buoyancyCentre.z, 0.75, 1e-9);
}

}  // namespace
