// bloom_bench: the best-quality mode's bloom on the headless device
// (llvmpipe here): the time of one ApplyBloom over a freshly drawn scene, at
// the three window sizes of the display modes.
//
// OpenGL queues the passes; each measured iteration therefore ends by reading
// back one pixel of a 1x1 target, which waits for every queued pass. The
// read alone is measured as well, so that it can be told apart.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "frame/DisplayConfiguration.h"
#include "platform/d3d9/D3d9Automation.h"
#include "platform/host/Headless.h"
#include "platform/host/HeadlessDevice.h"
#include "render/RenderSystem.h"

namespace {

// A best-quality renderer of one size and a 1x1 target for the sync. The
// passes cost the same whatever the image holds, so the scene is one colour.
class BloomScene {
 public:
  BloomScene(UINT width, UINT height) {
    host::UseHeadlessDrivers();
    headless_.Create(width, height);
    device_ = headless_.Device();
    GetDisplayConfiguration().useShaders = true;
    GetDisplayConfiguration().highQuality = true;
    ready_ = renderer_.Init(false, &headless_.Parameters(), device_, static_cast<int>(width),
                            static_cast<int>(height), nullptr) &&
             SUCCEEDED(device_->CreateTexture(1, 1, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                              &syncTexture_, nullptr)) &&
             SUCCEEDED(syncTexture_->GetSurfaceLevel(0, &syncSurface_));
  }
  ~BloomScene() {
    if (syncSurface_ != nullptr) syncSurface_->Release();
    if (syncTexture_ != nullptr) syncTexture_->Release();
    renderer_.Uninit();
  }

  bool Ready() const { return ready_; }

  // A new frame's scene image.
  void CaptureScene() {
    renderer_.BeginSceneCapture();
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFFE0D0B0, 1.0f, 0);
  }

  void Bloom() { renderer_.ApplyBloom(); }

  // Waits until the device has drawn everything queued so far.
  void Sync() {
    device_->SetRenderTarget(0, syncSurface_);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    d3d9::ReadRenderTarget(device_, &pixels_, &width_, &height_);
  }

 private:
  host::HeadlessDevice headless_;
  IDirect3DDevice9* device_ = nullptr;
  RenderSystem renderer_;
  IDirect3DTexture9* syncTexture_ = nullptr;
  IDirect3DSurface9* syncSurface_ = nullptr;
  std::vector<std::uint32_t> pixels_;
  UINT width_ = 0;
  UINT height_ = 0;
  bool ready_ = false;
};

// One scene at a time: a new size replaces the previous device.
BloomScene* SceneOfSize(UINT width, UINT height) {
  static std::unique_ptr<BloomScene> scene;
  static UINT sceneWidth = 0;
  if (scene == nullptr || sceneWidth != width) {
    scene.reset();
    scene = std::make_unique<BloomScene>(width, height);
    sceneWidth = width;
  }
  return scene->Ready() ? scene.get() : nullptr;
}

// range(0), range(1): the window size.
void BM_ApplyBloom(benchmark::State& state) {
  BloomScene* scene = SceneOfSize(static_cast<UINT>(state.range(0)), static_cast<UINT>(state.range(1)));
  if (scene == nullptr) {
    state.SkipWithError("no best-quality renderer");
    return;
  }
  // The first bloom builds the passes' programs: not part of a frame's cost.
  scene->CaptureScene();
  scene->Bloom();
  scene->Sync();
  for (auto _ : state) {
    state.PauseTiming();
    scene->CaptureScene();
    scene->Sync();
    state.ResumeTiming();
    scene->Bloom();
    scene->Sync();
  }
}
BENCHMARK(BM_ApplyBloom)->Args({800, 600})->Args({1024, 768})->Args({1280, 960})->Unit(benchmark::kMillisecond)->UseRealTime();

// The sync alone, to subtract from the figures above.
void BM_SyncOnly(benchmark::State& state) {
  BloomScene* scene = SceneOfSize(800, 600);
  if (scene == nullptr) {
    state.SkipWithError("no best-quality renderer");
    return;
  }
  for (auto _ : state) scene->Sync();
}
BENCHMARK(BM_SyncOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
