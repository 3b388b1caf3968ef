#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/win32/Automation.h"
#include "platform/win32/Process.h"
#include "platform/win32/WinBase.h"

namespace {

std::atomic<int> g_runningThreads{0};
std::atomic<int> g_createdThreads{0};
std::atomic<int> g_failingStarts{0};
std::atomic<std::uintptr_t> g_nextHandle{1};

struct ThreadJob {
  void (*start)(void*) = nullptr;
  void* argument = nullptr;
};

// A thread whose routine has returned waits here for a while for the next
// _beginthread, which then runs on it instead of on a new thread: a program
// that starts a short thread every frame (the physics step) does not pay
// for creating one, and its routine starts on a warm stack.
class ParkedThreads {
 public:
  // Hands the job to a waiting thread; false when none is waiting.
  bool Hand(const ThreadJob& job) {
    std::lock_guard<std::mutex> hold(lock_);
    if (waiting_ == 0 || pending_.start != nullptr) return false;
    pending_ = job;
    wake_.notify_one();
    return true;
  }
  // Waits for a job; false when none came within the parking time.
  bool Park(ThreadJob* job) {
    std::unique_lock<std::mutex> hold(lock_);
    ++waiting_;
    const bool handed = wake_.wait_for(hold, kParkingTime, [this] { return pending_.start != nullptr; });
    --waiting_;
    if (!handed) return false;
    *job = pending_;
    pending_ = ThreadJob();
    return true;
  }

 private:
  static constexpr std::chrono::seconds kParkingTime{2};
  std::mutex lock_;
  std::condition_variable wake_;
  int waiting_ = 0;
  ThreadJob pending_;
};

// Never destroyed: parked threads may still wait on it while the process
// exits.
ParkedThreads& Parking() {
  static ParkedThreads* parking = new ParkedThreads();
  return *parking;
}

void RunThread(ThreadJob job) {
  do {
    job.start(job.argument);
    g_runningThreads.fetch_sub(1);
  } while (Parking().Park(&job));
}

}  // namespace

namespace platform {
int RunningThreadCount() { return g_runningThreads.load(); }
int CreatedThreadCount() { return g_createdThreads.load(); }
void FailNextThreadStarts(int count) { g_failingStarts.store(count); }
}  // namespace platform

std::uintptr_t _beginthread(void (*start)(void*), unsigned /*stackSize*/, void* argument) {
  const std::uintptr_t failed = static_cast<std::uintptr_t>(-1);
  if (start == nullptr) return failed;
  for (int pending = g_failingStarts.load(); pending > 0;) {
    if (g_failingStarts.compare_exchange_weak(pending, pending - 1)) return failed;
  }
  g_runningThreads.fetch_add(1);
  const ThreadJob job{start, argument};
  if (Parking().Hand(job)) return g_nextHandle.fetch_add(1);
  try {
    std::thread(RunThread, job).detach();
    g_createdThreads.fetch_add(1);
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
