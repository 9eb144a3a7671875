#include "thermogram/render_thread_pool.h"

#include <algorithm>

namespace calidarix {

RenderThreadPool::RenderThreadPool(int workers) : workerCount_(std::max(workers, 0)) {}

RenderThreadPool::~RenderThreadPool() {
  {
    const std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  for (std::thread &worker : workers_) {
    worker.join();
  }
}

RenderThreadPool &RenderThreadPool::Shared() {
  static RenderThreadPool pool([] {
    const int hardware = static_cast<int>(std::thread::hardware_concurrency());
    return std::clamp(hardware - 1, 0, 7);
  }());
  return pool;
}

void RenderThreadPool::StartWorkers() {
  // A worker counts as having seen the jobs before it was started, whenever it gets to run: the job
  // about to be posted is then new to it, however late it starts.
  std::uint64_t seen = 0;
  {
    const std::lock_guard lock(mutex_);
    seen = generation_;
  }
  workers_.reserve(static_cast<std::size_t>(workerCount_));
  for (int i = 0; i < workerCount_; ++i) {
    workers_.emplace_back([this, seen] { WorkerLoop(seen); });
  }
}

void RenderThreadPool::WorkerLoop(std::uint64_t seen) {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [&] { return stop_ || generation_ != seen; });
    if (stop_) {
      return;
    }
    seen = generation_;
    RunParts(lock, seen);
  }
}

void RenderThreadPool::RunParts(std::unique_lock<std::mutex> &lock, std::uint64_t generation) {
  // Parts are handed out under the lock, and the job is dropped before Run returns, so a worker that
  // wakes late finds no part to take rather than a job that has gone.
  while (generation_ == generation && job_ != nullptr && nextPart_ < parts_) {
    const int part = nextPart_++;
    const std::function<void(int)> &job = *job_;
    lock.unlock();
    job(part);
    lock.lock();
    if (++donePart_ == parts_) {
      finished_.notify_all();
    }
  }
}

void RenderThreadPool::Run(int parts, const std::function<void(int)> &job) {
  if (parts <= 0) {
    return;
  }
  std::unique_lock runLock(runMutex_, std::try_to_lock);
  if (!runLock.owns_lock() || workerCount_ == 0 || parts == 1) {
    for (int part = 0; part < parts; ++part) {
      job(part);
    }
    return;
  }
  if (workers_.empty()) {
    StartWorkers();
  }
  std::unique_lock lock(mutex_);
  ++generation_;
  job_ = &job;
  parts_ = parts;
  nextPart_ = 0;
  donePart_ = 0;
  const std::uint64_t generation = generation_;
  wake_.notify_all();
  RunParts(lock, generation);
  finished_.wait(lock, [&] { return donePart_ == parts_; });
  job_ = nullptr;
}

} // namespace calidarix
