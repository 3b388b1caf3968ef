// The characters in the application's game step: the first character
// becomes the player, F1 moves on, the player's keys reach it and the
// opponents act at random.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/AppMain.h"
#include "character/CommandBits.h"
#include "support/HeadlessFixture.h"
#include "support/ScriptedApp.h"

namespace {

using TestApp = ScriptedApp<AppMain>;

class AppMainCharactersTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    AppMain::SetPaused(false);
  }
};

TEST_F(AppMainCharactersTest, ThePlayerTakesTheKeysAndTheOthersActAtRandom) {
  TestApp app;
  app.maxFrames = 16;
  const std::string data = APP_TEST_DATA_DIR;
  SkinData* body = nullptr;
  std::vector<CharacterObj*> fighters;
  std::vector<CharacterObj*> players;
  std::vector<std::uint32_t> playerCommands;
  std::vector<float> opponentTurns;
  app.afterFrame = [&](TestApp& self) {
    self.GetPhysics().FinishStep();  // the fighters touch the world only between steps
    if (self.frames == 0) {
      ASSERT_TRUE(self.GetRenderer().LoadSkinMesh(&body, nullptr, (data + "/char/body.x").c_str(),
                                                  (data + "/char/body.bone").c_str(),
                                                  (data + "/char/body.pose").c_str()));
      CharacterMeshSet meshes;
      meshes.body = body;
      for (int i = 0; i < 3; ++i) {
        auto* fighter = new CharacterObj();
        ASSERT_TRUE(fighter->Init(meshes, &self.GetRenderer(), nullptr, 3.0f,
                                  D3DXVECTOR3(30.0f * static_cast<float>(i), 0.0f, 0.0f), 0.0f));
        self.AddCharacter(fighter);
        fighters.push_back(fighter);
      }
      return;
    }
    players.push_back(self.GetPlayer());
    playerCommands.push_back(self.GetPlayer()->commands);
    opponentTurns.push_back(fighters[2]->turnRate);
    if (self.frames == self.maxFrames - 1) {
      for (CharacterObj* fighter : fighters) {
        self.GetCharacterManager().Remove(self.GetCharacterManager().Find(fighter));
        fighter->Release();
        delete fighter;
      }
      self.GetRenderer().GetMeshPool().Release(body);
    }
  };
  app.script.KeyDown(4, VK_UP);
  app.script.KeyUp(8, VK_UP);
  app.script.KeyTap(10, VK_F1);
  ASSERT_TRUE(app.Run(nullptr, 60.0f));

  ASSERT_EQ(players.size(), 15u);
  EXPECT_EQ(players[0], fighters[0]);  // nobody was the player: the first one is
  EXPECT_EQ(players[8], fighters[0]);
  EXPECT_EQ(players[9], fighters[1]);  // F1 in frame 10
  EXPECT_EQ(playerCommands[2], 0u);
  EXPECT_EQ(playerCommands[4] & CommandBits::kForward, CommandBits::kForward);  // Up held
  EXPECT_EQ(playerCommands[12] & CommandBits::kForward, 0u);
  // "NPC Action" starts on: an opponent's turn rate walks at random.
  bool turned = false;
  for (float turn : opponentTurns) turned = turned || turn != 0.0f;
  EXPECT_TRUE(turned);
}

}  // namespace
