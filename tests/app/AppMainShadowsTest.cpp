// Blob shadows and the sky in the running game on the generated scene.

#include <gtest/gtest.h>

#include "app/AppFixture.h"
#include "frame/DisplayConfiguration.h"

namespace {

class AppMainShadowsTest : public AppTest {
 protected:
  void TearDown() override {
    GetDisplayConfiguration() = saved_;
    AppTest::TearDown();
  }
  DisplayConfiguration saved_ = GetDisplayConfiguration();
};

std::size_t ShadowDecals(TestApp& app) {
  IDirect3DTexture9* shadow = app.GetSceneResources().effectTextures[kTextureShadow];
  std::size_t count = 0;
  for (const Decal* decal : app.GetDecals().GetRecords()) count += decal->texture == shadow ? 1 : 0;
  return count;
}

TEST_F(AppMainShadowsTest, FightersAndPropsKeepABoundedSetOfShadowsUnderThem) {
  GetDisplayConfiguration().highQuality = false;
  TestApp app;
  app.maxFrames = 400;
  std::size_t most = 0;
  std::size_t atEnd = 0;
  std::size_t casters = 0;
  app.afterFrame = [&](TestApp& self) {
    self.GetPhysics().FinishStep();
    most = std::max(most, ShadowDecals(self));
    casters = std::max(casters, 3 * self.GetCharacters().size() + self.GetProps().size());
    if (self.frames == 399) {
      atEnd = ShadowDecals(self);
      // Under the player, along the sun: a shadow decal on the ground.
      const D3DXVECTOR3 feet = *self.GetCharacters()[0]->GetPosition();
      bool found = false;
      for (const Decal* decal : self.GetDecals().GetRecords()) {
        if (decal->texture != self.GetSceneResources().effectTextures[kTextureShadow]) continue;
        const D3DXVECTOR3 offset = decal->position - feet;
        found = found || (D3DXVec3Length(&offset) < 25.0f && std::fabs(offset.y) < 2.0f);
      }
      EXPECT_TRUE(found);
    }
  };
  ASSERT_TRUE(app.Run(nullptr, 60.0f));
  EXPECT_GT(atEnd, 20u);
  EXPECT_LE(most, 2 * casters);
}

}  // namespace
