#include "app/OpponentControl.h"

#include <algorithm>

#include "character/CommandBits.h"
#include "platform/win32/CrtRandom.h"

namespace {

constexpr float kTurnWalk = 0.008726646f;  // a step within +-0.25 degrees
constexpr float kTurnLimit = 0.06981317f;  // +-4 degrees

// True with probability 1/k.
bool OneIn(int k) { return crt::rand() % k == 0; }

float UniformRandom() { return static_cast<float>(crt::rand()) / 32767.0f; }

}  // namespace

void ApplyOpponentRandomAction(std::uint32_t* command, float* turn) {
  *turn += UniformRandom() * kTurnWalk - kTurnWalk * 0.5f;
  *turn = std::clamp(*turn, -kTurnLimit, kTurnLimit);
  if (OneIn(30)) *turn *= 0.8f;

  if (OneIn(180)) *command |= CommandBits::kForward;
  if (OneIn(120)) *command &= ~CommandBits::kForward;
  if (OneIn(300)) *command |= CommandBits::kCrouch;
  if (OneIn(180)) *command &= ~CommandBits::kCrouch;

  *command &= ~CommandBits::kSingleActions;
  if (OneIn(360)) *command |= CommandBits::kJump;
  if (OneIn(480)) *command |= CommandBits::kKick;
  if (OneIn(300)) *command |= CommandBits::kAttackV;
  if (OneIn(300)) *command |= CommandBits::kAttackH;
  if (OneIn(600)) *command |= CommandBits::kThrow;
}
