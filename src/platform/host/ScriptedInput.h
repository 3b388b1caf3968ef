#pragma once
// Scripted input: key, mouse-button, motion, wheel, focus and close events
// scheduled at frame numbers. Deliver(n) puts frame n's events into SDL's
// event queue, so they reach the program through the same path as a real
// keyboard and mouse. Call it after frame n - 1 and before frame n takes its
// keyboard snapshot (that is, at the end of the previous Frame, or before
// the loop for frame 0).

#include <vector>

#include "platform/win32/WinTypes.h"

namespace host {

class ScriptedInput {
 public:
  // Keys by Windows virtual-key code; mouse buttons by VK_LBUTTON,
  // VK_RBUTTON or VK_MBUTTON.
  void KeyDown(int frame, int virtualKey);
  void KeyUp(int frame, int virtualKey);
  // Down in `frame`, up in the frame after.
  void KeyTap(int frame, int virtualKey);
  void ButtonDown(int frame, int virtualKey);
  void ButtonUp(int frame, int virtualKey);
  // Press, release, press again as the second click of a double click, and
  // release, all in `frame` at the pointer's position.
  void DoubleClick(int frame, int virtualKey);
  void MouseMove(int frame, int clientX, int clientY);
  // Raw delta in 120ths of a notch; positive turns the wheel away from the user.
  void Wheel(int frame, int delta);
  void FocusLost(int frame);
  void FocusGained(int frame);
  // The window manager's close button.
  void CloseWindow(int frame);

  // Pushes the events scheduled for `frame`, in the order they were added.
  void Deliver(int frame);
  // The highest frame that has an event, or -1.
  int LastFrame() const;

 private:
  enum class Kind { KeyDown, KeyUp, ButtonDown, ButtonUp, Motion, Wheel, FocusLost, FocusGained, Close };
  struct Event {
    int frame;
    Kind kind;
    int a;
    int b;
  };
  void Add(int frame, Kind kind, int a = 0, int b = 0) { events_.push_back(Event{frame, kind, a, b}); }
  std::vector<Event> events_;
  // Where the scripted pointer is, for button events and motion deltas.
  int mouseX_ = 0;
  int mouseY_ = 0;
};

}  // namespace host
