// The follow camera on the generated scene: the wheel's zoom per frame, the
// limit when looking down, and the level kept out from between the camera
// and the player.

#include <gtest/gtest.h>

#include <vector>

#include "app/AppFixture.h"

namespace {

class AppMainViewTest : public AppTest {};

TEST_F(AppMainViewTest, TheWheelZoomsPerFrameAndTheDragStopsShortOfStraightDown) {
  TestApp app;
  app.maxFrames = 70;
  std::vector<float> distances;
  std::vector<D3DXVECTOR3> directions;
  bool levelBetween = false;
  app.afterFrame = [&](TestApp& self) {
    self.GetPhysics().FinishStep();
    distances.push_back(AppMain::GetFollowDistance());
    directions.push_back(self.GetCamera().viewDirection);
    // Nothing of the level lies between the camera and the player.
    const D3DXVECTOR3 eye = self.GetCamera().eye;
    const D3DXVECTOR3 chest = *self.GetPlayer()->GetPosition() + D3DXVECTOR3(0.0f, 11.0f, 0.0f);
    const D3DXVECTOR3 nearEye = eye + (chest - eye) * 0.02f;
    levelBetween = levelBetween || self.GetPhysics().RayTestAny(chest, nearEye, 0x100);
  };
  app.script.Wheel(5, -360);  // three notches towards the user in one frame
  app.script.Wheel(7, 360);
  for (int frame : {9, 10, 11}) app.script.Wheel(frame, 120);  // one away per frame
  // A long drag downwards with the left button.
  app.script.MouseMove(20, 400, 300);
  app.script.ButtonDown(21, VK_LBUTTON);
  for (int frame = 22; frame < 60; ++frame) app.script.MouseMove(frame, 400, 400);
  app.script.ButtonUp(60, VK_LBUTTON);
  ASSERT_TRUE(app.Run(nullptr, 60.0f));

  EXPECT_FLOAT_EQ(distances[4], 50.0f);
  EXPECT_FLOAT_EQ(distances[5], 50.0f * 1.3f);
  EXPECT_FLOAT_EQ(distances[7], 50.0f * 1.3f * 0.7f);
  EXPECT_FLOAT_EQ(distances[11], 50.0f * 1.3f * 0.7f * 0.9f * 0.9f * 0.9f);
  EXPECT_FLOAT_EQ(directions[20].y, directions[0].y);
  EXPECT_LT(directions[59].y, -0.9f);  // the drag looks down...
  for (const D3DXVECTOR3& direction : directions) EXPECT_GE(direction.y, -0.95f - 1e-4f);  // ...but never past
  EXPECT_FALSE(levelBetween);
}

}  // namespace
