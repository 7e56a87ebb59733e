// The two attitude solvers side by side: the tilt iteration (greedy) and the Newton solver, on the
// examples and on the random bodies of the solver-robustness suite. For every body the greedy
// iteration brings to d <= d_error, the Newton solver must find the same equilibrium: the water
// planes and the centres of buoyancy agreeing to the distance tolerance (see Agreement), and,
// where the equilibrium is stable, within 10 draft searches. Where the tilt iteration ends
// unconverged, the tallies count the Newton solver's verdicts. Prints a table per example and a
// tally per suite, and one for wider random populations; exits 1 when a target is missed in the
// suites.
//
// Usage: floatstate_method_comparison [EXAMPLES_DIR]
//        floatstate_method_comparison --show SUITE BODY   (both solves of one body, with their
//        console; SUITE 0 to 3 the suites, 4 to 8 the wider populations)
//        floatstate_method_comparison --population SEED BODIES SHARE   (one more population's
//        line, and the bodies where the two solvers disagree; exits 1 when there is one)

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "app/input/set_file_reader.h"
#include "elements/console.h"
#include "elements/floating_body.h"
#include "solver/attitude_iteration.h"
#include "solver/equilibrium_verdict.h"
#include "solver/float_checks.h"
#include "solver/newton_solver.h"
#include "support/hostile_body.h"
#include "support/solver_agreement.h"

