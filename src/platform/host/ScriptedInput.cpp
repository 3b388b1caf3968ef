#include "platform/host/ScriptedInput.h"

#include <SDL.h>

#include <algorithm>

#include "platform/win32/InputState.h"
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
    case VK_XBUTTON1: return SDL_BUTTON_X1;
    case VK_XBUTTON2: return SDL_BUTTON_X2;
    default: return SDL_BUTTON_LEFT;
  }
}

// What the real devices and the window system send that a script or a
// recording supplies instead.
bool IsScriptedKind(const SDL_Event& event) {
  switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
    case SDL_TEXTEDITING:
    case SDL_TEXTINPUT:
    case SDL_MOUSEMOTION:
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
    case SDL_MOUSEWHEEL:
      return true;
    case SDL_WINDOWEVENT:
      return event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED || event.window.event == SDL_WINDOWEVENT_FOCUS_LOST ||
             event.window.event == SDL_WINDOWEVENT_TAKE_FOCUS;
    default:
      return false;
  }
}

}  // namespace

ScriptedInput::ScriptedInput() = default;

ScriptedInput::~ScriptedInput() { SetExclusive(false); }

void ScriptedInput::KeyDown(int frame, int virtualKey) { Key(frame, platform::ScancodeFromVirtualKey(virtualKey), true); }
void ScriptedInput::KeyUp(int frame, int virtualKey) { Key(frame, platform::ScancodeFromVirtualKey(virtualKey), false); }
void ScriptedInput::Key(int frame, int scancode, bool down) { Add(frame, down ? Kind::KeyDown : Kind::KeyUp, scancode); }
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
void ScriptedInput::PadPlug(int frame, int pad) { Add(frame, Kind::PadPlug, pad); }
void ScriptedInput::PadUnplug(int frame, int pad) { Add(frame, Kind::PadUnplug, pad); }
void ScriptedInput::PadAxis(int frame, int pad, int axis, int value) { Add(frame, Kind::PadAxis, pad, axis, value); }
void ScriptedInput::PadButton(int frame, int pad, int button, bool down) {
  Add(frame, Kind::PadButton, pad, button, down ? 1 : 0);
}

int ScriptedInput::LastFrame() const {
  int last = -1;
  for (const Event& e : events_) last = std::max(last, e.frame);
  return last;
}

int ScriptedInput::Filter(void* self, SDL_Event* event) {
  const ScriptedInput& input = *static_cast<const ScriptedInput*>(self);
  return input.delivering_ || !IsScriptedKind(*event) ? 1 : 0;
}

void ScriptedInput::SetExclusive(bool exclusive) {
  if (exclusive == exclusive_) return;
  if (exclusive && !platform::EnsureSdlVideo()) return;
  exclusive_ = exclusive;
  // Setting the filter empties SDL's queue; nothing scripted is in it yet.
  SDL_SetEventFilter(exclusive ? &ScriptedInput::Filter : nullptr, exclusive ? this : nullptr);
  // Only the virtual pads stay game controllers: no real device carries
  // this vendor and product.
  SDL_SetHint(SDL_HINT_GAMECONTROLLER_IGNORE_DEVICES_EXCEPT, exclusive ? "0x0000/0x0000" : "");
}

void ScriptedInput::StartFocus(HWND window, bool focused) { platform::RecordFocus(focused ? window : nullptr); }

