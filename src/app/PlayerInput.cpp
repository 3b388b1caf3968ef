#include "app/PlayerInput.h"

PlayerKeys ReadPlayerKeys(const InputSystem& input) {
  PlayerKeys keys;
  keys.upHeld = input.IsHeld(DIK_UP);
  keys.downHeld = input.IsHeld(DIK_DOWN);
  keys.shiftHeld = input.IsHeld(DIK_LSHIFT) || input.IsHeld(DIK_RSHIFT);
  keys.controlHeld = input.IsHeld(DIK_LCONTROL) || input.IsHeld(DIK_RCONTROL);
  keys.spacePressed = input.IsPressed(DIK_SPACE);
  keys.zPressed = input.IsPressed(DIK_Z);
  keys.xPressed = input.IsPressed(DIK_X);
  keys.cPressed = input.IsPressed(DIK_C);
  keys.vPressed = input.IsPressed(DIK_V);
  keys.f5Pressed = input.IsPressed(DIK_F5);
  return keys;
}
