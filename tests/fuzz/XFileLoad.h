#pragma once
// The .x harnesses' common step: load a whole file from memory with every
// output the mesh loader asks for, and let go of it.

#include <string>

#include "platform/d3dx9/D3dxMesh.h"

namespace fuzz {

inline void LoadXFile(const std::string& file) {
  ID3DXMesh* mesh = nullptr;
  ID3DXBuffer* adjacency = nullptr;
  ID3DXBuffer* materials = nullptr;
  DWORD count = 0;
  if (SUCCEEDED(D3DXLoadMeshFromXInMemory(file.data(), static_cast<DWORD>(file.size()), D3DXMESH_MANAGED, nullptr,
                                          &adjacency, &materials, nullptr, &count, &mesh))) {
    mesh->Release();
    if (adjacency != nullptr) adjacency->Release();
    if (materials != nullptr) materials->Release();
  }
}

}  // namespace fuzz
