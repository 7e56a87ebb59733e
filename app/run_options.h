#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/mesh/mesh_body.h"
#include "app/report/driver_texts.h"
#include "geometry/line_segment.h"
#include "solver/righting_arm.h"
#include "stability/criteria_assessment.h"
#include "stability/hydrostatic_table.h"

struct PreparedBody;  // app/prepared_body.h

// The attitude solvers: the tilt iteration (the program's own) and Newton steps on the restoring
// matrix.
enum class SolverMethod { kGreedy, kNewton };

// What one run is asked to do, as given on the command line. Every field has the value of a run
// without options, so a default-constructed RunOptions runs exactly as the bare program does.
struct RunOptions {
  std::string setFile;    // the body; empty: asked for on the console
  std::string jsonFile;   // the JSON report; empty: none; "-": standard output
  std::string marksFile;  // draft marks (CSV); empty: none
  bool summary = false;   // the summary block after the drafts
  int digits = 6;         // significant digits of every number beyond the fixed texts
  Language language = Language::kChinese;
  bool quiet = false;           // no step lines
  bool strict = false;          // any input warning ends the run before solving
  std::optional<HeelRange> gz;  // the righting-arm curve over these heels; none: no curve
  std::string svgFile;          // the picture of the result; empty: none
  SolverMethod method = SolverMethod::kGreedy;
  int maxSteps =
      0;  // the solver's step limit; 0: the method's own (none for greedy, 50 for newton)
  MeshRunInput mesh;       // the body as a closed surface mesh with its loading; no mesh file: none
  std::string pillarFile;  // --pillars: the pillar file; empty: FourPillars.txt beside the body
  bool noPillars = false;  // --no-pillars: no pillar drafts, and no pillar file read
  std::optional<bool> answer;  // --answer: the iteration's question answered so (true: yes),
                               // and nothing read from standard input; none: read as typed
  // The z of the baseline that the drafts, KB, KG and KM are heights above (--baseline).
  double baseline = 0;
  bool baselineGiven = false;
  std::string caseFile;  // the body and its loading condition (YAML or JSON); empty: none

  // The stability booklet.
  std::optional<DraftRange> hydrostatics;    // the upright hydrostatic table over these drafts
  std::string csvFile;                       // the tables as CSV; empty: none
  std::optional<HeelRange> crossCurveHeels;  // --kn: cross curves over these heels
  std::vector<double> crossCurveVolumes;     // --kn-volumes
  std::optional<double> crossCurveX;         // --kn-lcg: the reference point's x
  std::optional<CriteriaSet> criteria;       // the criteria to check the loaded body against
  CriteriaInputs criteriaInputs;             // their inputs from the options
  bool criteriaInputsGiven = false;          // some of --windage, --opening, ... was given
  bool bilgeKeelAreaGiven = false;           // --bilge-keel-area was given

  // Whether anything asked for needs the body's equilibrium: without it (the hydrostatic table and
  // the cross curves alone, with or without the JSON report and the CSV file) no equilibrium is
  // solved and the normal output's lines after the input are left out.
  bool needsEquilibrium() const {
    return !(hydrostatics || crossCurveHeels) || summary || gz || !marksFile.empty() ||
           !svgFile.empty() || criteria;
  }

  // Not on the command line: what a library or a batch hands over in memory.
  // A body already read, floated instead of a file's: a SET body with its own loading unless
  // `mesh` gives one (then the displacement and the centre of gravity of `mesh` replace the
  // file's), a surface with the loading of `mesh`, which it then needs. setFile and mesh.meshFile
  // stay empty. Null: the body is read from its file.
  std::shared_ptr<const PreparedBody> body;
  // The pillars themselves, in place of any pillar file; none: as pillarFile and noPillars say.
  std::optional<std::array<LineSegment, 4>> pillars;
  // The text of the case file caseFile names, given in memory (an inline case of a batch, a
  // library's dict): caseFile then only names it and places its relative paths.
  std::optional<std::string> caseText;
  // The water's density (t/m^3) of the tables and the criteria of a body run; none: sea water.
  std::optional<double> waterDensity;
};

// Whether the run goes on without pillar drafts when FourPillars.txt beside its body cannot be
// opened: a body that is not a SET file (a mesh), or drafts asked for at marks. A SET file run
// without marks needs its pillars (a missing file ends it with exit code 1, after its reports).
bool pillarFileOptional(const RunOptions& options);
