// The characters in the game step: who the player is, the player's and the
// opponents' commands, and the ground under the player.

#include <cstdio>

#include "app/AppMain.h"
#include "app/OpponentControl.h"
#include "app/PlayerInput.h"
#include "physics/PhysicsMaterial.h"

void AppMain::AddCharacter(CharacterObj* character) {
  characters_.push_back(character);
  characterManager_.Add(character);
}

void AppMain::ControlCharacters() {
  // F1 and F2 move the player through the list; with none, the first one.
  int playerIndex = -1;
  for (std::size_t i = 0; i < characters_.size(); ++i) {
    if (characters_[i] == player_) playerIndex = static_cast<int>(i);
  }
  playerIndex = SelectPlayer(playerIndex, static_cast<int>(characters_.size()),
                             IsKeyPressed(VK_F1) || pad_.IsPressed(PadControl::kNextFighter),
                             IsKeyPressed(VK_F2) || pad_.IsPressed(PadControl::kPreviousFighter));
  player_ = playerIndex < 0 ? nullptr : characters_[static_cast<std::size_t>(playerIndex)];

  if (player_ != nullptr) {
    const float target =
        PlayerTurnTarget(input_.IsHeld(DIK_LEFT), input_.IsHeld(DIK_RIGHT), PadControl::StickTurn(input_));
    player_->turnRate = SmoothPlayerTurn(player_->turnRate, target);
    player_->commands = playerCommand_;
  }
  if (IsNpcAction()) {
    for (CharacterObj* character : characters_) {
      if (character != player_) ApplyOpponentRandomAction(&character->commands, &character->turnRate);
    }
  }

}

void AppMain::UpdateLandText() {
  if (player_ != nullptr) {
    const PhysicsMaterial* ground = GetPhysicsMaterial(player_->groundMaterial);
    std::snprintf(landText_, sizeof(landText_), "Land:%s", ground != nullptr ? ground->name : "");
  }
}
