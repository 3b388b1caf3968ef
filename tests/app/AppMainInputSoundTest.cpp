// The application with its input and sound systems, run headless.

#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <vector>

#include "app/AppMain.h"
#include "character/CommandBits.h"
#include "platform/dsound8/DSoundAutomation.h"
#include "platform/host/VirtualGamepad.h"
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

// The pad goes through SDL's game controller, DirectInput and the input
// system like a real one. A change made after frame n is seen in frame n + 1.
TEST_F(AppMainInputSoundTest, AGamePadPlaysTheFighterTheMenuAndThePause) {
  host::VirtualGamepad pad;
  ASSERT_TRUE(pad.Attach());
  TestApp app;
  app.maxFrames = 23;
  struct Seen {
    std::uint32_t command;
    int player;
    bool menu;
    bool npcAction;
    bool paused;
    float viewX;
  };
  std::vector<Seen> seen;
  app.afterFrame = [&](TestApp& self) {
    const auto& fighters = self.GetCharacters();
    const int player = static_cast<int>(std::find(fighters.begin(), fighters.end(), self.GetPlayer()) - fighters.begin());
    seen.push_back(Seen{self.GetPlayerCommand(), player, self.IsMenuVisible() && self.GetMenu().IsOpen(),
                        self.IsNpcAction(), AppMain::IsPaused(), self.GetCamera().viewDirection.x});
    const auto button = [&pad](int b, bool down) { pad.SetButton(b, down); };
    switch (self.frames) {
      case 1: pad.SetAxis(SDL_CONTROLLER_AXIS_LEFTY, -32767); break;  // forwards, held
      case 3: button(SDL_CONTROLLER_BUTTON_X, true); break;          // kick
      case 4: button(SDL_CONTROLLER_BUTTON_X, false), button(SDL_CONTROLLER_BUTTON_A, true); break;  // jump
      case 5: button(SDL_CONTROLLER_BUTTON_A, false), button(SDL_CONTROLLER_BUTTON_LEFTSHOULDER, true); break;
      case 7: pad.Detach(); break;
      case 9: pad.Attach(); break;
      case 11: button(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, true); break;  // the next fighter
      case 12: button(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, false), button(SDL_CONTROLLER_BUTTON_START, true); break;
      case 13: case 15: case 17: button(SDL_CONTROLLER_BUTTON_START, false), button(SDL_CONTROLLER_BUTTON_DPAD_DOWN, true); break;
      case 14: case 16: button(SDL_CONTROLLER_BUTTON_DPAD_DOWN, false); break;
      case 18: button(SDL_CONTROLLER_BUTTON_DPAD_DOWN, false), button(SDL_CONTROLLER_BUTTON_A, true); break;  // "NPC Action"
      case 19: button(SDL_CONTROLLER_BUTTON_A, false), button(SDL_CONTROLLER_BUTTON_BACK, true); break;     // pause
      case 20: button(SDL_CONTROLLER_BUTTON_BACK, false), pad.SetAxis(SDL_CONTROLLER_AXIS_RIGHTX, 32767); break;
      default: break;
    }
  };
  ASSERT_TRUE(app.Run(nullptr, 60.0f));
  ASSERT_EQ(seen.size(), 23u);
  using namespace CommandBits;
  const std::uint32_t commands[] = {0, 0, kForward, kForward, kForward | kKick, kForward | kJump, kForward | kCrouch,
                                    kForward | kCrouch, 0, 0, 0, 0};
  for (std::size_t f = 0; f < std::size(commands); ++f) EXPECT_EQ(seen[f].command, commands[f]) << "frame " << f;
  EXPECT_EQ(seen[11].player, 0);
  EXPECT_EQ(seen[12].player, 1);
  EXPECT_FALSE(seen[12].menu);
  EXPECT_TRUE(seen[13].menu);
  EXPECT_TRUE(seen[18].npcAction);
  EXPECT_FALSE(seen[19].npcAction);  // the third step down chose it, A clicked it
  EXPECT_EQ(seen[19].command & kJump, 0u);  // and did not jump
  EXPECT_FALSE(seen[19].paused);
  EXPECT_TRUE(seen[20].paused);
  EXPECT_FLOAT_EQ(seen[20].viewX, seen[19].viewX);
  EXPECT_NE(seen[21].viewX, seen[20].viewX);  // the right stick turns the camera while paused
  AppMain::SetPaused(false);
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
