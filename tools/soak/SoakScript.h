#pragma once
// What the soak's player does: a 20-second round of running, turning,
// kicking, swinging, throwing, jumping and crouching, repeated for the
// whole run; and in the first minute of every two-minute cycle, fighters
// spawned (T) and props thrown from the camera (Q, W, E, R). The cycle
// ends with a "Reset", so each cycle starts from the scene's own
// population and reaches its peak by its first minute.

#include "platform/host/ScriptedInput.h"

class SoakScript {
 public:
  static constexpr int kRoundFrames = 20 * 60;
  static constexpr int kCycleFrames = 2 * 60 * 60;

  SoakScript();
  // Delivers the events of a frame (see host::ScriptedInput::Deliver).
  void Deliver(int frame);
  // Whether the menu's "Reset" is clicked after this frame.
  static bool ResetsAfter(int frame) { return frame % kCycleFrames == kCycleFrames - 1; }

 private:
  // Both repeat: their events use frame numbers within one period, so that
  // delivering a frame looks at one period's events only.
  host::ScriptedInput round_;
  host::ScriptedInput cycle_;
};
