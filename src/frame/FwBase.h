#pragma once
// The root of the application framework: the main window, the message pump
// and the fixed-rate frame clock, plus the process-wide keyboard snapshot and
// mouse state that the application reads every frame.

#include "platform/win32/Windows.h"

class FwBase {
 public:
  FwBase() = default;
  virtual ~FwBase() = default;
  FwBase(const FwBase&) = delete;
  FwBase& operator=(const FwBase&) = delete;

  virtual bool Init() = 0;
  virtual void Exit() = 0;
  virtual void Frame() = 0;
  // Asked before the loop ends on a window close or Alt+F4.
  virtual bool CanQuit() { return true; }

  // The whole life of the window: creates it, runs Init, the message loop
  // and Exit, and destroys it. False when the window could not be made or
  // Init failed.
  bool Run(HINSTANCE instance, float framesPerSecond);

  // Keyboard snapshot of the current frame, by virtual-key code. A key is
  // pressed in the frame whose snapshot first shows it held.
  static bool IsKeyDown(int virtualKey);
  static bool IsKeyPressed(int virtualKey);
  // Mouse position in client pixels and whole wheel notches of this frame
  // (positive away from the user).
  static POINT GetMousePosition();
  static int GetWheelNotches();
  // The centre of the client area, and the main window, for the input code.
  static POINT GetMouseCentre();
  static HWND GetMainWindow();

  // Moves the system cursor to a client point and records it as the mouse
  // position.
  void SetMousePosition(int x, int y);
  // A modal message box owned by the main window, OK button only.
  void ShowMessage(const char* caption, const char* format, ...) __attribute__((format(printf, 3, 4)));

  HWND GetWindow() const { return window_; }
  HINSTANCE GetInstance() const { return instance_; }
  int GetWidth() const { return width_; }
  int GetHeight() const { return height_; }
  float GetAspect() const { return aspect_; }
  float GetFrameInterval() const { return frameInterval_; }
  bool IsQuitRequested() const { return quitRequested_; }
  void SetQuitRequested(bool quit) { quitRequested_ = quit; }
  int GetFramesPerSecond() const { return framesPerSecond_; }
  float GetAverageFrameMs() const { return averageFrameMs_; }

 protected:
  // One call of the frame clock: sleeps toward the due time, or runs one
  // frame. Returns true when a frame ran.
  bool FrameStep();
  // When the next frame is due, in timeGetTime milliseconds.
  DWORD GetNextFrameTime() const { return nextFrameTime_; }

 private:
  static LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void MessageLoop();
  void ScheduleNextFrame(DWORD now);

  HWND window_ = nullptr;
  HINSTANCE instance_ = nullptr;
  bool quitRequested_ = false;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  float aspect_ = 1.3333f;
  float frameInterval_ = 0.0f;  // milliseconds
  DWORD nextFrameTime_ = 0;     // milliseconds of timeGetTime
  float carry_ = 0.0f;          // fractional milliseconds not yet in nextFrameTime_
  DWORD fpsWindowStart_ = 0;
  std::int32_t framesInWindow_ = 0;
  std::int32_t framesPerSecond_ = 0;
  float averageFrameMs_ = 0.0f;
};
