// Mesh topology: adjacency and in-place optimisation (attribute sort,
// vertex-cache order through meshoptimizer, vertex compaction).

#include <meshoptimizer.h>

#include <algorithm>
#include <array>
#include <map>
#include <cmath>
#include <cstring>
#include <numeric>
#include <unordered_map>

#include "platform/d3dx9/D3dxMesh.h"
#include "platform/d3dx9/VertexUnion.h"

namespace {

constexpr DWORD kNone = 0xFFFFFFFFu;

// For every vertex the lowest-numbered vertex at the same position (within
// epsilon per coordinate, joined transitively). Equal positions are merged
// first, so a pile of coincident vertices costs no more than one.
std::vector<DWORD> PointRepresentatives(const std::uint8_t* vertices, DWORD count, UINT stride, WORD positionOffset,
                                        float epsilon) {
  std::vector<std::array<float, 3>> positions(count);
  std::vector<std::array<std::uint32_t, 3>> keys(count);  // a total order, NaN included
  for (DWORD v = 0; v < count; ++v) {
    std::memcpy(positions[v].data(), vertices + static_cast<std::size_t>(v) * stride + positionOffset, 12);
    std::memcpy(keys[v].data(), positions[v].data(), 12);
    for (std::uint32_t& k : keys[v]) k = (k & 0x80000000u) ? ~k : k | 0x80000000u;
  }
  d3dx::VertexUnion points(count);
  std::vector<DWORD> order(count);
  std::iota(order.begin(), order.end(), 0u);
  std::sort(order.begin(), order.end(), [&](DWORD a, DWORD b) { return keys[a] < keys[b]; });
  std::vector<DWORD> unique;
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0 && keys[order[i]] == keys[order[i - 1]]) {
      points.Join(order[i], order[i - 1]);
    } else {
      unique.push_back(order[i]);
    }
  }
  if (epsilon > 0.0f) {
    for (std::size_t i = 0; i < unique.size(); ++i) {
      const std::array<float, 3>& a = positions[unique[i]];
      for (std::size_t j = i + 1; j < unique.size(); ++j) {
        const std::array<float, 3>& b = positions[unique[j]];
        if (b[0] - a[0] > epsilon) break;
        if (std::fabs(a[1] - b[1]) <= epsilon && std::fabs(a[2] - b[2]) <= epsilon) points.Join(unique[i], unique[j]);
      }
    }
  }
  std::vector<DWORD> representative(count);
  for (DWORD v = 0; v < count; ++v) representative[v] = points.Find(v);
  return representative;
}

}  // namespace

HRESULT ID3DXBaseMesh::GenerateAdjacency(FLOAT epsilon, DWORD* adjacency) {
  if (adjacency == nullptr || !(epsilon >= 0.0f)) return D3DERR_INVALIDCALL;
  WORD positionOffset = 0;
  bool found = false;
  for (const D3DVERTEXELEMENT9& e : declaration_) {
    if (e.Stream == 0 && e.Usage == D3DDECLUSAGE_POSITION && e.UsageIndex == 0 && e.Type == D3DDECLTYPE_FLOAT3) {
      positionOffset = e.Offset;
      found = true;
    }
  }
  if (!found) return D3DERR_INVALIDCALL;
  const std::vector<DWORD> rep = PointRepresentatives(vertices_.data(), numVertices_, stride_, positionOffset, epsilon);
  auto key = [](DWORD a, DWORD b) { return (static_cast<std::uint64_t>(a) << 32) | b; };
  // Directed edges of every face; a neighbour runs the same edge the other way.
  std::unordered_map<std::uint64_t, std::vector<DWORD>> edges;
  edges.reserve(static_cast<std::size_t>(numFaces_) * 3);
  for (DWORD f = 0; f < numFaces_; ++f) {
    for (DWORD k = 0; k < 3; ++k) {
      const DWORD a = rep[IndexAt(f * 3 + k)];
      const DWORD b = rep[IndexAt(f * 3 + (k + 1) % 3)];
      if (a != b) edges[key(a, b)].push_back(f * 3 + k);
    }
  }
  std::fill(adjacency, adjacency + static_cast<std::size_t>(numFaces_) * 3, kNone);
  for (DWORD f = 0; f < numFaces_; ++f) {
    for (DWORD k = 0; k < 3; ++k) {
      if (adjacency[f * 3 + k] != kNone) continue;
      const DWORD a = rep[IndexAt(f * 3 + k)];
      const DWORD b = rep[IndexAt(f * 3 + (k + 1) % 3)];
      if (a == b) continue;
      const auto it = edges.find(key(b, a));
      if (it == edges.end()) continue;
      for (const DWORD other : it->second) {
        if (other / 3 == f || adjacency[other] != kNone) continue;
        adjacency[f * 3 + k] = other / 3;
        adjacency[other] = f;
        break;
      }
    }
  }
  return D3D_OK;
}

