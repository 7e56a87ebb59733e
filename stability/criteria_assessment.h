#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "elements/floating_body.h"
#include "geometry/plane.h"
#include "geometry/vec3.h"
#include "solver/load_model.h"
#include "stability/area_ratio.h"
#include "stability/hydrostatic_table.h"
#include "stability/intact_criteria.h"
#include "stability/weather_criterion.h"

// A loading condition checked against a set of intact stability criteria on its own righting-arm
// curve (solver/righting_arm.h: each heel balanced in trim, the draft holding the displacement).
// The curve is evaluated where the criteria need it (areas, crossings and maxima refine their
// heels), once per heel, and the criteria are judged for a heel towards either side: the result
// of each criterion is the side with the smaller margin, so that a body or a loading that is not
// symmetric is judged on its weaker side.

// A point through which water floods the body once it lies below the water plane.
struct Opening {
  std::string name;
  Vec3 point;
};

// What a loading condition tells the criteria beyond its weights: the inputs of the weather and
// area-ratio criteria and the openings that set the flooding angle.
struct CriteriaInputs {
  std::optional<Windage> windage;                 // none: the weather criterion is not assessed
  double bilgeKeelArea = 0;                       // m^2
  bool sharpBilges = false;                       // the roll's k is 0.7
  std::vector<Opening> openings;                  // none: no flooding angle
  std::optional<HeelingArmTable> windHeelingArm;  // for the area-ratio criterion
  double density = kSeaWaterDensity;              // t/m^3
};

enum class CriteriaSet { kIs2008, kAreaRatio };
// "is2008", "area-ratio".
const char* criteriaSetName(CriteriaSet set);

// The loading condition floating at its equilibrium, as the solver and the stability check found
// it.
struct LoadedCondition {
  double volume = 0;      // displacement volume
  Vec3 gravity{0, 0, 0};  // the centre of gravity G
  Plane waterPlane{0, 0, 1, 0};
  double GM0 = 0;  // initial transverse metacentric height (with the free surfaces' correction)
};

// The least heel, going from the equilibrium towards one side with the trim free, at which an
// opening reaches the water plane, and that opening.
struct FloodingPoint {
  std::string opening;
  double heelDeg = 0;
};

// Everything judged on the curve towards one side. side +1 heels the +y side down; for side -1 the
// angles are those of the mirrored curve, heels towards -y counted positive.
struct SideAssessment {
  int side = 1;
  double equilibriumDeg = 0;
  std::optional<FloodingPoint> flooding;
  std::vector<CriterionResult> results;
  std::optional<WeatherOutcome> weather;
  std::optional<AreaRatioOutcome> areaRatio;
};

struct CriteriaAssessment {
  CriteriaSet set = CriteriaSet::kIs2008;
  bool pass = true;
  std::vector<CriterionResult> results;  // each criterion on its weaker side
  SideAssessment sides[2];               // towards +y, towards -y
  RollParticulars roll{};                // the weather criterion's particulars, when assessed
  double displacement = 0;               // t
  std::optional<HeelingArmTable> windHeelingArm;  // the area-ratio criterion's wind arm
  std::vector<std::string> notes;                 // what was not assessed, and why
  // The righting arm of the body's own curve at every heel the assessment evaluated (heel in
  // degrees, GZ), in increasing heel.
  std::vector<std::pair<double, double>> curve;
};

// The flooding angle on one side: the least heel from fromDeg (towards side) to kCurveEndDeg at
// which an opening lies on or below the plane that planeAt(heel) gives, and which opening. An
// opening already under water at fromDeg floods at fromDeg; none when no opening submerges.
std::optional<FloodingPoint> floodingAngle(const std::vector<Opening>& openings,
                                           const std::function<Plane(double)>& planeAt,
                                           double fromDeg);

CriteriaAssessment assessCriteria(FloatingBody& body, const LoadedCondition& condition,
                                  CriteriaSet set, const CriteriaInputs& inputs);

// The same for a loaded body (solver/load_model.h) on its own curve: at every heel its liquids
// settle level with the water and its flooded compartments flood to it, and a trim moment moves
// the weight's line along the body; a heel moment is not in the righting arm. The areas then start
// where that arm vanishes near the condition's heel (with a heel moment the condition lies heeled
// where the arm meets the moment's arm instead). condition.volume must be the load's
// displacement volume; the body's fast evaluation must be prepared.
CriteriaAssessment assessCriteria(FloatingBody& body, LoadModel& load,
                                  const LoadedCondition& condition, CriteriaSet set,
                                  const CriteriaInputs& inputs);

// The mean moulded draught of a water plane: the height of the plane above the baseline on the
// centre line (y = 0) halfway along its waterline.
double meanDraught(const FloatingBody& body, const Plane& waterPlane);
