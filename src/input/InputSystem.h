#pragma once
// Keyboard, mouse and joystick through DirectInput as one array of 282 key
// entries (held, pressed this frame, released this frame), plus the mouse
// movement and the joystick's axes and hats, read once per game step.
//
// Key indices: 0-237 keyboard scan codes (DIK_*), 238-245 mouse buttons
// 0-7, 246-277 joystick buttons 0-31, 278-281 stick up, down, left, right.

#include <cstdint>

#include "platform/dinput8/DInput8.h"

class InputSystem {
 public:
  static constexpr int kKeyCount = 282;
  static constexpr int kMouseButton0 = 238;
  static constexpr int kJoystickButton0 = 246;
  static constexpr int kStickUp = 278;
  static constexpr int kStickDown = 279;
  static constexpr int kStickLeft = 280;
  static constexpr int kStickRight = 281;

  struct KeyState {
    std::uint8_t held;
    std::uint8_t pressed;
    std::uint8_t released;
  };

  InputSystem();
  // Releases nothing: the owner releases the devices (ReleaseDevices).
  virtual ~InputSystem();
  InputSystem(const InputSystem&) = delete;
  InputSystem& operator=(const InputSystem&) = delete;

  // DirectInput8Create with the module instance and version 0x0800.
  bool CreateDirectInput(HINSTANCE instance);
  void SetWindow(HWND window) { window_ = window; }
  // Create and configure the device; false only when it cannot be created.
  bool InitKeyboard();
  bool InitMouse();
  // Attaches the first game controller as the joystick. Update calls it
  // when a controller is plugged in while the slot is empty.
  bool InitJoystick();

  // Clears every entry and takes the held states from the devices' state.
  void ResetState();
  // Reads the events and states since the previous update.
  void Update();
  // Releases the joystick, mouse and keyboard, then DirectInput (without
  // unacquiring).
  void ReleaseDevices();

  const KeyState& GetKey(int index) const { return keys_[Clamp(index)]; }
  bool IsHeld(int index) const { return GetKey(index).held != 0; }
  bool IsPressed(int index) const { return GetKey(index).pressed != 0; }
  bool IsReleased(int index) const { return GetKey(index).released != 0; }
  // Movement since the previous update: x, y and wheel (120 per notch).
  const std::int32_t* GetMouseDelta() const { return mouseDelta_; }
  // x, y, z, rotation x, y, z, slider 0, 1: about -1 to +1.
  float GetJoystickAxis(int axis) const { return axis >= 0 && axis < 8 ? joystickAxes_[axis] : 0.0f; }
  // Hundredths of a degree, -1 when centred.
  std::int32_t GetJoystickPov(int hat) const { return hat >= 0 && hat < 4 ? joystickPov_[hat] : -1; }
  // The joystick's immediate state, without taking its buffered events:
  // for readers that need the pad every frame, also between game steps.
  // False (and *state all released) without a joystick or when it cannot
  // be read.
  bool ReadJoystickState(DIJOYSTATE* state);

  bool HasDirectInput() const { return directInput_ != nullptr; }
  bool HasKeyboard() const { return keyboard_ != nullptr; }
  bool HasMouse() const { return mouse_ != nullptr; }
  bool HasJoystick() const { return joystick_ != nullptr; }

  // The name of a key index: "Esc", "Up", "Mouse L", "Joy 1", ... or "0x"
  // and two hexadecimal digits for codes without a key.
  static const char* GetKeyName(int index);

 private:
  static int Clamp(int index) { return index < 0 || index >= kKeyCount ? 0 : index; }
  bool InitDevice(REFGUID guid, const DIDATAFORMAT& format, DWORD bufferSize, IDirectInputDevice8** slot);
  // Poll, and Acquire once when that fails. False when the device is gone.
  static bool Ready(IDirectInputDevice8* device);
  // Applies the buffered button events whose offsets lie in [first, first + count).
  void ApplyEvents(IDirectInputDevice8* device, DWORD room, DWORD first, DWORD count, int entry0);
  void UpdateJoystick();
  void DetachJoystick();
  static void SetStick(KeyState& key, bool now);

  IDirectInput8* directInput_ = nullptr;
  IDirectInputDevice8* keyboard_ = nullptr;
  IDirectInputDevice8* mouse_ = nullptr;
  IDirectInputDevice8* joystick_ = nullptr;
  HWND window_ = nullptr;
  KeyState keys_[kKeyCount];
  std::int32_t mouseDelta_[3];
  float joystickAxes_[8];
  std::int32_t joystickPov_[4];
  DIDEVICEOBJECTDATA events_[80];  // room for the largest read
};