HRESULT ID3DXMesh::OptimizeInplace(DWORD flags, const DWORD* adjacencyIn, DWORD* adjacencyOut, DWORD* faceRemap,
                                   ID3DXBuffer** vertexRemap) {
  if (vertexRemap != nullptr) *vertexRemap = nullptr;
  const bool cache = (flags & (D3DXMESHOPT_VERTEXCACHE | D3DXMESHOPT_STRIPREORDER)) != 0;
  const bool sort = cache || (flags & D3DXMESHOPT_ATTRSORT) != 0;
  const bool compact = (flags & D3DXMESHOPT_COMPACT) != 0;
  const bool reorderVertices = (cache || sort || compact) && !(flags & D3DXMESHOPT_IGNOREVERTS);

  // Faces: stable sort by attribute, then cache order inside each range.
  std::vector<DWORD> order(numFaces_);  // new face -> old face
  std::iota(order.begin(), order.end(), 0u);
  if (sort) {
    std::stable_sort(order.begin(), order.end(), [&](DWORD a, DWORD b) { return attributes_[a] < attributes_[b]; });
  }
  std::vector<unsigned> indices(static_cast<std::size_t>(numFaces_) * 3);
  for (DWORD f = 0; f < numFaces_; ++f) {
    for (DWORD k = 0; k < 3; ++k) indices[f * 3 + k] = IndexAt(order[f] * 3 + k);
  }
  if (cache) {
    std::vector<unsigned> optimised(indices.size());
    std::vector<DWORD> rangeOrder;
    DWORD start = 0;
    while (start < numFaces_) {
      DWORD end = start;
      while (end < numFaces_ && attributes_[order[end]] == attributes_[order[start]]) ++end;
      const std::size_t first = static_cast<std::size_t>(start) * 3;
      const std::size_t count = static_cast<std::size_t>(end - start) * 3;
      meshopt_optimizeVertexCache(optimised.data() + first, indices.data() + first, count, numVertices_);
      // meshoptimizer reorders whole triangles: find each new one among the
      // range's old ones to keep the face remap.
      std::map<std::array<unsigned, 3>, std::vector<DWORD>> byCorners;
      auto cornerKey = [](const unsigned* t) { return std::array<unsigned, 3>{t[0], t[1], t[2]}; };
      for (DWORD f = start; f < end; ++f) byCorners[cornerKey(&indices[f * 3])].push_back(order[f]);
      for (DWORD f = start; f < end; ++f) {
        std::vector<DWORD>& candidates = byCorners[cornerKey(&optimised[f * 3])];
        rangeOrder.push_back(candidates.back());
        candidates.pop_back();
      }
      start = end;
    }
    indices.swap(optimised);
    order.swap(rangeOrder);
  }

  // Vertices in order of first use; unused ones after them, or dropped.
  std::vector<unsigned> oldToNew(numVertices_, ~0u);
  DWORD newCount = numVertices_;
  if (reorderVertices) {
    newCount = static_cast<DWORD>(meshopt_optimizeVertexFetchRemap(oldToNew.data(), indices.data(), indices.size(),
                                                                   numVertices_));
    if (!compact) {
      for (DWORD v = 0; v < numVertices_; ++v) {
        if (oldToNew[v] == ~0u) oldToNew[v] = newCount++;
      }
    }
  } else {
    std::iota(oldToNew.begin(), oldToNew.end(), 0u);
  }
  if (newCount == 0) return D3DERR_INVALIDCALL;
  std::vector<DWORD> newToOld(newCount);
  for (DWORD v = 0; v < numVertices_; ++v) {
    if (oldToNew[v] != ~0u) newToOld[oldToNew[v]] = v;
  }

  if (adjacencyOut != nullptr) {
    std::vector<DWORD> adjacency(static_cast<std::size_t>(numFaces_) * 3);
    if (adjacencyIn != nullptr) {
      std::copy(adjacencyIn, adjacencyIn + adjacency.size(), adjacency.begin());
    } else {
      const HRESULT result = GenerateAdjacency(0.0f, adjacency.data());
      if (result != D3D_OK) return result;
    }
    std::vector<DWORD> oldFaceToNew(numFaces_);
    for (DWORD f = 0; f < numFaces_; ++f) oldFaceToNew[order[f]] = f;
    for (DWORD f = 0; f < numFaces_; ++f) {
      for (DWORD k = 0; k < 3; ++k) {
        const DWORD neighbour = adjacency[order[f] * 3 + k];
        adjacencyOut[f * 3 + k] = neighbour < numFaces_ ? oldFaceToNew[neighbour] : kNone;
      }
    }
  }
  if (vertexRemap != nullptr) {
    const HRESULT result = D3DXCreateBuffer(newCount * sizeof(DWORD), vertexRemap);
    if (result != D3D_OK) return result;
    std::memcpy((*vertexRemap)->GetBufferPointer(), newToOld.data(), newCount * sizeof(DWORD));
  }
  if (faceRemap != nullptr) std::copy(order.begin(), order.end(), faceRemap);

  // Apply: vertices, indices, attributes.
  std::vector<std::uint8_t> vertices(static_cast<std::size_t>(newCount) * stride_);
  for (DWORD v = 0; v < newCount; ++v) {
    std::memcpy(&vertices[static_cast<std::size_t>(v) * stride_],
                &vertices_[static_cast<std::size_t>(newToOld[v]) * stride_], stride_);
  }
  vertices_.swap(vertices);
  numVertices_ = newCount;
  std::vector<DWORD> attributes(numFaces_);
  for (DWORD f = 0; f < numFaces_; ++f) attributes[f] = attributes_[order[f]];
  attributes_.swap(attributes);
  for (std::size_t i = 0; i < indices.size(); ++i) SetIndexAt(static_cast<DWORD>(i), oldToNew[indices[i]]);
  ReleaseDeviceBuffers();

  table_.clear();
  ForgetSubsetRuns();
  if (sort) {
    DWORD start = 0;
    while (start < numFaces_) {
      DWORD end = start;
      DWORD low = kNone;
      DWORD high = 0;
      while (end < numFaces_ && attributes_[end] == attributes_[start]) {
        for (DWORD k = 0; k < 3; ++k) {
          low = std::min(low, IndexAt(end * 3 + k));
          high = std::max(high, IndexAt(end * 3 + k));
        }
        ++end;
      }
      table_.push_back(D3DXATTRIBUTERANGE{attributes_[start], start, end - start, low, high - low + 1});
      start = end;
    }
  }
  return D3D_OK;
}
