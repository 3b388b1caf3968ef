#include "app/LevelMaterials.h"

#include "physics/PhysicsMaterial.h"
#include "platform/d3dx9/D3dxMesh.h"

std::vector<std::int32_t> BuildLevelMaterialMap(const char* path) {
  std::vector<std::int32_t> map;
  ID3DXMesh* mesh = nullptr;
  ID3DXBuffer* materials = nullptr;
  DWORD count = 0;
  if (FAILED(D3DXLoadMeshFromXA(path, D3DXMESH_MANAGED, nullptr, nullptr, &materials, nullptr, &count, &mesh))) {
    return map;
  }
  const auto* entries =
      materials != nullptr ? static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer()) : nullptr;
  for (DWORD i = 0; entries != nullptr && i < count; ++i) {
    const char* name = entries[i].pTextureFilename;
    const int found = name != nullptr ? FindPhysicsMaterialByCode(name) : -1;
    map.push_back(found <= 0 ? kMaterialUniv : found);
  }
  if (materials != nullptr) materials->Release();
  mesh->Release();
  return map;
}
