#include "app/platform/side_by_side.h"

#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <stdexcept>
#include <string>

namespace {

// Which jobs throw, with and without the second thread: the call returns or throws as if the
// jobs had run one after the other, never ending the process, and the second job has run to its
// end (or not started) by the time the call ends.
struct Case {
  bool together;
  bool firstThrows;
  bool secondThrows;
};

class SideBySide : public ::testing::TestWithParam<Case> {};

TEST_P(SideBySide, ExceptionsReachTheCallerAfterBothJobsEnded) {
  const Case c = GetParam();
  std::atomic<int> secondRuns{0};
  std::atomic<bool> secondEnded{false};
  const auto first = [&] {
    if (c.firstThrows)
      throw std::runtime_error("first");
  };
  const auto second = [&] {
    ++secondRuns;
    if (c.secondThrows) {
      secondEnded = true;
      throw std::bad_alloc();
    }
    secondEnded = true;
  };
  std::string caught;
  try {
    runSideBySide(first, second, c.together);
  } catch (const std::runtime_error& e) {
    caught = e.what();
  } catch (const std::bad_alloc&) {
    caught = "second";
  }
  const std::string expected = c.firstThrows ? "first" : c.secondThrows ? "second" : "";
  EXPECT_EQ(caught, expected);
  // Without a thread a first job that threw ends the call before the second starts.
  const bool secondRan = c.together || !c.firstThrows;
  EXPECT_EQ(secondRuns.load(), secondRan ? 1 : 0);
  EXPECT_EQ(secondEnded.load(), secondRan);
}

INSTANTIATE_TEST_SUITE_P(Jobs, SideBySide,
                         ::testing::Values(Case{true, false, false}, Case{true, true, false},
                                           Case{true, false, true}, Case{true, true, true},
                                           Case{false, false, false}, Case{false, true, false},
                                           Case{false, false, true}, Case{false, true, true}));

}  // namespace
