// Off-screen scene capture and the screen effects of the best-quality mode:
// bloom, blur (plain and masked) and radial blur, ping-ponging between two
// full-size and two half-size targets.

#include "render/RenderSystem.h"

namespace {

// A screen-pass vertex: clip-space position and one texture coordinate.
struct ScreenVertex {
  float x, y, z;
  float u, v;
};

// The masked blur's vertex: the scene image's and the mask's coordinates.
struct MaskedVertex {
  float x, y, z;
  float u, v;
  float maskU, maskV;
};

// A pre-transformed quad for the copy to the back buffer.
struct CopyVertex {
  float x, y, z, rhw;
  D3DCOLOR colour;
  float u, v;
};

template <typename T>
void ReleaseAndClear(T*& object) {
  if (object != nullptr) object->Release();
  object = nullptr;
}

}  // namespace

void RenderSystem::SetScreenEffectConstants() {
  ID3DXEffect* e = screenEffect_;
  screenHandles_.bright = e->GetTechniqueByName("T_Bright");
  screenHandles_.hypochromic = e->GetTechniqueByName("T_Hypochromic");
  screenHandles_.blur = e->GetTechniqueByName("T_Blur");
  screenHandles_.blurTexel = e->GetTechniqueByName("T_BlurTexel");
  screenHandles_.blurRadiate = e->GetTechniqueByName("T_BlurRadiate");
  screenHandles_.qhdr = e->GetTechniqueByName("T_QHDR");
  screenHandles_.distortion = e->GetTechniqueByName("T_Distortion");
  screenHandles_.pixelSize = e->GetParameterByName(nullptr, "g_PixelSize");
  screenHandles_.blurWeights = e->GetParameterByName(nullptr, "g_BlurWeights");
  screenHandles_.blurOffset = e->GetParameterByName(nullptr, "g_BlurOffset");
  screenHandles_.gpv = e->GetParameterByName(nullptr, "g_GPV");
  screenHandles_.texMain = e->GetParameterByName(nullptr, "g_TexMain");
  screenHandles_.texSub = e->GetParameterByName(nullptr, "g_TexSub");

  e->SetValue(screenHandles_.pixelSize, static_cast<const float*>(invScreenSize_), sizeof(float) * 2);
  const float w = screenWidth_;
  const float h = screenHeight_;
  blurOffsetA_ = D3DXVECTOR2(0.001f * (w + h) * invScreenSize_.x, 0.001f * (w + h) * invScreenSize_.y);
  blurOffsetB_ = D3DXVECTOR2(0.0035f * (w + h) * invScreenSize_.x, 0.0035f * (w + h) * invScreenSize_.y);
  bloomStrength_ = 0.75f;
  // The centre tap, then the taps 1 to 8 away on either side: 9 + 2 * 28 = 65.
  const float weights[9] = {9.0f / 65, 7.0f / 65, 6.0f / 65, 5.0f / 65, 4.0f / 65,
                            3.0f / 65, 2.0f / 65, 1.0f / 65, 0.0f};
  e->SetFloatArray(screenHandles_.blurWeights, weights, 9);
}

bool RenderSystem::InitRenderTargets() {
  if (device_ == nullptr || presentParameters_ == nullptr) return false;
  const UINT w = presentParameters_->BackBufferWidth;
  const UINT h = presentParameters_->BackBufferHeight;
  const D3DFORMAT colour = presentParameters_->BackBufferFormat;
  const D3DFORMAT depth = presentParameters_->AutoDepthStencilFormat;
  const auto target = [&](UINT width, UINT height, IDirect3DTexture9** texture, IDirect3DSurface9** surface) {
    return SUCCEEDED(device_->CreateTexture(width, height, 1, D3DUSAGE_RENDERTARGET, colour, D3DPOOL_DEFAULT, texture,
                                            nullptr)) &&
           SUCCEEDED((*texture)->GetSurfaceLevel(0, surface));
  };
  const bool ok = SUCCEEDED(device_->GetRenderTarget(0, &backBuffer_)) &&
                  SUCCEEDED(device_->GetDepthStencilSurface(&backDepth_)) &&
                  target(w, h, &sceneTexture_[0], &sceneSurface_[0]) &&
                  SUCCEEDED(device_->CreateDepthStencilSurface(w, h, depth, D3DMULTISAMPLE_NONE, 0, TRUE, &sceneDepth_,
                                                               nullptr)) &&
                  target(w, h, &sceneTexture_[1], &sceneSurface_[1]) &&
                  target(w / 2, h / 2, &halfTexture_[0], &halfSurface_[0]) &&
                  target(w / 2, h / 2, &halfTexture_[1], &halfSurface_[1]);
  if (!ok) ReleaseRenderTargets();
  return ok;
}

