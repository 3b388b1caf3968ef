#pragma once
// A virtual clock for timeGetTime and Sleep: time stands still until the
// program sleeps, and a sleep advances it at once. Tests so run hundreds of
// frames in milliseconds, with the same result on every run.
//
// While a thread started by _beginthread is running, sleeps wait in real time
// without advancing the clock: the worker gets to finish, and how long it
// takes never shows in virtual time.

#include <atomic>
#include <cstdint>

#include "platform/win32/Automation.h"

namespace host {

class VirtualClock : public platform::TimeSource {
 public:
  // Installs itself as the time source; the destructor restores the real clock.
  explicit VirtualClock(DWORD startMilliseconds = 0);
  ~VirtualClock() override;
  VirtualClock(const VirtualClock&) = delete;
  VirtualClock& operator=(const VirtualClock&) = delete;

  DWORD Now() override;
  void Sleep(DWORD milliseconds) override;

  // Moves time forward as if the program had been busy for that long.
  void Advance(DWORD milliseconds);
  std::uint64_t ElapsedMicroseconds() const { return elapsedMicroseconds_.load(); }

 private:
  const DWORD startMilliseconds_;
  std::atomic<std::uint64_t> elapsedMicroseconds_{0};
};

}  // namespace host
