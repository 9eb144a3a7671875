#pragma once
// A few threads kept for the life of the program that share the rows of a large render. Starting a
// thread costs about as much as rendering a small picture, so the threads are started once, on the
// first job that wants them, and wait between jobs.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace calidarix {

class RenderThreadPool {
public:
  // `workers` threads besides the caller; 0 makes a pool whose jobs all run on the calling thread.
  explicit RenderThreadPool(int workers);
  ~RenderThreadPool();
  RenderThreadPool(const RenderThreadPool &) = delete;
  RenderThreadPool &operator=(const RenderThreadPool &) = delete;

  // The program's pool: one worker per further hardware thread, at most seven.
  static RenderThreadPool &Shared();

  // Threads that can work on one job: the workers and the calling thread.
  int Concurrency() const { return workerCount_ + 1; }

  // Calls job(part) once for every part 0 .. parts - 1, on the workers and on the calling thread (at
  // most maxThreads of them together, 0 for all), and returns when every call has returned. A job that
  // arrives while another runs (from a second thread, or from inside a job) runs all its parts on its own
  // calling thread instead of waiting. The job must not throw: a worker has nobody to hand an exception to.
  void Run(int parts, const std::function<void(int)> &job, int maxThreads = 0);

private:
  void StartWorkers();
  void WorkerLoop(std::uint64_t seen);
  // Takes and runs parts of the current job until none is left; called with the lock held.
  void RunParts(std::unique_lock<std::mutex> &lock, std::uint64_t generation);

  const int workerCount_;
  std::vector<std::thread> workers_;
  std::mutex runMutex_; // one job at a time

  std::mutex mutex_; // guards everything below
  std::condition_variable wake_;
  bool stop_ = false;
  std::uint64_t generation_ = 0; // counts jobs, so a late worker never takes a part of a newer one
  const std::function<void(int)> *job_ = nullptr;
  int parts_ = 0;
  int nextPart_ = 0;
  int donePart_ = 0;
  int openSeats_ = 0; // workers that may still join the current job
};

} // namespace calidarix
