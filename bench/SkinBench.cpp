// Skinned characters (standard shader mode, headless Mesa): loading and
// preparing a 10,000-vertex body with its bone and pose files; one
// character's pose blend, hierarchy and skinning matrices on a 16-bone
// skeleton; and the draw submission of one character.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include "anim/AnimFileBuilder.h"
#include "anim/SkinMeshEntity.h"
#include "frame/DisplayConfiguration.h"
#include "platform/d3d9/D3d9Automation.h"
#include "platform/host/Headless.h"
#include "platform/host/HeadlessDevice.h"
#include "render/AdvancedRenderSystem.h"
#include "render/XFileText.h"

namespace {

constexpr int kBones = 16;
constexpr int kRingVertices = 64;
constexpr int kRings = 157;  // 157 x 64 = 10,048 vertices
constexpr float kBoneLength = 1.0f;

// A tube along +y, one bone per unit of height; every ring is weighted
// between the two bones nearest to it.
void WriteBody(const std::string& directory) {
  XFileText x;
  const float height = kBones * kBoneLength;
  AnimFileBuilder bones;
  std::vector<std::vector<std::int32_t>> vertices(kBones);
  std::vector<std::vector<float>> weights(kBones);
  for (int r = 0; r < kRings; ++r) {
    const float y = height * static_cast<float>(r) / (kRings - 1);
    const float along = std::fmin(y / kBoneLength, kBones - 1.0f);
    const int lower = static_cast<int>(along);
    const int upper = std::min(lower + 1, kBones - 1);
    const float toUpper = along - static_cast<float>(lower);
    for (int s = 0; s < kRingVertices; ++s) {
      const float a = 6.2831853f * static_cast<float>(s) / kRingVertices;
      const std::int32_t index = static_cast<std::int32_t>(x.VertexCount());
      x.Vertex(std::cos(a), y, std::sin(a), static_cast<float>(s) / kRingVertices, y / height);
      vertices[lower].push_back(index);
      weights[lower].push_back(upper == lower ? 1.0f : 1.0f - toUpper);
      if (upper != lower) {
        vertices[upper].push_back(index);
        weights[upper].push_back(toUpper);
      }
    }
  }
  for (int r = 0; r + 1 < kRings; ++r) {
    for (int s = 0; s < kRingVertices; ++s) {
      const std::uint32_t a = r * kRingVertices + s, b = r * kRingVertices + (s + 1) % kRingVertices;
      x.Face(a, a + kRingVertices, b + kRingVertices);
      x.Face(a, b + kRingVertices, b);
    }
  }
  std::ofstream(directory + "body.x") << x.Text();

  bones.Magic("BF01").Int(kBones);
  for (int b = 0; b < kBones; ++b) {
    bones.Bone(b - 1, "bone" + std::to_string(b), 0, b == 0 ? 0.0f : kBoneLength, 0, 0, vertices[b], weights[b]);
  }
  std::ofstream(directory + "body.bone", std::ios::binary) << bones.Data();

  AnimFileBuilder poses;
  poses.Magic("PF00").Int(kBones);
  for (int b = 0; b < kBones; ++b) poses.Name("bone" + std::to_string(b));
  poses.Int(2);
  poses.Name("rest");
  for (int b = 0; b < kBones; ++b) poses.Vec(0, 0, 0);
  poses.Name("curl");
  for (int b = 0; b < kBones; ++b) poses.Vec(0.1f * b, 0.2f, 0.15f);
  std::ofstream(directory + "body.pose", std::ios::binary) << poses.Data();
}

class Scene {
 public:
  Scene() {
    host::UseHeadlessDrivers();
    directory_ = (std::filesystem::temp_directory_path() / ("grapple_skin_bench_" + std::to_string(getpid())))
                     .string() + "/";
    std::filesystem::create_directories(directory_);
    WriteBody(directory_);
    headless_.Create(800, 600);
    device_ = headless_.Device();
    GetDisplayConfiguration().useShaders = true;
    GetDisplayConfiguration().highQuality = false;
    renderer_.Init(false, &headless_.Parameters(), device_, 800, 600, nullptr);
    const D3DXVECTOR3 eye(0, 8, -30), at(0, 8, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&camera_.view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&camera_.projection, 1.0f, 4.0f / 3.0f, 0.1f, 100.0f);
    renderer_.SetView(&camera_);
  }
  ~Scene() {
    std::error_code error;
    std::filesystem::remove_all(directory_, error);
  }

