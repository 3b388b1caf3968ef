#include "input/InputSystem.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr DWORD kCooperativeLevel = DISCL_NONEXCLUSIVE | DISCL_FOREGROUND;
constexpr DWORD kKeyboardEvents = 20;
constexpr DWORD kMouseEvents = 40;
constexpr DWORD kJoystickEvents = 80;
constexpr float kAxisScale = 0.0001f;
constexpr float kStickThreshold = 0.4f;

// Names of the keyboard scan codes that have a key; the rest are "0xNN".
struct NamedKey {
  int index;
  const char* name;
};
constexpr NamedKey kNamedKeys[] = {
    {0x01, "Esc"}, {0x02, "1"}, {0x03, "2"}, {0x04, "3"}, {0x05, "4"}, {0x06, "5"}, {0x07, "6"}, {0x08, "7"},
    {0x09, "8"}, {0x0A, "9"}, {0x0B, "0"}, {0x0C, "Minus"}, {0x0D, "Equals"}, {0x0E, "BackSpace"}, {0x0F, "Tab"},
    {0x10, "Q"}, {0x11, "W"}, {0x12, "E"}, {0x13, "R"}, {0x14, "T"}, {0x15, "Y"}, {0x16, "U"}, {0x17, "I"},
    {0x18, "O"}, {0x19, "P"}, {0x1A, "Bracket L"}, {0x1B, "Bracket R"}, {0x1C, "Enter"}, {0x1D, "Ctrl L"},
    {0x1E, "A"}, {0x1F, "S"}, {0x20, "D"}, {0x21, "F"}, {0x22, "G"}, {0x23, "H"}, {0x24, "J"}, {0x25, "K"},
    {0x26, "L"}, {0x27, "Semicolon"}, {0x28, "Apostrophe"}, {0x29, "Grave"}, {0x2A, "Shift L"},
    {0x2B, "BackSlash"}, {0x2C, "Z"}, {0x2D, "X"}, {0x2E, "C"}, {0x2F, "V"}, {0x30, "B"}, {0x31, "N"},
    {0x32, "M"}, {0x33, "Comma"}, {0x34, "Period"}, {0x35, "Slash"}, {0x36, "Shift R"},
    {0x37, "NumpadMultiply"}, {0x38, "Alt L"}, {0x39, "Space"}, {0x3A, "CapsLock"}, {0x3B, "F1"}, {0x3C, "F2"},
    {0x3D, "F3"}, {0x3E, "F4"}, {0x3F, "F5"}, {0x40, "F6"}, {0x41, "F7"}, {0x42, "F8"}, {0x43, "F9"},
    {0x44, "F10"}, {0x45, "NumLock"}, {0x46, "ScrollLock"}, {0x47, "Numpad7"}, {0x48, "Numpad8"},
    {0x49, "Numpad9"}, {0x4A, "NumpadSubtract"}, {0x4B, "Numpad4"}, {0x4C, "Numpad5"}, {0x4D, "Numpad6"},
    {0x4E, "NumpadAdd"}, {0x4F, "Numpad1"}, {0x50, "Numpad2"}, {0x51, "Numpad3"}, {0x52, "Numpad0"},
    {0x53, "NumpadDecimal"}, {0x56, "OEM_102"}, {0x57, "F11"}, {0x58, "F12"}, {0x64, "F13"}, {0x65, "F14"},
    {0x66, "F15"}, {0x70, "Kana"}, {0x73, "ABNT_C1"}, {0x79, "Convert"}, {0x7B, "NoConvert"}, {0x7D, "Yen"},
    {0x7E, "ABNT_C2"}, {0x8D, "NumpadEquals"}, {0x90, "PrevTrack"}, {0x91, "At"}, {0x92, "Colon"},
    {0x93, "UnderLine"}, {0x94, "Kanji"}, {0x95, "Stop"}, {0x96, "Ax"}, {0x97, "Unlabeled"},
    {0x99, "NextTrack"}, {0x9C, "NumpadEnter"}, {0x9D, "Ctrl R"}, {0xA0, "Mute"}, {0xA1, "Calculator"},
    {0xA2, "PlayPause"}, {0xA4, "MediaStop"}, {0xAE, "VolumeDown"}, {0xB0, "VolumeUp"}, {0xB2, "WebHome"},
    {0xB3, "NumpadComma"}, {0xB5, "NumpadDivide"}, {0xB7, "PrintScreen"}, {0xB8, "Alt R"}, {0xC5, "Pause"},
    {0xC7, "Home"}, {0xC8, "Up"}, {0xC9, "PageUp"}, {0xCB, "Left"}, {0xCD, "Right"}, {0xCF, "End"},
    {0xD0, "Down"}, {0xD1, "PageDown"}, {0xD2, "Insert"}, {0xD3, "Delete"}, {0xDB, "Win L"}, {0xDC, "Win R"},
    {0xDD, "AppMenu"}, {0xDE, "Power"}, {0xDF, "Sleep"}, {0xE3, "Wake"}, {0xE5, "WebSearch"},
    {0xE6, "WebFavorites"}, {0xE7, "WebRefresh"}, {0xE8, "WebStop"}, {0xE9, "WebForward"}, {0xEA, "WebBack"},
    {0xEB, "MyComputer"}, {0xEC, "Mail"}, {0xED, "MediaSelect"}, {0xEE, "Mouse L"}, {0xEF, "Mouse R"},
    {0xF0, "Mouse M"}, {0xF1, "Mouse E1"}, {0xF2, "Mouse E2"}, {0xF3, "Mouse E3"}, {0xF4, "Mouse E4"},
    {0xF5, "Mouse E5"}, {0x116, "Joy Up"}, {0x117, "Joy Down"}, {0x118, "Joy Left"}, {0x119, "Joy Right"},
};

