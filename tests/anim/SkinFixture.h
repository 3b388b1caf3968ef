#pragma once
// A two-bone strip for skinning tests: a 1 x 2 strip standing on the origin
// in the z = 0 plane (facing -z), bone "root" at the origin and bone "arm"
// one unit up. The bottom row follows the root, the middle row both bones
// half and half, the top row the arm.

#include <cstdint>
#include <string>
#include <vector>

#include "anim/AnimFileBuilder.h"
#include "platform/d3dx9/D3dxMesh.h"

struct StripVertex {
  float x, y, z;
  float nx, ny, nz;
};

inline ID3DXMesh* CreateStrip(IDirect3DDevice9* device) {
  const D3DVERTEXELEMENT9 declaration[] = {
      {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
      {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
      D3DDECL_END()};
  ID3DXMesh* mesh = nullptr;
  if (FAILED(D3DXCreateMesh(4, 6, D3DXMESH_MANAGED, declaration, device, &mesh))) return nullptr;
  StripVertex* vertices = nullptr;
  mesh->LockVertexBuffer(0, reinterpret_cast<void**>(&vertices));
  for (int row = 0; row < 3; ++row) {
    vertices[row * 2] = {-0.5f, static_cast<float>(row), 0.0f, 0.0f, 0.0f, -1.0f};
    vertices[row * 2 + 1] = {0.5f, static_cast<float>(row), 0.0f, 0.0f, 0.0f, -1.0f};
  }
  mesh->UnlockVertexBuffer();
  std::uint16_t* indices = nullptr;
  mesh->LockIndexBuffer(0, reinterpret_cast<void**>(&indices));
  const std::uint16_t faces[] = {0, 2, 3, 0, 3, 1, 2, 4, 5, 2, 5, 3};
  for (int i = 0; i < 12; ++i) indices[i] = faces[i];
  mesh->UnlockIndexBuffer();
  DWORD* attributes = nullptr;
  mesh->LockAttributeBuffer(0, &attributes);
  for (int f = 0; f < 4; ++f) attributes[f] = 0;
  mesh->UnlockAttributeBuffer();
  return mesh;
}

// The strip's skeleton, flags of the arm as given; "hand" (one unit above
// the arm, no vertices, no pose channel) shows where the arm's end goes.
inline std::string StripBones(std::int32_t armFlags = 0) {
  AnimFileBuilder bytes;
  bytes.Magic("BF01").Int(3);
  bytes.Bone(-1, "root", 0, 0, 0, 0, {0, 1, 2, 3}, {1, 1, 0.5f, 0.5f});
  bytes.Bone(0, "arm", 0, 1, 0, armFlags, {2, 3, 4, 5}, {0.5f, 0.5f, 1, 1});
  bytes.Bone(1, "hand", 0, 1, 0);
  return bytes.Data();
}

// Channels root and arm; "straight", "bent" (the arm rolled by +90 degrees)
// and "tilt" (the root yawed by 90 degrees and the arm rolled by 45).
inline std::string StripPoses() {
  constexpr float kQuarter = 1.5707963f;
  AnimFileBuilder bytes;
  bytes.Magic("PF00").Int(2).Name("root").Name("arm").Int(3);
  bytes.Name("straight").Vec(0, 0, 0).Vec(0, 0, 0);
  bytes.Name("bent").Vec(0, 0, 0).Vec(0, 0, kQuarter);
  bytes.Name("tilt").Vec(kQuarter, 0, 0).Vec(0, 0, kQuarter / 2);
  return bytes.Data();
}
