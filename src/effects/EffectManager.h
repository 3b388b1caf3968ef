#pragma once
// Turns game events into visible effects: sprays of blood drops that fly
// under gravity and become blood decals where they land, puffs of smoke,
// and a short radial blur of the screen when a blast goes off near the
// camera. Drops and smoke are billboards; each drop carries the fluid
// behaviour, which casts a physics ray along its next step.

#include <cstdint>

#include "effects/BillboardSystem.h"
#include "effects/DecalSystem.h"
#include "frame/CameraView.h"
#include "platform/d3d9/D3d9.h"
#include "platform/d3dx9/D3dxMath.h"

class PhysicsManager;
class RenderSystem;

class EffectManager {
 public:
  // The effect textures in their load order; the manager uses the blood and
  // smoke ones.
  enum TextureIndex { kShadow = 0, kBlood1 = 1, kBlood2 = 2, kSmoke = 3, kScreenBlur = 4, kTextureCount = 5 };

  // Gravity and drag on a blood drop, and the decal where its next step
  // meets a surface.
  class BB_Fluid : public BillboardSystem::CallbackBase {
   public:
    void Callback(Billboard& drop) override;

    PhysicsManager* physics = nullptr;
    DecalSystem* decals = nullptr;
    std::int32_t framesPerSecond = 60;
  };

  EffectManager() = default;
  virtual ~EffectManager() = default;
  EffectManager(const EffectManager&) = delete;
  EffectManager& operator=(const EffectManager&) = delete;

  // textures: kTextureCount entries, borrowed (missing ones are null).
  void Init(IDirect3DTexture9* const* textures, RenderSystem* renderer, const CameraView* camera,
            BillboardSystem* billboards, PhysicsManager* physics, DecalSystem* decals, float framesPerSecond);

  // One blood drop flying off in a random direction.
  void SpawnFluid(const D3DXVECTOR3& position, float speed, const D3DXVECTOR3& baseVelocity, float opacityScale);
  // One smoke puff; a burst grows and vanishes fast, the others drift and linger.
  void SpawnSmoke(const D3DXVECTOR3& position, float size, float speed, const D3DXVECTOR3& baseVelocity,
                  const D3DXCOLOR& colour, bool burst, float timeOffset);
  // Starts a flash when the camera is within radius of the position.
  void TriggerFlash(const D3DXVECTOR3& position, float radius, float strength);
  // The flash's radial blur, once per frame inside the screen-effect block.
  void DrawFlash();

  // A unit vector uniform on the sphere, from the game's random numbers.
  static D3DXVECTOR3 RandomDirection();

  // Read access for tests and tools.
  float GetFlashStrength() const { return flashStrength_; }
  const BB_Fluid& GetFluid() const { return fluid_; }

 private:
  IDirect3DTexture9* Texture(TextureIndex index) const { return textures_ != nullptr ? textures_[index] : nullptr; }

  IDirect3DTexture9* const* textures_ = nullptr;
  RenderSystem* renderer_ = nullptr;
  const CameraView* camera_ = nullptr;
  BillboardSystem* billboards_ = nullptr;
  DecalSystem* decals_ = nullptr;
  float framesPerSecond_ = 60.0f;
  Billboard dropTemplate_;
  Billboard smokeTemplate_;
  BB_Fluid fluid_;
  D3DXVECTOR3 flashPosition_{0.0f, 0.0f, 0.0f};
  float flashRadius_ = 0.0f;
  float flashStrength_ = -1.0f;
  float flashDecay_ = 0.0f;
};
