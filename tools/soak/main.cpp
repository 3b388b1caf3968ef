// soak: the real game headless on the virtual clock for a long run (36,000
// frames, ten minutes of play, unless told otherwise), with the opponents
// acting, the player scripted (SoakScript.h), fighters spawned, props
// thrown, bombs exploding and a "Reset" every two minutes. Every frame it
// watches for bodies falling through the level, every 600 frames it checks
// the scene (SoakChecks.h) and notes the resident memory and the program's
// own heap (ProgramHeap.h), which must have stopped growing after the first
// minute. Prints the figures; exits 1 on a violation.
//
//   soak [--frames N] [--size WxH] [--mode best|standard|fixed] [--root DIR]
//        [--no-memory-check]
//
// Run it from the folder that holds data/ (or pass --root).

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ProgramHeap.h"
#include "SoakChecks.h"
#include "SoakScript.h"
#include "app/AppMain.h"
#include "frame/DisplayConfiguration.h"
#include "platform/host/Headless.h"
#include "platform/host/VirtualClock.h"
#include "platform/win32/CrtRandom.h"
#include "tools/common/SceneTool.h"

namespace {

constexpr int kFramesPerSecond = 60;
constexpr int kCheckFrames = 600;
constexpr int kFramesPerMinute = 60 * kFramesPerSecond;
// The program's heap may move this much above its level at the first
// minute (effect records reused at a new peak, allocator slack) before it
// counts as growing.
constexpr double kMemoryToleranceMiB = 16.0;

struct Options {
  int frames = 10 * kFramesPerMinute;
  int width = 320;
  int height = 240;
  std::string mode = "best";
  std::string root;
  bool memoryCheck = true;
};

const char kUsage[] =
    "usage: soak [--frames N] [--size WxH] [--mode best|standard|fixed] [--root DIR] [--no-memory-check]\n";

bool ParseOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    const bool hasValue = i + 1 < argc;
    if (option == "--frames" && hasValue) {
      options->frames = std::atoi(argv[++i]);
      if (options->frames < 1) return false;
    } else if (option == "--size" && hasValue) {
      if (std::sscanf(argv[++i], "%dx%d", &options->width, &options->height) != 2 || options->width < 64 ||
          options->height < 64 || options->width > 4096 || options->height > 4096) {
        return false;
      }
    } else if (option == "--mode" && hasValue) {
      options->mode = argv[++i];
      if (options->mode != "best" && options->mode != "standard" && options->mode != "fixed") return false;
    } else if (option == "--root" && hasValue) {
      options->root = argv[++i];
    } else if (option == "--no-memory-check") {
      options->memoryCheck = false;
    } else {
      return false;
    }
  }
  return true;
}

double ResidentMiB() {
  long pages = 0, resident = 0;
  std::FILE* file = std::fopen("/proc/self/statm", "r");
  if (file == nullptr) return 0.0;
  const bool read = std::fscanf(file, "%ld %ld", &pages, &resident) == 2;
  std::fclose(file);
  return read ? static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0)
              : 0.0;
}

