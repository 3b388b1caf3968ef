// What the application does when something hits something, on the
// generated scene: strikes and sweeps, contact reports, prop knocks, the
// bomb's countdown and the blast's reach.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "app/AppFixture.h"
#include "BulletDynamics/Dynamics/btRigidBody.h"

namespace {

class AppMainEventsTest : public AppTest {};

D3DXVECTOR3 Chest(const CharacterObj* character) {
  const D3DXMATRIX& world = character->GetBone(CharacterObj::kChest)->world;
  return D3DXVECTOR3(world._41, world._42, world._43);
}

D3DXVECTOR3 PartCentre(const CharacterObj* character, int part) {
  const btVector3 origin = character->GetRagdoll().GetPartBody(part)->getWorldTransform().getOrigin();
  return D3DXVECTOR3(origin.x(), origin.y(), origin.z());
}

// Runs the scene with the simulation joined between frames; `step` gets the
// application after each frame until it returns false.
void RunScene(int frames, const std::function<void(TestApp&)>& step, bool paused = false) {
  TestApp app;
  app.maxFrames = frames;
  app.afterFrame = [&](TestApp& self) {
    self.GetPhysics().FinishStep();
    self.SetNpcAction(false);
    step(self);
  };
  if (paused) app.script.KeyTap(0, VK_F8);
  ASSERT_TRUE(app.Run(nullptr, 60.0f));
  EXPECT_TRUE(platform::TakeRecordedMessageBoxes().empty());
}

TEST_F(AppMainEventsTest, StrikesHitOthersAndRagdollsWhileSweepsSpareRagdolls) {
  RunScene(6, [](TestApp& self) {
    CharacterObj* a = self.GetCharacters()[0];
    CharacterObj* b = self.GetCharacters()[5];
    if (self.frames == 1) {
      // A short ray across b's body, well away from everyone else.
      const D3DXVECTOR3 centre = *b->GetPosition() + D3DXVECTOR3(0.0f, 10.0f, 0.0f);
      const D3DXVECTOR3 start = centre + D3DXVECTOR3(0.0f, 0.0f, -8.0f);
      const D3DXVECTOR3 end = centre + D3DXVECTOR3(0.0f, 0.0f, 8.0f);
      const float health = b->health;
      EXPECT_FALSE(self.StrikeRay(end, start, b));  // its own capsule
      EXPECT_EQ(b->health, health);
      EXPECT_TRUE(self.StrikeRay(end, start, a));
      EXPECT_FLOAT_EQ(b->health, health - 0.4f);
      // A deadly cut: b is a ragdoll after its next update.
      b->Hit(2.0f, centre, D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    }
    if (self.frames == 3) {
      ASSERT_TRUE(b->isRagdoll);
      const D3DXVECTOR3 chest = PartCentre(b, 0);
      const D3DXVECTOR3 start = chest + D3DXVECTOR3(0.0f, 0.0f, -6.0f);
      const D3DXVECTOR3 end = chest + D3DXVECTOR3(0.0f, 0.0f, 6.0f);
      const float health = b->health;
      self.SweepRay(end, start, a);
      EXPECT_EQ(b->health, health);
      EXPECT_FALSE(b->hits[0].pending || b->hits[1].pending);
      EXPECT_TRUE(self.StrikeRay(end, start, a));
      EXPECT_FLOAT_EQ(b->health, health - 0.4f);

      // Two of its own parts touching count half.
      b->hitDamage = 0.0f;
      b->hitPeak = 0.0f;
      self.OnImpact(b->GetRagdoll().GetPartBody(0), b->GetRagdoll().GetPartBody(1), chest, 10.0f, nullptr);
      // Both parts are b's: 5 over a peak of 0, then 5 over the raised peak.
      EXPECT_FLOAT_EQ(b->hitDamage, 5.0f + (5.0f - 3.5f));
      EXPECT_FLOAT_EQ(b->hitPeak, 3.5f + (5.0f - 3.5f) * 0.7f);
    }
  });
}

TEST_F(AppMainEventsTest, APropKnocksOnlyAboveItsThresholdAndThenStartsBelowZero) {
  SceneProp* ball = nullptr;
  std::vector<float> impacts;
  RunScene(5, [&](TestApp& self) {
    // A ball of the R kind still high in the air: no contact adds to it.
    if (self.frames == 0) return;
    if (self.frames == 1) {
      ball = self.GetProps().back();
      ASSERT_EQ(ball->kind, &self.GetPropKind(kPropR));
    }
    if (self.frames >= 2) impacts.push_back(ball->impact);
    const float threshold = ball->kind->impactThreshold;
    if (self.frames == 1) ball->impact = threshold;  // exactly at it: silent
    if (self.frames == 2) ball->impact = threshold + 0.01f;
    ball->tick = 0;  // every frame is a knocking frame
  });
  ASSERT_EQ(impacts.size(), 3u);
  EXPECT_FLOAT_EQ(impacts[0], 60.0f * 0.8f);
  EXPECT_FLOAT_EQ(impacts[1], 60.0f * -2.0f * 0.8f);
}

TEST_F(AppMainEventsTest, ABombCountsSteppedFramesOnlyAndItsBlastRemovesIt) {
  std::vector<int> countdowns;
  std::size_t propsBefore = 0;
  bool exploded = false;
  TestApp app;
  app.maxFrames = 24;
  app.afterFrame = [&](TestApp& self) {
    self.GetPhysics().FinishStep();
    if (self.frames == 1) {
      D3DXMATRIX hand;
      D3DXMatrixTranslation(&hand, 0.0f, 320.0f, -60.0f);
      propsBefore = self.GetProps().size();
      self.ThrowObject(hand, D3DXVECTOR3(0.0f, 0.0f, 0.0f), self.GetCharacters()[0]);
      ASSERT_EQ(self.GetProps().size(), propsBefore + 1);
      ASSERT_EQ(self.GetBombs().size(), 1u);
    }
    if (self.frames >= 1 && self.frames <= 12) countdowns.push_back(self.GetBombs()[0]->countdown);
    if (self.frames == 12) self.GetBombs()[0]->countdown = 2;
    if (self.frames == 14) {
      exploded = self.GetBombs().empty() && self.GetProps().size() == propsBefore;
    }
  };
  app.script.KeyTap(4, VK_F8);  // frames 4 to 7 are paused
  app.script.KeyTap(8, VK_F8);
  ASSERT_TRUE(app.Run(nullptr, 60.0f));
  // Five seconds at 60 frames per second, counted in stepped frames.
  EXPECT_EQ(countdowns, (std::vector<int>{300, 299, 298, 298, 298, 298, 298, 297, 296, 295, 294, 293}));
  EXPECT_TRUE(exploded);
}

TEST_F(AppMainEventsTest, TheBlastReachesOnlyWithinItsRadiusAndInSight) {
  RunScene(6, [](TestApp& self) {
    if (self.frames == 1) {
      // A fighter on the ground 18 units in front of the south wall.
      ASSERT_NE(self.SpawnCharacter(D3DXVECTOR3(0.0f, 112.0f, -252.0f), 0.0f, 3.0f), nullptr);
    }
    if (self.frames != 3) return;
    CharacterObj* high = self.GetCharacters()[7];  // still falling, far above everything
    const D3DXVECTOR3 chest = Chest(high);
    // Exactly the radius away from the chest (the knees are farther).
    D3DXVECTOR3 position = chest + D3DXVECTOR3(0.0f, 38.0f, 0.0f);
    auto distance = [&]() {
      const D3DXVECTOR3 d = chest - position;
      return D3DXVec3Length(&d);
    };
    while (distance() < 38.0f) position.y = std::nextafter(position.y, 1e9f);
    while (distance() > 38.0f) position.y = std::nextafter(position.y, -1e9f);
    ASSERT_EQ(distance(), 38.0f);
    float health = high->health;
    self.Explode(position, 38.0f);
    EXPECT_EQ(high->health, health);
    self.Explode(chest + D3DXVECTOR3(0.0f, 30.0f, 0.0f), 38.0f);
    EXPECT_LT(high->health, health);

    // Behind the wall the fighter is untouched; the same distance in the
    // open reaches it.
    CharacterObj* near = self.GetCharacters().back();
    const D3DXVECTOR3 nearChest = Chest(near);
    health = near->health;
    self.Explode(nearChest + D3DXVECTOR3(0.0f, 0.0f, -36.0f), 38.0f);
    EXPECT_EQ(near->health, health);
    self.Explode(nearChest + D3DXVECTOR3(0.0f, 0.0f, 36.0f), 38.0f);
    EXPECT_LT(near->health, health);
  });
}

}  // namespace
