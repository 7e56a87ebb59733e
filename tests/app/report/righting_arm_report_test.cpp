#include "app/report/righting_arm_report.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

RightingArmPoint point(double heel, double trim, double gz, bool trimFound) {
  RightingArmPoint p;
  p.heelDeg = heel;
  p.trimDeg = trim;
  p.gz = gz;
  p.trimFound = trimFound;
  return p;
}

// Columns right-aligned under their heads; a heel whose trim was not balanced is starred and
// explained; summary values the range does not hold show the text for "none".
TEST(RightingArmTable, AlignedRowsStarredTrimsAndMissingValues) {
  RightingArmCurve curve;
  curve.points = {point(0, 0.5, -0.25, true), point(10, 12.125, 1.5, false)};
  curve.summary = summarizeRightingArm(curve.points);
  std::ostringstream out;
  writeRightingArmTable(out, curve, false, driverTexts(Language::kEnglish), 6);
  EXPECT_EQ(out.str(),
            "Righting-arm curve (L is the length unit of the SET file):\n"
            "  heel (deg)  trim (deg)  GZ (L) \n"
            "           0         0.5   -0.25 \n"
            "          10      12.125     1.5*\n"
            "  *: no trim within +-89 deg balances the body at this heel\n"
            "  maximum GZ                         1.5 L\n"
            "  heel of maximum GZ                 10 deg\n"
            "  angle of vanishing stability       none\n"
            "  area under the curve, 0 to 30 deg  none\n"
            "  area under the curve, 0 to 40 deg  none\n");
}

}  // namespace
