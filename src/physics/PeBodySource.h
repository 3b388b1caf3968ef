#pragma once
// Body sources: everything needed to make rigid bodies of one kind (shape,
// mass, prepared construction info, physics material, collision filter).
// One source serves any number of bodies; its kind and predicates tell what
// a body made from it is when a ray or a contact yields it.

#include <cstdint>
#include <vector>

#include "BulletCollision/CollisionShapes/btMaterial.h"
#include "BulletDynamics/Dynamics/btRigidBody.h"
#include "physics/PhysicsMaterial.h"

class btTriangleIndexVertexMaterialArray;

// Collision filter groups and masks; Bullet sees them as 16-bit values.
enum PhysicsGroup : std::int32_t {
  kGroupProp = 0x1,
  kGroupCharacter = 0x4,
  kGroupRagdoll = 0x8,
  kGroupMap = 0x100,
};
constexpr std::int32_t kMaskAll = 0xFFFF;
// The map meets props, capsules and ragdoll parts, never another map body.
constexpr std::int32_t kMaskMap = 0x1F;

class PeBodySource {
 public:
  enum Kind { kKindBox = 0, kKindSphere = 1, kKindCapsule = 2, kKindConvexHull = 4, kKindTriMesh = 5 };

  PeBodySource() = default;
  PeBodySource(int kind, int material, int group, int mask, float mass)
      : kind(kind), material(material), group(group), mask(mask), mass(mass) {}
  // Frees neither the shape nor the construction info: PhysicsManager::
  // DestroySource takes factory-made sources apart, and the owners of
  // embedded sources free their own shapes.
  virtual ~PeBodySource() = default;
  PeBodySource(const PeBodySource&) = delete;
  PeBodySource& operator=(const PeBodySource&) = delete;

  // A prop or the map.
  virtual bool IsObject() const { return true; }
  // A character's capsule.
  virtual bool IsCharacter() const { return false; }
  // A part of a ragdoll.
  virtual bool IsRagdoll() const { return false; }

  int kind = kKindBox;
  int material = kMaterialUniv;  // for a triangle mesh, the default of faces without their own
  int group = kGroupProp;
  int mask = kMaskAll;
  btCollisionShape* shape = nullptr;  // its user pointer is this source
  // AddBody writes each body's start transform into it.
  btRigidBody::btRigidBodyConstructionInfo* constructionInfo = nullptr;
  float mass = 0.0f;     // 0 for static bodies
  void* owner = nullptr;  // the capsule or ragdoll of an embedded source
};

// A static triangle mesh with one physics material per face. Bullet reads
// the arrays in place, so they stay unchanged while the source exists.
class PeBodySource_TriMesh : public PeBodySource {
 public:
  PeBodySource_TriMesh() : PeBodySource(kKindTriMesh, kMaterialUniv, kGroupMap, kMaskMap, 0.0f) {}
  // Deletes the mesh interface; the shape that reads it must be gone.
  ~PeBodySource_TriMesh() override;

  // The physics material of a face, or the source's material for a number
  // that is no face of the mesh.
  int GetFaceMaterial(int face) const;

  int vertexCount = 0;
  int faceCount = 0;
  btTriangleIndexVertexMaterialArray* meshInterface = nullptr;
  // One friction and restitution record per entry of the caller's map,
  // indexed by the mesh attribute id.
  std::vector<btMaterial> materialProperties;
  std::vector<float> vertices;       // three per vertex
  std::vector<int> indices;          // three per face
  std::vector<int> faceAttributes;   // the mesh attribute id of each face
  std::vector<int> faceMaterials;    // the physics material of each face
};