namespace {

constexpr int kDraftSearchTarget = 10;

using solver_agreement::Agreement;
using solver_agreement::compare;
using solver_agreement::Result;
using solver_agreement::solveGreedy;
using solver_agreement::solveNewton;

bool readBody(const std::string& path, FloatingBody& body) {
  std::FILE* file = std::fopen(path.c_str(), "r");
  if (file == nullptr)
    return false;
  SetFileError error;
  std::vector<SetFileWarning> warnings;
  const bool ok = parseSetFile(file, body, error, warnings);
  std::fclose(file);
  return ok;
}

// One line of the examples' table; false when a target is missed.
bool compareExample(const std::filesystem::path& folder) {
  const std::string name = folder.filename().string();
  FloatingBody body;
  if (!readBody((folder / (name + ".txt")).string(), body)) {
    std::printf("| %s | cannot be read |\n", name.c_str());
    return false;
  }
  body.prepareFastEvaluation();
  const Result greedy = solveGreedy(body);
  const Result newton = solveNewton(body);
  const Agreement agreement = compare(greedy, newton);
  const bool stable = newton.check.verdict == Verdict::kStable;
  const bool met = agreement.holds() && (!stable || newton.draftSearches <= kDraftSearchTarget);
  std::printf("| %s | %d | %d | %d | %d | %.3g | %.3g | %s | %s |\n", name.c_str(), greedy.steps,
              greedy.draftSearches, newton.steps, newton.draftSearches, agreement.rotation,
              agreement.centres, verdictName(newton.check.verdict), met ? "yes" : "NO");
  return met;
}

struct Tally {
  int bodies = 0, refused = 0, greedySolved = 0, agreed = 0, stable = 0, withinTarget = 0;
  int mostDraftSearches = 0;
  long greedyDraftSearches = 0, newtonDraftSearches = 0;
  // Bodies the tilt iteration leaves unconverged, and the verdicts of the Newton solver there.
  int greedyUnsolved = 0, newtonStableAlone = 0, newtonUnstableAlone = 0;
  std::vector<std::string> misses;
  std::vector<std::string> disagreements;  // the misses where the equilibria differ
};

// Runs both solvers on one drawn body of a suite.
void compareBody(FloatingBody& body, Tally& tally, const std::string& label) {
  ++tally.bodies;
  const double V = body.displacementVolume;
  if (!whyBodyCannotFloat(body, V, body.centreOfGravity).empty()) {
    ++tally.refused;
    return;
  }
  body.prepareFastEvaluation(1);
  const Result greedy = solveGreedy(body);
  if (!greedy.check.converged) {
    const Verdict alone = solveNewton(body).check.verdict;
    ++tally.greedyUnsolved;
    tally.newtonStableAlone += alone == Verdict::kStable;
    tally.newtonUnstableAlone += alone == Verdict::kUnstable;
    return;
  }
  ++tally.greedySolved;
  const Result newton = solveNewton(body);
  const Agreement agreement = compare(greedy, newton);
  tally.agreed += agreement.holds();
  tally.greedyDraftSearches += greedy.draftSearches;
  tally.newtonDraftSearches += newton.draftSearches;
  if (greedy.check.verdict == Verdict::kStable) {
    ++tally.stable;
    tally.withinTarget += newton.draftSearches <= kDraftSearchTarget;
    tally.mostDraftSearches = std::max(tally.mostDraftSearches, newton.draftSearches);
  }
  if (!agreement.holds() ||
      (greedy.check.verdict == Verdict::kStable && newton.draftSearches > kDraftSearchTarget)) {
    char line[300];
    std::snprintf(line, sizeof line,
                  "%s: greedy %d steps (%s), newton %d steps, %d searches (%s); normals %.3g, "
                  "centres %.3g of the explained distance apart",
                  label.c_str(), greedy.steps, verdictName(greedy.check.verdict), newton.steps,
                  newton.draftSearches, verdictName(newton.check.verdict), agreement.rotation,
                  agreement.centres);
    tally.misses.push_back(line);
    if (!agreement.holds())
      tally.disagreements.push_back(line);
  }
}

// Draws the suite's bodies in turn, as its tests do, and calls visit(i, body) for each.
template <typename Visit>
void forEachBody(const hostile_body::RobustnessRun& suite, Visit visit) {
  test_support::Random random(suite.seed);
  for (int i = 0; i < suite.bodies; ++i) {
    FloatingBody body;
    hostile_body::loadedBody(body, random, suite.share, suite.degenerateShare);
    visit(i, body);
  }
}

// The last three columns of both tallies: the bodies the tilt iteration leaves unconverged and the
// Newton solver's stable and unstable equilibria among them.
std::string aloneColumns(const Tally& tally) {
  return std::to_string(tally.greedyUnsolved) + " | " + std::to_string(tally.newtonStableAlone) +
         " | " + std::to_string(tally.newtonUnstableAlone);
}

bool compareSuite(const char* name, const hostile_body::RobustnessRun& suite,
                  std::vector<std::string>& misses) {
  Tally tally;
  forEachBody(suite, [&](int i, FloatingBody& body) {
    compareBody(body, tally, std::string(name) + " body " + std::to_string(i));
  });
  std::printf("| %s | %d | %d | %d | %d | %d | %d | %d | %ld | %ld | %s |\n", name, tally.bodies,
              tally.refused, tally.greedySolved, tally.agreed, tally.stable, tally.withinTarget,
              tally.mostDraftSearches, tally.greedyDraftSearches, tally.newtonDraftSearches,
              aloneColumns(tally).c_str());
  misses.insert(misses.end(), tally.misses.begin(), tally.misses.end());
  return tally.agreed == tally.greedySolved && tally.withinTarget == tally.stable;
}

// Wider populations than the suites', drawn the same way with other seeds: both solvers on every
// body, tallied as the suites are. Bodies where the two find different equilibria are printed;
// the exit code does not depend on these populations.
constexpr hostile_body::RobustnessRun kWidePopulations[] = {
    {hostile_body::kRandomVolumes.seed + 100, 200, 0, 0.15},
    {hostile_body::kRandomVolumes.seed + 200, 200, 1e-6, 0.15},
    {hostile_body::kRandomVolumes.seed + 300, 200, 1e-3, 0.15},
    {hostile_body::kRandomVolumes.seed + 400, 200, 1e-2, 0.15},
    {hostile_body::kRandomVolumes.seed + 500, 200, 1, 0.15}};

void compareWide(const hostile_body::RobustnessRun& suite,
                 std::vector<std::string>& disagreements) {
  Tally tally;
  char name[40];
  std::snprintf(name, sizeof name, "share %g", suite.share);
  forEachBody(suite, [&](int i, FloatingBody& body) {
    compareBody(body, tally, std::string(name) + " body " + std::to_string(i));
  });
  std::printf("| %g | %d | %d | %d | %d | %d | %d | %ld | %s |\n", suite.share, tally.bodies,
              tally.greedySolved, tally.agreed, tally.stable, tally.withinTarget,
              tally.mostDraftSearches, tally.newtonDraftSearches, aloneColumns(tally).c_str());
  disagreements.insert(disagreements.end(), tally.disagreements.begin(), tally.disagreements.end());
}

}  // namespace

