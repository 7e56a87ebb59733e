#include "submerged/worker_pool.h"

#include <system_error>

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
    stopping_ = true;
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
    busy_ = static_cast<int>(workers_.size());
    ++generation_;
  }
  wake_.notify_all();
  task(context, 0);
  std::unique_lock<std::mutex> lock(mutex_);
  finished_.wait(lock, [this] { return busy_ == 0; });
}

void WorkerPool::workerLoop(int chunk) {
  std::uint64_t seen = 0;
  for (;;) {
    Task task;
    void* context;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
      if (stopping_)
        return;
      seen = generation_;
      task = task_;
      context = context_;
    }
    task(context, chunk);
    std::lock_guard<std::mutex> lock(mutex_);
    if (--busy_ == 0)
      finished_.notify_one();
  }
}
