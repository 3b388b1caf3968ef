// The physics step of the scene's composition: the level as a triangle
// mesh, 20 character capsules and the 43 props of the starting scene
// dropped where the scene places them, over the first 600 steps (they fall,
// collide and settle); the same with ten times the population; Bullet's own
// stepSimulation on the same bodies without our layer; and rays against the
// settled scene.
//
// The level is ./data/map/test_map.x (scale 70, materials by their codes)
// when it exists in the working directory, otherwise a synthetic arena of
// about 20,000 triangles (rolling terrain, rim walls, blocks and ramps).
// Capsules fall under gravity with their rotation locked, a stand-in for
// the character code that keeps them upright.
//
// The layer's step and Bullet's own run the same instructions (callgrind
// counts inside stepSimulation agree to a millionth); what the step times
// show between them is where the step runs: the layer starts a thread for
// every step (the platform runs it on the thread that ran the last one),
// and BM_RawStepsNewThread shows what a fresh system thread per step costs
// without the layer.

#include <benchmark/benchmark.h>

#include <time.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "btBulletDynamicsCommon.h"
#include "physics/PhysicsManager.h"
#include "physics/PhysicsMath.h"
#include "physics/SolidMapContact.h"
#include "platform/d3dx9/D3dxMesh.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr float kLevelScale = 70.0f;
constexpr int kSteps = 600;
constexpr float kPi = 3.1415927f;

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// CPU time of the calling thread: other work on the machine does not count.
double ThreadCpuMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

D3DXVECTOR3 PositionOf(const BodyHandle* handle) {
  return ToD3dVector3(handle->body->getWorldTransform().getOrigin());
}

// --- the level ----------------------------------------------------------

struct Level {
  ID3DXMesh* mesh = nullptr;
  std::vector<std::int32_t> materials;
  std::string description;
};

// Collects triangles of the synthetic arena in world units; they are stored
// divided by the level scale, as the generated level is.
class ArenaBuilder {
 public:
  WORD Vertex(float x, float y, float z) {
    positions_.push_back({x / kLevelScale, y / kLevelScale, z / kLevelScale});
    return static_cast<WORD>(positions_.size() - 1);
  }
  void Triangle(WORD a, WORD b, WORD c, DWORD attribute) { faces_.push_back({{a, b, c}, attribute}); }
  void Quad(const D3DXVECTOR3& a, const D3DXVECTOR3& b, const D3DXVECTOR3& c, const D3DXVECTOR3& d, DWORD attribute) {
    const WORD i = Vertex(a.x, a.y, a.z), j = Vertex(b.x, b.y, b.z), k = Vertex(c.x, c.y, c.z),
               l = Vertex(d.x, d.y, d.z);
    Triangle(i, j, k, attribute);
    Triangle(i, k, l, attribute);
  }
  // An axis-aligned block standing on y0: four sides and a top.
  void Block(float x0, float z0, float x1, float z1, float y0, float y1, DWORD attribute) {
    Quad({x0, y1, z0}, {x1, y1, z0}, {x1, y1, z1}, {x0, y1, z1}, attribute);
    Quad({x0, y0, z0}, {x0, y1, z0}, {x1, y1, z0}, {x1, y0, z0}, attribute);
    Quad({x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}, {x0, y0, z1}, attribute);
    Quad({x0, y0, z1}, {x0, y1, z1}, {x0, y1, z0}, {x0, y0, z0}, attribute);
    Quad({x1, y0, z0}, {x1, y1, z0}, {x1, y1, z1}, {x1, y0, z1}, attribute);
  }

  ID3DXMesh* Build() const {
    ID3DXMesh* mesh = nullptr;
    if (D3DXCreateMeshFVF(static_cast<DWORD>(faces_.size()), static_cast<DWORD>(positions_.size()),
                          D3DXMESH_MANAGED, D3DFVF_XYZ | D3DFVF_NORMAL, nullptr, &mesh) != D3D_OK) {
      return nullptr;
    }
    void* vertices = nullptr;
    void* indices = nullptr;
    DWORD* attributes = nullptr;
    mesh->LockVertexBuffer(0, &vertices);
    for (std::size_t v = 0; v < positions_.size(); ++v) {
      float* p = static_cast<float*>(vertices) + v * 6;
      p[0] = positions_[v].x;
      p[1] = positions_[v].y;
      p[2] = positions_[v].z;
    }
    mesh->UnlockVertexBuffer();
    mesh->LockIndexBuffer(0, &indices);
    mesh->LockAttributeBuffer(0, &attributes);
    for (std::size_t f = 0; f < faces_.size(); ++f) {
      for (int k = 0; k < 3; ++k) static_cast<WORD*>(indices)[f * 3 + k] = faces_[f].corners[k];
      attributes[f] = faces_[f].attribute;
    }
    mesh->UnlockAttributeBuffer();
    mesh->UnlockIndexBuffer();
    return mesh;
  }

