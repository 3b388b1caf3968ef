#pragma once
// The first game controller as a second way to play. It is read in the
// same two ways as the keyboard:
// - the fighter's controls come from the input system's buffered joystick
//   entries, once per game step (AddPlayerControls, StickTurn);
// - the application's buttons (menu, pause, fighter selection), the camera
//   and the zoom come from the pad's immediate state, once per frame
//   (ReadFrame), so that they go on working while the game is paused.
// Without a pad every query reads as idle and nothing changes.

#include <cstdint>

#include "app/PlayerControl.h"
#include "input/InputSystem.h"

class MenuObj;

class PadControl {
 public:
  // DirectInput's button numbers of a game controller.
  enum Button {
    kButtonA = 0,
    kButtonB = 1,
    kButtonX = 2,
    kButtonY = 3,
    kLeftShoulder = 4,
    kRightShoulder = 5,
    kBack = 6,
    kStart = 7,
    kLeftStick = 8,
    kRightStick = 9,
  };
  // What the pad's frame buttons mean to the application.
  enum Action { kNextFighter, kPreviousFighter, kMenu, kPause, kMenuUp, kMenuDown, kMenuClick, kActionCount };

  // Stick deflections inside these fractions of full travel count as
  // centred, so a worn stick never drifts; beyond kStickFull counts as full.
  static constexpr float kTurnDeadZone = 0.25f;
  static constexpr float kCameraDeadZone = 0.2f;
  static constexpr float kTriggerDeadZone = 0.1f;
  static constexpr float kStickFull = 0.95f;

  // Once per frame, before anything below is asked.
  void ReadFrame(InputSystem& input);
  // The action's button went down since the previous frame.
  bool IsPressed(Action action) const { return pressed_[action]; }
  // The right stick as a mouse drag would turn the follow camera: pixels
  // this frame (0 when centred).
  float GetCameraX() const { return cameraX_; }
  float GetCameraY() const { return cameraY_; }
  // The triggers as the wheel would zoom: notches this frame, positive
  // (right trigger) closer, negative (left trigger) farther.
  float GetZoom() const { return zoom_; }

  // Once per game step: the pad's share of the fighter's keys. Sprint is a
  // click of the left stick while running forwards and lasts until the
  // stick lets go of forwards (or while the click is held). While the menu
  // is shown, A works the menu instead of jumping.
  void AddPlayerControls(const InputSystem& input, bool menuShown, PlayerKeys* keys);
  // The left stick's turn, -1 to +1, for PlayerTurnTarget.
  static float StickTurn(const InputSystem& input);

  // Start shows the menu slid open (or hides it), with its first item
  // chosen for the pad.
  void ShowMenu(MenuObj& menu, bool shown);
  // While the menu is shown: the D-pad moves through its items, A clicks
  // the chosen one, which is drawn as if the mouse were over it.
  void WorkMenu(MenuObj& menu);

  // Past the dead zone, rescaled to 0..1 of the remaining travel, signed.
  static float BeyondDeadZone(float value, float deadZone);

 private:
  bool frameButtons_[2][kActionCount] = {};
  int current_ = 0;
  bool pressed_[kActionCount] = {};
  float cameraX_ = 0.0f;
  float cameraY_ = 0.0f;
  float zoom_ = 0.0f;
  bool sprintLatched_ = false;
  int menuItem_ = 0;
  bool padInMenu_ = false;  // the pad opened or worked the menu: its choice is drawn
};
