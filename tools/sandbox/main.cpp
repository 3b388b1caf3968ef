// sandbox: fighters on the generated arena, headless. Six fighters drop in
// where the scene drops them; the first one runs a scripted routine (run,
// jump, crouch, kick, both attacks, throw, self-damage), the others act at
// random; every few frames the view from behind the first fighter is
// written as a PNG.
//
//   sandbox [--root DIR] [--out PREFIX] [--frames N] [--every K]

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/LevelMaterials.h"
#include "app/OpponentControl.h"
#include "character/CharacterManager.h"
#include "character/CharacterObj.h"
#include "character/CommandBits.h"
#include "frame/DisplayConfiguration.h"
#include "frame/MessageOutputInterface.h"
#include "physics/PhysicsManager.h"
#include "platform/d3d9/D3d9Automation.h"
#include "platform/d3dx9/ImageCodec.h"
#include "platform/host/Headless.h"
#include "platform/host/HeadlessDevice.h"
#include "platform/win32/CrtRandom.h"
#include "render/AdvancedRenderSystem.h"
#include "tools/common/SceneTool.h"

namespace {

constexpr UINT kWidth = 640;
constexpr UINT kHeight = 480;

class PrintedMessages : public MessageOutputInterface {
 public:
  void Output(const char* text) override { std::fprintf(stderr, "sandbox: %s\n", text); }
};

// What the fighters' actions reach: counted and printed.
class SandboxCallback : public CharacterManager::CallbackObj {
 public:
  bool StrikeRay(const D3DXVECTOR3&, const D3DXVECTOR3&, CharacterBase*) override {
    ++strikes;
    return false;
  }
  void SweepRay(const D3DXVECTOR3&, const D3DXVECTOR3&, CharacterBase*) override { ++sweeps; }
  void ThrowObject(const D3DXMATRIX&, const D3DXVECTOR3&, CharacterBase*) override { ++throws; }
  void PlayHitSound(const D3DXVECTOR3&, float) override { ++landings; }
  int strikes = 0, sweeps = 0, throws = 0, landings = 0;
};

// The first fighter's routine: the command bits of a frame.
std::uint32_t Routine(int frame) {
  namespace Bits = CommandBits;
  if (frame >= 150 && frame < 330) return Bits::kForward | (frame >= 240 ? Bits::kSprint : 0u);
  if (frame == 200 || frame == 290) return Bits::kForward | Bits::kJump;
  if (frame >= 360 && frame < 400) return Bits::kCrouch;
  if (frame == 420) return Bits::kKick;
  if (frame == 480) return Bits::kAttackV;
  if (frame == 540) return Bits::kAttackH;
  if (frame == 600) return Bits::kThrow;
  if (frame == 700) return Bits::kSelfDamage;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string root = ".", out = "sandbox";
  int frames = 900, every = 30;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--root" && i + 1 < argc) {
      root = argv[++i];
    } else if (arg == "--out" && i + 1 < argc) {
      out = argv[++i];
    } else if (arg == "--frames" && i + 1 < argc) {
      frames = std::atoi(argv[++i]);
    } else if (arg == "--every" && i + 1 < argc) {
      every = std::max(1, std::atoi(argv[++i]));
    } else {
      std::fprintf(stderr, "usage: sandbox [--root DIR] [--out PREFIX] [--frames N] [--every K]\n");
      return 2;
    }
  }
  if (!EnterDataRoot("sandbox", root, &out)) return 1;

  host::UseHeadlessDrivers();
  crt::srand(7);
  host::HeadlessDevice headless;
  if (!headless.Create(kWidth, kHeight)) return 1;
  IDirect3DDevice9* device = headless.Device();
  GetDisplayConfiguration().useShaders = true;
  GetDisplayConfiguration().highQuality = false;
  PrintedMessages messages;
  AdvancedRenderSystem renderer;
  if (!renderer.Init(false, &headless.Parameters(), device, kWidth, kHeight, &messages)) return 1;
  SetSceneLights(renderer);

  PhysicsManager physics;
  if (!physics.Init()) return 1;
  physics.SetGravity(D3DXVECTOR3(0.0f, -39.24f, 0.0f));
  SetPhysicsManager(&physics);

  // The arena, drawn and collided at scale 70.
  MeshData* level = nullptr;
  IDirect3DTexture9* lightmap = nullptr;
  PeBodySource* levelSource = nullptr;
  BodyHandle* levelBody = nullptr;
  D3DXMATRIX identity, levelWorld;
  D3DXMatrixIdentity(&identity);
  D3DXMatrixScaling(&levelWorld, 70.0f, 70.0f, 70.0f);
  std::vector<std::int32_t> levelMaterials = BuildLevelMaterialMap("./data/map/test_map.x");
  if (!LoadMesh(&messages, &level, &renderer, "./data/map/test_map.x", true) ||
      !physics.CreateTriMesh(&levelSource, levelMaterials, level->mesh, 70.0f) ||
      !physics.AddBody(identity, levelSource, &levelBody)) {
    std::fprintf(stderr, "sandbox: no arena\n");
    return 1;
  }
  renderer.LoadTexture(&lightmap, "./data/map/lightmap.png");

  // The fighter's meshes and materials, as the scene loads them.
  SkinData* body = nullptr;
  CharacterMeshSet meshes;
  MeshData* throwable = nullptr;
  MaterialData* bodyMaterial = nullptr;
  renderer.LoadSkinMesh(&body, &messages);
  LoadMesh(&messages, &meshes.headA, &renderer, "./data/char/head.x", false);
  LoadMesh(&messages, &meshes.headB, &renderer, "./data/char/mohi.x", false);
  LoadMesh(&messages, &meshes.weapon, &renderer, "./data/char/nata.x", false);
  LoadMesh(&messages, &throwable, &renderer, "./data/obj/kyabe_new.x", true);
  renderer.LoadMaterial(&messages, &bodyMaterial, "./data/char/body_brief.udt");
  renderer.LoadMaterial(&messages, &meshes.headAMaterial, "./data/char/tinpira1.udt");
  renderer.LoadMaterial(&messages, &meshes.headBMaterial, "./data/char/hair_waste_chestnut.udt");
  renderer.LoadMaterial(&messages, &meshes.weaponMaterial, "./data/char/nata_blood.udt");
  meshes.body = body;
  meshes.bodyMaterials = &bodyMaterial;

  CharacterManager manager;
  SandboxCallback callback;
  manager.callback = &callback;
  std::vector<CharacterObj*> fighters;
  const D3DXVECTOR3 starts[] = {{-10, 310, 50}, {20, 310, 30}, {50, 310, 30}, {80, 310, 30}, {-60, 400, -80}, {120, 400, 120}};
  for (const D3DXVECTOR3& start : starts) {
    auto* fighter = new CharacterObj();
    if (!fighter->Init(meshes, &renderer, throwable, 3.0f, start, 0.0f)) {
      std::fprintf(stderr, "sandbox: failed to init character\n");
      delete fighter;
      continue;
    }
    manager.Add(fighter);
    fighters.push_back(fighter);
  }
  if (fighters.empty()) return 1;

  CameraView view;
  D3DXVECTOR3 eye(0, 0, 0);
  CharacterObj::shadowCameraPosition = &eye;
  int written = 0;
  for (int frame = 0; frame < frames; ++frame) {
    physics.FinishStep();
    fighters[0]->commands = Routine(frame);
    fighters[0]->turnRate = frame >= 150 && frame < 330 ? 0.01f : 0.0f;
    for (std::size_t i = 1; i < fighters.size(); ++i) {
      ApplyOpponentRandomAction(&fighters[i]->commands, &fighters[i]->turnRate);
    }
    manager.UpdateAll();
    physics.StartStep();
    if (frame % every != every - 1) continue;

    // From behind and above the first fighter.
    const CharacterObj& lead = *fighters[0];
    const D3DXVECTOR3 target = *fighters[0]->GetDrawPosition() + D3DXVECTOR3(0, 8, 0);
    eye = target + D3DXVECTOR3(std::sin(lead.facing) * 45.0f, 22.0f, std::cos(lead.facing) * 45.0f);
    const D3DXVECTOR3 up(0, 1, 0);
    D3DXMatrixLookAtLH(&view.view, &eye, &target, &up);
    D3DXMatrixPerspectiveFovLH(&view.projection, 0.9f, static_cast<float>(kWidth) / kHeight, 1.0f, 2000.0f);
    view.eye = eye;
    view.nearPlane = 1.0f;
    view.farPlane = 2000.0f;
    renderer.SetView(&view);
    renderer.SetCameraPosition(eye);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF5A6E78, 1.0f, 0);
    device->BeginScene();
    renderer.SetWorldMatrix(levelWorld, 0);
    renderer.SetExtraTexture(lightmap);
    level->Draw(&renderer);
    renderer.SetExtraTexture(nullptr);
    manager.DrawAll();
    device->EndScene();
    std::vector<std::uint32_t> pixels;
    UINT width = 0, height = 0;
    d3d9::ReadRenderTarget(device, &pixels, &width, &height);
    d3dx::Image image;
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    image.pixels = std::move(pixels);
    char name[64];
    std::snprintf(name, sizeof(name), "_%04d.png", frame + 1);
    std::string error;
    if (!d3dx::SavePngFile((out + name).c_str(), image, &error)) std::fprintf(stderr, "sandbox: %s\n", error.c_str());
    ++written;
  }
  physics.FinishStep();
  std::printf("sandbox: %d frames written; lead at (%.1f, %.1f, %.1f), health %.2f, ragdoll %s; strikes %d, sweeps %d, "
              "throws %d, landings %d\n",
              written, fighters[0]->position.x, fighters[0]->position.y, fighters[0]->position.z, fighters[0]->health,
              fighters[0]->isRagdoll ? "yes" : "no", callback.strikes, callback.sweeps, callback.throws,
              callback.landings);

  CharacterObj::shadowCameraPosition = nullptr;
  for (CharacterObj* fighter : fighters) {
    manager.Remove(manager.Find(fighter));
    fighter->Release();
    delete fighter;
  }
  physics.RemoveBody(levelBody);
  physics.DestroySource(levelSource);
  SetPhysicsManager(nullptr);
  physics.Release();
  renderer.Uninit();
  return 0;
}