 private:
  struct Face {
    WORD corners[3];
    DWORD attribute;
  };
  std::vector<D3DXVECTOR3> positions_;
  std::vector<Face> faces_;
};

float TerrainHeight(float x, float z) { return 80.0f + 12.0f * std::sin(x / 40.0f) * std::cos(z / 55.0f); }

Level SyntheticArena() {
  ArenaBuilder arena;
  constexpr int kCells = 100;
  constexpr float kHalf = 300.0f;
  const float cell = 2.0f * kHalf / kCells;
  for (int j = 0; j <= kCells; ++j) {
    for (int i = 0; i <= kCells; ++i) {
      const float x = -kHalf + cell * static_cast<float>(i);
      const float z = -kHalf + cell * static_cast<float>(j);
      arena.Vertex(x, TerrainHeight(x, z), z);
    }
  }
  for (int j = 0; j < kCells; ++j) {
    for (int i = 0; i < kCells; ++i) {
      const WORD a = static_cast<WORD>(j * (kCells + 1) + i);
      const WORD b = static_cast<WORD>(a + kCells + 1);
      // Patches of grass, dirt and sand.
      const DWORD attribute = static_cast<DWORD>(((i / 10) + (j / 10) * 3) % 3);
      arena.Triangle(a, b, static_cast<WORD>(b + 1), attribute);
      arena.Triangle(a, static_cast<WORD>(b + 1), static_cast<WORD>(a + 1), attribute);
    }
  }
  // Rim walls, stone blocks and two ramps.
  const float top = 260.0f;
  arena.Block(-kHalf - 10.0f, -kHalf - 10.0f, kHalf + 10.0f, -kHalf, 40.0f, top, 3);
  arena.Block(-kHalf - 10.0f, kHalf, kHalf + 10.0f, kHalf + 10.0f, 40.0f, top, 3);
  arena.Block(-kHalf - 10.0f, -kHalf, -kHalf, kHalf, 40.0f, top, 3);
  arena.Block(kHalf, -kHalf, kHalf + 10.0f, kHalf, 40.0f, top, 3);
  for (int k = 0; k < 8; ++k) {
    const float a = static_cast<float>(k) * kPi / 4.0f + 0.3f;
    const float x = std::cos(a) * 150.0f;
    const float z = std::sin(a) * 150.0f;
    arena.Block(x - 15.0f, z - 15.0f, x + 15.0f, z + 15.0f, 60.0f, 110.0f + 10.0f * static_cast<float>(k % 3), 3);
  }
  arena.Quad({-60, 70, 200}, {-60, 130, 260}, {-20, 130, 260}, {-20, 70, 200}, 4);
  arena.Quad({180, 70, -40}, {240, 120, -40}, {240, 120, 0}, {180, 70, 0}, 4);
  Level level;
  level.mesh = arena.Build();
  level.materials = {kMaterialGrass, kMaterialDirt, kMaterialSand, kMaterialStone, kMaterialWood};
  level.description = "synthetic arena";
  return level;
}

// The generated level: its materials name the physics material by the
// first two letters of their texture file; Univ for a miss or "**".
bool LoadGeneratedLevel(const char* path, Level* level) {
  ID3DXBuffer* materials = nullptr;
  DWORD count = 0;
  if (D3DXLoadMeshFromXA(path, D3DXMESH_MANAGED, nullptr, nullptr, &materials, nullptr, &count, &level->mesh) !=
      D3D_OK) {
    return false;
  }
  const auto* list = materials != nullptr ? static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer()) : nullptr;
  for (DWORD i = 0; i < count && list != nullptr; ++i) {
    const int found = FindPhysicsMaterialByCode(list[i].pTextureFilename);
    level->materials.push_back(found > 0 ? found : kMaterialUniv);
  }
  if (materials != nullptr) materials->Release();
  level->description = std::string("generated arena ") + path;
  return true;
}

