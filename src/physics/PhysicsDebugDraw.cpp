// The world's debug drawer and its switch: Bullet's debug output becomes
// one-frame lines, circles and labels of the debug draw system.

#include "btBulletDynamicsCommon.h"
#include "effects/DebugDrawSystem.h"
#include "physics/PhysicsManager.h"
#include "physics/PhysicsMath.h"
#include "platform/win32/WinBase.h"

namespace {

// Bullet's (r, g, b) in [0, 1], clamped, opaque.
D3DCOLOR PackColour(const btVector3& color) {
  return D3DCOLOR_COLORVALUE(static_cast<float>(color.x()), static_cast<float>(color.y()),
                             static_cast<float>(color.z()), 1.0f);
}

D3DXVECTOR3 ToVector(const btVector3& v) { return D3DXVECTOR3(v.x(), v.y(), v.z()); }

// Bullet gives no colour for its labels.
constexpr D3DCOLOR kTextColour = 0xFFFFFFFFu;
constexpr int kSphereSegments = 12;

}  // namespace

void PhysicsManager::BulletDebugDraw::drawLine(const btVector3& from, const btVector3& to, const btVector3& color) {
  if (!drawingAllowed || target == nullptr) return;
  target->AddLine(ToVector(from), ToVector(to), PackColour(color), 1, 0);
}

void PhysicsManager::BulletDebugDraw::drawSphere(btScalar radius, const btTransform& transform,
                                                 const btVector3& color) {
  if (!drawingAllowed || target == nullptr) return;
  const D3DXMATRIX world = ToD3dMatrix(transform);
  const D3DXVECTOR3 zero(0.0f, 0.0f, 0.0f);
  D3DXVECTOR3 centre;
  D3DXVec3TransformCoord(&centre, &zero, &world);
  target->AddSphere(centre, static_cast<float>(radius), kSphereSegments, PackColour(color), 1, 0);
}

void PhysicsManager::BulletDebugDraw::drawContactPoint(const btVector3& pointOnB, const btVector3& normalOnB,
                                                       btScalar distance, int lifeTime, const btVector3& color) {
  if (!drawingAllowed || target == nullptr) return;
  const btVector3 end = pointOnB + normalOnB * distance * btScalar(10);
  target->AddLine(ToVector(pointOnB), ToVector(end), PackColour(color), lifeTime, 0);
}

void PhysicsManager::BulletDebugDraw::reportErrorWarning(const char* warning) {
  if (!drawingAllowed) return;
  OutputDebugStringA(warning);
}

void PhysicsManager::BulletDebugDraw::draw3dText(const btVector3& location, const char* text) {
  if (!drawingAllowed || target == nullptr) return;
  target->AddText(text, ToVector(location), kTextColour, 1, 0);
}

void PhysicsManager::SetDebugDraw(DebugDrawSystem* target, bool simple) {
  debugDraw_.target = target;
  if (world_ == nullptr) return;
  if (target != nullptr) {
    world_->setDebugDrawer(&debugDraw_);
    debugDraw_.setDebugMode(simple ? kDebugModeSimple : kDebugModeFull);
  } else {
    world_->setDebugDrawer(nullptr);
  }
}
