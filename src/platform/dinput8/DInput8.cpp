// DirectInput 8 devices fed from the SDL events of the message pump.

#include "platform/dinput8/DInput8.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/dinput8/ScanCodes.h"
#include "platform/win32/SdlBridge.h"
#include "platform/win32/TimeApi.h"
#include "platform/win32/WinUser.h"

const GUID GUID_SysKeyboard = {0x6F1D2B61, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID GUID_SysMouse = {0x6F1D2B60, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID GUID_Joystick = {0x6F1D2B70, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const IID IID_IDirectInput8A = {0xBF798030, 0x483A, 0x4DA2, {0xAA, 0x99, 0x5D, 0x64, 0xED, 0x36, 0x97, 0x00}};
const GUID DIPROP_BUFFERSIZE = {1, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

const DIDATAFORMAT c_dfDIKeyboard = {sizeof(DIDATAFORMAT), 0, DIDF_RELAXIS, 256, 0, nullptr};
const DIDATAFORMAT c_dfDIMouse2 = {sizeof(DIDATAFORMAT), 0, DIDF_RELAXIS, sizeof(DIMOUSESTATE2), 0, nullptr};
const DIDATAFORMAT c_dfDIJoystick = {sizeof(DIDATAFORMAT), 0, DIDF_ABSAXIS, sizeof(DIJOYSTATE), 0, nullptr};

static_assert(sizeof(DIMOUSESTATE2) == 20, "DIMOUSESTATE2 layout");
static_assert(sizeof(DIJOYSTATE) == 80, "DIJOYSTATE layout");

namespace dinput8 {
namespace {

// The size of the event record of DirectInput 3, without uAppData.
constexpr DWORD kShortObjectDataSize = 16;
// The queue holds this many read-fulls before it drops events.
constexpr DWORD kQueueReads = 4;
// A sane ceiling for DIPROP_BUFFERSIZE.
constexpr DWORD kMaxBufferSize = 1024;
constexpr LONG kAxisRange = 10000;
constexpr DWORD kPovCentred = 0xFFFFFFFFu;

enum class Kind { Keyboard, Mouse, Joystick };

// The game controllers SDL reports, by joystick instance id, kept from the
// device events of the message pump.
class ControllerList {
 public:
  void Refresh() {
    ids_.clear();
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
      if (SDL_IsGameController(i)) ids_.push_back(SDL_JoystickGetDeviceInstanceID(i));
    }
  }
  void Handle(const SDL_Event& event) {
    if (event.type == SDL_JOYDEVICEADDED) {
      if (!SDL_IsGameController(event.jdevice.which)) return;
      const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(event.jdevice.which);
      if (id >= 0 && std::find(ids_.begin(), ids_.end(), id) == ids_.end()) ids_.push_back(id);
    } else if (event.type == SDL_JOYDEVICEREMOVED) {
      ids_.erase(std::remove(ids_.begin(), ids_.end(), event.jdevice.which), ids_.end());
    }
  }
  bool Any() const { return !ids_.empty(); }

 private:
  std::vector<SDL_JoystickID> ids_;
};

}  // namespace

class Device {
 public:
  explicit Device(Kind kind) : kind_(kind) {
    std::memset(&joystick_, 0, sizeof(joystick_));
    for (DWORD& pov : joystick_.rgdwPOV) pov = kPovCentred;
    platform::AddSdlEventObserver(&Device::Observe, this);
  }
  ~Device() {
    platform::RemoveSdlEventObserver(&Device::Observe, this);
    if (controller_ != nullptr) SDL_GameControllerClose(controller_);
  }
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;

  bool OpenFirstController() {
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
      if (!SDL_IsGameController(i)) continue;
      controller_ = SDL_GameControllerOpen(i);
      if (controller_ == nullptr) continue;
      instance_ = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller_));
      ReadControllerState();
      return true;
    }
    return false;
  }

  HRESULT SetCooperativeLevel(HWND window, DWORD flags) {
    const DWORD share = flags & (DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE);
    const DWORD place = flags & (DISCL_FOREGROUND | DISCL_BACKGROUND);
    if (share == 0 || share == (DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE)) return DIERR_INVALIDPARAM;
    if (place == 0 || place == (DISCL_FOREGROUND | DISCL_BACKGROUND)) return DIERR_INVALIDPARAM;
    if (place == DISCL_FOREGROUND && IsWindow(window) == FALSE) return DIERR_INVALIDPARAM;
    if (acquired_) return DIERR_ACQUIRED;
    window_ = window;
    foreground_ = place == DISCL_FOREGROUND;
    return DI_OK;
  }

  HRESULT SetDataFormat(const DIDATAFORMAT* format) {
    if (format == nullptr) return DIERR_INVALIDPARAM;
    if (acquired_) return DIERR_ACQUIRED;
    const DIDATAFORMAT& own = OwnFormat();
    if (format->dwDataSize != own.dwDataSize || (format->dwFlags & 3) != own.dwFlags) return DIERR_INVALIDPARAM;
    formatSet_ = true;
    return DI_OK;
  }

  HRESULT SetBufferSize(const DIPROPHEADER* header) {
    if (!IsDeviceDword(header)) return DIERR_INVALIDPARAM;
    if (acquired_) return DIERR_ACQUIRED;
    const DWORD size = reinterpret_cast<const DIPROPDWORD*>(header)->dwData;
    if (size > kMaxBufferSize) return DIERR_INVALIDPARAM;
    bufferSize_ = size;
    queue_.assign(static_cast<std::size_t>(size) * kQueueReads, DIDEVICEOBJECTDATA{});
    head_ = 0;
    queued_ = 0;
    return DI_OK;
  }

  HRESULT GetBufferSize(DIPROPHEADER* header) const {
    if (!IsDeviceDword(header)) return DIERR_INVALIDPARAM;
    reinterpret_cast<DIPROPDWORD*>(header)->dwData = bufferSize_;
    return DI_OK;
  }

  HRESULT Acquire() {
    if (!formatSet_) return DIERR_INVALIDPARAM;
    if (unplugged_) return DIERR_UNPLUGGED;
    if (foreground_ && GetForegroundWindow() != window_) return DIERR_OTHERAPPHASPRIO;
    if (acquired_) return S_FALSE;
    acquired_ = true;
    lost_ = false;
    ClearQueue();
    mouse_.lX = mouse_.lY = mouse_.lZ = 0;
    return DI_OK;
  }

  HRESULT Unacquire() {
    if (!acquired_) return DI_NOEFFECT;
    acquired_ = false;
    lost_ = false;
    return DI_OK;
  }

  HRESULT Poll() {
    CheckFocus();
    if (!acquired_) return lost_ ? DIERR_INPUTLOST : DIERR_NOTACQUIRED;
    return DI_NOEFFECT;
  }

  HRESULT GetDeviceState(DWORD size, void* data) {
    if (data == nullptr) return DIERR_INVALIDPARAM;
    const HRESULT ready = Poll();
    if (FAILED(ready)) return ready;
    if (size != OwnFormat().dwDataSize) return DIERR_INVALIDPARAM;
    switch (kind_) {
      case Kind::Keyboard:
        std::memcpy(data, keys_, sizeof(keys_));
        break;
      case Kind::Mouse:
        std::memcpy(data, &mouse_, sizeof(mouse_));
        // Relative axes: movement since the previous read.
        mouse_.lX = mouse_.lY = mouse_.lZ = 0;
        break;
      case Kind::Joystick:
        std::memcpy(data, &joystick_, sizeof(joystick_));
        break;
    }
    return DI_OK;
  }

  HRESULT GetDeviceData(DWORD objectDataSize, DIDEVICEOBJECTDATA* data, DWORD* count, DWORD flags) {
    if (count == nullptr) return DIERR_INVALIDPARAM;
    if (data != nullptr && objectDataSize != sizeof(DIDEVICEOBJECTDATA) && objectDataSize != kShortObjectDataSize) {
      return DIERR_INVALIDPARAM;
    }
    const HRESULT ready = Poll();
    if (FAILED(ready)) {
      *count = 0;
      return ready;
    }
    if (bufferSize_ == 0) {
      *count = 0;
      return DIERR_NOTBUFFERED;
    }
    DWORD n = std::min(*count, queued_);
    if (data != nullptr) n = std::min(n, bufferSize_);
    const std::size_t capacity = queue_.size();
    auto* out = reinterpret_cast<unsigned char*>(data);
    for (DWORD i = 0; i < n && out != nullptr; ++i) {
      const DIDEVICEOBJECTDATA& event = queue_[(head_ + i) % capacity];
      std::memcpy(out + static_cast<std::size_t>(i) * objectDataSize, &event, objectDataSize);
    }
    *count = n;
    const HRESULT result = overflow_ ? DI_BUFFEROVERFLOW : DI_OK;
    if ((flags & DIGDD_PEEK) == 0) {
      head_ = (head_ + n) % capacity;
      queued_ -= n;
      overflow_ = false;
    }
    return result;
  }

 private:
  static void Observe(const SDL_Event& event, void* context) { static_cast<Device*>(context)->Handle(event); }

  const DIDATAFORMAT& OwnFormat() const {
    switch (kind_) {
      case Kind::Keyboard: return c_dfDIKeyboard;
      case Kind::Mouse: return c_dfDIMouse2;
      default: return c_dfDIJoystick;
    }
  }

  static bool IsDeviceDword(const DIPROPHEADER* header) {
    return header != nullptr && header->dwSize == sizeof(DIPROPDWORD) && header->dwHeaderSize == sizeof(DIPROPHEADER) &&
           header->dwHow == DIPH_DEVICE && header->dwObj == 0;
  }

  // At the foreground level a device that lost its window's focus is
  // unacquired, as DirectInput does when the application goes to the back.
  void CheckFocus() {
    if (acquired_ && foreground_ && GetForegroundWindow() != window_) {
      acquired_ = false;
      lost_ = true;
    }
  }

  bool Accepting() {
    CheckFocus();
    return acquired_;
  }

  void ClearQueue() {
    head_ = 0;
    queued_ = 0;
    overflow_ = false;
  }

  void Queue(DWORD offset, DWORD value) {
    if (queue_.empty()) return;  // not buffered
    if (queued_ == queue_.size()) {
      overflow_ = true;  // the newest event is lost
      return;
    }
    queue_[(head_ + queued_) % queue_.size()] = DIDEVICEOBJECTDATA{offset, value, timeGetTime(), ++sequence_, 0};
    ++queued_;
  }

  // Relative movement joins the axis's latest queued event when no button
  // event came after it, so motion bursts do not crowd out button events.
  void QueueMovement(DWORD offset, LONG delta) {
    if (delta == 0 || queue_.empty()) return;
    const std::size_t capacity = queue_.size();
    for (DWORD back = 1; back <= queued_ && back <= 3; ++back) {
      DIDEVICEOBJECTDATA& event = queue_[(head_ + queued_ - back) % capacity];
      if (event.dwOfs >= DIMOFS_BUTTON0) break;
      if (event.dwOfs == offset) {
        event.dwData = static_cast<DWORD>(static_cast<LONG>(event.dwData) + delta);
        return;
      }
    }
    Queue(offset, static_cast<DWORD>(delta));
  }

  void Handle(const SDL_Event& event) {
    if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
      // The pump records the focus change after its observers have run.
      if (foreground_ && acquired_ && platform::WindowOfSdl(SDL_GetWindowFromID(event.window.windowID)) == window_) {
        acquired_ = false;
        lost_ = true;
      }
      return;
    }
    switch (kind_) {
      case Kind::Keyboard: HandleKeyboard(event); break;
      case Kind::Mouse: HandleMouse(event); break;
      case Kind::Joystick: HandleJoystick(event); break;
    }
  }

  void HandleKeyboard(const SDL_Event& event) {
    if (event.type != SDL_KEYDOWN && event.type != SDL_KEYUP) return;
    if (event.key.repeat != 0) return;  // DirectInput reports no auto-repeat
    const int dik = DikFromScancode(event.key.keysym.scancode);
    if (dik == 0) return;
    const BYTE value = event.type == SDL_KEYDOWN ? 0x80 : 0;
    keys_[dik] = value;
    if (Accepting()) Queue(static_cast<DWORD>(dik), value);
  }

  static int MouseButtonIndex(Uint8 button) {
    switch (button) {
      case SDL_BUTTON_LEFT: return 0;
      case SDL_BUTTON_RIGHT: return 1;
      case SDL_BUTTON_MIDDLE: return 2;
      default: return button >= SDL_BUTTON_X1 && button < SDL_BUTTON_X1 + 5 ? 3 + (button - SDL_BUTTON_X1) : -1;
    }
  }

  void HandleMouse(const SDL_Event& event) {
    switch (event.type) {
      case SDL_MOUSEMOTION:
        if (!Accepting()) return;
        mouse_.lX += event.motion.xrel;
        mouse_.lY += event.motion.yrel;
        QueueMovement(DIMOFS_X, event.motion.xrel);
        QueueMovement(DIMOFS_Y, event.motion.yrel);
        break;
      case SDL_MOUSEWHEEL: {
        if (!Accepting()) return;
        float notches = event.wheel.preciseY != 0.0f ? event.wheel.preciseY : static_cast<float>(event.wheel.y);
        if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
        const LONG delta = static_cast<LONG>(std::lround(notches * WHEEL_DELTA));
        mouse_.lZ += delta;
        QueueMovement(DIMOFS_Z, delta);
        break;
      }
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP: {
        const int index = MouseButtonIndex(event.button.button);
        if (index < 0) return;
        const BYTE value = event.type == SDL_MOUSEBUTTONDOWN ? 0x80 : 0;
        mouse_.rgbButtons[index] = value;
        if (Accepting()) Queue(DIMOFS_BUTTON0 + static_cast<DWORD>(index), value);
        break;
      }
      default:
        break;
    }
  }

  // Controller buttons in DirectInput's order for such pads: A, B, X, Y,
  // shoulders, back, start, stick clicks, then the rest; the pad is the hat.
  static int JoystickButtonIndex(int button) {
    switch (button) {
      case SDL_CONTROLLER_BUTTON_A: return 0;
      case SDL_CONTROLLER_BUTTON_B: return 1;
      case SDL_CONTROLLER_BUTTON_X: return 2;
      case SDL_CONTROLLER_BUTTON_Y: return 3;
      case SDL_CONTROLLER_BUTTON_LEFTSHOULDER: return 4;
      case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER: return 5;
      case SDL_CONTROLLER_BUTTON_BACK: return 6;
      case SDL_CONTROLLER_BUTTON_START: return 7;
      case SDL_CONTROLLER_BUTTON_LEFTSTICK: return 8;
      case SDL_CONTROLLER_BUTTON_RIGHTSTICK: return 9;
      case SDL_CONTROLLER_BUTTON_GUIDE: return 10;
      case SDL_CONTROLLER_BUTTON_DPAD_UP:
      case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
      case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
      case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: return -1;
      default: return button >= SDL_CONTROLLER_BUTTON_MISC1 && button < SDL_CONTROLLER_BUTTON_MAX
                          ? 11 + (button - SDL_CONTROLLER_BUTTON_MISC1)
                          : -1;
    }
  }

  static LONG ScaleAxis(Sint16 value) {
    return std::clamp(static_cast<LONG>(std::lround(value * (static_cast<double>(kAxisRange) / 32767.0))), -kAxisRange,
                      kAxisRange);
  }

  // Left stick X/Y, right stick Rx/Ry, left trigger Z, right trigger Rz.
  void SetAxis(int axis, Sint16 value) {
    const LONG scaled = ScaleAxis(value);
    switch (axis) {
      case SDL_CONTROLLER_AXIS_LEFTX: joystick_.lX = scaled; break;
      case SDL_CONTROLLER_AXIS_LEFTY: joystick_.lY = scaled; break;
      case SDL_CONTROLLER_AXIS_RIGHTX: joystick_.lRx = scaled; break;
      case SDL_CONTROLLER_AXIS_RIGHTY: joystick_.lRy = scaled; break;
      case SDL_CONTROLLER_AXIS_TRIGGERLEFT: joystick_.lZ = scaled; break;
      case SDL_CONTROLLER_AXIS_TRIGGERRIGHT: joystick_.lRz = scaled; break;
      default: break;
    }
  }

  DWORD PovFromPad() const {
    const int dx = (pad_[3] ? 1 : 0) - (pad_[2] ? 1 : 0);
    const int dy = (pad_[1] ? 1 : 0) - (pad_[0] ? 1 : 0);
    if (dx == 0 && dy == 0) return kPovCentred;
    static const DWORD kAngles[3][3] = {{31500, 0, 4500}, {27000, kPovCentred, 9000}, {22500, 18000, 13500}};
    return kAngles[dy + 1][dx + 1];
  }

  void SetButton(int button, bool down) {
    if (button >= SDL_CONTROLLER_BUTTON_DPAD_UP && button <= SDL_CONTROLLER_BUTTON_DPAD_RIGHT) {
      pad_[button - SDL_CONTROLLER_BUTTON_DPAD_UP] = down;
      const DWORD pov = PovFromPad();
      if (pov == joystick_.rgdwPOV[0]) return;
      joystick_.rgdwPOV[0] = pov;
      if (Accepting()) Queue(DIJOFS_POV0, pov);
      return;
    }
    const int index = JoystickButtonIndex(button);
    if (index < 0) return;
    const BYTE value = down ? 0x80 : 0;
    joystick_.rgbButtons[index] = value;
    if (Accepting()) Queue(DIJOFS_BUTTON0 + static_cast<DWORD>(index), value);
  }

  void ReadControllerState() {
    for (int axis = 0; axis < SDL_CONTROLLER_AXIS_MAX; ++axis) {
      SetAxis(axis, SDL_GameControllerGetAxis(controller_, static_cast<SDL_GameControllerAxis>(axis)));
    }
    for (int button = 0; button < SDL_CONTROLLER_BUTTON_MAX; ++button) {
      SetButton(button, SDL_GameControllerGetButton(controller_, static_cast<SDL_GameControllerButton>(button)) != 0);
    }
  }

  void HandleJoystick(const SDL_Event& event) {
    switch (event.type) {
      case SDL_CONTROLLERAXISMOTION:
        // Axes are read as state; they are not queued, so stick noise
        // never crowds button events out of the buffer.
        if (event.caxis.which == instance_) SetAxis(event.caxis.axis, event.caxis.value);
        break;
      case SDL_CONTROLLERBUTTONDOWN:
      case SDL_CONTROLLERBUTTONUP:
        if (event.cbutton.which == instance_) SetButton(event.cbutton.button, event.type == SDL_CONTROLLERBUTTONDOWN);
        break;
      case SDL_JOYDEVICEREMOVED:
        if (event.jdevice.which == instance_) {
          unplugged_ = true;
          acquired_ = false;
          lost_ = true;
        }
        break;
      default:
        break;
    }
  }

  const Kind kind_;
  HWND window_ = nullptr;
  bool foreground_ = false;
  bool formatSet_ = false;
  bool acquired_ = false;
  bool lost_ = false;
  bool unplugged_ = false;

  DWORD bufferSize_ = 0;
  std::vector<DIDEVICEOBJECTDATA> queue_;  // ring of bufferSize_ * kQueueReads events
  std::size_t head_ = 0;
  DWORD queued_ = 0;
  bool overflow_ = false;
  DWORD sequence_ = 0;

  BYTE keys_[256] = {};
  DIMOUSESTATE2 mouse_{};
  DIJOYSTATE joystick_;
  bool pad_[4] = {};  // up, down, left, right
  SDL_GameController* controller_ = nullptr;
  SDL_JoystickID instance_ = -1;
};

