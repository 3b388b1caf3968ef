// The characters in the application's game step: the scene's first fighter
// is the player, F1 and F2 walk the list, the player's keys reach it and the
// opponents act at random until "NPC Action" is switched off.

#include <gtest/gtest.h>

#include <vector>

#include "app/AppFixture.h"
#include "character/CommandBits.h"

namespace {

class AppMainCharactersTest : public AppTest {};

TEST_F(AppMainCharactersTest, ThePlayerTakesTheKeysAndTheOthersActAtRandom) {
  TestApp app;
  app.maxFrames = 40;
  std::vector<int> playerIndex;
  std::vector<std::uint32_t> playerCommands;
  std::vector<float> opponentTurns;
  app.afterFrame = [&](TestApp& self) {
    const auto& characters = self.GetCharacters();
    int index = -1;
    for (std::size_t i = 0; i < characters.size(); ++i) {
      if (characters[i] == self.GetPlayer()) index = static_cast<int>(i);
    }
    playerIndex.push_back(index);
    playerCommands.push_back(self.GetPlayer()->commands);
    opponentTurns.push_back(characters[5]->turnRate);
    if (self.frames == 24) self.SetNpcAction(false);
  };
  app.script.KeyDown(4, VK_UP);
  app.script.KeyUp(8, VK_UP);
  app.script.KeyTap(10, VK_F1);
  app.script.KeyTap(12, VK_F1);
  app.script.KeyTap(14, VK_F2);
  app.script.KeyTap(16, VK_F2);
  app.script.KeyTap(18, VK_F2);
  ASSERT_TRUE(app.Run(nullptr, 60.0f));

  ASSERT_EQ(playerIndex.size(), 40u);
  EXPECT_EQ(playerIndex[9], 0);  // the scene makes its first fighter the player
  EXPECT_EQ(playerIndex[10], 1);
  EXPECT_EQ(playerIndex[12], 2);
  EXPECT_EQ(playerIndex[14], 1);
  EXPECT_EQ(playerIndex[16], 0);
  EXPECT_EQ(playerIndex[18], 19);  // backwards past the first: the last of twenty
  EXPECT_EQ(playerCommands[2], 0u);
  EXPECT_EQ(playerCommands[5] & CommandBits::kForward, CommandBits::kForward);  // Up held
  EXPECT_EQ(playerCommands[9] & CommandBits::kForward, 0u);
  // The opponents' turn walks at random while "NPC Action" is on, and stands
  // still once it is off.
  bool turned = false;
  for (int i = 0; i < 24; ++i) turned = turned || opponentTurns[static_cast<std::size_t>(i)] != opponentTurns[0];
  EXPECT_TRUE(turned);
  for (int i = 26; i < 40; ++i) EXPECT_EQ(opponentTurns[static_cast<std::size_t>(i)], opponentTurns[25]);
}

}  // namespace
