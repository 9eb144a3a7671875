#include "thermogram/render_thread_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace calidarix {
namespace {

// Every part runs exactly once per job, job after job, and Run returns only when all have finished.
TEST(RenderThreadPoolTest, EveryPartRunsOnceAndIsDoneWhenRunReturns) {
  RenderThreadPool pool(3);
  EXPECT_EQ(pool.Concurrency(), 4);
  for (const int parts : {1, 2, 3, 4, 7, 16, 64}) {
    for (int round = 0; round < 20; ++round) {
      std::vector<int> runs(static_cast<std::size_t>(parts), 0);
      pool.Run(parts, [&](int part) { ++runs[static_cast<std::size_t>(part)]; });
      EXPECT_EQ(runs, std::vector<int>(static_cast<std::size_t>(parts), 1)) << parts << " parts";
    }
  }
  pool.Run(0, [](int) { FAIL() << "no part to run"; });
}

// The workers do take parts: each part waits until all three have started, which only three
// threads at once can achieve (a broken pool gives up after the deadline instead of hanging).
TEST(RenderThreadPoolTest, WorkersTakePartsBesideTheCaller) {
  RenderThreadPool pool(2);
  std::atomic<int> started{0};
  std::mutex idsMutex;
  std::set<std::thread::id> ids;
  pool.Run(3, [&](int) {
    ++started;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (started.load() < 3 && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::yield();
    }
    const std::lock_guard lock(idsMutex);
    ids.insert(std::this_thread::get_id());
  });
  EXPECT_EQ(started.load(), 3);
  EXPECT_EQ(ids.size(), 3u);
}

// A second caller while a job runs, and a job started from inside a job, run on their own thread
// rather than waiting for the pool (which would deadlock the nested case).
TEST(RenderThreadPoolTest, BusyPoolRunsFurtherJobsOnTheCallingThread) {
  RenderThreadPool pool(2);
  std::atomic<int> inner{0};
  std::atomic<bool> innerOnOwnThread{true};
  pool.Run(4, [&](int) {
    const std::thread::id self = std::this_thread::get_id();
    pool.Run(3, [&](int) {
      if (std::this_thread::get_id() != self) {
        innerOnOwnThread = false;
      }
      ++inner;
    });
  });
  EXPECT_EQ(inner.load(), 12);
  EXPECT_TRUE(innerOnOwnThread.load());

  std::atomic<int> total{0};
  std::thread other([&] {
    for (int i = 0; i < 50; ++i) {
      pool.Run(5, [&](int) { ++total; });
    }
  });
  for (int i = 0; i < 50; ++i) {
    pool.Run(5, [&](int) { ++total; });
  }
  other.join();
  EXPECT_EQ(total.load(), 500);
}

// A limit of two threads keeps every other worker out of the job, however many parts it has. The
// parts take a moment, so that idle workers would have time to join if they were let in.
TEST(RenderThreadPoolTest, ThreadLimitKeepsTheOtherWorkersOut) {
  RenderThreadPool pool(5);
  for (int round = 0; round < 5; ++round) {
    std::mutex idsMutex;
    std::set<std::thread::id> ids;
    int runs = 0;
    pool.Run(
        40,
        [&](int) {
          std::this_thread::sleep_for(std::chrono::microseconds(500));
          const std::lock_guard lock(idsMutex);
          ids.insert(std::this_thread::get_id());
          ++runs;
        },
        2);
    EXPECT_EQ(runs, 40);
    EXPECT_LE(ids.size(), 2u);
  }
}

TEST(RenderThreadPoolTest, PoolWithoutWorkersRunsEverythingInline) {
  RenderThreadPool pool(0);
  EXPECT_EQ(pool.Concurrency(), 1);
  const std::thread::id caller = std::this_thread::get_id();
  int runs = 0;
  pool.Run(5, [&](int) {
    EXPECT_EQ(std::this_thread::get_id(), caller);
    ++runs;
  });
  EXPECT_EQ(runs, 5);
}

} // namespace
} // namespace calidarix