// Runs both solvers on one body of a suite with their console output shown.
int show(const hostile_body::RobustnessRun& suite, int index) {
  test_support::Random random(suite.seed);
  FloatingBody body;
  for (int i = 0; i <= index; ++i) {
    body.~FloatingBody();
    new (&body) FloatingBody();
    hostile_body::loadedBody(body, random, suite.share, suite.degenerateShare);
  }
  body.prepareFastEvaluation(1);
  Plane plane;
  Vec3 B;
  body.solveFloatingAttitude(plane, B, body.displacementVolume, body.centreOfGravity);
  const NewtonOutcome n =
      solveNewtonAttitude(body, plane, B, body.displacementVolume, body.centreOfGravity);
  for (const std::string& line : newtonNotes(n))
    std::cout << line << "\n";
  return 0;
}

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--show") {
    std::vector<hostile_body::RobustnessRun> suites = {
        hostile_body::kRandomVolumes, hostile_body::kWholeVolume,
        hostile_body::kMillionthOfTheVolume, hostile_body::kDegenerateOnly};
    suites.insert(suites.end(), std::begin(kWidePopulations), std::end(kWidePopulations));
    return show(suites.at(std::stoul(argv[2])), std::stoi(argv[3]));
  }
  if (argc == 5 && std::string(argv[1]) == "--population") {
    std::vector<std::string> disagreements;
    compareWide({std::stoull(argv[2]), std::stoi(argv[3]), std::stod(argv[4]), 0.15},
                disagreements);
    for (const std::string& line : disagreements)
      std::printf("%s\n", line.c_str());
    return disagreements.empty() ? 0 : 1;
  }
  const std::filesystem::path examples = argc > 1 ? argv[1] : FLOATSTATE_EXAMPLES_DIR;
  bool met = true;
  std::printf(
      "| example | greedy steps | greedy draft searches | newton steps | newton draft "
      "searches | normals apart (explained) | centres apart (explained) | verdict | target |\n"
      "|---|---:|---:|---:|---:|---:|---:|---|---|\n");
  std::vector<std::filesystem::path> folders;
  for (const auto& entry : std::filesystem::directory_iterator(examples)) {
    if (entry.is_directory())
      folders.push_back(entry.path());
  }
  std::sort(folders.begin(), folders.end());
  for (const auto& folder : folders)
    met = compareExample(folder) && met;

  std::printf(
      "\n| suite | bodies | refused | greedy converged | newton agrees | stable | "
      "newton <= 10 searches | most searches (stable) | greedy searches | newton "
      "searches | greedy unconverged | there newton stable | there newton unstable |\n"
      "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
  std::vector<std::string> misses;
  met = compareSuite("random volumes", hostile_body::kRandomVolumes, misses) && met;
  met = compareSuite("whole volume", hostile_body::kWholeVolume, misses) && met;
  met = compareSuite("millionth of the volume", hostile_body::kMillionthOfTheVolume, misses) && met;
  met = compareSuite("degenerate only", hostile_body::kDegenerateOnly, misses) && met;
  for (const std::string& miss : misses)
    std::printf("\n%s", miss.c_str());
  std::printf(
      "\n\n| share of the volume (0: random) | bodies | greedy converged | newton agrees | "
      "stable | newton <= 10 searches | most searches (stable) | newton searches | greedy "
      "unconverged | there newton stable | there newton unstable |\n"
      "|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
  std::vector<std::string> disagreements;
  for (const hostile_body::RobustnessRun& suite : kWidePopulations)
    compareWide(suite, disagreements);
  for (const std::string& line : disagreements)
    std::printf("\n%s", line.c_str());
  std::printf("\n%s\n", met ? "All targets met." : "A target is missed.");
  return met ? 0 : 1;
}
