#pragma once
// The characters of the scene in one ordered list: their update and drawing,
// and their only way out to the rest of the game — strikes, swings, throws
// and landings pass through the manager to the application's callback.

#include <cstdint>
#include <vector>

#include "character/CharacterBase.h"
#include "platform/d3dx9/D3dxMath.h"

class DebugDrawSystem;

class CharacterManager {
 public:
  // Implemented by the application: what a character's action does to the
  // world.
  class CallbackObj {
   public:
    virtual ~CallbackObj() = default;
    // A kick's probe segment; true when the strike connected.
    virtual bool StrikeRay(const D3DXVECTOR3& point, const D3DXVECTOR3& previous, CharacterBase* attacker) = 0;
    // A weapon tip's path since the last frame.
    virtual void SweepRay(const D3DXVECTOR3& tip, const D3DXVECTOR3& previous, CharacterBase* attacker) = 0;
    // The throwable leaves the hand with the velocity.
    virtual void ThrowObject(const D3DXMATRIX& hand, const D3DXVECTOR3& velocity, CharacterBase* thrower) = 0;
    // A landing of the given strength.
    virtual void PlayHitSound(const D3DXVECTOR3& position, float strength) = 0;
  };

  CharacterManager() = default;
  // Frees the list; the characters belong to the application.
  virtual ~CharacterManager() = default;
  CharacterManager(const CharacterManager&) = delete;
  CharacterManager& operator=(const CharacterManager&) = delete;

  // Appends the character and makes the manager its owner.
  void Add(CharacterBase* character);
  // Clears the owner of the character at index and erases it; the others
  // keep their order.
  void Remove(int index);
  // The index of the character, or -1.
  int Find(const CharacterBase* character) const;
  void UpdateAll();
  void DrawAll();

  bool KickProbe(const D3DXVECTOR3& point, const D3DXVECTOR3& previous, CharacterBase* attacker);
  void WeaponProbe(const D3DXVECTOR3& tip, const D3DXVECTOR3& previous, CharacterBase* attacker);
  void Throw(const D3DXMATRIX& hand, const D3DXVECTOR3& velocity, CharacterBase* thrower);

  int GetCount() const { return static_cast<int>(characters.size()); }
  CharacterBase* Get(int index) const { return characters[static_cast<std::size_t>(index)]; }

  DebugDrawSystem* debugDraw = nullptr;  // the probe marks' target; null while debug drawing is off
  CallbackObj* callback = nullptr;       // null: no reactions
  std::vector<CharacterBase*> characters;
};
