// A fighter's construction on the generated body, its drawing with and
// without a throwable, and how hits are recorded.

#include <cmath>

#include "character/CharacterAttachments.h"
#include "character/CharacterFixture.h"

namespace character_test {
namespace {

TEST_F(CharacterTest, ScaleOneBuildsTheGameCapsuleAndFullTables) {
  CharacterObj* fighter = Spawn(0.0f, 3.0f, 0.0f);
  const PhysicsCharacter& capsule = fighter->GetCapsule();
  ASSERT_TRUE(capsule.IsCreated());
  EXPECT_FLOAT_EQ(capsule.GetRadius(), 1.5f);
  EXPECT_FLOAT_EQ(capsule.GetHeight(), 7.5f);
  EXPECT_FLOAT_EQ(capsule.GetCrouchRadius(), 1.5f);
  EXPECT_FLOAT_EQ(capsule.GetCrouchHeight(), 5.625f);
  EXPECT_NEAR(1.0f / capsule.GetBody()->getInvMass(), 18.0f, 1e-3f);
  EXPECT_EQ(capsule.character, fighter);

  for (int b = 0; b < CharacterObj::kBoneCount; ++b) EXPECT_NE(fighter->GetBone(b), nullptr) << b;
  for (int p = 0; p < CharacterObj::kPoseCount; ++p) EXPECT_GE(fighter->GetPoseIndex(p), 0) << p;
  EXPECT_TRUE(fighter->GetRagdoll().IsInitialized());

  // The fifteen ragdoll nodes are flagged, no other.
  int flagged = 0;
  for (int i = 0; i < fighter->GetSkeleton().GetNodeCount(); ++i) {
    flagged += fighter->GetRagdollBoneFlags()[i].isRagdollBone ? 1 : 0;
  }
  EXPECT_EQ(flagged, PhysicsRagdoll::kNodeSlotCount);

  EXPECT_FLOAT_EQ(fighter->health, 1.0f);
  EXPECT_EQ(fighter->motion, CharacterObj::kIdle);
  EXPECT_FLOAT_EQ(fighter->blendRate, 0.08f);
  EXPECT_FLOAT_EQ(fighter->GetShadow(2).length, 33.0f);
  EXPECT_FLOAT_EQ(fighter->GetShadow(2).sizeScale, 4.2f);
}

TEST_F(CharacterTest, FeetAreLevelledFromTheRestPoseAndScale) {
  CharacterObj* small = Spawn(0.0f, 3.0f, 0.0f, 1.0f);
  CharacterObj* big = Spawn(20.0f, 3.0f, 0.0f, 2.0f);
  // footBase = t x 1.07 and footRest = -t x 0.07, both proportional to scale.
  EXPECT_NEAR(small->GetFootBase() * -0.07f / 1.07f, small->GetFootRest(), 1e-5f);
  EXPECT_NEAR(big->GetFootBase(), 2.0f * small->GetFootBase(), 1e-4f);
  EXPECT_NEAR(small->drawPosition.y, 3.0f - small->GetFootBase(), 1e-5f);
  EXPECT_GT(big->GetCapsule().GetHeight(), 14.9f);
}

TEST_F(CharacterTest, MissingBodyMeshFailsInit) {
  CharacterObj fighter;
  EXPECT_FALSE(fighter.Init(CharacterMeshSet(), &renderer, nullptr, 1.0f, D3DXVECTOR3(0, 0, 0), 0.0f));
  fighter.Release();
}

TEST_F(CharacterTest, HitsFillTwoRecordsAndMarkHeavyOnlyAboveHalf) {
  CharacterObj* fighter = Spawn(0.0f, 3.0f, 0.0f);
  fighter->Hit(0.4f, D3DXVECTOR3(1, 2, 3), D3DXVECTOR3(0, 0, 1));
  EXPECT_FALSE(fighter->heavyHit);
  EXPECT_TRUE(fighter->hits[0].pending);
  EXPECT_FALSE(fighter->hits[1].pending);
  fighter->Hit(0.5f, D3DXVECTOR3(4, 5, 6), D3DXVECTOR3(1, 0, 0));
  EXPECT_FALSE(fighter->heavyHit);
  EXPECT_TRUE(fighter->hits[1].pending);
  EXPECT_FLOAT_EQ(fighter->hits[1].point.x, 4.0f);
  EXPECT_NEAR(fighter->health, 0.1f, 1e-6f);
  fighter->Hit(0.6f, D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 0, 0));
  EXPECT_TRUE(fighter->heavyHit);
}

// The last world matrix a draw set on the device.
D3DXMATRIX LastWorld(IDirect3DDevice9* device) {
  D3DXMATRIX world;
  device->GetTransform(D3DTS_WORLDMATRIX(0), &world);
  return world;
}

bool SameMatrix(const D3DXMATRIX& a, const D3DXMATRIX& b) {
  for (int i = 0; i < 16; ++i) {
    if (std::fabs(a.m[i / 4][i % 4] - b.m[i / 4][i % 4]) > 1e-4f) return false;
  }
  return true;
}

TEST_F(CharacterTest, TheThrowableIsDrawnOnlyWhileHeldAndOnlyIfSet) {
  // Any mesh will do as the throwable and the weapon: only where they are
  // placed is looked at.
  MeshData* prop = nullptr;
  const std::string data = CHARACTER_TEST_DATA_DIR;
  ASSERT_TRUE(LoadMesh(&messages, &prop, &renderer, (data + "/char/body.x").c_str(), false));
  meshes.weapon = prop;
  CharacterObj* holder = Spawn(0.0f, 0.0f, 0.0f, 1.0f, prop);
  CharacterObj* emptyHanded = Spawn(20.0f, 0.0f, 0.0f, 1.0f, nullptr);
  ASSERT_TRUE(Settle(holder));
  ASSERT_TRUE(Settle(emptyHanded));
  manager.callback = nullptr;  // no throw reaches anything
  holder->commands = CommandBits::kThrow;
  emptyHanded->commands = CommandBits::kThrow;
  Frame();
  EXPECT_EQ(holder->motion, CharacterObj::kThrow);
  EXPECT_EQ(holder->direction, CharacterObj::kHolding);
  EXPECT_TRUE(holder->DrawsThrowable());
  EXPECT_FALSE(emptyHanded->DrawsThrowable());

  const D3DXMATRIX weapon = MakeWeaponAttachment();
  const D3DXMATRIX held = MakeThrowableAttachment();
  device_->BeginScene();
  holder->Draw();
  EXPECT_TRUE(SameMatrix(LastWorld(device_), held * holder->GetBone(CharacterObj::kLeftHand)->world));
  emptyHanded->Draw();
  EXPECT_TRUE(SameMatrix(LastWorld(device_), weapon * emptyHanded->GetBone(CharacterObj::kRightHand)->world));
  device_->EndScene();

  // After the release the object is gone from the hand.
  for (int i = 0; i < 200 && holder->direction == CharacterObj::kHolding; ++i) Frame();
  EXPECT_EQ(holder->direction, CharacterObj::kThrown);
  EXPECT_FALSE(holder->DrawsThrowable());
  renderer.GetMeshPool().Release(prop);
}

}  // namespace
}  // namespace character_test
