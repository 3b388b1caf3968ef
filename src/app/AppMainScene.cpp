// The scene: its files, the body sources of the level and the props, the
// lights and fog, the initial population, and spawning and removing props
// and fighters.

#include <cmath>

#include "app/AppMain.h"
#include "app/LevelMaterials.h"
#include "btBulletDynamicsCommon.h"
#include "platform/win32/CrtRandom.h"
#include "render/MeshData.h"

namespace {

constexpr const char* kLevelPath = "./data/map/test_map.x";
constexpr const char* kEffectTexturePaths[kEffectTextureCount] = {
    "./data/effect/shadow.png", "./data/effect/blood1.png", "./data/effect/blood2.png", "./data/effect/smoke1.png",
    "./data/effect/scr_blur.png"};
constexpr const char* kPropMeshPaths[3] = {"./data/obj/kyabe_new.x", "./data/obj/tex92_box.x", "./data/obj/smiley.x"};

constexpr float kLevelScale = 70.0f;
constexpr float kTwoPi = 6.2831855f;

// Serial numbers that stagger the props' and fighters' periodic work.
std::int32_t g_propSerial = 0;
std::int32_t g_characterSerial = 0;

float UnitRandom() { return static_cast<float>(crt::rand()) / 32767.0f; }

float RadiusOf(const MeshData* mesh) { return mesh != nullptr ? mesh->boundingRadius : 0.0f; }

// A small prop thrown hard or blown away moves further in one step than it
// is thick and would pass through the level's triangles; once it moves more
// than half its radius in a step, the step sweeps a sphere inside it instead.
void SweepFastMotion(btRigidBody* body) {
  if (body->isStaticOrKinematicObject()) return;
  btVector3 centre;
  btScalar radius = 0.0f;
  body->getCollisionShape()->getBoundingSphere(centre, radius);
  body->setCcdMotionThreshold(radius * 0.5f);
  body->setCcdSweptSphereRadius(radius * 0.5f);
}

}  // namespace

bool AppMain::LoadScene(bool afterReset) {
  SetDefaultRenderStates();
  if (!afterReset) {
    MsgContainer messages;
    // Each failed load shows what the loader said, and the scene goes on.
    auto loadSound = [&](SoundData** out, const char* path) {
      if (sound_ != nullptr) *out = sound_->Load(path, &messages);
      if (*out == nullptr) ShowErrors(messages);
    };
    auto loadMesh = [&](MeshData** out, const char* path, bool withMaterials) {
      if (!LoadMesh(&messages, out, &renderer_, path, withMaterials)) ShowErrors(messages);
    };
    auto loadMaterial = [&](MaterialData** out, const char* path) {
      if (!renderer_.LoadMaterial(&messages, out, path)) ShowErrors(messages);
    };
    auto loadTexture = [&](IDirect3DTexture9** out, const char* path) {
      if (!renderer_.LoadTexture(out, path)) ShowMessage("Error", "Failed to Load Texture");
    };

    loadSound(&scene_.impactSound, "./data/sound/un.wav");
    loadSound(&scene_.explosionSound, "./data/sound/exp.wav");
    loadSound(&scene_.hitSound, "./data/sound/dong.wav");
    loadMesh(&scene_.levelMesh, kLevelPath, true);
    loadTexture(&scene_.lightMap, "./data/map/lightmap.png");
    if (!renderer_.LoadSkinMesh(&scene_.body, &messages)) ShowErrors(messages);
    loadMaterial(&scene_.bodyMaterial, "./data/char/body_brief.udt");
    loadMesh(&scene_.head, "./data/char/head.x", false);
    loadMaterial(&scene_.headMaterial, "./data/char/tinpira1.udt");
    loadMesh(&scene_.hair, "./data/char/mohi.x", false);
    loadMaterial(&scene_.hairMaterial, "./data/char/hair_waste_chestnut.udt");
    loadMesh(&scene_.weapon, "./data/char/nata.x", false);
    loadMaterial(&scene_.weaponMaterial, "./data/char/nata_blood.udt");
    for (int i = 0; i < 3; ++i) loadMesh(&scene_.propMeshes[i], kPropMeshPaths[i], true);
    for (int i = 0; i < kEffectTextureCount; ++i) loadTexture(&scene_.effectTextures[i], kEffectTexturePaths[i]);

    CreatePropKinds();
  }

  background_.SetDevice(GetDevice());
  // The sky's colours and the sun are toned down a little where bloom
  // brightens the frame.
  const float k = renderer_.UsesBloom() ? 0.83f : 1.0f;
  const D3DXVECTOR3 upperSky(0.25f, 0.3f, 0.4f);
  const D3DXVECTOR3 lowerSky(0.15f, 0.3f, 0.15f);
  renderer_.SetAmbient(D3DXCOLOR(upperSky.x, upperSky.y, upperSky.z, k), D3DXCOLOR(lowerSky.x, lowerSky.y, lowerSky.z, k));
  background_.CreateSky(upperSky, k, 20.0f, lowerSky);

  // The sun and a dimmer second light, each with its body in the sky.
  const D3DXVECTOR3 sunDirection(0.4f, -0.9f, 0.7f);
  const D3DXCOLOR sunColour(0.9f, 0.85f, 0.8f, 1.0f);
  renderer_.SetDirectionalLight(0, sunDirection, sunColour);
  background_.CreateCelestial(0, sunDirection, sunColour, k, 3.5f, 2.0f, 100.0f);
  D3DXVECTOR3 shadowDirection;
  ShadowProjector::SetDirection(*D3DXVec3Normalize(&shadowDirection, &sunDirection));
  const D3DXVECTOR3 moonDirection(-0.6f, -0.2f, -0.5f);
  const D3DXCOLOR moonColour(0.5f, 0.5f, 0.5f, 1.0f);
  renderer_.SetDirectionalLight(1, moonDirection, moonColour);
  background_.CreateCelestial(1, moonDirection, moonColour, k, 3.5f, 2.0f, 100.0f);
  renderer_.SetFog(200.0f, 950.0f, D3DXCOLOR(0.2f, 0.3f, 0.275f, 1.0f));
  input_.ResetState();
  return true;
}

