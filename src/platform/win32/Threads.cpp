#include <atomic>
#include <system_error>
#include <thread>

#include "platform/win32/Automation.h"
#include "platform/win32/Process.h"
#include "platform/win32/WinBase.h"

namespace {

std::atomic<int> g_runningThreads{0};
std::atomic<int> g_failingStarts{0};
std::atomic<std::uintptr_t> g_nextHandle{1};

void RunThread(void (*start)(void*), void* argument) {
  start(argument);
  g_runningThreads.fetch_sub(1);
}

}  // namespace

namespace platform {
int RunningThreadCount() { return g_runningThreads.load(); }
void FailNextThreadStarts(int count) { g_failingStarts.store(count); }
}  // namespace platform

std::uintptr_t _beginthread(void (*start)(void*), unsigned /*stackSize*/, void* argument) {
  const std::uintptr_t failed = static_cast<std::uintptr_t>(-1);
  if (start == nullptr) return failed;
  for (int pending = g_failingStarts.load(); pending > 0;) {
    if (g_failingStarts.compare_exchange_weak(pending, pending - 1)) return failed;
  }
  g_runningThreads.fetch_add(1);
  try {
    std::thread(RunThread, start, argument).detach();
  } catch (const std::system_error&) {
    g_runningThreads.fetch_sub(1);
    return failed;
  }
  return g_nextHandle.fetch_add(1);
}

BOOL SetThreadPriority(HANDLE, int) { return TRUE; }

void InitializeCriticalSection(CRITICAL_SECTION*) {}
void DeleteCriticalSection(CRITICAL_SECTION*) {}
void EnterCriticalSection(CRITICAL_SECTION* section) { section->lock.lock(); }
void LeaveCriticalSection(CRITICAL_SECTION* section) { section->lock.unlock(); }
