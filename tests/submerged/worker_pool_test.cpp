#include "submerged/worker_pool.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// "One per hardware thread" is every hardware thread, or within a scope the scope's count, on its
// own thread only: a batch's jobs share the machine out, and a job's end gives the count back.
TEST(WorkerPool, EvaluationThreadsScopeSetsThePoolsDefaultOnItsThreadAlone) {
  const int hardware = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
  EXPECT_EQ(WorkerPool(0).threadCount(), hardware);
  {
    const EvaluationThreads three(3);
    EXPECT_EQ(WorkerPool(0).threadCount(), 3);
    EXPECT_EQ(WorkerPool(2).threadCount(), 2);  // an explicit count stands
    {
      const EvaluationThreads none(0);  // at least one
      EXPECT_EQ(WorkerPool(-1).threadCount(), 1);
    }
    EXPECT_EQ(EvaluationThreads::current(), 3);
    int elsewhere = 0;
    std::thread other([&elsewhere] { elsewhere = EvaluationThreads::current(); });
    other.join();
    EXPECT_EQ(elsewhere, hardware);
  }
  EXPECT_EQ(EvaluationThreads::current(), hardware);
  // A batch worker's thread keeps its share for the rest of its life.
  std::thread worker([] {
    EvaluationThreads::shareOnThisThread(1);
    EXPECT_EQ(WorkerPool(0).threadCount(), 1);
  });
  worker.join();
  EXPECT_EQ(EvaluationThreads::current(), hardware);
}

}  // namespace
