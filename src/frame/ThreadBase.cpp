#include "frame/ThreadBase.h"

ThreadBase::ThreadBase() { InitializeCriticalSection(&lock_); }

ThreadBase::~ThreadBase() { DeleteCriticalSection(&lock_); }

void ThreadBase::Start() {
  // The lock is held across creation: the new thread clears running_ only
  // after it is set, and the handle is still valid for the priority call.
  EnterCriticalSection(&lock_);
  if (!running_) {
    const std::uintptr_t thread = _beginthread(ThreadEntry, 0, this);
    if (thread != static_cast<std::uintptr_t>(-1)) {
      running_ = true;
      SetThreadPriority(reinterpret_cast<HANDLE>(thread), THREAD_PRIORITY_NORMAL);
    }
  }
  LeaveCriticalSection(&lock_);
}

void ThreadBase::ThreadEntry(void* argument) {
  ThreadBase* self = static_cast<ThreadBase*>(argument);
  self->Execute();
  EnterCriticalSection(&self->lock_);
  self->running_ = false;
  LeaveCriticalSection(&self->lock_);
}

bool ThreadBase::IsRunning() {
  EnterCriticalSection(&lock_);
  const bool running = running_;
  LeaveCriticalSection(&lock_);
  return running;
}

void ThreadBase::Wait() {
  while (IsRunning()) Sleep(1);
}
