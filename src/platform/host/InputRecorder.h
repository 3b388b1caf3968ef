#pragma once
// Records a session's input as an input script that replays it exactly:
// every key, mouse, wheel, game pad, focus and close event the message pump
// takes from SDL, with the frame that saw it, under a header with the
// program's version, the random seed, the display mode and the window's
// focus at the start, and an end line with the last frame.
//
// Events taken after frame n - 1 and before frame n count for frame n.
// Movements are kept as the last position within a frame (the game reads
// the cursor and the pad's axes as state), and a pad's state is written
// when it is plugged in.

#include <cstdio>
#include <string>
#include <vector>

#include "platform/host/InputScript.h"
#include "platform/win32/WinTypes.h"

union SDL_Event;
struct _SDL_GameController;

namespace host {

class InputRecorder {
 public:
  // What the header holds besides the focus, which Start finds out.
  struct Session {
    std::string version;
    unsigned seed = 0;
    std::string mode;  // best, standard or fixed
    int width = 0;
    int height = 0;
  };

  InputRecorder() = default;
  ~InputRecorder();
  InputRecorder(const InputRecorder&) = delete;
  InputRecorder& operator=(const InputRecorder&) = delete;

  // Creates the file; false with *error when it cannot be created.
  bool Open(const char* path, const Session& session, std::string* error);
  // When the window exists and before its first frame (from Init): seeds
  // the random numbers with the session's seed, writes the header and
  // starts taking events.
  void Start(HWND window);
  // After each frame: writes the events that frame saw.
  void EndFrame();
  // Writes the end line and closes the file. False with *error when
  // anything could not be written.
  bool Finish(std::string* error);

  int FramesRecorded() const { return frames_; }

 private:
  struct Pad {
    int instance = -1;  // SDL joystick instance, -1 for a free slot
    _SDL_GameController* controller = nullptr;
  };

  static void Observe(const SDL_Event& event, void* self);
  void Handle(const SDL_Event& event);
  void Add(ScriptEvent::Kind kind, int a = 0, int b = 0, int c = 0);
  void MoveTo(int x, int y);
  void PlugPad(int deviceIndex);
  void UnplugPad(int instance);
  int PadNumber(int instance) const;
  void Write(const std::string& line);
  void StopObserving();

  std::FILE* file_ = nullptr;
  std::string path_;
  Session session_;
  bool observing_ = false;
  bool failed_ = false;
  int frames_ = 0;
  std::vector<ScriptEvent> pending_;  // seen since the last frame
  int mouseX_ = 0;                    // the position the script's pointer is at
  int mouseY_ = 0;
  Pad pads_[kMaxScriptPads];
};

}  // namespace host
