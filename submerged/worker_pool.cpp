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

WorkerPool::WorkerPool(int threadCount) {
  if (threadCount <= 0)
    threadCount = static_cast<int>(std::thread::hardware_concurrency());
  if (threadCount <= 0)
    threadCount = 1;
  workers_.reserve(static_cast<std::size_t>(threadCount - 1));
  for (int chunk = 1; chunk < threadCount; ++chunk) {
    try {
      workers_.emplace_back([this, chunk] { workerLoop(chunk); });
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
  {
    std::lock_guard<std::mutex> lock(mutex_);
    task_ = task;
    context_ = context;
    busy_.store(static_cast<int>(workers_.size()), std::memory_order_relaxed);
    generation_.fetch_add(1, std::memory_order_release);
  }
  wake_.notify_all();
  task(context, 0);
  const auto done = [this] { return busy_.load(std::memory_order_acquire) == 0; };
  if (spinUntil(done))
    return;
  std::unique_lock<std::mutex> lock(mutex_);
  finished_.wait(lock, done);
}

void WorkerPool::workerLoop(int chunk) {
  std::uint64_t seen = 0;
  const auto called = [&] {
    return stopping_.load(std::memory_order_acquire) ||
           generation_.load(std::memory_order_acquire) != seen;
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
      seen = generation_.load(std::memory_order_relaxed);
      task = task_;
      context = context_;
    }
    task(context, chunk);
    std::lock_guard<std::mutex> lock(mutex_);
    if (busy_.fetch_sub(1, std::memory_order_acq_rel) == 1)
      finished_.notify_one();
  }
}
