#pragma once
// D3DX meshes: vertices described by a vertex declaration, triangle indices
// (16-bit, or 32-bit with D3DXMESH_32BIT), one attribute id per face. The
// data lives on the CPU; DrawSubset uploads it to device buffers when it
// changed since the last draw.

#include <cstdint>
#include <vector>

#include "platform/d3d9/D3d9.h"
#include "platform/d3dx9/D3dxEffect.h"

constexpr DWORD D3DXMESH_32BIT = 0x001;
constexpr DWORD D3DXMESH_SYSTEMMEM = 0x110;
constexpr DWORD D3DXMESH_MANAGED = 0x220;

constexpr DWORD D3DXMESHOPT_DEVICEINDEPENDENT = 0x00400000;
constexpr DWORD D3DXMESHOPT_COMPACT = 0x01000000;
constexpr DWORD D3DXMESHOPT_ATTRSORT = 0x02000000;
constexpr DWORD D3DXMESHOPT_VERTEXCACHE = 0x04000000;
constexpr DWORD D3DXMESHOPT_STRIPREORDER = 0x08000000;
constexpr DWORD D3DXMESHOPT_IGNOREVERTS = 0x10000000;
constexpr DWORD D3DXMESHOPT_DONOTSPLIT = 0x20000000;

constexpr int MAX_FVF_DECL_SIZE = MAXD3DDECLLENGTH + 1;

struct D3DXATTRIBUTERANGE {
  DWORD AttribId;
  DWORD FaceStart;
  DWORD FaceCount;
  DWORD VertexStart;
  DWORD VertexCount;
};

struct D3DXMATERIAL {
  D3DMATERIAL9 MatD3D;
  LPSTR pTextureFilename;
};

class ID3DXMesh;

class ID3DXBaseMesh : public D3dUnknown {
 public:
  DWORD GetNumVertices() const { return numVertices_; }
  DWORD GetNumFaces() const { return numFaces_; }
  DWORD GetOptions() const { return options_; }
  DWORD GetNumBytesPerVertex() const { return stride_; }
  // Copies the declaration with its end marker (at most MAX_FVF_DECL_SIZE entries).
  HRESULT GetDeclaration(D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE]);
  HRESULT GetDevice(IDirect3DDevice9** device);

  HRESULT LockVertexBuffer(DWORD flags, LPVOID* data);
  HRESULT UnlockVertexBuffer();
  HRESULT LockIndexBuffer(DWORD flags, LPVOID* data);
  HRESULT UnlockIndexBuffer();

  // The ranges made by the last attribute sort; size gets their count.
  HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* table, DWORD* size);

  // Draws the faces with this attribute id (the table's range after an
  // attribute sort, otherwise every run of such faces). The runs are found
  // once and kept until the attributes, the indices or the table change.
  HRESULT DrawSubset(DWORD attribId);

  // A copy in another declaration: elements found in this mesh (same usage
  // and usage index) are copied, float vectors widened or narrowed, and
  // elements new to the mesh are zero.
  HRESULT CloneMesh(DWORD options, const D3DVERTEXELEMENT9* declaration, IDirect3DDevice9* device,
                    ID3DXMesh** cloneMesh);
  HRESULT CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice9* device, ID3DXMesh** cloneMesh);

  // Three neighbour faces per face (0xFFFFFFFF: none) across edges whose end
  // points lie within epsilon of each other in every coordinate.
  HRESULT GenerateAdjacency(FLOAT epsilon, DWORD* adjacency);
  // For every vertex the lowest-numbered vertex that is the same point of
  // the surface: the corners at the two ends of an edge shared by adjacent
  // faces are the same points, joined transitively. A vertex on no face
  // represents itself. pointReps receives one DWORD per vertex.
  HRESULT ConvertAdjacencyToPointReps(const DWORD* adjacency, DWORD* pointReps);

  // Layer-internal.
  DWORD IndexAt(DWORD i) const;
  const std::vector<D3DVERTEXELEMENT9>& Declaration() const { return declaration_; }

 protected:
  ID3DXBaseMesh(DWORD faces, DWORD vertices, DWORD options, const D3DVERTEXELEMENT9* declaration,
                IDirect3DDevice9* device);
  ~ID3DXBaseMesh() override;
  void ReleaseDeviceBuffers();
  bool Upload();
  void SetIndexAt(DWORD i, DWORD value);
  // The subsets' draws are remade on the next draw: attributes, indices or
  // the attribute table may have changed.
  void ForgetSubsetRuns() { subsetRunsValid_ = false; }

  IDirect3DDevice9* device_;
  DWORD numFaces_;
  DWORD numVertices_;
  DWORD options_;
  UINT stride_;
  std::vector<D3DVERTEXELEMENT9> declaration_;  // with the end marker
  std::vector<std::uint8_t> vertices_;
  std::vector<std::uint8_t> indices_;
  std::vector<DWORD> attributes_;
  std::vector<D3DXATTRIBUTERANGE> table_;
  bool dirty_ = true;
  bool indicesLocked_ = false;     // by a writable lock
  bool attributesLocked_ = false;  // by a writable lock

 private:
  // One draw of DrawSubset: a run of faces with one attribute id and the
  // vertex range its indices use.
  struct SubsetRun {
    DWORD faceStart;
    DWORD faceCount;
    DWORD vertexStart;
    DWORD vertexCount;
  };
  // The runs of one attribute id: subsetRuns_[first .. first + count).
  struct Subset {
    DWORD attribId;
    DWORD first;
    DWORD count;
  };
  // From the attribute table, or without one from a scan of the attribute
  // buffer; subsets_ is sorted by id.
  void BuildSubsetRuns();

  std::vector<SubsetRun> subsetRuns_;
  std::vector<Subset> subsets_;
  bool subsetRunsValid_ = false;
  IDirect3DVertexBuffer9* vertexBuffer_ = nullptr;
  IDirect3DIndexBuffer9* indexBuffer_ = nullptr;
  IDirect3DVertexDeclaration9* deviceDeclaration_ = nullptr;
};

