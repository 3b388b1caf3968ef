#pragma once
// Plays a recorded session (see InputRecorder) back into the program: the
// recording's seed, window focus and input, frame by frame, and nothing
// from the real keyboard, mouse, pads or window focus. The program then
// evolves as it did when it was recorded.

#include <string>

#include "platform/host/InputScript.h"
#include "platform/host/ScriptedInput.h"
#include "platform/win32/WinTypes.h"

namespace host {

class Replay {
 public:
  // Reads and checks the recording: a whole one (header and end line),
  // made by `version`. False with "PATH: line N: ..." otherwise.
  bool Load(const char* path, const std::string& version, std::string* error);
  const ScriptHeader& GetHeader() const { return script_.header; }

  // When the window exists and before its first frame (from Init): shuts
  // out the real input, seeds the random numbers, gives the window the
  // recorded focus and delivers the first frame's events.
  void Start(HWND window);
  // After each frame; true once the session's last frame has run.
  bool EndFrame();

 private:
  InputScript script_;
  ScriptedInput input_;
  int frames_ = 0;
};

}  // namespace host