// Bytes malloc has handed out and not had back, the drivers' included.
double HeapMiB() {
  const struct mallinfo2 info = mallinfo2();
  return static_cast<double>(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
}

class SoakApp : public AppMain {
 public:
  explicit SoakApp(const Options& options) : options_(options) {}

  std::vector<std::string> problems;
  SoakCounts peaks;
  std::vector<double> memory;  // resident MiB at every check, from frame 600 on
  std::vector<double> program;  // the program's heap in MiB, likewise
  int checks = 0;
  int mostBeside = 0;  // bodies fallen beside the arena at one check

  bool Init() override {
    crt::srand(1);  // the same run every time
    script_.Deliver(0);
    if (!AppMain::Init()) return false;
    SetNpcAction(true);
    falls_.Start(*this);
    return true;
  }

  void Frame() override {
    // The step started last frame ends here, as the frame's own join would
    // end it: until this frame starts the next one the world may be read.
    GetPhysics().FinishStep();
    if (frame_ > 0) {
      falls_.Update(*this, frame_, &problems);
      mostBeside = std::max(mostBeside, falls_.Beside());
      if (frame_ % kCheckFrames == 0) Check();
    }
    AppMain::Frame();
    ++frame_;
    const SoakCounts counts = CountScene(*this);
    peaks.bodies = std::max(peaks.bodies, counts.bodies);
    peaks.characters = std::max(peaks.characters, counts.characters);
    peaks.props = std::max(peaks.props, counts.props);
    peaks.billboards = std::max(peaks.billboards, counts.billboards);
    peaks.decals = std::max(peaks.decals, counts.decals);
    if (SoakScript::ResetsAfter(frame_ - 1)) RequestReset();
    if (frame_ >= options_.frames) {
      // The last frame's step, then the last check, before the game exits.
      GetPhysics().FinishStep();
      falls_.Update(*this, frame_, &problems);
      if (frame_ % kCheckFrames == 0) Check();
      SetQuitRequested(true);
    }
    script_.Deliver(frame_);
  }

  int Frames() const { return frame_; }
  const FallWatch& Falls() const { return falls_; }

 private:
  // After frame_ frames: the scene, the counts and the memory.
  void Check() {
    const SoakCounts counts = CountScene(*this);
    const std::size_t before = problems.size();
    CheckScene(*this, &problems);
    for (std::size_t i = before; i < problems.size(); ++i) {
      problems[i] = "frame " + std::to_string(frame_) + ": " + problems[i];
    }
    ++checks;
    memory.push_back(ResidentMiB());
    program.push_back(soak::ProgramHeapMiB());
    std::printf("frame %6d  %4.1f min  bodies %4d (%d beside the arena)  joints %3d  fighters %3d  props %4d"
                "  billboards %5d  decals %5d  resident %6.1f MiB  malloc %6.1f MiB  program heap %6.1f MiB\n",
                frame_, frame_ / static_cast<double>(kFramesPerMinute), counts.bodies, falls_.Beside(),
                counts.joints, counts.characters, counts.props, counts.billboards, counts.decals, memory.back(),
                HeapMiB(), program.back());
    for (std::size_t i = reported_; i < problems.size(); ++i) std::printf("  problem: %s\n", problems[i].c_str());
    reported_ = problems.size();
    std::fflush(stdout);
  }

  const Options& options_;
  SoakScript script_;
  int frame_ = 0;
  FallWatch falls_;
  std::size_t reported_ = 0;  // problems printed so far
};

// The value at the check of the given minute, or -1.
double AtMinute(const std::vector<double>& samples, int minute) {
  const std::size_t index = static_cast<std::size_t>(minute * kFramesPerMinute / kCheckFrames);
  return index >= 1 && index <= samples.size() ? samples[index - 1] : -1.0;
}

// The values at 1, 5 and 10 minutes, "-" for a minute the run did not reach.
std::string AtMinutesText(const std::vector<double>& samples) {
  std::string text;
  for (const int minute : {1, 5, 10}) {
    const double value = AtMinute(samples, minute);
    char part[48];
    if (value >= 0.0) {
      std::snprintf(part, sizeof(part), "%d min %.1f MiB", minute, value);
    } else {
      std::snprintf(part, sizeof(part), "%d min -", minute);
    }
    if (!text.empty()) text += ", ";
    text += part;
  }
  return text;
}

// How far the samples after the first minute rose above the first minute's.
double GrowthAfterFirstMinute(const std::vector<double>& samples) {
  const double first = AtMinute(samples, 1);
  double growth = 0.0;
  for (std::size_t i = kFramesPerMinute / kCheckFrames; first >= 0.0 && i < samples.size(); ++i) {
    growth = std::max(growth, samples[i] - first);
  }
  return growth;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::string unused;
  if (!options.root.empty() && !EnterDataRoot("soak", options.root, &unused)) return 1;
  if (access("data", F_OK) != 0) {
    std::fprintf(stderr, "soak: no data/ folder here; run from the folder that holds it or pass --root\n");
    return 1;
  }
  DisplayConfiguration& configuration = GetDisplayConfiguration();
  configuration.width = options.width;
  configuration.height = options.height;
  configuration.useShaders = options.mode != "fixed";
  configuration.highQuality = options.mode == "best";

  soak::CountBulletAllocations();
  host::UseHeadlessDrivers();
  host::VirtualClock clock;
  SoakApp app(options);
  const auto start = std::chrono::steady_clock::now();
  const bool ran = app.Run(nullptr, static_cast<float>(kFramesPerSecond));
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!ran) {
    std::fprintf(stderr, "soak: the game did not start\n");
    return 1;
  }

  // Memory: the program's heap stays near its level at the first minute.
  const bool memoryChecked = options.memoryCheck && soak::kProgramHeapCounted && AtMinute(app.program, 1) >= 0.0;
  const double programGrowth = GrowthAfterFirstMinute(app.program);
  if (memoryChecked && programGrowth > kMemoryToleranceMiB) {
    char text[160];
    std::snprintf(text, sizeof(text), "the program's heap grew %.1f MiB after the first minute", programGrowth);
    app.problems.push_back(text);
  }

  std::printf("soak: %d frames in %.1f s (%.1f frames/s on the virtual clock), %d checks\n", app.Frames(), seconds,
              app.Frames() / std::max(seconds, 1e-6), app.checks);
  std::printf("peaks: %d bodies, %d fighters, %d props, %d billboards, %d decals; at most %d bodies beside the "
              "arena (flown over its edge)\n",
              app.peaks.bodies, app.peaks.characters, app.peaks.props, app.peaks.billboards, app.peaks.decals,
              app.mostBeside);
  std::printf("centres that dipped through the level's surface and came back out: %d, the deepest %.2f\n",
              app.Falls().Dips(), app.Falls().DeepestDip());
  std::printf("bodies made with their centre inside the level's solids: %d; centres that came out of them: %d\n",
              app.Falls().MadeInside(), app.Falls().Exits());
  std::printf("resident memory: %s; %.1f MiB more after the first minute\n", AtMinutesText(app.memory).c_str(),
              GrowthAfterFirstMinute(app.memory));
  std::printf("program heap: %s; %.1f MiB more after the first minute (%s)\n", AtMinutesText(app.program).c_str(),
              programGrowth,
              memoryChecked                   ? "checked"
              : !soak::kProgramHeapCounted    ? "not counted under the address sanitizer"
              : !options.memoryCheck          ? "not checked"
                                              : "run shorter than a minute");
  for (const std::string& opening : app.Falls().Openings()) {
    std::printf("opening in the level's data (not tunnelling): %s\n", opening.c_str());
  }
  for (const std::string& problem : app.problems) std::printf("problem: %s\n", problem.c_str());
  std::printf("soak: %s\n", app.problems.empty() ? "passed" : "FAILED");
  return app.problems.empty() ? 0 : 1;
}
