#include "platform/host/ScriptedInput.h"

#include <SDL.h>

#include <algorithm>

#include "platform/win32/KeyMap.h"
#include "platform/win32/SdlBridge.h"
#include "platform/win32/WinUser.h"

namespace host {
namespace {

Uint32 TargetWindowId() {
  SDL_Window* window = platform::SdlWindowOf(platform::FirstTopLevelWindow());
  return window != nullptr ? SDL_GetWindowID(window) : 0;
}

Uint8 SdlButton(int virtualKey) {
  switch (virtualKey) {
    case VK_RBUTTON: return SDL_BUTTON_RIGHT;
    case VK_MBUTTON: return SDL_BUTTON_MIDDLE;
    default: return SDL_BUTTON_LEFT;
  }
}

}  // namespace

void ScriptedInput::KeyDown(int frame, int virtualKey) { Add(frame, Kind::KeyDown, virtualKey); }
void ScriptedInput::KeyUp(int frame, int virtualKey) { Add(frame, Kind::KeyUp, virtualKey); }
void ScriptedInput::KeyTap(int frame, int virtualKey) {
  KeyDown(frame, virtualKey);
  KeyUp(frame + 1, virtualKey);
}
void ScriptedInput::ButtonDown(int frame, int virtualKey) { Add(frame, Kind::ButtonDown, virtualKey); }
void ScriptedInput::ButtonUp(int frame, int virtualKey) { Add(frame, Kind::ButtonUp, virtualKey); }
void ScriptedInput::DoubleClick(int frame, int virtualKey) {
  ButtonDown(frame, virtualKey);
  ButtonUp(frame, virtualKey);
  Add(frame, Kind::ButtonDown, virtualKey, 2);
  ButtonUp(frame, virtualKey);
}
void ScriptedInput::MouseMove(int frame, int clientX, int clientY) { Add(frame, Kind::Motion, clientX, clientY); }
void ScriptedInput::Wheel(int frame, int delta) { Add(frame, Kind::Wheel, delta); }
void ScriptedInput::FocusLost(int frame) { Add(frame, Kind::FocusLost); }
void ScriptedInput::FocusGained(int frame) { Add(frame, Kind::FocusGained); }
void ScriptedInput::CloseWindow(int frame) { Add(frame, Kind::Close); }

int ScriptedInput::LastFrame() const {
  int last = -1;
  for (const Event& e : events_) last = std::max(last, e.frame);
  return last;
}

void ScriptedInput::Deliver(int frame) {
  if (!platform::EnsureSdlVideo()) return;
  const Uint32 windowId = TargetWindowId();
  int& x = mouseX_;
  int& y = mouseY_;
  for (const Event& e : events_) {
    if (e.frame != frame) continue;
    SDL_Event event{};
    switch (e.kind) {
      case Kind::KeyDown:
      case Kind::KeyUp: {
        const int scancode = platform::ScancodeFromVirtualKey(e.a);
        if (scancode < 0) continue;
        const bool down = e.kind == Kind::KeyDown;
        event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        event.key.windowID = windowId;
        event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        event.key.keysym.scancode = static_cast<SDL_Scancode>(scancode);
        event.key.keysym.sym = SDL_GetKeyFromScancode(event.key.keysym.scancode);
        break;
      }
      case Kind::ButtonDown:
      case Kind::ButtonUp: {
        const bool down = e.kind == Kind::ButtonDown;
        event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        event.button.windowID = windowId;
        event.button.button = SdlButton(e.a);
        event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
        event.button.clicks = static_cast<Uint8>(std::max(e.b, 1));
        event.button.x = x;
        event.button.y = y;
        break;
      }
      case Kind::Motion:
        event.type = SDL_MOUSEMOTION;
        event.motion.windowID = windowId;
        event.motion.xrel = e.a - x;
        event.motion.yrel = e.b - y;
        event.motion.x = x = e.a;
        event.motion.y = y = e.b;
        break;
      case Kind::Wheel:
        event.type = SDL_MOUSEWHEEL;
        event.wheel.windowID = windowId;
        event.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
        event.wheel.preciseY = static_cast<float>(e.a) / WHEEL_DELTA;
        event.wheel.y = e.a / WHEEL_DELTA;
        break;
      case Kind::FocusLost:
      case Kind::FocusGained:
      case Kind::Close:
        event.type = SDL_WINDOWEVENT;
        event.window.windowID = windowId;
        event.window.event = e.kind == Kind::FocusLost    ? SDL_WINDOWEVENT_FOCUS_LOST
                             : e.kind == Kind::FocusGained ? SDL_WINDOWEVENT_FOCUS_GAINED
                                                           : SDL_WINDOWEVENT_CLOSE;
        break;
    }
    SDL_PushEvent(&event);
  }
}

}  // namespace host
