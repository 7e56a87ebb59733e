#pragma once

#include <exception>
#include <new>
#include <system_error>
#include <thread>

// Runs two jobs at once when `together` holds: the second on a thread of its own, started for
// them, while the calling thread runs the first. Reading a large file needs no pool of threads
// kept waiting; where the system gives no thread (or no memory for one), the second job runs after
// the first.
//
// An exception of either job reaches the caller, as if the jobs had run one after the other: the
// thread is joined on every path first (a thread left joinable would end the process), and an
// exception on the second thread is carried over to the calling one. When both jobs throw, the
// first job's exception is the one rethrown. Without a thread, a job that threw ends the call
// before the second job starts.
template <typename First, typename Second>
void runSideBySide(First first, Second second, bool together) {
  std::exception_ptr secondFault;
  std::thread other;
  if (together) {
    try {
      other = std::thread([&second, &secondFault] {
        try {
          second();
        } catch (...) {
          secondFault = std::current_exception();
        }
      });
    } catch (const std::system_error&) {
    } catch (const std::bad_alloc&) {
    }
  }
  std::exception_ptr firstFault;
  try {
    first();
  } catch (...) {
    firstFault = std::current_exception();
  }
  if (other.joinable()) {
    other.join();  // secondFault is written before the thread ends and read only after the join
  } else if (!firstFault) {
    second();
  }
  if (firstFault)
    std::rethrow_exception(firstFault);
  if (secondFault)
    std::rethrow_exception(secondFault);
}
