#include "app/PlayerControl.h"

#include <gtest/gtest.h>

#include "app/PadControl.h"
#include "character/CommandBits.h"

namespace {

TEST(PlayerControlTest, EachKeySetsItsOwnBit) {
  struct Case {
    bool PlayerKeys::*key;
    std::uint32_t bit;
  };
  const Case cases[] = {
      {&PlayerKeys::upHeld, 0x1},       {&PlayerKeys::downHeld, 0x2}, {&PlayerKeys::shiftHeld, 0x10},
      {&PlayerKeys::controlHeld, 0x8},  {&PlayerKeys::spacePressed, 0x4}, {&PlayerKeys::zPressed, 0x100},
      {&PlayerKeys::xPressed, 0x200},   {&PlayerKeys::cPressed, 0x400}, {&PlayerKeys::vPressed, 0x800},
      {&PlayerKeys::f5Pressed, 0x8000},
  };
  std::uint32_t all = 0;
  for (const Case& c : cases) {
    PlayerKeys keys;
    keys.*c.key = true;
    EXPECT_EQ(PlayerCommandWord(keys), c.bit);
    all |= c.bit;
  }
  PlayerKeys none;
  EXPECT_EQ(PlayerCommandWord(none), 0u);
  PlayerKeys every;
  for (const Case& c : cases) every.*c.key = true;
  EXPECT_EQ(PlayerCommandWord(every), all);
}

TEST(PlayerControlTest, TurnTargetIsThreeDegreesAndRightWins) {
  EXPECT_FLOAT_EQ(PlayerTurnTarget(false, false), 0.0f);
  EXPECT_FLOAT_EQ(PlayerTurnTarget(true, false), -0.05235988f);
  EXPECT_FLOAT_EQ(PlayerTurnTarget(false, true), 0.05235988f);
  EXPECT_FLOAT_EQ(PlayerTurnTarget(true, true), 0.05235988f);
  // A pad's stick turns at its share of the same rate; keys win over it.
  EXPECT_FLOAT_EQ(PlayerTurnTarget(false, false, -0.5f), -0.02617994f);
  EXPECT_FLOAT_EQ(PlayerTurnTarget(false, false, 3.0f), 0.05235988f);
  EXPECT_FLOAT_EQ(PlayerTurnTarget(true, false, 1.0f), -0.05235988f);
}

TEST(PlayerControlTest, PadSticksIgnoreTheirDeadZoneAndSaturateNearFullTravel) {
  EXPECT_EQ(PadControl::BeyondDeadZone(0.25f, 0.25f), 0.0f);
  EXPECT_EQ(PadControl::BeyondDeadZone(-0.1f, 0.25f), 0.0f);
  EXPECT_FLOAT_EQ(PadControl::BeyondDeadZone(0.6f, 0.25f), 0.5f);
  EXPECT_FLOAT_EQ(PadControl::BeyondDeadZone(-0.6f, 0.25f), -0.5f);
  EXPECT_EQ(PadControl::BeyondDeadZone(0.97f, 0.25f), 1.0f);
}

TEST(PlayerControlTest, TurnMovesAFifthOfTheWayEachStep) {
  float turn = 0.0f;
  turn = SmoothPlayerTurn(turn, 1.0f);
  EXPECT_FLOAT_EQ(turn, 0.2f);
  turn = SmoothPlayerTurn(turn, 1.0f);
  EXPECT_FLOAT_EQ(turn, 0.36f);
  for (int i = 0; i < 100; ++i) turn = SmoothPlayerTurn(turn, -0.5f);
  EXPECT_NEAR(turn, -0.5f, 1e-6f);
}

TEST(PlayerControlTest, F1AndF2CycleThroughTheCharacters) {
  int player = 0;
  int seen[4];
  for (int& index : seen) {
    index = player;
    player = SelectPlayer(player, 3, true, false);
  }
  EXPECT_EQ(seen[1], 1);
  EXPECT_EQ(seen[2], 2);
  EXPECT_EQ(seen[3], 0);
  EXPECT_EQ(SelectPlayer(0, 3, false, true), 2);
  EXPECT_EQ(SelectPlayer(2, 3, false, true), 1);
  EXPECT_EQ(SelectPlayer(1, 3, true, true), 2);  // F1 wins
  EXPECT_EQ(SelectPlayer(1, 3, false, false), 1);
}

TEST(PlayerControlTest, WithoutAPlayerTheFirstCharacterTakesOverIfThereIsOne) {
  EXPECT_EQ(SelectPlayer(-1, 0, true, false), -1);
  EXPECT_EQ(SelectPlayer(-1, 0, false, false), -1);
  EXPECT_EQ(SelectPlayer(-1, 4, false, false), 0);
  EXPECT_EQ(SelectPlayer(-1, 4, true, false), 0);
  EXPECT_EQ(SelectPlayer(7, 4, false, false), 0);  // a stale index is no player
}

}  // namespace
