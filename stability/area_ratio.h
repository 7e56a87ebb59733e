#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "stability/intact_criteria.h"

// The area-ratio criterion for column-stabilised units: the area under the righting-moment curve
// up to its second intercept with the wind heeling-moment curve or the flooding angle, whichever is
// less, at least 1.3 times the area under the wind heeling-moment curve up to the same angle. Both
// moments are divided by the displacement, so the areas are those under the righting arm and the
// wind's heeling arm (metre radians).

// The wind's heeling arm over the heel: (heel in degrees, arm in metres) rows in increasing heel,
// linear between them, the end rows' arms beyond them.
class HeelingArmTable {
 public:
  HeelingArmTable() = default;
  explicit HeelingArmTable(std::vector<std::pair<double, double>> rows);
  double at(double heelDeg) const;
  // The exact area under the piecewise linear arm from a to b (b >= a), metre radians.
  double areaBetween(double a, double b) const;
  const std::vector<std::pair<double, double>>& rows() const { return rows_; }

 private:
  std::vector<std::pair<double, double>> rows_;
};

// Why the rows are not a heeling-arm table (fewer than one row, heels not increasing, numbers not
// finite); empty when they are one.
std::string heelingArmTableProblem(const std::vector<std::pair<double, double>>& rows);

struct AreaRatioOutcome {
  std::optional<double> firstInterceptDeg;
  std::optional<double> secondInterceptDeg;
  double limitDeg = 0;      // the second intercept or the flooding angle, whichever is less
  double rightingArea = 0;  // from the equilibrium to limitDeg
  double heelingArea = 0;
  double ratio = 0;
};

// The construction on the curve of one side, from its equilibrium heel. Without a second intercept
// up to kCurveEndDeg (nor a flooding angle before it) the areas run to kCurveEndDeg.
AreaRatioOutcome areaRatioConstruction(const CurveSide& c, const HeelingArmTable& arm);

CriterionResult areaRatioCriterion(const AreaRatioOutcome& o, int side);

// Required ratio of the areas.
constexpr double kRequiredAreaRatio = 1.3;
