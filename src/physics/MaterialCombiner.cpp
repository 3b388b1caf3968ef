#include "physics/MaterialCombiner.h"

#include "BulletCollision/CollisionShapes/btMultimaterialTriangleMeshShape.h"
#include "btBulletCollisionCommon.h"

namespace {

bool IsTriangle(const btCollisionObjectWrapper* object) {
  return object->getCollisionShape()->getShapeType() == TRIANGLE_SHAPE_PROXYTYPE;
}

// The material record of the triangle an object stands for in this contact,
// when it is a triangle of a multi-material mesh; otherwise null.
const btMaterial* TriangleMaterial(const btCollisionObjectWrapper* object, int partId, int index) {
  if (!IsTriangle(object)) return nullptr;
  const btCollisionShape* root = object->getCollisionObject()->getCollisionShape();
  if (root->getShapeType() != MULTIMATERIAL_TRIANGLE_MESH_PROXYTYPE) return nullptr;
  // The lookup only reads, but Bullet declares it non-const.
  auto* mesh = const_cast<btMultimaterialTriangleMeshShape*>(static_cast<const btMultimaterialTriangleMeshShape*>(root));
  return mesh->getMaterialProperties(partId, index);
}

void Combine(btManifoldPoint& point, const btMaterial& triangle, const btCollisionObject* other) {
  point.m_combinedFriction = other->getFriction() * triangle.m_friction;
  point.m_combinedRestitution = other->getRestitution() * triangle.m_restitution;
}

}  // namespace

namespace PeLocal {

bool CombineTriangleMaterial(btManifoldPoint& point, const btCollisionObjectWrapper* object0, int partId0,
                             int index0, const btCollisionObjectWrapper* object1, int partId1, int index1) {
  if (const btMaterial* material = TriangleMaterial(object0, partId0, index0)) {
    Combine(point, *material, object1->getCollisionObject());
  } else if (!IsTriangle(object0)) {
    if (const btMaterial* other = TriangleMaterial(object1, partId1, index1)) {
      Combine(point, *other, object0->getCollisionObject());
    }
  }
  return true;
}

}  // namespace PeLocal
