#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

// The threads a pool asked for "one per hardware thread" starts with, on the thread that makes
// it: every hardware thread, or fewer within a scope that says so. Runs that already share the
// machine (a batch's jobs, one per core) would otherwise each start a pool as large as the
// machine, and the pools' threads would wait for one another's cores.
class EvaluationThreads {
 public:
  // Within this scope, on this thread, "one per hardware thread" means count (at least 1).
  explicit EvaluationThreads(int count);
  ~EvaluationThreads();
  EvaluationThreads(const EvaluationThreads&) = delete;
  EvaluationThreads& operator=(const EvaluationThreads&) = delete;

  // The threads "one per hardware thread" means here and now.
  static int current();
  // Says count for the rest of this thread's life: for a worker process's thread that runs
  // nothing but its share of a batch.
  static void shareOnThisThread(int count);

 private:
  int previous_;
};

// A fixed set of threads that run one job at a time, split into as many chunks as there are
// threads. The calling thread and the threads each take the next chunk not yet taken until none
// is left, so a job ends as soon as its chunks are done, even when a thread is slow to come (a
// busy core, a virtual processor the host holds back): the calling thread takes its chunk. A pool
// of one thread starts no thread.
class WorkerPool {
 public:
  // threadCount <= 0 means one thread per hardware thread (EvaluationThreads::current()).
  explicit WorkerPool(int threadCount);
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  int threadCount() const { return static_cast<int>(workers_.size()) + 1; }

  // Calls job(chunk) once for every chunk = 0 .. threadCount() - 1, in parallel, and returns when
  // all are done. The job must not throw.
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
  // Runs the job's chunks that no one has taken yet; a worker wakes the caller after the last.
  void takeChunks(std::uint32_t job, Task task, void* context, bool worker);
  void workerLoop();

  std::vector<std::thread> workers_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable finished_;
  // The current job, written under mutex_.
  Task task_ = nullptr;
  void* context_ = nullptr;
  // Read without mutex_ by a thread that looks before it sleeps.
  std::atomic<std::uint32_t> job_{0};
  // The job's number in the high half and its next chunk in the low half: a thread that comes
  // late, after its job has ended, takes no chunk of the next one.
  std::atomic<std::uint64_t> next_{0};
  std::atomic<int> done_{0};  // chunks of the current job done
  std::atomic<bool> stopping_{false};
};
