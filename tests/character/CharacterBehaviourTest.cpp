// The fighter's behaviour: landing, commands and their motions, jumping,
// the strike probes and the throw, and death into a ragdoll.

#include <cmath>

#include "character/CharacterFixture.h"

namespace character_test {
namespace {

using namespace CommandBits;

TEST_F(CharacterTest, ADroppedFighterLandsStandsAndReportsTheLanding) {
  CharacterObj* fighter = Spawn(0.0f, 6.0f, 0.0f);
  Frame();
  EXPECT_EQ(fighter->motion, CharacterObj::kFly);
  ASSERT_TRUE(Settle(fighter));
  Frame(30);
  EXPECT_TRUE(fighter->onGround);
  EXPECT_NEAR(fighter->position.y, 0.0f, 0.3f);
  EXPECT_EQ(callback.landings.size(), 1u);
  EXPECT_TRUE(std::isfinite(fighter->drawPosition.y));
}

TEST_F(CharacterTest, ForwardRunsAlongMinusZAtFacingZero) {
  CharacterObj* fighter = Spawn();
  ASSERT_TRUE(Settle(fighter));
  const D3DXVECTOR3 start = fighter->position;
  fighter->commands = kForward;
  Frame(60);
  EXPECT_EQ(fighter->motion, CharacterObj::kRun);
  EXPECT_LT(fighter->position.z, start.z - 5.0f);
  EXPECT_NEAR(fighter->position.x, start.x, 0.5f);
  fighter->commands = 0;
  Frame();
  EXPECT_EQ(fighter->motion, CharacterObj::kIdle);
}

TEST_F(CharacterTest, CommandsDuringAKickAreIgnored) {
  CharacterObj* fighter = Spawn();
  ASSERT_TRUE(Settle(fighter));
  fighter->commands = kKick;
  Frame();
  ASSERT_EQ(fighter->motion, CharacterObj::kKick);
  fighter->commands = kForward | kCrouch | kAttackV | kThrow;
  int frames = 0;
  while (fighter->motion == CharacterObj::kKick && frames < 200) {
    Frame();
    ++frames;
  }
  // Both kick poses played out (about 1 / 0.075 + 1 / 0.1 frames) untouched.
  EXPECT_GT(frames, 15);
  EXPECT_LT(frames, 200);
  EXPECT_GT(callback.strikes, 0);
  // Back in idle, the held command is read at once.
  Frame();
  EXPECT_EQ(fighter->motion, CharacterObj::kRun);
}

TEST_F(CharacterTest, AConnectingKickReturnsToIdleEarly) {
  CharacterObj* fighter = Spawn();
  ASSERT_TRUE(Settle(fighter));
  callback.strikeConnects = true;
  fighter->commands = kKick;
  Frame();
  fighter->commands = 0;
  int frames = 0;
  while (fighter->motion == CharacterObj::kKick && frames < 200) {
    Frame();
    ++frames;
  }
  EXPECT_EQ(callback.strikes, 1);
  EXPECT_EQ(fighter->motion, CharacterObj::kIdle);
}

TEST_F(CharacterTest, SwingsProbeTheWeaponTipInTheirSecondPoseOnly) {
  CharacterObj* fighter = Spawn();
  ASSERT_TRUE(Settle(fighter));
  fighter->commands = kAttackH;
  Frame();
  fighter->commands = 0;
  ASSERT_EQ(fighter->motion, CharacterObj::kAttackH);
  while (fighter->stage == 0 && fighter->motion == CharacterObj::kAttackH) Frame();
  EXPECT_EQ(callback.sweeps, 0);
  int secondPoseFrames = 0;
  while (fighter->motion == CharacterObj::kAttackH && secondPoseFrames < 200) {
    Frame();
    ++secondPoseFrames;
  }
  // One probe per frame of the second pose (rate 0.09: about eleven).
  EXPECT_GE(callback.sweeps, 9);
  EXPECT_LE(callback.sweeps, secondPoseFrames);
  EXPECT_EQ(callback.strikes, 0);
}

TEST_F(CharacterTest, SprintingChangesOnlyAForwardRun) {
  CharacterObj* fighter = Spawn();
  ASSERT_TRUE(Settle(fighter));
  fighter->commands = kBackward;
  Frame();
  ASSERT_EQ(fighter->motion, CharacterObj::kRun);
  EXPECT_EQ(fighter->direction, CharacterObj::kBackwards);
  EXPECT_FLOAT_EQ(fighter->blendRate, 0.07f);
  fighter->commands = kBackward | kSprint;
  Frame(3);
  EXPECT_EQ(fighter->direction, CharacterObj::kBackwards);
  EXPECT_FLOAT_EQ(fighter->blendRate, 0.07f);
  // Forward while running backwards does not turn the run around.
  fighter->commands = kForward;
  Frame();
  EXPECT_EQ(fighter->motion, CharacterObj::kIdle);
  Frame();
  ASSERT_EQ(fighter->motion, CharacterObj::kRun);
  EXPECT_EQ(fighter->direction, CharacterObj::kForwards);
  fighter->commands = kForward | kSprint;
  Frame();
  EXPECT_EQ(fighter->direction, CharacterObj::kSprinting);
  EXPECT_FLOAT_EQ(fighter->blendRate, 0.15f);
}

TEST_F(CharacterTest, JumpingWorksOnlyOnTheGround) {
  CharacterObj* high = Spawn(0.0f, 30.0f, 0.0f);
  Frame();
  high->commands = kJump;
  Frame();
  EXPECT_FALSE(high->onGround);
  EXPECT_LT(high->velocity.y, 0.0f);

  CharacterObj* fighter = Spawn(20.0f, 0.0f, 0.0f);
  ASSERT_TRUE(Settle(fighter));
  fighter->commands = kJump;
  Frame();
  EXPECT_FALSE(fighter->onGround);
  EXPECT_NEAR(fighter->velocity.y, 0.32f * 0.99f - 0.035f, 0.02f);
  fighter->commands = 0;
  Frame(5);
  EXPECT_GT(fighter->position.y, 0.5f);
}

TEST_F(CharacterTest, CrouchPlantsTheFeetAndStandsUpWithoutTheBit) {
  CharacterObj* fighter = Spawn();
  ASSERT_TRUE(Settle(fighter));
  const float standingOffset = fighter->GetFootOffset();
  fighter->commands = kCrouch;
  Frame(40);
  EXPECT_EQ(fighter->motion, CharacterObj::kCrouch);
  EXPECT_TRUE(fighter->feetPlanted);
  EXPECT_TRUE(fighter->GetCapsule().IsCrouching());
  // The lower foot stays on the ground: the skeleton is drawn lower.
  const float lowerFoot = std::fmin(fighter->GetBone(CharacterObj::kLeftFoot)->world._42,
                                    fighter->GetBone(CharacterObj::kRightFoot)->world._42);
  EXPECT_NEAR(lowerFoot - fighter->GetFootRest(), fighter->position.y, 0.3f);
  EXPECT_NE(fighter->GetFootOffset(), standingOffset);
  fighter->commands = 0;
  Frame();
  EXPECT_EQ(fighter->motion, CharacterObj::kIdle);
}

TEST_F(CharacterTest, TheThrowReleasesExactlyOncePerThrow) {
  CharacterObj* fighter = Spawn();
  ASSERT_TRUE(Settle(fighter));
  for (int round = 1; round <= 2; ++round) {
    fighter->commands = kThrow;
    Frame();
    fighter->commands = 0;
    ASSERT_EQ(fighter->motion, CharacterObj::kThrow);
    for (int i = 0; i < 200 && fighter->motion == CharacterObj::kThrow; ++i) Frame();
    EXPECT_EQ(fighter->motion, CharacterObj::kIdle);
    EXPECT_EQ(callback.throws, round);
  }
  EXPECT_EQ(callback.lastThrower, fighter);
  EXPECT_NEAR(D3DXVec3Length(&callback.lastVelocity), 0.4f, 1e-4f);
}

TEST_F(CharacterTest, WithoutAnOwnerNothingIsProbed) {
  CharacterObj* fighter = Spawn();
  ASSERT_TRUE(Settle(fighter));
  manager.Remove(manager.Find(fighter));
  fighter->commands = kThrow;
  for (int i = 0; i < 100; ++i) {
    fighter->Update();
    physics.StartStep();
    physics.FinishStep();
    fighter->commands = 0;
  }
  EXPECT_EQ(callback.throws, 0);
  EXPECT_EQ(fighter->direction, CharacterObj::kHolding);
}

// Total linear momentum of the ragdoll's parts.
D3DXVECTOR3 Momentum(const PhysicsRagdoll& ragdoll) {
  D3DXVECTOR3 sum(0, 0, 0);
  for (int p = 0; p < PhysicsRagdoll::kPartCount; ++p) {
    const btRigidBody* body = ragdoll.GetPartBody(p);
    const btVector3 v = body->getLinearVelocity() / body->getInvMass();
    sum += D3DXVECTOR3(v.x(), v.y(), v.z());
  }
  return sum;
}

TEST_F(CharacterTest, AHeavyHitMakesALooseRagdollAtTheNextUpdateAndPushesIt) {
  CharacterObj* fighter = Spawn();
  ASSERT_TRUE(Settle(fighter));
  const D3DXVECTOR3 chest(fighter->GetBone(CharacterObj::kChest)->world._41,
                          fighter->GetBone(CharacterObj::kChest)->world._42,
                          fighter->GetBone(CharacterObj::kChest)->world._43);
  fighter->Hit(2.0f, chest, D3DXVECTOR3(1.0f, 0.0f, 0.0f));
  EXPECT_FALSE(fighter->isRagdoll);
  EXPECT_TRUE(fighter->GetCapsule().IsCreated());
  manager.UpdateAll();
  ASSERT_TRUE(fighter->isRagdoll);
  EXPECT_FALSE(fighter->GetCapsule().IsCreated());
  ASSERT_TRUE(fighter->GetRagdoll().IsCreated());
  EXPECT_EQ(fighter->dampingTimer, 0);
  EXPECT_FALSE(fighter->heavyHit);
  EXPECT_FALSE(fighter->hits[0].pending);
  // The push is 7 x stepsPerSecond times the impulse; the parts start with
  // only the small motion of the idle pose.
  const D3DXVECTOR3 momentum = Momentum(fighter->GetRagdoll());
  EXPECT_NEAR(momentum.x, 7.0f * physics.GetStepsPerSecond(), 25.0f);
  // Heavy: the loose damping of factor 1 from the start.
  const btRigidBody* part = fighter->GetRagdoll().GetPartBody(1);  // the pelvis part is damped more
  EXPECT_NEAR(part->getAngularDamping(), part->getLinearDamping(), 1e-6f);
  Frame(5);
  for (int i = 0; i < 300; ++i) {
    Frame();
    ASSERT_TRUE(std::isfinite(fighter->position.x) && std::isfinite(fighter->drawPosition.y));
  }
  EXPECT_GT(fighter->position.x, 1.0f);
}

TEST_F(CharacterTest, ALightDeathStartsStiffAndLoosensAfterThreeQuartersOfASecond) {
  CharacterObj* fighter = Spawn();
  ASSERT_TRUE(Settle(fighter));
  fighter->Hit(0.5f, fighter->position, D3DXVECTOR3(0, 0, 0));
  fighter->Hit(0.5f, fighter->position, D3DXVECTOR3(0, 0, 0));
  Frame();
  ASSERT_TRUE(fighter->isRagdoll);
  EXPECT_EQ(fighter->dampingTimer, 44);
  const btRigidBody* part = fighter->GetRagdoll().GetPartBody(1);  // the pelvis part is damped more
  EXPECT_NEAR(part->getAngularDamping(), 2.5f * part->getLinearDamping(), 1e-5f);
  Frame(44);
  EXPECT_EQ(fighter->dampingTimer, 0);
  EXPECT_NEAR(part->getAngularDamping(), part->getLinearDamping(), 1e-6f);
}

TEST_F(CharacterTest, SelfDamageKillsAtOnce) {
  CharacterObj* fighter = Spawn();
  ASSERT_TRUE(Settle(fighter));
  fighter->commands = kSelfDamage;
  manager.UpdateAll();
  EXPECT_TRUE(fighter->isRagdoll);
  EXPECT_LE(fighter->health, -9.0f);
  EXPECT_EQ(fighter->dampingTimer, 0);  // a heavy hit
  // Dead for good: commands no longer do anything.
  fighter->commands = kForward | kJump;
  Frame(60);
  EXPECT_TRUE(fighter->isRagdoll);
  EXPECT_TRUE(std::isfinite(fighter->position.y));
}

TEST_F(CharacterTest, HitsOnARagdollPushItWithALittleLessForce) {
  CharacterObj* fighter = Spawn();
  ASSERT_TRUE(Settle(fighter));
  fighter->commands = kSelfDamage;
  Frame(120);
  ASSERT_TRUE(fighter->isRagdoll);
  const D3DXVECTOR3 before = Momentum(fighter->GetRagdoll());
  fighter->Hit(0.4f, *fighter->GetDrawPosition(), D3DXVECTOR3(0.0f, 0.0f, 1.0f));
  manager.UpdateAll();
  const D3DXVECTOR3 after = Momentum(fighter->GetRagdoll());
  EXPECT_NEAR(after.z - before.z, 7.0f * 0.85f * physics.GetStepsPerSecond(), 1.0f);
  EXPECT_FALSE(fighter->hits[0].pending);
}

TEST_F(CharacterTest, ShadowsRefreshLessOftenWhenFarAndNotWithoutACamera) {
  CharacterObj* fighter = Spawn();
  ASSERT_TRUE(Settle(fighter));
  EXPECT_LE(fighter->GetShadow(0).lastFrames, 0);  // no camera: never refreshed
  D3DXVECTOR3 camera = fighter->position + D3DXVECTOR3(0.0f, 0.0f, 50.0f);
  CharacterObj::shadowCameraPosition = &camera;
  Frame();
  const int nearFrames = fighter->GetShadow(2).lastFrames;
  EXPECT_GE(nearFrames, 2);
  EXPECT_LE(nearFrames, 3);  // 2, plus 1 while the capsule rests
  Frame(nearFrames);
  EXPECT_EQ(fighter->GetShadow(0).lastFrames, nearFrames);  // counted down and refreshed again
  camera.z += 300.0f;
  Frame(nearFrames);
  EXPECT_EQ(fighter->GetShadow(1).lastFrames, nearFrames + 2);
  CharacterObj::shadowCameraPosition = nullptr;
}

}  // namespace
}  // namespace character_test
