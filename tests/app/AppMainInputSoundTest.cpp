// The application with its input and sound systems, run headless.

#include <gtest/gtest.h>

#include <vector>

#include "app/AppMain.h"
#include "character/CommandBits.h"
#include "platform/dsound8/DSoundAutomation.h"
#include "app/AppFixture.h"
#include "support/ScriptedApp.h"

namespace {

class AppMainInputSoundTest : public AppTest {};

TEST_F(AppMainInputSoundTest, ThePlayersKeysReachTheCommandWordThroughTheInputSystem) {
  TestApp app;
  app.maxFrames = 12;
  std::vector<std::uint32_t> commands;
  bool devices = false;
  app.afterFrame = [&commands, &devices](TestApp& self) {
    commands.push_back(self.GetPlayerCommand());
    devices = self.GetInput().HasKeyboard() && self.GetInput().HasMouse();
  };
  app.script.KeyDown(3, VK_UP);
  app.script.KeyTap(5, 'Z');
  app.script.KeyDown(6, VK_RCONTROL);
  app.script.KeyUp(8, VK_UP);
  app.script.KeyTap(10, VK_F5);
  ASSERT_TRUE(app.Run(nullptr, 60.0f));
  using namespace CommandBits;
  EXPECT_EQ(commands, (std::vector<std::uint32_t>{0, 0, 0, kForward, kForward, kForward | kKick, kForward | kCrouch,
                                                  kForward | kCrouch, kCrouch, kCrouch, kCrouch | kSelfDamage,
                                                  kCrouch}));
  EXPECT_TRUE(devices);
  EXPECT_FALSE(app.GetInput().HasKeyboard());  // released at exit
}

TEST_F(AppMainInputSoundTest, SoundStartsWhereThereIsADeviceAndIsGoneAfterExit) {
  TestApp app;
  app.maxFrames = 5;
  bool initialised = false;
  app.afterFrame = [&initialised](TestApp& self) { initialised = self.GetSound()->IsInitialized(); };
  ASSERT_TRUE(app.Run(nullptr, 60.0f));
  EXPECT_TRUE(initialised);  // OpenAL's null device of headless runs
  EXPECT_EQ(app.GetSound(), nullptr);
  EXPECT_TRUE(platform::TakeRecordedMessageBoxes().empty());
}

TEST_F(AppMainInputSoundTest, WithoutASoundDeviceTheGameSaysSoAndGoesOnSilent) {
  dsound8::FailNextDeviceOpens(1);
  TestApp app;
  app.maxFrames = 30;
  int silentFrames = 0;
  app.afterFrame = [&silentFrames](TestApp& self) { silentFrames += self.GetSound()->IsInitialized() ? 0 : 1; };
  ASSERT_TRUE(app.Run(nullptr, 60.0f));
  EXPECT_EQ(app.frames, 30);
  EXPECT_EQ(silentFrames, 30);
  const auto boxes = platform::TakeRecordedMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Error");
  EXPECT_EQ(boxes[0].text, "Failed to init SoundSystem");
}

}  // namespace
