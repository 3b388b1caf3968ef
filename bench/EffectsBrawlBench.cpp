// effects_brawl_bench: a minute of the full scene (20 fighters, the
// opponents acting, a blast next to a random fighter every five seconds)
// on the virtual clock in the standard mode at 800x600, with the GL draw
// calls skipped so that only our own layers are timed. Prints the peak
// numbers of live billboards and decals, the pool sizes at the end, the CPU
// of a whole frame and the CPU of the effects' sort and draws, each frame
// repeated on the same state after the game's own frame.
//
//   effects_brawl_bench [--root DIR] [--frames N]
//
// The effects' per-frame Update is not repeated (it would age every
// particle twice); effects_bench gives its cost for the counts printed here.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/AppMain.h"
#include "frame/DisplayConfiguration.h"
#include "platform/d3d9/D3d9Automation.h"
#include "platform/host/Headless.h"
#include "platform/host/VirtualClock.h"
#include "platform/win32/CrtRandom.h"

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); }

class BrawlApp : public AppMain {
 public:
  explicit BrawlApp(int frames) : frames_(frames) {}

  std::size_t peakBillboards = 0;
  std::size_t peakDecals = 0;
  std::size_t finalBillboardRecords = 0;
  std::size_t finalDecalRecords = 0;
  double frameMs = 0.0;
  double effectsDrawMs = 0.0;
  double worstEffectsDrawMs = 0.0;
  int measured = 0;

  bool Init() override {
    crt::srand(1);
    if (!AppMain::Init()) return false;
    d3d9::SetDrawSubmission(GetDevice(), false);
    return true;
  }

  void Frame() override {
    const Clock::time_point begin = Clock::now();
    AppMain::Frame();
    const double frame = Since(begin);

    // The effects' sort and draws again, on the state the frame left.
    const Clock::time_point effectsBegin = Clock::now();
    GetBillboards().Sort();
    GetDecals().Draw(0.5f, 0.000008f);
    GetBillboards().Draw(0.0000001f);
    const double effects = Since(effectsBegin);

    if (frame_ >= 60) {  // past the fighters' first landing
      frameMs += frame;
      effectsDrawMs += effects;
      worstEffectsDrawMs = std::max(worstEffectsDrawMs, effects);
      ++measured;
    }
    peakBillboards = std::max(peakBillboards, GetBillboards().GetLiveCount());
    peakDecals = std::max(peakDecals, GetDecals().GetLiveCount());

    // A blast beside a random fighter every five seconds keeps the brawl bloody.
    ++frame_;
    if (frame_ % 300 == 0 && !GetCharacters().empty()) {
      GetPhysics().FinishStep();
      CharacterObj* target = GetCharacters()[static_cast<std::size_t>(crt::rand()) % GetCharacters().size()];
      Explode(*target->GetPosition() + D3DXVECTOR3(5.0f, 4.0f, 0.0f), 38.0f);
    }
    if (frame_ >= frames_) {
      // Exit clears both pools, so they are read here.
      finalBillboardRecords = GetBillboards().GetRecordCount();
      finalDecalRecords = GetDecals().GetRecordCount();
      SetQuitRequested(true);
    }
  }

 private:
  const int frames_;
  int frame_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  int frames = 3600;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--root" && i + 1 < argc) {
      if (chdir(argv[++i]) != 0) return 1;
    } else if (argument == "--frames" && i + 1 < argc) {
      frames = std::max(120, std::atoi(argv[++i]));
    } else {
      std::fprintf(stderr, "usage: effects_brawl_bench [--root DIR] [--frames N]\n");
      return 2;
    }
  }
  if (access("data", F_OK) != 0) {
    std::fprintf(stderr, "effects_brawl_bench: no data/ folder here; run from the folder that holds it\n");
    return 1;
  }
  host::UseHeadlessDrivers();
  host::VirtualClock clock;
  DisplayConfiguration& display = GetDisplayConfiguration();
  display.width = 800;
  display.height = 600;
  display.useShaders = true;
  display.highQuality = false;

  BrawlApp app(frames);
  if (!app.Run(nullptr, 60.0f)) return 1;
  const double n = app.measured > 0 ? app.measured : 1;
  std::printf("frames %d (standard mode, 800x600, draws skipped)\n", frames);
  std::printf("peak live billboards %zu, peak live decals %zu\n", app.peakBillboards, app.peakDecals);
  std::printf("pools at the end: billboard records %zu, decal records %zu\n", app.finalBillboardRecords,
              app.finalDecalRecords);
  std::printf("CPU per frame %.3f ms; effects' sort + draws %.3f ms (worst %.3f ms), %.1f %% of the frame\n",
              app.frameMs / n, app.effectsDrawMs / n, app.worstEffectsDrawMs, 100.0 * app.effectsDrawMs / app.frameMs);
  return 0;
}
