// SkinMeshFrame: the blended mesh and the skeleton tables of a skinned mesh.

#include "anim/SkinMeshFrame.h"

#include <cstring>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/d3dx9/D3dxMeshTools.h"
#include "platform/d3dx9/D3dxSkinInfo.h"

namespace {

// Vertices closer than this in every coordinate count as one point.
constexpr float kAdjacencyEpsilon = 2.384185791015625e-7f;
// Managed blended mesh, attribute-sorted and vertex-cache ordered.
constexpr DWORD kBlendedMeshOptions = D3DXMESH_MANAGED | D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE;
constexpr DWORD kUnusedBone = 0xFFFFFFFFu;

template <typename T>
void ReleaseCom(T*& object) {
  if (object != nullptr) object->Release();
  object = nullptr;
}

// For every vertex of the working mesh, the source vertex it copies: itself,
// or for a copy that cleaning appended, the source vertex with the same bytes.
std::vector<DWORD> SourceVertices(ID3DXMesh* source, ID3DXMesh* working) {
  const DWORD sourceCount = source->GetNumVertices();
  const DWORD workingCount = working->GetNumVertices();
  std::vector<DWORD> origin(workingCount);
  for (DWORD i = 0; i < workingCount; ++i) origin[i] = i;
  if (workingCount <= sourceCount || source == working) return origin;

  void* data = nullptr;
  if (FAILED(working->LockVertexBuffer(D3DLOCK_READONLY, &data))) return origin;
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  const std::size_t stride = working->GetNumBytesPerVertex();
  std::unordered_map<std::string, DWORD> firstWithBytes;
  for (DWORD i = 0; i < sourceCount; ++i) {
    firstWithBytes.emplace(std::string(reinterpret_cast<const char*>(bytes + i * stride), stride), i);
  }
  for (DWORD i = sourceCount; i < workingCount; ++i) {
    const auto found = firstWithBytes.find(std::string(reinterpret_cast<const char*>(bytes + i * stride), stride));
    if (found != firstWithBytes.end()) origin[i] = found->second;
  }
  working->UnlockVertexBuffer();
  return origin;
}

}  // namespace

// Hands the bone file's influences to the skin information. Copies of a
// vertex that cleaning made share its influences, so that every copy moves.
bool SkinMeshFrame::SetInfluences(ID3DXSkinInfo* skin, ID3DXMesh* working) {
  const std::vector<DWORD> origin = SourceVertices(sourceMesh_, working);
  std::vector<std::vector<DWORD>> copiesOf(sourceMesh_->GetNumVertices());
  for (DWORD i = sourceMesh_->GetNumVertices(); i < origin.size(); ++i) {
    if (origin[i] != i) copiesOf[origin[i]].push_back(i);
  }

  bool anyInfluence = false;
  std::vector<DWORD> vertices;
  std::vector<FLOAT> weights;
  for (std::int32_t b = 0; b < boneFile_->boneCount; ++b) {
    const BoneRecord& bone = boneFile_->bones[b];
    if (bone.influenceCount < 1) continue;
    anyInfluence = true;
    vertices.clear();
    weights.clear();
    for (std::int32_t j = 0; j < bone.influenceCount; ++j) {
      const auto vertex = static_cast<DWORD>(bone.vertexIndices[j]);
      vertices.push_back(vertex);
      weights.push_back(bone.weights[j]);
      if (vertex >= copiesOf.size()) continue;  // refused by SetBoneInfluence below
      for (DWORD copy : copiesOf[vertex]) {
        vertices.push_back(copy);
        weights.push_back(bone.weights[j]);
      }
    }
    if (FAILED(skin->SetBoneInfluence(static_cast<DWORD>(b), static_cast<DWORD>(vertices.size()), vertices.data(),
                                      weights.data()))) {
      return false;
    }
  }
  if (!anyInfluence) {
    // Every face needs a bone: without any influence, vertex 0 follows bone 0.
    const DWORD vertex = 0;
    const FLOAT weight = 1.0f;
    return SUCCEEDED(skin->SetBoneInfluence(0, 1, &vertex, &weight));
  }
  return true;
}

SkinMeshFrame::~SkinMeshFrame() { Release(); }

bool SkinMeshFrame::Init(ID3DXMesh* mesh, BoneFile* bones, PoseFile* poses) {
  if (boneFile_ != nullptr) Release();
  if (mesh == nullptr || bones == nullptr || bones->boneCount < 1 || bones->bones == nullptr || poses == nullptr) {
    return false;
  }
  sourceMesh_ = mesh;
  boneFile_ = bones;
  poseFile_ = poses;
  if (!BuildBlendedMesh() || !BuildTables()) {
    Release();
    return false;
  }
  return true;
}

