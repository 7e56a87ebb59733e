#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

// A fixed set of threads that run one job at a time, split into as many chunks as there are
// threads. The calling thread runs chunk 0 itself, so a pool of one thread starts no thread.
class WorkerPool {
 public:
  // threadCount <= 0 means one thread per hardware thread.
  explicit WorkerPool(int threadCount);
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  int threadCount() const { return static_cast<int>(workers_.size()) + 1; }

  // Calls job(chunk) for chunk = 0 .. threadCount() - 1, in parallel, and returns when all are
  // done. The job must not throw.
  template <typename Job>
  void forEachChunk(Job& job) {
    run([](void* context, int chunk) { (*static_cast<Job*>(context))(chunk); }, &job);
  }
  // forEachChunk when shared, otherwise job(0) alone on the calling thread: work too small to
  // be worth waking the threads for.
  template <typename Job>
  void runChunks(Job& job, bool shared) {
    if (shared) {
      forEachChunk(job);
    } else {
      job(0);
    }
  }

 private:
  using Task = void (*)(void*, int);
  void run(Task task, void* context);
  void workerLoop(int chunk);

  std::vector<std::thread> workers_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable finished_;
  Task task_ = nullptr;
  void* context_ = nullptr;
  // Written under mutex_; read without it by a thread that looks before it sleeps.
  std::atomic<std::uint64_t> generation_{0};
  std::atomic<int> busy_{0};
  std::atomic<bool> stopping_{false};
};
