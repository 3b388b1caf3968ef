// The application's frame order run headless on the virtual clock.

#include "app/AppMain.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "app/AppFixture.h"
#include "frame/DisplayConfiguration.h"
#include "support/RenderTargetImage.h"
#include "support/ScriptedApp.h"

namespace {

class AppMainTest : public AppTest {};

TEST_F(AppMainTest, RunsHundredsOfFramesHeadlessAndEndsCleanly) {
  TestApp app;
  app.maxFrames = 180;
  EXPECT_EQ(GetApp(), &app);
  ASSERT_TRUE(app.Run(nullptr, 60.0f));
  EXPECT_EQ(app.frames, 180);
  EXPECT_EQ(app.GetStepCount(), 180u);
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

// The axis gizmo, 50 units long at the origin below the arena's floor, seen
// by the free camera from (0, 0, -100): the x axis runs across the screen
// centre, fading in from x = 200 to opaque red at x = 600, the y axis from
// y = 500 up to opaque green at y = 100.
TEST_F(AppMainTest, TheFreeCameraShowsTheAxisGizmoAtTheOrigin) {
  TestApp app;
  app.maxFrames = 5;
  RenderTargetImage image;
  app.afterFrame = [&image](TestApp& self) {
    self.SetFreeCamera(true);
    self.GetCamera().eye = D3DXVECTOR3(0.0f, 0.0f, -100.0f);
    self.GetCamera().viewDirection = D3DXVECTOR3(0.0f, 0.0f, 1.0f);
    if (self.frames == 4) {
      EXPECT_TRUE(image.Read(self.GetDevice()));
    }
  };
  ASSERT_TRUE(app.Run(nullptr, 60.0f));
  EXPECT_TRUE(platform::TakeRecordedMessageBoxes().empty());
  ASSERT_EQ(image.width, 800u);
  ASSERT_EQ(image.height, 600u);
  auto red = [](std::uint32_t c) {
    return RenderTargetImage::Red(c) > 160 && RenderTargetImage::Green(c) < 80 && RenderTargetImage::Blue(c) < 80;
  };
  auto green = [](std::uint32_t c) {
    return RenderTargetImage::Green(c) > 160 && RenderTargetImage::Red(c) < 80 && RenderTargetImage::Blue(c) < 80;
  };
  EXPECT_TRUE(image.AnyAround(580, 300, 2, red));
  EXPECT_TRUE(image.AnyAround(400, 120, 2, green));
  EXPECT_FALSE(image.AnyAround(220, 300, 2, red));
  EXPECT_FALSE(image.AnyAround(400, 480, 2, green));
}

// The sunlit sand ring seen from above in the best-quality and the standard
// mode: the bloom may make highlights glow but must not wash the sand out.
TEST_F(AppMainTest, TheBestQualityFrameIsNoBrighterThanTheStandardOne) {
  struct Brightness {
    double bright = 0.0;  // share of pixels above 90 % luminance
    double mean = 0.0;
  };
  const auto frameOfTheSandRing = [](bool best) {
    GetDisplayConfiguration().highQuality = best;
    crt::srand(1);
    TestApp app;
    app.maxFrames = 5;
    RenderTargetImage image;
    app.afterFrame = [&image](TestApp& self) {
      self.SetFreeCamera(true);
      self.GetCamera().eye = D3DXVECTOR3(147.0f, 156.0f, 123.0f);
      self.GetCamera().viewDirection = D3DXVECTOR3(0.0f, -0.68f, 0.734f);
      if (self.frames == 4) {
        EXPECT_TRUE(image.Read(self.GetDevice()));
      }
    };
    EXPECT_TRUE(app.Run(nullptr, 60.0f));
    Brightness result;
    for (const std::uint32_t c : image.pixels) {
      const double luma = (0.299 * RenderTargetImage::Red(c) + 0.587 * RenderTargetImage::Green(c) +
                           0.114 * RenderTargetImage::Blue(c)) / 255.0;
      result.bright += luma > 0.9 ? 1.0 : 0.0;
      result.mean += luma;
    }
    const double count = std::max<double>(1.0, static_cast<double>(image.pixels.size()));
    return Brightness{result.bright / count, result.mean / count};
  };
  const DisplayConfiguration saved = GetDisplayConfiguration();
  const Brightness standard = frameOfTheSandRing(false);
  const Brightness best = frameOfTheSandRing(true);
  GetDisplayConfiguration() = saved;
  ASSERT_GT(standard.mean, 0.3);  // the sand is in view
  EXPECT_LE(best.bright, 2.0 * standard.bright + 0.01);
  EXPECT_NEAR(best.mean / standard.mean, 1.0, 0.1);
}

TEST_F(AppMainTest, F3ShowsTheProfilerLinesAndBar) {
  TestApp app;
  app.maxFrames = 8;
  app.script.KeyTap(2, VK_F3);
  RenderTargetImage before;
  RenderTargetImage shown;
  app.afterFrame = [&](TestApp& self) {
    if (self.frames == 1) {
      EXPECT_TRUE(before.Read(self.GetDevice()));
    } else if (self.frames == 7) {
      EXPECT_TRUE(shown.Read(self.GetDevice()));
    }
  };
  ASSERT_TRUE(app.Run(nullptr, 60.0f));
  ASSERT_EQ(before.width, 800u);
  ASSERT_EQ(shown.width, 800u);
  // The bar's grey background spans 300..550 by 10..35; its top rows show
  // only the background where the first lane is empty: grey where the
  // bluish sky was.
  const std::uint32_t sky = before.At(540, 12);
  EXPECT_GT(RenderTargetImage::Blue(sky), RenderTargetImage::Red(sky) + 10);
  const std::uint32_t bar = shown.At(540, 12);
  EXPECT_GT(RenderTargetImage::Red(bar), 100);
  EXPECT_NEAR(RenderTargetImage::Red(bar), RenderTargetImage::Blue(bar), 12);
  // The first line ("Update ...") in its green from (300, 40).
  int greenText = 0;
  for (int y = 40; y < 54; ++y) {
    for (int x = 300; x < 450; ++x) {
      const std::uint32_t c = shown.At(x, y);
      greenText += RenderTargetImage::Green(c) > 150 && RenderTargetImage::Red(c) < 60 ? 1 : 0;
    }
  }
  EXPECT_GT(greenText, 20);
}

}  // namespace
