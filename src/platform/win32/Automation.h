#pragma once
// Hooks of the Windows layer for headless runs and tests (used by
// platform/host and the test suites; the game never calls these).

#include <string>
#include <vector>

#include "platform/win32/WinTypes.h"

namespace platform {

// Replaces the clock behind timeGetTime and Sleep. Null restores the real one.
class TimeSource {
 public:
  virtual ~TimeSource() = default;
  virtual DWORD Now() = 0;
  virtual void Sleep(DWORD milliseconds) = 0;
};
void SetTimeSource(TimeSource* source);

// Threads started by _beginthread whose start routine has not returned yet.
int RunningThreadCount();

// System threads created for _beginthread so far: a thread whose routine
// returned waits a while to run the next one, so this grows only when every
// earlier thread is still busy.
int CreatedThreadCount();

// Makes the next `count` calls of _beginthread fail, as when the system is
// out of threads.
void FailNextThreadStarts(int count);

struct RecordedMessageBox {
  HWND owner;
  std::string caption;
  std::string text;
};
// Every message box shown since the last call, oldest first.
std::vector<RecordedMessageBox> TakeRecordedMessageBoxes();

// Replaces the work area that SystemParametersInfoA(SPI_GETWORKAREA)
// reports, so placement can be tested on any display. Null restores the
// display's own.
void SetWorkAreaForTests(const RECT* workArea);

// True when video runs without a display (SDL's offscreen or dummy driver):
// message boxes are then printed instead of shown.
bool IsHeadless();

}  // namespace platform
