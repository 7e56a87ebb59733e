#pragma once

#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "app/case_tree.h"
#include "loading/loading_condition.h"
#include "stability/criteria_assessment.h"

// The case file of `floatstate --case`: the body and its loading condition, in YAML (or JSON,
// which is YAML too). Units: metres, tonnes, t/m^3, t*m. Paths are relative to the case file's
// folder unless absolute.
//
//   body: hull.set               a SET file (its displacement and gravity lines are ignored);
//                                or {set: hull.set}, or {mesh: hull.stl} (a closed surface)
//   pillars: FourPillars.txt     optional: default FourPillars.txt beside the body, if it exists
//   marks: marks.csv             optional, as --marks
//   water_density: 1.025         optional, t/m^3, default 1.025
//   weights:                     at least one: {name, mass (t, > 0), x, y, z}
//   tanks:                       optional: {name, a solid, density (t/m^3, > 0), the content,
//                                permeability (0..1], default 1)}; the solid is exactly one of
//                                box: [x1, x2, y1, y2, z1, z2], set: FILE, mesh: FILE; the content
//                                exactly one of fill (0..1 of the capacity), volume (m^3),
//                                mass (t), at most the capacity
//   compartments:                optional: {name, a solid, permeability (0..1], default 1)},
//                                flooded, open to the sea
//   heeling_moments:             optional: {name, moment (t*m), direction: heel | trim}
//   lpp: 38.5                    optional, m, > 0: the length of MCT in the hydrostatic table
//                                (default: the waterline length at each draft)
//   windage: {area, lever}       optional, for --criteria is2008: the lateral area above the
//                                waterline (m^2, > 0) and its lever (m, > 0)
//   bilge_keel_area: 12          optional, m^2, >= 0, default 0
//   openings:                    optional: {name, x, y, z}: points through which the body floods
//   wind_heeling_arm:            optional, for --criteria area-ratio: [[heel (deg), arm (m)], ...]
//                                with the heels increasing
// A command-line option of the same meaning (--windage, --bilge-keel-area, --opening,
// --wind-heeling-arm) takes the place of the key.
//
// Any other key, a missing required key, a value of the wrong type or out of its range is an
// error that names the line and the key.

struct CaseInput {
  std::string path;  // the case file, as given
  std::string bodyFile;
  bool bodyIsMesh = false;
  std::optional<std::string> pillarFile;  // given in the case
  std::string marksFile;                  // empty: none
  LoadingCondition condition;
  std::vector<std::string> warnings;  // findings in the tanks' and compartments' files
  // The stability booklet's inputs; absent keys are absent here.
  std::optional<double> lpp;
  std::optional<Windage> windage;
  std::optional<double> bilgeKeelArea;
  std::vector<Opening> openings;
  std::optional<HeelingArmTable> windHeelingArm;
};

// An error in the case file: the whole message after the program's prefix, e.g.
// "ship.yaml: line 12: tanks[0].fill: 1.5 is out of range (0 to 1)".
class CaseError : public std::exception {
 public:
  explicit CaseError(std::string message, int systemError = 0)
      : message_(std::move(message)), systemError_(systemError) {}
  const char* what() const noexcept override { return message_.c_str(); }
  // The system's error number when a file could not be opened or read; 0 for the content's.
  int systemError() const { return systemError_; }

 private:
  std::string message_;
  int systemError_;
};

// Reads and checks the case file, and reads the solids its tanks and compartments name. Throws
// CaseError.
CaseInput readCaseFile(const std::string& path);

// The same from the text of a file at `path` (paths in it are relative to path's folder).
CaseInput readCaseText(const std::string& path, const std::string& text);
