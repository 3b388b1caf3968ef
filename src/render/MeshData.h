#pragma once
// Loaded meshes: a D3DX mesh prepared for every technique (normals and, in
// the shader modes, tangents; vertex-cache order; bounding radius) with the
// .udt material of each of its subsets. The skinned variant also holds the
// skeleton and pose files and the frame built from them.

#include <cstdint>

#include "anim/BoneFile.h"
#include "anim/PoseFile.h"
#include "anim/SkinMeshFrame.h"
#include "platform/d3dx9/D3dxMesh.h"

class AdvancedRenderSystem;
class MessageOutputInterface;
class RenderSystem;
struct MaterialData;

class MeshData {
 public:
  explicit MeshData(AdvancedRenderSystem* owner) : owner(owner) {}
  // Frees nothing by itself: the mesh pool calls Clear before deleting.
  virtual ~MeshData() = default;
  MeshData(const MeshData&) = delete;
  MeshData& operator=(const MeshData&) = delete;

  // Releases the mesh and gives every material back to the material pool.
  virtual void Clear();
  // Draws every subset: with materials, each with its own material and
  // technique; without, subset 0 with the material the caller applied.
  void Draw(RenderSystem* renderer);

  ID3DXMesh* mesh = nullptr;
  std::uint32_t numMaterials = 0;       // materials (and attribute ids); 0 when loaded without
  MaterialData** materials = nullptr;   // numMaterials entries, each a material-pool reference or null
  float boundingRadius = 0.0f;          // farthest vertex from the mesh's origin
  AdvancedRenderSystem* owner;
};

class SkinData : public MeshData {
 public:
  using MeshData::MeshData;
  // Releases the frame, then the bone and pose files, then the mesh.
  void Clear() override;

  SkinMeshFrame frame;
  BoneFile bones;
  PoseFile poses;
};

// Paths of the character body's files.
constexpr char kBodyMeshPath[] = "./data/char/body.x";

// Loads a static mesh through the mesh pool (*out must be null). Messages
// go to the first operation of messages, which may be null.
bool LoadMesh(MessageOutputInterface* messages, MeshData** out, AdvancedRenderSystem* renderer, const char* path,
              bool loadMaterials);
