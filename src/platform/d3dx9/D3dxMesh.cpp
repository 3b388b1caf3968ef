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
  }
  return D3D_OK;
}

HRESULT ID3DXBaseMesh::UnlockIndexBuffer() { return D3D_OK; }

HRESULT ID3DXMesh::LockAttributeBuffer(DWORD flags, DWORD** data) {
  if (data == nullptr) return D3DERR_INVALIDCALL;
  *data = attributes_.data();
  if (!(flags & D3DLOCK_READONLY)) table_.clear();
  return D3D_OK;
}

HRESULT ID3DXMesh::UnlockAttributeBuffer() { return D3D_OK; }

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

HRESULT ID3DXBaseMesh::DrawSubset(DWORD attribId) {
  if (!Upload()) return D3DERR_INVALIDCALL;
  device_->SetVertexDeclaration(deviceDeclaration_);
  device_->SetStreamSource(0, vertexBuffer_, 0, stride_);
  device_->SetIndices(indexBuffer_);
  // Runs of faces with this id; with an attribute table that is one range.
  DWORD face = 0;
  while (face < numFaces_) {
    if (attributes_[face] != attribId) {
      ++face;
      continue;
    }
    DWORD end = face;
    DWORD low = 0xFFFFFFFFu;
    DWORD high = 0;
    while (end < numFaces_ && attributes_[end] == attribId) {
      for (DWORD k = 0; k < 3; ++k) {
        const DWORD v = IndexAt(end * 3 + k);
        low = std::min(low, v);
        high = std::max(high, v);
      }
      ++end;
    }
    const HRESULT result =
        device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, low, high - low + 1, face * 3, end - face);
    if (result != D3D_OK) return result;
    face = end;
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
  *cloneMesh = clone;
  return D3D_OK;
}

HRESULT ID3DXBaseMesh::CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice9* device, ID3DXMesh** cloneMesh) {
  D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE];
  const HRESULT result = D3DXDeclaratorFromFVF(fvf, declaration);
  if (result != D3D_OK) return result;
  return CloneMesh(options, declaration, device, cloneMesh);
}
