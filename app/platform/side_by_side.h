#pragma once

#include <new>
#include <system_error>
#include <thread>

// Runs two jobs at once when `together` holds: the second on a thread of its own, started for
// them, while the calling thread runs the first. Reading a large file needs no pool of threads
// kept waiting; where the system gives no thread (or no memory for one), the second job runs after
// the first.
template <typename First, typename Second>
void runSideBySide(First first, Second second, bool together) {
  std::thread other;
  if (together) {
    try {
      other = std::thread(second);
    } catch (const std::system_error&) {
    } catch (const std::bad_alloc&) {
    }
  }
  first();
  if (other.joinable()) {
    other.join();
  } else {
    second();
  }
}