struct KeyNames {
  char text[InputSystem::kKeyCount][16];
  KeyNames() {
    for (int i = 0; i < InputSystem::kKeyCount; ++i) std::snprintf(text[i], sizeof(text[i]), "0x%02X", i);
    for (int k = 0; k < 32; ++k) std::snprintf(text[InputSystem::kJoystickButton0 + k], sizeof(text[0]), "Joy %d", k + 1);
    for (const NamedKey& key : kNamedKeys) std::snprintf(text[key.index], sizeof(text[0]), "%s", key.name);
  }
};

}  // namespace

InputSystem::InputSystem() { ResetState(); }

InputSystem::~InputSystem() = default;

bool InputSystem::CreateDirectInput(HINSTANCE instance) {
  void* object = nullptr;
  if (FAILED(DirectInput8Create(instance, DIRECTINPUT_VERSION, IID_IDirectInput8A, &object, nullptr))) return false;
  directInput_ = static_cast<IDirectInput8*>(object);
  return true;
}

bool InputSystem::InitDevice(REFGUID guid, const DIDATAFORMAT& format, DWORD bufferSize, IDirectInputDevice8** slot) {
  if (directInput_ == nullptr || *slot != nullptr) return false;
  if (FAILED(directInput_->CreateDevice(guid, slot, nullptr))) return false;
  IDirectInputDevice8* device = *slot;
  device->SetCooperativeLevel(window_, kCooperativeLevel);
  device->SetDataFormat(&format);
  DIPROPDWORD size{};
  size.diph.dwSize = sizeof(DIPROPDWORD);
  size.diph.dwHeaderSize = sizeof(DIPROPHEADER);
  size.diph.dwObj = 0;
  size.diph.dwHow = DIPH_DEVICE;
  size.dwData = bufferSize;
  device->SetProperty(DIPROP_BUFFERSIZE, &size.diph);
  device->Acquire();
  return true;
}

bool InputSystem::InitKeyboard() { return InitDevice(GUID_SysKeyboard, c_dfDIKeyboard, kKeyboardEvents, &keyboard_); }
bool InputSystem::InitMouse() { return InitDevice(GUID_SysMouse, c_dfDIMouse2, kMouseEvents, &mouse_); }
bool InputSystem::InitJoystick() { return InitDevice(GUID_Joystick, c_dfDIJoystick, kJoystickEvents, &joystick_); }

void InputSystem::ResetState() {
  std::memset(keys_, 0, sizeof(keys_));
  for (std::int32_t& d : mouseDelta_) d = 0;
  for (float& a : joystickAxes_) a = 0.0f;
  for (std::int32_t& p : joystickPov_) p = -1;

  BYTE keyboard[256];
  if (keyboard_ != nullptr && SUCCEEDED(keyboard_->GetDeviceState(sizeof(keyboard), keyboard))) {
    for (int i = 0; i < 256; ++i) keys_[i].held = (keyboard[i] & 0x80) != 0 ? 1 : 0;
  }
  DIMOUSESTATE2 mouse;
  if (mouse_ != nullptr && SUCCEEDED(mouse_->GetDeviceState(sizeof(mouse), &mouse))) {
    for (int b = 0; b < 8; ++b) keys_[kMouseButton0 + b].held = (mouse.rgbButtons[b] & 0x80) != 0 ? 1 : 0;
  }
  DIJOYSTATE joystick;
  if (joystick_ != nullptr && SUCCEEDED(joystick_->GetDeviceState(sizeof(joystick), &joystick))) {
    for (int k = 0; k < 32; ++k) keys_[kJoystickButton0 + k].held = (joystick.rgbButtons[k] & 0x80) != 0 ? 1 : 0;
    const float x = static_cast<float>(joystick.lX) * kAxisScale;
    const float y = static_cast<float>(joystick.lY) * kAxisScale;
    keys_[kStickUp].held = y < -kStickThreshold;
    keys_[kStickDown].held = y > kStickThreshold;
    keys_[kStickLeft].held = x < -kStickThreshold;
    keys_[kStickRight].held = x > kStickThreshold;
  }
}