bool ScriptedInput::MakeEvent(const Event& e, unsigned windowId, SDL_Event* event) {
  int& x = mouseX_;
  int& y = mouseY_;
  switch (e.kind) {
    case Kind::KeyDown:
    case Kind::KeyUp: {
      if (e.a <= 0 || e.a >= SDL_NUM_SCANCODES) return false;
      const bool down = e.kind == Kind::KeyDown;
      event->type = down ? SDL_KEYDOWN : SDL_KEYUP;
      event->key.windowID = windowId;
      event->key.state = down ? SDL_PRESSED : SDL_RELEASED;
      event->key.keysym.scancode = static_cast<SDL_Scancode>(e.a);
      event->key.keysym.sym = SDL_GetKeyFromScancode(event->key.keysym.scancode);
      return true;
    }
    case Kind::ButtonDown:
    case Kind::ButtonUp: {
      const bool down = e.kind == Kind::ButtonDown;
      event->type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
      event->button.windowID = windowId;
      event->button.button = SdlButton(e.a);
      event->button.state = down ? SDL_PRESSED : SDL_RELEASED;
      event->button.clicks = static_cast<Uint8>(std::max(e.b, 1));
      event->button.x = x;
      event->button.y = y;
      return true;
    }
    case Kind::Motion:
      event->type = SDL_MOUSEMOTION;
      event->motion.windowID = windowId;
      event->motion.xrel = e.a - x;
      event->motion.yrel = e.b - y;
      event->motion.x = x = e.a;
      event->motion.y = y = e.b;
      return true;
    case Kind::Wheel:
      event->type = SDL_MOUSEWHEEL;
      event->wheel.windowID = windowId;
      event->wheel.direction = SDL_MOUSEWHEEL_NORMAL;
      event->wheel.preciseY = static_cast<float>(e.a) / WHEEL_DELTA;
      event->wheel.y = e.a / WHEEL_DELTA;
      return true;
    case Kind::FocusLost:
    case Kind::FocusGained:
    case Kind::Close:
      event->type = SDL_WINDOWEVENT;
      event->window.windowID = windowId;
      event->window.event = e.kind == Kind::FocusLost    ? SDL_WINDOWEVENT_FOCUS_LOST
                            : e.kind == Kind::FocusGained ? SDL_WINDOWEVENT_FOCUS_GAINED
                                                          : SDL_WINDOWEVENT_CLOSE;
      return true;
    default:
      return false;
  }
}

void ScriptedInput::DeliverPad(const Event& e) {
  if (e.a < 1 || e.a > 64) return;
  const std::size_t slot = static_cast<std::size_t>(e.a - 1);
  if (pads_.size() <= slot) pads_.resize(slot + 1);
  std::unique_ptr<VirtualGamepad>& pad = pads_[slot];
  switch (e.kind) {
    case Kind::PadPlug:
      pad = std::make_unique<VirtualGamepad>();
      if (pad->Attach()) {
        for (int axis = 0; axis < SDL_CONTROLLER_AXIS_MAX; ++axis) pad->SetControllerAxis(axis, 0);
      }
      break;
    case Kind::PadUnplug: pad.reset(); break;
    case Kind::PadAxis:
      if (pad) pad->SetControllerAxis(e.b, e.c);
      break;
    case Kind::PadButton:
      if (pad) pad->SetButton(e.b, e.c != 0);
      break;
    default:
      break;
  }
  // Each change becomes its own event now, so a press and release within
  // one frame are both seen, as from a real pad.
  SDL_JoystickUpdate();
}

void ScriptedInput::Deliver(int frame) {
  if (!platform::EnsureSdlVideo()) return;
  const Uint32 windowId = TargetWindowId();
  // A long recording is searched, not scanned, every frame.
  const auto byFrame = [](const Event& x, const Event& y) { return x.frame < y.frame; };
  if (!sorted_) {
    std::stable_sort(events_.begin(), events_.end(), byFrame);
    sorted_ = true;
  }
  const auto range = std::equal_range(events_.begin(), events_.end(), Event{frame, Kind::Close, 0, 0, 0}, byFrame);
  delivering_ = true;
  for (auto it = range.first; it != range.second; ++it) {
    const Event& e = *it;
    if (e.kind >= Kind::PadPlug) {
      DeliverPad(e);
      continue;
    }
    SDL_Event event{};
    if (MakeEvent(e, windowId, &event)) SDL_PushEvent(&event);
  }
  delivering_ = false;
}

}  // namespace host