// Cleans the mesh for skinning, hands the bone influences to a skin
// information object and converts the mesh into the vertex-blended form.
bool SkinMeshFrame::BuildBlendedMesh() {
  const DWORD faceCount = sourceMesh_->GetNumFaces();
  std::vector<DWORD> adjacency(static_cast<std::size_t>(faceCount) * 3);
  if (FAILED(sourceMesh_->GenerateAdjacency(kAdjacencyEpsilon, adjacency.data()))) return false;

  // Cleaning splits bowtie vertices; without it the source mesh serves.
  std::vector<DWORD> cleanAdjacency(adjacency.size());
  ID3DXMesh* cleaned = nullptr;
  ID3DXMesh* working = sourceMesh_;
  const DWORD* workingAdjacency = adjacency.data();
  if (SUCCEEDED(D3DXCleanMesh(D3DXCLEAN_SKINNING, sourceMesh_, adjacency.data(), &cleaned, cleanAdjacency.data(),
                              nullptr)) &&
      cleaned != nullptr) {
    working = cleaned;
    workingAdjacency = cleanAdjacency.data();
  }

  D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE];
  ID3DXSkinInfo* skin = nullptr;
  if (FAILED(working->GetDeclaration(declaration)) ||
      FAILED(D3DXCreateSkinInfo(working->GetNumVertices(), declaration, static_cast<DWORD>(boneFile_->boneCount),
                                &skin))) {
    ReleaseCom(cleaned);
    return false;
  }

  if (!SetInfluences(skin, working)) {
    skin->Release();
    ReleaseCom(cleaned);
    return false;
  }

  DWORD maxFaceInfluences = 0;
  DWORD combinationCount = 0;
  ID3DXBuffer* combinations = nullptr;
  const HRESULT converted = skin->ConvertToBlendedMesh(working, kBlendedMeshOptions, workingAdjacency, nullptr,
                                                       nullptr, nullptr, &maxFaceInfluences, &combinationCount,
                                                       &combinations, &blendedMesh_);
  skin->Release();
  ReleaseCom(cleaned);
  if (converted != S_OK || maxFaceInfluences >= 5 || combinations == nullptr) {
    ReleaseCom(combinations);
    return false;
  }

  combinations_ = new (std::nothrow) BoneCombination[combinationCount];
  if (combinations_ == nullptr) {
    combinations->Release();
    return false;
  }
  combinationCount_ = combinationCount;
  const auto* entries = static_cast<const D3DXBONECOMBINATION*>(combinations->GetBufferPointer());
  for (DWORD c = 0; c < combinationCount; ++c) {
    BoneCombination& out = combinations_[c];
    for (DWORD j = 0; j < maxFaceInfluences && entries[c].BoneId[j] != kUnusedBone; ++j) {
      out.boneIds[j] = entries[c].BoneId[j];
      out.lastIndex = static_cast<std::int32_t>(j);
    }
    out.attributeId = entries[c].AttribId;
  }
  combinations->Release();
  return true;
}

// The pose channel of every bone and the bones' bind offsets and children.
bool SkinMeshFrame::BuildTables() {
  const std::int32_t boneCount = boneFile_->boneCount;
  boneToChannel_ = new (std::nothrow) std::int32_t[static_cast<std::size_t>(boneCount)];
  frameBones_ = new (std::nothrow) FrameBone[static_cast<std::size_t>(boneCount)];
  if (boneToChannel_ == nullptr || frameBones_ == nullptr) return false;

  for (std::int32_t i = 0; i < boneCount; ++i) {
    const char* name = boneFile_->bones[i].name;
    boneToChannel_[i] = -1;
    for (std::int32_t c = 0; c < poseFile_->channelCount; ++c) {
      if (std::strcmp(poseFile_->channelNames[c], name) == 0) {
        boneToChannel_[i] = c;
        break;
      }
    }
  }

  for (std::int32_t i = 0; i < boneCount; ++i) {
    FrameBone& bone = frameBones_[i];
    const D3DXVECTOR3 bind = GetBindPosition(*boneFile_, i);
    D3DXMatrixTranslation(&bone.offsetMatrix, -bind.x, -bind.y, -bind.z);
    for (std::int32_t j = 0; j < boneCount; ++j) {
      if (boneFile_->bones[j].parentIndex == i) ++bone.childCount;
    }
    if (bone.childCount == 0) continue;
    bone.children = new (std::nothrow) std::int32_t[static_cast<std::size_t>(bone.childCount)];
    if (bone.children == nullptr) {
      bone.childCount = 0;
      return false;
    }
    std::int32_t filled = 0;
    for (std::int32_t j = 0; j < boneCount; ++j) {
      if (boneFile_->bones[j].parentIndex == i) bone.children[filled++] = j;
    }
  }
  return true;
}

void SkinMeshFrame::Release() {
  if (boneFile_ == nullptr) return;
  if (frameBones_ != nullptr) {
    for (std::int32_t i = 0; i < boneFile_->boneCount; ++i) delete[] frameBones_[i].children;
  }
  delete[] frameBones_;
  frameBones_ = nullptr;
  delete[] boneToChannel_;
  boneToChannel_ = nullptr;
  delete[] combinations_;
  combinations_ = nullptr;
  combinationCount_ = 0;
  ReleaseCom(blendedMesh_);
  sourceMesh_ = nullptr;
  boneFile_ = nullptr;
  poseFile_ = nullptr;
}

std::int32_t SkinMeshFrame::FindPose(const char* name) const {
  if (poseFile_ == nullptr || name == nullptr) return -1;
  for (std::int32_t i = 0; i < poseFile_->poseCount; ++i) {
    if (std::strcmp(poseFile_->poses[i].name, name) == 0) return i;
  }
  return -1;
}
