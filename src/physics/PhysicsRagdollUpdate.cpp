// The ragdoll's frame: bones from bodies, the settle test, damping and hits.

#include "btBulletDynamicsCommon.h"
#include "physics/PhysicsManager.h"
#include "physics/PhysicsMath.h"
#include "physics/PhysicsRagdoll.h"

namespace {

bool IsAsleep(const btRigidBody* body) {
  const int state = body->getActivationState();
  return state == ISLAND_SLEEPING || state == DISABLE_SIMULATION;
}

}  // namespace

void PhysicsRagdoll::Update() {
  if (!created_) return;
  static const int kPartNodes[kPartCount] = {kNeck,      kChest,     kRoot,    kLeftShoulder, kRightShoulder, kLeftElbow,
                                             kRightElbow, kLeftHip,  kRightHip, kLeftKnee,    kRightKnee};
  settled_ = true;
  for (int index = 0; index < kPartCount; ++index) {
    const Part& part = parts_[index];
    if (IsAsleep(part.body)) continue;
    parameters_.nodes[kPartNodes[index]]->world = part.nodeOffset * ToD3dMatrix(part.body->getWorldTransform());
    settled_ = false;
  }
  // Hands and feet have no body of their own.
  for (int slot : {kLeftHand, kRightHand, kLeftFoot, kRightFoot}) {
    SkinMeshEntity::Node* node = parameters_.nodes[slot];
    if (node->parent != nullptr) node->world = node->local * node->parent->world;
  }
  if (settled_) return;

  const D3DXVECTOR3 chest = NodePosition(kChest);
  const D3DXVECTOR3 root = NodePosition(kRoot);
  const D3DXVECTOR3 chestMoved = chest - lastChest_;
  const D3DXVECTOR3 rootMoved = root - lastRoot_;
  const float movement = (D3DXVec3Length(&chestMoved) + D3DXVec3Length(&rootMoved)) * 0.5f;
  lastChest_ = chest;
  lastRoot_ = root;
  if (movement >= settleThreshold_) {
    stillFrames_ = 0;
    return;
  }
  if (++stillFrames_ > settleFrameLimit_) {
    // Without the active tag Bullet's island pass lets the bodies sleep,
    // unless one still moves faster than its sleeping thresholds.
    for (Part& part : parts_) part.body->setActivationState(0);
    settled_ = true;
    stillFrames_ = 0;
  }
}

void PhysicsRagdoll::SetDamping(float linearFactor, float angularFactor) {
  if (!created_) return;
  const float linear = linearFactor * parameters_.dampingScale;
  const float angular = angularFactor * parameters_.dampingScale;
  for (Part& part : parts_) part.body->setDamping(linear, angular);
  parts_[0].body->setDamping(linear * 1.2f, angular * 1.5f);
}

void PhysicsRagdoll::ApplyImpulse(const D3DXVECTOR3& point, const D3DXVECTOR3& impulse) {
  if (!created_) return;
  static const float kShares[3] = {0.46f, 0.32f, 0.22f};
  // The three nearest part origins; a tie goes to the lower part.
  int nearest[3] = {-1, -1, -1};
  float distance[3] = {0.0f, 0.0f, 0.0f};
  for (int index = 0; index < kPartCount; ++index) {
    const D3DXVECTOR3 offset = ToD3dVector3(parts_[index].body->getWorldTransform().getOrigin()) - point;
    const float d = D3DXVec3Length(&offset);
    for (int rank = 0; rank < 3; ++rank) {
      if (nearest[rank] >= 0 && d >= distance[rank]) continue;
      for (int later = 2; later > rank; --later) {
        nearest[later] = nearest[later - 1];
        distance[later] = distance[later - 1];
      }
      nearest[rank] = index;
      distance[rank] = d;
      break;
    }
  }
  for (int rank = 0; rank < 3; ++rank) {
    btRigidBody* body = parts_[nearest[rank]].body;
    body->activate();
    body->applyImpulse(ToBtVector3(impulse * kShares[rank]), ToBtVector3(point) - body->getWorldTransform().getOrigin());
  }
  settled_ = false;
}
