// capture: runs the game headless on the virtual clock and writes frames as
// PNG files, for looking at what the game draws without a display.
//
//   capture [--mode best|standard|fixed] [--size WxH] [--frames N] [--every K] OUT_PREFIX
//
// Writes OUT_PREFIX_NNNN.png for every K-th frame up to frame N (default:
// only the last). Exit status 0 on success.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/AppMain.h"
#include "frame/DisplayConfiguration.h"
#include "platform/host/FrameCapture.h"
#include "platform/host/Headless.h"
#include "platform/host/VirtualClock.h"
#include "platform/win32/CrtRandom.h"

namespace {

struct Options {
  int frames = 60;
  int every = 0;
  std::string prefix;
};

class CapturingApp : public AppMain {
 public:
  explicit CapturingApp(const Options& options) : options_(options) {}
  bool ok = true;

  bool Init() override {
    crt::srand(1);  // the same frames on every run
    return AppMain::Init();
  }

  void Frame() override {
    AppMain::Frame();
    ++frame_;
    const bool wanted = options_.every > 0 ? frame_ % options_.every == 0 : frame_ == options_.frames;
    if (wanted) {
      char path[1024];
      std::snprintf(path, sizeof(path), "%s_%04d.png", options_.prefix.c_str(), frame_);
      std::string error;
      if (!host::CaptureFrame(GetDevice(), path, &error)) {
        std::fprintf(stderr, "capture: %s: %s\n", path, error.c_str());
        ok = false;
      } else {
        std::printf("%s\n", path);
      }
    }
    if (frame_ >= options_.frames) SetQuitRequested(true);
  }

 private:
  Options options_;
  int frame_ = 0;
};

int Usage() {
  std::fprintf(stderr, "usage: capture [--mode best|standard|fixed] [--size WxH] [--frames N] [--every K] OUT_PREFIX\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  DisplayConfiguration& configuration = GetDisplayConfiguration();
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    const bool hasValue = i + 1 < argc;
    if (argument == "--mode" && hasValue) {
      const std::string mode = argv[++i];
      configuration.useShaders = mode != "fixed";
      configuration.highQuality = mode == "best";
      if (mode != "best" && mode != "standard" && mode != "fixed") return Usage();
    } else if (argument == "--size" && hasValue) {
      if (std::sscanf(argv[++i], "%dx%d", &configuration.width, &configuration.height) != 2 ||
          configuration.width <= 0 || configuration.height <= 0 || configuration.width > 4096 ||
          configuration.height > 4096) {
        return Usage();
      }
    } else if (argument == "--frames" && hasValue) {
      options.frames = std::atoi(argv[++i]);
    } else if (argument == "--every" && hasValue) {
      options.every = std::atoi(argv[++i]);
    } else if (!argument.empty() && argument[0] != '-' && options.prefix.empty()) {
      options.prefix = argument;
    } else {
      return Usage();
    }
  }
  if (options.prefix.empty() || options.frames <= 0 || options.every < 0) return Usage();

  host::UseHeadlessDrivers();
  host::VirtualClock clock;
  CapturingApp app(options);
  const bool ran = app.Run(nullptr, 60.0f);
  return ran && app.ok ? 0 : 1;
}