const Level& GetLevel() {
  static const Level level = [] {
    Level generated;
    if (LoadGeneratedLevel("./data/map/test_map.x", &generated)) return generated;
    return SyntheticArena();
  }();
  return level;
}

// --- the scene's bodies -----------------------------------------------------

// A character's standing capsule: scale s gives mass 18 s, radius 1.5 s and
// height 7.5 s with the capsule's own material and damping.
class CapsuleSource : public PeBodySource {
 public:
  explicit CapsuleSource(float scale)
      : PeBodySource(kKindCapsule, kMaterialSpecial, kGroupCharacter, kMaskAll, 18.0f * scale),
        radius(1.5f * scale),
        height(7.5f * scale) {
    shape = new btCapsuleShape(radius, height - 2.0f * radius);
    shape->setUserPointer(this);
    btVector3 inertia(0.0f, 0.0f, 0.0f);
    shape->calculateLocalInertia(mass, inertia);
    constructionInfo = new btRigidBody::btRigidBodyConstructionInfo(mass, nullptr, shape, inertia);
    constructionInfo->m_friction = 0.01f;
    constructionInfo->m_restitution = 0.01f;
    constructionInfo->m_linearDamping = 0.0f;
    constructionInfo->m_angularDamping = 1.0f;
    constructionInfo->m_linearSleepingThreshold = radius * 0.05f;
    constructionInfo->m_angularSleepingThreshold = 1.0f;
  }
  bool IsObject() const override { return false; }
  bool IsCharacter() const override { return true; }

  float radius;
  float height;
};

struct Placement {
  PeBodySource* source;
  D3DXMATRIX world;
  bool upright;
};

// The body sources of the scene, made once through the layer.
struct Sources {
  PhysicsManager factory;  // sources need only the gravity of the game
  std::vector<std::int32_t> levelMaterials;
  ID3DXMesh* propMesh = nullptr;
  PeBodySource* level = nullptr;
  PeBodySource* propE = nullptr;
  PeBodySource* crate = nullptr;
  PeBodySource* sphere = nullptr;
  std::unique_ptr<CapsuleSource> capsules[3];  // scales 2, 3, 4

  Sources() {
    factory.SetGravity(D3DXVECTOR3(0.0f, -39.24f, 0.0f));
    levelMaterials = GetLevel().materials;
    factory.CreateTriMesh(&level, levelMaterials, GetLevel().mesh, kLevelScale);
    // The thrown object's mesh; a round stand-in until it is generated.
    if (D3DXLoadMeshFromXA("./data/obj/kyabe_new.x", D3DXMESH_MANAGED, nullptr, nullptr, nullptr, nullptr, nullptr,
                           &propMesh) != D3D_OK) {
      D3DXCreateSphere(nullptr, 1.0f, 16, 12, &propMesh, nullptr);
    }
    factory.CreateConvexHull(propMesh, &propE, 12.0f, 0.4f, 1.0f, 10.0f);
    factory.CreateBox(&crate, 20.0f, 0.25f, 1.0f, 5.0f, 5.0f, 5.0f);
    factory.CreateSphere(&sphere, 1.5f, 0.25f, 1.0f, 2.5f);
    for (int s = 0; s < 3; ++s) capsules[s] = std::make_unique<CapsuleSource>(2.0f + static_cast<float>(s));
  }
  CapsuleSource* Capsule(float scale) { return capsules[static_cast<int>(scale) - 2].get(); }
};

Sources& GetSources() {
  static Sources* sources = new Sources;  // lives for the whole run
  return *sources;
}

D3DXMATRIX At(float x, float y, float z) {
  D3DXMATRIX m;
  D3DXMatrixTranslation(&m, x, y, z);
  return m;
}

