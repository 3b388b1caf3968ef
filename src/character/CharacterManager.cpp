// CharacterManager: the ordered list and the way out to the application.

#include "character/CharacterManager.h"

#include <algorithm>

#include "effects/DebugDrawSystem.h"

namespace {
// The probe marks stay a second, then fade for half a second.
constexpr int kMarkHoldFrames = 60;
constexpr int kMarkFadeFrames = 30;
}  // namespace

void CharacterManager::Add(CharacterBase* character) {
  if (character == nullptr) return;
  characters.push_back(character);
  character->owner = this;
}

void CharacterManager::Remove(int index) {
  if (index < 0 || index >= GetCount()) return;
  characters[static_cast<std::size_t>(index)]->owner = nullptr;
  characters.erase(characters.begin() + index);
}

int CharacterManager::Find(const CharacterBase* character) const {
  const auto found = std::find(characters.begin(), characters.end(), character);
  return found == characters.end() ? -1 : static_cast<int>(found - characters.begin());
}

// Index loops: an update may not add or remove characters, but the list
// must not be walked through iterators a callback could invalidate.
void CharacterManager::UpdateAll() {
  for (std::size_t i = 0; i < characters.size(); ++i) characters[i]->Update();
}

void CharacterManager::DrawAll() {
  for (std::size_t i = 0; i < characters.size(); ++i) characters[i]->Draw();
}

bool CharacterManager::KickProbe(const D3DXVECTOR3& point, const D3DXVECTOR3& previous, CharacterBase* attacker) {
  if (debugDraw != nullptr) debugDraw->AddLine(previous, point, 0xFFFFFF00u, kMarkHoldFrames, kMarkFadeFrames);
  return callback != nullptr && callback->StrikeRay(point, previous, attacker);
}

void CharacterManager::WeaponProbe(const D3DXVECTOR3& tip, const D3DXVECTOR3& previous, CharacterBase* attacker) {
  if (debugDraw != nullptr) debugDraw->AddLine(previous, tip, 0xFF00FFFFu, kMarkHoldFrames, kMarkFadeFrames);
  if (callback != nullptr) callback->SweepRay(tip, previous, attacker);
}

void CharacterManager::Throw(const D3DXMATRIX& hand, const D3DXVECTOR3& velocity, CharacterBase* thrower) {
  if (debugDraw != nullptr) {
    // The hand, sized by the throw's speed, and the direction of the throw.
    const D3DXVECTOR3 handPosition(hand._41, hand._42, hand._43);
    debugDraw->AddSphere(handPosition, D3DXVec3Length(&velocity) * 0.5f, 12, 0xFFFFFFFFu, kMarkHoldFrames,
                         kMarkFadeFrames);
    debugDraw->AddLine(handPosition, handPosition + velocity * 2.0f, 0xFF00FF00u, kMarkHoldFrames, kMarkFadeFrames);
  }
  if (callback != nullptr) callback->ThrowObject(hand, velocity, thrower);
}
