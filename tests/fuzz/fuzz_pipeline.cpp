// libFuzzer harness: the whole run on small SET files (at most 4 KB and 50 elements): reading,
// the refusal of bodies that cannot float, the solve with the end of input at its question and a
// bound on its console lines, and the check of the result. See input_checks.h.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/pipeline_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string problem = input_checks::checkPipeline(data, size);
  if (!problem.empty()) {
    std::fprintf(stderr, "pipeline check failed: %s\n", problem.c_str());
    std::abort();
  }
  return 0;
}
