#pragma once
// The application: owns every manager, brings them up and down in a fixed
// order, and runs the frame: join the physics step, update the game, start
// the next physics step, and draw while it runs.

#include <cstdint>
#include <string>
#include <vector>

#include "character/CharacterManager.h"
#include "character/CharacterObj.h"
#include "frame/FwDX9.h"
#include "frame/MessageOutputInterface.h"
#include "frame/PerformanceMarker.h"
#include "frame/ProfilerView.h"
#include "input/InputSystem.h"
#include "physics/PhysicsManager.h"
#include "render/AdvancedRenderSystem.h"
#include "sound/SoundSystem.h"

class AppMain : public FwDX9Template, public FwDX9::D3dDeviceLostCallback {
 public:
  // Collects the messages of one initialisation or load step.
  class MsgContainer : public MessageOutputInterface {
   public:
    void Output(const char* text) override;
    const std::vector<std::string>& GetMessages() const { return messages_; }
    void Clear() { messages_.clear(); }

   private:
    std::vector<std::string> messages_;
  };

  // Profiler sections, in the order of their names.
  enum ProfilerSection { kProfileUpdate = 0, kProfileDraw = 1, kProfilePhysics = 2, kProfileSectionCount = 3 };
  static const char* const kProfilerNames[kProfileSectionCount];

  AppMain();
  // Assumes Exit has run.
  ~AppMain() override;

  bool Init() override;
  void Exit() override;
  void Frame() override;

  void OnDeviceLost() override;
  void OnDeviceReset() override;

  // Shows every collected message in its own "Error" box, oldest first, then
  // empties the container.
  void ShowErrors(MsgContainer& messages);

  const PerformanceMarker& GetProfiler() const { return profiler_; }
  bool IsMenuVisible() const { return menuVisible_; }
  bool IsDebugDrawOn() const { return debugDrawOn_; }
  const char* GetLandText() const { return landText_; }
  const std::string& GetPhysicsText() const { return physicsText_; }
  // Game steps run so far (frames in which the simulation stepped).
  std::uint32_t GetStepCount() const { return stepCount_; }

  AdvancedRenderSystem& GetRenderer() { return renderer_; }
  const InputSystem& GetInput() const { return input_; }
  // The sound system while the application holds it, else null.
  SoundSystem* GetSound() const { return sound_; }
  PhysicsManager& GetPhysics() { return physics_; }
  // The command word of the player's keys in the last game step.
  std::uint32_t GetPlayerCommand() const { return playerCommand_; }

  // Appends a character to the manager and to the application's own list
  // (the order the player selection walks). The caller keeps ownership.
  void AddCharacter(CharacterObj* character);
  CharacterManager& GetCharacterManager() { return characterManager_; }
  // The character the keys control, or null.
  CharacterObj* GetPlayer() const { return player_; }
  // The menu item "NPC Action": the opponents act at random while it is on.
  void SetNpcAction(bool on) { npcAction_ = on; }

  // The process-wide pause flag toggled by F8.
  static bool IsPaused();
  static void SetPaused(bool paused);

 private:
  // Decides from F8 and F7 whether the simulation steps this frame.
  bool DecideStep();
  void Update();
  void UpdateView();
  // Player selection and control, opponents, the manager's update and the
  // player's ground (AppMainCharacters.cpp).
  void UpdateCharacters();
  void Draw();
  void DrawDebugPass();
  void DrawOverlayPass();
  // Input and sound start-up and shutdown (AppMainInputSound.cpp).
  void InitInput();
  void InitSound();
  void ReleaseSound();
  // The world and its step timing (AppMainPhysics.cpp).
  void InitPhysics();
  void ReleasePhysics();

  AdvancedRenderSystem renderer_;
  InputSystem input_;
  SoundSystem* sound_ = nullptr;  // the process-wide instance, held from Init to Exit
  PhysicsManager physics_;
  std::uint32_t playerCommand_ = 0;
  CharacterManager characterManager_;
  std::vector<CharacterObj*> characters_;  // the manager's order, for the player selection
  CharacterObj* player_ = nullptr;
  bool npcAction_ = true;
  bool menuVisible_ = false;
  bool debugDrawOn_ = false;
  PerformanceMarker profiler_;
  ProfilerView profilerView_;  // laid out anew each frame the menu is shown
  char landText_[1024] = {};
  std::string physicsText_;
  std::uint32_t stepCount_ = 0;
};

// The one application object (set by its constructor), or null.
AppMain* GetApp();