void AppMain::CreatePropKinds() {
  MeshData* cabbage = scene_.propMeshes[0];
  MeshData* crate = scene_.propMeshes[1];
  MeshData* ball = scene_.propMeshes[2];
  auto failed = [this]() { ShowMessage("Error", "Failed to Create PhysicsSource"); };

  PropKind& level = propKinds_[kPropLevel];
  std::vector<std::int32_t> materialMap = BuildLevelMaterialMap(kLevelPath);
  if (scene_.levelMesh == nullptr ||
      !physics_.CreateTriMesh(&level.source, materialMap, scene_.levelMesh->mesh, kLevelScale)) {
    failed();
  }
  level.mesh = scene_.levelMesh;
  level.scale = kLevelScale;
  level.size = kLevelScale * RadiusOf(scene_.levelMesh) * 0.8f;
  level.impactThreshold = 0.0f;
  level.castsShadow = false;

  // Small and huge cabbages: hulls of the same mesh at two scales.
  auto cabbageKind = [&](PropKind& kind, float mass, float damping, float scale, float threshold) {
    if (cabbage == nullptr || !physics_.CreateConvexHull(cabbage->mesh, &kind.source, mass, damping, 1.0f, scale)) {
      failed();
    }
    kind.mesh = cabbage;
    kind.scale = scale;
    kind.size = scale * RadiusOf(cabbage) * 0.8f;
    kind.impactThreshold = threshold;
  };
  cabbageKind(propKinds_[kPropW], 0.3f, 0.35f, 1.35f, 20.0f);
  cabbageKind(propKinds_[kPropE], 12.0f, 0.4f, 10.0f, 200.0f);

  PropKind& box = propKinds_[kPropQ];
  if (!physics_.CreateBox(&box.source, 20.0f, 0.25f, 1.0f, 5.0f, 5.0f, 5.0f)) failed();
  box.mesh = crate;
  box.scale = 5.0f;
  box.size = 5.0f * RadiusOf(crate) * 0.7f;
  box.impactThreshold = 180.0f;

  // Without its mesh the ball still rolls; it is just not drawn.
  PropKind& sphere = propKinds_[kPropR];
  if (!physics_.CreateSphere(&sphere.source, 1.5f, 0.25f, 1.0f, 2.5f)) failed();
  sphere.mesh = ball;
  sphere.scale = 2.5f;
  sphere.size = 2.5f * RadiusOf(ball);
  sphere.impactThreshold = 60.0f;
}

