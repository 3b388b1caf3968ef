// effects_brawl_bench: a minute of the full scene (20 fighters, the
// opponents acting, a blast next to a random fighter every five seconds)
// on the virtual clock in the standard mode at 800x600, with the GL draw
// calls skipped so that only our own layers are timed. Prints the peak
// numbers of live billboards and decals, the pool sizes at the end, the CPU
// of a whole frame and the CPU of the effects' sort and draws, each frame
// repeated on the same state after the game's own frame.
//
//   effects_brawl_bench [--root DIR] [--frames N] [--crowd]
//
// The effects' per-frame Update is not repeated (it would age every
// particle twice); effects_bench gives its cost for the counts printed here.
// Each frame also times one round of every blob shadow of the scene (three
// per fighter, one per loose prop) cast into a scratch decal system: the
// most the shadows can cost in a frame, since each caster refreshes only
// every few frames. --crowd drops 200 fighters instead of the scene's 20.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/AppMain.h"
#include "BenchScene.h"
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
  BrawlApp(int frames, bool crowd) : frames_(frames), crowd_(crowd) {}

  std::size_t peakBillboards = 0;
  std::size_t peakDecals = 0;
  std::size_t finalBillboardRecords = 0;
  std::size_t finalDecalRecords = 0;
  double frameMs = 0.0;
  double effectsDrawMs = 0.0;
  double worstEffectsDrawMs = 0.0;
  int measured = 0;
  double shadowRoundMs = 0.0;
  int shadowCasts = 0;

  bool Init() override {
    crt::srand(1);
    if (!AppMain::Init()) return false;
    d3d9::SetDrawSubmission(GetDevice(), false);
    if (crowd_) bench::SpawnCrowd(*this, 200);
    scratch_.Init(GetDevice(), &GetCamera(), 255, &GetRenderer(), 0.7f);
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

    const double shadows = ShadowRound();
    if (frame_ >= 60) {  // past the fighters' first landing
      shadowRoundMs += shadows;
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
  // Every caster once, into the scratch decals; the game's own shadows are
  // left as they are.
  double ShadowRound() {
    GetPhysics().FinishStep();
    IDirect3DTexture9* texture = GetSceneResources().effectTextures[kTextureShadow];
    ShadowProjector::Setup(&GetPhysics(), &scratch_, texture);
    const Clock::time_point begin = Clock::now();
    int casts = 0;
    for (CharacterObj* fighter : GetCharacters()) {
      D3DXVECTOR3 centre(0.0f, 0.0f, 0.0f);
      for (int bone : {CharacterObj::kWaist, CharacterObj::kLeftHip, CharacterObj::kRightHip}) {
        const D3DXMATRIX& world = fighter->GetBone(bone)->world;
        centre += D3DXVECTOR3(world._41, world._42, world._43) / 3.0f;
      }
      for (int i = 0; i < CharacterObj::kShadowCount; ++i) {
        ShadowProjector shadow = fighter->GetShadow(i);
        shadow.Project(2, centre);
        ++casts;
      }
    }
    for (SceneProp* prop : GetProps()) {
      if (!prop->kind->castsShadow) continue;
      ShadowProjector shadow = prop->shadow;
      shadow.Project(1, D3DXVECTOR3(prop->matrix._41, prop->matrix._42, prop->matrix._43));
      ++casts;
    }
    const double elapsed = Since(begin);
    ShadowProjector::Setup(&GetPhysics(), &GetDecals(), texture);
    scratch_.Clear();
    shadowCasts = casts;
    return elapsed;
  }

  const int frames_;
  const bool crowd_;
  int frame_ = 0;
  DecalSystem scratch_;
};

}  // namespace

int main(int argc, char** argv) {
  int frames = 3600;
  bool crowd = false;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--root" && i + 1 < argc) {
      if (chdir(argv[++i]) != 0) return 1;
    } else if (argument == "--crowd") {
      crowd = true;
    } else if (argument == "--frames" && i + 1 < argc) {
      frames = std::max(120, std::atoi(argv[++i]));
    } else {
      std::fprintf(stderr, "usage: effects_brawl_bench [--root DIR] [--frames N] [--crowd]\n");
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

  BrawlApp app(frames, crowd);
  if (!app.Run(nullptr, 60.0f)) return 1;
  const double n = app.measured > 0 ? app.measured : 1;
  std::printf("frames %d (standard mode, 800x600, draws skipped)\n", frames);
  std::printf("peak live billboards %zu, peak live decals %zu\n", app.peakBillboards, app.peakDecals);
  std::printf("pools at the end: billboard records %zu, decal records %zu\n", app.finalBillboardRecords,
              app.finalDecalRecords);
  std::printf("CPU per frame %.3f ms; effects' sort + draws %.3f ms (worst %.3f ms), %.1f %% of the frame\n",
              app.frameMs / n, app.effectsDrawMs / n, app.worstEffectsDrawMs, 100.0 * app.effectsDrawMs / app.frameMs);
  std::printf("one round of every shadow: %d casts, %.3f ms (%.2f us per cast)\n", app.shadowCasts,
              app.shadowRoundMs / n, 1000.0 * app.shadowRoundMs / n / std::max(1, app.shadowCasts));
  return 0;
}
