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
    if (openSeats_ > 0) {
      --openSeats_;
      RunParts(lock, seen);
    }
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
    ++donePart_;
  }
}

void RenderThreadPool::Run(int parts, const std::function<void(int)> &job, int maxThreads) {
  if (parts <= 0) {
    return;
  }
  const int helpers = std::min({workerCount_, parts - 1, maxThreads > 0 ? maxThreads - 1 : workerCount_});
  std::unique_lock runLock(runMutex_, std::try_to_lock);
  if (!runLock.owns_lock() || helpers <= 0) {
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
  openSeats_ = helpers;
  const std::uint64_t generation = generation_;
  if (helpers == workerCount_) {
    wake_.notify_all();
  } else {
    for (int i = 0; i < helpers; ++i) {
      wake_.notify_one();
    }
  }
  RunParts(lock, generation);
  // The parts left are already running on workers and end soon. Sleeping on the condition would give
  // up the rest of this thread's time slice, and on a busy machine waking up again can take longer
  // than the parts themselves, so the calling thread stays runnable and only yields meanwhile.
  while (donePart_ != parts_) {
    lock.unlock();
    std::this_thread::yield();
    lock.lock();
  }
  job_ = nullptr;
  openSeats_ = 0;
}

} // namespace calidarix
