// The particle and decal systems: start-up, shutdown and the blood of a cut.

#include "app/AppMain.h"

namespace {
// Depth-stencil format number of a 24-bit depth buffer with 8 stencil bits.
constexpr D3DFORMAT kDepthWithStencil = D3DFMT_D24S8;
// The two-pass decal technique counts stencil references up to this.
constexpr std::uint32_t kStencilReferences = 255;
// Ambient share of a decal's lit colour.
constexpr float kDecalLightFactor = 0.7f;
}  // namespace

void AppMain::InitEffectSystems() {
  if (!billboards_.Init(GetDevice(), &GetCamera(), &renderer_)) ShowMessage("Error", "Failed to init BillboardSystem");
  const bool stencil = GetPresentParameters().AutoDepthStencilFormat == kDepthWithStencil;
  if (!decals_.Init(GetDevice(), &GetCamera(), stencil ? kStencilReferences : 0, &renderer_, kDecalLightFactor)) {
    ShowMessage("Error", "Failed to init DecalSystem");
  }
}

void AppMain::ReleaseEffectSystems() {
  if (decals_.IsInitialised()) {
    decals_.Clear();
    decals_.Release();
  }
  if (billboards_.IsInitialised()) {
    billboards_.Clear();
    billboards_.Release();
  }
}

void AppMain::SpillBlood(const D3DXVECTOR3& point, const D3DXVECTOR3& direction) {
  const D3DXVECTOR3 still(0.0f, 0.0f, 0.0f);
  for (int i = 0; i < 10; ++i) effects_.SpawnFluid(point, 0.4f, still, 1.0f);
  // Some follow the blade, some spurt back against it.
  for (int i = 0; i < 8; ++i) effects_.SpawnFluid(point, 0.2f, direction * 0.4f, 0.7f);
  for (int i = 0; i < 8; ++i) effects_.SpawnFluid(point, 0.2f, direction * -0.25f, 0.8f);
}
