#include "effects/ShadowProjector.h"

#include "effects/DecalSystem.h"
#include "physics/PhysicsManager.h"

namespace {

// Shadows fall on the level only.
constexpr std::uint16_t kShadowRayMask = 0x100;

struct SharedShadowState {
  PhysicsManager* physics = nullptr;
  DecalSystem* decals = nullptr;
  IDirect3DTexture9* texture = nullptr;
  D3DXVECTOR3 direction{0.0f, -1.0f, 0.0f};
};

SharedShadowState& Shared() {
  static SharedShadowState state;
  return state;
}

}  // namespace

void ShadowProjector::Setup(PhysicsManager* physics, DecalSystem* decals, IDirect3DTexture9* texture) {
  SharedShadowState& shared = Shared();
  shared.physics = physics;
  shared.decals = decals;
  shared.texture = texture;
}

void ShadowProjector::SetDirection(const D3DXVECTOR3& direction) { Shared().direction = direction; }

const D3DXVECTOR3& ShadowProjector::GetDirection() { return Shared().direction; }

bool ShadowProjector::Project(std::int32_t frames, const D3DXVECTOR3& position) {
  lastFrames = frames;
  const SharedShadowState& shared = Shared();
  if (shared.physics == nullptr || shared.decals == nullptr || shared.texture == nullptr || !(length > 0.0f)) {
    return false;
  }
  D3DXVECTOR3 hitPoint;
  D3DXVECTOR4 hitNormal;
  const D3DXVECTOR3 end = position + shared.direction * length;
  if (shared.physics->RayTestClosest(position, end, &hitPoint, &hitNormal, nullptr, kShadowRayMask) == nullptr) {
    return false;
  }
  const D3DXVECTOR3 offset = hitPoint - position;
  const float t = D3DXVec3Length(&offset) / length;  // 0 at the object, 1 at the ray's end

  DecalDesc desc;
  desc.texture = shared.texture;
  desc.size = (t + 1.0f) * sizeScale;
  desc.rotation = 0;
  desc.lit = false;
  desc.lifeFrames = 1 + frames;
  desc.delayFrames = -1;  // never starts fading: it simply expires
  desc.fadePerFrame = 0.0f;
  desc.growth = 0;
  shared.decals->Add(hitPoint, D3DXVECTOR3(hitNormal.x, hitNormal.y, hitNormal.z),
                     D3DXCOLOR(0.0f, 0.0f, 0.0f, (1.0f - t) * alphaScale), desc);
  return true;
}
