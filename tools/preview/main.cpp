// preview: renders the scene data with the game's own renderer into PNG
// contact sheets, to look at what the generator made.
//
//   preview [--root DIR] [--out DIR] [--fixed]
//
// DIR (default ".") is the folder that holds data/; the sheets are written
// to --out (default "."): props.png, fighter_front.png, fighter_side.png,
// level.png.

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "anim/SkinMeshEntity.h"
#include "character/CharacterAttachments.h"
#include "frame/DisplayConfiguration.h"
#include "frame/MessageOutputInterface.h"
#include "platform/d3d9/D3d9Automation.h"
#include "platform/d3dx9/D3dxFont.h"
#include "platform/d3dx9/ImageCodec.h"
#include "platform/host/Headless.h"
#include "platform/host/HeadlessDevice.h"
#include "render/AdvancedRenderSystem.h"
#include "tools/common/SceneTool.h"

namespace {

constexpr UINT kTile = 320;
constexpr D3DCOLOR kBackground = 0xFF5A6E78;

const char* const kPoses[] = {"idle1",  "idle2",  "run1",      "run2",      "run3",      "run4",
                              "run5",   "run6",   "crouch",    "fly",       "kick1",     "kick2",
                              "attack_v1", "attack_v2", "attack_h1", "attack_h2", "throw1", "throw2"};

class PrintedMessages : public MessageOutputInterface {
 public:
  void Output(const char* text) override { std::fprintf(stderr, "preview: %s\n", text); }
};

// One sheet of tiles, filled left to right, top to bottom.
class Sheet {
 public:
  Sheet(int columns, int rows) : columns_(columns) {
    image_.width = columns * static_cast<int>(kTile);
    image_.height = rows * static_cast<int>(kTile);
    image_.pixels.assign(static_cast<std::size_t>(image_.width) * image_.height, 0xFF000000);
  }
  void Add(const std::vector<std::uint32_t>& tile) {
    const int x0 = (count_ % columns_) * static_cast<int>(kTile);
    const int y0 = (count_ / columns_) * static_cast<int>(kTile);
    ++count_;
    for (UINT y = 0; y < kTile; ++y) {
      std::memcpy(&image_.pixels[static_cast<std::size_t>(y0 + y) * image_.width + x0], &tile[y * kTile],
                  kTile * sizeof(std::uint32_t));
    }
  }
  bool Save(const std::string& path) const {
    std::string error;
    if (d3dx::SavePngFile(path.c_str(), image_, &error)) return true;
    std::fprintf(stderr, "preview: %s: %s\n", path.c_str(), error.c_str());
    return false;
  }

 private:
  int columns_;
  int count_ = 0;
  d3dx::Image image_;
};

class Preview {
 public:
  bool Start(bool shaders) {
    host::UseHeadlessDrivers();
    if (!headless_.Create(kTile, kTile)) return false;
    device_ = headless_.Device();
    GetDisplayConfiguration().useShaders = shaders;
    GetDisplayConfiguration().highQuality = false;
    if (!renderer_.Init(!shaders, &headless_.Parameters(), device_, kTile, kTile, &messages_)) return false;
    D3DXCreateFontA(device_, 16, 0, 700, 1, FALSE, 0, 0, 0, 0, "Arial", &font_);
    SetSceneLights(renderer_);
    return true;
  }

  void Finish() {
    if (font_ != nullptr) font_->Release();
    font_ = nullptr;
    renderer_.Uninit();
  }

  MeshData* Mesh(const char* path, bool materials) {
    MeshData* mesh = nullptr;
    LoadMesh(&messages_, &mesh, &renderer_, path, materials);
    return mesh;
  }
  MaterialData* Material(const char* path) {
    MaterialData* material = nullptr;
    renderer_.LoadMaterial(&messages_, &material, path);
    return material;
  }
  SkinData* Body() {
    SkinData* body = nullptr;
    renderer_.LoadSkinMesh(&body, &messages_);
    return body;
  }
  IDirect3DTexture9* Texture(const char* path) {
    IDirect3DTexture9* texture = nullptr;
    renderer_.LoadTexture(&texture, path);
    return texture;
  }

  // Places the camera at eye looking at target.
  void Look(const D3DXVECTOR3& eye, const D3DXVECTOR3& target, float fieldOfView, float farPlane) {
    const D3DXVECTOR3 up(0, 1, 0);
    view_.eye = eye;
    D3DXMatrixLookAtLH(&view_.view, &eye, &target, &up);
    D3DXMatrixPerspectiveFovLH(&view_.projection, fieldOfView, 1.0f, farPlane / 2000.0f, farPlane);
    renderer_.SetView(&view_);
    renderer_.SetCameraPosition(eye);
    device_->SetTransform(D3DTS_VIEW, &view_.view);
    device_->SetTransform(D3DTS_PROJECTION, &view_.projection);
  }
  // Looks at a sphere from a direction, far enough to see all of it.
  void Frame(const D3DXVECTOR3& centre, float radius, D3DXVECTOR3 from) {
    D3DXVec3Normalize(&from, &from);
    const float distance = radius / std::sin(0.35f) * 1.05f;
    Look(centre + from * distance, centre, 0.7f, distance + radius * 2.0f);
  }

