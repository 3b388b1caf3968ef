#pragma once
// Shared by the mesh operations that give a vertex several copies (tangent
// frames, cleaning, blended meshes): input checks, the fans of faces around
// each vertex, and building the mesh with the copies appended.

#include <functional>
#include <vector>

#include "platform/d3dx9/D3dxMesh.h"

namespace d3dx {

constexpr DWORD kNoNeighbour = 0xFFFFFFFFu;

// Every index of the mesh names one of its vertices.
bool IndicesInRange(const ID3DXBaseMesh& mesh);

// The caller's adjacency when it names only faces of the mesh (or none),
// otherwise D3DERR_INVALIDCALL; without one, the adjacency of equal positions.
HRESULT UsableAdjacency(ID3DXBaseMesh* mesh, const DWORD* adjacency, std::vector<DWORD>* out);

// A 16-bit mesh addresses 65535 vertices; a mesh that already has more (only
// made by a caller) may keep its count but not grow.
bool FitsIndexSize(DWORD options, DWORD newCount, DWORD oldCount);

// The corners of every vertex (face * 3 + corner, by ascending face) and
// their fans: faces using the vertex are in one fan when a chain of edges
// ending at the vertex joins them, each step accepted by `joinable` (face,
// neighbour). Fans are numbered in order of their first face.
struct VertexFans {
  std::vector<DWORD> first;   // corners of vertex v: first[v] .. first[v + 1] - 1
  std::vector<DWORD> corner;  // face * 3 + corner
  std::vector<DWORD> fan;     // fan number of each entry of `corner`
  std::vector<DWORD> count;   // fans per vertex
};
VertexFans FindVertexFans(const ID3DXBaseMesh& mesh, const DWORD* adjacency,
                          const std::function<bool(DWORD, DWORD)>& joinable);

// One output vertex per fan: a vertex's first fan keeps its number, every
// further fan gets a copy appended after all input vertices (by ascending
// input vertex, then fan). source[out] = input vertex; cornerVertex[face * 3
// + corner] = output vertex. Vertices on no face keep their number.
struct VertexSplit {
  std::vector<DWORD> source;
  std::vector<DWORD> cornerVertex;
};
VertexSplit SplitVerticesByFan(const VertexFans& fans, DWORD numVertices, DWORD numFaces);

// A mesh like `source` (declaration, options, device, attribute ids) whose
// vertex i is a copy of source vertex vertexSource[i] and whose faces use
// `indices`. An attribute table of the source is rebuilt for the result.
HRESULT CreateSplitMesh(ID3DXMesh* source, const std::vector<DWORD>& vertexSource, const std::vector<DWORD>& indices,
                        ID3DXMesh** out);

// The mesh's device (or null), without a reference the caller must drop.
IDirect3DDevice9* DeviceOf(ID3DXBaseMesh* mesh);

}  // namespace d3dx
