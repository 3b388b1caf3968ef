#include "platform/host/VirtualClock.h"

#include <chrono>
#include <thread>

namespace host {
namespace {
// Sleep(0) yields on Windows; here it still lets a little time pass, so a
// loop that polls with Sleep(0) cannot spin forever at one instant.
constexpr std::uint64_t kMinimumSleepMicroseconds = 100;
}  // namespace

VirtualClock::VirtualClock(DWORD startMilliseconds) : startMilliseconds_(startMilliseconds) {
  platform::SetTimeSource(this);
}

VirtualClock::~VirtualClock() { platform::SetTimeSource(nullptr); }

DWORD VirtualClock::Now() {
  return static_cast<DWORD>(startMilliseconds_ + elapsedMicroseconds_.load() / 1000u);
}

void VirtualClock::Sleep(DWORD milliseconds) {
  if (platform::RunningThreadCount() > 0) {
    std::this_thread::sleep_for(std::chrono::microseconds(200));
    return;
  }
  const std::uint64_t micro = static_cast<std::uint64_t>(milliseconds) * 1000u;
  elapsedMicroseconds_.fetch_add(micro > kMinimumSleepMicroseconds ? micro : kMinimumSleepMicroseconds);
}

void VirtualClock::Advance(DWORD milliseconds) {
  elapsedMicroseconds_.fetch_add(static_cast<std::uint64_t>(milliseconds) * 1000u);
}

}  // namespace host
