// capture: runs the game headless on the virtual clock, with scripted input
// or a recorded session, and writes chosen frames as PNG files and the
// sound mix as a WAV file, for looking at (and listening to) what the game
// does without a display or a sound card. It can record its run as a
// session too. `capture --help` lists the options.

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "CaptureOptions.h"
#include "app/AppMain.h"
#include "tools/common/SceneTool.h"
#include "frame/DisplayConfiguration.h"
#include "platform/host/AudioCapture.h"
#include "platform/host/FrameCapture.h"
#include "platform/host/Headless.h"
#include "platform/host/InputRecorder.h"
#include "platform/host/InputScript.h"
#include "platform/host/Replay.h"
#include "platform/host/ScriptedInput.h"
#include "platform/host/VirtualClock.h"
#include "platform/win32/CrtRandom.h"

namespace {

constexpr int kFramesPerSecond = 60;

#ifndef GRAPPLE_VERSION
#define GRAPPLE_VERSION "0"
#endif

// Where the run's input comes from, and whether it is recorded.
struct Session {
  host::ScriptedInput* script = nullptr;  // the --input script (empty without one)
  host::Replay* replay = nullptr;         // instead of the script
  host::InputRecorder* recorder = nullptr;
};

class CapturingApp : public AppMain {
 public:
  // `mix` is null when no sound is wanted.
  CapturingApp(const CaptureOptions& options, const Session& session, std::vector<std::int16_t>* mix)
      : options_(options), session_(session), mix_(mix) {}
  bool ok = true;
  bool soundMissing = false;

  bool Init() override {
    if (session_.replay != nullptr) {
      session_.replay->Start(GetWindow());
    } else {
      crt::srand(1);  // the same frames on every run
      session_.script->Deliver(0);
    }
    if (session_.recorder != nullptr) session_.recorder->Start(GetWindow());
    return AppMain::Init();
  }

  void Frame() override {
    AppMain::Frame();
    ++frame_;
    if (options_.IsFrameWanted(frame_)) WriteFrame();
    if (mix_ != nullptr) MixFrame();
    if (session_.recorder != nullptr) session_.recorder->EndFrame();
    if (frame_ >= options_.frames) SetQuitRequested(true);
    // What the next frame's snapshot holds.
    if (session_.replay != nullptr) {
      if (session_.replay->EndFrame()) SetQuitRequested(true);
    } else {
      session_.script->Deliver(frame_);
    }
  }

 private:
  void WriteFrame() {
    char path[4200];
    std::snprintf(path, sizeof(path), "%s_%04d.png", options_.prefix.c_str(), frame_);
    std::string error;
    if (!host::CaptureFrame(GetDevice(), path, &error)) {
      std::fprintf(stderr, "capture: %s: %s\n", path, error.c_str());
      ok = false;
    } else {
      std::printf("%s\n", path);
    }
    if (options_.trace) PrintTrace();
  }

  void PrintTrace() {
    const CameraView& camera = GetCamera();
    std::printf("  frame %d eye (%.2f %.2f %.2f) view (%.3f %.3f %.3f)", frame_, camera.eye.x, camera.eye.y,
                camera.eye.z, camera.viewDirection.x, camera.viewDirection.y, camera.viewDirection.z);
    CharacterObj* player = GetPlayer();
    if (player != nullptr) {
      const D3DXVECTOR3& at = *player->GetPosition();
      std::printf(" player (%.2f %.2f %.2f) %s", at.x, at.y, at.z, GetLandText());
    }
    std::printf(" fighters %zu props %zu\n", GetCharacters().size(), GetProps().size());
    // Every fighter: where it is and whether it has fallen.
    std::printf("   ");
    for (CharacterObj* fighter : GetCharacters()) {
      const D3DXVECTOR3& at = *fighter->GetPosition();
      std::printf(" (%.3f %.3f %.3f%s)", at.x, at.y, at.z, fighter->isRagdoll ? " dead" : "");
    }
    std::printf("\n");
  }

  // Mixes the sound of one frame's time, so the WAV keeps pace with the
  // frames: the mix ends at frame_ / 60 seconds.
  void MixFrame() {
    const std::int64_t due = static_cast<std::int64_t>(frame_) * host::AudioCapture::Rate() / kFramesPerSecond;
    const int count = static_cast<int>(due - mixedFrames_);
    mixedFrames_ = due;
    SoundSystem* sound = GetSound();
    IDirectSound8* device = sound != nullptr ? sound->GetDirectSound() : nullptr;
    if (device == nullptr || !host::AudioCapture::Render(device, count, &chunk_)) {
      soundMissing = true;
      chunk_.assign(static_cast<std::size_t>(count) * 2, 0);  // keep the timeline
    }
    mix_->insert(mix_->end(), chunk_.begin(), chunk_.end());
  }

  const CaptureOptions& options_;
  Session session_;
  std::vector<std::int16_t>* mix_;
  std::vector<std::int16_t> chunk_;
  std::int64_t mixedFrames_ = 0;
  int frame_ = 0;
};

void ApplyDisplayMode(const CaptureOptions& options) {
  DisplayConfiguration& configuration = GetDisplayConfiguration();
  configuration.width = options.width;
  configuration.height = options.height;
  configuration.useShaders = options.mode != "fixed";
  configuration.highQuality = options.mode == "best";
}

// An output path relative to where the tool was started, made absolute so
// that entering the data root does not move it.
std::string Absolute(const std::string& path, const std::string& startDirectory) {
  if (path.empty() || path[0] == '/') return path;
  return startDirectory + "/" + path;
}

}  // namespace

