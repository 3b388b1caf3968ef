#include "effects/BillboardSystem.h"

#include <algorithm>
#include <cmath>

#include "effects/EffectQuad.h"
#include "render/RenderSystem.h"

namespace {
// Spare records kept when particles die out; beyond them one record is
// given back per frame.
constexpr std::size_t kSpareRecords = 20;
}  // namespace

BillboardSystem::~BillboardSystem() {
  Clear();
  Release();
}

bool BillboardSystem::Init(IDirect3DDevice9* device, const CameraView* view, RenderSystem* renderer) {
  if (device_ != nullptr || device == nullptr) return false;
  device_ = device;
  view_ = view;
  renderer_ = renderer;
  maxBillboards_ = 0;
  if (!effects::CreateUnitQuad(device, &quad_)) {
    device_ = nullptr;
    return false;
  }
  return true;
}

void BillboardSystem::Release() {
  if (quad_ != nullptr) quad_->Release();
  quad_ = nullptr;
  device_ = nullptr;
}

bool BillboardSystem::Add(const Billboard& b) {
  // A billboard without a texture would be a free record at once.
  if (b.texture == nullptr) return false;
  Billboard* record = nullptr;
  for (Billboard* candidate : billboards_) {
    if (candidate->texture == nullptr) {
      record = candidate;
      break;
    }
  }
  if (record == nullptr) {
    if (maxBillboards_ != 0 && billboards_.size() >= static_cast<std::size_t>(maxBillboards_)) return false;
    record = new Billboard();
    billboards_.push_back(record);
  }
  *record = b;
  record->depth = 0.0f;
  return true;
}

void BillboardSystem::Update() {
  std::size_t live = 0;
  std::ptrdiff_t lastFree = -1;
  for (std::size_t i = 0; i < billboards_.size(); ++i) {
    Billboard& b = *billboards_[i];
    if (b.texture == nullptr) {
      lastFree = static_cast<std::ptrdiff_t>(i);
      continue;
    }
    if (b.callback != nullptr) {
      b.callback->Callback(b);
      if (b.texture == nullptr) {
        lastFree = static_cast<std::ptrdiff_t>(i);
        continue;
      }
    }
    if (b.lifeFrames != 0 && --b.lifeFrames == 0) {
      b.texture = nullptr;
      lastFree = static_cast<std::ptrdiff_t>(i);
      continue;
    }
    if (b.delayFrames != 0) {
      --b.delayFrames;
    } else {
      b.colour.a += b.fadePerFrame;
      if (!(b.colour.a > 0.0f)) {
        b.texture = nullptr;
        lastFree = static_cast<std::ptrdiff_t>(i);
        continue;
      }
    }
    b.position += b.velocity;
    b.size += b.sizeRate;
    b.angle += b.spinRate;
    ++live;
  }
  if (lastFree >= 0 && billboards_.size() - live > kSpareRecords) {
    delete billboards_[static_cast<std::size_t>(lastFree)];
    billboards_.erase(billboards_.begin() + lastFree);
  }
}

void BillboardSystem::Sort() {
  if (view_ == nullptr) return;
  for (Billboard* b : billboards_) {
    if (b->texture == nullptr) continue;
    const D3DXVECTOR3 offset = b->position - view_->eye;
    b->depth = D3DXVec3Dot(&view_->viewDirection, &offset);
  }
  std::sort(billboards_.begin(), billboards_.end(),
            [](const Billboard* a, const Billboard* b) { return a->depth > b->depth; });
}

void BillboardSystem::Draw(float depthBiasStep) {
  if (device_ == nullptr || view_ == nullptr || renderer_ == nullptr || quad_ == nullptr) return;
  IDirect3DDevice9* device = device_;
  DWORD savedZFunc = 0;
  DWORD savedBias = 0;
  DWORD savedSpecular = 0;
  device->GetRenderState(D3DRS_ZFUNC, &savedZFunc);
  device->GetRenderState(D3DRS_DEPTHBIAS, &savedBias);
  device->GetRenderState(D3DRS_SPECULARENABLE, &savedSpecular);
  device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);

  // Turns the quad's +Y towards the eye.
  const D3DXVECTOR3& direction = view_->viewDirection;
  const float yaw = direction.x == 0.0f && direction.z == 0.0f ? 0.0f : std::atan2(-direction.x, -direction.z);
  const float pitch = std::acos(std::clamp(-direction.y, -1.0f, 1.0f));
  D3DXMATRIX facing;
  D3DXMatrixRotationYawPitchRoll(&facing, yaw, pitch, 0.0f);

  device->SetFVF(effects::kQuadFvf);
  device->SetStreamSource(0, quad_, 0, effects::kQuadStride);

  float bias = 0.0f;
  for (const Billboard* b : billboards_) {
    if (b->texture == nullptr || b->depth >= view_->farPlane) continue;
    // Sorted far to near: everything from here on is nearer still.
    if (b->depth < view_->nearPlane) break;
    D3DXMATRIX spin;
    D3DXMATRIX world;
    D3DXMatrixMultiply(&world, D3DXMatrixRotationY(&spin, b->angle), &facing);
    effects::ScaleBasisRows(&world, b->size);
    world._41 = b->position.x;
    world._42 = b->position.y;
    world._43 = b->position.z;
    bias -= depthBiasStep;
    device->SetRenderState(D3DRS_DEPTHBIAS, FloatToRenderState(bias));
    renderer_->SetWorldMatrix(world, 0);
    renderer_->BeginPlainDraw(b->colour, b->texture);
    renderer_->BeginMaterialPass();
    device->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
    renderer_->EndMaterialPass();
  }

  device->SetRenderState(D3DRS_ZFUNC, savedZFunc);
  device->SetRenderState(D3DRS_DEPTHBIAS, savedBias);
  device->SetRenderState(D3DRS_SPECULARENABLE, savedSpecular);
}

void BillboardSystem::Clear() {
  for (Billboard* b : billboards_) delete b;
  billboards_.clear();
}

std::size_t BillboardSystem::GetLiveCount() const {
  return static_cast<std::size_t>(
      std::count_if(billboards_.begin(), billboards_.end(), [](const Billboard* b) { return b->texture != nullptr; }));
}
