// Skin information: bone influences per bone, and the per-vertex and
// per-face views of them.

#include "platform/d3dx9/D3dxSkinInfo.h"

#include <algorithm>
#include <cmath>

#include "platform/d3dx9/MeshSplit.h"

ID3DXSkinInfo::ID3DXSkinInfo(DWORD numVertices, const D3DVERTEXELEMENT9* declaration, DWORD numBones)
    : numVertices_(numVertices), bones_(numBones) {
  declaration_.assign(declaration, declaration + D3DXGetDeclLength(declaration) + 1);
}

HRESULT D3DXCreateSkinInfo(DWORD numVertices, const D3DVERTEXELEMENT9* declaration, DWORD numBones,
                           ID3DXSkinInfo** skinInfo) {
  if (skinInfo == nullptr) return D3DERR_INVALIDCALL;
  *skinInfo = nullptr;
  // A bone costs a little bookkeeping each: refuse counts no skeleton has.
  if (declaration == nullptr || numBones > 0x10000u) return D3DERR_INVALIDCALL;
  *skinInfo = new ID3DXSkinInfo(numVertices, declaration, numBones);
  return D3D_OK;
}

HRESULT ID3DXSkinInfo::SetBoneInfluence(DWORD bone, DWORD numInfluences, const DWORD* vertices,
                                        const FLOAT* weights) {
  if (bone >= bones_.size()) return D3DERR_INVALIDCALL;
  if (numInfluences > 0 && (vertices == nullptr || weights == nullptr)) return D3DERR_INVALIDCALL;
  for (DWORD i = 0; i < numInfluences; ++i) {
    if (vertices[i] >= numVertices_ || !std::isfinite(weights[i])) return D3DERR_INVALIDCALL;
  }
  Influence& influence = bones_[bone];
  influence.vertices.assign(vertices, vertices + numInfluences);
  influence.weights.assign(weights, weights + numInfluences);
  return D3D_OK;
}

DWORD ID3DXSkinInfo::GetNumBones() const { return static_cast<DWORD>(bones_.size()); }

DWORD ID3DXSkinInfo::GetNumBoneInfluences(DWORD bone) const {
  return bone < bones_.size() ? static_cast<DWORD>(bones_[bone].vertices.size()) : 0;
}

HRESULT ID3DXSkinInfo::GetBoneInfluence(DWORD bone, DWORD* vertices, FLOAT* weights) const {
  if (bone >= bones_.size() || vertices == nullptr || weights == nullptr) return D3DERR_INVALIDCALL;
  std::copy(bones_[bone].vertices.begin(), bones_[bone].vertices.end(), vertices);
  std::copy(bones_[bone].weights.begin(), bones_[bone].weights.end(), weights);
  return D3D_OK;
}

std::vector<std::vector<ID3DXSkinInfo::VertexInfluence>> ID3DXSkinInfo::InfluencesByVertex() const {
  std::vector<std::vector<VertexInfluence>> byVertex(numVertices_);
  // Bones in ascending order, so each vertex's list comes out sorted; a
  // bone naming a vertex twice adds to its last entry.
  for (DWORD bone = 0; bone < bones_.size(); ++bone) {
    const Influence& influence = bones_[bone];
    for (std::size_t i = 0; i < influence.vertices.size(); ++i) {
      std::vector<VertexInfluence>& list = byVertex[influence.vertices[i]];
      if (!list.empty() && list.back().bone == bone) {
        list.back().weight += influence.weights[i];
      } else {
        list.push_back(VertexInfluence{bone, influence.weights[i]});
      }
    }
  }
  for (std::vector<VertexInfluence>& list : byVertex) {
    list.erase(std::remove_if(list.begin(), list.end(), [](const VertexInfluence& e) { return !(e.weight > 0.0f); }),
               list.end());
  }
  return byVertex;
}

HRESULT ID3DXSkinInfo::GetMaxVertexInfluences(DWORD* maxVertexInfluences) const {
  if (maxVertexInfluences == nullptr) return D3DERR_INVALIDCALL;
  DWORD most = 0;
  for (const std::vector<VertexInfluence>& list : InfluencesByVertex()) most = std::max(most, DWORD(list.size()));
  *maxVertexInfluences = most;
  return D3D_OK;
}

HRESULT ID3DXSkinInfo::GetMaxFaceInfluences(ID3DXMesh* mesh, DWORD* maxFaceInfluences) const {
  if (mesh == nullptr || maxFaceInfluences == nullptr) return D3DERR_INVALIDCALL;
  if (mesh->GetNumVertices() != numVertices_ || !d3dx::IndicesInRange(*mesh)) return D3DERR_INVALIDCALL;
  const std::vector<std::vector<VertexInfluence>> byVertex = InfluencesByVertex();
  DWORD most = 0;
  std::vector<DWORD> bones;
  for (DWORD f = 0; f < mesh->GetNumFaces(); ++f) {
    bones.clear();
    for (DWORD k = 0; k < 3; ++k) {
      for (const VertexInfluence& e : byVertex[mesh->IndexAt(f * 3 + k)]) bones.push_back(e.bone);
    }
    std::sort(bones.begin(), bones.end());
    most = std::max(most, static_cast<DWORD>(std::unique(bones.begin(), bones.end()) - bones.begin()));
  }
  *maxFaceInfluences = most;
  return D3D_OK;
}
