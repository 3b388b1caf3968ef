#include "frame/FwBase.h"

#include <gtest/gtest.h>

#include <vector>

#include "frame/DisplayConfiguration.h"
#include "support/HeadlessFixture.h"
#include "support/ScriptedApp.h"

namespace {

// A framework application that records what the frame clock does.
class RecordingBase : public FwBase {
 public:
  bool initResult = true;
  int exitCalls = 0;
  DWORD frameWork = 0;  // milliseconds each frame takes
  std::vector<DWORD> frameTimes;
  std::vector<bool> keyPressed;
  std::vector<bool> keyDown;
  std::vector<int> notches;
  std::vector<POINT> mouse;
  int watchedKey = 'A';
  bool allowQuit = true;
  int canQuitCalls = 0;

  bool Init() override { return initResult; }
  void Exit() override { ++exitCalls; }
  bool CanQuit() override {
    ++canQuitCalls;
    return allowQuit;
  }
  void Frame() override {
    frameTimes.push_back(timeGetTime());
    keyPressed.push_back(IsKeyPressed(watchedKey));
    keyDown.push_back(IsKeyDown(watchedKey));
    notches.push_back(GetWheelNotches());
    mouse.push_back(GetMousePosition());
    if (frameWork != 0) Sleep(frameWork);
  }
};

using TestApp = ScriptedApp<RecordingBase>;

class FwBaseTest : public HeadlessTest {};

std::vector<DWORD> Intervals(const std::vector<DWORD>& times) {
  std::vector<DWORD> intervals;
  for (std::size_t i = 1; i < times.size(); ++i) intervals.push_back(times[i] - times[i - 1]);
  return intervals;
}

TEST_F(FwBaseTest, RunsFramesAtSixtyPerSecondInTheSixteenSeventeenSeventeenPattern) {
  TestApp app;
  app.maxFrames = 200;
  ASSERT_TRUE(app.Run(nullptr, 60.0f));
  EXPECT_EQ(app.exitCalls, 1);
  ASSERT_EQ(app.frameTimes.size(), 200u);
  EXPECT_EQ(app.GetWindow(), nullptr);  // destroyed after Exit

  const std::vector<DWORD> intervals = Intervals(app.frameTimes);
  // After the first two frames the cadence settles into 16, 17, 17.
  for (std::size_t i = 2; i + 2 < intervals.size(); i += 3) {
    EXPECT_EQ(intervals[i], 16u) << "at " << i;
    EXPECT_EQ(intervals[i + 1], 17u) << "at " << i;
    EXPECT_EQ(intervals[i + 2], 17u) << "at " << i;
  }
  // 120 intervals make two seconds to the millisecond.
  EXPECT_NEAR(static_cast<double>(app.frameTimes[120] - app.frameTimes[0]), 2000.0, 1.0);
  EXPECT_EQ(app.GetFramesPerSecond(), 60);
}

TEST_F(FwBaseTest, ASlowFrameDropsTheRateWithoutCatchUpBursts) {
  TestApp app;
  app.frameWork = 40;
  app.maxFrames = 60;
  ASSERT_TRUE(app.Run(nullptr, 60.0f));
  for (DWORD interval : Intervals(app.frameTimes)) EXPECT_EQ(interval, 40u);
  EXPECT_EQ(app.GetFramesPerSecond(), 25);
  EXPECT_NEAR(app.GetAverageFrameMs(), 40.0f, 0.5f);
}

TEST_F(FwBaseTest, AShortStallIsFollowedByTheNormalCadence) {
  TestApp app;
  app.maxFrames = 40;
  app.afterFrame = [this](TestApp& self) {
    if (self.frames == 10) Clock().Advance(100);
  };
  ASSERT_TRUE(app.Run(nullptr, 60.0f));
  const std::vector<DWORD> intervals = Intervals(app.frameTimes);
  EXPECT_GE(intervals[10], 100u);
  for (std::size_t i = 11; i < intervals.size(); ++i) {
    EXPECT_TRUE(intervals[i] == 16u || intervals[i] == 17u) << "interval " << i << " was " << intervals[i];
  }
}

class FwBaseWrapTest : public FwBaseTest {
 protected:
  DWORD StartTime() const override { return 0xFFFFFF00u; }  // 256 ms before the timer wraps
};

TEST_F(FwBaseWrapTest, TheTimerWrappingNeitherStallsNorBurstsTheLoop) {
  TestApp app;
  app.maxFrames = 60;
  ASSERT_TRUE(app.Run(nullptr, 60.0f));
  const std::vector<DWORD> intervals = Intervals(app.frameTimes);
  for (std::size_t i = 0; i < intervals.size(); ++i) {
    EXPECT_TRUE(intervals[i] == 16u || intervals[i] == 17u) << "interval " << i << " was " << intervals[i];
  }
  EXPECT_LT(app.frameTimes.back(), 1000u);  // really went past the wrap
}

TEST_F(FwBaseTest, AKeyHeldAcrossFramesIsPressedInTheFirstOnly) {
  TestApp app;
  app.maxFrames = 6;
  app.script.KeyDown(2, 'A');
  app.script.KeyUp(5, 'A');
  ASSERT_TRUE(app.Run(nullptr, 60.0f));
  EXPECT_EQ(app.keyPressed, (std::vector<bool>{false, false, true, false, false, false}));
  EXPECT_EQ(app.keyDown, (std::vector<bool>{false, false, true, true, true, false}));
}

TEST_F(FwBaseTest, WheelDeltasAccumulateIntoWholeNotches) {
  TestApp app;
  app.maxFrames = 5;
  app.script.Wheel(1, 60);
  app.script.Wheel(2, 60);
  app.script.Wheel(3, -240);
  ASSERT_TRUE(app.Run(nullptr, 60.0f));
  EXPECT_EQ(app.notches, (std::vector<int>{0, 0, 1, -2, 0}));
}

TEST_F(FwBaseTest, MousePositionIsInClientPixelsAndCanBeSet) {
  TestApp app;
  app.maxFrames = 4;
  app.script.MouseMove(1, 100, 50);
  app.afterFrame = [](TestApp& self) {
    if (self.frames == 2) self.SetMousePosition(400, 300);
  };
  ASSERT_TRUE(app.Run(nullptr, 60.0f));
  EXPECT_EQ(app.mouse[1].x, 100);
  EXPECT_EQ(app.mouse[1].y, 50);
  EXPECT_EQ(app.mouse[3].x, 400);
  EXPECT_EQ(app.mouse[3].y, 300);
}

TEST_F(FwBaseTest, AltF4EndsTheLoopOnlyWhenTheWindowIsInFront) {
  TestApp app;
  app.maxFrames = 30;
  app.script.FocusLost(1);
  app.script.KeyDown(2, VK_LMENU);
  app.script.KeyTap(3, VK_F4);
  app.script.KeyUp(5, VK_LMENU);
  app.script.FocusGained(6);
  app.script.KeyDown(7, VK_RMENU);
  app.script.KeyTap(8, VK_F4);
  app.script.KeyUp(9, VK_RMENU);
  ASSERT_TRUE(app.Run(nullptr, 60.0f));
  EXPECT_EQ(app.frames, 9);  // ended right after the frame that saw the second Alt+F4
  EXPECT_EQ(app.canQuitCalls, 1);
  EXPECT_EQ(app.exitCalls, 1);
}

TEST_F(FwBaseTest, ClosingTheWindowEndsTheLoopThroughTheQuitMessage) {
  TestApp app;
  app.maxFrames = 30;
  app.script.CloseWindow(4);
  ASSERT_TRUE(app.Run(nullptr, 60.0f));
  EXPECT_EQ(app.frames, 4);
  EXPECT_EQ(app.canQuitCalls, 1);
}

TEST_F(FwBaseTest, ARefusedQuitKeepsTheLoopRunning) {
  TestApp app;
  app.allowQuit = false;
  app.maxFrames = 12;
  app.script.CloseWindow(4);
  ASSERT_TRUE(app.Run(nullptr, 60.0f));
  EXPECT_EQ(app.frames, 12);
  EXPECT_EQ(app.canQuitCalls, 1);
}

TEST_F(FwBaseTest, AFailedInitStillRunsExitAndDestroysTheWindow) {
  TestApp app;
  app.initResult = false;
  EXPECT_FALSE(app.Run(nullptr, 60.0f));
  EXPECT_EQ(app.exitCalls, 1);
  EXPECT_TRUE(app.frameTimes.empty());
  EXPECT_EQ(app.GetWindow(), nullptr);
}

TEST_F(FwBaseTest, TheWindowTakesItsSizeFromTheDisplayConfiguration) {
  DisplayConfiguration saved = GetDisplayConfiguration();
  GetDisplayConfiguration().width = 1024;
  GetDisplayConfiguration().height = 768;
  TestApp app;
  app.maxFrames = 1;
  RECT client{};
  app.afterFrame = [&client](TestApp& self) { GetClientRect(self.GetWindow(), &client); };
  ASSERT_TRUE(app.Run(nullptr, 60.0f));
  GetDisplayConfiguration() = saved;
  EXPECT_EQ(client.right, 1024);
  EXPECT_EQ(client.bottom, 768);
  EXPECT_FLOAT_EQ(app.GetAspect(), 1024.0f / 768.0f);
  EXPECT_EQ(FwBase::GetMouseCentre().x, 512);
  EXPECT_EQ(FwBase::GetMouseCentre().y, 384);
}

TEST_F(FwBaseTest, ShowMessageFormatsIntoABoxOwnedByTheWindow) {
  TestApp app;
  app.maxFrames = 1;
  app.afterFrame = [](TestApp& self) { self.ShowMessage("Info", "%s: %d", "frames", 7); };
  ASSERT_TRUE(app.Run(nullptr, 60.0f));
  const auto boxes = platform::TakeRecordedMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Info");
  EXPECT_EQ(boxes[0].text, "frames: 7");
  EXPECT_NE(boxes[0].owner, nullptr);
}

}  // namespace