class ID3DXMesh : public ID3DXBaseMesh {
 public:
  HRESULT LockAttributeBuffer(DWORD flags, DWORD** data);
  HRESULT UnlockAttributeBuffer();

  // Attribute sort (also implied by the vertex cache order), vertex-cache
  // face order within each attribute range, vertices renumbered in order of
  // first use (unused ones dropped with COMPACT). faceRemap[new] = old face;
  // the vertex remap buffer holds the old vertex of every new one.
  HRESULT OptimizeInplace(DWORD flags, const DWORD* adjacencyIn, DWORD* adjacencyOut, DWORD* faceRemap,
                          ID3DXBuffer** vertexRemap);

  // Layer-internal.
  ID3DXMesh(DWORD faces, DWORD vertices, DWORD options, const D3DVERTEXELEMENT9* declaration,
            IDirect3DDevice9* device)
      : ID3DXBaseMesh(faces, vertices, options, declaration, device) {}
  std::vector<std::uint8_t>& Vertices() { return vertices_; }
  // For writing: the subsets' draws are remade on the next draw.
  std::vector<DWORD>& Attributes() {
    ForgetSubsetRuns();
    return attributes_;
  }
  void SetIndex(DWORD i, DWORD value) { SetIndexAt(i, value); }
};

// Size of one vertex of a stream: the end of its furthest element.
UINT D3DXGetDeclVertexSize(const D3DVERTEXELEMENT9* declaration, DWORD stream);
UINT D3DXGetDeclLength(const D3DVERTEXELEMENT9* declaration);
// Declaration of a flexible vertex format (position, blend weights, normal,
// point size, colours, texture coordinates), with the end marker.
HRESULT D3DXDeclaratorFromFVF(DWORD fvf, D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE]);

HRESULT D3DXCreateMesh(DWORD numFaces, DWORD numVertices, DWORD options, const D3DVERTEXELEMENT9* declaration,
                       IDirect3DDevice9* device, ID3DXMesh** mesh);
HRESULT D3DXCreateMeshFVF(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf, IDirect3DDevice9* device,
                          ID3DXMesh** mesh);

// A sphere around the origin with position and normal (poles on the z axis):
// slices * (stacks - 1) + 2 vertices, 2 * slices * (stacks - 1) faces.
HRESULT D3DXCreateSphere(IDirect3DDevice9* device, FLOAT radius, UINT slices, UINT stacks, ID3DXMesh** mesh,
                         ID3DXBuffer** adjacency);

// Loads a DirectX .x file in the text, binary or MSZIP-compressed form (32-
// or 64-bit floats): all meshes of all frames in one mesh, frame transforms
// applied. Vertices keep the file's numbering; a vertex that has different
// normals on different faces gets copies appended after all of the file's
// vertices. Materials come as an array of D3DXMATERIAL whose texture names
// are stored in the same buffer; a file without material lists gives no
// buffer and a count of 0. The three forms of the same content give the
// same mesh. Broken files fail with D3DXERR_INVALIDDATA.
HRESULT D3DXLoadMeshFromXA(LPCSTR fileName, DWORD options, IDirect3DDevice9* device, ID3DXBuffer** adjacency,
                           ID3DXBuffer** materials, ID3DXBuffer** effectInstances, DWORD* numMaterials,
                           ID3DXMesh** mesh);
// The same from file contents in memory.
HRESULT D3DXLoadMeshFromXInMemory(LPCVOID data, DWORD size, DWORD options, IDirect3DDevice9* device,
                                  ID3DXBuffer** adjacency, ID3DXBuffer** materials, ID3DXBuffer** effectInstances,
                                  DWORD* numMaterials, ID3DXMesh** mesh);
