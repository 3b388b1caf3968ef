// The menu in the running game, worked with scripted mouse input: F3 shows
// it, a click on "Menu" slides it open, and its items free the camera,
// restore the scene and switch the physics wireframe on and off.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>

#include "app/AppFixture.h"
#include "support/RenderTargetImage.h"

namespace {

class AppMainMenuTest : public AppTest {};

// Pixels that differ in the scene's middle, away from the overlay texts,
// the profiler and the menu.
int DifferingScenePixels(const RenderTargetImage& a, const RenderTargetImage& b) {
  int differing = 0;
  for (int y = 130; y < 520; ++y) {
    for (int x = 0; x < 560; ++x) differing += a.At(x, y) != b.At(x, y) ? 1 : 0;
  }
  return differing;
}

TEST_F(AppMainMenuTest, ClicksOnTheItemsFreeTheCameraResetTheSceneAndSwitchTheWireframe) {
  TestApp app;
  app.maxFrames = 82;
  // Clicks by the frame of their press: the mouse moves onto the widget a
  // frame before, and the button comes up a frame after.
  std::map<int, std::function<FwGuiBase&(TestApp&)>> clicks;
  clicks[5] = [](TestApp& self) -> FwGuiBase& { return self.GetMenu().GetToggle(); };
  clicks[50] = [](TestApp& self) -> FwGuiBase& { return *self.GetMenu().GetItem(AppMain::kItemFreeCamera); };
  clicks[54] = [](TestApp& self) -> FwGuiBase& { return *self.GetMenu().GetItem(AppMain::kItemReset); };
  clicks[68] = [](TestApp& self) -> FwGuiBase& { return *self.GetMenu().GetItem(AppMain::kItemDebugDraw); };
  clicks[74] = [](TestApp& self) -> FwGuiBase& { return *self.GetMenu().GetItem(AppMain::kItemDebugDraw); };

  bool open = false, freeCamera = false, npcAction = true;
  std::size_t fightersBeforeReset = 0, fightersAfterReset = 0;
  RenderTargetImage without, with, offAgain;
  app.afterFrame = [&](TestApp& self) {
    const int next = self.frames + 1;
    if (clicks.count(next + 1) != 0) {
      FwGuiBase& widget = clicks[next + 1](self);
      const D3DXVECTOR2 at = *widget.GetPosition() + *widget.GetSize() * 0.5f;
      self.script.MouseMove(next, static_cast<int>(at.x), static_cast<int>(at.y));
      self.script.ButtonDown(next + 1, VK_LBUTTON);
      self.script.ButtonUp(next + 2, VK_LBUTTON);
    }
    // Open and slid all the way up by now.
    if (self.frames == 40) {
      open = self.GetMenu().IsOpen() && std::fabs(self.GetMenu().GetPosition()->y - self.GetMenu().GetOpenY()) < 0.5f;
    }
    if (self.frames == 52) freeCamera = self.IsFreeCamera();
    if (self.frames == 54) fightersBeforeReset = self.GetCharacters().size();
    if (self.frames == 56) fightersAfterReset = self.GetCharacters().size();
    if (self.frames == 59) npcAction = self.IsNpcAction();
    RenderTargetImage* image = self.frames == 66 ? &without : self.frames == 72 ? &with
                                                  : self.frames == 80 ? &offAgain : nullptr;
    if (image != nullptr) {
      EXPECT_TRUE(image->Read(self.GetDevice()));
    }
  };
  app.script.KeyTap(1, VK_F3);
  app.script.KeyTap(2, 'T');     // one more fighter, for "Reset" to take away
  app.script.KeyTap(58, '4');    // the shortcut of "NPC Action"
  app.script.KeyTap(60, VK_F8);  // paused: the wireframe is compared on a still scene
  ASSERT_TRUE(app.Run(nullptr, 60.0f));

  EXPECT_TRUE(open);
  EXPECT_TRUE(freeCamera);
  EXPECT_EQ(fightersBeforeReset, 21u);
  EXPECT_EQ(fightersAfterReset, 20u);
  EXPECT_FALSE(npcAction);
  EXPECT_FALSE(app.IsDebugDrawOn());
  EXPECT_EQ(app.GetPhysics().GetDebugDraw().target, nullptr);
  EXPECT_EQ(app.GetCharacterManager().debugDraw, nullptr);
  // The level's wireframe covers much of the scene; switched off, the
  // frame is the one without it again.
  EXPECT_GT(DifferingScenePixels(without, with), 2000);
  EXPECT_EQ(DifferingScenePixels(without, offAgain), 0);
  AppMain::SetPaused(false);
}

}  // namespace