// The starting scene as the game places it; each further copy is turned
// about the vertical axis and raised a little.
std::vector<Placement> ScenePlacements(int copies) {
  Sources& s = GetSources();
  std::vector<Placement> placements;
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  placements.push_back({s.level, identity, false});
  std::srand(1);
  auto uniform = [] { return static_cast<float>(std::rand()) / 32767.0f; };
  for (int copy = 0; copy < copies; ++copy) {
    const float turn = 2.0f * kPi * static_cast<float>(copy) / static_cast<float>(copies);
    const float c = std::cos(turn), sn = std::sin(turn), lift = 6.0f * static_cast<float>(copy);
    auto add = [&](PeBodySource* source, float x, float y, float z, bool upright) {
      placements.push_back({source, At(x * c - z * sn, y + lift, x * sn + z * c), upright});
    };
    auto addCharacter = [&](float x, float y, float z, float scale) {
      CapsuleSource* capsule = s.Capsule(scale);
      add(capsule, x, y + capsule->height / 2.0f, z, true);
    };
    addCharacter(-10, 310, 50, 3);
    addCharacter(20, 310, 30, 2);
    addCharacter(50, 310, 30, 3);
    addCharacter(80, 310, 30, 4);
    for (int i = 0; i < 16; ++i) {
      const float a = uniform() * 2.0f * kPi;
      const float d = uniform() * 170.0f + 50.0f;
      uniform();  // the yaw: a capsule does not turn
      addCharacter(std::sin(a) * d, 400, std::cos(a) * d, 3);
    }
    for (int i = 0; i < 3; ++i) add(s.crate, 20, 130 + 10.0f * i, -120, false);
    for (int i = 0; i < 3; ++i) add(s.crate, -10, 130 + 10.0f * i, -120, false);
    for (int i = 0; i < 5; ++i) add(s.crate, -120, 185 + 10.0f * i, 150, false);
    for (int i = 0; i < 10; ++i) add(s.propE, -50, 190 + 15.0f * i, 125, false);
    for (int level = 1; level <= 5; ++level) {
      for (int i = 0; i < level; ++i) add(s.crate, 130 + 10.0f * (level - 1) - 2.5f * i, 285 + 10.0f * i, -80, false);
    }
    const float spheres[6][3] = {{110, 315, 35}, {150, 290, 185}, {-220, 180, 110},
                                 {-230, 180, 110}, {40, 130, -170}, {50, 130, -170}};
    for (const auto& p : spheres) add(s.sphere, p[0], p[1], p[2], false);
  }
  return placements;
}

// --- the scene through the layer, and the same bodies in a raw world ---------

// Times the step inside the worker (read by the main thread after the join).
class TimedManager : public PhysicsManager {
 public:
  double lastStepMs = 0.0;
  double lastStepCpuMs = 0.0;

 protected:
  void Execute() override {
    const Clock::time_point start = Clock::now();
    const double cpu = ThreadCpuMilliseconds();
    PhysicsManager::Execute();
    lastStepCpuMs = ThreadCpuMilliseconds() - cpu;
    lastStepMs = Milliseconds(Clock::now() - start);
  }
};

struct LayerScene {
  TimedManager physics;
  std::vector<BodyHandle*> bodies;

  explicit LayerScene(int copies) {
    physics.Init();
    physics.SetGravity(D3DXVECTOR3(0.0f, -39.24f, 0.0f));
    for (const Placement& p : ScenePlacements(copies)) {
      BodyHandle* handle = nullptr;
      physics.AddBody(p.world, p.source, &handle);
      if (p.upright) handle->body->setAngularFactor(0.0f);
      bodies.push_back(handle);
    }
  }
  ~LayerScene() {
    physics.FinishStep();
    for (BodyHandle*& handle : bodies) physics.RemoveBody(handle);
  }
};

struct RawScene {
  btDefaultCollisionConfiguration configuration;
  btCollisionDispatcher dispatcher{&configuration};
  btDbvtBroadphase broadphase;
  btSequentialImpulseConstraintSolver solver;
  btDiscreteDynamicsWorld world{&dispatcher, &broadphase, &solver, &configuration};
  std::vector<std::unique_ptr<btRigidBody>> bodies;

  explicit RawScene(int copies) {
    world.setGravity(btVector3(0.0f, -39.24f, 0.0f));
    gContactAddedCallback = PeLocal::OnMapContactAdded;
    for (const Placement& p : ScenePlacements(copies)) {
      btRigidBody::btRigidBodyConstructionInfo info = *p.source->constructionInfo;
      info.m_startWorldTransform = ToBtTransform(p.world);
      bodies.push_back(std::make_unique<btRigidBody>(info));
      btRigidBody* body = bodies.back().get();
      world.addRigidBody(body, p.source->group & 0xFFFF, p.source->mask & 0xFFFF);
      if (p.source->kind == PeBodySource::kKindTriMesh) {
        body->setCollisionFlags(body->getCollisionFlags() | btCollisionObject::CF_CUSTOM_MATERIAL_CALLBACK);
      }
      if (p.upright) body->setAngularFactor(0.0f);
    }
  }
  ~RawScene() {
    for (auto& body : bodies) world.removeRigidBody(body.get());
  }
};

