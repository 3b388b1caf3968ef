#pragma once
// Camera-facing textured squares (blood drops, smoke) that move, grow, spin,
// wait, fade and expire on their own. Each frame they are sorted back to
// front and drawn one by one with the renderer's plain textured drawing,
// under a slowly growing depth bias so that nearer ones win ties.

#include <cstdint>
#include <vector>

#include "frame/CameraView.h"
#include "platform/d3d9/D3d9.h"
#include "platform/d3dx9/D3dxMath.h"

class RenderSystem;
struct Billboard;

class BillboardSystem {
 public:
  // A behaviour called once per frame for each live billboard that names
  // it, before the billboard moves. It may change any field, or free the
  // billboard by setting its texture to null.
  class CallbackBase {
   public:
    virtual void Callback(Billboard& billboard) = 0;

   protected:
    ~CallbackBase() = default;
  };

  BillboardSystem() = default;
  // Deletes whatever records are left and gives the quad back.
  virtual ~BillboardSystem();
  BillboardSystem(const BillboardSystem&) = delete;
  BillboardSystem& operator=(const BillboardSystem&) = delete;

  bool Init(IDirect3DDevice9* device, const CameraView* view, RenderSystem* renderer);
  // The quad buffer is given back and the device forgotten; records stay.
  void Release();
  bool IsInitialised() const { return device_ != nullptr; }

  // Copies b (all fields but depth) into a free record or a new one. False
  // only at the maxBillboards limit.
  bool Add(const Billboard& b);
  void Update();
  // Back to front along the view direction.
  void Sort();
  void Draw(float depthBiasStep);
  void Clear();

  void SetMaxBillboards(int limit) { maxBillboards_ = limit; }
  // Records held, free ones included, and the live ones among them.
  std::size_t GetRecordCount() const { return billboards_.size(); }
  std::size_t GetLiveCount() const;
  const std::vector<Billboard*>& GetRecords() const { return billboards_; }

 private:
  IDirect3DDevice9* device_ = nullptr;
  const CameraView* view_ = nullptr;
  IDirect3DVertexBuffer9* quad_ = nullptr;
  RenderSystem* renderer_ = nullptr;
  std::vector<Billboard*> billboards_;
  int maxBillboards_ = 0;
};

// One particle. A null texture marks a free record.
struct Billboard {
  IDirect3DTexture9* texture = nullptr;
  D3DXVECTOR3 position{0.0f, 0.0f, 0.0f};
  float size = 0.0f;        // edge length
  float angle = 0.0f;       // spin about the view axis, radians
  D3DXCOLOR colour{1.0f, 1.0f, 1.0f, 1.0f};  // a is the opacity and fades
  std::int32_t lifeFrames = 0;   // frames left; 0 means no limit
  std::int32_t delayFrames = 0;  // frames before fading starts
  float fadePerFrame = 0.0f;     // added to the opacity after the delay
  D3DXVECTOR3 velocity{0.0f, 0.0f, 0.0f};
  float sizeRate = 0.0f;
  float spinRate = 0.0f;
  BillboardSystem::CallbackBase* callback = nullptr;  // not owned
  float depth = 0.0f;  // along the view direction, set by Sort
};
