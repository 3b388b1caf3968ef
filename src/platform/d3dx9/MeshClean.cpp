// D3DXCleanMesh: bowtie vertices (one vertex at the apex of several fans of
// faces that no edge joins) get a copy per extra fan, so that everything
// built per vertex afterwards (skin weights, blend groups) sees one
// connected piece of surface.

#include <algorithm>

#include "platform/d3dx9/D3dxMeshTools.h"
#include "platform/d3dx9/MeshSplit.h"

HRESULT D3DXCleanMesh(D3DXCLEANTYPE cleanType, ID3DXMesh* meshIn, const DWORD* adjacencyIn, ID3DXMesh** meshOut,
                      DWORD* adjacencyOut, ID3DXBuffer** errorsAndWarnings) {
  if (errorsAndWarnings != nullptr) *errorsAndWarnings = nullptr;
  if (meshOut != nullptr) *meshOut = nullptr;
  if (meshIn == nullptr || meshOut == nullptr) return D3DERR_INVALIDCALL;
  if ((cleanType & ~(D3DXCLEAN_BACKFACING | D3DXCLEAN_BOWTIES)) != 0) return D3DERR_INVALIDCALL;
  if (!d3dx::IndicesInRange(*meshIn)) return D3DERR_INVALIDCALL;
  std::vector<DWORD> adjacency;
  const HRESULT usable = d3dx::UsableAdjacency(meshIn, adjacencyIn, &adjacency);
  if (usable != D3D_OK) return usable;

  const d3dx::VertexFans fans = d3dx::FindVertexFans(*meshIn, adjacency.data(), [](DWORD, DWORD) { return true; });
  const d3dx::VertexSplit split = d3dx::SplitVerticesByFan(fans, meshIn->GetNumVertices(), meshIn->GetNumFaces());
  HRESULT result = D3D_OK;
  if (split.source.size() == meshIn->GetNumVertices()) {
    // Nothing to clean: still a mesh of its own, as the caller releases it.
    D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE];
    meshIn->GetDeclaration(declaration);
    result = meshIn->CloneMesh(meshIn->GetOptions(), declaration, d3dx::DeviceOf(meshIn), meshOut);
  } else {
    result = d3dx::CreateSplitMesh(meshIn, split.source, split.cornerVertex, meshOut);
  }
  if (result != D3D_OK) return result;
  // Copies only separate faces that were not edge neighbours: the adjacency holds.
  if (adjacencyOut != nullptr) std::copy(adjacency.begin(), adjacency.end(), adjacencyOut);
  return D3D_OK;
}
