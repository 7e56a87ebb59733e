// libFuzzer harness: the pillar file parser on arbitrary bytes, and the drafts of the pillars it
// accepts. See input_checks.h for what is checked.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/input_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string problem = input_checks::checkPillarFile(data, size);
  if (!problem.empty()) {
    std::fprintf(stderr, "pillar file check failed: %s\n", problem.c_str());
    std::abort();
  }
  return 0;
}
