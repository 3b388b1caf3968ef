#pragma once
// Runs an application class with scripted input: the events of frame n are
// delivered after frame n - 1 (or before the loop for frame 0), so they are
// in the keyboard snapshot of frame n. Stops after maxFrames frames.

#include <functional>

#include "platform/host/ScriptedInput.h"

template <class App>
class ScriptedApp : public App {
 public:
  host::ScriptedInput script;
  int frames = 0;
  int maxFrames = 1000;
  // Called inside each frame after the application's own frame.
  std::function<void(ScriptedApp&)> afterFrame;

  bool Init() override {
    script.Deliver(0);
    return App::Init();
  }

  void Frame() override {
    App::Frame();
    if (afterFrame) afterFrame(*this);
    ++frames;
    if (frames >= maxFrames) this->SetQuitRequested(true);
    script.Deliver(frames);
  }
};
