#include "elements/large_pages.h"

#include <cstdint>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace {

// Below this a range is made present by its first writes as cheaply as by one request.
constexpr std::size_t kLargeRange = std::size_t{1} << 16;

}  // namespace

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

void populatePages([[maybe_unused]] void* data, [[maybe_unused]] std::size_t bytes) {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
  // Whole pages around the range: making a page present leaves its contents as they are.
  constexpr std::uintptr_t kPage = 4096;
  const std::uintptr_t begin = reinterpret_cast<std::uintptr_t>(data) & ~(kPage - 1);
  const std::uintptr_t end =
      (reinterpret_cast<std::uintptr_t>(data) + bytes + kPage - 1) & ~(kPage - 1);
  if (data == nullptr || bytes < kLargeRange)
    return;
  madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#endif
}