bool InputSystem::Ready(IDirectInputDevice8* device) {
  if (SUCCEEDED(device->Poll())) return true;
  return device->Acquire() != DIERR_UNPLUGGED;
}

void InputSystem::ApplyEvents(IDirectInputDevice8* device, DWORD room, DWORD first, DWORD count, int entry0) {
  DWORD received = room;
  if (FAILED(device->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), events_, &received, 0))) return;
  for (DWORD i = 0; i < received; ++i) {
    const DIDEVICEOBJECTDATA& event = events_[i];
    if (event.dwOfs < first || event.dwOfs >= first + count) continue;
    KeyState& key = keys_[entry0 + static_cast<int>(event.dwOfs - first)];
    if ((event.dwData & 0x80) != 0) {
      key.pressed = 1;
      key.held = 1;
    } else {
      key.released = 1;
      key.held = 0;
    }
  }
}

void InputSystem::SetStick(KeyState& key, bool now) {
  const bool was = key.held != 0;
  key.pressed = now && !was;
  key.released = was && !now;
  key.held = now;
}

void InputSystem::Update() {
  for (KeyState& key : keys_) key.pressed = key.released = 0;

  if (keyboard_ != nullptr) {
    Ready(keyboard_);
    ApplyEvents(keyboard_, kKeyboardEvents, 0, 256, 0);
  }

  if (mouse_ != nullptr) {
    Ready(mouse_);
    ApplyEvents(mouse_, kMouseEvents, DIMOFS_BUTTON0, 8, kMouseButton0);
    DIMOUSESTATE2 state;
    if (SUCCEEDED(mouse_->GetDeviceState(sizeof(state), &state))) {
      mouseDelta_[0] = state.lX;
      mouseDelta_[1] = state.lY;
      mouseDelta_[2] = state.lZ;
    } else {
      mouseDelta_[0] = mouseDelta_[1] = mouseDelta_[2] = 0;
    }
  }

  UpdateJoystick();
}

void InputSystem::UpdateJoystick() {
  // A game controller plugged in while the slot is empty becomes the joystick.
  if (joystick_ == nullptr && directInput_ != nullptr && directInput_->GetDeviceStatus(GUID_Joystick) == DI_OK) {
    InitJoystick();
  }
  if (joystick_ == nullptr) return;
  if (!Ready(joystick_)) {
    DetachJoystick();
    return;
  }
  ApplyEvents(joystick_, kJoystickEvents, DIJOFS_BUTTON0, 32, kJoystickButton0);
  DIJOYSTATE state;
  if (FAILED(joystick_->GetDeviceState(sizeof(state), &state))) std::memset(&state, 0, sizeof(state));
  const LONG axes[8] = {state.lX, state.lY, state.lZ, state.lRx, state.lRy, state.lRz, state.rglSlider[0],
                        state.rglSlider[1]};
  for (int i = 0; i < 8; ++i) joystickAxes_[i] = static_cast<float>(axes[i]) * kAxisScale;
  for (int h = 0; h < 4; ++h) {
    joystickPov_[h] = (state.rgdwPOV[h] & 0xFFFF) == 0xFFFF ? -1 : static_cast<std::int32_t>(state.rgdwPOV[h]);
  }
  const float x = joystickAxes_[0];
  const float y = joystickAxes_[1];
  SetStick(keys_[kStickUp], y < -kStickThreshold);
  SetStick(keys_[kStickDown], y > kStickThreshold);
  SetStick(keys_[kStickLeft], x < -kStickThreshold);
  SetStick(keys_[kStickRight], x > kStickThreshold);
}

bool InputSystem::ReadJoystickState(DIJOYSTATE* state) {
  if (joystick_ != nullptr && SUCCEEDED(joystick_->GetDeviceState(sizeof(*state), state))) return true;
  std::memset(state, 0, sizeof(*state));
  for (DWORD& pov : state->rgdwPOV) pov = 0xFFFFFFFFu;
  return false;
}

// An unplugged controller lets go of everything it held, and its slot is
// free for the next controller.
void InputSystem::DetachJoystick() {
  joystick_->Release();
  joystick_ = nullptr;
  for (int i = kJoystickButton0; i < kKeyCount; ++i) {
    if (keys_[i].held != 0) keys_[i].released = 1;
    keys_[i].held = 0;
  }
  for (float& a : joystickAxes_) a = 0.0f;
  for (std::int32_t& p : joystickPov_) p = -1;
}

void InputSystem::ReleaseDevices() {
  IDirectInputDevice8** devices[] = {&joystick_, &mouse_, &keyboard_};
  for (IDirectInputDevice8** device : devices) {
    if (*device != nullptr) (*device)->Release();
    *device = nullptr;
  }
  if (directInput_ != nullptr) directInput_->Release();
  directInput_ = nullptr;
}

const char* InputSystem::GetKeyName(int index) {
  static const KeyNames names;
  return names.text[Clamp(index)];
}
