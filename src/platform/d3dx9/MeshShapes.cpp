// Generated shapes: the sphere.

#include <cmath>
#include <cstring>

#include "platform/d3dx9/D3dxMesh.h"

HRESULT D3DXCreateSphere(IDirect3DDevice9* device, FLOAT radius, UINT slices, UINT stacks, ID3DXMesh** mesh,
                         ID3DXBuffer** adjacency) {
  if (mesh == nullptr || !(radius >= 0.0f) || slices < 2 || stacks < 2 || slices > 4096 || stacks > 4096) {
    return D3DERR_INVALIDCALL;
  }
  const DWORD rings = stacks - 1;
  const DWORD vertexCount = slices * rings + 2;
  const DWORD faceCount = 2 * slices * rings;
  const DWORD options = vertexCount > 0xFFFFu ? D3DXMESH_32BIT | D3DXMESH_MANAGED : D3DXMESH_MANAGED;
  ID3DXMesh* sphere = nullptr;
  HRESULT result = D3DXCreateMeshFVF(faceCount, vertexCount, options, D3DFVF_XYZ | D3DFVF_NORMAL, device, &sphere);
  if (result != D3D_OK) return result;

  // Vertex 0 is the +z pole, then the rings from +z down, then the -z pole.
  float* v = reinterpret_cast<float*>(sphere->Vertices().data());
  auto put = [&](DWORD index, float nx, float ny, float nz) {
    float* p = v + static_cast<std::size_t>(index) * 6;
    p[0] = nx * radius;
    p[1] = ny * radius;
    p[2] = nz * radius;
    p[3] = nx;
    p[4] = ny;
    p[5] = nz;
  };
  put(0, 0.0f, 0.0f, 1.0f);
  for (DWORD r = 0; r < rings; ++r) {
    const float phi = 3.14159265358979f * static_cast<float>(r + 1) / static_cast<float>(stacks);
    for (DWORD s = 0; s < slices; ++s) {
      const float theta = 2.0f * 3.14159265358979f * static_cast<float>(s) / static_cast<float>(slices);
      put(1 + r * slices + s, std::sin(phi) * std::cos(theta), std::sin(phi) * std::sin(theta), std::cos(phi));
    }
  }
  const DWORD bottom = vertexCount - 1;
  put(bottom, 0.0f, 0.0f, -1.0f);

  // Front faces are clockwise seen from outside: (b - a) x (c - a) points out.
  DWORD face = 0;
  auto triangle = [&](DWORD a, DWORD b, DWORD c) {
    sphere->SetIndex(face * 3, a);
    sphere->SetIndex(face * 3 + 1, b);
    sphere->SetIndex(face * 3 + 2, c);
    ++face;
  };
  auto ring = [&](DWORD r, DWORD s) { return 1 + r * slices + (s % slices); };
  for (DWORD s = 0; s < slices; ++s) triangle(0, ring(0, s), ring(0, s + 1));
  for (DWORD r = 0; r + 1 < rings; ++r) {
    for (DWORD s = 0; s < slices; ++s) {
      triangle(ring(r, s), ring(r + 1, s), ring(r + 1, s + 1));
      triangle(ring(r, s), ring(r + 1, s + 1), ring(r, s + 1));
    }
  }
  for (DWORD s = 0; s < slices; ++s) triangle(bottom, ring(rings - 1, s + 1), ring(rings - 1, s));

  if (adjacency != nullptr) {
    *adjacency = nullptr;
    result = D3DXCreateBuffer(faceCount * 3 * sizeof(DWORD), adjacency);
    if (result == D3D_OK) {
      result = sphere->GenerateAdjacency(0.0f, static_cast<DWORD*>((*adjacency)->GetBufferPointer()));
    }
    if (result != D3D_OK) {
      if (*adjacency != nullptr) (*adjacency)->Release();
      *adjacency = nullptr;
      sphere->Release();
      return result;
    }
  }
  *mesh = sphere;
  return D3D_OK;
}
