#pragma once
// Shared set-up for tests that open windows: headless drivers, a virtual
// clock, and no message boxes left over from an earlier test.

#include <gtest/gtest.h>

#include <memory>

#include "platform/host/Headless.h"
#include "platform/host/VirtualClock.h"
#include "platform/win32/Automation.h"
#include "platform/win32/SdlBridge.h"
#include "platform/win32/Windows.h"

// A shown window of a class with the given procedure (registered on first
// use), or null.
inline HWND CreateShownTestWindow(const char* className, WNDPROC procedure) {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = procedure;
  windowClass.lpszClassName = className;
  RegisterClassExA(&windowClass);  // fails harmlessly once the class exists
  HWND window = CreateWindowExA(0, className, className, WS_CAPTION, 10, 10, 320, 200, nullptr, nullptr, nullptr,
                                nullptr);
  if (window != nullptr) ShowWindow(window, SW_SHOW);
  return window;
}

class HeadlessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host::UseHeadlessDrivers();
    ASSERT_TRUE(platform::EnsureSdlVideo());
    platform::PumpSdlEvents();  // drop what earlier tests left in SDL's queue
    platform::TakeRecordedMessageBoxes();
    clock_ = std::make_unique<host::VirtualClock>(StartTime());
  }
  void TearDown() override { clock_.reset(); }

  virtual DWORD StartTime() const { return 100000; }
  host::VirtualClock& Clock() { return *clock_; }

 private:
  std::unique_ptr<host::VirtualClock> clock_;
};
