// MeshData: releasing and drawing a loaded mesh; the mesh pool.

#include "render/MeshData.h"

#include "render/AdvancedRenderSystem.h"

void MeshData::Clear() {
  if (mesh != nullptr) mesh->Release();
  mesh = nullptr;
  if (materials != nullptr) {
    for (std::uint32_t i = 0; i < numMaterials; ++i) {
      if (materials[i] != nullptr) owner->GetMaterialPool().Release(materials[i]);
    }
  }
  delete[] materials;
  materials = nullptr;
  numMaterials = 0;
}

void SkinData::Clear() {
  frame.Release();
  ReleaseBoneFile(bones);
  ReleasePoseFile(poses);
  MeshData::Clear();
}

void MeshData::Draw(RenderSystem* renderer) {
  if (mesh == nullptr) return;
  if (numMaterials == 0) {
    renderer->BeginMaterialPass();
    mesh->DrawSubset(0);
    renderer->EndMaterialPass();
    return;
  }
  ID3DXEffect* effect = renderer->GetMaterialEffect();
  const bool shaders = !renderer->IsFixedPipeline() && effect != nullptr;
  // Light-mapped (level) subsets lay down their depth first: the level's
  // surfaces lie over one another (paths and sand on the grass), and a
  // software rasteriser would shade every one of them; after this pass each
  // pixel shades only its nearest surface, with the same result.
  if (shaders) {
    for (std::uint32_t i = 0; i < numMaterials; ++i) {
      const MaterialData* material = materials[i];
      D3DXHANDLE depth = material != nullptr ? renderer->GetDepthTechnique(material->type) : nullptr;
      if (depth == nullptr) continue;
      effect->SetTechnique(depth);
      UINT passes = 0;
      effect->Begin(&passes, 0);
      effect->BeginPass(0);
      mesh->DrawSubset(i);
      effect->EndPass();
      effect->End();
    }
  }
  for (std::uint32_t i = 0; i < numMaterials; ++i) {
    renderer->ApplyMaterial(materials[i]);
    if (!shaders) {
      mesh->DrawSubset(i);
      continue;
    }
    effect->SetTechnique(renderer->GetTechnique(renderer->GetCurrentMaterial()->type));
    UINT passes = 0;
    effect->Begin(&passes, 0);
    effect->BeginPass(0);
    mesh->DrawSubset(i);
    effect->EndPass();
    effect->End();
  }
}

void AdvancedRenderSystem::MeshPoolManager::DeleteResource(MeshData* mesh) {
  mesh->Clear();
  delete mesh;
}

AdvancedRenderSystem::~AdvancedRenderSystem() { meshPool_.ReleaseAll(); }

void AdvancedRenderSystem::Uninit() {
  meshPool_.ReleaseAll();
  RenderSystem::Uninit();
}
