// The character capsule on flat ground, ramps, steps and edges.

#include <gtest/gtest.h>

#include <cmath>

#include "effects/DebugDrawSystem.h"
#include "physics/CharacterFixture.h"

namespace physics_test {
namespace {

const D3DXVECTOR3 kAlongX(1.0f, 0.0f, 0.0f);

TEST_F(CharacterTest, CreationCorrectsSquatCapsulesAndAddsAWeightlessUprightBody) {
  ASSERT_TRUE(capsule.Create(D3DXVECTOR3(1, 2, 3), 18.0f, 1.5f, 2.0f, 1.0f, 5.0f, this));
  EXPECT_FLOAT_EQ(capsule.GetHeight(), 2.5f);
  EXPECT_FLOAT_EQ(capsule.GetRadius(), 1.2375f);
  EXPECT_FLOAT_EQ(capsule.GetCrouchHeight(), 5.0f);  // taller than its diameter: unchanged
  EXPECT_FLOAT_EQ(capsule.GetCrouchRadius(), 1.0f);

  BodyHandle* handle = capsule.GetHandle();
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(handle->user, this);
  EXPECT_TRUE(handle->source->IsCharacter());
  EXPECT_FALSE(handle->source->IsObject());
  EXPECT_EQ(handle->source->group, kGroupCharacter);
  const D3DXVECTOR3 centre = PositionOf(handle);
  EXPECT_NEAR(centre.y, 2.0f + 2.5f / 2.0f, 1e-5f);  // half the height above the feet
  EXPECT_EQ(handle->body->getGravity(), btVector3(0, 0, 0));

  // Nothing below: without a displacement it floats where it was put.
  Step(10);
  EXPECT_NEAR(PositionOf(handle).y, centre.y, 1e-4f);

  capsule.Destroy();
  EXPECT_FALSE(capsule.IsCreated());
  EXPECT_EQ(physics.GetWorld()->getNumCollisionObjects(), 0);
}

TEST_F(CharacterTest, CreationFailsWithoutAManager) {
  SetPhysicsManager(nullptr);
  EXPECT_FALSE(CreateCapsule(&capsule, 0, 0, 0));
  EXPECT_FALSE(capsule.IsCreated());
}

TEST_F(CharacterTest, ADroppedCapsuleLandsOnceAndComesToRestStandingOnTheGround) {
  FlatGround();
  ASSERT_TRUE(CreateCapsule(&capsule, 0, 6, 0));
  Walker walker(&capsule);
  int landings = 0;
  for (int i = 0; i < 240; ++i) {
    walker.Frame();
    if (walker.landing > 0.01f) ++landings;
    Step();
  }
  EXPECT_EQ(landings, 1);
  EXPECT_TRUE(capsule.IsOnGround());
  EXPECT_EQ(capsule.GetLastGroundMaterial(), kMaterialMetal);  // the box's
  EXPECT_NEAR(capsule.GetPosition().y, 0.0f, 0.1f);
  EXPECT_NEAR(PositionOf(capsule.GetHandle()).y, kCharacterHeight / 2.0f, 0.1f);
  EXPECT_NEAR(capsule.GetPosition().x, 0.0f, 1e-3f);
  EXPECT_TRUE(capsule.IsResting());
  // Upright: the basis is still the identity.
  const btMatrix3x3& basis = capsule.GetBody()->getWorldTransform().getBasis();
  EXPECT_NEAR(basis[1].y(), 1.0f, 1e-4f);
}

TEST_F(CharacterTest, RestingCapsulesProbeTheGroundEveryEighthFrameOnDifferentFrames) {
  FlatGround();
  ASSERT_TRUE(CreateCapsule(&capsule, 0, 0, 0));
  ASSERT_TRUE(CreateCapsule(&other, 20, 0, 0));
  Walker a(&capsule);
  Walker b(&other);
  for (int i = 0; i < 120; ++i) {
    a.Frame();
    b.Frame();
    Step();
  }
  ASSERT_TRUE(capsule.IsResting());
  ASSERT_TRUE(other.IsResting());
  bool sameFrame = false;
  for (int i = 0; i < 64; ++i) {
    const int before[2] = {capsule.GetGroundProbeCount(), other.GetGroundProbeCount()};
    a.Frame();
    b.Frame();
    Step();
    const bool probedA = capsule.GetGroundProbeCount() != before[0];
    const bool probedB = other.GetGroundProbeCount() != before[1];
    EXPECT_EQ(probedA, capsule.GetFrameCounter() % 8 == 0);
    sameFrame = sameFrame || (probedA && probedB);
  }
  EXPECT_FALSE(sameFrame);
  EXPECT_TRUE(capsule.IsOnGround());
}

TEST_F(CharacterTest, CrouchingAndStandingUpKeepTheFeetInPlace) {
  FlatGround();
  ASSERT_TRUE(CreateCapsule(&capsule, 0, 0, 0));
  Walker walker(&capsule);
  Run(walker, 60);
  const float feet = capsule.GetPosition().y;
  const float standingCentre = PositionOf(capsule.GetHandle()).y;

  walker.Frame(D3DXVECTOR3(0, 0, 0), true);
  EXPECT_TRUE(capsule.IsCrouching());
  EXPECT_NEAR(PositionOf(capsule.GetHandle()).y, standingCentre - (kCharacterHeight - kCrouchHeight) / 2.0f, 1e-4f);
  Step();
  Run(walker, 30, D3DXVECTOR3(0, 0, 0), true);
  EXPECT_NEAR(capsule.GetPosition().y, feet, 0.05f);
  EXPECT_TRUE(capsule.IsOnGround());

  Run(walker, 30);
  EXPECT_FALSE(capsule.IsCrouching());
  EXPECT_NEAR(capsule.GetPosition().y, feet, 0.05f);
  EXPECT_NEAR(PositionOf(capsule.GetHandle()).y, standingCentre, 0.05f);
  EXPECT_TRUE(capsule.IsOnGround());
}

class CharacterSlopeTest : public CharacterTest, public ::testing::WithParamInterface<float> {};

// A ramp rising along +x from x = 10; the character runs at it for four seconds.
TEST_P(CharacterSlopeTest, WalksUpSlopesUpToTheLimitAndNoSteeper) {
  const float degrees = GetParam();
  const float angle = degrees * 0.017453292f;
  FlatGround();
  StaticBox(10.0f + 40.0f * std::cos(angle), 40.0f * std::sin(angle), 0.0f, 40.0f, 1.0f, 20.0f, angle);
  ASSERT_TRUE(CreateCapsule(&capsule, 0, 0, 0));
  Walker walker(&capsule);
  Run(walker, 30);
  Run(walker, 240, kAlongX);
  const D3DXVECTOR3 feet = capsule.GetPosition();
  if (degrees < 55.0f) {
    EXPECT_GT(feet.y, 8.0f);
    EXPECT_GT(feet.y, (feet.x - 10.0f) * std::tan(angle) * 0.8f);
    EXPECT_TRUE(capsule.IsOnGround());
  } else {
    EXPECT_LT(feet.y, 2.0f);
    EXPECT_LT(feet.x, 12.0f);
  }
}

INSTANTIATE_TEST_SUITE_P(Slopes, CharacterSlopeTest, ::testing::Values(30.0f, 45.0f, 65.0f, 75.0f));

TEST_F(CharacterTest, ClimbsALowStepButNotOneAboveKneeHeight) {
  FlatGround();
  // The lift a step gives works against the pull towards the lower ground
  // below the capsule's axis: at running speed steps of about a third of
  // the radius are climbed; a step above the knee ray never is.
  StaticBox(30.0f, 0.5f, -40.0f, 20.0f, 0.25f, 10.0f);  // 0.5 high at x >= 10, z = -40
  StaticBox(30.0f, 2.5f, 40.0f, 20.0f, 1.25f, 10.0f);  // 2.5 high at x >= 10, z = +40
  ASSERT_TRUE(CreateCapsule(&capsule, 0, 0, -40));
  ASSERT_TRUE(CreateCapsule(&other, 0, 0, 40));
  Walker low(&capsule);
  Walker high(&other);
  for (int i = 0; i < 200; ++i) {
    low.Frame(i >= 30 ? kAlongX : D3DXVECTOR3(0, 0, 0));
    high.Frame(i >= 30 ? kAlongX : D3DXVECTOR3(0, 0, 0));
    Step();
  }
  EXPECT_GT(capsule.GetPosition().x, 15.0f);
  EXPECT_NEAR(capsule.GetPosition().y, 0.5f, 0.1f);
  EXPECT_TRUE(capsule.IsOnGround());
  EXPECT_LT(other.GetPosition().x, 10.0f);
  EXPECT_LT(other.GetPosition().y, 0.5f);
}

TEST_F(CharacterTest, LeavingAnEdgeKeepsSixFramesOfGraceThenFalls) {
  // A platform 20 high ending at x = 5; the character runs off it along +x.
  StaticBox(-45.0f, 20.0f, 0.0f, 50.0f, 1.0f, 20.0f);
  ASSERT_TRUE(CreateCapsule(&capsule, 0, 20, 0));
  Walker walker(&capsule);
  Run(walker, 30);
  ASSERT_TRUE(capsule.IsGrounded());
  int frame = 0;
  while (capsule.IsGrounded() && frame < 200) {
    walker.Frame(kAlongX);
    Step();
    ++frame;
  }
  ASSERT_FALSE(capsule.IsGrounded());
  // The frame that lost the ground is the first of grace; five more follow.
  int graceFrames = 1;
  EXPECT_TRUE(capsule.IsOnGround());
  while (capsule.IsOnGround() && graceFrames < 20) {
    walker.Frame(kAlongX);
    Step();
    if (capsule.IsOnGround()) ++graceFrames;
  }
  EXPECT_EQ(graceFrames, PhysicsCharacter::kGraceFrames);
  EXPECT_EQ(capsule.GetLastGroundMaterial(), 0);
  Run(walker, 60, kAlongX);
  EXPECT_LT(capsule.GetPosition().y, 10.0f);  // fell
}

TEST_F(CharacterTest, AStillCharacterRidesAMovingCrateWithSixTenthsOfItsVelocity) {
  FlatGround();
  PeBodySource* crateSource = nullptr;
  ASSERT_TRUE(physics.CreateBox(&crateSource, 20.0f, 0.0f, 1.0f, 5.0f, 5.0f, 5.0f));
  Keep(crateSource);
  BodyHandle* crate = Add(crateSource, 0.0f, 5.0f, 0.0f);
  crate->body->setActivationState(DISABLE_DEACTIVATION);
  ASSERT_TRUE(CreateCapsule(&capsule, 0, 10, 0));
  Walker walker(&capsule);
  Run(walker, 60);
  ASSERT_TRUE(capsule.IsOnGround());

  const float crateSpeed = 0.05f;  // per step
  const float crateStart = PositionOf(crate).x;
  const float start = capsule.GetPosition().x;
  for (int i = 0; i < 60; ++i) {
    crate->body->setLinearVelocity(btVector3(crateSpeed * physics.GetStepsPerSecond(), 0, 0));
    crate->body->setAngularVelocity(btVector3(0, 0, 0));
    walker.Frame();
    Step();
  }
  const float crateMoved = PositionOf(crate).x - crateStart;
  ASSERT_GT(crateMoved, 1.0f);
  // The carry is six tenths; the slight friction of the capsule adds a little.
  const float ratio = (capsule.GetPosition().x - start) / crateMoved;
  EXPECT_GT(ratio, 0.55f);
  EXPECT_LT(ratio, 0.9f);

  // Without a displacement of its own the capsule moves by the carry alone.
  const float crateVelocity = crate->body->getLinearVelocity().x();
  capsule.Update(nullptr);
  capsule.Move(D3DXVECTOR3(0, 0, 0), false, false);
  EXPECT_NEAR(capsule.GetMove().x, crateVelocity * physics.GetTimeStep() * 0.6f, 1e-3f);
}

TEST_F(CharacterTest, ProbeRaysAreDebugDrawnOnlyWhileTheManagerHasADebugTarget) {
  FlatGround();
  ASSERT_TRUE(CreateCapsule(&capsule, 0, 0, 0));
  Walker walker(&capsule);
  DebugDrawSystem target;
  walker.Frame(kAlongX);
  Step();
  // The world's own wireframe goes elsewhere: set the target directly.
  physics.GetDebugDraw().target = &target;
  walker.Frame(kAlongX);
  physics.GetDebugDraw().target = nullptr;
  walker.Frame(kAlongX);
  // Ground probe, knee ray, step ray, each for one frame.
  ASSERT_EQ(target.GetLines().size(), 3u);
  EXPECT_EQ(target.GetLines()[0].colour, 0xFFFF7F00u);  // grounded
  EXPECT_EQ(target.GetLines()[1].colour, 0xFF00FFFFu);
  EXPECT_EQ(target.GetLines()[2].holdFrames, 1);
}

}  // namespace
}  // namespace physics_test
