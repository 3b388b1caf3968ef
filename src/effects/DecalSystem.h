#pragma once
// Textured squares laid flat on surfaces (blood splats, blob shadows). Each
// decal is the unit quad turned onto the surface normal, spun about it,
// scaled and placed. Near decals are drawn in two stencil passes that keep
// only the pixels whose surface lies in a thin depth slab around the decal
// plane, so a splat over an edge is cut at the edge instead of hanging in
// the air; far decals take one depth-biased pass.

#include <cstdint>
#include <vector>

#include "frame/CameraView.h"
#include "platform/d3d9/D3d9.h"
#include "platform/d3dx9/D3dxMath.h"

class RenderSystem;

// One decal. A null texture marks a free record.
struct Decal {
  IDirect3DTexture9* texture = nullptr;
  D3DXMATRIX transform;  // quad space to world
  D3DXVECTOR3 position{0.0f, 0.0f, 0.0f};
  D3DXVECTOR3 normal{0.0f, 1.0f, 0.0f};
  float radius = 0.0f;  // bounding radius, scaled with the decal
  D3DXCOLOR colour{1.0f, 1.0f, 1.0f, 1.0f};  // current; a is the opacity left
  bool lit = false;
  std::int32_t lifeFrames = 0;   // 0 means no limit
  std::int32_t delayFrames = 0;  // before fading and growing start
  float fadePerFrame = 0.0f;
  std::int32_t growthPerMille = 1000;  // per-frame scale in thousandths
  D3DXCOLOR baseColour{1.0f, 1.0f, 1.0f, 1.0f};
};

// What a caller gives to place a decal.
struct DecalDesc {
  IDirect3DTexture9* texture = nullptr;
  float size = 1.0f;            // edge length in world units
  std::int32_t rotation = 0;    // spin about the normal, tenths of a degree
  bool lit = false;
  std::int32_t lifeFrames = 0;
  std::int32_t delayFrames = 0;
  float fadePerFrame = 0.0f;
  std::int32_t growth = 0;      // thousandths added to 1000
};

class DecalSystem {
 public:
  DecalSystem() = default;
  // Deletes whatever records are left and gives the quad back.
  virtual ~DecalSystem();
  DecalSystem(const DecalSystem&) = delete;
  DecalSystem& operator=(const DecalSystem&) = delete;

  // stencilLimit is 255 with a stencil buffer, 0 without (one pass only).
  bool Init(IDirect3DDevice9* device, const CameraView* view, std::uint32_t stencilLimit, RenderSystem* renderer,
            float lightFactor);
  // The quad buffer is given back and the device forgotten; records stay.
  void Release();
  bool IsInitialised() const { return device_ != nullptr; }

  // False at the maxDecals limit, or for a desc without a texture.
  bool Add(const D3DXVECTOR3& position, const D3DXVECTOR3& normal, const D3DXCOLOR& colour, const DecalDesc& desc);
  void Update();
  void Draw(float nearFraction, float depthBias);
  void Clear();

  void SetMaxDecals(int limit) { maxDecals_ = limit; }
  std::uint32_t GetStencilLimit() const { return stencilLimit_; }
  std::size_t GetRecordCount() const { return decals_.size(); }
  std::size_t GetLiveCount() const;
  const std::vector<Decal*>& GetRecords() const { return decals_; }

 private:
  IDirect3DDevice9* device_ = nullptr;
  const CameraView* view_ = nullptr;
  std::uint32_t stencilLimit_ = 0;
  IDirect3DVertexBuffer9* quad_ = nullptr;
  RenderSystem* renderer_ = nullptr;
  float lightFactor_ = 0.0f;
  std::vector<Decal*> decals_;
  int maxDecals_ = 0;
};
