#include <atomic>
#include <ctime>

#include "platform/win32/Automation.h"
#include "platform/win32/TimeApi.h"
#include "platform/win32/WinBase.h"

namespace {

std::atomic<platform::TimeSource*> g_timeSource{nullptr};

DWORD RealMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const std::uint64_t ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u + static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<DWORD>(ms);  // wraps like the Windows timer
}

void RealSleep(DWORD milliseconds) {
  timespec duration{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
  // Sleep(0) yields the rest of the time slice, as on Windows.
  if (milliseconds == 0) duration.tv_nsec = 1;
  while (nanosleep(&duration, &duration) != 0) {
  }
}

}  // namespace

namespace platform {
void SetTimeSource(TimeSource* source) { g_timeSource.store(source); }
}  // namespace platform

DWORD timeGetTime() {
  if (platform::TimeSource* source = g_timeSource.load()) return source->Now();
  return RealMilliseconds();
}

MMRESULT timeBeginPeriod(UINT) { return TIMERR_NOERROR; }
MMRESULT timeEndPeriod(UINT) { return TIMERR_NOERROR; }

void Sleep(DWORD milliseconds) {
  if (platform::TimeSource* source = g_timeSource.load()) {
    source->Sleep(milliseconds);
    return;
  }
  RealSleep(milliseconds);
}
