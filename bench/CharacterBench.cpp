// The fighters' cost on the generated arena (./data, run from the build
// directory): Update per living fighter and per ragdoll fighter with 20 and
// with 200 in the scene, the physics step stepped between updates as the
// game does (not timed there); the creation of a ragdoll at death; and the
// physics step itself with 200 living fighters on the arena.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "character/CharacterManager.h"
#include "character/CharacterObj.h"
#include "character/CommandBits.h"
#include "frame/DisplayConfiguration.h"
#include "frame/MessageOutputInterface.h"
#include "physics/PhysicsManager.h"
#include "physics/PhysicsMaterial.h"
#include "platform/d3dx9/D3dxMesh.h"
#include "platform/host/Headless.h"
#include "platform/host/HeadlessDevice.h"
#include "render/AdvancedRenderSystem.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr float kPi = 3.14159265f;

class QuietMessages : public MessageOutputInterface {
 public:
  void Output(const char* text) override { std::fprintf(stderr, "character_bench: %s\n", text); }
};

// The renderer (fixed function, headless), the body mesh, the physics world
// with the arena: made once for the whole run.
struct World {
  host::HeadlessDevice device;
  QuietMessages messages;
  AdvancedRenderSystem renderer;
  SkinData* body = nullptr;
  CharacterMeshSet meshes;
  PhysicsManager physics;
  ID3DXMesh* levelMesh = nullptr;
  PeBodySource* levelSource = nullptr;
  BodyHandle* level = nullptr;
  bool ready = false;

  World() {
    host::UseHeadlessDrivers();
    if (!device.Create(320, 240)) return;
    GetDisplayConfiguration().useShaders = false;
    if (!renderer.Init(true, &device.Parameters(), device.Device(), 320, 240, &messages)) return;
    if (!renderer.LoadSkinMesh(&body, &messages)) return;
    meshes.body = body;
    if (!physics.Init()) return;
    physics.SetGravity(D3DXVECTOR3(0.0f, -39.24f, 0.0f));
    SetPhysicsManager(&physics);
    ID3DXBuffer* materials = nullptr;
    DWORD count = 0;
    if (FAILED(D3DXLoadMeshFromXA("./data/map/test_map.x", D3DXMESH_MANAGED, nullptr, nullptr, &materials, nullptr,
                                  &count, &levelMesh))) {
      return;
    }
    std::vector<std::int32_t> map;
    const auto* list = static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
    for (DWORD i = 0; i < count; ++i) {
      const int found = list[i].pTextureFilename != nullptr ? FindPhysicsMaterialByCode(list[i].pTextureFilename) : -1;
      map.push_back(found > 0 ? found : kMaterialUniv);
    }
    materials->Release();
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    ready = physics.CreateTriMesh(&levelSource, map, levelMesh, 70.0f) && physics.AddBody(identity, levelSource, &level);
  }
};

World& GetWorld() {
  static World* world = new World;  // lives for the whole run
  return *world;
}

// A crowd on the open ground and plaza of the arena, in a grid, standing
// or running in circles, optionally all killed.
class Crowd {
 public:
  explicit Crowd(int count) {
    World& w = GetWorld();
    manager_.callback = nullptr;
    const int side = static_cast<int>(std::ceil(std::sqrt(static_cast<float>(count))));
    for (int i = 0; i < count; ++i) {
      const float x = -150.0f + 300.0f * static_cast<float>(i % side) / static_cast<float>(side);
      const float z = -150.0f + 300.0f * static_cast<float>(i / side) / static_cast<float>(side);
      auto* fighter = new CharacterObj();
      if (!fighter->Init(w.meshes, &w.renderer, nullptr, 3.0f, D3DXVECTOR3(x, 300.0f, z), 0.0f)) {
        delete fighter;
        continue;
      }
      manager_.Add(fighter);
      fighters_.push_back(fighter);
    }
  }
  ~Crowd() {
    GetWorld().physics.FinishStep();
    for (CharacterObj* fighter : fighters_) {
      manager_.Remove(manager_.Find(fighter));
      fighter->Release();
      delete fighter;
    }
  }

