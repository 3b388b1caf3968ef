#include "frame/ThreadBase.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/win32/Automation.h"

namespace {

// Execute blocks until released, so a test can act while the thread runs.
class GatedWork : public ThreadBase {
 public:
  std::atomic<int> executions{0};
  std::atomic<bool> released{false};
  std::atomic<bool> finished{false};

  void Release() { released.store(true); }

 protected:
  void Execute() override {
    executions.fetch_add(1);
    while (!released.load()) std::this_thread::sleep_for(std::chrono::microseconds(100));
    finished.store(true);
  }
};

TEST(ThreadBaseTest, StartWhileRunningDoesNothingAndWaitReturnsAfterExecute) {
  GatedWork work;
  work.Start();
  EXPECT_TRUE(work.IsRunning());
  work.Start();  // still running: ignored
  std::thread releaser([&work] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    work.Release();
  });
  work.Wait();
  EXPECT_TRUE(work.finished.load());
  EXPECT_FALSE(work.IsRunning());
  EXPECT_EQ(work.executions.load(), 1);
  releaser.join();
}

TEST(ThreadBaseTest, EveryStartAfterAWaitRunsANewThread) {
  GatedWork work;
  work.Release();
  for (int i = 0; i < 5; ++i) {
    work.Start();
    work.Wait();
  }
  EXPECT_EQ(work.executions.load(), 5);
}

TEST(ThreadBaseTest, AThreadThatCannotStartLeavesNothingToWaitFor) {
  GatedWork work;
  work.Release();
  platform::FailNextThreadStarts(1);
  work.Start();
  EXPECT_FALSE(work.IsRunning());
  work.Wait();  // returns at once
  EXPECT_EQ(work.executions.load(), 0);
  work.Start();  // the next start works again
  work.Wait();
  EXPECT_EQ(work.executions.load(), 1);
}

}  // namespace
