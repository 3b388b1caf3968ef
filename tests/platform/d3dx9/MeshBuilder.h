#pragma once
// Small meshes for the mesh operation tests: the drawing layout (position,
// normal, tangent, first texture coordinates; 11 floats per vertex) filled
// from positions and texture coordinates.

#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

#include "platform/d3dx9/D3dxMesh.h"

struct MeshVertex {
  float x, y, z;
  float u = 0.0f, v = 0.0f;
};

inline const D3DVERTEXELEMENT9* DrawingLayout() {
  static const D3DVERTEXELEMENT9 layout[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                             {0, 12, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_NORMAL, 0},
                                             {0, 24, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_TANGENT, 0},
                                             {0, 36, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 0},
                                             D3DDECL_END()};
  return layout;
}

// Normals and tangents start at zero; attributes default to 0.
inline ID3DXMesh* BuildMesh(const std::vector<MeshVertex>& vertices, const std::vector<DWORD>& indices,
                            DWORD options = D3DXMESH_MANAGED, std::vector<DWORD> attributes = {}) {
  const DWORD faces = static_cast<DWORD>(indices.size() / 3);
  ID3DXMesh* mesh = nullptr;
  EXPECT_EQ(D3DXCreateMesh(faces, static_cast<DWORD>(vertices.size()), options, DrawingLayout(), nullptr, &mesh),
            D3D_OK);
  if (mesh == nullptr) return nullptr;
  float* data = nullptr;
  mesh->LockVertexBuffer(0, reinterpret_cast<void**>(&data));
  for (std::size_t i = 0; i < vertices.size(); ++i) {
    float* p = data + i * 11;
    p[0] = vertices[i].x, p[1] = vertices[i].y, p[2] = vertices[i].z;
    p[9] = vertices[i].u, p[10] = vertices[i].v;
  }
  mesh->UnlockVertexBuffer();
  for (std::size_t i = 0; i < indices.size(); ++i) mesh->SetIndex(static_cast<DWORD>(i), indices[i]);
  DWORD* attribute = nullptr;
  mesh->LockAttributeBuffer(0, &attribute);
  for (std::size_t f = 0; f < attributes.size() && f < faces; ++f) attribute[f] = attributes[f];
  mesh->UnlockAttributeBuffer();
  return mesh;
}

struct Float3 {
  float x, y, z;
};

// Three floats of a vertex at a byte offset.
inline Float3 ReadFloat3(ID3DXMesh* mesh, DWORD vertex, UINT offset) {
  void* data = nullptr;
  mesh->LockVertexBuffer(D3DLOCK_READONLY, &data);
  Float3 value{};
  std::memcpy(&value, static_cast<std::uint8_t*>(data) + vertex * mesh->GetNumBytesPerVertex() + offset,
              sizeof(value));
  mesh->UnlockVertexBuffer();
  return value;
}

// Texture coordinates (two floats) of a vertex at a byte offset.
inline std::pair<float, float> ReadFloat2(ID3DXMesh* mesh, DWORD vertex, UINT offset) {
  void* data = nullptr;
  mesh->LockVertexBuffer(D3DLOCK_READONLY, &data);
  float value[2];
  std::memcpy(value, static_cast<std::uint8_t*>(data) + vertex * mesh->GetNumBytesPerVertex() + offset,
              sizeof(value));
  mesh->UnlockVertexBuffer();
  return {value[0], value[1]};
}

inline void ExpectFloat3Near(Float3 expected, Float3 actual, float tolerance = 1e-4f) {
  EXPECT_NEAR(expected.x, actual.x, tolerance);
  EXPECT_NEAR(expected.y, actual.y, tolerance);
  EXPECT_NEAR(expected.z, actual.z, tolerance);
}

// A strip of quads along +x in the XY plane: column c has vertices 2c (y = 0)
// and 2c + 1 (y = 1); quad c is the faces (2c, 2c+1, 2c+2) and (2c+2, 2c+1,
// 2c+3), front faces towards -z.
inline std::vector<DWORD> StripIndices(DWORD quads) {
  std::vector<DWORD> indices;
  for (DWORD c = 0; c < quads; ++c) {
    const DWORD a = c * 2;
    indices.insert(indices.end(), {a, a + 1, a + 2, a + 2, a + 1, a + 3});
  }
  return indices;
}
