#include "physics/PhysicsWorld.h"

void PhysicsWorld::removeRigidBody(btRigidBody* body) {
  DropPredictiveContacts(body);
  btDiscreteDynamicsWorld::removeRigidBody(body);
}

void PhysicsWorld::removeCollisionObject(btCollisionObject* object) {
  // Rigid bodies come back through removeRigidBody; dropping twice is harmless.
  DropPredictiveContacts(object);
  btDiscreteDynamicsWorld::removeCollisionObject(object);
}

void PhysicsWorld::DropPredictiveContacts(const btCollisionObject* object) {
  for (int i = m_predictiveManifolds.size() - 1; i >= 0; --i) {
    btPersistentManifold* manifold = m_predictiveManifolds[i];
    if (manifold->getBody0() != object && manifold->getBody1() != object) continue;
    m_dispatcher1->releaseManifold(manifold);
    m_predictiveManifolds.removeAtIndex(i);
  }
}