void AppMain::UnloadScene() {
  for (PropKind& kind : propKinds_) {
    if (kind.source != nullptr) physics_.DestroySource(kind.source);
    kind = PropKind();
  }
  for (IDirect3DTexture9*& texture : scene_.effectTextures) {
    renderer_.GetTexturePool().Release(texture);
    texture = nullptr;
  }
  for (int i = 2; i >= 0; --i) {
    renderer_.GetMeshPool().Release(scene_.propMeshes[i]);
    scene_.propMeshes[i] = nullptr;
  }
  // The character set.
  renderer_.GetMeshPool().Release(scene_.body);
  renderer_.GetMeshPool().Release(scene_.head);
  renderer_.GetMeshPool().Release(scene_.hair);
  renderer_.GetMeshPool().Release(scene_.weapon);
  renderer_.GetMaterialPool().Release(scene_.bodyMaterial);
  renderer_.GetMaterialPool().Release(scene_.headMaterial);
  renderer_.GetMaterialPool().Release(scene_.hairMaterial);
  renderer_.GetMaterialPool().Release(scene_.weaponMaterial);
  renderer_.GetMeshPool().Release(scene_.levelMesh);
  renderer_.GetTexturePool().Release(scene_.lightMap);
  background_.Release();
  if (sound_ != nullptr) {
    sound_->Unload(scene_.impactSound);
    sound_->Unload(scene_.explosionSound);
    sound_->Unload(scene_.hitSound);
  }
  scene_ = SceneResources();
}

void AppMain::CreateSceneObjects() {
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  auto* level = new SceneProp();
  level->kind = &propKinds_[kPropLevel];
  level->matrix = identity;
  if (!physics_.AddBody(identity, level->kind->source, &level->handle)) {
    ShowMessage("Error", "Failed to Create RigidBody");
    delete level;
  } else {
    level->handle->user = level;
    props_.push_back(level);
  }

  player_ = SpawnCharacter(D3DXVECTOR3(-10.0f, 310.0f, 50.0f), 0.0f, 3.0f);
  SpawnCharacter(D3DXVECTOR3(20.0f, 310.0f, 30.0f), 0.0f, 2.0f);
  SpawnCharacter(D3DXVECTOR3(50.0f, 310.0f, 30.0f), 0.0f, 3.0f);
  SpawnCharacter(D3DXVECTOR3(80.0f, 310.0f, 30.0f), 0.0f, 4.0f);
  for (int i = 0; i < 16; ++i) {
    const float angle = UnitRandom() * kTwoPi;
    const float distance = UnitRandom() * 170.0f + 50.0f;
    const float yaw = UnitRandom() * kTwoPi;
    SpawnCharacter(D3DXVECTOR3(std::sin(angle) * distance, 400.0f, std::cos(angle) * distance), yaw, 3.0f);
  }

  auto spawn = [this](int kind, float x, float y, float z) { SpawnProp(&propKinds_[kind], D3DXVECTOR3(x, y, z)); };
  for (int i = 0; i < 3; ++i) spawn(kPropQ, 20.0f, 130.0f + 10.0f * i, -120.0f);
  for (int i = 0; i < 3; ++i) spawn(kPropQ, -10.0f, 130.0f + 10.0f * i, -120.0f);
  for (int i = 0; i < 5; ++i) spawn(kPropQ, -120.0f, 185.0f + 10.0f * i, 150.0f);
  for (int i = 0; i < 10; ++i) spawn(kPropE, -50.0f, 190.0f + 15.0f * i, 125.0f);
  // Five leaning columns of one to five crates on the tower.
  for (int level = 1; level <= 5; ++level) {
    for (int i = 0; i < level; ++i) spawn(kPropQ, 130.0f + 10.0f * (level - 1) - 2.5f * i, 285.0f + 10.0f * i, -80.0f);
  }
  spawn(kPropR, 110.0f, 315.0f, 35.0f);
  spawn(kPropR, 150.0f, 290.0f, 185.0f);
  spawn(kPropR, -220.0f, 180.0f, 110.0f);
  spawn(kPropR, -230.0f, 180.0f, 110.0f);
  spawn(kPropR, 40.0f, 130.0f, -170.0f);
  spawn(kPropR, 50.0f, 130.0f, -170.0f);
}