namespace {

// The one controller list, shared by every DirectInput object.
struct Controllers {
  ControllerList list;
  int users = 0;
  static void Observe(const SDL_Event& event, void* context) { static_cast<Controllers*>(context)->list.Handle(event); }
};
Controllers g_controllers;

}  // namespace
}  // namespace dinput8

IDirectInputDevice8::IDirectInputDevice8(dinput8::Device* device) : device_(device) {}
IDirectInputDevice8::~IDirectInputDevice8() { delete device_; }

ULONG IDirectInputDevice8::AddRef() { return ++references_; }
ULONG IDirectInputDevice8::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

HRESULT IDirectInputDevice8::SetCooperativeLevel(HWND window, DWORD flags) {
  return device_->SetCooperativeLevel(window, flags);
}
HRESULT IDirectInputDevice8::SetDataFormat(const DIDATAFORMAT* format) { return device_->SetDataFormat(format); }

HRESULT IDirectInputDevice8::SetProperty(REFDIPROPID property, const DIPROPHEADER* header) {
  if (property != DIPROP_BUFFERSIZE) return DIERR_UNSUPPORTED;
  return device_->SetBufferSize(header);
}

HRESULT IDirectInputDevice8::GetProperty(REFDIPROPID property, DIPROPHEADER* header) {
  if (property != DIPROP_BUFFERSIZE) return DIERR_UNSUPPORTED;
  return device_->GetBufferSize(header);
}

