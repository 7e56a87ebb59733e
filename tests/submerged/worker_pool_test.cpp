#include "submerged/worker_pool.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

namespace {

// Jobs back to back find the threads still looking for work; after a pause longer than they look,
// they must be woken from their sleep. Either way every chunk runs exactly once per job, and its
// writes are seen once the job returns.
TEST(WorkerPool, RunsEveryChunkOncePerJobWhetherItsThreadsLookOrSleep) {
  for (const int threads : {1, 2, 4}) {
    WorkerPool pool(threads);
    ASSERT_EQ(pool.threadCount(), threads);
    std::vector<int> runs(static_cast<std::size_t>(threads), 0);
    auto job = [&runs](int chunk) { ++runs[static_cast<std::size_t>(chunk)]; };
    for (int j = 1; j <= 1000; ++j) {
      pool.forEachChunk(job);
      for (int c = 0; c < threads; ++c)
        ASSERT_EQ(runs[static_cast<std::size_t>(c)], j) << threads << " threads, chunk " << c;
      if (j % 100 == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
}

}  // namespace
