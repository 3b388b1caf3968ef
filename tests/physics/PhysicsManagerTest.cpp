// The world's step on the worker thread, the body registry and the
// statistics line.

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "platform/host/VirtualClock.h"
#include "platform/win32/Automation.h"
#include "physics/PhysicsFixture.h"

namespace physics_test {
namespace {

// Counts the steps the worker runs.
class CountingManager : public PhysicsManager {
 public:
  std::atomic<int> executions{0};

 protected:
  void Execute() override {
    PhysicsManager::Execute();
    executions.fetch_add(1);
  }
};

std::string Statistics(const PhysicsManager& physics) {
  std::string text;
  physics.GetStatistics(text);
  return text;
}

TEST(PhysicsManagerTest, InitSetsTheStepTimingAndGravitySetsItsMagnitude) {
  PhysicsManager physics;
  EXPECT_FALSE(physics.IsInitialized());
  ASSERT_TRUE(physics.Init());
  EXPECT_FLOAT_EQ(physics.GetTimeStep(), 1.0f / 60.0f);
  EXPECT_FLOAT_EQ(physics.GetFixedTimeStep(), 1.0f / 60.0f);
  EXPECT_EQ(physics.GetStepsPerSecond(), 59.999996f);
  EXPECT_EQ(physics.GetMaxSubSteps(), 1);
  EXPECT_EQ(physics.GetGravityMagnitude(), 1.0f);
  physics.SetGravity(D3DXVECTOR3(0.0f, -kGravity, 0.0f));
  EXPECT_FLOAT_EQ(physics.GetGravityMagnitude(), kGravity);
  EXPECT_FLOAT_EQ(physics.GetWorld()->getGravity().y(), -kGravity);
  physics.Release();
  EXPECT_FALSE(physics.IsInitialized());
}

TEST(PhysicsManagerTest, AnEmptyWorldReportsAllZero) {
  PhysicsManager physics;
  EXPECT_EQ(Statistics(physics), "CollisionObjs:0 (Sleep:0 Static:0) / Constraints:0");
  ASSERT_TRUE(physics.Init());
  EXPECT_EQ(Statistics(physics), "CollisionObjs:0 (Sleep:0 Static:0) / Constraints:0");
}

TEST(PhysicsManagerTest, EachStartedStepRunsOnceAndNoStepStartsWithoutAStart) {
  host::VirtualClock clock(1000);
  CountingManager physics;
  ASSERT_TRUE(physics.Init());
  physics.FinishStep();  // nothing in flight: returns at once
  EXPECT_EQ(physics.executions.load(), 0);
  for (int i = 0; i < 3; ++i) {
    physics.StartStep();
    EXPECT_TRUE(physics.IsStepInFlight());
    EXPECT_FALSE(physics.GetDebugDraw().drawingAllowed);
    physics.FinishStep();
    EXPECT_FALSE(physics.IsStepInFlight());
    EXPECT_TRUE(physics.GetDebugDraw().drawingAllowed);
  }
  EXPECT_EQ(physics.executions.load(), 3);
  // A second join and a paused frame's join neither wait nor step.
  const std::uint64_t before = clock.ElapsedMicroseconds();
  physics.FinishStep();
  physics.FinishStep();
  EXPECT_EQ(clock.ElapsedMicroseconds(), before);
  EXPECT_EQ(physics.executions.load(), 3);
}

TEST_F(PhysicsTest, AFrameWithoutAWorkerThreadHasNoStep) {
  BodyHandle* crate = Add(Crate(), 0.0f, 100.0f, 0.0f);
  platform::FailNextThreadStarts(1);
  physics.StartStep();
  physics.FinishStep();
  EXPECT_FALSE(physics.IsStepInFlight());
  EXPECT_EQ(PositionOf(crate).y, 100.0f);
  Step();
  EXPECT_LT(PositionOf(crate).y, 100.0f);
}

TEST_F(PhysicsTest, OneStepPerFrameFallsAsSemiImplicitEulerUnderTheGamesGravity) {
  PeBodySource* source = nullptr;
  ASSERT_TRUE(physics.CreateSphere(&source, 1.0f, 0.0f, 1.0f, 1.0f));
  BodyHandle* ball = Add(Keep(source), 0.0f, 500.0f, 0.0f);
  Step(30);
  // v_n = n g dt and y_n = y_0 - g dt^2 n (n + 1) / 2.
  const float dt = 1.0f / 60.0f;
  EXPECT_NEAR(PositionOf(ball).y, 500.0f - kGravity * dt * dt * 30.0f * 31.0f / 2.0f, 1e-3f);
  EXPECT_NEAR(ball->body->getLinearVelocity().y(), -kGravity * dt * 30.0f, 1e-3f);
}

TEST_F(PhysicsTest, AddBodyTransposesTheDirect3DMatrixIntoBulletsBasis) {
  D3DXMATRIX rotation;
  D3DXMATRIX tilt;
  D3DXMatrixRotationY(&rotation, 0.5f);
  D3DXMatrixRotationX(&tilt, 0.25f);
  const D3DXMATRIX world = rotation * tilt * Translation(1.0f, 2.0f, 3.0f);
  BodyHandle* crate = Add(Crate(), world);
  const btTransform& t = crate->body->getWorldTransform();
  // A direction turns the same way on both sides: v * M in Direct3D.
  const D3DXVECTOR3 direction(0.3f, -0.2f, 0.9f);
  D3DXVECTOR3 expected;
  D3DXVec3TransformNormal(&expected, &direction, &world);
  const btVector3 turned = t.getBasis() * ToBtVector3(direction);
  EXPECT_NEAR(turned.x(), expected.x, 1e-5f);
  EXPECT_NEAR(turned.y(), expected.y, 1e-5f);
  EXPECT_NEAR(turned.z(), expected.z, 1e-5f);
  EXPECT_EQ(PositionOf(crate), D3DXVECTOR3(1.0f, 2.0f, 3.0f));
  const D3DXMATRIX back = ToD3dMatrix(t);
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(back.m[r][c], world.m[r][c], 1e-6f) << r << "," << c;
  }
}

TEST_F(PhysicsTest, BodiesCarryTheirHandleAndOnlyMapBodiesAskForTheMaterialCombiner) {
  BodyHandle* map = Add(Ground({1}, {0}), 0.0f, 0.0f, 0.0f);
  BodyHandle* crate = Add(Crate(), 0.0f, 10.0f, 0.0f);
  PeBodySource* sphere = nullptr;
  ASSERT_TRUE(physics.CreateSphere(&sphere, 1.0f, 0.25f, 1.0f, 1.0f));
  BodyHandle* ball = Add(Keep(sphere), 0.0f, 30.0f, 0.0f);
  for (BodyHandle* handle : {map, crate, ball}) {
    EXPECT_EQ(GetBodyHandle(handle->body), handle);
    EXPECT_EQ(handle->user, nullptr);
  }
  EXPECT_TRUE(map->body->getCollisionFlags() & btCollisionObject::CF_CUSTOM_MATERIAL_CALLBACK);
  EXPECT_FALSE(crate->body->getCollisionFlags() & btCollisionObject::CF_CUSTOM_MATERIAL_CALLBACK);
  EXPECT_FALSE(ball->body->getCollisionFlags() & btCollisionObject::CF_CUSTOM_MATERIAL_CALLBACK);
  // Group and mask as 16-bit values.
  EXPECT_EQ(map->body->getBroadphaseHandle()->m_collisionFilterGroup, 0x100);
  EXPECT_EQ(map->body->getBroadphaseHandle()->m_collisionFilterMask, 0x1F);
  EXPECT_EQ(crate->body->getBroadphaseHandle()->m_collisionFilterMask, 0xFFFF);
}

TEST_F(PhysicsTest, StaticBodiesCountAsStaticNeverAsSleepingAndRestingBodiesAsSleeping) {
  PeBodySource* post = nullptr;
  ASSERT_TRUE(physics.CreateSphere(&post, 0.0f, 0.25f, 1.0f, 2.0f));
  BodyHandle* fixed = Add(Keep(post), 50.0f, 2.0f, 0.0f);
  Add(Ground({1}, {0}), 0.0f, 0.0f, 0.0f);
  Add(Crate(), 0.0f, 5.0f, 0.0f);
  EXPECT_TRUE(fixed->body->isStaticObject());
  EXPECT_EQ(fixed->body->getInvMass(), 0.0f);
  EXPECT_EQ(Statistics(physics), "CollisionObjs:3 (Sleep:0 Static:2) / Constraints:0");
  fixed->body->forceActivationState(DISABLE_SIMULATION);
  Step(240);  // the crate settles and Bullet puts it to sleep
  EXPECT_EQ(Statistics(physics), "CollisionObjs:3 (Sleep:1 Static:2) / Constraints:0");
}

TEST_F(PhysicsTest, RemoveBodyTakesItOutOfTheWorldAndNullsTheHandle) {
  BodyHandle* crate = nullptr;
  ASSERT_TRUE(physics.AddBody(Translation(0.0f, 0.0f, 0.0f), Crate(), &crate));
  EXPECT_EQ(physics.GetWorld()->getNumCollisionObjects(), 1);
  physics.RemoveBody(crate);
  EXPECT_EQ(crate, nullptr);
  EXPECT_EQ(physics.GetWorld()->getNumCollisionObjects(), 0);
  physics.RemoveBody(crate);  // nothing left to remove
}

TEST(PhysicsManagerTest, WithoutAWorldNothingStepsAndNoBodyIsAdded) {
  PhysicsManager physics;
  physics.StartStep();
  EXPECT_FALSE(physics.IsStepInFlight());
  physics.FinishStep();
  PeBodySource* source = nullptr;
  ASSERT_TRUE(physics.CreateBox(&source, 1.0f, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f));
  BodyHandle* handle = nullptr;
  EXPECT_FALSE(physics.AddBody(Translation(0.0f, 0.0f, 0.0f), source, &handle));
  EXPECT_EQ(handle, nullptr);
  EXPECT_FALSE(physics.RayTestAny(D3DXVECTOR3(0, 10, 0), D3DXVECTOR3(0, -10, 0), 0xFFFF));
  physics.DestroySource(source);
}

TEST(PhysicsManagerTest, TheProcessWidePointerIsClearedWithItsManager) {
  {
    PhysicsManager physics;
    SetPhysicsManager(&physics);
    EXPECT_EQ(GetPhysicsManager(), &physics);
  }
  EXPECT_EQ(GetPhysicsManager(), nullptr);
}

}  // namespace
}  // namespace physics_test
