#include "app/PlayerControl.h"

#include <algorithm>

#include "character/CommandBits.h"

namespace {
constexpr float kTurnStep = 0.05235988f;  // 3 degrees
constexpr float kTurnSmoothing = 0.2f;
}  // namespace

std::uint32_t PlayerCommandWord(const PlayerKeys& keys) {
  std::uint32_t command = 0;
  if (keys.upHeld) command |= CommandBits::kForward;
  if (keys.downHeld) command |= CommandBits::kBackward;
  if (keys.shiftHeld) command |= CommandBits::kSprint;
  if (keys.controlHeld) command |= CommandBits::kCrouch;
  if (keys.spacePressed) command |= CommandBits::kJump;
  if (keys.zPressed) command |= CommandBits::kKick;
  if (keys.xPressed) command |= CommandBits::kAttackV;
  if (keys.cPressed) command |= CommandBits::kAttackH;
  if (keys.vPressed) command |= CommandBits::kThrow;
  if (keys.f5Pressed) command |= CommandBits::kSelfDamage;
  return command;
}

float PlayerTurnTarget(bool leftHeld, bool rightHeld, float stick) {
  if (rightHeld) return kTurnStep;
  if (leftHeld) return -kTurnStep;
  return std::clamp(stick, -1.0f, 1.0f) * kTurnStep;
}

float SmoothPlayerTurn(float turn, float target) { return turn + (target - turn) * kTurnSmoothing; }

int SelectPlayer(int playerIndex, int count, bool f1Pressed, bool f2Pressed) {
  if (count <= 0) return -1;
  if (playerIndex < 0 || playerIndex >= count) return 0;
  if (f1Pressed) return (playerIndex + 1) % count;
  if (f2Pressed) return (playerIndex + count - 1) % count;
  return playerIndex;
}
