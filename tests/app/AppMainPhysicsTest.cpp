// The physics world in the application's frame: one step per stepped frame
// on the worker, none while paused, the statistics line, the join at exit.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/AppMain.h"
#include "btBulletDynamicsCommon.h"
#include "app/AppFixture.h"
#include "support/ScriptedApp.h"

namespace {

class AppMainPhysicsTest : public AppTest {};

// Height after n steps of 1/60 s from rest under the game's gravity.
float FallenHeight(float start, int n) {
  const float dt = 1.0f / 60.0f;
  return start - 39.24f * dt * dt * static_cast<float>(n * (n + 1)) / 2.0f;
}

TEST_F(AppMainPhysicsTest, TheWorldStepsOncePerSteppedFrameAndStandsStillWhilePaused) {
  TestApp app;
  app.maxFrames = 30;
  PeBodySource* source = nullptr;
  BodyHandle* ball = nullptr;
  std::vector<float> heights;
  std::vector<bool> inFlight;
  std::vector<std::string> statistics;
  app.afterFrame = [&](TestApp& self) {
    PhysicsManager* physics = GetPhysicsManager();
    ASSERT_EQ(physics, &self.GetPhysics());
    inFlight.push_back(physics->IsStepInFlight());
    // The test looks at the world between frames: it joins the step first,
    // and the next frame's join then returns at once.
    physics->FinishStep();
    statistics.push_back(self.GetPhysicsText());
    if (self.frames == 0) {
      ASSERT_TRUE(physics->CreateSphere(&source, 1.0f, 0.0f, 1.0f, 1.0f));
      D3DXMATRIX start;
      ASSERT_TRUE(physics->AddBody(*D3DXMatrixTranslation(&start, 0.0f, 1000.0f, 0.0f), source, &ball));
    }
    heights.push_back(ball->body->getWorldTransform().getOrigin().y());
    if (self.frames == self.maxFrames - 1) {
      physics->RemoveBody(ball);
      physics->DestroySource(source);
    }
  };
  app.script.KeyTap(10, VK_F8);  // frames 10 to 19 are paused
  app.script.KeyTap(20, VK_F8);
  ASSERT_TRUE(app.Run(nullptr, 60.0f));

  ASSERT_EQ(heights.size(), 30u);
  EXPECT_EQ(heights[0], 1000.0f);
  EXPECT_NEAR(heights[9], FallenHeight(1000.0f, 9), 1e-3f);
  for (int frame = 10; frame < 20; ++frame) {
    EXPECT_EQ(heights[frame], heights[9]) << frame;
    EXPECT_FALSE(inFlight[frame]) << frame;
  }
  EXPECT_NEAR(heights[29], FallenHeight(1000.0f, 19), 1e-3f);
  EXPECT_TRUE(inFlight[0]);
  EXPECT_TRUE(inFlight[29]);

  // The scene's 43 props (the level static) and 20 capsules, then the ball.
  EXPECT_EQ(statistics[0], "CollisionObjs:63 (Sleep:0 Static:1) / Constraints:0");
  EXPECT_EQ(statistics[1], "CollisionObjs:64 (Sleep:0 Static:1) / Constraints:0");
  // Exit joined the last step and released the world.
  EXPECT_FALSE(app.GetPhysics().IsStepInFlight());
  EXPECT_FALSE(app.GetPhysics().IsInitialized());
  EXPECT_EQ(GetPhysicsManager(), nullptr);
}

TEST_F(AppMainPhysicsTest, InitGivesTheWorldTheGamesStepAndGravity) {
  TestApp app;
  app.maxFrames = 1;
  app.afterFrame = [](TestApp& self) {
    PhysicsManager& physics = self.GetPhysics();
    EXPECT_TRUE(physics.IsInitialized());
    EXPECT_EQ(physics.GetTimeStep(), 1.0f / 60.0f);
    EXPECT_EQ(physics.GetFixedTimeStep(), 1.0f / 60.0f);
    EXPECT_EQ(physics.GetStepsPerSecond(), 59.999996f);
    EXPECT_EQ(physics.GetMaxSubSteps(), 1);
    EXPECT_FLOAT_EQ(physics.GetGravityMagnitude(), 39.24f);
  };
  ASSERT_TRUE(app.Run(nullptr, 60.0f));
  EXPECT_TRUE(platform::TakeRecordedMessageBoxes().empty());
}

// A small prop thrown hard at the ground moves further in one step than it
// is thick; it must land on the level's triangles, not pass through them
// (the soak found a cabbage doing so here, at this speed).
TEST_F(AppMainPhysicsTest, AFastSmallPropLandsOnTheLevelInsteadOfPassingThrough) {
  TestApp app;
  app.maxFrames = 30;
  btRigidBody* cabbage = nullptr;
  float ground = 0.0f;
  float lowest = 1e30f;
  app.afterFrame = [&](TestApp& self) {
    self.GetPhysics().FinishStep();
    if (self.frames == 0) {
      const D3DXVECTOR3 at(205.8f, 0.0f, 60.5f);
      D3DXVECTOR3 hit;
      D3DXVECTOR4 normal;
      ASSERT_NE(self.GetPhysics().RayTestClosest(at + D3DXVECTOR3(0.0f, 1000.0f, 0.0f),
                                                 at - D3DXVECTOR3(0.0f, 1000.0f, 0.0f), &hit, &normal, nullptr,
                                                 kGroupMap),
                nullptr);
      ground = hit.y;
      SceneProp* prop = self.SpawnProp(&self.GetPropKind(kPropW), hit + D3DXVECTOR3(1.0f, 12.0f, -0.5f));
      ASSERT_NE(prop, nullptr);
      cabbage = prop->handle->body;
      cabbage->setLinearVelocity(btVector3(-17.0f, -190.0f, 108.0f));
      return;
    }
    lowest = std::min(lowest, cabbage->getWorldTransform().getOrigin().y());
  };
  ASSERT_TRUE(app.Run(nullptr, 60.0f));
  EXPECT_GT(lowest, ground - 1.0f);
}

// A fighter against a wall can reach into it; the cabbage it throws must
// start on the fighter's side, not inside the block behind the wall, which
// has no floor (the soak found bombs falling out of the world so).
TEST_F(AppMainPhysicsTest, ACabbageThrownFromAHandInsideAWallStartsOnTheThrowersSide) {
  TestApp app;
  app.maxFrames = 60;
  float wall = 0.0f;
  float deepest = -1e30f;  // how far into the block the cabbage got, along -z
  SceneProp* bomb = nullptr;
  app.afterFrame = [&](TestApp& self) {
    self.GetPhysics().FinishStep();
    if (self.frames == 0) {
      // The north wall of the block between x 120 and 190, z -110 and -50.
      D3DXVECTOR3 hit;
      D3DXVECTOR4 normal;
      ASSERT_NE(self.GetPhysics().RayTestClosest(D3DXVECTOR3(150.0f, 130.0f, -20.0f),
                                                 D3DXVECTOR3(150.0f, 130.0f, -80.0f), &hit, &normal, nullptr,
                                                 kGroupMap),
                nullptr);
      wall = hit.z;
      // The thrower stands 3 in front of the wall, its hand 1 behind it.
      CharacterObj* thrower = self.GetPlayer();
      *thrower->GetPosition() = D3DXVECTOR3(150.0f, 125.0f, wall + 3.0f);
      D3DXMATRIX hand;
      D3DXMatrixTranslation(&hand, 150.0f, 130.0f, wall - 1.0f);
      self.ThrowObject(hand, D3DXVECTOR3(0.0f, 0.2f, -1.0f), thrower);
      ASSERT_FALSE(self.GetBombs().empty());
      bomb = self.GetBombs().back()->prop;
    }
    deepest = std::max(deepest, wall - bomb->handle->body->getWorldTransform().getOrigin().z());
  };
  ASSERT_TRUE(app.Run(nullptr, 60.0f));
  EXPECT_LT(deepest, 0.0f);
}

// The follow camera rests 0.1 in front of a wall it backs into; a large
// cabbage thrown from there must start clear of the wall, not inside the
// block behind it.
TEST_F(AppMainPhysicsTest, APropThrownFromACameraAgainstAWallStartsClearOfIt) {
  TestApp app;
  app.maxFrames = 40;
  float wall = 0.0f;
  SceneProp* thrown = nullptr;
  std::size_t props = 0;
  float deepest = -1e30f;  // how far into the block the prop got, along -z
  app.afterFrame = [&](TestApp& self) {
    self.GetPhysics().FinishStep();
    CameraView& camera = self.GetCamera();
    if (self.frames == 0) {
      D3DXVECTOR3 hit;
      D3DXVECTOR4 normal;
      ASSERT_NE(self.GetPhysics().RayTestClosest(D3DXVECTOR3(150.0f, 130.0f, -20.0f),
                                                 D3DXVECTOR3(150.0f, 130.0f, -80.0f), &hit, &normal, nullptr,
                                                 kGroupMap),
                nullptr);
      wall = hit.z;
      self.SetFreeCamera(true);
      props = self.GetProps().size();
    }
    // Where the follow camera would put itself: on the wall, facing away.
    camera.eye = D3DXVECTOR3(150.0f, 130.0f, wall + 0.1f);
    camera.viewDirection = D3DXVECTOR3(0.0f, 0.0f, 1.0f);
    if (thrown == nullptr && self.GetProps().size() > props) thrown = self.GetProps().back();
    if (thrown != nullptr) {
      deepest = std::max(deepest, wall - thrown->handle->body->getWorldTransform().getOrigin().z());
    }
  };
  app.script.KeyTap(1, 'E');
  ASSERT_TRUE(app.Run(nullptr, 60.0f));
  ASSERT_NE(thrown, nullptr);
  EXPECT_LT(deepest, 0.0f);
}

}  // namespace
