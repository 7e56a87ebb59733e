// Both attitude solvers on the shipped examples: the tilt iteration and the Newton solver reach the
// same equilibrium, the Newton solver within ten draft searches.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/set_file_reader.h"
#include "support/solver_agreement.h"

namespace {

TEST(SolverMethods, ExamplesReachTheSameEquilibriumByBothMethods) {
  const char* source = std::getenv("FLOATSTATE_SOURCE_DIR");
  ASSERT_NE(source, nullptr) << "FLOATSTATE_SOURCE_DIR is not set (run through ctest)";
  for (const char* name : {"pontoon_barge", "semi_submersible", "spar", "prism_hull"}) {
    SCOPED_TRACE(name);
    const std::string path = std::string(source) + "/examples/" + name + "/" + name + ".txt";
    std::FILE* file = std::fopen(path.c_str(), "r");
    ASSERT_NE(file, nullptr) << path;
    FloatingBody body;
    SetFileError error;
    std::vector<SetFileWarning> warnings;
    ASSERT_TRUE(parseSetFile(file, body, error, warnings)) << error.message;
    std::fclose(file);
    body.prepareFastEvaluation(1);
    const solver_agreement::Result greedy = solver_agreement::solveGreedy(body);
    const solver_agreement::Result newton = solver_agreement::solveNewton(body);
    EXPECT_EQ(greedy.check.verdict, Verdict::kStable);
    const solver_agreement::Agreement agreement = solver_agreement::compare(greedy, newton);
    EXPECT_TRUE(agreement.holds()) << "normals " << agreement.rotation << ", centres "
                                   << agreement.centres << " of the explained distance apart";
    EXPECT_LE(newton.draftSearches, 10);
    EXPECT_LT(newton.steps, greedy.steps + 1);
  }
}

}  // namespace
