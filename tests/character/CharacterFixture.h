#pragma once
// A fighter of the generated body mesh on a flat static ground (top face at
// y = 0), a headless fixed-function renderer for its drawing, and a fake
// application that records what the fighter's actions reach.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "btBulletDynamicsCommon.h"
#include "character/CharacterManager.h"
#include "character/CharacterObj.h"
#include "character/CommandBits.h"
#include "frame/DisplayConfiguration.h"
#include "physics/PhysicsManager.h"
#include "render/RendererFixture.h"

namespace character_test {

struct RecordingCallback : CharacterManager::CallbackObj {
  bool StrikeRay(const D3DXVECTOR3&, const D3DXVECTOR3&, CharacterBase*) override {
    ++strikes;
    return strikeConnects;
  }
  void SweepRay(const D3DXVECTOR3&, const D3DXVECTOR3&, CharacterBase*) override { ++sweeps; }
  void ThrowObject(const D3DXMATRIX& hand, const D3DXVECTOR3& velocity, CharacterBase* thrower) override {
    ++throws;
    lastHand = hand;
    lastVelocity = velocity;
    lastThrower = thrower;
  }
  void PlayHitSound(const D3DXVECTOR3&, float strength) override { landings.push_back(strength); }

  bool strikeConnects = false;
  int strikes = 0;
  int sweeps = 0;
  int throws = 0;
  D3DXMATRIX lastHand;
  D3DXVECTOR3 lastVelocity{0, 0, 0};
  CharacterBase* lastThrower = nullptr;
  std::vector<float> landings;
};

class CharacterTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    ASSERT_TRUE(physics.Init());
    physics.SetGravity(D3DXVECTOR3(0.0f, -39.24f, 0.0f));
    SetPhysicsManager(&physics);
    ASSERT_TRUE(physics.CreateBox(&groundSource, 0.0f, 0.0f, 1.0f, 200.0f, 1.0f, 200.0f));
    D3DXMATRIX at;
    D3DXMatrixTranslation(&at, 0.0f, -1.0f, 0.0f);
    ASSERT_TRUE(physics.AddBody(at, groundSource, &ground));

    GetDisplayConfiguration().useShaders = false;
    ASSERT_TRUE(renderer.Init(true, &parameters_, device_, static_cast<int>(kWidth), static_cast<int>(kHeight),
                              &messages));
    const std::string data = CHARACTER_TEST_DATA_DIR;
    ASSERT_TRUE(renderer.LoadSkinMesh(&body, &messages, (data + "/char/body.x").c_str(),
                                      (data + "/char/body.bone").c_str(), (data + "/char/body.pose").c_str()))
        << (messages.lines.empty() ? "no message" : messages.lines[0]);
    meshes.body = body;
    manager.callback = &callback;
  }

  void TearDown() override {
    CharacterObj::shadowCameraPosition = nullptr;
    physics.FinishStep();
    for (CharacterObj* character : characters) {
      const int index = manager.Find(character);
      if (index >= 0) manager.Remove(index);
      character->Release();
      delete character;
    }
    if (ground != nullptr) physics.RemoveBody(ground);
    if (groundSource != nullptr) physics.DestroySource(groundSource);
    SetPhysicsManager(nullptr);
    physics.Release();
    if (body != nullptr) renderer.GetMeshPool().Release(body);
    renderer.Uninit();
    GetDisplayConfiguration() = savedConfiguration;
    DeviceTest::TearDown();
  }

  // A fighter in the manager, its feet at (x, y, z).
  CharacterObj* Spawn(float x = 0.0f, float y = 0.0f, float z = 0.0f, float scale = 1.0f,
                      MeshData* throwable = nullptr) {
    auto* character = new CharacterObj();
    characters.push_back(character);
    EXPECT_TRUE(character->Init(meshes, &renderer, throwable, scale, D3DXVECTOR3(x, y, z), 0.0f));
    manager.Add(character);
    return character;
  }

  // One game frame: the characters, then the physics step.
  void Frame(int count = 1) {
    for (int i = 0; i < count; ++i) {
      manager.UpdateAll();
      physics.StartStep();
      physics.FinishStep();
    }
  }

  // Frames until the fighter stands in idle on the ground (at most limit).
  bool Settle(CharacterObj* character, int limit = 240) {
    for (int i = 0; i < limit; ++i) {
      Frame();
      if (character->onGround && character->motion == CharacterObj::kIdle && i > 10) return true;
    }
    return false;
  }

  DisplayConfiguration savedConfiguration = GetDisplayConfiguration();
  PhysicsManager physics;
  PeBodySource* groundSource = nullptr;
  BodyHandle* ground = nullptr;
  AdvancedRenderSystem renderer;
  MessageLog messages;
  SkinData* body = nullptr;
  CharacterMeshSet meshes;
  CharacterManager manager;
  RecordingCallback callback;
  std::vector<CharacterObj*> characters;
};

}  // namespace character_test
