// Ray queries and the contact reports of the last step.

#include <cstdint>

#include "btBulletDynamicsCommon.h"
#include "physics/PhysicsManager.h"
#include "physics/PhysicsMath.h"

namespace {

// The hit normal in world space; Bullet may give it in the object's frame.
D3DXVECTOR4 WorldNormal(const btCollisionWorld::LocalRayResult& result, bool normalInWorldSpace) {
  const btVector3& n = result.m_hitNormalLocal;
  if (normalInWorldSpace) return D3DXVECTOR4(n.x(), n.y(), n.z(), n.w());
  const btVector3 world = result.m_collisionObject->getWorldTransform().getBasis() * n;
  return D3DXVECTOR4(world.x(), world.y(), world.z(), 0.0f);
}

D3DXVECTOR3 PointAt(const D3DXVECTOR3& start, const D3DXVECTOR3& end, float fraction) {
  return start * (1.0f - fraction) + end * fraction;
}

// The physics material of the surface hit: a map's own per triangle,
// otherwise the source's. Objects that are not ours have none.
int MaterialOf(const btCollisionWorld::LocalRayResult& result) {
  const BodyHandle* handle = GetBodyHandle(result.m_collisionObject);
  if (handle == nullptr || handle->source == nullptr) return kMaterialInvalid;
  const auto* mesh = dynamic_cast<const PeBodySource_TriMesh*>(handle->source);
  if (mesh != nullptr && result.m_localShapeInfo != nullptr) {
    return mesh->GetFaceMaterial(result.m_localShapeInfo->m_triangleIndex);
  }
  return handle->source->material;
}

bool IsResting(const btCollisionObject* object) {
  const int state = object->getActivationState();
  return state == ISLAND_SLEEPING || state == DISABLE_SIMULATION;
}

}  // namespace

namespace PeLocal {

// Stops at the first object found. The ray's own group is not tested
// against the candidate's mask: the mask alone chooses.
struct CallbackRayResultTest : btCollisionWorld::RayResultCallback {
  explicit CallbackRayResultTest(std::uint16_t mask) {
    m_collisionFilterGroup = 1;
    m_collisionFilterMask = mask;
  }
  bool needsCollision(btBroadphaseProxy* proxy) const override {
    if (m_collisionObject != nullptr) return false;
    return (proxy->m_collisionFilterGroup & m_collisionFilterMask) != 0;
  }
  btScalar addSingleResult(btCollisionWorld::LocalRayResult& result, bool) override {
    m_collisionObject = result.m_collisionObject;
    return 0.0f;
  }
};

// Bullet passes only hits nearer than the closest so far, so the last one
// recorded is the nearest.
struct CallbackRayResultClosest : btCollisionWorld::RayResultCallback {
  CallbackRayResultClosest(const D3DXVECTOR3& start, const D3DXVECTOR3& end, std::uint16_t mask)
      : start(start), end(end) {
    m_collisionFilterGroup = 1;
    m_collisionFilterMask = mask;
  }
  bool needsCollision(btBroadphaseProxy* proxy) const override {
    return (proxy->m_collisionFilterGroup & m_collisionFilterMask) != 0;
  }
  btScalar addSingleResult(btCollisionWorld::LocalRayResult& result, bool normalInWorldSpace) override {
    m_closestHitFraction = result.m_hitFraction;
    m_collisionObject = result.m_collisionObject;
    hitNormal = WorldNormal(result, normalInWorldSpace);
    hitPoint = PointAt(start, end, result.m_hitFraction);
    material = MaterialOf(result);
    return result.m_hitFraction;
  }

  D3DXVECTOR3 start;
  D3DXVECTOR3 end;
  D3DXVECTOR3 hitPoint;
  D3DXVECTOR4 hitNormal;
  int material = kMaterialInvalid;
};

// Hands every hit to the receiver; returning 1 keeps the whole ray.
struct CallbackRayResultAll : btCollisionWorld::RayResultCallback {
  CallbackRayResultAll(PhysicsManager::CallbackRayHit* receiver, const D3DXVECTOR3& start, const D3DXVECTOR3& end)
      : receiver(receiver), start(start), end(end) {
    m_collisionFilterGroup = 1;
    m_collisionFilterMask = 0xFFFF;
  }
  bool needsCollision(btBroadphaseProxy* proxy) const override {
    return (proxy->m_collisionFilterGroup & m_collisionFilterMask) != 0;
  }
  btScalar addSingleResult(btCollisionWorld::LocalRayResult& result, bool normalInWorldSpace) override {
    m_collisionObject = result.m_collisionObject;
    receiver->OnRayHit(PointAt(start, end, result.m_hitFraction), WorldNormal(result, normalInWorldSpace), result);
    return 1.0f;
  }

  PhysicsManager::CallbackRayHit* receiver;
  D3DXVECTOR3 start;
  D3DXVECTOR3 end;
};

}  // namespace PeLocal

bool PhysicsManager::RayTestAny(const D3DXVECTOR3& start, const D3DXVECTOR3& end, std::uint16_t mask) {
  if (world_ == nullptr) return false;
  PeLocal::CallbackRayResultTest callback(mask);
  world_->rayTest(ToBtVector3(start), ToBtVector3(end), callback);
  return callback.m_collisionObject != nullptr;
}

const btCollisionObject* PhysicsManager::RayTestClosest(const D3DXVECTOR3& start, const D3DXVECTOR3& end,
                                                        D3DXVECTOR3* hitPoint, D3DXVECTOR4* hitNormal,
                                                        int* material, std::uint16_t mask) {
  if (world_ == nullptr) return nullptr;
  PeLocal::CallbackRayResultClosest callback(start, end, mask);
  world_->rayTest(ToBtVector3(start), ToBtVector3(end), callback);
  if (callback.m_collisionObject == nullptr) return nullptr;
  if (hitPoint != nullptr) *hitPoint = callback.hitPoint;
  if (hitNormal != nullptr) *hitNormal = callback.hitNormal;
  if (material != nullptr) *material = callback.material;
  return callback.m_collisionObject;
}

void PhysicsManager::RayTestAll(const D3DXVECTOR3& start, const D3DXVECTOR3& end, CallbackRayHit* receiver) {
  if (world_ == nullptr || receiver == nullptr) return;
  PeLocal::CallbackRayResultAll callback(receiver, start, end);
  world_->rayTest(ToBtVector3(start), ToBtVector3(end), callback);
}

void PhysicsManager::ReportImpacts(CallbackImpact* receiver) {
  if (dispatcher_ == nullptr || receiver == nullptr) return;
  const int count = dispatcher_->getNumManifolds();
  btPersistentManifold** manifolds = dispatcher_->getInternalManifoldPointer();
  for (int i = 0; i < count; ++i) {
    btPersistentManifold* manifold = manifolds[i];
    const btCollisionObject* a = manifold->getBody0();
    const btCollisionObject* b = manifold->getBody1();
    const int points = manifold->getNumContacts();
    if ((IsResting(a) && IsResting(b)) || points == 0) continue;
    btVector3 sum(0.0f, 0.0f, 0.0f);
    float impulse = 0.0f;
    for (int p = 0; p < points; ++p) {
      const btManifoldPoint& point = manifold->getContactPoint(p);
      sum += (point.getPositionWorldOnA() + point.getPositionWorldOnB()) * 0.5f;
      impulse += point.getAppliedImpulse();
    }
    receiver->OnImpact(a, b, ToD3dVector3(sum / static_cast<float>(points)), impulse / static_cast<float>(points),
                       manifold);
  }
}
