// libFuzzer harness: the case file reader on arbitrary bytes, and the loaded body it accepts
// floated on a small hull. See case_checks.h for what is checked.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/case_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string problem = input_checks::checkCaseFile(data, size);
  if (!problem.empty()) {
    std::fprintf(stderr, "case file check failed: %s\n", problem.c_str());
    std::abort();
  }
  return 0;
}
