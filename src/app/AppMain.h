#pragma once
// The application: owns every manager, brings them up and down in a fixed
// order, and runs the frame: join the physics step, update the game, start
// the next physics step, and draw while it runs.

#include <cstdint>
#include <string>
#include <vector>

#include "character/CharacterManager.h"
#include "character/CharacterObj.h"
#include "effects/BillboardSystem.h"
#include "effects/DebugDrawSystem.h"
#include "effects/DecalSystem.h"
#include "effects/EffectManager.h"
#include "effects/SimpleBackground.h"
#include "frame/FwDX9.h"
#include "frame/MessageOutputInterface.h"
#include "frame/PerformanceMarker.h"
#include "frame/ProfilerView.h"
#include "gui/MenuObj.h"
#include "input/InputSystem.h"
#include "physics/PhysicsManager.h"
#include "app/PadControl.h"
#include "app/SceneTypes.h"
#include "render/AdvancedRenderSystem.h"
#include "sound/SoundSystem.h"

class AppMain : public FwDX9Template,
                public FwDX9::D3dDeviceLostCallback,
                public CharacterManager::CallbackObj,
                public PhysicsManager::CallbackRayHit,
                public PhysicsManager::CallbackImpact {
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

  // Blood drops, smoke and the blast's flash.
  using EffectManager = ::EffectManager;

  AppMain();
  // Assumes Exit has run.
  ~AppMain() override;

  bool Init() override;
  void Exit() override;
  void Frame() override;

  void OnDeviceLost() override;
  void OnDeviceReset() override;

  // What the fighters' actions do to the world (AppMainEvents.cpp).
  bool StrikeRay(const D3DXVECTOR3& end, const D3DXVECTOR3& start, CharacterBase* attacker) override;
  void SweepRay(const D3DXVECTOR3& end, const D3DXVECTOR3& start, CharacterBase* attacker) override;
  void ThrowObject(const D3DXMATRIX& hand, const D3DXVECTOR3& velocity, CharacterBase* thrower) override;
  void PlayHitSound(const D3DXVECTOR3& position, float strength) override;
  void OnRayHit(const D3DXVECTOR3& point, const D3DXVECTOR4& normal,
                const btCollisionWorld::LocalRayResult& result) override;
  void OnImpact(const btCollisionObject* a, const btCollisionObject* b, const D3DXVECTOR3& point, float impulse,
                btPersistentManifold* manifold) override;
  // Flash, sound and the blast's push on every fighter and prop in reach
  // and in sight of the position.
  void Explode(const D3DXVECTOR3& position, float radius);

  // The scene (AppMainScene.cpp). LoadScene always returns true: a missing
  // file is reported and the scene goes on without it. afterReset reloads
  // only what a device reset lost.
  bool LoadScene(bool afterReset);
  void UnloadScene();
  void CreateSceneObjects();
  void ResetScene();
  SceneProp* SpawnProp(PropKind* kind, const D3DXVECTOR3& position);
  CharacterObj* SpawnCharacter(const D3DXVECTOR3& position, float yaw, float scale);
  void RemoveProp(SceneProp* prop);
  void RemoveCharacter(CharacterObj* character);

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
  const PadControl& GetPad() const { return pad_; }
  // The sound system while the application holds it, else null.
  SoundSystem* GetSound() const { return sound_; }
  PhysicsManager& GetPhysics() { return physics_; }
  BillboardSystem& GetBillboards() { return billboards_; }
  DecalSystem& GetDecals() { return decals_; }
  EffectManager& GetEffects() { return effects_; }
  const SimpleBackground& GetBackground() const { return background_; }
  // The command word of the player's keys in the last game step.
  std::uint32_t GetPlayerCommand() const { return playerCommand_; }

  // Appends a character to the manager and to the application's own list
  // (the order the player selection walks). The caller keeps ownership.
  void AddCharacter(CharacterObj* character);
  CharacterManager& GetCharacterManager() { return characterManager_; }
  // The character the keys control, or null.
  CharacterObj* GetPlayer() const { return player_; }
  const std::vector<CharacterObj*>& GetCharacters() const { return characters_; }
  const std::vector<SceneProp*>& GetProps() const { return props_; }
  const std::vector<Bomb*>& GetBombs() const { return bombs_; }
  PropKind& GetPropKind(int index) { return propKinds_[index]; }
  const SceneResources& GetSceneResources() const { return scene_; }

  // The menu's items, in their order on the menu (AppMainMenu.cpp).
  enum MenuItem { kItemReset = 0, kItemDebugDraw = 1, kItemFreeCamera = 2, kItemNpcAction = 3 };
  // The items' states, as a click leaves them: "NPC Action" (the opponents
  // act at random; starts on), "FreeCamera" (the free camera instead of
  // the follow camera), "DebugDraw" (applied in the next view update).
  void SetNpcAction(bool on) { menu_.SetItemChecked(kItemNpcAction, on); }
  bool IsNpcAction() const { return menu_.IsItemChecked(kItemNpcAction); }
  void SetFreeCamera(bool on) { menu_.SetItemChecked(kItemFreeCamera, on); }
  bool IsFreeCamera() const { return menu_.IsItemChecked(kItemFreeCamera); }
  void SetDebugDrawItem(bool on) { menu_.SetItemChecked(kItemDebugDraw, on); }
  // As a click on "Reset": the scene's initial population comes back in
  // the next view update.
  void RequestReset() { menu_.SetItemChecked(kItemReset, true); }
  MenuObj& GetMenu() { return menu_; }
  DebugDrawSystem& GetDebugDraw() { return debugDraw_; }

  // The follow camera's distance from its target (it starts at 50 and
  // lives for the process, like the rest of its state).
  static float GetFollowDistance();

  // The process-wide pause flag toggled by F8.
  static bool IsPaused();
  static void SetPaused(bool paused);

 private:
  // Decides from F8 and F7 whether the simulation steps this frame.
  bool DecideStep();
  void Update();
  void UpdateView();
  // Player selection and control, the opponents' random commands, and the
  // player's ground (AppMainCharacters.cpp).
  void ControlCharacters();
  void UpdateLandText();
  // The camera (AppMainView.cpp).
  void FollowCamera(const D3DXVECTOR3& target);
  // The menu (AppMainMenu.cpp): built at start-up, worked by the mouse
  // (and the keys 1 to 4) while shown, its items applied every frame.
  void BuildMenu();
  void UpdateMenu();
  // Debug drawing (AppMainDebug.cpp): the switch behind "DebugDraw", and a
  // mark (a sphere of half the sound's reach and the value as a label) at
  // a sound's position while debug drawing is on.
  void SwitchDebugDraw(bool on);
  void AddDebugMark(const D3DXVECTOR3& position, float maxDistance, float value);
  // The value ("%.1f") as a label at the position, while debug drawing is on.
  void AddDebugValue(const D3DXVECTOR3& position, float value, D3DCOLOR colour, int holdFrames, int fadeFrames);
  // The game step's reactions (AppMainProps.cpp).
  void UpdateHitReactions();
  void UpdateBombs();
  void UpdateProps();
  void UpdatePropShadow(SceneProp* prop);
  // Q, W, E, R throw a prop from the camera; T drops a fighter ahead.
  void SpawnFromKeys();
  void Draw();
  void DrawProps();
  void DrawDebugPass();
  void DrawOverlayPass();
  // The text overlay (AppMainOverlay.cpp).
  void DrawOverlay();
  void DrawOverlayLine(const char* text, int left, int top, bool rightAligned);
  // Body sources of the level and the four prop kinds (AppMainScene.cpp).
  void CreatePropKinds();
  // Input and sound start-up and shutdown (AppMainInputSound.cpp).
  void InitInput();
  void InitSound();
  void ReleaseSound();
  // The world and its step timing (AppMainPhysics.cpp).
  void InitPhysics();
  void ReleasePhysics();
  // Billboards and decals (AppMainEffects.cpp).
  void InitEffectSystems();
  void ReleaseEffectSystems();
  // Three sprays of blood where a blade cuts a fighter.
  void SpillBlood(const D3DXVECTOR3& point, const D3DXVECTOR3& direction);

  AdvancedRenderSystem renderer_;
  DebugDrawSystem debugDraw_;  // outlives the physics manager, whose last join may still draw into it
  InputSystem input_;
  PadControl pad_;  // the game controller's buttons, camera and zoom
  BillboardSystem billboards_;
  DecalSystem decals_;
  SoundSystem* sound_ = nullptr;  // the process-wide instance, held from Init to Exit
  PhysicsManager physics_;
  SimpleBackground background_;
  std::uint32_t playerCommand_ = 0;
  CharacterManager characterManager_;
  std::vector<CharacterObj*> characters_;  // the manager's order, for the player selection
  CharacterObj* player_ = nullptr;
  SceneResources scene_;
  PropKind propKinds_[kPropKindCount];
  std::vector<SceneProp*> props_;
  std::vector<Bomb*> bombs_;
  // The end and start of the sweep whose hits OnRayHit receives.
  D3DXVECTOR3 sweepEnd_{0.0f, 0.0f, 0.0f};
  D3DXVECTOR3 sweepStart_{0.0f, 0.0f, 0.0f};
  MenuObj menu_;
  bool menuVisible_ = false;
  bool debugDrawOn_ = false;
  EffectManager effects_;
  PerformanceMarker profiler_;
  ProfilerView profilerView_;  // laid out anew each frame the menu is shown
  char landText_[1024] = {};
  std::string physicsText_;
  std::uint32_t stepCount_ = 0;
};

// The one application object (set by its constructor), or null.
AppMain* GetApp();
