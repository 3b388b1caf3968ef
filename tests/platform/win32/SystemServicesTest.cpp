// Time, threads, module path, message boxes and random numbers.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "platform/host/Headless.h"
#include "platform/host/VirtualClock.h"
#include "platform/win32/Automation.h"
#include "platform/win32/CrtRandom.h"
#include "platform/win32/Windows.h"

namespace {

TEST(SystemServicesTest, TheModulePathIsTheExecutableAndIsCutToFit) {
  char path[520];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
  ASSERT_GT(length, 0u);
  EXPECT_EQ(std::strlen(path), length);
  EXPECT_NE(std::string(path).find("win32_test"), std::string::npos);

  char small[8];
  EXPECT_EQ(GetModuleFileNameA(nullptr, small, sizeof(small)), 7u);
  EXPECT_EQ(std::strlen(small), 7u);
}

TEST(SystemServicesTest, HeadlessMessageBoxesAreRecordedInsteadOfBlocking) {
  host::UseHeadlessDrivers();
  platform::TakeRecordedMessageBoxes();
  EXPECT_EQ(MessageBoxA(nullptr, "Failed to init SoundSystem", "Error", MB_OK), IDOK);
  EXPECT_EQ(MessageBoxA(nullptr, nullptr, nullptr, MB_OK), IDOK);
  const auto boxes = platform::TakeRecordedMessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].caption, "Error");
  EXPECT_EQ(boxes[0].text, "Failed to init SoundSystem");
  EXPECT_TRUE(platform::TakeRecordedMessageBoxes().empty());
}

TEST(SystemServicesTest, RandomNumbersAreFifteenBitAndRepeatForASeed) {
  crt::srand(1);
  // The classic C runtime sequence for seed 1.
  EXPECT_EQ(crt::rand(), 41);
  EXPECT_EQ(crt::rand(), 18467);
  EXPECT_EQ(crt::rand(), 6334);
  crt::srand(12345);
  int highest = 0;
  for (int i = 0; i < 100000; ++i) highest = std::max(highest, crt::rand());
  EXPECT_EQ(highest, 32767);
}

TEST(SystemServicesTest, TheVirtualClockAdvancesOnlyBySleeps) {
  host::VirtualClock clock(500);
  EXPECT_EQ(timeGetTime(), 500u);
  Sleep(16);
  EXPECT_EQ(timeGetTime(), 516u);
  for (int i = 0; i < 10; ++i) Sleep(0);  // each still lets a little time pass
  EXPECT_EQ(timeGetTime(), 517u);
  clock.Advance(3);
  EXPECT_EQ(timeGetTime(), 520u);
}

TEST(SystemServicesTest, TheVirtualClockStandsStillWhileAWorkerRuns) {
  host::VirtualClock clock(0);
  static std::atomic<bool> release{false};
  release = false;
  ASSERT_NE(_beginthread([](void*) {
              while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }, 0, nullptr),
            static_cast<std::uintptr_t>(-1));
  EXPECT_EQ(platform::RunningThreadCount(), 1);
  for (int i = 0; i < 20; ++i) Sleep(1);
  EXPECT_EQ(timeGetTime(), 0u);
  release = true;
  while (platform::RunningThreadCount() > 0) Sleep(1);
  Sleep(5);
  EXPECT_EQ(timeGetTime(), 5u);
}

TEST(SystemServicesTest, AThreadWhoseRoutineReturnedRunsTheNextOneAndABusyOneDoesNot) {
  static std::atomic<std::thread::id> busyThread;
  static std::atomic<std::thread::id> otherThread;
  static std::atomic<bool> release{false};
  const auto waitForNoneRunning = [] {
    while (platform::RunningThreadCount() > 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(10));  // the finished thread parks
  };
  const int createdBefore = platform::CreatedThreadCount();
  for (int i = 0; i < 10; ++i) {
    ASSERT_NE(_beginthread([](void*) {}, 0, nullptr), static_cast<std::uintptr_t>(-1));
    waitForNoneRunning();
  }
  EXPECT_LE(platform::CreatedThreadCount() - createdBefore, 1);

  ASSERT_NE(_beginthread([](void*) {
              busyThread = std::this_thread::get_id();
              while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }, 0, nullptr),
            static_cast<std::uintptr_t>(-1));
  while (busyThread.load() == std::thread::id()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_NE(_beginthread([](void*) { otherThread = std::this_thread::get_id(); }, 0, nullptr),
            static_cast<std::uintptr_t>(-1));
  while (otherThread.load() == std::thread::id()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_NE(otherThread.load(), busyThread.load());
  release = true;
  waitForNoneRunning();
}

TEST(SystemServicesTest, TheRealClockMovesForward) {
  const DWORD before = timeGetTime();
  Sleep(5);
  const DWORD elapsed = timeGetTime() - before;
  EXPECT_GE(elapsed, 4u);
  EXPECT_LT(elapsed, 1000u);
}

}  // namespace
