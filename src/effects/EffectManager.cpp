#include "effects/EffectManager.h"

#include <cmath>

#include "physics/PhysicsManager.h"
#include "platform/win32/CrtRandom.h"
#include "render/RenderSystem.h"

namespace {

constexpr float kTwoPi = 6.2831855f;
// The mask of the groups a blood drop lands on.
constexpr std::uint16_t kDropRayMask = 0x100;

float Rand01() { return static_cast<float>(crt::rand()) * (1.0f / 32767.0f); }

}  // namespace

D3DXVECTOR3 EffectManager::RandomDirection() {
  const float u = Rand01();
  const float v = Rand01();
  const float theta = 2.0f * std::acos(std::sqrt(1.0f - u));
  const float phi = kTwoPi * v;
  return D3DXVECTOR3(std::cos(phi) * std::sin(theta), std::cos(theta), std::sin(phi) * std::sin(theta));
}

void EffectManager::Init(IDirect3DTexture9* const* textures, RenderSystem* renderer, const CameraView* camera,
                         BillboardSystem* billboards, PhysicsManager* physics, DecalSystem* decals,
                         float framesPerSecond) {
  textures_ = textures;
  renderer_ = renderer;
  camera_ = camera;
  billboards_ = billboards;
  decals_ = decals;
  framesPerSecond_ = framesPerSecond;

  dropTemplate_ = Billboard();
  dropTemplate_.callback = &fluid_;
  smokeTemplate_ = Billboard();

  fluid_.physics = physics;
  fluid_.decals = decals;
  fluid_.framesPerSecond = static_cast<std::int32_t>(framesPerSecond);
  flashStrength_ = -1.0f;
}

void EffectManager::SpawnFluid(const D3DXVECTOR3& position, float speed, const D3DXVECTOR3& baseVelocity,
                               float opacityScale) {
  if (billboards_ == nullptr) return;
  Billboard& b = dropTemplate_;
  b.position = position;
  b.angle = Rand01() * kTwoPi;
  b.velocity = RandomDirection() * speed + baseVelocity;
  b.velocity.y += 0.4f;
  if (crt::rand() % 2 != 0) {
    b.texture = Texture(kBlood1);
    b.size = 1.0f + 0.5f * Rand01();
    b.sizeRate = 0.04f;
    b.colour.a = (0.8f + 0.2f * Rand01()) * opacityScale;
    b.fadePerFrame = -1.0f / (3.0f * framesPerSecond_);
  } else {
    b.texture = Texture(kBlood2);
    b.size = 2.0f + 0.5f * Rand01();
    b.sizeRate = 0.3f;
    b.colour.a = (0.6f + 0.2f * Rand01()) * opacityScale;
    b.fadePerFrame = -1.0f / framesPerSecond_;
  }
  // Without its texture the drop is simply not made.
  if (b.texture != nullptr) billboards_->Add(b);
}

void EffectManager::SpawnSmoke(const D3DXVECTOR3& position, float size, float speed, const D3DXVECTOR3& baseVelocity,
                               const D3DXCOLOR& colour, bool burst, float timeOffset) {
  Billboard& b = smokeTemplate_;
  b.texture = Texture(kSmoke);
  if (billboards_ == nullptr || b.texture == nullptr) return;
  b.velocity = RandomDirection() * speed + baseVelocity;
  b.position = position + b.velocity * timeOffset;
  b.angle = Rand01() * kTwoPi;
  if (burst) {
    b.size = size;
    b.delayFrames = 0;
    b.sizeRate = size * 0.5f;
    b.fadePerFrame = -1.0f / (0.3f * framesPerSecond_);
  } else {
    b.size = 0.8f * size + Rand01() * (1.2f * size - 0.8f * size);
    b.sizeRate = b.size * 0.02f;
    b.delayFrames = static_cast<std::int32_t>(framesPerSecond_ * 0.5f);
    b.fadePerFrame = -1.0f / (3.5f * framesPerSecond_);
  }
  b.colour = colour;
  b.spinRate = Rand01() * 0.0628318563f - 0.0314159282f;
  billboards_->Add(b);
}

void EffectManager::TriggerFlash(const D3DXVECTOR3& position, float radius, float strength) {
  if (camera_ == nullptr) return;
  const D3DXVECTOR3 offset = camera_->eye - position;
  if (!(D3DXVec3Length(&offset) <= radius)) return;
  flashPosition_ = position;
  flashRadius_ = radius;
  flashStrength_ = strength;
  flashDecay_ = strength * 0.05f;  // gone within 20 frames
}

void EffectManager::DrawFlash() {
  if (!(flashStrength_ > 0.0f) || camera_ == nullptr) return;
  const D3DXVECTOR3 offset = flashPosition_ - camera_->eye;
  const float distance = D3DXVec3Length(&offset);
  if (distance < flashRadius_ && renderer_ != nullptr) {
    const float k = (distance - flashRadius_) / flashRadius_;  // -1 at the centre, 0 at the radius
    const float width = renderer_->GetScreenWidth();
    const float height = renderer_->GetScreenHeight();
    const D3DXVECTOR2 centre(width * 0.5f, height * 0.5f);
    const float limit = 0.55f * std::sqrt(width * width + height * height);
    D3DXVECTOR3 point = flashPosition_;
    if (ProjectToScreen(*camera_, width, height, &point)) {
      // Keeps a flash far off to the side from pulling the blur off screen.
      D3DXVECTOR2 screen(point.x, point.y);
      const D3DXVECTOR2 fromCentre = screen - centre;
      const float reach = D3DXVec2Length(&fromCentre);
      if (reach > limit) screen = centre + fromCentre * (limit / reach);
      renderer_->ApplyRadialBlur(screen, k * flashStrength_);
    } else {
      // Behind the camera: blur from the middle of the screen, a little weaker.
      renderer_->ApplyRadialBlur(centre, k * flashStrength_ * 0.8f);
    }
  }
  flashStrength_ -= flashDecay_;
}

void EffectManager::BB_Fluid::Callback(Billboard& drop) {
  drop.velocity.y -= 0.04f;
  drop.velocity *= 0.997f;
  if (physics == nullptr || decals == nullptr) return;
  D3DXVECTOR3 hitPoint;
  D3DXVECTOR4 hitNormal;
  const D3DXVECTOR3 next = drop.position + drop.velocity;
  if (physics->RayTestClosest(drop.position, next, &hitPoint, &hitNormal, nullptr, kDropRayMask) == nullptr) return;

  DecalDesc desc;
  desc.texture = drop.texture;
  desc.size = drop.size * 1.2f;
  desc.rotation = static_cast<std::int32_t>(drop.angle * 57.2957763671875f * 10.0f);
  desc.lit = true;
  desc.lifeFrames = drop.lifeFrames;
  desc.delayFrames = drop.delayFrames + 30 * framesPerSecond;  // unchanged for 30 seconds
  desc.fadePerFrame = drop.fadePerFrame * 0.2f;
  desc.growth = 0;
  decals->Add(hitPoint, D3DXVECTOR3(hitNormal.x, hitNormal.y, hitNormal.z), drop.colour, desc);
  drop.texture = nullptr;  // landed: the billboard goes this frame
}
