#include "physics/SolidMapContact.h"

#include "BulletCollision/CollisionDispatch/btCollisionObjectWrapper.h"
#include "BulletCollision/CollisionShapes/btTriangleShape.h"
#include "btBulletCollisionCommon.h"
#include "physics/MaterialCombiner.h"

namespace {

bool IsStaticTriangle(const btCollisionObjectWrapper* object) {
  return object->getCollisionShape()->getShapeType() == TRIANGLE_SHAPE_PROXYTYPE &&
         object->getCollisionObject()->isStaticObject();
}

// Whether p, a point in the triangle's plane, lies inside it (edges included).
bool InsideTriangle(const btVector3& p, const btVector3 (&corner)[3], const btVector3& normal) {
  for (int i = 0; i < 3; ++i) {
    const btVector3& from = corner[i];
    const btVector3& to = corner[(i + 1) % 3];
    if ((to - from).cross(p - from).dot(normal) < 0.0f) return false;
  }
  return true;
}

}  // namespace

namespace PeLocal {

bool TurnContactOutOfSolid(btManifoldPoint& point, const btCollisionObjectWrapper* object0,
                           const btCollisionObjectWrapper* object1) {
  const bool triangleIsA = IsStaticTriangle(object0);
  if (!triangleIsA && !IsStaticTriangle(object1)) return false;
  const btCollisionObjectWrapper* triangle = triangleIsA ? object0 : object1;
  const btCollisionObjectWrapper* body = triangleIsA ? object1 : object0;
  if (!body->getCollisionShape()->isConvex()) return false;

  const auto* triangleShape = static_cast<const btTriangleShape*>(triangle->getCollisionShape());
  const btTransform& triangleTransform = triangle->getWorldTransform();
  const btVector3 corner[3] = {triangleTransform * triangleShape->m_vertices1[0],
                               triangleTransform * triangleShape->m_vertices1[1],
                               triangleTransform * triangleShape->m_vertices1[2]};
  // The map's front faces wind so that this cross product points out of the
  // solid.
  btVector3 front = (corner[1] - corner[0]).cross(corner[2] - corner[0]);
  const btScalar area2 = front.length2();
  if (area2 < SIMD_EPSILON) return false;
  front /= btSqrt(area2);

  // The middle of the body's bounds: a hull's origin may sit at its base.
  const btTransform& bodyTransform = body->getWorldTransform();
  btVector3 low;
  btVector3 high;
  body->getCollisionShape()->getAabb(bodyTransform, low, high);
  const btVector3 centre = (low + high) * 0.5f;
  const btScalar centreHeight = (centre - corner[0]).dot(front);
  if (centreHeight >= 0.0f) return false;
  if (!InsideTriangle(centre - front * centreHeight, corner, front)) return false;

  // The body's point deepest behind the plane, and the plane's point in
  // front of it: the contact pushes the body out along the front.
  const auto* convex = static_cast<const btConvexShape*>(body->getCollisionShape());
  const btVector3 deepest =
      bodyTransform * convex->localGetSupportingVertex(bodyTransform.getBasis().transpose() * -front);
  const btScalar depth = (deepest - corner[0]).dot(front);
  if (depth >= 0.0f) return false;
  const btVector3 onPlane = deepest - front * depth;

  // Bullet's normal lies on B and points to A; A's point = B's + normal x distance.
  point.m_normalWorldOnB = triangleIsA ? -front : front;
  point.m_positionWorldOnA = triangleIsA ? onPlane : deepest;
  point.m_positionWorldOnB = triangleIsA ? deepest : onPlane;
  point.m_distance1 = depth;
  // The manifold recomputes the positions from these before the next step.
  const btTransform& transformA = object0->getCollisionObject()->getWorldTransform();
  const btTransform& transformB = object1->getCollisionObject()->getWorldTransform();
  point.m_localPointA = transformA.invXform(point.m_positionWorldOnA);
  point.m_localPointB = transformB.invXform(point.m_positionWorldOnB);
  return true;
}

bool OnMapContactAdded(btManifoldPoint& point, const btCollisionObjectWrapper* object0, int partId0, int index0,
                       const btCollisionObjectWrapper* object1, int partId1, int index1) {
  CombineTriangleMaterial(point, object0, partId0, index0, object1, partId1, index1);
  TurnContactOutOfSolid(point, object0, object1);
  return true;
}

}  // namespace PeLocal
