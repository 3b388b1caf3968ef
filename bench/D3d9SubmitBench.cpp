// CPU cost of submitting draws through the Direct3D layer (headless, Mesa):
// immediate-mode lines, textured quads with a state change between draws,
// and how many state sets of a typical frame the redundancy filter removes.

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "platform/d3d9/D3d9.h"
#include "platform/d3d9/D3d9Automation.h"
#include "platform/host/Headless.h"
#include "platform/host/HeadlessDevice.h"
#include "platform/win32/SdlBridge.h"

namespace {

struct LineVertex {
  float x, y, z;
  D3DCOLOR colour;
};

struct QuadVertex {
  float x, y, z, rhw;
  D3DCOLOR colour;
  float u, v;
};

// One headless window and device shared by the benchmarks.
IDirect3DDevice9* SharedDevice() {
  // Video starts before the device exists, so the device is torn down
  // before video shuts down at exit.
  static const bool videoStarted = [] {
    host::UseHeadlessDrivers();
    return platform::EnsureSdlVideo();
  }();
  static host::HeadlessDevice device;
  if (videoStarted && device.Device() == nullptr) device.Create(800, 600);
  return device.Device();
}

void BM_DrawPrimitiveUpLine(benchmark::State& state) {
  IDirect3DDevice9* device = SharedDevice();
  d3d9::SetDrawSubmission(device, state.range(0) != 0);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
  const LineVertex line[2] = {{-0.5f, -0.5f, 0.5f, 0xFFFF0000}, {0.5f, 0.5f, 0.5f, 0xFF00FF00}};
  int drawn = 0;
  for (auto _ : state) {
    device->DrawPrimitiveUP(D3DPT_LINELIST, 1, line, sizeof(LineVertex));
    if (++drawn % 4096 == 0) device->Present(nullptr, nullptr, nullptr, nullptr);
  }
  d3d9::SetDrawSubmission(device, true);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DrawPrimitiveUpLine)->Arg(0)->Arg(1);

// range(0): 1 switches the texture between draws, 2 toggles blending, 3 both.
// range(1): 0 stops short of the GL draw call (the layer's own cost).
void BM_TexturedQuadWithStateChange(benchmark::State& state) {
  const int changes = static_cast<int>(state.range(0));
  d3d9::SetDrawSubmission(SharedDevice(), state.range(1) != 0);
  IDirect3DDevice9* device = SharedDevice();
  IDirect3DTexture9* textures[2] = {};
  for (auto*& texture : textures) {
    device->CreateTexture(64, 64, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr);
  }
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
  const QuadVertex quad[4] = {{10, 10, 0.5f, 1, 0xFFFFFFFF, 0, 0},
                              {74, 10, 0.5f, 1, 0xFFFFFFFF, 1, 0},
                              {10, 74, 0.5f, 1, 0xFFFFFFFF, 0, 1},
                              {74, 74, 0.5f, 1, 0xFFFFFFFF, 1, 1}};
  int drawn = 0;
  for (auto _ : state) {
    const int which = drawn & 1;
    device->SetTexture(0, textures[(changes & 1) != 0 ? which : 0]);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, (changes & 2) != 0 && which != 0 ? TRUE : FALSE);
    device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(QuadVertex));
    if (++drawn % 4096 == 0) device->Present(nullptr, nullptr, nullptr, nullptr);
  }
  device->SetTexture(0, nullptr);
  for (auto* texture : textures) texture->Release();
  d3d9::SetDrawSubmission(device, true);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TexturedQuadWithStateChange)->ArgsProduct({{0, 1, 2, 3}, {0, 1}});

// A frame as the game's code sets states: defaults at the start of the
// frame, then per object the same handful of states, a texture and a world
// matrix, and one draw.
void BM_TypicalFrameStateFilter(benchmark::State& state) {
  IDirect3DDevice9* device = SharedDevice();
  IDirect3DTexture9* texture = nullptr;
  device->CreateTexture(64, 64, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr);
  const QuadVertex quad[4] = {{10, 10, 0.5f, 1, 0xFFFFFFFF, 0, 0},
                              {20, 10, 0.5f, 1, 0xFFFFFFFF, 1, 0},
                              {10, 20, 0.5f, 1, 0xFFFFFFFF, 0, 1},
                              {20, 20, 0.5f, 1, 0xFFFFFFFF, 1, 1}};
  d3d9::ResetStatistics(device);
  for (auto _ : state) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHAREF, 3);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    device->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    for (int object = 0; object < 60; ++object) {
      device->SetRenderState(D3DRS_ZWRITEENABLE, object < 50 ? TRUE : FALSE);  // the last ten are translucent
      device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
      device->SetRenderState(D3DRS_LIGHTING, FALSE);
      device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
      device->SetTexture(0, texture);
      device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(QuadVertex));
    }
    device->Present(nullptr, nullptr, nullptr, nullptr);
  }
  const d3d9::Statistics statistics = d3d9::GetStatistics(device);
  state.counters["state_sets_per_frame"] =
      benchmark::Counter(static_cast<double>(statistics.stateSets), benchmark::Counter::kAvgIterations);
  state.counters["filtered_per_frame"] =
      benchmark::Counter(static_cast<double>(statistics.redundantStateSets), benchmark::Counter::kAvgIterations);
  state.counters["gl_state_calls_per_frame"] =
      benchmark::Counter(static_cast<double>(statistics.glStateChanges), benchmark::Counter::kAvgIterations);
  device->SetTexture(0, nullptr);
  texture->Release();
}
BENCHMARK(BM_TypicalFrameStateFilter)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
