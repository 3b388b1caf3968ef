// The input system's 282 entries over real DirectInput devices fed with
// SDL events.

#include "input/InputSystem.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/dinput8/ScanCodes.h"
#include "platform/host/VirtualGamepad.h"
#include "support/InputEvents.h"

namespace {

class InputSystemTest : public FocusedWindowTest {
 protected:
  void SetUp() override {
    FocusedWindowTest::SetUp();
    ASSERT_TRUE(input_.CreateDirectInput(nullptr));
    input_.SetWindow(window_);
    input_.ResetState();
    ASSERT_TRUE(input_.InitKeyboard());
    ASSERT_TRUE(input_.InitMouse());
  }
  void TearDown() override {
    input_.ReleaseDevices();
    FocusedWindowTest::TearDown();
  }
  void Step() {
    Pump();
    input_.Update();
  }
  bool Is(int index, int held, int pressed, int released) const {
    const InputSystem::KeyState& k = input_.GetKey(index);
    return k.held == held && k.pressed == pressed && k.released == released;
  }
  bool JoystickEntriesAreZero() const {
    for (int i = InputSystem::kJoystickButton0; i < InputSystem::kKeyCount; ++i) {
      if (!Is(i, 0, 0, 0)) return false;
    }
    return true;
  }

  InputSystem input_;
};

TEST_F(InputSystemTest, PressedAndReleasedLastOneStepHeldLastsWhileTheKeyIsDown) {
  Key(SDL_SCANCODE_Z, true);
  Step();
  EXPECT_TRUE(Is(DIK_Z, 1, 1, 0));
  Step();
  EXPECT_TRUE(Is(DIK_Z, 1, 0, 0));
  Key(SDL_SCANCODE_Z, false);
  Step();
  EXPECT_TRUE(Is(DIK_Z, 0, 0, 1));
  Step();
  EXPECT_TRUE(Is(DIK_Z, 0, 0, 0));
}

TEST_F(InputSystemTest, APressAndReleaseBetweenTwoUpdatesShowsBothWithHeldZero) {
  Tap(SDL_SCANCODE_SPACE);
  Step();
  EXPECT_TRUE(Is(DIK_SPACE, 0, 1, 1));
}

TEST_F(InputSystemTest, MoreEventsThanTheBufferHoldsArriveOverTwoUpdates) {
  for (int i = 0; i < 12; ++i) Tap(static_cast<SDL_Scancode>(SDL_SCANCODE_F1 + i));  // 24 events
  Step();
  for (int i = 0; i < 10; ++i) EXPECT_TRUE(Is(DIK_F1 + i, 0, 1, 1)) << i;  // the first 20 events
  EXPECT_TRUE(Is(DIK_F11, 0, 0, 0));
  EXPECT_TRUE(Is(DIK_F12, 0, 0, 0));
  input_.Update();  // no new events: the rest of the queue
  EXPECT_TRUE(Is(DIK_F11, 0, 1, 1));
  EXPECT_TRUE(Is(DIK_F12, 0, 1, 1));
  EXPECT_TRUE(Is(DIK_F1, 0, 0, 0));
}

TEST_F(InputSystemTest, MouseButtonsAreEntriesMovementIsNot) {
  Motion(7, -2);
  Wheel(2);
  Button(SDL_BUTTON_LEFT, true);
  Step();
  const std::int32_t* delta = input_.GetMouseDelta();
  EXPECT_EQ(delta[0], 7);
  EXPECT_EQ(delta[1], -2);
  EXPECT_EQ(delta[2], 2 * WHEEL_DELTA);
  EXPECT_TRUE(Is(InputSystem::kMouseButton0, 1, 1, 0));
  // The axis events (offsets 0 to 11) change no entry, not even the
  // keyboard entries of the same numbers.
  for (int i = 0; i < InputSystem::kKeyCount; ++i) {
    if (i != InputSystem::kMouseButton0) {
      EXPECT_TRUE(Is(i, 0, 0, 0)) << i;
    }
  }
  Step();
  EXPECT_EQ(input_.GetMouseDelta()[0], 0);
}

TEST_F(InputSystemTest, ResetStateTakesHeldFromTheDevicesWithoutEdges) {
  Key(SDL_SCANCODE_LSHIFT, true);
  Button(SDL_BUTTON_RIGHT, true);
  Step();
  input_.ResetState();
  EXPECT_TRUE(Is(DIK_LSHIFT, 1, 0, 0));
  EXPECT_TRUE(Is(InputSystem::kMouseButton0 + 1, 1, 0, 0));
  EXPECT_EQ(input_.GetJoystickPov(0), -1);
}

TEST_F(InputSystemTest, WithoutTheFocusNoEventsApplyAndHeldStays) {
  Key(SDL_SCANCODE_UP, true);
  Step();
  Focus(false);
  Key(SDL_SCANCODE_UP, false);
  Tap(SDL_SCANCODE_X);
  Step();
  EXPECT_TRUE(Is(DIK_UP, 1, 0, 0));
  EXPECT_TRUE(Is(DIK_X, 0, 0, 0));
  Focus(true);
  Step();  // re-acquired in this update
  Tap(SDL_SCANCODE_X);
  Step();
  EXPECT_TRUE(Is(DIK_X, 0, 1, 1));
}

TEST_F(InputSystemTest, WithoutAJoystickItsEntriesKeepWhatResetStateLeft) {
  Tap(SDL_SCANCODE_A);
  Button(SDL_BUTTON_MIDDLE, true);
  Step();
  Step();
  EXPECT_FALSE(input_.HasJoystick());
  EXPECT_TRUE(JoystickEntriesAreZero());
  for (int axis = 0; axis < 8; ++axis) EXPECT_EQ(input_.GetJoystickAxis(axis), 0.0f);
  for (int hat = 0; hat < 4; ++hat) EXPECT_EQ(input_.GetJoystickPov(hat), -1);
}

TEST_F(InputSystemTest, APluggedInControllerDrivesTheJoystickEntries) {
  host::VirtualGamepad pad;
  ASSERT_TRUE(pad.Attach());
  Step();
  ASSERT_TRUE(input_.HasJoystick());

  // 13107 scales to exactly 4000, that is 0.4 after the input system's
  // 0.0001: centred. One step further is a direction.
  pad.SetAxis(SDL_CONTROLLER_AXIS_LEFTX, 13107);
  pad.SetAxis(SDL_CONTROLLER_AXIS_LEFTY, -13107);
  Step();
  EXPECT_FLOAT_EQ(input_.GetJoystickAxis(0), 0.4f);
  EXPECT_TRUE(Is(InputSystem::kStickRight, 0, 0, 0));
  EXPECT_TRUE(Is(InputSystem::kStickUp, 0, 0, 0));
  pad.SetAxis(SDL_CONTROLLER_AXIS_LEFTX, 13110);
  pad.SetAxis(SDL_CONTROLLER_AXIS_LEFTY, -13110);
  Step();
  EXPECT_TRUE(Is(InputSystem::kStickRight, 1, 1, 0));
  EXPECT_TRUE(Is(InputSystem::kStickUp, 1, 1, 0));
  pad.SetAxis(SDL_CONTROLLER_AXIS_LEFTX, 0);
  pad.SetButton(SDL_CONTROLLER_BUTTON_A, true);
  pad.SetButton(SDL_CONTROLLER_BUTTON_DPAD_LEFT, true);
  Step();
  EXPECT_TRUE(Is(InputSystem::kStickRight, 0, 0, 1));
  EXPECT_TRUE(Is(InputSystem::kStickUp, 1, 0, 0));
  EXPECT_TRUE(Is(InputSystem::kJoystickButton0, 1, 1, 0));
  EXPECT_EQ(input_.GetJoystickPov(0), 27000);

  // Unplugged: everything it held is let go and the slot is free again.
  pad.Detach();
  Step();
  EXPECT_FALSE(input_.HasJoystick());
  EXPECT_TRUE(Is(InputSystem::kJoystickButton0, 0, 0, 1));
  EXPECT_TRUE(Is(InputSystem::kStickUp, 0, 0, 1));
  EXPECT_EQ(input_.GetJoystickPov(0), -1);
  ASSERT_TRUE(pad.Attach());
  Step();
  EXPECT_TRUE(input_.HasJoystick());
}

TEST(InputSystemKeyNames, EveryIndexHasItsName) {
  EXPECT_STREQ(InputSystem::GetKeyName(0x00), "0x00");
  EXPECT_STREQ(InputSystem::GetKeyName(0x54), "0x54");
  EXPECT_STREQ(InputSystem::GetKeyName(0x5A), "0x5A");
  EXPECT_STREQ(InputSystem::GetKeyName(0x01), "Esc");
  EXPECT_STREQ(InputSystem::GetKeyName(0x0B), "0");
  EXPECT_STREQ(InputSystem::GetKeyName(DIK_UP), "Up");
  EXPECT_STREQ(InputSystem::GetKeyName(DIK_RCONTROL), "Ctrl R");
  EXPECT_STREQ(InputSystem::GetKeyName(0xEE), "Mouse L");
  EXPECT_STREQ(InputSystem::GetKeyName(0xF5), "Mouse E5");
  EXPECT_STREQ(InputSystem::GetKeyName(0xF6), "Joy 1");
  EXPECT_STREQ(InputSystem::GetKeyName(0x115), "Joy 32");
  EXPECT_STREQ(InputSystem::GetKeyName(0x119), "Joy Right");
  // Every key a keyboard can send has a name of its own.
  for (int s = 0; s < SDL_NUM_SCANCODES; ++s) {
    if (const int dik = dinput8::DikFromScancode(s)) {
      EXPECT_NE(std::strncmp(InputSystem::GetKeyName(dik), "0x", 2), 0) << s;
    }
  }
}

}  // namespace