int main(int argc, char** argv) {
  CaptureOptions options;
  std::string error;
  if (!ParseCaptureOptions(argc, argv, &options, &error)) {
    std::fprintf(stderr, "capture: %s\n%s", error.c_str(), CaptureUsage());
    return 2;
  }
  if (options.help) {
    std::fputs(CaptureUsage(), stdout);
    return 0;
  }

  InputScript script;
  if (!options.inputPath.empty() &&
      (!LoadInputScript(options.inputPath.c_str(), &script, &error) || !CheckPlainScript(script, &error))) {
    if (error.rfind(options.inputPath, 0) != 0) error = options.inputPath + ": " + error;
    std::fprintf(stderr, "capture: %s\n", error.c_str());
    return 2;
  }
  host::Replay replay;
  if (!options.replayPath.empty()) {
    if (!replay.Load(options.replayPath.c_str(), GRAPPLE_VERSION, &error)) {
      std::fprintf(stderr, "capture: %s\n", error.c_str());
      return 2;
    }
    const ScriptHeader& header = replay.GetHeader();
    if (header.width > 4096 || header.height > 4096) {
      std::fprintf(stderr, "capture: %s: line %d: a %dx%d window is larger than capture draws (4096x4096)\n",
                   options.replayPath.c_str(), header.sizeLine, header.width, header.height);
      return 2;
    }
    options.mode = header.mode;
    options.width = header.width;
    options.height = header.height;
    if (!options.framesGiven || options.frames > header.endFrame) options.frames = header.endFrame;
    if (!options.chosenFrames.empty() && options.chosenFrames.back() > options.frames) {
      std::fprintf(stderr, "capture: --frame %d is past the recording's last frame %d\n", options.chosenFrames.back(),
                   options.frames);
      return 2;
    }
  }
  host::InputRecorder recorder;
  if (!options.recordPath.empty()) {
    const unsigned seed = options.replayPath.empty() ? 1u : replay.GetHeader().seed;
    const host::InputRecorder::Session session{GRAPPLE_VERSION, seed, options.mode, options.width, options.height};
    if (!recorder.Open(options.recordPath.c_str(), session, &error)) {
      std::fprintf(stderr, "capture: %s\n", error.c_str());
      return 2;
    }
  }
  char startDirectory[4096];
  if (getcwd(startDirectory, sizeof(startDirectory)) == nullptr) return 1;
  options.wavPath = Absolute(options.wavPath, startDirectory);
  if (!options.root.empty() && !EnterDataRoot("capture", options.root, &options.prefix)) return 1;
  options.prefix = Absolute(options.prefix, startDirectory);
  if (access("data", F_OK) != 0) {
    std::fprintf(stderr, "capture: no data/ folder here; run from the folder that holds it or pass --root\n");
    return 1;
  }

  ApplyDisplayMode(options);
  host::UseHeadlessDrivers();
  host::VirtualClock clock;
  host::ScriptedInput scripted;
  ScheduleInputScript(script.events, &scripted);
  // The loopback device must be chosen before the game opens its sound.
  std::unique_ptr<host::AudioCapture> audio;
  std::vector<std::int16_t> mix;
  if (!options.wavPath.empty()) {
    audio = std::make_unique<host::AudioCapture>();
    // Room for up to ten minutes up front; longer runs grow the buffer.
    const std::size_t reservedFrames = static_cast<std::size_t>(std::min(options.frames, 10 * 60 * kFramesPerSecond));
    mix.reserve(reservedFrames * host::AudioCapture::Rate() / kFramesPerSecond * 2 + 2);
  }

  Session session;
  session.script = &scripted;
  session.replay = options.replayPath.empty() ? nullptr : &replay;
  session.recorder = options.recordPath.empty() ? nullptr : &recorder;
  CapturingApp app(options, session, audio ? &mix : nullptr);
  const bool ran = app.Run(nullptr, static_cast<float>(kFramesPerSecond));
  bool ok = ran && app.ok;
  if (!ran) std::fprintf(stderr, "capture: the game did not start\n");
  if (session.recorder != nullptr) {
    if (recorder.Finish(&error)) {
      std::printf("%s\n", options.recordPath.c_str());
    } else {
      std::fprintf(stderr, "capture: %s\n", error.c_str());
      ok = false;
    }
  }
  if (audio) {
    if (app.soundMissing) {
      std::fprintf(stderr, "capture: the game's sound was not available; %s holds silence\n",
                   options.wavPath.c_str());
      ok = false;
    }
    if (!host::AudioCapture::SaveWav(options.wavPath.c_str(), mix)) {
      std::fprintf(stderr, "capture: cannot write %s\n", options.wavPath.c_str());
      ok = false;
    } else {
      std::printf("%s\n", options.wavPath.c_str());
    }
  }
  return ok ? 0 : 1;
}