SceneProp* AppMain::SpawnProp(PropKind* kind, const D3DXVECTOR3& position) {
  auto* prop = new SceneProp();
  prop->kind = kind;
  prop->tick = g_propSerial++;
  D3DXMATRIX world;
  D3DXMatrixTranslation(&world, position.x, position.y, position.z);
  if (!physics_.AddBody(world, kind->source, &prop->handle)) {
    ShowMessage("Error", "Failed to Create RigidBody");
    delete prop;
    return nullptr;
  }
  prop->handle->user = prop;
  SweepFastMotion(prop->handle->body);
  prop->shadow = ShadowProjector(kind->size * 4.0f + 25.0f, kind->size * 2.5f, 0.5f);
  prop->shadowCountdown = 0;
  D3DXMatrixIdentity(&prop->matrix);
  prop->impact = 0.0f;
  props_.push_back(prop);
  return prop;
}

CharacterObj* AppMain::SpawnCharacter(const D3DXVECTOR3& position, float yaw, float scale) {
  CharacterMeshSet meshes;
  meshes.body = scene_.body;
  meshes.headA = scene_.head;
  meshes.headB = scene_.hair;
  meshes.weapon = scene_.weapon;
  meshes.bodyMaterials = &scene_.bodyMaterial;
  meshes.headAMaterial = scene_.headMaterial;
  meshes.headBMaterial = scene_.hairMaterial;
  meshes.weaponMaterial = scene_.weaponMaterial;

  auto* character = new CharacterObj();
  if (!character->Init(meshes, &renderer_, scene_.propMeshes[0], scale, position, yaw)) {
    ShowMessage("Error", "Failed to init character");
    character->Release();
    delete character;
    return nullptr;
  }
  character->hitDamage = 0.0f;
  character->hitPeak = 0.0f;
  character->reactionTick = g_characterSerial++;
  character->self = character;
  AddCharacter(character);
  return character;
}

void AppMain::RemoveProp(SceneProp* prop) {
  if (prop->handle != nullptr) physics_.RemoveBody(prop->handle);
  for (auto it = props_.begin(); it != props_.end(); ++it) {
    if (*it == prop) {
      props_.erase(it);
      break;
    }
  }
  delete prop;
}

void AppMain::RemoveCharacter(CharacterObj* character) {
  const int index = characterManager_.Find(character);
  if (index >= 0) characterManager_.Remove(index);
  for (auto it = characters_.begin(); it != characters_.end(); ++it) {
    if (*it == character) {
      characters_.erase(it);
      break;
    }
  }
  if (player_ == character) player_ = nullptr;
  character->Release();
  delete character;
}

void AppMain::ResetScene() {
  while (!props_.empty()) RemoveProp(props_.back());
  while (!characters_.empty()) RemoveCharacter(characters_.back());
  if (sound_ != nullptr) sound_->StopAll();
  billboards_.Clear();
  decals_.Clear();
  for (Bomb* bomb : bombs_) delete bomb;
  bombs_.clear();
}

void AppMain::DrawProps() {
  for (SceneProp* prop : props_) {
    const PropKind& kind = *prop->kind;
    if (kind.mesh == nullptr) continue;
    const D3DXVECTOR3 position(prop->matrix._41, prop->matrix._42, prop->matrix._43);
    if (renderer_.IsOutsideDepthRange(position, kind.mesh->boundingRadius * kind.scale)) continue;
    renderer_.SetWorldMatrix(prop->matrix, 0);
    // The level carries its baked light in a second texture.
    const bool isLevel = kind.source != nullptr && kind.source->group == kGroupMap;
    if (isLevel) renderer_.SetExtraTexture(scene_.lightMap);
    kind.mesh->Draw(&renderer_);
  }
}
