#include "frame/FwBase.h"

#include <clocale>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "frame/DisplayConfiguration.h"
#include "platform/win32/CrtRandom.h"

namespace {

// Input state of the process, read and written on the main thread only.
struct InputState {
  BYTE snapshots[2][256] = {};
  int current = 0;
  POINT mouse{0, 0};
  int wheelAccumulator = 0;  // raw deltas not yet turned into notches
  int wheelNotches = 0;
  POINT mouseCentre{0, 0};
  HWND mainWindow = nullptr;
};

InputState g_input;

bool IsHeld(const BYTE* snapshot, int virtualKey) {
  if (virtualKey < 0 || virtualKey > 255) return false;
  return (snapshot[virtualKey] & 0x80) != 0;
}

void UpdateMouse() {
  POINT point{0, 0};
  if (GetCursorPos(&point) && ScreenToClient(g_input.mainWindow, &point)) g_input.mouse = point;
  // A partial notch carries over to later frames.
  g_input.wheelNotches = g_input.wheelAccumulator / WHEEL_DELTA;
  g_input.wheelAccumulator -= g_input.wheelNotches * WHEEL_DELTA;
}

// Wrap-safe ordering of two timer values: true when a is after b. The timer
// wraps after 49.7 days; a plain unsigned comparison would then stall the
// loop for weeks or run frames back to back.
bool IsAfter(DWORD a, DWORD b) { return static_cast<std::int32_t>(a - b) > 0; }

}  // namespace

bool FwBase::IsKeyDown(int virtualKey) { return IsHeld(g_input.snapshots[g_input.current], virtualKey); }

bool FwBase::IsKeyPressed(int virtualKey) {
  return IsHeld(g_input.snapshots[g_input.current], virtualKey) &&
         !IsHeld(g_input.snapshots[1 - g_input.current], virtualKey);
}

POINT FwBase::GetMousePosition() { return g_input.mouse; }
int FwBase::GetWheelNotches() { return g_input.wheelNotches; }
POINT FwBase::GetMouseCentre() { return g_input.mouseCentre; }
HWND FwBase::GetMainWindow() { return g_input.mainWindow; }

void FwBase::SetMousePosition(int x, int y) {
  g_input.mouse = POINT{x, y};
  POINT screen{x, y};
  ClientToScreen(window_, &screen);
  SetCursorPos(screen.x, screen.y);
}

void FwBase::ShowMessage(const char* caption, const char* format, ...) {
  char text[1024];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(text, sizeof(text), format, arguments);
  va_end(arguments);
  MessageBoxA(window_, text, caption, MB_OK);
}

LRESULT FwBase::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      // The window stays until Run destroys it after Exit.
      PostQuitMessage(0);
      return 0;
    case WM_MOUSEWHEEL:
      g_input.wheelAccumulator += GET_WHEEL_DELTA_WPARAM(wParam);
      return 0;
    case WM_SYSKEYDOWN:
      // Alt and F10 never open the window menu; Alt+F4 is handled by the loop.
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

bool FwBase::Run(HINSTANCE instance, float framesPerSecond) {
  const DisplayConfiguration& configuration = GetDisplayConfiguration();
  instance_ = instance;
  width_ = configuration.width;
  height_ = configuration.height;
  aspect_ = static_cast<float>(width_) / static_cast<float>(height_);
  frameInterval_ = 1000.0f / framesPerSecond;
  nextFrameTime_ = timeGetTime();  // the first frame is due at once
  carry_ = 0.0f;
  fpsWindowStart_ = timeGetTime();
  framesInWindow_ = 0;
  framesPerSecond_ = 0;
  averageFrameMs_ = 0.0f;
  quitRequested_ = false;

  static bool classRegistered = false;
  if (!classRegistered) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = 0;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    windowClass.lpszClassName = "FwWindow";
    if (RegisterClassExA(&windowClass) == 0) return false;
    classRegistered = true;
  }

  const DWORD style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;  // fixed size, no maximise box
  const int outerWidth = width_ + 2 * GetSystemMetrics(SM_CXFIXEDFRAME);
  const int outerHeight = height_ + 2 * GetSystemMetrics(SM_CYFIXEDFRAME) + GetSystemMetrics(SM_CYCAPTION);
  window_ = CreateWindowExA(0, "FwWindow", "grapple", style, 40, 40, outerWidth, outerHeight, nullptr, nullptr,
                            instance, nullptr);
  if (window_ == nullptr) return false;
  ShowWindow(window_, SW_SHOWNORMAL);
  UpdateWindow(window_);

  // Character classification follows the user's locale.
  std::setlocale(LC_CTYPE, "");
  timeBeginPeriod(1);
  crt::srand(static_cast<unsigned>(std::time(nullptr)));

  g_input = InputState{};
  g_input.mouseCentre = POINT{width_ / 2, height_ / 2};
  g_input.mainWindow = window_;
  UpdateMouse();
  g_input.wheelNotches = 0;
  g_input.wheelAccumulator = 0;

  if (!Init()) {
    Exit();
    DestroyWindow(window_);
    window_ = nullptr;
    return false;
  }
  MessageLoop();
  Exit();
  DestroyWindow(window_);
  window_ = nullptr;
  return true;
}

void FwBase::MessageLoop() {
  while (!quitRequested_) {
    MSG message;
    if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT && CanQuit()) return;
      TranslateMessage(&message);
      DispatchMessageA(&message);
      continue;
    }
    FrameStep();
    const bool altHeld = IsKeyDown(VK_LMENU) || IsKeyDown(VK_RMENU);
    if (IsKeyPressed(VK_F4) && altHeld && GetForegroundWindow() == window_ && CanQuit()) return;
  }
}

void FwBase::ScheduleNextFrame(DWORD now) {
  const DWORD wholeInterval = static_cast<DWORD>(frameInterval_);  // 16 at 60 frames per second
  const DWORD followingDue = nextFrameTime_ + static_cast<DWORD>(carry_ + frameInterval_);
  if (IsAfter(now, followingDue)) {
    // The frame after this one is already due: drop the backlog instead of
    // running catch-up frames.
    nextFrameTime_ = now + wholeInterval;
    carry_ = frameInterval_ - static_cast<float>(wholeInterval);
    return;
  }
  nextFrameTime_ += wholeInterval;
  carry_ += frameInterval_ - static_cast<float>(wholeInterval);
  const int wholeCarry = static_cast<int>(carry_);
  if (wholeCarry != 0) {
    nextFrameTime_ += static_cast<DWORD>(wholeCarry);
    carry_ -= static_cast<float>(wholeCarry);
  }
}

bool FwBase::FrameStep() {
  const DWORD now = timeGetTime();
  if (IsAfter(nextFrameTime_, now)) {
    // Sleep half the remaining time and poll again: the pump stays
    // responsive and the frame lands close to its due time.
    Sleep((nextFrameTime_ - now) / 2);
    return false;
  }
  ScheduleNextFrame(now);

  g_input.current = 1 - g_input.current;
  GetKeyboardState(g_input.snapshots[g_input.current]);
  UpdateMouse();

  ++framesInWindow_;
  if (!IsAfter(fpsWindowStart_ + 1000, now)) {
    framesPerSecond_ = framesInWindow_;
    framesInWindow_ = 0;
    fpsWindowStart_ += 1000;
  }

  Frame();

  const DWORD work = timeGetTime() - now;
  averageFrameMs_ += (static_cast<float>(work) - averageFrameMs_) * 0.3f;
  return true;
}