  void Begin() {
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, kBackground, 1.0f, 0);
    device_->BeginScene();
  }
  // Captions the tile and reads it back.
  std::vector<std::uint32_t> End(const std::string& caption) {
    if (font_ != nullptr) {
      RECT shadow = {7, 7, static_cast<LONG>(kTile), 40};
      RECT text = {6, 6, static_cast<LONG>(kTile), 40};
      font_->DrawTextA(nullptr, caption.c_str(), -1, &shadow, DT_LEFT | DT_TOP, 0xFF000000);
      font_->DrawTextA(nullptr, caption.c_str(), -1, &text, DT_LEFT | DT_TOP, 0xFFFFFFFF);
    }
    device_->EndScene();
    std::vector<std::uint32_t> pixels;
    UINT width = 0, height = 0;
    d3d9::ReadRenderTarget(device_, &pixels, &width, &height);
    pixels.resize(static_cast<std::size_t>(kTile) * kTile);
    return pixels;
  }

  void DrawMesh(MeshData* mesh, const D3DXMATRIX& world, MaterialData* material) {
    if (mesh == nullptr) return;
    renderer_.SetWorldMatrix(world, 0);
    if (mesh->numMaterials == 0) renderer_.ApplyMaterial(material);
    mesh->Draw(&renderer_);
  }

  AdvancedRenderSystem& Renderer() { return renderer_; }

 private:
  host::HeadlessDevice headless_;
  IDirect3DDevice9* device_ = nullptr;
  AdvancedRenderSystem renderer_;
  PrintedMessages messages_;
  CameraView view_;
  ID3DXFont* font_ = nullptr;
};

// The fighter: skinned body plus head, hair and weapon (and the cabbage in
// the throw poses), attached as the game attaches them.
struct Fighter {
  SkinData* body = nullptr;
  MeshData* head = nullptr;
  MeshData* hair = nullptr;
  MeshData* weapon = nullptr;
  MeshData* throwable = nullptr;
  MaterialData* materials[4] = {};  // body, head, hair, weapon

  void Draw(Preview& preview, SkinMeshEntity& entity, bool holding) {
    RenderSystem& renderer = preview.Renderer();
    entity.Draw(&renderer, &materials[0]);
    renderer.SetTransformBlend(0);
    D3DXMATRIX world;
    const D3DXMATRIX headPlace = MakeHeadAttachment();
    if (SkinMeshEntity::Node* neck = entity.FindNode("neck")) {
      D3DXMatrixMultiply(&world, &headPlace, &neck->world);
      preview.DrawMesh(head, world, materials[1]);
      preview.DrawMesh(hair, world, materials[2]);
    }
    const D3DXMATRIX weaponPlace = MakeWeaponAttachment();
    if (SkinMeshEntity::Node* hand = entity.FindNode("r_hand")) {
      D3DXMatrixMultiply(&world, &weaponPlace, &hand->world);
      preview.DrawMesh(weapon, world, materials[3]);
    }
    const D3DXMATRIX throwPlace = MakeThrowableAttachment();
    SkinMeshEntity::Node* leftHand = entity.FindNode("l_hand");
    if (holding && leftHand != nullptr) {
      D3DXMatrixMultiply(&world, &throwPlace, &leftHand->world);
      preview.DrawMesh(throwable, world, nullptr);
    }
  }
};

bool FighterSheet(Preview& preview, Fighter& fighter, const D3DXVECTOR3& from, const std::string& path) {
  SkinMeshEntity entity;
  if (fighter.body == nullptr || !entity.Init(&fighter.body->frame)) {
    std::fprintf(stderr, "preview: no fighter to draw\n");
    return false;
  }
  Sheet sheet(6, 3);
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  for (const char* name : kPoses) {
    const std::int32_t pose = fighter.body->frame.FindPose(name);
    if (pose < 0) {
      std::fprintf(stderr, "preview: pose %s is missing\n", name);
      entity.ResetToBindPose();
    } else {
      entity.SetPose(pose);
    }
    entity.UpdateWorld(entity.GetRoot(), identity);
    entity.ComputeSkinMatrices(false);
    preview.Frame(D3DXVECTOR3(0, 0.2f, 0), 4.6f, from);
    preview.Begin();
    fighter.Draw(preview, entity, std::strncmp(name, "throw1", 6) == 0);
    sheet.Add(preview.End(name));
  }
  entity.Release();
  return sheet.Save(path);
}

