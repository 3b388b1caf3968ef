// Fans of faces around vertices and meshes rebuilt with split vertices.

#include "platform/d3dx9/MeshSplit.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace d3dx {

bool IndicesInRange(const ID3DXBaseMesh& mesh) {
  const DWORD corners = mesh.GetNumFaces() * 3;
  for (DWORD i = 0; i < corners; ++i) {
    if (mesh.IndexAt(i) >= mesh.GetNumVertices()) return false;
  }
  return true;
}

HRESULT UsableAdjacency(ID3DXBaseMesh* mesh, const DWORD* adjacency, std::vector<DWORD>* out) {
  const DWORD faces = mesh->GetNumFaces();
  out->assign(static_cast<std::size_t>(faces) * 3, kNoNeighbour);
  if (adjacency == nullptr) return mesh->GenerateAdjacency(0.0f, out->data());
  for (std::size_t i = 0; i < out->size(); ++i) {
    if (adjacency[i] != kNoNeighbour && adjacency[i] >= faces) return D3DERR_INVALIDCALL;
    (*out)[i] = adjacency[i];
  }
  return D3D_OK;
}

bool FitsIndexSize(DWORD options, DWORD newCount, DWORD oldCount) {
  if (options & D3DXMESH_32BIT) return true;
  return newCount <= std::max<DWORD>(0xFFFFu, oldCount);
}

VertexFans FindVertexFans(const ID3DXBaseMesh& mesh, const DWORD* adjacency,
                          const std::function<bool(DWORD, DWORD)>& joinable) {
  const DWORD numVertices = mesh.GetNumVertices();
  const DWORD numFaces = mesh.GetNumFaces();
  VertexFans fans;
  fans.first.assign(static_cast<std::size_t>(numVertices) + 1, 0);
  for (DWORD i = 0; i < numFaces * 3; ++i) ++fans.first[mesh.IndexAt(i) + 1];
  std::partial_sum(fans.first.begin(), fans.first.end(), fans.first.begin());
  fans.corner.resize(static_cast<std::size_t>(numFaces) * 3);
  std::vector<DWORD> fill(fans.first.begin(), fans.first.end() - 1);
  for (DWORD i = 0; i < numFaces * 3; ++i) fans.corner[fill[mesh.IndexAt(i)]++] = i;

  // Union-find over the corners of one vertex at a time (entries are global
  // positions in `corner`, so one parent array serves every vertex).
  std::vector<DWORD> parent(fans.corner.size());
  std::iota(parent.begin(), parent.end(), 0u);
  auto find = [&](DWORD e) {
    while (parent[e] != e) e = parent[e] = parent[parent[e]];
    return e;
  };
  auto join = [&](DWORD a, DWORD b) {
    a = find(a);
    b = find(b);
    if (a != b) parent[std::max(a, b)] = std::min(a, b);
  };
  fans.fan.assign(fans.corner.size(), 0);
  fans.count.assign(numVertices, 0);
  for (DWORD v = 0; v < numVertices; ++v) {
    const DWORD begin = fans.first[v];
    const DWORD end = fans.first[v + 1];
    auto faceOf = [&](DWORD e) { return fans.corner[e] / 3; };
    for (DWORD e = begin; e < end; ++e) {
      const DWORD face = faceOf(e);
      const DWORD k = fans.corner[e] % 3;
      if (e > begin && faceOf(e - 1) == face) join(e - 1, e);  // a face using the vertex twice
      for (const DWORD edge : {k, (k + 2) % 3}) {             // the two edges ending at this corner
        const DWORD neighbour = adjacency[face * 3 + edge];
        if (neighbour == kNoNeighbour || neighbour == face) continue;
        // Entries are sorted by face: find the neighbour's corners of v.
        DWORD lo = begin;
        DWORD hi = end;
        while (lo < hi) {
          const DWORD mid = lo + (hi - lo) / 2;
          if (faceOf(mid) < neighbour) lo = mid + 1; else hi = mid;
        }
        if (lo == end || faceOf(lo) != neighbour || !joinable(face, neighbour)) continue;
        join(e, lo);
      }
    }
    // Fans numbered by their first (lowest) entry, which is their root.
    DWORD fansSoFar = 0;
    for (DWORD e = begin; e < end; ++e) {
      const DWORD root = find(e);
      fans.fan[e] = root == e ? fansSoFar++ : fans.fan[root];
    }
    fans.count[v] = fansSoFar;
  }
  return fans;
}

VertexSplit SplitVerticesByFan(const VertexFans& fans, DWORD numVertices, DWORD numFaces) {
  VertexSplit split;
  split.source.resize(numVertices);
  std::iota(split.source.begin(), split.source.end(), 0u);
  split.cornerVertex.assign(static_cast<std::size_t>(numFaces) * 3, 0);
  std::vector<DWORD> fanVertex;
  for (DWORD v = 0; v < numVertices; ++v) {
    fanVertex.assign(fans.count[v], v);
    for (DWORD f = 1; f < fans.count[v]; ++f) {
      fanVertex[f] = static_cast<DWORD>(split.source.size());
      split.source.push_back(v);
    }
    for (DWORD e = fans.first[v]; e < fans.first[v + 1]; ++e) split.cornerVertex[fans.corner[e]] = fanVertex[fans.fan[e]];
  }
  return split;
}

IDirect3DDevice9* DeviceOf(ID3DXBaseMesh* mesh) {
  IDirect3DDevice9* device = nullptr;
  if (mesh->GetDevice(&device) != D3D_OK) return nullptr;
  device->Release();  // the mesh keeps its own reference
  return device;
}

HRESULT CreateSplitMesh(ID3DXMesh* source, const std::vector<DWORD>& vertexSource, const std::vector<DWORD>& indices,
                        ID3DXMesh** out) {
  *out = nullptr;
  const DWORD count = static_cast<DWORD>(vertexSource.size());
  if (!FitsIndexSize(source->GetOptions(), count, source->GetNumVertices())) return D3DERR_INVALIDCALL;
  ID3DXMesh* mesh = nullptr;
  const HRESULT created = D3DXCreateMesh(source->GetNumFaces(), count, source->GetOptions(),
                                         source->Declaration().data(), DeviceOf(source), &mesh);
  if (created != D3D_OK) return created;
  const std::size_t stride = source->GetNumBytesPerVertex();
  const std::uint8_t* from = source->Vertices().data();
  std::uint8_t* to = mesh->Vertices().data();
  for (DWORD v = 0; v < count; ++v) std::memcpy(to + v * stride, from + vertexSource[v] * stride, stride);
  for (std::size_t i = 0; i < indices.size(); ++i) mesh->SetIndex(static_cast<DWORD>(i), indices[i]);
  mesh->Attributes() = source->Attributes();
  DWORD ranges = 0;
  source->GetAttributeTable(nullptr, &ranges);
  if (ranges > 0) {
    // The source was attribute-sorted, so this keeps the face order and only
    // recomputes the ranges over the new vertices.
    const HRESULT sorted = mesh->OptimizeInplace(D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_IGNOREVERTS, nullptr, nullptr,
                                                 nullptr, nullptr);
    if (sorted != D3D_OK) {
      mesh->Release();
      return sorted;
    }
  }
  *out = mesh;
  return D3D_OK;
}

}  // namespace d3dx
