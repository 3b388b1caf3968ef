#pragma once
// Windows kernel services: sleeping, critical sections, thread priority,
// the module path and debug output.

#include <mutex>

#include "platform/win32/WinTypes.h"

void Sleep(DWORD milliseconds);

// A critical section is a recursive lock, as on Windows. Initialise and
// delete are kept for the call sites; the lock lives with the object.
struct CRITICAL_SECTION {
  std::recursive_mutex lock;
};
void InitializeCriticalSection(CRITICAL_SECTION* section);
void DeleteCriticalSection(CRITICAL_SECTION* section);
void EnterCriticalSection(CRITICAL_SECTION* section);
void LeaveCriticalSection(CRITICAL_SECTION* section);

constexpr int THREAD_PRIORITY_NORMAL = 0;
// Thread priorities are left to the Linux scheduler; this only accepts the call.
BOOL SetThreadPriority(HANDLE thread, int priority);

// The executable's full path (from /proc/self/exe), truncated to fit size
// bytes including the terminator. Returns the number of characters copied.
DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);

void OutputDebugStringA(LPCSTR text);
