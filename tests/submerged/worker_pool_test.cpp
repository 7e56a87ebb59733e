#include "submerged/worker_pool.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>
#include <vector>

namespace {

// Jobs back to back find the threads still looking for work, or coming late to a job that the
// others have finished; after a pause longer than they look, they must be woken from their sleep.
// Either way every chunk runs exactly once per job, by that job and not by a job before it, and
// its writes are seen once the job returns.
TEST(WorkerPool, RunsEveryChunkOncePerJobWhetherItsThreadsLookOrSleep) {
  constexpr std::size_t kJobs = 3000;
  for (const int threads : {1, 2, 4}) {
    WorkerPool pool(threads);
    ASSERT_EQ(pool.threadCount(), threads);
    const std::vector<int> once(static_cast<std::size_t>(threads), 1);
    // runs[j][c]: how often job j ran chunk c. The jobs outlive the loop, so a late thread that
    // ran a finished job's chunk would be counted, not crash.
    std::vector<std::vector<int>> runs(kJobs, std::vector<int>(once.size(), 0));
    std::vector<std::function<void(int)>> jobs;
    for (std::size_t j = 0; j < kJobs; ++j)
      jobs.emplace_back([&runs, j](int chunk) { ++runs[j][static_cast<std::size_t>(chunk)]; });
    for (std::size_t j = 0; j < kJobs; ++j) {
      pool.forEachChunk(jobs[j]);
      ASSERT_EQ(runs[j], once) << threads << " threads, job " << j;
      if (j % 100 == 99)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    for (std::size_t j = 0; j < kJobs; ++j)
      EXPECT_EQ(runs[j], once) << threads << " threads, job " << j << " after all jobs";
  }
}

}  // namespace
