#pragma once
// The scene's objects and resources as the application holds them: the
// kinds of props, the props and bombs in the scene, and every file the
// scene loads.

#include <cstdint>

#include "effects/ShadowProjector.h"
#include "platform/d3dx9/D3dxMath.h"

class MeshData;
class PeBodySource;
class SkinData;
class SoundData;
struct BodyHandle;
struct IDirect3DTexture9;
struct MaterialData;

// How props of one kind are made and drawn.
struct PropKind {
  PeBodySource* source = nullptr;  // owned by the application
  MeshData* mesh = nullptr;        // borrowed from the scene's meshes; null: not drawn
  float scale = 1.0f;              // of the render matrix
  float size = 0.0f;               // radius-like: shadows and explosion impulses
  float impactThreshold = 0.0f;    // accumulated impulse that makes a sound
  bool castsShadow = true;
};

// The kinds in the order the scene builds their sources.
enum PropKindIndex { kPropLevel = 0, kPropW = 1, kPropE = 2, kPropQ = 3, kPropR = 4, kPropKindCount = 5 };

struct SceneProp {
  BodyHandle* handle = nullptr;
  PropKind* kind = nullptr;
  D3DXMATRIX matrix;  // render matrix, rebuilt every stepped frame
  ShadowProjector shadow;
  std::int32_t shadowCountdown = 0;  // frames until the next projection
  float impact = 0.0f;  // impulses of the last frames, decaying
  std::int32_t tick = 0;
  bool thrown = false;  // created by a throw and not yet processed
};

// A thrown cabbage counting down to its explosion.
struct Bomb {
  SceneProp* prop = nullptr;
  std::int32_t countdown = 0;  // stepped frames left
  D3DXVECTOR3 lastPosition{0.0f, 0.0f, 0.0f};
};

// The effect textures, in the order they load.
enum EffectTextureIndex {
  kTextureShadow = 0,
  kTextureBlood1 = 1,
  kTextureBlood2 = 2,
  kTextureSmoke = 3,
  kTextureScreenBlurMask = 4,
  kEffectTextureCount = 5
};

// Every file of the scene; null where a file did not load.
struct SceneResources {
  SoundData* impactSound = nullptr;
  SoundData* explosionSound = nullptr;
  SoundData* hitSound = nullptr;
  MeshData* levelMesh = nullptr;
  IDirect3DTexture9* lightMap = nullptr;
  // The character set: the skinned body, its head, hair and weapon meshes,
  // and the materials of body, head, hair and weapon.
  SkinData* body = nullptr;
  MeshData* head = nullptr;
  MeshData* hair = nullptr;
  MeshData* weapon = nullptr;
  MaterialData* bodyMaterial = nullptr;
  MaterialData* headMaterial = nullptr;
  MaterialData* hairMaterial = nullptr;
  MaterialData* weaponMaterial = nullptr;
  // Props 1 (cabbage, also what fighters throw), 2 (crate) and 3 (ball).
  MeshData* propMeshes[3] = {};
  IDirect3DTexture9* effectTextures[kEffectTextureCount] = {};
};
