// Drawing mesh subsets through the renderer (standard shader mode, headless
// Mesa): CPU time per subset with a material change between draws and with
// the same material again (the skip), and effect parameter uploads per draw.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "frame/DisplayConfiguration.h"
#include "platform/d3d9/D3d9Automation.h"
#include "platform/d3dx9/D3dxEffectAutomation.h"
#include "platform/host/Headless.h"
#include "platform/host/HeadlessDevice.h"
#include "render/RenderSystem.h"

namespace {

struct Vertex {
  float position[3];
  float normal[3];
  float uv[2];
};

const D3DVERTEXELEMENT9 kDeclaration[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
    {0, 24, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    D3DDECL_END()};

// A device, a renderer and one sphere of about 500 triangles: one "subset".
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
    BuildSphere();
    first_ = *renderer_.GetDefaultMaterial();
    second_ = first_;
    second_.type = FindMaterialType("CharMid");
    second_.gpv = 0.5f;
  }

  void Draw(MaterialData* material, const D3DXMATRIX& world) {
    renderer_.SetWorldMatrix(world, 0);
    renderer_.ApplyMaterial(material);
    renderer_.BeginMaterialPass();
    device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, vertexCount_, 0, triangleCount_);
    renderer_.EndMaterialPass();
  }

  IDirect3DDevice9* Device() const { return device_; }
  ID3DXEffect* Effect() const { return renderer_.GetMaterialEffect(); }
  MaterialData* First() { return &first_; }
  MaterialData* Second() { return &second_; }

 private:
  void BuildSphere() {
    constexpr int kStacks = 16;
    constexpr int kSlices = 16;
    std::vector<Vertex> vertices;
    for (int i = 0; i <= kStacks; ++i) {
      const float theta = D3DX_PI * static_cast<float>(i) / kStacks;
      for (int j = 0; j <= kSlices; ++j) {
        const float phi = 2.0f * D3DX_PI * static_cast<float>(j) / kSlices;
        Vertex v{};
        v.position[0] = v.normal[0] = std::sin(theta) * std::cos(phi);
        v.position[1] = v.normal[1] = std::cos(theta);
        v.position[2] = v.normal[2] = std::sin(theta) * std::sin(phi);
        v.uv[0] = static_cast<float>(j) / kSlices;
        v.uv[1] = static_cast<float>(i) / kStacks;
        vertices.push_back(v);
      }
    }
    std::vector<WORD> indices;
    for (int i = 0; i < kStacks; ++i) {
      for (int j = 0; j < kSlices; ++j) {
        const WORD a = static_cast<WORD>(i * (kSlices + 1) + j);
        const WORD b = static_cast<WORD>(a + kSlices + 1);
        indices.insert(indices.end(), {a, static_cast<WORD>(a + 1), b, static_cast<WORD>(a + 1),
                                       static_cast<WORD>(b + 1), b});
      }
    }
    vertexCount_ = static_cast<UINT>(vertices.size());
    triangleCount_ = static_cast<UINT>(indices.size() / 3);
    void* data = nullptr;
    IDirect3DVertexBuffer9* vb = nullptr;
    IDirect3DIndexBuffer9* ib = nullptr;
    device_->CreateVertexBuffer(static_cast<UINT>(vertices.size() * sizeof(Vertex)), 0, 0, D3DPOOL_MANAGED, &vb,
                                nullptr);
    vb->Lock(0, 0, &data, 0);
    std::memcpy(data, vertices.data(), vertices.size() * sizeof(Vertex));
    vb->Unlock();
    device_->CreateIndexBuffer(static_cast<UINT>(indices.size() * sizeof(WORD)), 0, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                               &ib, nullptr);
    ib->Lock(0, 0, &data, 0);
    std::memcpy(data, indices.data(), indices.size() * sizeof(WORD));
    ib->Unlock();
    IDirect3DVertexDeclaration9* declaration = nullptr;
    device_->CreateVertexDeclaration(kDeclaration, &declaration);
    device_->SetVertexDeclaration(declaration);
    device_->SetStreamSource(0, vb, 0, sizeof(Vertex));
    device_->SetIndices(ib);
  }

  host::HeadlessDevice headless_;
  IDirect3DDevice9* device_ = nullptr;
  RenderSystem renderer_;
  CameraView camera_;
  MaterialData first_;
  MaterialData second_;
  UINT vertexCount_ = 0;
  UINT triangleCount_ = 0;
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

}  // namespace

BENCHMARK_MAIN();