  // Frames of the game: update, then the step; the updates are timed.
  double Frames(int count, bool run) {
    PhysicsManager& physics = GetWorld().physics;
    double seconds = 0.0;
    for (int i = 0; i < count; ++i) {
      for (CharacterObj* fighter : fighters_) {
        fighter->commands = run ? CommandBits::kForward : 0u;
        fighter->turnRate = run ? 0.02f : 0.0f;
      }
      const Clock::time_point start = Clock::now();
      manager_.UpdateAll();
      seconds += std::chrono::duration<double>(Clock::now() - start).count();
      physics.StartStep();
      physics.FinishStep();
    }
    return seconds;
  }

  void KillAll() {
    for (CharacterObj* fighter : fighters_) fighter->commands = CommandBits::kSelfDamage;
  }

  int Size() const { return static_cast<int>(fighters_.size()); }
  const std::vector<CharacterObj*>& Fighters() const { return fighters_; }

 private:
  CharacterManager manager_;
  std::vector<CharacterObj*> fighters_;
};

// Update of living fighters running about; per fighter and update.
void BM_UpdateLiving(benchmark::State& state) {
  if (!GetWorld().ready) return state.SkipWithError("no arena in ./data");
  Crowd crowd(static_cast<int>(state.range(0)));
  crowd.Frames(120, false);  // landed and standing
  constexpr int kFrames = 60;
  double total = 0.0;
  for (auto _ : state) {
    const double perFrame = crowd.Frames(kFrames, true) / kFrames;
    total += perFrame;
    state.SetIterationTime(perFrame);
  }
  state.counters["us_per_fighter"] = total * 1e6 / static_cast<double>(state.iterations()) / crowd.Size();
}

// Update of ragdoll fighters while they still tumble (the first second
// after death).
void BM_UpdateRagdoll(benchmark::State& state) {
  if (!GetWorld().ready) return state.SkipWithError("no arena in ./data");
  constexpr int kFrames = 60;
  double total = 0.0;
  int fighters = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto crowd = std::make_unique<Crowd>(static_cast<int>(state.range(0)));
    crowd->Frames(120, false);
    crowd->KillAll();
    crowd->Frames(1, false);  // the deaths
    state.ResumeTiming();
    const double perFrame = crowd->Frames(kFrames, false) / kFrames;
    state.SetIterationTime(perFrame);
    state.PauseTiming();
    total += perFrame;
    fighters = crowd->Size();
    crowd.reset();
    state.ResumeTiming();
  }
  state.counters["us_per_fighter"] = total * 1e6 / static_cast<double>(state.iterations()) / fighters;
}

// The death itself: capsule removed, eleven bodies and ten joints added.
void BM_CreateRagdoll(benchmark::State& state) {
  if (!GetWorld().ready) return state.SkipWithError("no arena in ./data");
  constexpr int kCount = 20;
  for (auto _ : state) {
    state.PauseTiming();
    auto crowd = std::make_unique<Crowd>(kCount);
    crowd->Frames(120, false);
    state.ResumeTiming();
    const Clock::time_point start = Clock::now();
    for (CharacterObj* fighter : crowd->Fighters()) {
      PhysicsRagdoll& ragdoll = const_cast<PhysicsRagdoll&>(fighter->GetRagdoll());
      ragdoll.Create(1.0f, 1.0f, 2.5f, fighter, D3DXVECTOR3(0, 0, 0));
    }
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count() / kCount);
    state.PauseTiming();
    for (CharacterObj* fighter : crowd->Fighters()) const_cast<PhysicsRagdoll&>(fighter->GetRagdoll()).Destroy();
    crowd.reset();
    state.ResumeTiming();
  }
}

// The physics step with 200 living fighters running on the arena.
void BM_StepWithFighters(benchmark::State& state) {
  if (!GetWorld().ready) return state.SkipWithError("no arena in ./data");
  Crowd crowd(static_cast<int>(state.range(0)));
  crowd.Frames(120, false);
  PhysicsManager& physics = GetWorld().physics;
  for (auto _ : state) {
    state.PauseTiming();
    crowd.Frames(1, true);
    state.ResumeTiming();
    physics.StartStep();
    physics.FinishStep();
  }
}

BENCHMARK(BM_UpdateLiving)->Arg(20)->Arg(200)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(5);
BENCHMARK(BM_UpdateRagdoll)->Arg(20)->Arg(200)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(3);
BENCHMARK(BM_CreateRagdoll)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(5);
BENCHMARK(BM_StepWithFighters)->Arg(200)->Unit(benchmark::kMillisecond)->Iterations(200);

}  // namespace

BENCHMARK_MAIN();
