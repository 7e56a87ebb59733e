#include "elements/large_pages.h"

#include <cstdint>

#ifdef __linux__
#include <sys/mman.h>
#endif

void adviseLargePages([[maybe_unused]] void* data, [[maybe_unused]] std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  // Only whole 2 MB pages inside the range can be large ones; the advice must start on a page.
  constexpr std::uintptr_t kLargePage = std::uintptr_t{1} << 21;
  const std::uintptr_t begin = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t first = (begin + kLargePage - 1) & ~(kLargePage - 1);
  const std::uintptr_t last = (begin + bytes) & ~(kLargePage - 1);
  if (data == nullptr || last <= first)
    return;
  madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#endif
}
