#pragma once
// Scripted input: key, mouse-button, motion, wheel, game pad, focus and
// close events scheduled at frame numbers. Deliver(n) puts frame n's events
// into SDL's event queue (pads through virtual game pads), so they reach the
// program through the same path as a real keyboard, mouse and pad. Call it
// after frame n - 1 and before frame n takes its keyboard snapshot (that
// is, at the end of the previous Frame, or before the loop for frame 0).

#include <memory>
#include <vector>

#include "platform/host/VirtualGamepad.h"
#include "platform/win32/WinTypes.h"

union SDL_Event;

namespace host {

class ScriptedInput {
 public:
  // Keys by Windows virtual-key code; mouse buttons by VK_LBUTTON,
  // VK_RBUTTON or VK_MBUTTON.
  ScriptedInput();
  ~ScriptedInput();
  ScriptedInput(const ScriptedInput&) = delete;
  ScriptedInput& operator=(const ScriptedInput&) = delete;

  void KeyDown(int frame, int virtualKey);
  void KeyUp(int frame, int virtualKey);
  // A key by its scan code (SDL's, the USB usage number).
  void Key(int frame, int scancode, bool down);
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
  // Game pad `pad` (1 to 8) plugged in, centred with every button up, or
  // unplugged. Axes and buttons are numbered as SDL's game controller
  // numbers them; axis values are the controller's (triggers 0 to 32767).
  void PadPlug(int frame, int pad);
  void PadUnplug(int frame, int pad);
  void PadAxis(int frame, int pad, int axis, int value);
  void PadButton(int frame, int pad, int button, bool down);
  void FocusLost(int frame);
  void FocusGained(int frame);
  // The window manager's close button.
  void CloseWindow(int frame);

  // Pushes the events scheduled for `frame`, in the order they were added.
  void Deliver(int frame);
  // The highest frame that has an event, or -1.
  int LastFrame() const;

  // While exclusive, only these events reach the program: keys, mouse,
  // wheel and focus changes from the real devices and the window system
  // are dropped, and real game pads are hidden. The close button still
  // works. Turn it on before the first Deliver.
  void SetExclusive(bool exclusive);
  // Gives the window the keyboard focus, or takes it away, as it was when
  // a recorded session started.
  static void StartFocus(HWND window, bool focused);

 private:
  enum class Kind {
    KeyDown, KeyUp, ButtonDown, ButtonUp, Motion, Wheel, FocusLost, FocusGained, Close,
    PadPlug, PadUnplug, PadAxis, PadButton,
  };
  struct Event {
    int frame;
    Kind kind;
    int a;
    int b;
    int c;
  };
  void Add(int frame, Kind kind, int a = 0, int b = 0, int c = 0) {
    events_.push_back(Event{frame, kind, a, b, c});
    sorted_ = false;
  }
  // Keys, buttons, motion, wheel, focus and close as an SDL event; false
  // for an event SDL cannot carry.
  bool MakeEvent(const Event& e, unsigned windowId, SDL_Event* event);
  void DeliverPad(const Event& e);
  static int Filter(void* self, SDL_Event* event);

  std::vector<Event> events_;  // by frame once sorted, each frame's in the order added
  bool sorted_ = true;
  std::vector<std::unique_ptr<VirtualGamepad>> pads_;
  bool exclusive_ = false;
  bool delivering_ = false;
  // Where the scripted pointer is, for button events and motion deltas.
  int mouseX_ = 0;
  int mouseY_ = 0;
};

}  // namespace host
