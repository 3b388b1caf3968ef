#include "platform/host/InputRecorder.h"

#include <SDL.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "platform/win32/CrtRandom.h"
#include "platform/win32/KeyMap.h"
#include "platform/win32/SdlBridge.h"
#include "platform/win32/WinUser.h"

namespace host {
namespace {

int ButtonVirtualKey(Uint8 button) {
  switch (button) {
    case SDL_BUTTON_LEFT: return VK_LBUTTON;
    case SDL_BUTTON_RIGHT: return VK_RBUTTON;
    case SDL_BUTTON_MIDDLE: return VK_MBUTTON;
    case SDL_BUTTON_X1: return VK_XBUTTON1;
    case SDL_BUTTON_X2: return VK_XBUTTON2;
    default: return 0;
  }
}

// The wheel's movement as the window layer and DirectInput both take it.
int WheelDelta(const SDL_MouseWheelEvent& wheel) {
  float notches = wheel.preciseY != 0.0f ? wheel.preciseY : static_cast<float>(wheel.y);
  if (wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
  const long delta = std::lround(std::clamp(notches * WHEEL_DELTA, -32768.0f, 32767.0f));
  return static_cast<int>(std::clamp(delta, -100L * WHEEL_DELTA, 100L * WHEEL_DELTA));
}

}  // namespace

InputRecorder::~InputRecorder() {
  StopObserving();
  for (Pad& pad : pads_) {
    if (pad.controller != nullptr) SDL_GameControllerClose(pad.controller);
    pad = Pad{};
  }
  if (file_ != nullptr) std::fclose(file_);
}

bool InputRecorder::Open(const char* path, const Session& session, std::string* error) {
  file_ = std::fopen(path, "w");
  if (file_ == nullptr) {
    *error = std::string("cannot create ") + path + ": " + std::strerror(errno);
    return false;
  }
  path_ = path;
  session_ = session;
  pending_.reserve(256);
  return true;
}

void InputRecorder::Start(HWND window) {
  if (file_ == nullptr || observing_) return;
  crt::srand(session_.seed);
  std::fprintf(file_,
               "# A recorded session: replay it with `grapple --replay FILE` (in a window)\n"
               "# or `capture --replay FILE` (headless).\n"
               "version %s\nseed %u\nmode %s\nsize %dx%d\nfocus %s\n",
               session_.version.c_str(), session_.seed, session_.mode.c_str(), session_.width, session_.height,
               window != nullptr && GetForegroundWindow() == window ? "yes" : "no");
  platform::AddSdlEventObserver(&InputRecorder::Observe, this);
  observing_ = true;
}

void InputRecorder::StopObserving() {
  if (!observing_) return;
  platform::RemoveSdlEventObserver(&InputRecorder::Observe, this);
  observing_ = false;
}

void InputRecorder::Observe(const SDL_Event& event, void* self) { static_cast<InputRecorder*>(self)->Handle(event); }

void InputRecorder::Add(ScriptEvent::Kind kind, int a, int b, int c) {
  ScriptEvent event;
  event.kind = kind;
  event.a = a;
  event.b = b;
  event.c = c;
  pending_.push_back(event);
}

// Consecutive movements keep only the last position: the game reads the
// cursor once per frame.
void InputRecorder::MoveTo(int x, int y) {
  mouseX_ = x;
  mouseY_ = y;
  if (!pending_.empty() && pending_.back().kind == ScriptEvent::Kind::MouseMove) {
    pending_.back().a = x;
    pending_.back().b = y;
    return;
  }
  Add(ScriptEvent::Kind::MouseMove, x, y);
}

int InputRecorder::PadNumber(int instance) const {
  for (int i = 0; i < kMaxScriptPads; ++i) {
    if (pads_[i].instance == instance && pads_[i].controller != nullptr) return i + 1;
  }
  return 0;
}

// A pad plugged in gets the lowest free number, and the script holds its
// state: a replay's virtual pad then starts where the real one was.
void InputRecorder::PlugPad(int deviceIndex) {
  if (!SDL_IsGameController(deviceIndex)) return;
  Pad* slot = std::find_if(pads_, pads_ + kMaxScriptPads, [](const Pad& p) { return p.controller == nullptr; });
  if (slot == pads_ + kMaxScriptPads) return;
  SDL_GameController* controller = SDL_GameControllerOpen(deviceIndex);
  if (controller == nullptr) return;
  const int instance = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller));
  if (PadNumber(instance) != 0) {  // already known
    SDL_GameControllerClose(controller);
    return;
  }
  *slot = Pad{instance, controller};
  const int number = static_cast<int>(slot - pads_) + 1;
  Add(ScriptEvent::Kind::PadPlug, number);
  for (int axis = 0; axis < SDL_CONTROLLER_AXIS_MAX; ++axis) {
    const int value = SDL_GameControllerGetAxis(controller, static_cast<SDL_GameControllerAxis>(axis));
    if (value != 0) Add(ScriptEvent::Kind::PadAxis, number, axis, value);
  }
  for (int button = 0; button < SDL_CONTROLLER_BUTTON_MAX; ++button) {
    if (SDL_GameControllerGetButton(controller, static_cast<SDL_GameControllerButton>(button)) != 0) {
      Add(ScriptEvent::Kind::PadDown, number, button);
    }
  }
}

