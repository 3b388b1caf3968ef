// Blood, smoke and the flash in the running game on the generated scene.

#include <gtest/gtest.h>

#include "app/AppFixture.h"

namespace {

class AppMainEffectsTest : public AppTest {};

TEST_F(AppMainEffectsTest, ACutBleedsOntoThePlazaAndABlastSmokesAndBlursUntilReset) {
  constexpr int kCut = 30;
  constexpr int kBlast = kCut + 120;  // two seconds after the cut
  TestApp app;
  app.maxFrames = kBlast + 3;
  float ground = 0.0f;
  std::size_t liveAfterCut = 0;
  app.afterFrame = [&](TestApp& self) {
    self.GetPhysics().FinishStep();
    self.SetNpcAction(false);
    if (self.frames == 1) {
      // A fighter set down on the plaza beside where the player falls.
      const D3DXVECTOR3 above = *self.GetCharacters()[0]->GetPosition() + D3DXVECTOR3(20.0f, 0.0f, 0.0f);
      D3DXVECTOR3 hit;
      ASSERT_NE(self.GetPhysics().RayTestClosest(above, above - D3DXVECTOR3(0.0f, 1000.0f, 0.0f), &hit, nullptr,
                                                 nullptr, 0x100),
                nullptr);
      ground = hit.y;
      ASSERT_NE(self.SpawnCharacter(hit + D3DXVECTOR3(0.0f, 2.0f, 0.0f), 0.0f, 3.0f), nullptr);
    }
    if (self.frames == kCut) {
      // A blade through the standing fighter.
      CharacterObj* struck = self.GetCharacters().back();
      EXPECT_NEAR(struck->GetPosition()->y, ground, 1.0f);
      const D3DXVECTOR3 centre = *struck->GetPosition() + D3DXVECTOR3(0.0f, 10.0f, 0.0f);
      self.SweepRay(centre + D3DXVECTOR3(8.0f, 0.0f, 0.0f), centre - D3DXVECTOR3(8.0f, 0.0f, 0.0f),
                    self.GetCharacters()[1]);
      liveAfterCut = self.GetBillboards().GetLiveCount();
    }
    if (self.frames == kBlast) {
      // Every drop has landed or faded; each splat lies on the level's surface.
      EXPECT_EQ(self.GetBillboards().GetLiveCount(), 0u);
      EXPECT_GE(self.GetDecals().GetLiveCount(), 10u);
      std::size_t onPlaza = 0;
      for (const Decal* splat : self.GetDecals().GetRecords()) {
        if (splat->texture == nullptr) continue;
        D3DXVECTOR3 hit;
        const D3DXVECTOR3 above = splat->position + splat->normal * 0.5f;
        ASSERT_NE(self.GetPhysics().RayTestClosest(above, splat->position - splat->normal * 0.5f, &hit, nullptr,
                                                   nullptr, 0x100),
                  nullptr);
        const D3DXVECTOR3 gap = hit - splat->position;
        EXPECT_LT(D3DXVec3Length(&gap), 0.01f);
        if (std::fabs(splat->position.y - ground) < 0.5f) ++onPlaza;
      }
      EXPECT_GE(onPlaza, 5u);
      const CameraView& camera = self.GetCamera();
      self.Explode(camera.eye + camera.viewDirection * 20.0f, 38.0f);
      EXPECT_GE(self.GetBillboards().GetLiveCount(), 14u);  // fireball, smoke, soot, the burst
      EXPECT_FLOAT_EQ(self.GetEffects().GetFlashStrength(), 2.0f);
    }
    if (self.frames == kBlast + 1) {
      // The frame just drawn blurred outwards from the blast.
      ID3DXEffect* screen = self.GetRenderer().GetScreenEffect();
      float gpv = 0.0f;
      screen->GetValue(screen->GetParameterByName(nullptr, "g_GPV"), &gpv, sizeof(gpv));
      EXPECT_LT(gpv, -0.01f);
      self.RequestReset();
    }
    if (self.frames == kBlast + 2) {
      EXPECT_EQ(self.GetBillboards().GetRecordCount(), 0u);
      EXPECT_EQ(self.GetDecals().GetRecordCount(), 0u);
    }
  };
  ASSERT_TRUE(app.Run(nullptr, 60.0f));
  EXPECT_EQ(liveAfterCut, 26u);
  EXPECT_TRUE(platform::TakeRecordedMessageBoxes().empty());
}

}  // namespace
