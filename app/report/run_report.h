#pragma once

#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "app/input/input_warnings.h"
#include "app/report/case_report.h"
#include "geometry/plane.h"
#include "geometry/vec3.h"
#include "solver/equilibrium_verdict.h"
#include "solver/righting_arm.h"
#include "stability/criteria_assessment.h"
#include "stability/cross_curves.h"
#include "stability/hydrostatic_table.h"

// Everything one run found out, as the driver fills it in: what was read, how the iteration went,
// where the body floats and how stable it is there. The console summary and the JSON report are
// both written from it. All lengths are in the length unit of the SET or mesh file, all
// coordinates in the body's coordinate system; the drafts, KB, KG and KM are heights above the
// baseline z = baseline. A quantity that was not computed (no water plane, for instance) is NaN.

struct ElementCounts {
  int tetrahedra = 0;
  int hexahedra = 0;
  int prisms = 0;
  int cylinders = 0;
};

// The iteration: its method, the step lines it printed after step 0, how often it placed the
// water plane, and the final distance between the lines of action against the tolerance.
struct SolverRecord {
  std::string method = "greedy";
  int steps = 0;
  int draftSearches = 0;
  bool converged = false;
  double distance = std::numeric_limits<double>::quiet_NaN();
  double distanceTolerance = std::numeric_limits<double>::quiet_NaN();
  double seconds = std::numeric_limits<double>::quiet_NaN();
};

// The waterplane at the final plane and the metacentric heights there: GMt about the body's x
// axis (heel), GMl about its y axis (trim), GMmin about the principal axis of least stability;
// BMt and BMl the matching metacentric radii (second moment of the waterplane / V).
struct Hydrostatics {
  static constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
  double waterplaneArea = kNone;
  Vec3 centreOfFlotation{kNone, kNone, kNone};
  double GMt = kNone;
  double GMl = kNone;
  double GMmin = kNone;
  double BMt = kNone;
  double BMl = kNone;
};

// A draft: the height above the baseline where a line crosses the water plane, or nothing when it
// does not.
struct NamedDraft {
  std::string name;
  std::optional<double> draft;
};

struct RunReport {
  // Input: a SET file, or a surface (surface true) of that many triangles, read from meshFile
  // (empty for a surface given in memory).
  std::string setFile;
  std::string meshFile;
  bool surface = false;
  long long triangles = 0;
  std::optional<Vec3> lowestOpenPoint;    // of an open surface's openings (the mesh's note)
  std::optional<std::string> pillarFile;  // none when no pillar file was read
  // Why the pillar file could not be read (the run then has no pillar drafts); none when it was
  // read or not wanted.
  std::optional<std::string> pillarFileError;
  double displacementVolume = 0;
  Vec3 centreOfGravity{0, 0, 0};
  double bodyVolume = 0;
  ElementCounts elements;
  std::vector<InputWarning> warnings;
  double baseline = 0;
  // The summary and the JSON name the baseline: in a mesh run (a mesh's z = 0 lies anywhere) or
  // when it was given. A SET file run without it reports as it always has.
  bool namesBaseline = false;
  // Result.
  SolverRecord solver;
  Plane waterPlane{0, 0, 1, 0};
  Vec3 centreOfBuoyancy{0, 0, 0};
  std::vector<std::optional<double>> pillarDrafts;  // pillar k at [k - 1]
  bool marksGiven = false;                          // --marks: the marks are reported
  std::vector<NamedDraft> marks;
  Hydrostatics hydrostatics;
  Verdict verdict = Verdict::kNotConverged;
  std::optional<RightingArmCurve> rightingArm;  // computed when --gz was given
  // The stability booklet. A run of the tables alone solves no equilibrium: the result's fields
  // above are then not reported.
  bool equilibriumSolved = true;
  bool hasLoading = true;                  // false: a mesh without --displacement and --gravity
  double waterDensity = kSeaWaterDensity;  // t/m^3, of the tables and the criteria
  bool densityFromCase = false;            // false: the sea water of kSeaWaterDensity
  std::optional<std::vector<HydrostaticRow>> hydrostaticTable;  // --hydrostatics
  std::optional<std::vector<CrossCurve>> crossCurves;           // --kn
  std::optional<CriteriaAssessment> criteria;                   // --criteria
  std::optional<CaseReport> loading;                            // a --case run's loading condition
};

// The angles of the water plane's unit normal N = (A, B, C), in degrees: heel atan2(-B, C),
// positive when the +y side lies deeper; trim atan2(-A, C), positive when the +x end lies deeper.
// An angle below the solver's resolution (its angle floor, 1e-10 rad) is exactly 0.
double heelDegrees(const Plane& waterPlane);
double trimDegrees(const Plane& waterPlane);
// An angle in degrees as the reports give it: 0 within the solver's angle floor, else itself.
double resolvedDegrees(double angle);

// The file the body was read from, whose folder holds FourPillars.txt.
inline const std::string& bodyFile(const RunReport& report) {
  return report.meshFile.empty() ? report.setFile : report.meshFile;
}

// The mean of the drafts that exist, the pillars' and the marks'; NaN when there is none.
double meanDraft(const RunReport& report);