struct StepTimes {
  double total = 0.0;
  double totalCpu = 0.0;
  double worst = 0.0;
  int count = 0;
  void Add(double ms, double cpuMs) {
    total += ms;
    totalCpu += cpuMs;
    if (ms > worst) worst = ms;
    ++count;
  }
  void Report(benchmark::State& state) const {
    state.counters["step_ms"] = total / count;
    state.counters["step_cpu_ms"] = totalCpu / count;
    state.counters["worst_step_ms"] = worst;
  }
};

// Through the layer, as a frame does it: StartStep, the worker steps while
// the frame would draw, then FinishStep. The iteration time is the steps'
// own time on the worker; start_us and join_us are what the main thread
// pays for the layer each frame (thread start; the join once the step is
// over, as it is after a frame's drawing).
void BM_SceneSteps(benchmark::State& state) {
  const int copies = static_cast<int>(state.range(0));
  StepTimes steps;
  double startMs = 0.0;
  double joinMs = 0.0;
  for (auto _ : state) {
    state.PauseTiming();
    auto scene = std::make_unique<LayerScene>(copies);
    state.ResumeTiming();
    double iteration = 0.0;
    for (int i = 0; i < kSteps; ++i) {
      const Clock::time_point t0 = Clock::now();
      scene->physics.StartStep();
      const Clock::time_point t1 = Clock::now();
      // Polls as the frame's join does, once a millisecond: polling much
      // faster takes CPU from the step on a two-core machine.
      while (scene->physics.IsRunning()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      const Clock::time_point t2 = Clock::now();
      scene->physics.FinishStep();
      const Clock::time_point t3 = Clock::now();
      startMs += Milliseconds(t1 - t0);
      joinMs += Milliseconds(t3 - t2);
      steps.Add(scene->physics.lastStepMs, scene->physics.lastStepCpuMs);
      iteration += scene->physics.lastStepMs;
    }
    state.SetIterationTime(iteration / 1e3);
    state.PauseTiming();
    scene.reset();
    state.ResumeTiming();
  }
  steps.Report(state);
  state.counters["start_us"] = startMs * 1e3 / steps.count;
  state.counters["join_us"] = joinMs * 1e3 / steps.count;
  state.counters["bodies"] = static_cast<double>(ScenePlacements(copies).size());
  state.counters["hull_points"] = static_cast<const btConvexHullShape*>(GetSources().propE->shape)->getNumPoints();
}

// Bullet alone: stepSimulation of the same bodies on the calling thread.
void BM_RawSteps(benchmark::State& state) {
  const int copies = static_cast<int>(state.range(0));
  StepTimes steps;
  for (auto _ : state) {
    state.PauseTiming();
    auto scene = std::make_unique<RawScene>(copies);
    state.ResumeTiming();
    double iteration = 0.0;
    for (int i = 0; i < kSteps; ++i) {
      const Clock::time_point before = Clock::now();
      const double cpu = ThreadCpuMilliseconds();
      scene->world.stepSimulation(1.0f / 60.0f, 1, 1.0f / 60.0f);
      const double cpuMs = ThreadCpuMilliseconds() - cpu;
      const double ms = Milliseconds(Clock::now() - before);
      steps.Add(ms, cpuMs);
      iteration += ms;
    }
    state.SetIterationTime(iteration / 1e3);
    state.PauseTiming();
    scene.reset();
    state.ResumeTiming();
  }
  steps.Report(state);
}

// Bullet alone, each step on a thread of its own (what the layer's thread
// per step costs by itself).
void BM_RawStepsNewThread(benchmark::State& state) {
  const int copies = static_cast<int>(state.range(0));
  StepTimes steps;
  for (auto _ : state) {
    state.PauseTiming();
    auto scene = std::make_unique<RawScene>(copies);
    state.ResumeTiming();
    double iteration = 0.0;
    for (int i = 0; i < kSteps; ++i) {
      double ms = 0.0;
      double cpuMs = 0.0;
      std::thread([&] {
        const Clock::time_point before = Clock::now();
        const double cpu = ThreadCpuMilliseconds();
        scene->world.stepSimulation(1.0f / 60.0f, 1, 1.0f / 60.0f);
        cpuMs = ThreadCpuMilliseconds() - cpu;
        ms = Milliseconds(Clock::now() - before);
      }).join();
      steps.Add(ms, cpuMs);
      iteration += ms;
    }
    state.SetIterationTime(iteration / 1e3);
    state.PauseTiming();
    scene.reset();
    state.ResumeTiming();
  }
  steps.Report(state);
}

// Layer and raw runs alternate, so a change of load on the machine shows in
// both alike.
BENCHMARK(BM_SceneSteps)->Arg(1)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawSteps)->Arg(1)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawStepsNewThread)->Arg(1)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SceneSteps)->Arg(10)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawSteps)->Arg(10)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawStepsNewThread)->Arg(10)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

