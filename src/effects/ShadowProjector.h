#pragma once
// A blob shadow: a ray from the object along the shadow direction, and a
// short-lived dark decal where it meets the level, larger and fainter the
// farther the ground is. Every projector shares the physics world, the
// decal system, the texture and the direction, set once for the scene.

#include <cstdint>

#include "platform/d3d9/D3d9.h"
#include "platform/d3dx9/D3dxMath.h"

class DecalSystem;
class PhysicsManager;

class ShadowProjector {
 public:
  ShadowProjector() = default;
  ShadowProjector(float length, float sizeScale, float alphaScale)
      : length(length), sizeScale(sizeScale), alphaScale(alphaScale) {}
  virtual ~ShadowProjector() = default;

  // What every projector uses; a null texture switches shadows off.
  static void Setup(PhysicsManager* physics, DecalSystem* decals, IDirect3DTexture9* texture);
  // The direction shadows fall in (the scene's main light); unit length.
  static void SetDirection(const D3DXVECTOR3& direction);
  static const D3DXVECTOR3& GetDirection();

  // Places a decal living 1 + frames frames where the ray meets the level.
  // True when the ray met something and the shadow was placed.
  bool Project(std::int32_t frames, const D3DXVECTOR3& position);

  float length = 0.0f;  // of the ray
  float sizeScale = 0.0f;
  float alphaScale = 0.0f;
  std::int32_t lastFrames = 0;  // the frames of the last projection
};
