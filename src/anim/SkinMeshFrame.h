#pragma once
// The shared skeleton of one skinned mesh: the vertex-blended copy of the
// mesh with its bone combinations (at most four matrices per draw), the
// pose channel of every bone, and each bone's inverse bind transform and
// children. Every animated instance (SkinMeshEntity) reads it; none changes it.

#include <cstdint>

#include "anim/BoneFile.h"
#include "anim/PoseFile.h"
#include "platform/d3dx9/D3dxMath.h"
#include "platform/d3dx9/D3dxMesh.h"

class ID3DXSkinInfo;

// One draw of the blended mesh: the bones whose matrices blend its vertices.
struct BoneCombination {
  std::uint32_t boneIds[4] = {};
  std::uint32_t attributeId = 0;
  std::int32_t lastIndex = -1;  // index of the last valid bone id; lastIndex + 1 matrices blend
};

struct FrameBone {
  D3DXMATRIX offsetMatrix;  // translation by minus the bone's bind position
  std::int32_t childCount = 0;
  std::int32_t* children = nullptr;  // bone indices whose parent is this bone, ascending; null when none
};

class SkinMeshFrame {
 public:
  SkinMeshFrame() = default;
  virtual ~SkinMeshFrame();  // Release
  SkinMeshFrame(const SkinMeshFrame&) = delete;
  SkinMeshFrame& operator=(const SkinMeshFrame&) = delete;

  // Builds the blended mesh and tables from the mesh and the two files,
  // which must outlive the frame. False (and an empty frame) when an
  // argument is missing, the skeleton has no bone, the conversion fails or a
  // face needs more than four bones.
  bool Init(ID3DXMesh* mesh, BoneFile* bones, PoseFile* poses);
  // Frees what Init built and forgets the borrowed objects. Does nothing on
  // an empty frame.
  void Release();
  // Index of the first pose named name, or -1.
  std::int32_t FindPose(const char* name) const;

  const BoneFile* GetBoneFile() const { return boneFile_; }
  const PoseFile* GetPoseFile() const { return poseFile_; }
  const std::int32_t* GetBoneToChannel() const { return boneToChannel_; }
  const FrameBone* GetFrameBones() const { return frameBones_; }
  ID3DXMesh* GetBlendedMesh() const { return blendedMesh_; }
  std::uint32_t GetCombinationCount() const { return combinationCount_; }
  const BoneCombination* GetCombinations() const { return combinations_; }

 private:
  bool BuildBlendedMesh();
  bool SetInfluences(ID3DXSkinInfo* skin, ID3DXMesh* working);
  bool BuildTables();

  ID3DXMesh* sourceMesh_ = nullptr;
  ID3DXMesh* blendedMesh_ = nullptr;
  std::uint32_t combinationCount_ = 0;
  BoneCombination* combinations_ = nullptr;
  BoneFile* boneFile_ = nullptr;
  PoseFile* poseFile_ = nullptr;
  std::int32_t* boneToChannel_ = nullptr;
  FrameBone* frameBones_ = nullptr;
};
