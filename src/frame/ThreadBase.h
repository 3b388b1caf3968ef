#pragma once
// Runs one unit of work (Execute) on a freshly started thread per Start, and
// lets the owner wait for it. The lock guards only the running flag.

#include "platform/win32/Windows.h"

class ThreadBase {
 public:
  ThreadBase();
  // Does not wait: the owner must Wait before destroying a started object.
  virtual ~ThreadBase();
  ThreadBase(const ThreadBase&) = delete;
  ThreadBase& operator=(const ThreadBase&) = delete;

  // Starts a thread running Execute, unless one is still running. When the
  // thread cannot be created nothing runs and the next Wait returns at once.
  void Start();
  // Returns once the thread started last has finished Execute.
  void Wait();
  bool IsRunning();

 protected:
  virtual void Execute() = 0;

 private:
  static void ThreadEntry(void* argument);

  CRITICAL_SECTION lock_;
  bool running_ = false;
};
