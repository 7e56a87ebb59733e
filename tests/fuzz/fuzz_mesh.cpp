// libFuzzer harness: the surface mesh readers (STL, OBJ, OFF) on arbitrary bytes, under each name
// that the format detection looks at, and the checks and the evaluation of the surfaces they
// accept. See mesh_checks.h for what is checked.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/mesh_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string problem = input_checks::checkMeshFile(data, size);
  if (!problem.empty()) {
    std::fprintf(stderr, "mesh file check failed: %s\n", problem.c_str());
    std::abort();
  }
  return 0;
}
