#pragma once
// The multimedia timer: milliseconds of a monotonic clock in 32 unsigned
// bits (wrapping after 49.7 days, as on Windows).

#include "platform/win32/WinTypes.h"

using MMRESULT = UINT;
constexpr MMRESULT TIMERR_NOERROR = 0;

DWORD timeGetTime();
// Linux sleeps already have millisecond resolution; these only accept the call.
MMRESULT timeBeginPeriod(UINT period);
MMRESULT timeEndPeriod(UINT period);
