#pragma once
// D3DX skin information: which bones move which vertices by how much, and
// the conversion of a mesh into a vertex-blended mesh drawn one bone
// combination (at most four matrices) at a time.

#include <vector>

#include "platform/d3dx9/D3dxMesh.h"

// One subset of a blended mesh: its faces and vertices and the bones whose
// matrices it blends. BoneId points into the same buffer; unused entries
// hold UINT_MAX (0xFFFFFFFF).
struct D3DXBONECOMBINATION {
  DWORD AttribId;
  DWORD FaceStart;
  DWORD FaceCount;
  DWORD VertexStart;
  DWORD VertexCount;
  DWORD* BoneId;
};

class ID3DXSkinInfo : public D3dUnknown {
 public:
  // Replaces the influences of a bone: numInfluences vertices and weights.
  // A bone or vertex out of range, missing arrays or a weight that is not a
  // finite number: D3DERR_INVALIDCALL, the bone keeps what it had. Influences
  // of weight 0 or less are kept but bind nothing.
  HRESULT SetBoneInfluence(DWORD bone, DWORD numInfluences, const DWORD* vertices, const FLOAT* weights);
  DWORD GetNumBones() const;
  DWORD GetNumBoneInfluences(DWORD bone) const;
  HRESULT GetBoneInfluence(DWORD bone, DWORD* vertices, FLOAT* weights) const;
  // The largest number of bones on one vertex (vertexInfluences) and on one
  // face (the union of its three vertices' bones).
  HRESULT GetMaxVertexInfluences(DWORD* maxVertexInfluences) const;
  HRESULT GetMaxFaceInfluences(ID3DXMesh* mesh, DWORD* maxFaceInfluences) const;

  // Converts mesh (same vertex count as this skin) into a mesh drawn one bone
  // combination at a time; its attribute ids are combination indices.
  //
  // maxFaceInfluences = the most bones on one face (at least 1). Faces are
  // grouped by their input attribute id (the combination's AttribId) and
  // walked in order; a face joins the group's current combination while both
  // together need at most maxFaceInfluences bones, else it starts a new one.
  // A vertex used by several combinations is copied for each. The layout is
  // the position, then maxFaceInfluences - 1 weights (BLENDWEIGHT 0, FLOAT1
  // to FLOAT3; none for one bone), then the input's other elements (input
  // blend weights and indices dropped). Weights follow the combination's
  // bone slots and sum to 1 (the last slot's is implied when drawing); a
  // vertex without influences has weight 1 on the combination's first bone
  // (bone 0 for faces without any bones).
  //
  // The combination table buffer holds numBoneCombinations
  // D3DXBONECOMBINATION entries followed by their BoneId arrays of
  // maxFaceInfluences entries each. The result is attribute-sorted (with its
  // attribute table) plus whatever D3DXMESHOPT_ flags options hold; the other
  // option bits are the new mesh's options. A 16-bit result needing more than
  // 65535 vertices, or a face needing more than four bones (then
  // *maxFaceInfluences still reports its count), fails with
  // D3DERR_INVALIDCALL. adjacencyOut, faceRemap (new face -> input face) and
  // vertexRemap (DWORD per new vertex: its input vertex) are optional.
  HRESULT ConvertToBlendedMesh(ID3DXMesh* mesh, DWORD options, const DWORD* adjacencyIn, DWORD* adjacencyOut,
                               DWORD* faceRemap, ID3DXBuffer** vertexRemap, DWORD* maxFaceInfluences,
                               DWORD* numBoneCombinations, ID3DXBuffer** boneCombinationTable,
                               ID3DXMesh** meshOut);

  // Layer-internal.
  ID3DXSkinInfo(DWORD numVertices, const D3DVERTEXELEMENT9* declaration, DWORD numBones);
  struct VertexInfluence {
    DWORD bone;
    FLOAT weight;
  };
  // Every vertex's bones (ascending, each once, repeated entries summed) with
  // their weights; influences of weight 0 or less do not bind.
  std::vector<std::vector<VertexInfluence>> InfluencesByVertex() const;

 private:
  struct Influence {
    std::vector<DWORD> vertices;
    std::vector<FLOAT> weights;
  };
  DWORD numVertices_;
  std::vector<D3DVERTEXELEMENT9> declaration_;
  std::vector<Influence> bones_;
};

// Up to 65536 bones; each starts without influences.
HRESULT D3DXCreateSkinInfo(DWORD numVertices, const D3DVERTEXELEMENT9* declaration, DWORD numBones,
                           ID3DXSkinInfo** skinInfo);
