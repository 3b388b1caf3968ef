#pragma once
// What the character manager and the application hold of a fighter: its
// owner, its renderer and its per-frame operations.

#include "platform/d3dx9/D3dxMath.h"

class AdvancedRenderSystem;
class CharacterManager;

class CharacterBase {
 public:
  virtual ~CharacterBase() = default;
  // Frees what the character's initialisation built.
  virtual void Release() = 0;
  // One frame of behaviour.
  virtual void Update() = 0;
  virtual void Draw() = 0;
  // The capsule's position, and the position the skeleton is drawn at.
  virtual D3DXVECTOR3* GetPosition() = 0;
  virtual D3DXVECTOR3* GetDrawPosition() = 0;

  CharacterManager* owner = nullptr;        // null while in no manager
  AdvancedRenderSystem* renderer = nullptr;  // what it draws with
};