void RenderSystem::ReleaseRenderTargets() {
  for (int i = 0; i < 2; ++i) {
    ReleaseAndClear(halfSurface_[i]);
    ReleaseAndClear(halfTexture_[i]);
  }
  for (int i = 0; i < 2; ++i) {
    ReleaseAndClear(sceneSurface_[i]);
    ReleaseAndClear(sceneTexture_[i]);
  }
  ReleaseAndClear(sceneDepth_);
  ReleaseAndClear(backDepth_);
  ReleaseAndClear(backBuffer_);
}

void RenderSystem::BeginSceneCapture() {
  if (sceneSurface_[0] == nullptr) return;
  device_->SetRenderTarget(0, sceneSurface_[0]);
  device_->SetDepthStencilSurface(sceneDepth_);
  currentScene_ = 0;
}

void RenderSystem::DrawScreenQuad(float width, float height) {
  // Clip-space corners moved by half a pixel so that texels meet pixels.
  const float left = (0.0f - 0.5f) * 2.0f / width - 1.0f;
  const float right = (width - 0.5f) * 2.0f / width - 1.0f;
  const float top = 1.0f - (0.0f - 0.5f) * 2.0f / height;
  const float bottom = 1.0f - (height - 0.5f) * 2.0f / height;
  const ScreenVertex quad[4] = {{left, top, 0.5f, 0.0f, 0.0f},
                                {right, top, 0.5f, 1.0f, 0.0f},
                                {right, bottom, 0.5f, 1.0f, 1.0f},
                                {left, bottom, 0.5f, 0.0f, 1.0f}};
  device_->SetFVF(D3DFVF_XYZ | D3DFVF_TEX1);
  device_->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(ScreenVertex));
}

void RenderSystem::ApplyBloom() {
  if (screenEffect_ == nullptr || sceneTexture_[0] == nullptr) return;
  ID3DXEffect* e = screenEffect_;
  const float halfWidth = static_cast<float>(presentParameters_->BackBufferWidth / 2);
  const float halfHeight = static_cast<float>(presentParameters_->BackBufferHeight / 2);
  const D3DXVECTOR2 full(static_cast<float>(presentParameters_->BackBufferWidth),
                         static_cast<float>(presentParameters_->BackBufferHeight));
  // Each pass: the target it writes, the texture it reads, the target's size.
  struct Pass {
    IDirect3DSurface9* target;
    IDirect3DTexture9* source;
    D3DXVECTOR2 size;
    const D3DXVECTOR2* offset;
  };
  const Pass passes[5] = {
      {halfSurface_[0], sceneTexture_[currentScene_], {halfWidth, halfHeight}, nullptr},
      {halfSurface_[1], halfTexture_[0], {halfWidth, halfHeight}, &blurOffsetA_},
      {halfSurface_[0], halfTexture_[1], {halfWidth, halfHeight}, nullptr},
      {halfSurface_[1], halfTexture_[0], {halfWidth, halfHeight}, &blurOffsetB_},
      {sceneSurface_[currentScene_], halfTexture_[1], full, nullptr},
  };
  e->SetFloat(screenHandles_.gpv, bloomStrength_);
  e->SetTechnique(screenHandles_.qhdr);
  UINT count = 0;
  e->Begin(&count, 0);
  for (UINT i = 0; i < count && i < 5; ++i) {
    const Pass& pass = passes[i];
    if (pass.offset != nullptr) e->SetValue(screenHandles_.blurOffset, static_cast<const float*>(*pass.offset), 8);
    device_->SetRenderTarget(0, pass.target);
    e->SetTexture(screenHandles_.texMain, pass.source);
    e->BeginPass(i);
    DrawScreenQuad(pass.size.x, pass.size.y);
    e->EndPass();
  }
  e->End();
  device_->SetRenderTarget(0, sceneSurface_[currentScene_]);
}

