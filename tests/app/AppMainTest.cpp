// The application's frame order run headless on the virtual clock.

#include "app/AppMain.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/HeadlessFixture.h"
#include "support/ScriptedApp.h"

namespace {

using TestApp = ScriptedApp<AppMain>;

class AppMainTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    AppMain::SetPaused(false);
  }
};

TEST_F(AppMainTest, RunsHundredsOfFramesHeadlessAndEndsCleanly) {
  TestApp app;
  app.maxFrames = 600;
  EXPECT_EQ(GetApp(), &app);
  ASSERT_TRUE(app.Run(nullptr, 60.0f));
  EXPECT_EQ(app.frames, 600);
  EXPECT_EQ(app.GetStepCount(), 600u);
  EXPECT_EQ(app.GetFramesPerSecond(), 60);
  EXPECT_EQ(app.GetFontHeight(), 14);  // 800 pixels wide
  EXPECT_TRUE(platform::TakeRecordedMessageBoxes().empty());
}

TEST_F(AppMainTest, EscapeEndsTheLoopAfterTheFrameThatSawIt) {
  TestApp app;
  app.script.KeyTap(5, VK_ESCAPE);
  ASSERT_TRUE(app.Run(nullptr, 60.0f));
  EXPECT_EQ(app.frames, 6);
  EXPECT_EQ(app.GetStepCount(), 6u);  // the last frame still stepped
}

TEST_F(AppMainTest, WhilePausedEachF7AdvancesExactlyOneStep) {
  TestApp app;
  app.maxFrames = 40;
  std::vector<std::uint32_t> steps;
  app.afterFrame = [&steps](TestApp& self) { steps.push_back(self.GetStepCount()); };
  app.script.KeyTap(10, VK_F8);  // pause: frame 10 does not step
  app.script.KeyTap(15, VK_F7);
  app.script.KeyDown(20, VK_F7);  // held for several frames: still one step
  app.script.KeyUp(25, VK_F7);
  app.script.KeyTap(30, VK_F8);  // resume
  ASSERT_TRUE(app.Run(nullptr, 60.0f));
  EXPECT_EQ(steps[9], 10u);
  EXPECT_EQ(steps[14], 10u);
  EXPECT_EQ(steps[15], 11u);
  EXPECT_EQ(steps[19], 11u);
  EXPECT_EQ(steps[20], 12u);
  EXPECT_EQ(steps[29], 12u);
  EXPECT_EQ(steps[30], 13u);
  EXPECT_EQ(steps[39], 22u);
}

TEST_F(AppMainTest, F3TogglesTheMenu) {
  TestApp app;
  app.maxFrames = 10;
  std::vector<bool> visible;
  app.afterFrame = [&visible](TestApp& self) { visible.push_back(self.IsMenuVisible()); };
  app.script.KeyTap(2, VK_F3);
  app.script.KeyTap(6, VK_F3);
  ASSERT_TRUE(app.Run(nullptr, 60.0f));
  EXPECT_EQ(visible, (std::vector<bool>{false, false, true, true, true, true, false, false, false, false}));
}

TEST_F(AppMainTest, ThePhysicsSectionSpansFromItsStartToTheNextFramesJoin) {
  TestApp app;
  app.maxFrames = 8;
  ASSERT_TRUE(app.Run(nullptr, 60.0f));
  const PerformanceMarker& profiler = app.GetProfiler();
  // Started at the end of one frame and joined at the start of the next: it
  // lasts as long as the wait between the two frames.
  EXPECT_GT(profiler.GetAverage(AppMain::kProfilePhysics), 10.0f);
  EXPECT_LT(profiler.GetMeanBegin(AppMain::kProfilePhysics), 0.0f);
  EXPECT_STREQ(AppMain::kProfilerNames[AppMain::kProfilePhysics], "Physics");
}

TEST_F(AppMainTest, ShowErrorsShowsEachMessageInOrderAndEmptiesTheList) {
  TestApp app;
  AppMain::MsgContainer messages;
  messages.Printf("%s: Failed to load", "a.x");
  messages.Output("second");
  app.ShowErrors(messages);
  EXPECT_TRUE(messages.GetMessages().empty());
  const auto boxes = platform::TakeRecordedMessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].caption, "Error");
  EXPECT_EQ(boxes[0].text, "a.x: Failed to load");
  EXPECT_EQ(boxes[1].text, "second");
}

}  // namespace
