#include "app/OpponentControl.h"

#include <gtest/gtest.h>

#include "character/CommandBits.h"
#include "platform/win32/CrtRandom.h"

namespace {

TEST(OpponentControlTest, EveryDecisionDrawsItsOwnRandomNumber) {
  crt::srand(77);
  std::uint32_t command = 0;
  float turn = 0.0f;
  ApplyOpponentRandomAction(&command, &turn);
  const int next = crt::rand();
  crt::srand(77);
  for (int i = 0; i < 11; ++i) crt::rand();
  EXPECT_EQ(crt::rand(), next);
}

TEST(OpponentControlTest, TheTurnWalksWithinFourDegrees) {
  crt::srand(3);
  std::uint32_t command = 0;
  float turn = 0.069f;
  float lowest = 1.0f;
  float highest = -1.0f;
  for (int i = 0; i < 20000; ++i) {
    const float before = turn;
    ApplyOpponentRandomAction(&command, &turn);
    EXPECT_LE(std::abs(turn), 0.06981317f);
    // One step moves it at most a quarter degree (or shrinks it by a fifth).
    EXPECT_TRUE(std::abs(turn - before) <= 0.0043634f || std::abs(turn) <= std::abs(before) * 0.8f + 0.0035f);
    lowest = std::min(lowest, turn);
    highest = std::max(highest, turn);
  }
  EXPECT_LT(lowest, -0.02f);
  EXPECT_GT(highest, 0.02f);
}

TEST(OpponentControlTest, SingleActionsLastOneStepWhileForwardAndCrouchPersist) {
  crt::srand(11);
  std::uint32_t command = CommandBits::kSingleActions | CommandBits::kForward | CommandBits::kCrouch;
  float turn = 0.0f;
  int forwardSteps = 0;
  int jumps = 0;
  int kicks = 0;
  int throws = 0;
  constexpr int kSteps = 360000;
  for (int i = 0; i < kSteps; ++i) {
    ApplyOpponentRandomAction(&command, &turn);
    if (command & CommandBits::kForward) ++forwardSteps;
    if (command & CommandBits::kJump) ++jumps;
    if (command & CommandBits::kKick) ++kicks;
    if (command & CommandBits::kThrow) ++throws;
    EXPECT_EQ(command & ~(CommandBits::kSingleActions | CommandBits::kForward | CommandBits::kCrouch), 0u);
  }
  // Probabilities 1/360, 1/480 and 1/600 per step.
  EXPECT_NEAR(jumps, kSteps / 360, kSteps / 360 / 5);
  EXPECT_NEAR(kicks, kSteps / 480, kSteps / 480 / 5);
  EXPECT_NEAR(throws, kSteps / 600, kSteps / 600 / 5);
  // Forward is set at 1/180 and cleared at 1/120: on about 2/5 of the steps.
  EXPECT_NEAR(static_cast<double>(forwardSteps) / kSteps, 0.4, 0.05);
}

}  // namespace