HRESULT IDirectInputDevice8::Acquire() { return device_->Acquire(); }
HRESULT IDirectInputDevice8::Unacquire() { return device_->Unacquire(); }
HRESULT IDirectInputDevice8::Poll() { return device_->Poll(); }
HRESULT IDirectInputDevice8::GetDeviceState(DWORD size, LPVOID data) { return device_->GetDeviceState(size, data); }
HRESULT IDirectInputDevice8::GetDeviceData(DWORD objectDataSize, DIDEVICEOBJECTDATA* data, DWORD* count, DWORD flags) {
  return device_->GetDeviceData(objectDataSize, data, count, flags);
}

IDirectInput8::IDirectInput8() {
  dinput8::Controllers& controllers = dinput8::g_controllers;
  if (controllers.users++ == 0) {
    controllers.list.Refresh();
    platform::AddSdlEventObserver(&dinput8::Controllers::Observe, &controllers);
  }
}

IDirectInput8::~IDirectInput8() {
  dinput8::Controllers& controllers = dinput8::g_controllers;
  if (--controllers.users == 0) platform::RemoveSdlEventObserver(&dinput8::Controllers::Observe, &controllers);
}

ULONG IDirectInput8::AddRef() { return ++references_; }
ULONG IDirectInput8::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

HRESULT IDirectInput8::CreateDevice(REFGUID guid, IDirectInputDevice8** out, void* outer) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (outer != nullptr) return DIERR_NOINTERFACE;
  dinput8::Device* device = nullptr;
  if (guid == GUID_SysKeyboard) {
    device = new dinput8::Device(dinput8::Kind::Keyboard);
  } else if (guid == GUID_SysMouse) {
    device = new dinput8::Device(dinput8::Kind::Mouse);
  } else if (guid == GUID_Joystick) {
    device = new dinput8::Device(dinput8::Kind::Joystick);
    if (!device->OpenFirstController()) {
      delete device;
      return DIERR_DEVICENOTREG;
    }
  } else {
    return DIERR_DEVICENOTREG;
  }
  *out = new IDirectInputDevice8(device);
  return DI_OK;
}

