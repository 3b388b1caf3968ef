// Point representatives from adjacency: which vertices are copies of one
// point of the surface (split for normals, texture seams and the like).

#include <cmath>
#include <cstring>
#include <numeric>
#include <vector>

#include "platform/d3dx9/D3dxMesh.h"
#include "platform/d3dx9/VertexUnion.h"
#include "platform/d3dx9/MeshSplit.h"

HRESULT ID3DXBaseMesh::ConvertAdjacencyToPointReps(const DWORD* adjacency, DWORD* pointReps) {
  if (adjacency == nullptr || pointReps == nullptr || !d3dx::IndicesInRange(*this)) return D3DERR_INVALIDCALL;
  for (DWORD i = 0; i < numFaces_ * 3; ++i) {
    if (adjacency[i] != d3dx::kNoNeighbour && adjacency[i] >= numFaces_) return D3DERR_INVALIDCALL;
  }
  const D3DVERTEXELEMENT9* position = nullptr;
  for (const D3DVERTEXELEMENT9& e : declaration_) {
    if (e.Stream == 0 && e.Usage == D3DDECLUSAGE_POSITION && e.UsageIndex == 0 && e.Type == D3DDECLTYPE_FLOAT3) {
      position = &e;
    }
  }
  // Squared distance between the points of two vertices (0 without positions).
  auto distance = [&](DWORD a, DWORD b) {
    if (position == nullptr) return 0.0f;
    float pa[3];
    float pb[3];
    std::memcpy(pa, &vertices_[static_cast<std::size_t>(a) * stride_ + position->Offset], sizeof(pa));
    std::memcpy(pb, &vertices_[static_cast<std::size_t>(b) * stride_ + position->Offset], sizeof(pb));
    float sum = 0.0f;
    for (int k = 0; k < 3; ++k) sum += (pa[k] - pb[k]) * (pa[k] - pb[k]);
    return std::isnan(sum) ? INFINITY : sum;
  };

  d3dx::VertexUnion points(numVertices_);
  for (DWORD f = 0; f < numFaces_; ++f) {
    for (DWORD k = 0; k < 3; ++k) {
      const DWORD g = adjacency[f * 3 + k];
      if (g == d3dx::kNoNeighbour || g == f) continue;
      // Edge k of f runs a -> b; the neighbour runs the same edge b -> a on
      // the edge that names f. Faces sharing two edges pick the one whose
      // corners lie nearest.
      const DWORD a = IndexAt(f * 3 + k);
      const DWORD b = IndexAt(f * 3 + (k + 1) % 3);
      DWORD best = 3;
      float bestDistance = INFINITY;
      for (DWORD j = 0; j < 3; ++j) {
        if (adjacency[g * 3 + j] != f) continue;
        const float d = distance(a, IndexAt(g * 3 + (j + 1) % 3)) + distance(b, IndexAt(g * 3 + j));
        if (best == 3 || d < bestDistance) {
          best = j;
          bestDistance = d;
        }
      }
      if (best == 3) continue;  // one-sided adjacency: no edge to match
      points.Join(a, IndexAt(g * 3 + (best + 1) % 3));
      points.Join(b, IndexAt(g * 3 + best));
    }
  }
  for (DWORD v = 0; v < numVertices_; ++v) pointReps[v] = points.Find(v);
  return D3D_OK;
}
