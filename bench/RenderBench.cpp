// Drawing mesh subsets through the renderer (standard shader mode, headless
// Mesa): CPU time per subset with a material change between draws and with
// the same material again (the skip), and effect parameter uploads per draw;
// and ID3DXBaseMesh::DrawSubset alone on meshes of growing size.

#include <benchmark/benchmark.h>

#include "frame/DisplayConfiguration.h"
#include "platform/d3d9/D3d9Automation.h"
#include "platform/d3dx9/D3dxEffectAutomation.h"
#include "platform/d3dx9/D3dxMesh.h"
#include "platform/host/Headless.h"
#include "platform/host/HeadlessDevice.h"
#include "render/RenderSystem.h"

namespace {

// A device, a renderer and one sphere of 512 triangles: one "subset".
class Scene {
 public:
  Scene() {
    host::UseHeadlessDrivers();
    headless_.Create(800, 600);
    device_ = headless_.Device();
    GetDisplayConfiguration().useShaders = true;
    GetDisplayConfiguration().highQuality = false;
    renderer_.Init(false, &headless_.Parameters(), device_, 800, 600, nullptr);
    const D3DXVECTOR3 eye(0, 0, -5);
    const D3DXVECTOR3 at(0, 0, 0);
    const D3DXVECTOR3 up(0, 1, 0);
    D3DXMatrixLookAtLH(&camera_.view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&camera_.projection, 1.0f, 4.0f / 3.0f, 0.1f, 100.0f);
    renderer_.SetView(&camera_);
    renderer_.SetDirectionalLight(0, D3DXVECTOR3(0, -1, 1), D3DXCOLOR(1, 1, 1, 1));
    renderer_.SetAmbient(D3DXCOLOR(0.3f, 0.3f, 0.3f, 1), D3DXCOLOR(0.1f, 0.1f, 0.1f, 1));
    D3DXCreateSphere(device_, 1.0f, 16, 17, &sphere_, nullptr);
    first_ = *renderer_.GetDefaultMaterial();
    second_ = first_;
    second_.type = FindMaterialType("CharMid");
    second_.gpv = 0.5f;
  }

  void Draw(MaterialData* material, const D3DXMATRIX& world) {
    renderer_.SetWorldMatrix(world, 0);
    renderer_.ApplyMaterial(material);
    renderer_.BeginMaterialPass();
    sphere_->DrawSubset(0);
    renderer_.EndMaterialPass();
  }

  IDirect3DDevice9* Device() const { return device_; }
  ID3DXEffect* Effect() const { return renderer_.GetMaterialEffect(); }
  MaterialData* First() { return &first_; }
  MaterialData* Second() { return &second_; }

 private:
  host::HeadlessDevice headless_;
  IDirect3DDevice9* device_ = nullptr;
  RenderSystem renderer_;
  CameraView camera_;
  MaterialData first_;
  MaterialData second_;
  ID3DXMesh* sphere_ = nullptr;
};

Scene& SharedScene() {
  static Scene scene;
  return scene;
}

// range(0): 1 alternates two materials, 0 draws the same one (the skip).
// range(1): 0 stops short of the GL draw call (the layers' own cost).
void BM_DrawSubset(benchmark::State& state) {
  Scene& scene = SharedScene();
  const bool alternate = state.range(0) != 0;
  d3d9::SetDrawSubmission(scene.Device(), state.range(1) != 0);
  d3dx::ResetEffectStatistics(scene.Effect());
  D3DXMATRIX world;
  int drawn = 0;
  for (auto _ : state) {
    // Each subset somewhere else, as objects of a scene are.
    D3DXMatrixTranslation(&world, static_cast<float>(drawn % 7) * 0.1f, 0.0f, 0.0f);
    scene.Draw(alternate && (drawn & 1) != 0 ? scene.Second() : scene.First(), world);
    if (++drawn % 2048 == 0) scene.Device()->Present(nullptr, nullptr, nullptr, nullptr);
  }
  d3d9::SetDrawSubmission(scene.Device(), true);
  state.counters["uploads_per_draw"] =
      benchmark::Counter(static_cast<double>(d3dx::GetEffectStatistics(scene.Effect()).uniformUploads),
                         benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_DrawSubset)->ArgsProduct({{0, 1}, {0, 1}});

// DrawSubset of one of two subsets of a sphere of range(0) slices (about
// 2 x slices^2 / 2 faces), GL draw calls skipped: range(1) 1 through the
// attribute table of an attribute sort, 0 without a table (the runs found
// in the attribute buffer). The cost must not grow with the mesh.
void BM_MeshDrawSubset(benchmark::State& state) {
  Scene& scene = SharedScene();
  const UINT slices = static_cast<UINT>(state.range(0));
  ID3DXMesh* mesh = nullptr;
  D3DXCreateSphere(scene.Device(), 1.0f, slices, slices / 2 + 1, &mesh, nullptr);
  DWORD* attributes = nullptr;
  mesh->LockAttributeBuffer(0, &attributes);
  const DWORD faces = mesh->GetNumFaces();
  for (DWORD f = 0; f < faces; ++f) attributes[f] = f * 3 / faces == 1 ? 1 : 0;  // the middle third
  mesh->UnlockAttributeBuffer();
  if (state.range(1) != 0) {
    mesh->OptimizeInplace(D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_IGNOREVERTS, nullptr, nullptr, nullptr, nullptr);
  }
  d3d9::SetDrawSubmission(scene.Device(), false);
  d3d9::ResetStatistics(scene.Device());
  for (auto _ : state) mesh->DrawSubset(1);
  d3d9::SetDrawSubmission(scene.Device(), true);
  state.counters["faces"] = mesh->GetNumFaces();
  state.counters["draws_per_subset"] = benchmark::Counter(
      static_cast<double>(d3d9::GetStatistics(scene.Device()).drawCalls), benchmark::Counter::kAvgIterations);
  mesh->Release();
}
BENCHMARK(BM_MeshDrawSubset)->ArgsProduct({{32, 128, 256}, {0, 1}});

}  // namespace

BENCHMARK_MAIN();
