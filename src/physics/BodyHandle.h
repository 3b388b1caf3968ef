#pragma once
// The record of one body in the world. Every body carries its handle as its
// Bullet user pointer, so a body found by a ray or a contact leads to its
// source (what kind of thing it is) and to its owner.

#include "BulletCollision/CollisionDispatch/btCollisionObject.h"

class PeBodySource;
class btRigidBody;

struct BodyHandle {
  PeBodySource* source = nullptr;  // not owned
  btRigidBody* body = nullptr;     // deleted by PhysicsManager::RemoveBody
  void* user = nullptr;            // the owner's back pointer, set after AddBody
};

// The handle of a body added with PhysicsManager::AddBody, or null.
inline BodyHandle* GetBodyHandle(const btCollisionObject* object) {
  return object != nullptr ? static_cast<BodyHandle*>(object->getUserPointer()) : nullptr;
}
