#include "platform/host/Replay.h"

#include "platform/win32/CrtRandom.h"

namespace host {

bool Replay::Load(const char* path, const std::string& version, std::string* error) {
  if (!LoadInputScript(path, &script_, error)) return false;
  if (!CheckRecording(script_, version, error)) {
    *error = std::string(path) + ": " + *error;
    return false;
  }
  ScheduleInputScript(script_.events, &input_);
  return true;
}

void Replay::Start(HWND window) {
  input_.SetExclusive(true);
  ScriptedInput::StartFocus(window, script_.header.focused);
  crt::srand(script_.header.seed);
  frames_ = 0;
  input_.Deliver(0);
}

bool Replay::EndFrame() {
  ++frames_;
  if (frames_ >= script_.header.endFrame) return true;
  input_.Deliver(frames_);
  return false;
}

}  // namespace host