void InputRecorder::UnplugPad(int instance) {
  const int number = PadNumber(instance);
  if (number == 0) return;
  Pad& pad = pads_[number - 1];
  SDL_GameControllerClose(pad.controller);
  pad = Pad{};
  Add(ScriptEvent::Kind::PadUnplug, number);
}

void InputRecorder::Handle(const SDL_Event& event) {
  switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      const int scancode = event.key.keysym.scancode;
      // Auto-repeat changes nothing the game reads.
      if (event.key.repeat != 0 || scancode <= 0 || scancode >= SDL_NUM_SCANCODES) return;
      Add(event.type == SDL_KEYDOWN ? ScriptEvent::Kind::KeyDown : ScriptEvent::Kind::KeyUp,
          platform::VirtualKeyFromScancode(scancode), scancode);
      return;
    }
    case SDL_MOUSEMOTION: MoveTo(event.motion.x, event.motion.y); return;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      const int vk = ButtonVirtualKey(event.button.button);
      if (vk == 0) return;
      // A button carries its own position; the script's comes from moves.
      if (event.button.x != mouseX_ || event.button.y != mouseY_) MoveTo(event.button.x, event.button.y);
      Add(event.type == SDL_MOUSEBUTTONDOWN ? ScriptEvent::Kind::ButtonDown : ScriptEvent::Kind::ButtonUp, vk);
      return;
    }
    case SDL_MOUSEWHEEL:
      if (const int delta = WheelDelta(event.wheel); delta != 0) Add(ScriptEvent::Kind::Wheel, delta);
      return;
    case SDL_WINDOWEVENT:
      if (event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) Add(ScriptEvent::Kind::FocusGained);
      if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) Add(ScriptEvent::Kind::FocusLost);
      if (event.window.event == SDL_WINDOWEVENT_CLOSE) Add(ScriptEvent::Kind::Close);
      return;
    case SDL_QUIT: Add(ScriptEvent::Kind::Close); return;
    case SDL_JOYDEVICEADDED: PlugPad(event.jdevice.which); return;
    case SDL_JOYDEVICEREMOVED: UnplugPad(event.jdevice.which); return;
    case SDL_CONTROLLERAXISMOTION: {
      const int number = PadNumber(event.caxis.which);
      if (number == 0) return;
      // An axis is state: its last value in a frame is all the game sees.
      for (auto it = pending_.rbegin(); it != pending_.rend(); ++it) {
        if (it->a != number) continue;
        if (it->kind == ScriptEvent::Kind::PadPlug || it->kind == ScriptEvent::Kind::PadUnplug) break;
        if (it->kind == ScriptEvent::Kind::PadAxis && it->b == event.caxis.axis) {
          it->c = event.caxis.value;
          return;
        }
      }
      Add(ScriptEvent::Kind::PadAxis, number, event.caxis.axis, event.caxis.value);
      return;
    }
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
      if (const int number = PadNumber(event.cbutton.which); number != 0) {
        Add(event.type == SDL_CONTROLLERBUTTONDOWN ? ScriptEvent::Kind::PadDown : ScriptEvent::Kind::PadUp, number,
            event.cbutton.button);
      }
      return;
    default:
      return;
  }
}

void InputRecorder::Write(const std::string& line) {
  if (file_ != nullptr && std::fputs(line.c_str(), file_) < 0) failed_ = true;
}

void InputRecorder::EndFrame() {
  if (file_ == nullptr || !observing_) return;
  ++frames_;
  char line[128];
  for (ScriptEvent& event : pending_) {
    event.frame = frames_;
    const std::size_t length = FormatScriptEvent(event, line, sizeof(line) - 1);
    line[length] = '\n';
    if (std::fwrite(line, 1, length + 1, file_) != length + 1) failed_ = true;
  }
  pending_.clear();
}

bool InputRecorder::Finish(std::string* error) {
  if (file_ == nullptr) return true;
  StopObserving();
  // What came after the last frame never reached the game.
  pending_.clear();
  if (frames_ > 0) {
    if (std::fprintf(file_, "%d end\n", frames_) < 0) failed_ = true;
  } else {
    Write("# the game ran no frame\n");
  }
  if (std::ferror(file_) != 0) failed_ = true;
  if (std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
  if (failed_) {
    *error = "cannot write " + path_;
    return false;
  }
  if (frames_ == 0) {
    *error = path_ + ": the game ran no frame, so there is nothing to replay";
    return false;
  }
  return true;
}

}  // namespace host