void RenderSystem::ApplyBlur(float strength, const D3DXVECTOR2& centre, IDirect3DTexture9* mask) {
  if (screenEffect_ == nullptr || sceneTexture_[0] == nullptr) return;
  ID3DXEffect* e = screenEffect_;
  const float w = static_cast<float>(presentParameters_->BackBufferWidth);
  const float h = static_cast<float>(presentParameters_->BackBufferHeight);
  const D3DXVECTOR2 offset((w + h) / 1400.0f * strength / w, (w + h) / 1400.0f * strength / h);
  e->SetValue(screenHandles_.blurOffset, static_cast<const float*>(offset), 8);
  const int current = currentScene_;
  const int other = 1 - current;

  if (mask == nullptr) {
    e->SetTechnique(screenHandles_.blur);
    UINT count = 0;
    e->Begin(&count, 0);
    device_->SetRenderTarget(0, sceneSurface_[other]);
    e->SetTexture(screenHandles_.texMain, sceneTexture_[current]);
    e->BeginPass(0);
    DrawScreenQuad(w, h);
    e->EndPass();
    device_->SetRenderTarget(0, sceneSurface_[current]);
    e->SetTexture(screenHandles_.texMain, sceneTexture_[other]);
    e->BeginPass(1);
    DrawScreenQuad(w, h);
    e->EndPass();
    e->End();
    return;
  }

  // The masked blur covers the whole screen; the mask, stretched over it
  // around the given centre, says where the blur shows (its alpha).
  e->SetTexture(screenHandles_.texSub, mask);
  e->SetTechnique(screenHandles_.blurTexel);
  const float cu = centre.x > 0.0f ? centre.x / w : 0.5f;
  const float cv = centre.y > 0.0f ? centre.y / h : 0.5f;
  const float left = -0.5f * 2.0f / w - 1.0f;
  const float right = (w - 0.5f) * 2.0f / w - 1.0f;
  const float top = 1.0f + 0.5f * 2.0f / h;
  const float bottom = 1.0f - (h - 0.5f) * 2.0f / h;
  // Mask coordinates: 0.5 at the centre, 0 and 1 at the screen's edges
  // when the centre is the middle of the screen.
  const float mu0 = 0.5f - cu;
  const float mv0 = 0.5f - cv;
  const MaskedVertex fan[4] = {{left, top, 0.5f, 0.0f, 0.0f, mu0, mv0},
                               {right, top, 0.5f, 1.0f, 0.0f, mu0 + 1.0f, mv0},
                               {right, bottom, 0.5f, 1.0f, 1.0f, mu0 + 1.0f, mv0 + 1.0f},
                               {left, bottom, 0.5f, 0.0f, 1.0f, mu0, mv0 + 1.0f}};
  device_->SetFVF(D3DFVF_XYZ | D3DFVF_TEX2);
  UINT count = 0;
  e->Begin(&count, 0);
  device_->SetRenderTarget(0, sceneSurface_[other]);
  e->SetTexture(screenHandles_.texMain, sceneTexture_[current]);
  e->BeginPass(0);
  device_->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, fan, sizeof(MaskedVertex));
  e->EndPass();
  device_->SetRenderTarget(0, sceneSurface_[current]);
  e->SetTexture(screenHandles_.texMain, sceneTexture_[other]);
  e->BeginPass(1);
  device_->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, fan, sizeof(MaskedVertex));
  e->EndPass();
  e->End();
}

void RenderSystem::ApplyRadialBlur(const D3DXVECTOR2& centre, float strength) {
  if (screenEffect_ == nullptr || sceneTexture_[0] == nullptr) return;
  ID3DXEffect* e = screenEffect_;
  const float w = static_cast<float>(presentParameters_->BackBufferWidth);
  const float h = static_cast<float>(presentParameters_->BackBufferHeight);
  e->SetFloat(screenHandles_.gpv, strength * 0.01f);
  const D3DXVECTOR2 centreUv(centre.x / w, centre.y / h);
  e->SetValue(screenHandles_.blurOffset, static_cast<const float*>(centreUv), 8);
  const int other = 1 - currentScene_;
  e->SetTechnique(screenHandles_.blurRadiate);
  UINT count = 0;
  e->Begin(&count, 0);
  device_->SetRenderTarget(0, sceneSurface_[other]);
  e->SetTexture(screenHandles_.texMain, sceneTexture_[currentScene_]);
  e->BeginPass(0);
  DrawScreenQuad(w, h);
  e->EndPass();
  e->End();
  currentScene_ = other;
}

void RenderSystem::EndSceneCapture() {
  if (backBuffer_ == nullptr || sceneTexture_[currentScene_] == nullptr) return;
  device_->SetRenderTarget(0, backBuffer_);
  device_->SetDepthStencilSurface(backDepth_);
  const float w = static_cast<float>(presentParameters_->BackBufferWidth);
  const float h = static_cast<float>(presentParameters_->BackBufferHeight);
  const CopyVertex quad[4] = {{-0.5f, -0.5f, 0.5f, 1.0f, 0xFFFFFFFF, 0.0f, 0.0f},
                              {w - 0.5f, -0.5f, 0.5f, 1.0f, 0xFFFFFFFF, 1.0f, 0.0f},
                              {w - 0.5f, h - 0.5f, 0.5f, 1.0f, 0xFFFFFFFF, 1.0f, 1.0f},
                              {-0.5f, h - 0.5f, 0.5f, 1.0f, 0xFFFFFFFF, 0.0f, 1.0f}};
  device_->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
  device_->SetTexture(0, sceneTexture_[currentScene_]);
  device_->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(CopyVertex));
  device_->SetTexture(0, nullptr);
}
