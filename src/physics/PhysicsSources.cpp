// Body sources: boxes, spheres, convex hulls and multi-material triangle
// meshes, each with its construction info prepared for AddBody.

#include <algorithm>
#include <climits>
#include <memory>

#include "BulletCollision/CollisionShapes/btMultimaterialTriangleMeshShape.h"
#include "BulletCollision/CollisionShapes/btTriangleIndexVertexMaterialArray.h"
#include "btBulletDynamicsCommon.h"
#include "physics/HullShape.h"
#include "physics/PhysicsManager.h"
#include "physics/VertexDataAnalyzer.h"

static_assert(sizeof(btMaterial) == 16, "material records are 16 bytes apart");

namespace {

// Mesh buffers are only read; no-overwrite keeps the lock from waiting.
constexpr DWORD kReadLock = D3DLOCK_READONLY | D3DLOCK_NOOVERWRITE;

// The positions of every vertex, three floats each. False when the buffer
// does not lock or does not hold positions as floats.
bool CopyPositions(ID3DXMesh* mesh, std::vector<float>* out) {
  D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE];
  if (mesh->GetDeclaration(declaration) != D3D_OK) return false;
  void* data = nullptr;
  if (mesh->LockVertexBuffer(kReadLock, &data) != D3D_OK || data == nullptr) return false;
  PeLocal::VertexDataAnalyzer analyzer(declaration, data);
  const bool readable = analyzer.Analyze();
  if (readable) {
    const DWORD count = mesh->GetNumVertices();
    out->resize(static_cast<std::size_t>(count) * 3);
    for (DWORD v = 0; v < count; ++v) {
      const D3DXVECTOR3 p = analyzer.Position(v);
      (*out)[v * 3 + 0] = p.x;
      (*out)[v * 3 + 1] = p.y;
      (*out)[v * 3 + 2] = p.z;
    }
  }
  mesh->UnlockVertexBuffer();
  return readable;
}

// Three indices per face, widened to 32 bits. False when the buffer does not
// lock or an index names no vertex (Bullet would read past the vertices).
bool CopyIndices(ID3DXMesh* mesh, std::vector<int>* out) {
  void* data = nullptr;
  if (mesh->LockIndexBuffer(kReadLock, &data) != D3D_OK || data == nullptr) return false;
  const std::size_t count = static_cast<std::size_t>(mesh->GetNumFaces()) * 3;
  const DWORD vertexCount = mesh->GetNumVertices();
  const bool wide = (mesh->GetOptions() & D3DXMESH_32BIT) != 0;
  out->resize(count);
  bool inRange = true;
  for (std::size_t i = 0; i < count; ++i) {
    const DWORD index = wide ? static_cast<const DWORD*>(data)[i] : static_cast<const WORD*>(data)[i];
    inRange = inRange && index < vertexCount;
    (*out)[i] = static_cast<int>(index);
  }
  mesh->UnlockIndexBuffer();
  return inRange;
}

// The attribute id of every face and the largest of them. False when the
// buffer does not lock or an id is beyond the largest the map may grow to.
bool CopyAttributes(ID3DXMesh* mesh, std::vector<int>* out, int* largest) {
  DWORD* data = nullptr;
  if (mesh->LockAttributeBuffer(kReadLock, &data) != D3D_OK || data == nullptr) return false;
  const DWORD count = mesh->GetNumFaces();
  out->resize(count);
  const DWORD limit = PhysicsManager::kMaxAttributeId;
  DWORD highest = 0;
  for (DWORD f = 0; f < count; ++f) {
    if (data[f] > highest) highest = data[f];
    (*out)[f] = static_cast<int>(std::min(data[f], limit));
  }
  mesh->UnlockAttributeBuffer();
  *largest = static_cast<int>(std::min(highest, limit));
  return highest <= limit;
}

}  // namespace

PeBodySource_TriMesh::~PeBodySource_TriMesh() { delete meshInterface; }

int PeBodySource_TriMesh::GetFaceMaterial(int face) const {
  if (face < 0 || static_cast<std::size_t>(face) >= faceMaterials.size()) return material;
  return faceMaterials[face];
}

bool PhysicsManager::FinishSource(PeBodySource* source, float damping, float sleepingFactor) {
  if (source == nullptr || source->shape == nullptr) return false;
  btVector3 inertia(0.0f, 0.0f, 0.0f);
  source->shape->calculateLocalInertia(source->mass, inertia);
  delete source->constructionInfo;
  source->constructionInfo =
      new btRigidBody::btRigidBodyConstructionInfo(source->mass, nullptr, source->shape, inertia);
  btRigidBody::btRigidBodyConstructionInfo& info = *source->constructionInfo;
  const PhysicsMaterial* material = GetPhysicsMaterial(source->material);
  if (material != nullptr) {
    info.m_friction = material->friction;
    info.m_restitution = material->restitution;
  }
  info.m_linearDamping = damping;
  info.m_angularDamping = damping;
  // Scaled with gravity: a body falling for a tenth of a second is awake.
  info.m_linearSleepingThreshold = gravityMagnitude_ * 0.1f * sleepingFactor;
  info.m_angularSleepingThreshold = sleepingFactor;
  return true;
}

