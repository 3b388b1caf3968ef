#include "effects/DecalSystem.h"

#include <algorithm>
#include <cmath>

#include "effects/EffectQuad.h"
#include "render/RenderSystem.h"

namespace {
constexpr float kDegreesToRadians = 0.017453292f;
// How far the mark and colour passes tilt their bias with the slope, so the
// slab keeps its thickness on surfaces seen at a grazing angle.
constexpr float kSlopeBias = 0.3f;
constexpr DWORD kAllColourChannels = D3DCOLORWRITEENABLE_RED | D3DCOLORWRITEENABLE_GREEN |
                                     D3DCOLORWRITEENABLE_BLUE | D3DCOLORWRITEENABLE_ALPHA;
}  // namespace

DecalSystem::~DecalSystem() {
  Clear();
  Release();
}

bool DecalSystem::Init(IDirect3DDevice9* device, const CameraView* view, std::uint32_t stencilLimit,
                       RenderSystem* renderer, float lightFactor) {
  if (device_ != nullptr || device == nullptr) return false;
  device_ = device;
  view_ = view;
  stencilLimit_ = stencilLimit;
  renderer_ = renderer;
  lightFactor_ = lightFactor;
  maxDecals_ = 0;
  if (!effects::CreateUnitQuad(device, &quad_)) {
    device_ = nullptr;
    return false;
  }
  return true;
}

void DecalSystem::Release() {
  if (quad_ != nullptr) quad_->Release();
  quad_ = nullptr;
  device_ = nullptr;
}

bool DecalSystem::Add(const D3DXVECTOR3& position, const D3DXVECTOR3& normal, const D3DXCOLOR& colour,
                      const DecalDesc& desc) {
  // A decal without a texture would be a free record at once.
  if (desc.texture == nullptr) return false;
  Decal* record = nullptr;
  for (Decal* candidate : decals_) {
    if (candidate->texture == nullptr) {
      record = candidate;
      break;
    }
  }
  if (record == nullptr) {
    if (maxDecals_ != 0 && decals_.size() >= static_cast<std::size_t>(maxDecals_)) return false;
    record = new Decal();
    decals_.push_back(record);
  }

  const float half = desc.size * 0.5f;
  record->texture = desc.texture;
  record->position = position;
  record->normal = normal;
  record->radius = std::sqrt(2.0f * half * half);
  record->lit = desc.lit;
  record->lifeFrames = desc.lifeFrames;
  record->delayFrames = desc.delayFrames;
  record->fadePerFrame = desc.fadePerFrame;
  record->growthPerMille = 1000 + desc.growth;
  record->baseColour = colour;
  if (desc.lit && renderer_ != nullptr) {
    renderer_->ComputeLighting(&record->colour, normal, colour, lightFactor_);
  } else {
    record->colour = colour;
  }

  // Turns the quad's +Y onto the normal, after the spin about it.
  const float yaw = normal.x == 0.0f && normal.z == 0.0f ? 0.0f : std::atan2(normal.x, normal.z);
  const float pitch = std::acos(std::clamp(normal.y, -1.0f, 1.0f));
  D3DXMATRIX orientation;
  D3DXMatrixRotationYawPitchRoll(&orientation, yaw, pitch, 0.0f);
  if (desc.rotation == 0) {
    record->transform = orientation;
  } else {
    D3DXMATRIX spin;
    D3DXMatrixRotationY(&spin, static_cast<float>(desc.rotation) * 0.1f * kDegreesToRadians);
    D3DXMatrixMultiply(&record->transform, &spin, &orientation);
  }
  effects::ScaleBasisRows(&record->transform, desc.size);
  record->transform._41 = position.x;
  record->transform._42 = position.y;
  record->transform._43 = position.z;
  return true;
}

void DecalSystem::Update() {
  for (Decal* d : decals_) {
    if (d->texture == nullptr) continue;
    if (d->lifeFrames != 0 && --d->lifeFrames == 0) {
      d->texture = nullptr;
      continue;
    }
    if (d->delayFrames != 0) {
      --d->delayFrames;
      continue;
    }
    d->colour.a += d->fadePerFrame;
    if (!(d->colour.a > 0.0f)) {
      d->texture = nullptr;
      continue;
    }
    if (d->growthPerMille != 1000) {
      const float s = static_cast<float>(d->growthPerMille) * 0.001f;
      effects::ScaleBasisRows(&d->transform, s);
      d->radius *= s;
    }
  }
}

