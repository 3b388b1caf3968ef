#pragma once
// A game controller that exists only in software (SDL's virtual joystick),
// for tests of the joystick paths. Its changes reach the program as
// controller events through the message pump, like a real pad's.
//
// Axes and buttons are numbered as SDL's game controller numbers them
// (axis 0 left stick x, 1 left stick y, ...; button 0 A, ..., 11 pad up).

struct _SDL_Joystick;

namespace host {

class VirtualGamepad {
 public:
  VirtualGamepad() = default;
  ~VirtualGamepad();
  VirtualGamepad(const VirtualGamepad&) = delete;
  VirtualGamepad& operator=(const VirtualGamepad&) = delete;

  // Plugs the pad in; false when SDL cannot make one.
  bool Attach();
  // Unplugs it.
  void Detach();
  bool IsAttached() const { return joystick_ != nullptr; }

  // -32768 to 32767; for triggers -32768 is released and 32767 fully pulled.
  void SetAxis(int axis, int value);
  // The value the game controller reports for the axis: sticks -32768 to
  // 32767, triggers 0 (released) to 32767 (fully pulled), exactly.
  void SetControllerAxis(int axis, int value);
  void SetButton(int button, bool down);

 private:
  _SDL_Joystick* joystick_ = nullptr;
  int deviceIndex_ = -1;
};

}  // namespace host
