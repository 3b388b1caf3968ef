// The drawing of one frame: the 3D debug pass, then the 2D overlay, then
// the present, which also notices a lost device.

#include "app/AppMain.h"
#include "frame/ImmediateVertices.h"

void AppMain::Draw() {
  IDirect3DDevice9* device = GetDevice();
  if (device == nullptr) return;

  // The best-quality mode draws the scene off screen for its screen effects.
  const bool screenEffects = renderer_.UsesScreenEffects();
  if (screenEffects) renderer_.BeginSceneCapture();
  device->BeginScene();
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF000000u, 1.0f, 0);

  characterManager_.DrawAll();
  DrawProps();
  // The level's light map leaves stage 1 on in the fixed pipeline.
  if (renderer_.IsFixedPipeline()) device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);

  decals_.Draw(0.5f, 0.000008f);
  billboards_.Draw(0.0000001f);

  DrawDebugPass();

  device->SetRenderState(D3DRS_LIGHTING, TRUE);
  device->SetRenderState(D3DRS_FOGENABLE, FALSE);
  device->SetRenderState(D3DRS_ZENABLE, FALSE);

  if (screenEffects) {
    if (renderer_.UsesBloom()) renderer_.ApplyBloom();
    effects_.DrawFlash();
    renderer_.EndSceneCapture();
  }

  DrawOverlayPass();

  device->SetRenderState(D3DRS_FOGENABLE, TRUE);
  device->SetRenderState(D3DRS_ZENABLE, TRUE);
  device->EndScene();
  if (device->Present(nullptr, nullptr, nullptr, nullptr) == D3DERR_DEVICELOST) RestoreDevice();
}

void AppMain::DrawDebugPass() {
  IDirect3DDevice9* device = GetDevice();
  device->SetFVF(kColourVertexFvf);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetTexture(0, nullptr);

  D3DXMATRIX world;
  device->SetTransform(D3DTS_WORLD, D3DXMatrixScaling(&world, 50.0f, 50.0f, 50.0f));
  DrawAxisGizmo();
  device->SetTransform(D3DTS_WORLD, D3DXMatrixIdentity(&world));

  // While orbiting, the pivot is marked with a smaller gizmo.
  if (IsKeyDown(VK_MBUTTON)) {
    const CameraView& camera = GetCamera();
    const D3DXVECTOR3 pivot = camera.eye + camera.viewDirection * camera.pivotDistance;
    D3DXMATRIX scaling;
    D3DXMATRIX translation;
    D3DXMatrixScaling(&scaling, 10.0f, 10.0f, 10.0f);
    D3DXMatrixTranslation(&translation, pivot.x, pivot.y, pivot.z);
    device->SetTransform(D3DTS_WORLD, D3DXMatrixMultiply(&world, &scaling, &translation));
    DrawAxisGizmo();
    device->SetTransform(D3DTS_WORLD, D3DXMatrixIdentity(&world));
  }
}

void AppMain::DrawOverlayPass() {
  IDirect3DDevice9* device = GetDevice();
  device->SetFVF(kScreenVertexFvf);
  device->SetTexture(0, nullptr);
  DrawOverlay();
}
