#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/report/run_report.h"
#include "app/report/svg_picture.h"
#include "app/run_options.h"
#include "elements/floating_body.h"
#include "solver/equilibrium_verdict.h"
#include "solver/load_model.h"

// The stability booklet's part of a run, after the normal output: the tables and the criteria
// the options ask for, into the report and onto the console, and the CSV files.

// The hydrostatic table and the cross curves, each when asked for, with the water density of the
// report; MCT over lpp when given, else over the waterline length at each draft.
void runBookletTables(FloatingBody& body, const RunOptions& options, RunReport& report,
                      std::optional<double> lpp = std::nullopt);

// The criteria of options.criteria on the body floating at the equilibrium the check judged: the
// table on the console and, on standard error, a line for each criterion not met and for each
// note (a criterion not assessed). False when a criterion is not met.
bool runCriteria(FloatingBody& body, const RunOptions& options, const EquilibriumCheck& check,
                 RunReport& report);
// The same for a loaded body on its own curve (its liquids moving, stability/criteria_assessment.h)
// with these inputs (their density is the report's).
bool runCriteria(FloatingBody& body, LoadModel& load, CriteriaInputs inputs,
                 const RunOptions& options, const EquilibriumCheck& check, RunReport& report);

// Why the volumes of --kn-volumes cannot be floated by a body of this whole volume, or an empty
// string.
std::string crossCurveVolumesProblem(const RunOptions& options, double bodyVolume);

// The curve through the heels the criteria evaluated, as a righting-arm curve to draw. It has no
// summary: the criteria's table holds the exact areas and maximum.
RightingArmCurve curveOfSamples(const std::vector<std::pair<double, double>>& samples);

// The picture's curve and the booklet's panels: the curve of --gz, or else the one through the
// heels the criteria evaluated (kept in `evaluated`, which must outlive the scene); the criteria's
// limits and heeling arms; the cross curves.
void drawBookletPanels(const RunReport& report, RightingArmCurve& evaluated, PictureScene& scene);

// Writes the CSV file(s) of --csv: the hydrostatic table into the file, the cross curves into it
// when there is no hydrostatic table, else into crossCurvesCsvPath(file). False (after a message
// on standard error) when a file cannot be written.
bool writeBookletCsv(const RunOptions& options, const RunReport& report);

// "dir/booklet.csv" -> "dir/booklet.kn.csv"; a name without an extension gets ".kn".
std::string crossCurvesCsvPath(const std::string& csvFile);

// The exit code of a run whose verdict gave verdictCode: a verdict's 3 or 4 comes first, then 5
// when a criterion is not met.
int runExitCode(int verdictCode, bool criteriaMet);
