// The mesh object: CPU data, locks, attribute table and drawing.

#include "platform/d3dx9/D3dxMesh.h"

#include <algorithm>
#include <cstring>

ID3DXBaseMesh::ID3DXBaseMesh(DWORD faces, DWORD vertices, DWORD options, const D3DVERTEXELEMENT9* declaration,
                             IDirect3DDevice9* device)
    : device_(device), numFaces_(faces), numVertices_(vertices), options_(options) {
  if (device_ != nullptr) device_->AddRef();
  const UINT length = D3DXGetDeclLength(declaration);
  declaration_.assign(declaration, declaration + length + 1);
  stride_ = D3DXGetDeclVertexSize(declaration, 0);
  vertices_.assign(static_cast<std::size_t>(vertices) * stride_, 0);
  indices_.assign(static_cast<std::size_t>(faces) * 3 * ((options & D3DXMESH_32BIT) ? 4 : 2), 0);
  attributes_.assign(faces, 0);
}

ID3DXBaseMesh::~ID3DXBaseMesh() {
  ReleaseDeviceBuffers();
  if (device_ != nullptr) device_->Release();
}

void ID3DXBaseMesh::ReleaseDeviceBuffers() {
  if (vertexBuffer_ != nullptr) vertexBuffer_->Release();
  if (indexBuffer_ != nullptr) indexBuffer_->Release();
  if (deviceDeclaration_ != nullptr) deviceDeclaration_->Release();
  vertexBuffer_ = nullptr;
  indexBuffer_ = nullptr;
  deviceDeclaration_ = nullptr;
  dirty_ = true;
}

DWORD ID3DXBaseMesh::IndexAt(DWORD i) const {
  if (options_ & D3DXMESH_32BIT) {
    DWORD value = 0;
    std::memcpy(&value, &indices_[static_cast<std::size_t>(i) * 4], 4);
    return value;
  }
  WORD value = 0;
  std::memcpy(&value, &indices_[static_cast<std::size_t>(i) * 2], 2);
  return value;
}

void ID3DXBaseMesh::SetIndexAt(DWORD i, DWORD value) {
  ForgetSubsetRuns();
  if (options_ & D3DXMESH_32BIT) {
    std::memcpy(&indices_[static_cast<std::size_t>(i) * 4], &value, 4);
  } else {
    const WORD narrow = static_cast<WORD>(value);
    std::memcpy(&indices_[static_cast<std::size_t>(i) * 2], &narrow, 2);
  }
}

HRESULT ID3DXBaseMesh::GetDeclaration(D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE]) {
  if (declaration == nullptr) return D3DERR_INVALIDCALL;
  std::copy(declaration_.begin(), declaration_.end(), declaration);
  return D3D_OK;
}

HRESULT ID3DXBaseMesh::GetDevice(IDirect3DDevice9** device) {
  if (device == nullptr || device_ == nullptr) return D3DERR_INVALIDCALL;
  device_->AddRef();
  *device = device_;
  return D3D_OK;
}

HRESULT ID3DXBaseMesh::LockVertexBuffer(DWORD flags, LPVOID* data) {
  if (data == nullptr) return D3DERR_INVALIDCALL;
  *data = vertices_.data();
  if (!(flags & D3DLOCK_READONLY)) dirty_ = true;
  return D3D_OK;
}

HRESULT ID3DXBaseMesh::UnlockVertexBuffer() { return D3D_OK; }

HRESULT ID3DXBaseMesh::LockIndexBuffer(DWORD flags, LPVOID* data) {
  if (data == nullptr) return D3DERR_INVALIDCALL;
  *data = indices_.data();
  if (!(flags & D3DLOCK_READONLY)) {
    dirty_ = true;
    table_.clear();  // ranges may no longer hold
    ForgetSubsetRuns();
    indicesLocked_ = true;
  }
  return D3D_OK;
}

// Writes end here; a draw between lock and unlock must not keep what it saw.
HRESULT ID3DXBaseMesh::UnlockIndexBuffer() {
  if (indicesLocked_) {
    dirty_ = true;
    ForgetSubsetRuns();
    indicesLocked_ = false;
  }
  return D3D_OK;
}

