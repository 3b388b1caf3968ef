#include "app/PadControl.h"

#include <algorithm>
#include <cmath>

#include "gui/MenuObj.h"

namespace {

constexpr float kAxisScale = 0.0001f;  // DirectInput axis units to -1..+1
// Full right-stick deflection turns the camera as a drag of this many
// pixels per frame would; the response is squared for fine aiming.
constexpr float kCameraPixelsPerFrame = 5.0f;
// A fully pulled trigger zooms this many wheel notches per frame.
constexpr float kZoomNotchesPerFrame = 0.05f;

// D-pad directions from the hat's angle in hundredths of a degree;
// diagonals count for both of their directions.
bool HatPoints(DWORD pov, DWORD centre) {
  if ((pov & 0xFFFF) == 0xFFFF) return false;
  const DWORD distance = (pov + 36000 - centre) % 36000;
  return distance <= 4500 || distance >= 31500;
}

bool Down(const DIJOYSTATE& state, int button) { return (state.rgbButtons[button] & 0x80) != 0; }

}  // namespace

float PadControl::BeyondDeadZone(float value, float deadZone) {
  const float magnitude = std::fabs(value);
  if (magnitude <= deadZone) return 0.0f;
  const float share = std::min((magnitude - deadZone) / (kStickFull - deadZone), 1.0f);
  return value < 0.0f ? -share : share;
}

void PadControl::ReadFrame(InputSystem& input) {
  DIJOYSTATE state;
  input.ReadJoystickState(&state);  // all released without a pad
  current_ = 1 - current_;
  bool* now = frameButtons_[current_];
  const bool* before = frameButtons_[1 - current_];
  const DWORD hat = state.rgdwPOV[0];
  now[kNextFighter] = HatPoints(hat, 9000);
  now[kPreviousFighter] = HatPoints(hat, 27000);
  now[kMenuUp] = HatPoints(hat, 0);
  now[kMenuDown] = HatPoints(hat, 18000);
  now[kMenu] = Down(state, kStart);
  now[kPause] = Down(state, kBack);
  now[kMenuClick] = Down(state, kButtonA);
  for (int a = 0; a < kActionCount; ++a) pressed_[a] = now[a] && !before[a];

  const float x = BeyondDeadZone(static_cast<float>(state.lRx) * kAxisScale, kCameraDeadZone);
  const float y = BeyondDeadZone(static_cast<float>(state.lRy) * kAxisScale, kCameraDeadZone);
  cameraX_ = x * std::fabs(x) * kCameraPixelsPerFrame;
  cameraY_ = y * std::fabs(y) * kCameraPixelsPerFrame;
  const float closer = BeyondDeadZone(static_cast<float>(state.lRz) * kAxisScale, kTriggerDeadZone);
  const float farther = BeyondDeadZone(static_cast<float>(state.lZ) * kAxisScale, kTriggerDeadZone);
  zoom_ = (closer - farther) * kZoomNotchesPerFrame;
}

void PadControl::AddPlayerControls(const InputSystem& input, bool menuShown, PlayerKeys* keys) {
  auto held = [&input](int button) { return input.IsHeld(InputSystem::kJoystickButton0 + button); };
  auto pressed = [&input](int button) { return input.IsPressed(InputSystem::kJoystickButton0 + button); };
  const bool forward = input.IsHeld(InputSystem::kStickUp);
  if (!forward) {
    sprintLatched_ = false;
  } else if (pressed(kLeftStick)) {
    sprintLatched_ = true;
  }
  keys->upHeld = keys->upHeld || forward;
  keys->downHeld = keys->downHeld || input.IsHeld(InputSystem::kStickDown);
  keys->shiftHeld = keys->shiftHeld || sprintLatched_ || held(kLeftStick);
  keys->controlHeld = keys->controlHeld || held(kLeftShoulder);
  keys->spacePressed = keys->spacePressed || (pressed(kButtonA) && !menuShown);
  keys->zPressed = keys->zPressed || pressed(kButtonX);
  keys->xPressed = keys->xPressed || pressed(kButtonY);
  keys->cPressed = keys->cPressed || pressed(kButtonB);
  keys->vPressed = keys->vPressed || pressed(kRightShoulder);
}

float PadControl::StickTurn(const InputSystem& input) {
  return BeyondDeadZone(input.GetJoystickAxis(0), kTurnDeadZone);
}

void PadControl::ShowMenu(MenuObj& menu, bool shown) {
  menu.SetOpen(shown);
  menuItem_ = 0;
  padInMenu_ = shown;
}

void PadControl::WorkMenu(MenuObj& menu) {
  const int count = menu.GetItemCount();
  if (count <= 0) return;
  if (pressed_[kMenuUp]) menuItem_ = (menuItem_ + count - 1) % count;
  if (pressed_[kMenuDown]) menuItem_ = (menuItem_ + 1) % count;
  menuItem_ = std::clamp(menuItem_, 0, count - 1);
  if (pressed_[kMenuClick]) menu.ClickItem(menuItem_);
  // Drawn as hovered only while the pad is in use, so the mouse alone
  // looks as it always has.
  if (pressed_[kMenuUp] || pressed_[kMenuDown] || pressed_[kMenuClick] || padInMenu_) {
    padInMenu_ = true;
    menu.GetItem(menuItem_)->hover = true;
  }
}
