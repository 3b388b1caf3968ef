#pragma once
// Bullet's discrete world with one repair: removing a body also drops the
// predictive contacts that involve it.
//
// A body with continuous collision (a thrown prop) leaves "predictive"
// manifolds in the dispatcher after each step; Bullet releases them only at
// the start of the next step, and removing a body does not touch them. The
// game removes and re-adds bodies between steps (a character crouching
// swaps its capsule, a dead one becomes a ragdoll), and the impact report
// reads every manifold of the last step, so such a manifold would name a
// freed body.

#include "btBulletDynamicsCommon.h"

class PhysicsWorld : public btDiscreteDynamicsWorld {
 public:
  using btDiscreteDynamicsWorld::btDiscreteDynamicsWorld;

  void removeRigidBody(btRigidBody* body) override;
  void removeCollisionObject(btCollisionObject* object) override;

 private:
  void DropPredictiveContacts(const btCollisionObject* object);
};