HRESULT ID3DXMesh::LockAttributeBuffer(DWORD flags, DWORD** data) {
  if (data == nullptr) return D3DERR_INVALIDCALL;
  *data = attributes_.data();
  if (!(flags & D3DLOCK_READONLY)) {
    table_.clear();
    ForgetSubsetRuns();
    attributesLocked_ = true;
  }
  return D3D_OK;
}

HRESULT ID3DXMesh::UnlockAttributeBuffer() {
  if (attributesLocked_) {
    ForgetSubsetRuns();
    attributesLocked_ = false;
  }
  return D3D_OK;
}

HRESULT ID3DXBaseMesh::GetAttributeTable(D3DXATTRIBUTERANGE* table, DWORD* size) {
  if (size == nullptr && table == nullptr) return D3DERR_INVALIDCALL;
  if (table != nullptr) std::copy(table_.begin(), table_.end(), table);
  if (size != nullptr) *size = static_cast<DWORD>(table_.size());
  return D3D_OK;
}

bool ID3DXBaseMesh::Upload() {
  if (device_ == nullptr) return false;
  if (!dirty_ && vertexBuffer_ != nullptr) return true;
  const D3DPOOL pool = (options_ & D3DXMESH_SYSTEMMEM) == D3DXMESH_SYSTEMMEM ? D3DPOOL_SYSTEMMEM : D3DPOOL_MANAGED;
  if (vertexBuffer_ == nullptr) {
    if (vertices_.empty() || indices_.empty()) return false;
    if (device_->CreateVertexBuffer(static_cast<UINT>(vertices_.size()), 0, 0, pool, &vertexBuffer_, nullptr) !=
            D3D_OK ||
        device_->CreateIndexBuffer(static_cast<UINT>(indices_.size()), 0,
                                   (options_ & D3DXMESH_32BIT) ? D3DFMT_INDEX32 : D3DFMT_INDEX16, pool,
                                   &indexBuffer_, nullptr) != D3D_OK ||
        device_->CreateVertexDeclaration(declaration_.data(), &deviceDeclaration_) != D3D_OK) {
      ReleaseDeviceBuffers();
      return false;
    }
  }
  void* data = nullptr;
  if (vertexBuffer_->Lock(0, 0, &data, 0) != D3D_OK) return false;
  std::memcpy(data, vertices_.data(), vertices_.size());
  vertexBuffer_->Unlock();
  if (indexBuffer_->Lock(0, 0, &data, 0) != D3D_OK) return false;
  std::memcpy(data, indices_.data(), indices_.size());
  indexBuffer_->Unlock();
  dirty_ = false;
  return true;
}

void ID3DXBaseMesh::BuildSubsetRuns() {
  subsetRuns_.clear();
  subsets_.clear();
  if (!table_.empty()) {
    for (const D3DXATTRIBUTERANGE& range : table_) {
      if (range.FaceCount == 0) continue;
      subsetRuns_.push_back(SubsetRun{range.FaceStart, range.FaceCount, range.VertexStart, range.VertexCount});
      subsets_.push_back(Subset{range.AttribId, static_cast<DWORD>(subsetRuns_.size() - 1), 1});
    }
  } else {
    // Runs of faces with one id, in face order; each with the vertex range
    // its indices use.
    DWORD face = 0;
    while (face < numFaces_) {
      DWORD end = face;
      DWORD low = 0xFFFFFFFFu;
      DWORD high = 0;
      while (end < numFaces_ && attributes_[end] == attributes_[face]) {
        for (DWORD k = 0; k < 3; ++k) {
          const DWORD v = IndexAt(end * 3 + k);
          low = std::min(low, v);
          high = std::max(high, v);
        }
        ++end;
      }
      subsetRuns_.push_back(SubsetRun{face, end - face, low, high - low + 1});
      subsets_.push_back(Subset{attributes_[face], static_cast<DWORD>(subsetRuns_.size() - 1), 1});
      face = end;
    }
  }
  // Group the runs by id, each id's runs in face order.
  std::vector<SubsetRun> grouped;
  grouped.reserve(subsetRuns_.size());
  std::stable_sort(subsets_.begin(), subsets_.end(),
                   [](const Subset& a, const Subset& b) { return a.attribId < b.attribId; });
  std::vector<Subset> merged;
  for (const Subset& subset : subsets_) {
    if (merged.empty() || merged.back().attribId != subset.attribId) {
      merged.push_back(Subset{subset.attribId, static_cast<DWORD>(grouped.size()), 0});
    }
    grouped.push_back(subsetRuns_[subset.first]);
    ++merged.back().count;
  }
  subsetRuns_.swap(grouped);
  subsets_.swap(merged);
  subsetRunsValid_ = true;
}

