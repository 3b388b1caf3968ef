#pragma once
// The renderer the application owns: the core renderer plus the pool of
// loaded meshes, which it empties on destruction.

#include "render/MeshData.h"
#include "render/RenderSystem.h"

class AdvancedRenderSystem : public RenderSystem {
 public:
  class MeshPoolManager : public SharedResourceManagerBase<MeshData*> {
   protected:
    void DeleteResource(MeshData* mesh) override;
  };

  AdvancedRenderSystem() = default;
  ~AdvancedRenderSystem() override;

  // Empties the mesh pool (its meshes hold material references), then
  // releases what the core renderer holds.
  void Uninit();

  // The character body from its mesh, bone and pose files (*out must be
  // null), through the mesh pool under the three files' joined keys.
  bool LoadSkinMesh(SkinData** out, MessageOutputInterface* messages, const char* meshPath = kBodyMeshPath,
                    const char* bonePath = kBoneFilePath, const char* posePath = kPoseFilePath);

  MeshPoolManager& GetMeshPool() { return meshPool_; }

 private:
  MeshPoolManager meshPool_;
};
