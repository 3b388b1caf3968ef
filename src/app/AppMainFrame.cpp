// The per-frame order of the application.

#include "app/AppMain.h"
#include "app/PlayerInput.h"

namespace {
bool g_paused = false;
}  // namespace

bool AppMain::IsPaused() { return g_paused; }
void AppMain::SetPaused(bool paused) { g_paused = paused; }

void AppMain::Frame() {
  profiler_.NewFrame();
  pad_.ReadFrame(input_);
  if (IsKeyPressed(VK_ESCAPE)) SetQuitRequested(true);

  // Join the step started last frame; the marker spans the frame boundary.
  // Without a step to join (paused), the frozen world still debug-draws.
  const bool joining = physics_.IsStepInFlight();
  physics_.FinishStep();
  if (!joining) physics_.DrawDebugWorld();
  if (profiler_.IsInProgress(kProfilePhysics)) profiler_.End(kProfilePhysics);

  const bool step = DecideStep();

  profiler_.Begin(kProfileUpdate);
  if (step) Update();
  UpdateView();
  profiler_.End(kProfileUpdate);

  // The world belongs to the worker until the next frame's join; drawing
  // uses only what the update copied out of it.
  if (step) {
    profiler_.Begin(kProfilePhysics);
    physics_.StartStep();
  }

  profiler_.Begin(kProfileDraw);
  Draw();
  profiler_.End(kProfileDraw);
}

bool AppMain::DecideStep() {
  if (IsKeyPressed(VK_F8) || pad_.IsPressed(PadControl::kPause)) g_paused = !g_paused;
  return !g_paused || IsKeyPressed(VK_F7);
}

void AppMain::Update() {
  ++stepCount_;
  input_.Update();
  PlayerKeys keys = ReadPlayerKeys(input_);
  pad_.AddPlayerControls(input_, menuVisible_, &keys);
  playerCommand_ = PlayerCommandWord(keys);
  ControlCharacters();
  UpdateHitReactions();
  SpawnFromKeys();
  characterManager_.UpdateAll();
  UpdateLandText();
  UpdateBombs();
  UpdateProps();
  physics_.ReportImpacts(this);
  if (sound_ != nullptr) sound_->Update();
  billboards_.Update();
  decals_.Update();
  physics_.GetStatistics(physicsText_);
}
