#include "platform/host/VirtualGamepad.h"

#include <SDL.h>

#include <algorithm>

#include "platform/win32/SdlBridge.h"

namespace host {

VirtualGamepad::~VirtualGamepad() { Detach(); }

bool VirtualGamepad::Attach() {
  if (joystick_ != nullptr) return true;
  if (!platform::EnsureSdlVideo()) return false;
  if (SDL_WasInit(SDL_INIT_GAMECONTROLLER) == 0 && SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) return false;
  SDL_VirtualJoystickDesc description;
  SDL_zero(description);
  description.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
  description.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
  description.naxes = SDL_CONTROLLER_AXIS_MAX;
  description.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
  // A controller type makes SDL map button i to game controller button i.
  description.axis_mask = (1u << SDL_CONTROLLER_AXIS_MAX) - 1;
  description.button_mask = (1u << SDL_CONTROLLER_BUTTON_MAX) - 1;
  description.name = "grapple virtual pad";
  deviceIndex_ = SDL_JoystickAttachVirtualEx(&description);
  if (deviceIndex_ < 0) return false;
  joystick_ = SDL_JoystickOpen(deviceIndex_);
  if (joystick_ == nullptr) {
    SDL_JoystickDetachVirtual(deviceIndex_);
    deviceIndex_ = -1;
    return false;
  }
  return true;
}

void VirtualGamepad::Detach() {
  if (joystick_ == nullptr) return;
  const SDL_JoystickID id = SDL_JoystickInstanceID(joystick_);
  SDL_JoystickClose(joystick_);
  joystick_ = nullptr;
  // The device index may have moved since it was plugged in.
  for (int i = 0; i < SDL_NumJoysticks(); ++i) {
    if (SDL_JoystickGetDeviceInstanceID(i) == id) {
      SDL_JoystickDetachVirtual(i);
      break;
    }
  }
  deviceIndex_ = -1;
}

void VirtualGamepad::SetAxis(int axis, int value) {
  if (joystick_ != nullptr) SDL_JoystickSetVirtualAxis(joystick_, axis, static_cast<Sint16>(value));
}

void VirtualGamepad::SetControllerAxis(int axis, int value) {
  if (axis != SDL_CONTROLLER_AXIS_TRIGGERLEFT && axis != SDL_CONTROLLER_AXIS_TRIGGERRIGHT) {
    SetAxis(axis, value);
    return;
  }
  // The controller maps a trigger's -32768..32767 onto 0..32767 as
  // (v + 32768) * 32767 / 65535, rounded down; the smallest v that maps onto
  // the value is its exact inverse.
  const long clamped = value < 0 ? 0 : value > 32767 ? 32767 : value;
  const long shifted = (clamped * 65535 + 32766) / 32767;
  SetAxis(axis, static_cast<int>(std::min(shifted - 32768, 32767L)));
}

void VirtualGamepad::SetButton(int button, bool down) {
  if (joystick_ != nullptr) SDL_JoystickSetVirtualButton(joystick_, button, down ? 1 : 0);
}

}  // namespace host