HRESULT IDirectInput8::GetDeviceStatus(REFGUID guid) {
  if (guid == GUID_SysKeyboard || guid == GUID_SysMouse) return DI_OK;
  if (guid == GUID_Joystick) return dinput8::g_controllers.list.Any() ? DI_OK : DI_NOTATTACHED;
  return DIERR_DEVICENOTREG;
}

HRESULT DirectInput8Create(HINSTANCE, DWORD version, REFIID riid, LPVOID* out, void* outer) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (version < DIRECTINPUT_VERSION) return DIERR_OLDDIRECTINPUTVERSION;
  if (version > DIRECTINPUT_VERSION) return DIERR_BETADIRECTINPUTVERSION;
  if (riid != IID_IDirectInput8A || outer != nullptr) return DIERR_NOINTERFACE;
  // Keyboard and mouse events come with video; controllers are optional.
  if (!platform::EnsureSdlVideo()) return DIERR_NOTINITIALIZED;
  // The devices apply the foreground rule themselves, from the window
  // layer's focus; SDL's own filter would also drop controller events in
  // windows that SDL never sees focused (headless runs).
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  if (SDL_WasInit(SDL_INIT_GAMECONTROLLER) == 0 && SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
    std::fprintf(stderr, "grapple: no game controller support: %s\n", SDL_GetError());
  }
  *out = new IDirectInput8();
  return DI_OK;
}