// --- rays against the settled scene ---------------------------------------------

LayerScene& SettledScene() {
  static LayerScene* scene = [] {
    auto* settled = new LayerScene(1);
    for (int i = 0; i < kSteps; ++i) {
      settled->physics.StartStep();
      settled->physics.FinishStep();
    }
    return settled;
  }();
  return *scene;
}

struct Ray {
  D3DXVECTOR3 start;
  D3DXVECTOR3 end;
};

// 0: a ground probe under a settled crate, as the capsule casts them (short,
// straight down); 1: a strike-length ray across the middle of the arena at
// a character's height above the ground, through whatever lies there.
Ray ChooseRay(int kind) {
  PhysicsManager& physics = SettledScene().physics;
  D3DXVECTOR3 ground;
  physics.RayTestClosest(D3DXVECTOR3(0, 1000, 0), D3DXVECTOR3(0, -1000, 0), &ground, nullptr, nullptr, 0x100);
  if (kind == 0) {
    for (const BodyHandle* handle : SettledScene().bodies) {
      if (handle->source != GetSources().crate) continue;
      const D3DXVECTOR3 crate = PositionOf(handle);
      return {crate, crate - D3DXVECTOR3(0, 20, 0)};
    }
  }
  return {D3DXVECTOR3(-300, ground.y + 10, -40), D3DXVECTOR3(300, ground.y + 10, 40)};
}

class CountingHits : public PhysicsManager::CallbackRayHit {
 public:
  void OnRayHit(const D3DXVECTOR3&, const D3DXVECTOR4&, const btCollisionWorld::LocalRayResult&) override { ++hits; }
  long hits = 0;
};

void BM_RayClosest(benchmark::State& state) {
  const Ray ray = ChooseRay(static_cast<int>(state.range(0)));
  PhysicsManager& physics = SettledScene().physics;
  D3DXVECTOR3 point;
  D3DXVECTOR4 normal;
  int material = 0;
  long hits = 0;
  for (auto _ : state) {
    hits += physics.RayTestClosest(ray.start, ray.end, &point, &normal, &material, 0xFFFF) != nullptr;
  }
  state.counters["hit"] = static_cast<double>(hits) / static_cast<double>(state.iterations());
}

void BM_RayAny(benchmark::State& state) {
  const Ray ray = ChooseRay(static_cast<int>(state.range(0)));
  PhysicsManager& physics = SettledScene().physics;
  long hits = 0;
  for (auto _ : state) hits += physics.RayTestAny(ray.start, ray.end, 0xFFFF);
  state.counters["hit"] = static_cast<double>(hits) / static_cast<double>(state.iterations());
}

void BM_RayAll(benchmark::State& state) {
  const Ray ray = ChooseRay(static_cast<int>(state.range(0)));
  PhysicsManager& physics = SettledScene().physics;
  CountingHits receiver;
  for (auto _ : state) physics.RayTestAll(ray.start, ray.end, &receiver);
  state.counters["hits_per_ray"] = static_cast<double>(receiver.hits) / static_cast<double>(state.iterations());
}

BENCHMARK(BM_RayClosest)->Arg(0)->Arg(1);
BENCHMARK(BM_RayAny)->Arg(0)->Arg(1);
BENCHMARK(BM_RayAll)->Arg(0)->Arg(1);

}  // namespace

int main(int argc, char** argv) {
  const Level& level = GetLevel();
  if (level.mesh == nullptr) {
    std::fprintf(stderr, "no level mesh\n");
    return 1;
  }
  std::printf("level: %s, %lu triangles, %lu vertices\n", level.description.c_str(),
              static_cast<unsigned long>(level.mesh->GetNumFaces()),
              static_cast<unsigned long>(level.mesh->GetNumVertices()));
  benchmark::AddCustomContext("level", level.description);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
