// CPU cost of the sound system's per-event and per-frame work, on OpenAL
// Soft's loopback device (nothing mixes while it is measured, so the cost
// is the game's and the layer's, not the mixer thread's).

#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/host/AudioCapture.h"
#include "platform/host/Headless.h"
#include "sound/SoundSystem.h"

namespace {

// A one-second mono 16-bit wave file of silence.
std::string WriteWave() {
  const std::string path = "/tmp/grapple_sound_bench.wav";
  std::FILE* f = std::fopen(path.c_str(), "wb");
  const std::uint32_t rate = 22050;
  const std::uint32_t bytes = rate * 2;
  auto put32 = [f](std::uint32_t v) { std::fwrite(&v, 4, 1, f); };
  auto put16 = [f](std::uint16_t v) { std::fwrite(&v, 2, 1, f); };
  std::fwrite("RIFF", 1, 4, f);
  put32(36 + bytes);
  std::fwrite("WAVEfmt ", 1, 8, f);
  put32(16);
  put16(1);
  put16(1);
  put32(rate);
  put32(rate * 2);
  put16(2);
  put16(16);
  std::fwrite("data", 1, 4, f);
  put32(bytes);
  const std::vector<char> silence(bytes, 0);
  std::fwrite(silence.data(), 1, bytes, f);
  std::fclose(f);
  return path;
}

struct Scene {
  host::AudioCapture capture;
  CameraView camera;
  SoundSystem sound;
  SoundData* data = nullptr;
  Scene() {
    camera.eye = D3DXVECTOR3(0, 0, 0);
    camera.viewDirection = D3DXVECTOR3(0, 0, 1);
    camera.up = D3DXVECTOR3(0, 1, 0);
    sound.Init(nullptr, 0.99f);
    sound.SetView(&camera);
    data = sound.Load(WriteWave().c_str(), nullptr);
    // All 16 voices busy, at different points of the sound.
    for (int i = 0; i < SoundSystem::kVoiceCount; ++i) {
      sound.Play3D(data, 1.0f, 100.0f, D3DXVECTOR3(static_cast<float>(i), 0, 5), 0.05f * static_cast<float>(i));
    }
  }
};

// Every play finds all voices busy and steals one.
void BM_Play3DWithSteal(benchmark::State& state) {
  Scene scene;
  if (scene.data == nullptr) {
    state.SkipWithError("no sound device");
    return;
  }
  float x = 0.0f;
  for (auto _ : state) {
    x = x > 50.0f ? 0.0f : x + 1.0f;
    benchmark::DoNotOptimize(scene.sound.Play3D(scene.data, 1.0f, 100.0f, D3DXVECTOR3(x, 0, 5), 0.0f));
  }
  state.counters["voices"] = scene.sound.GetActiveVoiceCount();
}
BENCHMARK(BM_Play3DWithSteal);

// One frame's update: 16 playing voices checked, the listener moved and
// committed.
void BM_SoundUpdate16Voices(benchmark::State& state) {
  Scene scene;
  if (scene.data == nullptr) {
    state.SkipWithError("no sound device");
    return;
  }
  for (auto _ : state) {
    scene.camera.eye.x += 0.01f;
    scene.sound.Update();
  }
  state.counters["voices"] = scene.sound.GetActiveVoiceCount();
}
BENCHMARK(BM_SoundUpdate16Voices);

}  // namespace

int main(int argc, char** argv) {
  host::UseHeadlessDrivers();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
