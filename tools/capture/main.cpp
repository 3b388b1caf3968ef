// capture: runs the game headless on the virtual clock, with scripted key
// and mouse input, and writes chosen frames as PNG files and the sound mix
// as a WAV file, for looking at (and listening to) what the game does
// without a display or a sound card. `capture --help` lists the options.

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "CaptureOptions.h"
#include "InputScript.h"
#include "app/AppMain.h"
#include "tools/common/SceneTool.h"
#include "frame/DisplayConfiguration.h"
#include "platform/host/AudioCapture.h"
#include "platform/host/FrameCapture.h"
#include "platform/host/Headless.h"
#include "platform/host/ScriptedInput.h"
#include "platform/host/VirtualClock.h"
#include "platform/win32/CrtRandom.h"

namespace {

constexpr int kFramesPerSecond = 60;

class CapturingApp : public AppMain {
 public:
  // `mix` is null when no sound is wanted.
  CapturingApp(const CaptureOptions& options, host::ScriptedInput* script, std::vector<std::int16_t>* mix)
      : options_(options), script_(script), mix_(mix) {}
  bool ok = true;
  bool soundMissing = false;

  bool Init() override {
    crt::srand(1);  // the same frames on every run
    script_->Deliver(0);
    return AppMain::Init();
  }

  void Frame() override {
    AppMain::Frame();
    ++frame_;
    if (options_.IsFrameWanted(frame_)) WriteFrame();
    if (mix_ != nullptr) MixFrame();
    if (frame_ >= options_.frames) SetQuitRequested(true);
    script_->Deliver(frame_);  // what the next frame's snapshot holds
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
  host::ScriptedInput* script_;
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

  std::vector<ScriptEvent> events;
  if (!options.inputPath.empty() && !LoadInputScript(options.inputPath.c_str(), &events, &error)) {
    std::fprintf(stderr, "capture: %s\n", error.c_str());
    return 2;
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
  host::ScriptedInput script;
  ScheduleInputScript(events, &script);
  // The loopback device must be chosen before the game opens its sound.
  std::unique_ptr<host::AudioCapture> audio;
  std::vector<std::int16_t> mix;
  if (!options.wavPath.empty()) {
    audio = std::make_unique<host::AudioCapture>();
    // Room for up to ten minutes up front; longer runs grow the buffer.
    const std::size_t reservedFrames = static_cast<std::size_t>(std::min(options.frames, 10 * 60 * kFramesPerSecond));
    mix.reserve(reservedFrames * host::AudioCapture::Rate() / kFramesPerSecond * 2 + 2);
  }

  CapturingApp app(options, &script, audio ? &mix : nullptr);
  const bool ran = app.Run(nullptr, static_cast<float>(kFramesPerSecond));
  bool ok = ran && app.ok;
  if (!ran) std::fprintf(stderr, "capture: the game did not start\n");
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
