#pragma once

#include <optional>

#include "stability/curve_numerics.h"
#include "stability/intact_criteria.h"

// The severe wind and rolling criterion (weather criterion) of the 2008 Intact Stability Code,
// Part A 2.3. A steady beam wind heels the ship to phi0 (the arm lw1 against the righting arm);
// from there the waves roll it to windward by phi1; a gust (lw2 = 1.5 lw1) then strikes. Area a
// lies between lw2 and the righting-arm curve from phi0 - phi1 to their first intercept, area b
// between the curve and lw2 from that intercept to phi2 = the least of the flooding angle, 50
// degrees and the second intercept phic of lw2 with the curve. The criterion asks b >= a. The
// steady heel phi0 should stay below 16 degrees or 80 % of the deck edge's immersion angle; the
// body has no deck edge the program knows, so phi0 is reported against 16 degrees beside the
// criterion, not judged. Metres, tonnes, seconds; angles in degrees.

// The wind's lateral projected area above the waterline (A, m^2) and Z: the height of its centre
// above the centre of the underwater lateral area, or approximately above half the mean draught.
struct Windage {
  double area = 0;
  double lever = 0;
};

// The ship's particulars the roll of Part A 2.3.4 reads.
struct RollParticulars {
  double breadth = 0;           // B: moulded breadth (m)
  double draught = 0;           // d: mean moulded draught (m)
  double KG = 0;                // centre of gravity above the baseline (m)
  double blockCoefficient = 0;  // Cb
  double waterlineLength = 0;   // L (m)
  double bilgeKeelArea = 0;     // Ak: bilge keels, bar keel or both (m^2)
  double GM = 0;                // metacentric height corrected for free surfaces (m)
  bool sharpBilges = false;     // k = 0.7 whatever the keels
};

// The factors and the angle of Part A 2.3.4.
struct RollAngle {
  double X1, X2, k, s;  // the tables' factors, linear between their rows, their end rows beyond
  double r;             // 0.73 + 0.6 OG / d, OG = KG - d
  double C;             // 0.373 + 0.023 B / d - 0.043 L / 100
  double T;             // the rolling period 2 C B / sqrt(GM), s
  double phi1Deg;       // 109 k X1 X2 sqrt(r s)
};

// Part A 2.3.4, table 2.3.4-1: X1 from B/d.
double factorX1(double breadthOverDraught);
// Part A 2.3.4, table 2.3.4-2: X2 from Cb.
double factorX2(double blockCoefficient);
// Part A 2.3.4, table 2.3.4-3: k from Ak x 100 / (L x B) (1.0 for a round bilge without keels).
double factorK(double keelAreaPercent);
// Part A 2.3.4, table 2.3.4-4: s from the rolling period T.
double factorS(double rollingPeriod);
// Part A 2.3.4: the angle of roll to windward.
RollAngle rollAngle(const RollParticulars& ship);

// Part A 2.3.2: the steady wind's heeling arm lw1 = P A Z / (1000 g displacement), P = 504 Pa
// (0.0514 t/m^2), g = 9.81 m/s^2, the displacement in tonnes.
constexpr double kWindPressure = 504;
constexpr double kGravity = 9.81;
double steadyWindArm(const Windage& windage, double displacement);

// The construction on the curve and its outcome.
struct WeatherOutcome {
  double lw1 = 0, lw2 = 0;
  RollAngle roll{};
  std::optional<double> phi0Deg;       // none: the curve never reaches lw1 (the wind capsizes it)
  std::optional<double> interceptDeg;  // the first intercept of lw2 with the curve
  std::optional<double> phicDeg;       // the second intercept
  double phi2Deg = 0;
  double areaA = 0, areaB = 0;
  double ratio = 0;                // b / a
  double steadyHeelLimitDeg = 16;  // the guide on phi0
};

// The construction on the curve of one side.
WeatherOutcome weatherConstruction(const CurveSide& c, const Windage& windage, double displacement,
                                   const RollParticulars& ship);

// Part A 2.3.1: the criterion's result, attained = b / a against 1.
CriterionResult weatherCriterion(const WeatherOutcome& w, int side);