bool PhysicsManager::CreateBox(PeBodySource** out, float mass, float damping, float sleepingFactor, float halfX,
                               float halfY, float halfZ) {
  if (out == nullptr) return false;
  PeBodySource* source = new PeBodySource(PeBodySource::kKindBox, kMaterialMetal, kGroupProp, kMaskAll, mass);
  source->shape = new btBoxShape(btVector3(halfX, halfY, halfZ));
  source->shape->setUserPointer(source);
  FinishSource(source, damping, sleepingFactor);
  *out = source;
  return true;
}

bool PhysicsManager::CreateSphere(PeBodySource** out, float mass, float damping, float sleepingFactor,
                                  float radius) {
  if (out == nullptr) return false;
  PeBodySource* source = new PeBodySource(PeBodySource::kKindSphere, kMaterialUniv, kGroupProp, kMaskAll, mass);
  source->shape = new btSphereShape(radius);
  source->shape->setUserPointer(source);
  FinishSource(source, damping, sleepingFactor);
  *out = source;
  return true;
}

bool PhysicsManager::CreateConvexHull(ID3DXMesh* mesh, PeBodySource** out, float mass, float damping,
                                      float sleepingFactor, float scale) {
  if (out == nullptr || mesh == nullptr) return false;
  if (mesh->GetNumVertices() == 0 || mesh->GetNumVertices() > static_cast<DWORD>(INT_MAX)) return false;
  D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE];
  if (mesh->GetDeclaration(declaration) != D3D_OK) return false;
  void* data = nullptr;
  if (mesh->LockVertexBuffer(kReadLock, &data) != D3D_OK || data == nullptr) return false;
  PeLocal::VertexDataAnalyzer analyzer(declaration, data);
  if (!analyzer.Analyze()) {
    mesh->UnlockVertexBuffer();
    return false;
  }
  // The hull copies the vertices it can touch with: its surface points.
  btConvexHullShape* hull =
      new PeLocal::HullShape(reinterpret_cast<const float*>(analyzer.vertices + analyzer.positionOffset),
                             static_cast<int>(mesh->GetNumVertices()), static_cast<int>(analyzer.vertexSize));
  mesh->UnlockVertexBuffer();
  hull->setLocalScaling(btVector3(scale, scale, scale));

  PeBodySource* source =
      new PeBodySource(PeBodySource::kKindConvexHull, kMaterialUniv, kGroupProp, kMaskAll, mass);
  source->shape = hull;
  hull->setUserPointer(source);
  FinishSource(source, damping, sleepingFactor);
  *out = source;
  return true;
}

bool PhysicsManager::CreateTriMesh(PeBodySource** out, std::vector<std::int32_t>& materialMap, ID3DXMesh* mesh,
                                   float scale) {
  if (out == nullptr || mesh == nullptr) return false;
  const DWORD vertexCount = mesh->GetNumVertices();
  const DWORD faceCount = mesh->GetNumFaces();
  // Bullet counts vertices and indices in int.
  if (vertexCount == 0 || faceCount == 0 || vertexCount > INT_MAX / 3 || faceCount > INT_MAX / 3) return false;
  for (const std::int32_t entry : materialMap) {
    if (GetPhysicsMaterial(entry) == nullptr) return false;
  }

  auto source = std::make_unique<PeBodySource_TriMesh>();
  source->vertexCount = static_cast<int>(vertexCount);
  source->faceCount = static_cast<int>(faceCount);
  int largestId = 0;
  if (!CopyPositions(mesh, &source->vertices) || !CopyIndices(mesh, &source->indices) ||
      !CopyAttributes(mesh, &source->faceAttributes, &largestId)) {
    return false;
  }

  // Ids past the map's end get Univ, so every face has a record; the map is
  // extended before the faces read it.
  if (materialMap.size() < static_cast<std::size_t>(largestId) + 1) materialMap.resize(largestId + 1, kMaterialUniv);
  source->materialProperties.reserve(materialMap.size());
  for (const std::int32_t entry : materialMap) {
    btMaterial record(kPhysicsMaterials[entry].friction, kPhysicsMaterials[entry].restitution);
    record.pad[0] = 0;
    record.pad[1] = 0;
    source->materialProperties.push_back(record);
  }
  source->faceMaterials.resize(faceCount);
  for (DWORD f = 0; f < faceCount; ++f) source->faceMaterials[f] = materialMap[source->faceAttributes[f]];

  // Each triangle's Bullet material is its attribute id, an index into the
  // records above.
  source->meshInterface = new btTriangleIndexVertexMaterialArray(
      source->faceCount, source->indices.data(), 3 * sizeof(int), source->vertexCount, source->vertices.data(),
      3 * sizeof(float), static_cast<int>(source->materialProperties.size()),
      reinterpret_cast<unsigned char*>(source->materialProperties.data()), sizeof(btMaterial),
      source->faceAttributes.data(), sizeof(int));
  btMultimaterialTriangleMeshShape* shape = new btMultimaterialTriangleMeshShape(source->meshInterface, true, true);
  shape->setLocalScaling(btVector3(scale, scale, scale));
  shape->setUserPointer(source.get());
  source->shape = shape;
  source->constructionInfo =
      new btRigidBody::btRigidBodyConstructionInfo(0.0f, nullptr, shape, btVector3(0.0f, 0.0f, 0.0f));
  *out = source.release();
  return true;
}

void PhysicsManager::DestroySource(PeBodySource*& source) {
  if (source == nullptr) return;
  // The shape goes before the mesh data it reads (freed with the source).
  delete source->shape;
  delete source->constructionInfo;
  delete source;
  source = nullptr;
}