HRESULT ID3DXBaseMesh::DrawSubset(DWORD attribId) {
  if (!Upload()) return D3DERR_INVALIDCALL;
  if (!subsetRunsValid_) BuildSubsetRuns();
  device_->SetVertexDeclaration(deviceDeclaration_);
  device_->SetStreamSource(0, vertexBuffer_, 0, stride_);
  device_->SetIndices(indexBuffer_);
  const auto subset = std::lower_bound(subsets_.begin(), subsets_.end(), attribId,
                                       [](const Subset& s, DWORD id) { return s.attribId < id; });
  if (subset == subsets_.end() || subset->attribId != attribId) return D3D_OK;
  for (DWORD r = subset->first; r < subset->first + subset->count; ++r) {
    const SubsetRun& run = subsetRuns_[r];
    const HRESULT result = device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, run.vertexStart, run.vertexCount,
                                                         run.faceStart * 3, run.faceCount);
    if (result != D3D_OK) return result;
  }
  return D3D_OK;
}

namespace {

bool IsFloatType(BYTE type) { return type <= D3DDECLTYPE_FLOAT4; }

}  // namespace

HRESULT ID3DXBaseMesh::CloneMesh(DWORD options, const D3DVERTEXELEMENT9* declaration, IDirect3DDevice9* device,
                                 ID3DXMesh** cloneMesh) {
  if (declaration == nullptr || cloneMesh == nullptr) return D3DERR_INVALIDCALL;
  if (!(options & D3DXMESH_32BIT) && numVertices_ > 0x10000u) return D3DERR_INVALIDCALL;
  ID3DXMesh* clone = nullptr;
  const HRESULT created = D3DXCreateMesh(numFaces_, numVertices_, options, declaration, device, &clone);
  if (created != D3D_OK) return created;
  const UINT sourceLength = D3DXGetDeclLength(declaration_.data());
  for (const D3DVERTEXELEMENT9& to : clone->Declaration()) {
    if (to.Stream == 0xFF || to.Stream != 0) continue;
    const D3DVERTEXELEMENT9* from = nullptr;
    for (UINT i = 0; i < sourceLength; ++i) {
      const D3DVERTEXELEMENT9& e = declaration_[i];
      if (e.Stream == 0 && e.Usage == to.Usage && e.UsageIndex == to.UsageIndex) from = &e;
    }
    if (from == nullptr) continue;
    const D3DVERTEXELEMENT9 fromEnd[2] = {{0, 0, from->Type, 0, 0, 0}, D3DDECL_END()};
    const D3DVERTEXELEMENT9 toEnd[2] = {{0, 0, to.Type, 0, 0, 0}, D3DDECL_END()};
    UINT bytes = 0;
    if (from->Type == to.Type) {
      bytes = D3DXGetDeclVertexSize(fromEnd, 0);
    } else if (IsFloatType(from->Type) && IsFloatType(to.Type)) {
      bytes = std::min(D3DXGetDeclVertexSize(fromEnd, 0), D3DXGetDeclVertexSize(toEnd, 0));
    }
    std::uint8_t* out = clone->Vertices().data();
    for (DWORD v = 0; v < numVertices_; ++v) {
      std::memcpy(out + static_cast<std::size_t>(v) * clone->GetNumBytesPerVertex() + to.Offset,
                  vertices_.data() + static_cast<std::size_t>(v) * stride_ + from->Offset, bytes);
    }
  }
  for (DWORD i = 0; i < numFaces_ * 3; ++i) clone->SetIndex(i, IndexAt(i));
  clone->Attributes() = attributes_;
  static_cast<ID3DXBaseMesh*>(clone)->table_ = table_;
  static_cast<ID3DXBaseMesh*>(clone)->ForgetSubsetRuns();
  *cloneMesh = clone;
  return D3D_OK;
}

HRESULT ID3DXBaseMesh::CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice9* device, ID3DXMesh** cloneMesh) {
  D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE];
  const HRESULT result = D3DXDeclaratorFromFVF(fvf, declaration);
  if (result != D3D_OK) return result;
  return CloneMesh(options, declaration, device, cloneMesh);
}
