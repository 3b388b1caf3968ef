// The scene on the generated data: its population, "Reset", the keys that
// throw props and drop fighters, and a device loss in the middle of play.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "app/AppFixture.h"
#include "platform/d3d9/D3d9Automation.h"
#include "render/MeshData.h"
#include "support/RenderTargetImage.h"

namespace {

class AppMainSceneTest : public AppTest {};

constexpr std::size_t kCharacters = 20;
constexpr std::size_t kProps = 43;  // the level, 11 + 15 crates, 10 big cabbages, 6 balls

TEST_F(AppMainSceneTest, ResetRebuildsExactlyTheInitialPopulationAndKeysSpawn) {
  TestApp app;
  app.maxFrames = 12;
  std::vector<std::size_t> characters;
  std::vector<std::size_t> props;
  const PropKind* thrownKind = nullptr;
  D3DXVECTOR3 eye, view, spawned;
  app.afterFrame = [&](TestApp& self) {
    self.GetPhysics().FinishStep();
    characters.push_back(self.GetCharacters().size());
    props.push_back(self.GetProps().size());
    if (self.frames == 0) {
      EXPECT_EQ(self.GetPlayer(), self.GetCharacters().front());
      EXPECT_EQ(self.GetProps().front()->kind, &self.GetPropKind(kPropLevel));
    }
    if (self.frames == 1 || self.frames == 2) self.RequestReset();
    if (self.frames == 7) {  // the camera frame 8's step spawns from
      eye = self.GetCamera().eye;
      view = self.GetCamera().viewDirection;
    }
    if (self.frames == 6) thrownKind = self.GetProps().back()->kind;
    if (self.frames == 8) spawned = *self.GetCharacters().back()->GetPosition();
  };
  // Q, W, E and R in one frame: only W's prop.
  for (int key : {'Q', 'W', 'E', 'R'}) app.script.KeyTap(6, key);
  app.script.KeyTap(8, 'T');
  ASSERT_TRUE(app.Run(nullptr, 60.0f));

  EXPECT_TRUE(platform::TakeRecordedMessageBoxes().empty());
  EXPECT_EQ(characters[0], kCharacters);
  EXPECT_EQ(props[0], kProps);
  EXPECT_EQ(characters[3], kCharacters);  // after two resets in a row
  EXPECT_EQ(props[3], kProps);
  EXPECT_EQ(props[6], kProps + 1);
  EXPECT_EQ(thrownKind, &app.GetPropKind(kPropW));
  EXPECT_EQ(characters[8], kCharacters + 1);
  // T drops a fighter 40 ahead of the camera; it has had one step since.
  const D3DXVECTOR3 expected = eye + view * 40.0f;
  EXPECT_NEAR(spawned.x, expected.x, 0.5f);
  EXPECT_NEAR(spawned.z, expected.z, 0.5f);
  EXPECT_NEAR(spawned.y, expected.y, 2.0f);
  EXPECT_TRUE(app.GetProps().empty());  // Exit took the scene down
  EXPECT_TRUE(app.GetCharacters().empty());
}

TEST_F(AppMainSceneTest, ALostDeviceKeepsTheSceneAndDrawsItAgain) {
  TestApp app;
  app.maxFrames = 10;
  std::vector<SceneProp*> propsBefore;
  std::vector<CharacterObj*> charactersBefore;
  RenderTargetImage before;
  RenderTargetImage after;
  app.afterFrame = [&](TestApp& self) {
    // A still camera over the plaza.
    self.SetFreeCamera(true);
    CameraView& camera = self.GetCamera();
    camera.eye = D3DXVECTOR3(0.0f, 220.0f, -160.0f);
    const D3DXVECTOR3 down(0.0f, -0.6f, 1.0f);
    D3DXVec3Normalize(&camera.viewDirection, &down);
    if (self.frames == 3) {
      EXPECT_TRUE(before.Read(self.GetDevice()));
      propsBefore = self.GetProps();
      charactersBefore = self.GetCharacters();
      d3d9::SimulateDeviceLoss(self.GetDevice());
    }
    if (self.frames == 9) {
      EXPECT_TRUE(after.Read(self.GetDevice()));
      EXPECT_EQ(self.GetProps(), propsBefore);
      EXPECT_EQ(self.GetCharacters(), charactersBefore);
    }
  };
  // Frozen from frame 2: the picture after the reset must be the same.
  app.script.KeyTap(2, VK_F8);
  ASSERT_TRUE(app.Run(nullptr, 60.0f));
  EXPECT_TRUE(platform::TakeRecordedMessageBoxes().empty());
  ASSERT_EQ(before.width, after.width);
  ASSERT_EQ(before.height, after.height);
  // Lights, fog and textures are back: the frame matches, apart from the
  // frame-rate line.
  int different = 0;
  for (unsigned y = 40; y < before.height; ++y) {
    for (unsigned x = 0; x < before.width; ++x) different += before.At(x, y) != after.At(x, y) ? 1 : 0;
  }
  EXPECT_LT(different, static_cast<int>(before.width * before.height / 100));
  int lit = 0;
  for (unsigned y = 40; y < after.height; y += 8) {
    for (unsigned x = 0; x < after.width; x += 8) lit += after.IsBlack(x, y) ? 0 : 1;
  }
  EXPECT_GT(lit, 1000);  // the arena is drawn, not a black frame
}

}  // namespace
