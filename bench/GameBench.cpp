// game_bench: the whole game, headless, on the real clock, with the full
// scene: for each display mode and window size, with the scene's own
// population and with a crowd of 200 fighters, the profiler's "Update",
// "Draw" and "Physics" averages over a start-up window and a later steady
// window, the time spent inside each frame, and the frames per second
// reached.
//
// A plain program rather than a Google Benchmark one: each configuration
// is one long run of the frame loop paced by the game's own 60 Hz clock,
// measured by the game's own profiler, not a repeated timed function.
//
//   game_bench [--root DIR] [--warm N] [--steady N] [--crowd-only | --scene-only]
//
// The start-up window is frames 0 to N-1 of --warm (default 300), the steady
// window the --steady frames after it (default 300); at the software
// rasteriser's pace the twelve runs then take about a quarter of an hour on
// two cores. Run it from the folder that holds data/ (or pass --root).
//
// "Physics" is the profiler's span from the start of the step to its join at
// the start of the next frame, so it covers the drawing it overlaps (and the
// wait for the next frame), not the step's own cost.

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/AppMain.h"
#include "BenchScene.h"
#include "frame/DisplayConfiguration.h"
#include "platform/host/Headless.h"
#include "platform/win32/CrtRandom.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kCrowd = 200;
constexpr int kWindows = 2;  // 0: the first frames, 1: the steady frames after them

struct Settings {
  int warmFrames = 300;
  int steadyFrames = 300;
  bool scene = true;
  bool crowd = true;
};

struct Configuration {
  const char* mode;
  int width;
  int height;
  bool crowd;
};

struct WindowStats {
  double sectionSums[AppMain::kProfileSectionCount] = {};
  double workSeconds = 0.0;  // inside Frame, measured here
  int frames = 0;
  Clock::time_point start;
  Clock::time_point end;

  double Average(int section) const { return frames > 0 ? sectionSums[section] / frames : 0.0; }
  double FramesPerSecond() const {
    const double seconds = std::chrono::duration<double>(end - start).count();
    return seconds > 0.0 ? frames / seconds : 0.0;
  }
  double WorkMs() const { return frames > 0 ? workSeconds * 1000.0 / frames : 0.0; }
};

class BenchApp : public AppMain {
 public:
  BenchApp(const Settings& settings, bool crowd) : settings_(settings), crowd_(crowd) {}

  WindowStats windows[kWindows];
  double initSeconds = 0.0;
  int fighters = 0;

  bool Init() override {
    crt::srand(1);  // the same opponents' choices on every run
    const Clock::time_point start = Clock::now();
    const bool ok = AppMain::Init();
    if (ok && crowd_) bench::SpawnCrowd(*this, kCrowd);
    initSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    fighters = static_cast<int>(GetCharacters().size());
    return ok;
  }

  void Frame() override {
    const Clock::time_point begin = Clock::now();
    AppMain::Frame();
    const Clock::time_point end = Clock::now();
    WindowStats& window = windows[frame_ < settings_.warmFrames ? 0 : 1];
    if (window.frames == 0) window.start = begin;
    window.end = end;
    ++window.frames;
    window.workSeconds += std::chrono::duration<double>(end - begin).count();
    // The profiler keeps the last four samples of a section; adding its
    // average every frame weighs each sample equally over the window.
    for (int section = 0; section < kProfileSectionCount; ++section) {
      window.sectionSums[section] += GetProfiler().GetAverage(section);
    }
    ++frame_;
    if (frame_ >= settings_.warmFrames + settings_.steadyFrames) SetQuitRequested(true);
  }

 private:
  const Settings& settings_;
  const bool crowd_;
  int frame_ = 0;
};

int Usage() {
  std::fprintf(stderr, "usage: game_bench [--root DIR] [--warm N] [--steady N] [--crowd-only | --scene-only]\n");
  return 2;
}

void PrintRow(const Configuration& configuration, const BenchApp& app, int window, int firstFrame, int lastFrame) {
  const WindowStats& stats = app.windows[window];
  std::printf("%-8s %4dx%-4d %4d  %4d-%-4d %7.2f %7.2f %7.2f %8.2f %6.1f", configuration.mode, configuration.width,
              configuration.height, app.fighters, firstFrame, lastFrame, stats.Average(AppMain::kProfileUpdate),
              stats.Average(AppMain::kProfilePhysics), stats.Average(AppMain::kProfileDraw), stats.WorkMs(),
              stats.FramesPerSecond());
  if (window == 0) std::printf(" %6.1f", app.initSeconds);
  std::printf("\n");
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  Settings settings;
  std::string root;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (argument == "--root" && value != nullptr) {
      root = argv[++i];
    } else if (argument == "--warm" && value != nullptr) {
      if (!bench::ParseCount(argv[++i], &settings.warmFrames)) return Usage();
    } else if (argument == "--steady" && value != nullptr) {
      if (!bench::ParseCount(argv[++i], &settings.steadyFrames)) return Usage();
    } else if (argument == "--crowd-only") {
      settings.scene = false;
    } else if (argument == "--scene-only") {
      settings.crowd = false;
    } else {
      return Usage();
    }
  }
  if (!root.empty() && chdir(root.c_str()) != 0) {
    std::fprintf(stderr, "game_bench: cannot enter %s\n", root.c_str());
    return 1;
  }
  if (access("data", F_OK) != 0) {
    std::fprintf(stderr, "game_bench: no data/ folder here; run from the folder that holds it or pass --root\n");
    return 1;
  }

  host::UseHeadlessDrivers();
  const char* const modes[] = {"best", "standard", "fixed"};
  const int sizes[][2] = {{800, 600}, {1024, 768}};
  std::printf("Averages in ms per frame; frames counted from 0; real clock, 60 Hz frame pacing.\n");
  std::printf("%-8s %-9s %4s  %-9s %7s %7s %7s %8s %6s %6s\n", "mode", "size", "figh", "frames", "Update", "Physics",
              "Draw", "in-Frame", "fps", "init s");
  bool allRan = true;
  for (int pass = 0; pass < 2; ++pass) {
    const bool crowd = pass == 1;
    if ((crowd && !settings.crowd) || (!crowd && !settings.scene)) continue;
    for (const char* mode : modes) {
      for (const auto& size : sizes) {
        const Configuration configuration{mode, size[0], size[1], crowd};
        DisplayConfiguration& display = GetDisplayConfiguration();
        display.width = size[0];
        display.height = size[1];
        display.useShaders = std::strcmp(mode, "fixed") != 0;
        display.highQuality = std::strcmp(mode, "best") == 0;
        BenchApp app(settings, crowd);
        if (!app.Run(nullptr, 60.0f)) {
          std::fprintf(stderr, "game_bench: %s %dx%d did not start\n", mode, size[0], size[1]);
          allRan = false;
          continue;
        }
        PrintRow(configuration, app, 0, 0, settings.warmFrames - 1);
        PrintRow(configuration, app, 1, settings.warmFrames, settings.warmFrames + settings.steadyFrames - 1);
      }
    }
  }
  return allRan ? 0 : 1;
}