bool PropSheet(Preview& preview, const std::string& path) {
  struct Item {
    const char* path;
    bool materials;
    const char* material;
    const char* caption;
  };
  const Item items[] = {
      {"./data/obj/kyabe_new.x", true, nullptr, "kyabe_new"}, {"./data/obj/tex92_box.x", true, nullptr, "tex92_box"},
      {"./data/obj/smiley.x", true, nullptr, "smiley"},       {"./data/char/head.x", false, "./data/char/tinpira1.udt", "head"},
      {"./data/char/mohi.x", false, "./data/char/hair_waste_chestnut.udt", "mohi"},
      {"./data/char/nata.x", false, "./data/char/nata_blood.udt", "nata"}};
  Sheet sheet(3, 2);
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  for (const Item& item : items) {
    MeshData* mesh = preview.Mesh(item.path, item.materials);
    MaterialData* material = item.material != nullptr ? preview.Material(item.material) : nullptr;
    const float radius = mesh != nullptr ? mesh->boundingRadius : 1.0f;
    preview.Frame(D3DXVECTOR3(0, 0, 0), radius, D3DXVECTOR3(-0.6f, 0.45f, -1.0f));
    preview.Begin();
    preview.DrawMesh(mesh, identity, material);
    char caption[96];
    std::snprintf(caption, sizeof(caption), "%s  r=%.2f", item.caption, radius);
    sheet.Add(preview.End(caption));
  }
  return sheet.Save(path);
}

bool LevelSheet(Preview& preview, const std::string& path) {
  MeshData* level = preview.Mesh("./data/map/test_map.x", true);
  IDirect3DTexture9* lightmap = preview.Texture("./data/map/lightmap.png");
  if (level == nullptr) return false;
  D3DXMATRIX world;
  D3DXMatrixScaling(&world, 70.0f, 70.0f, 70.0f);
  const float radius = level->boundingRadius * 70.0f;
  struct View {
    D3DXVECTOR3 eye, target;
    const char* caption;
  };
  // The arena's ground lies at y 110; a fighter's eyes about 25 above it.
  const View views[] = {
      {{0.0f, radius * 1.6f, -radius * 0.35f}, {0, 0, 0}, "from above"},
      {{-250.0f, 260.0f, -250.0f}, {40.0f, 110.0f, 40.0f}, "south-west, high"},
      {{0.0f, 135.0f, -180.0f}, {0.0f, 130.0f, 100.0f}, "player height, north"},
      {{200.0f, 135.0f, 60.0f}, {-100.0f, 140.0f, 20.0f}, "player height, west"},
      {{-150.0f, 175.0f, 120.0f}, {120.0f, 130.0f, -80.0f}, "terrace, south-east"},
      {{40.0f, 320.0f, -230.0f}, {150.0f, 270.0f, -80.0f}, "crate tower"}};
  Sheet sheet(3, 2);
  for (const View& view : views) {
    preview.Look(view.eye, view.target, 1.0f, 3000.0f);
    preview.Begin();
    preview.Renderer().SetExtraTexture(lightmap);
    preview.DrawMesh(level, world, nullptr);
    preview.Renderer().SetExtraTexture(nullptr);
    sheet.Add(preview.End(view.caption));
  }
  return sheet.Save(path);
}

}  // namespace

int main(int argc, char** argv) {
  std::string root = ".";
  std::string out = ".";
  bool shaders = true;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--root" && i + 1 < argc) {
      root = argv[++i];
    } else if (arg == "--out" && i + 1 < argc) {
      out = argv[++i];
    } else if (arg == "--fixed") {
      shaders = false;
    } else {
      std::fprintf(stderr, "usage: preview [--root DIR] [--out DIR] [--fixed]\n");
      return 2;
    }
  }
  if (!EnterDataRoot("preview", root, &out)) return 1;

  Preview preview;
  if (!preview.Start(shaders)) {
    std::fprintf(stderr, "preview: no device or renderer\n");
    return 1;
  }
  bool ok = PropSheet(preview, out + "/props.png");
  Fighter fighter;
  fighter.body = preview.Body();
  fighter.head = preview.Mesh("./data/char/head.x", false);
  fighter.hair = preview.Mesh("./data/char/mohi.x", false);
  fighter.weapon = preview.Mesh("./data/char/nata.x", false);
  fighter.throwable = preview.Mesh("./data/obj/kyabe_new.x", true);
  const char* materials[4] = {"./data/char/body_brief.udt", "./data/char/tinpira1.udt",
                              "./data/char/hair_waste_chestnut.udt", "./data/char/nata_blood.udt"};
  for (int i = 0; i < 4; ++i) fighter.materials[i] = preview.Material(materials[i]);
  ok = FighterSheet(preview, fighter, D3DXVECTOR3(-0.55f, 0.15f, -1.0f), out + "/fighter_front.png") && ok;
  ok = FighterSheet(preview, fighter, D3DXVECTOR3(-1.0f, 0.1f, 0.05f), out + "/fighter_side.png") && ok;
  ok = LevelSheet(preview, out + "/level.png") && ok;
  preview.Finish();
  return ok ? 0 : 1;
}
