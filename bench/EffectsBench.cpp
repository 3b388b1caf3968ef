// The particle and decal systems on a headless device in the standard mode:
// Update + Sort of N live particles, Draw per particle and the decals' Draw
// (200 near, 1,000 far), each with the GL draw calls skipped (our layers
// only, range(1) = 0) and with Mesa drawing (range(1) = 1), and Add of a lit
// decal.

#include <benchmark/benchmark.h>

#include <cmath>

#include "effects/BillboardSystem.h"
#include "effects/DecalSystem.h"
#include "frame/DisplayConfiguration.h"
#include "platform/d3d9/D3d9Automation.h"
#include "platform/d3dx9/D3dxTexture.h"
#include "platform/host/Headless.h"
#include "platform/host/HeadlessDevice.h"
#include "platform/win32/CrtRandom.h"
#include "render/RenderSystem.h"

namespace {

float Rand01() { return static_cast<float>(crt::rand()) / 32767.0f; }

class Scene {
 public:
  Scene() {
    host::UseHeadlessDrivers();
    headless_.Create(800, 600);
    device_ = headless_.Device();
    GetDisplayConfiguration().useShaders = true;
    GetDisplayConfiguration().highQuality = false;
    renderer_.Init(false, &headless_.Parameters(), device_, 800, 600, nullptr);
    camera_.eye = D3DXVECTOR3(0, 30, -60);
    camera_.viewDirection = D3DXVECTOR3(0, -0.447214f, 0.894427f);
    camera_.up = D3DXVECTOR3(0, 1, 0);
    camera_.nearPlane = 0.1f;
    camera_.farPlane = 1000.0f;
    const D3DXVECTOR3 at = camera_.eye + camera_.viewDirection;
    D3DXMatrixLookAtLH(&camera_.view, &camera_.eye, &at, &camera_.up);
    D3DXMatrixPerspectiveFovLH(&camera_.projection, 1.5707964f, 4.0f / 3.0f, 0.1f, 1000.0f);
    renderer_.SetView(&camera_);
    renderer_.SetDirectionalLight(0, D3DXVECTOR3(0, -1, 1), D3DXCOLOR(1, 1, 1, 1));
    D3DXCreateTexture(device_, 32, 32, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture_);
    billboards_.Init(device_, &camera_, &renderer_);
    decals_.Init(device_, &camera_, 255, &renderer_, 0.7f);
  }

  // n drifting, fading, spinning particles in front of the camera.
  void FillBillboards(int n) {
    billboards_.Clear();
    for (int i = 0; i < n; ++i) {
      Billboard b;
      b.texture = texture_;
      b.position = D3DXVECTOR3(Rand01() * 80 - 40, Rand01() * 20, Rand01() * 80 - 40);
      b.size = 1.0f + Rand01();
      b.velocity = D3DXVECTOR3(Rand01() - 0.5f, Rand01() - 0.5f, Rand01() - 0.5f) * 0.01f;
      b.spinRate = 0.01f;
      b.colour.a = 0.8f;
      billboards_.Add(b);
    }
  }

  // 200 splats on the ground near the camera and 1,000 beyond half the view.
  void FillDecals() {
    decals_.Clear();
    DecalDesc desc;
    desc.texture = texture_;
    desc.size = 2.0f;
    desc.lit = true;
    for (int i = 0; i < 1200; ++i) {
      const bool nearby = i < 200;
      const float range = nearby ? 80.0f : 400.0f;
      const float z = nearby ? Rand01() * 80 - 40 : 600.0f + Rand01() * 300.0f;
      decals_.Add(D3DXVECTOR3(Rand01() * range - range * 0.5f, 0, z), D3DXVECTOR3(0, 1, 0), D3DXCOLOR(1, 0, 0, 1),
                  desc);
    }
  }

  void Submit(bool on) { d3d9::SetDrawSubmission(device_, on); }
  void Finish() {
    // Waits for the rasteriser, so Mesa's share is inside the measurement.
    device_->Present(nullptr, nullptr, nullptr, nullptr);
  }

  IDirect3DDevice9* device() const { return device_; }
  BillboardSystem& billboards() { return billboards_; }
  DecalSystem& decals() { return decals_; }
  IDirect3DTexture9* texture() const { return texture_; }

 private:
  host::HeadlessDevice headless_;
  IDirect3DDevice9* device_ = nullptr;
  RenderSystem renderer_;
  CameraView camera_;
  IDirect3DTexture9* texture_ = nullptr;
  BillboardSystem billboards_;
  DecalSystem decals_;
};

Scene& SharedScene() {
  static Scene scene;
  return scene;
}

void BM_BillboardUpdateAndSort(benchmark::State& state) {
  Scene& scene = SharedScene();
  scene.FillBillboards(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    scene.billboards().Update();
    scene.billboards().Sort();
  }
  state.counters["live"] = static_cast<double>(scene.billboards().GetLiveCount());
}
BENCHMARK(BM_BillboardUpdateAndSort)->Arg(500)->Arg(2000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// Per particle: the counter "per" is the time of one particle's draw.
void BM_BillboardDraw(benchmark::State& state) {
  Scene& scene = SharedScene();
  const int n = static_cast<int>(state.range(0));
  scene.FillBillboards(n);
  scene.billboards().Sort();
  scene.Submit(state.range(1) != 0);
  for (auto _ : state) {
    scene.billboards().Draw(state.range(2) ? 0.0000001f : 0.0f);
    scene.Finish();
  }
  scene.Submit(true);
  state.counters["per"] = benchmark::Counter(static_cast<double>(state.iterations()) * n,
                                             benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_BillboardDraw)->Args({500, 0, 1})->Args({500, 1, 1})->Args({500, 1, 0})->Unit(benchmark::kMillisecond);

void BM_DecalDraw(benchmark::State& state) {
  Scene& scene = SharedScene();
  scene.FillDecals();
  scene.Submit(state.range(0) != 0);
  for (auto _ : state) {
    scene.decals().Draw(0.5f, 0.000008f);
    scene.Finish();
  }
  scene.Submit(true);
}
BENCHMARK(BM_DecalDraw)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_DecalAddLit(benchmark::State& state) {
  Scene& scene = SharedScene();
  DecalDesc desc;
  desc.texture = scene.texture();
  desc.size = 2.0f;
  desc.rotation = 450;
  desc.lit = true;
  desc.lifeFrames = 1;  // freed by the next Update, so the pool stays one record
  const D3DXVECTOR3 normal(0.6f, 0.8f, 0.0f);
  scene.decals().Clear();
  for (auto _ : state) {
    scene.decals().Add(D3DXVECTOR3(1, 2, 3), normal, D3DXCOLOR(1, 0, 0, 1), desc);
    scene.decals().Update();
  }
}
BENCHMARK(BM_DecalAddLit)->Unit(benchmark::kNanosecond);

}  // namespace

BENCHMARK_MAIN();
