#pragma once
// A world with the game's gravity, meshes built in memory, and stepping
// through the worker thread exactly as the frame does it.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "btBulletDynamicsCommon.h"
#include "physics/PhysicsManager.h"
#include "physics/PhysicsMath.h"
#include "platform/d3dx9/D3dxMesh.h"

namespace physics_test {

constexpr float kGravity = 39.24f;

struct Triangle {
  WORD a, b, c;
  DWORD attribute;
};

// A position-and-normal mesh (no device) with the given faces.
inline ID3DXMesh* MakeMesh(const std::vector<D3DXVECTOR3>& positions, const std::vector<Triangle>& faces,
                           DWORD options = D3DXMESH_MANAGED) {
  ID3DXMesh* mesh = nullptr;
  if (D3DXCreateMeshFVF(static_cast<DWORD>(faces.size()), static_cast<DWORD>(positions.size()), options,
                        D3DFVF_XYZ | D3DFVF_NORMAL, nullptr, &mesh) != D3D_OK) {
    return nullptr;
  }
  void* vertices = nullptr;
  mesh->LockVertexBuffer(0, &vertices);
  for (std::size_t v = 0; v < positions.size(); ++v) {
    float* p = static_cast<float*>(vertices) + v * 6;
    p[0] = positions[v].x;
    p[1] = positions[v].y;
    p[2] = positions[v].z;
    p[3] = 0.0f;
    p[4] = 1.0f;
    p[5] = 0.0f;
  }
  mesh->UnlockVertexBuffer();
  void* indices = nullptr;
  DWORD* attributes = nullptr;
  mesh->LockIndexBuffer(0, &indices);
  mesh->LockAttributeBuffer(0, &attributes);
  for (std::size_t f = 0; f < faces.size(); ++f) {
    const DWORD corners[3] = {faces[f].a, faces[f].b, faces[f].c};
    for (int k = 0; k < 3; ++k) {
      if (options & D3DXMESH_32BIT) {
        static_cast<DWORD*>(indices)[f * 3 + k] = corners[k];
      } else {
        static_cast<WORD*>(indices)[f * 3 + k] = static_cast<WORD>(corners[k]);
      }
    }
    attributes[f] = faces[f].attribute;
  }
  mesh->UnlockAttributeBuffer();
  mesh->UnlockIndexBuffer();
  return mesh;
}

// A flat square at height y, half-size h, split into strips along x: strip
// i of n has the attribute attributes[i] (two triangles each), seen from
// above (clockwise, Direct3D's front).
inline ID3DXMesh* MakeGround(float y, float h, const std::vector<DWORD>& attributes) {
  std::vector<D3DXVECTOR3> positions;
  std::vector<Triangle> faces;
  const std::size_t n = attributes.size();
  for (std::size_t i = 0; i <= n; ++i) {
    const float x = -h + 2.0f * h * static_cast<float>(i) / static_cast<float>(n);
    positions.emplace_back(x, y, -h);
    positions.emplace_back(x, y, h);
  }
  for (std::size_t i = 0; i < n; ++i) {
    const WORD v = static_cast<WORD>(i * 2);
    faces.push_back({v, static_cast<WORD>(v + 1), static_cast<WORD>(v + 3), attributes[i]});
    faces.push_back({v, static_cast<WORD>(v + 3), static_cast<WORD>(v + 2), attributes[i]});
  }
  return MakeMesh(positions, faces);
}

inline D3DXMATRIX Translation(float x, float y, float z) {
  D3DXMATRIX m;
  D3DXMatrixTranslation(&m, x, y, z);
  return m;
}

inline D3DXVECTOR3 PositionOf(const BodyHandle* handle) {
  return ToD3dVector3(handle->body->getWorldTransform().getOrigin());
}

inline bool IsFinite(const BodyHandle* handle) {
  const btTransform& t = handle->body->getWorldTransform();
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) {
      if (!std::isfinite(t.getBasis()[r][c])) return false;
    }
    if (!std::isfinite(t.getOrigin()[r])) return false;
  }
  return true;
}

class PhysicsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(physics.Init());
    physics.SetGravity(D3DXVECTOR3(0.0f, -kGravity, 0.0f));
  }
  void TearDown() override {
    physics.FinishStep();
    for (BodyHandle*& handle : bodies) physics.RemoveBody(handle);
    for (PeBodySource*& source : sources) physics.DestroySource(source);
    for (ID3DXMesh* mesh : meshes) mesh->Release();
    physics.Release();
  }

  // One frame's worth of physics: start the step, then join it.
  void Step(int count = 1) {
    for (int i = 0; i < count; ++i) {
      physics.StartStep();
      physics.FinishStep();
    }
  }

  PeBodySource* Keep(PeBodySource* source) {
    sources.push_back(source);
    return source;
  }
  ID3DXMesh* Keep(ID3DXMesh* mesh) {
    meshes.push_back(mesh);
    return mesh;
  }
  BodyHandle* Add(PeBodySource* source, const D3DXMATRIX& world) {
    BodyHandle* handle = nullptr;
    EXPECT_TRUE(physics.AddBody(world, source, &handle));
    bodies.push_back(handle);
    return handle;
  }
  BodyHandle* Add(PeBodySource* source, float x, float y, float z) { return Add(source, Translation(x, y, z)); }

  // The game's crate: 10 units wide, mass 20.
  PeBodySource* Crate() {
    PeBodySource* source = nullptr;
    EXPECT_TRUE(physics.CreateBox(&source, 20.0f, 0.25f, 1.0f, 5.0f, 5.0f, 5.0f));
    return Keep(source);
  }
  // A map of one or more material strips (see MakeGround).
  PeBodySource* Ground(std::vector<std::int32_t> map, const std::vector<DWORD>& attributes, float y = 0.0f,
                       float h = 100.0f, float scale = 1.0f) {
    PeBodySource* source = nullptr;
    EXPECT_TRUE(physics.CreateTriMesh(&source, map, Keep(MakeGround(y / scale, h / scale, attributes)), scale));
    return Keep(source);
  }

  PhysicsManager physics;
  std::vector<BodyHandle*> bodies;
  std::vector<PeBodySource*> sources;
  std::vector<ID3DXMesh*> meshes;
};

}  // namespace physics_test