  SkinData* Load() {
    SkinData* skin = nullptr;
    renderer_.LoadSkinMesh(&skin, nullptr, (directory_ + "body.x").c_str(), (directory_ + "body.bone").c_str(),
                           (directory_ + "body.pose").c_str());
    return skin;
  }
  AdvancedRenderSystem& Renderer() { return renderer_; }
  IDirect3DDevice9* Device() const { return device_; }

 private:
  std::string directory_;
  host::HeadlessDevice headless_;
  IDirect3DDevice9* device_ = nullptr;
  AdvancedRenderSystem renderer_;
  CameraView camera_;
};

Scene& SharedScene() {
  static Scene scene;
  return scene;
}

void BM_LoadSkinMesh(benchmark::State& state) {
  Scene& scene = SharedScene();
  for (auto _ : state) {
    SkinData* skin = scene.Load();
    if (skin == nullptr) {
      state.SkipWithError("the body did not load");
      return;
    }
    state.counters["vertices"] = skin->mesh->GetNumVertices();
    state.counters["combinations"] = skin->frame.GetCombinationCount();
    scene.Renderer().GetMeshPool().Release(skin);
  }
}
BENCHMARK(BM_LoadSkinMesh)->Unit(benchmark::kMillisecond)->Iterations(3);

// One character's frame: a blend step, the hierarchy and the skinning
// matrices, as the character code runs them.
void BM_AnimateCharacter(benchmark::State& state) {
  Scene& scene = SharedScene();
  SkinData* skin = scene.Load();
  SkinMeshEntity entity;
  entity.Init(&skin->frame);
  D3DXMATRIX world;
  D3DXMatrixTranslation(&world, 1, 2, 3);
  int step = 0;
  for (auto _ : state) {
    if (step++ % 12 == 0) entity.BeginBlend(step & 1);  // a new motion every 12 frames
    entity.UpdateBlend(0.08f, true);
    entity.UpdateWorld(entity.GetRoot(), world);
    entity.ComputeSkinMatrices(false);
    benchmark::DoNotOptimize(entity.GetNodes()[kBones - 1].skin);
  }
  entity.Release();
  scene.Renderer().GetMeshPool().Release(skin);
}
BENCHMARK(BM_AnimateCharacter);

// range(0): 0 stops short of the GL draw calls (the layers' own cost).
void BM_DrawCharacter(benchmark::State& state) {
  Scene& scene = SharedScene();
  SkinData* skin = scene.Load();
  SkinMeshEntity entity;
  entity.Init(&skin->frame);
  entity.SetPose(1);
  D3DXMATRIX world;
  D3DXMatrixIdentity(&world);
  entity.UpdateWorld(entity.GetRoot(), world);
  entity.ComputeSkinMatrices(false);
  MaterialData* materials[1] = {nullptr};
  d3d9::SetDrawSubmission(scene.Device(), state.range(0) != 0);
  d3d9::ResetStatistics(scene.Device());
  int drawn = 0;
  scene.Device()->BeginScene();
  for (auto _ : state) {
    entity.Draw(&scene.Renderer(), materials);
    scene.Renderer().SetTransformBlend(0);
    if (++drawn % 256 == 0) {
      scene.Device()->EndScene();
      scene.Device()->Present(nullptr, nullptr, nullptr, nullptr);
      scene.Device()->BeginScene();
    }
  }
  scene.Device()->EndScene();
  d3d9::SetDrawSubmission(scene.Device(), true);
  state.counters["draws_per_character"] = benchmark::Counter(
      static_cast<double>(d3d9::GetStatistics(scene.Device()).drawCalls), benchmark::Counter::kAvgIterations);
  entity.Release();
  scene.Renderer().GetMeshPool().Release(skin);
}
BENCHMARK(BM_DrawCharacter)->Arg(0)->Arg(1);

}  // namespace

BENCHMARK_MAIN();