void DecalSystem::Draw(float nearFraction, float depthBias) {
  if (device_ == nullptr || view_ == nullptr || renderer_ == nullptr || quad_ == nullptr) return;
  IDirect3DDevice9* device = device_;
  const D3DRENDERSTATETYPE saved[] = {D3DRS_SPECULARENABLE, D3DRS_DEPTHBIAS, D3DRS_SLOPESCALEDEPTHBIAS,
                                      D3DRS_ZWRITEENABLE, D3DRS_ZFUNC};
  DWORD savedValues[5] = {};
  for (int i = 0; i < 5; ++i) device->GetRenderState(saved[i], &savedValues[i]);

  device->SetFVF(effects::kQuadFvf);
  device->SetStreamSource(0, quad_, 0, effects::kQuadStride);
  device->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
  device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  device->SetRenderState(D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP);
  device->SetRenderState(D3DRS_STENCILZFAIL, D3DSTENCILOP_KEEP);
  device->SetRenderState(D3DRS_STENCILMASK, 0xFFFFFFFFu);
  device->SetRenderState(D3DRS_STENCILWRITEMASK, 0xFFFFFFFFu);

  const float viewDistance = view_->farPlane;
  const float nearDistance = nearFraction * viewDistance;
  // Starts at the limit, so the first near decal clears the stencil buffer.
  std::uint32_t counter = stencilLimit_;
  const DWORD towards = FloatToRenderState(-depthBias);
  const DWORD away = FloatToRenderState(depthBias);

  for (const Decal* decal : decals_) {
    if (decal->texture == nullptr) continue;
    const D3DXVECTOR3 d = decal->position - view_->eye;
    const float distance = D3DXVec3Length(&d);
    if (!(D3DXVec3Dot(&view_->viewDirection, &d) > -decal->radius)) continue;  // behind the eye
    if (!(D3DXVec3Dot(&decal->normal, &d) < 0.0f)) continue;                   // seen from behind
    if (!(distance - decal->radius < 1.2f * viewDistance)) continue;

    renderer_->SetWorldMatrix(decal->transform, 0);
    renderer_->BeginPlainDraw(decal->colour, decal->texture);

    if (distance - decal->radius < nearDistance && stencilLimit_ != 0) {
      if (counter >= stencilLimit_) {
        device->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0);
        counter = 0;
      }
      ++counter;
      device->SetRenderState(D3DRS_STENCILENABLE, TRUE);
      // Mark the pixels where the scene lies in front of the decal pushed back.
      device->SetRenderState(D3DRS_ZFUNC, D3DCMP_GREATEREQUAL);
      device->SetRenderState(D3DRS_DEPTHBIAS, away);
      device->SetRenderState(D3DRS_SLOPESCALEDEPTHBIAS, FloatToRenderState(kSlopeBias));
      device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
      device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_REPLACE);
      device->SetRenderState(D3DRS_STENCILREF, counter);
      device->SetRenderState(D3DRS_COLORWRITEENABLE, 0);
      renderer_->BeginMaterialPass();
      device->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
      renderer_->EndMaterialPass();
      // Paint those of them where the scene lies behind the decal pulled forward.
      device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
      device->SetRenderState(D3DRS_DEPTHBIAS, towards);
      device->SetRenderState(D3DRS_SLOPESCALEDEPTHBIAS, FloatToRenderState(-kSlopeBias));
      device->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_EQUAL);
      device->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
      device->SetRenderState(D3DRS_COLORWRITEENABLE, kAllColourChannels);
      renderer_->BeginMaterialPass();
      device->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
      renderer_->EndMaterialPass();
      device->SetRenderState(D3DRS_STENCILENABLE, FALSE);
    } else {
      device->SetRenderState(D3DRS_DEPTHBIAS, towards);
      renderer_->BeginMaterialPass();
      device->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
      renderer_->EndMaterialPass();
    }
  }

  for (int i = 0; i < 5; ++i) device->SetRenderState(saved[i], savedValues[i]);
}

void DecalSystem::Clear() {
  for (Decal* d : decals_) delete d;
  decals_.clear();
}

std::size_t DecalSystem::GetLiveCount() const {
  return static_cast<std::size_t>(
      std::count_if(decals_.begin(), decals_.end(), [](const Decal* d) { return d->texture != nullptr; }));
}
