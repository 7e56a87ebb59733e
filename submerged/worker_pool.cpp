#include "submerged/worker_pool.h"

#include <chrono>
#include <system_error>

#if defined(__x86_64__) || defined(__i386__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace {

// How long a thread that has nothing to do keeps looking before it sleeps. A draft search runs
// its passes a few microseconds apart; putting a thread to sleep and waking it costs each pass
// two system calls and the scheduler's delay, which on a virtual machine took as long as a
// small pass itself. Long gaps (reading, reporting) still find the threads asleep.
constexpr std::chrono::microseconds kSpinTime{100};

void pause() {
#if defined(__x86_64__) || defined(__i386__) || defined(_M_X64)
  _mm_pause();
#else
  std::this_thread::yield();
#endif
}

// Looks at done() until it holds or kSpinTime has passed; true when it held.
template <typename Done>
bool spinUntil(Done done) {
  const auto end = std::chrono::steady_clock::now() + kSpinTime;
  for (;;) {
    for (int i = 0; i < 64; ++i) {
      if (done())
        return true;
      pause();
    }
    if (std::chrono::steady_clock::now() >= end)
      return done();
  }
}

}  // namespace

namespace {

thread_local int evaluationThreads = 0;  // 0: every hardware thread

}  // namespace

EvaluationThreads::EvaluationThreads(int count) : previous_(evaluationThreads) {
  evaluationThreads = count > 0 ? count : 1;
}

EvaluationThreads::~EvaluationThreads() {
  evaluationThreads = previous_;
}

void EvaluationThreads::shareOnThisThread(int count) {
  evaluationThreads = count > 0 ? count : 1;
}

int EvaluationThreads::current() {
  if (evaluationThreads > 0)
    return evaluationThreads;
  const int hardware = static_cast<int>(std::thread::hardware_concurrency());
  return hardware > 0 ? hardware : 1;
}

WorkerPool::WorkerPool(int threadCount) {
  if (threadCount <= 0)
    threadCount = EvaluationThreads::current();
  workers_.reserve(static_cast<std::size_t>(threadCount - 1));
  for (int t = 1; t < threadCount; ++t) {
    try {
      workers_.emplace_back([this] { workerLoop(); });
    } catch (const std::system_error&) {
      break;  // the system gives no more threads: work with the ones there are
    }
  }
}

WorkerPool::~WorkerPool() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_.store(true, std::memory_order_release);
  }
  wake_.notify_all();
  for (std::thread& worker : workers_)
    worker.join();
}

void WorkerPool::run(Task task, void* context) {
  if (workers_.empty()) {
    task(context, 0);
    return;
  }
  std::uint32_t job;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    task_ = task;
    context_ = context;
    done_.store(0, std::memory_order_relaxed);
    job = job_.load(std::memory_order_relaxed) + 1;
    next_.store(static_cast<std::uint64_t>(job) << 32, std::memory_order_relaxed);
    job_.store(job, std::memory_order_release);
  }
  wake_.notify_all();
  takeChunks(job, task, context, false);
  const auto done = [this] { return done_.load(std::memory_order_acquire) == threadCount(); };
  if (spinUntil(done))
    return;
  std::unique_lock<std::mutex> lock(mutex_);
  finished_.wait(lock, done);
}

void WorkerPool::takeChunks(std::uint32_t job, Task task, void* context, bool worker) {
  const int chunks = threadCount();
  std::uint64_t next = next_.load(std::memory_order_acquire);
  for (;;) {
    const auto chunk = static_cast<std::uint32_t>(next);
    if (static_cast<std::uint32_t>(next >> 32) != job ||
        chunk >= static_cast<std::uint32_t>(chunks))
      return;
    if (!next_.compare_exchange_weak(next, next + 1, std::memory_order_acq_rel))
      continue;
    task(context, static_cast<int>(chunk));
    if (done_.fetch_add(1, std::memory_order_acq_rel) + 1 == chunks && worker) {
      // The caller may be asleep: it checks done_ under the mutex before it waits.
      std::lock_guard<std::mutex> lock(mutex_);
      finished_.notify_one();
    }
    next = next_.load(std::memory_order_acquire);
  }
}

void WorkerPool::workerLoop() {
  std::uint32_t seen = 0;
  const auto called = [&] {
    return stopping_.load(std::memory_order_acquire) ||
           job_.load(std::memory_order_acquire) != seen;
  };
  for (;;) {
    spinUntil(called);
    Task task;
    void* context;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, called);
      if (stopping_.load(std::memory_order_relaxed))
        return;
      seen = job_.load(std::memory_order_relaxed);
      task = task_;
      context = context_;
    }
    takeChunks(seen, task, context, true);
  }
}
