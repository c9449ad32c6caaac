#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "platform/thread.h"

namespace tv::platform {
namespace {

// A gate the worker waits at until the test opens it.
class Gate {
 public:
  void Pass() {
    std::unique_lock<std::mutex> guard(lock_);
    opened_.wait(guard, [this] { return open_; });
  }
  void Open() {
    std::lock_guard<std::mutex> guard(lock_);
    open_ = true;
    opened_.notify_all();
  }

 private:
  std::mutex lock_;
  std::condition_variable opened_;
  bool open_ = false;
};

TEST(WorkerThread, WaitTimesOutUntilTheWorkEnds) {
  WorkerThread worker;
  EXPECT_TRUE(worker.Wait(0));  // nothing started
  Gate gate;
  std::atomic<int> runs{0};
  ASSERT_TRUE(worker.Start([&] {
    gate.Pass();
    ++runs;
  }));
  EXPECT_TRUE(worker.Running());
  EXPECT_FALSE(worker.Wait(10));
  EXPECT_FALSE(worker.Start([&] { ++runs; }));  // one worker at a time

  gate.Open();
  EXPECT_TRUE(worker.Wait(10'000));
  EXPECT_FALSE(worker.Running());
  EXPECT_EQ(runs, 1);

  // Once it has ended, the same object runs the next work.
  ASSERT_TRUE(worker.Start([&] { ++runs; }));
  EXPECT_TRUE(worker.Wait(10'000));
  EXPECT_EQ(runs, 2);
}

TEST(WorkerThread, AnEscapedExceptionEndsOnlyTheWork) {
  WorkerThread worker;
  ASSERT_TRUE(worker.Start([] { throw std::runtime_error("failed"); }));
  EXPECT_TRUE(worker.Wait(10'000));
  EXPECT_FALSE(worker.Running());
}

TEST(WorkerThread, DestructorWaitsForTheWork) {
  std::atomic<bool> finished{false};
  {
    WorkerThread worker;
    ASSERT_TRUE(worker.Start([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      finished = true;
    }));
  }
  EXPECT_TRUE(finished);
}

}  // namespace
}  // namespace tv::platform
