// ID3DXSkinInfo::ConvertToBlendedMesh: faces packed into bone combinations
// that the vertex-blend pipeline draws one at a time, each vertex copied
// once per combination using it, with its weights in that combination's
// bone-slot order.

#include <algorithm>
#include <cstring>
#include <numeric>

#include "platform/d3dx9/D3dxSkinInfo.h"
#include "platform/d3dx9/MeshSplit.h"
#include "platform/d3dx9/XFileParser.h"

namespace {

constexpr DWORD kMaxBlendBones = 4;
constexpr DWORD kOptimizeFlags = D3DXMESHOPT_DEVICEINDEPENDENT | D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT |
                                 D3DXMESHOPT_VERTEXCACHE | D3DXMESHOPT_STRIPREORDER | D3DXMESHOPT_IGNOREVERTS |
                                 D3DXMESHOPT_DONOTSPLIT;

struct Combination {
  DWORD attribute;
  std::vector<DWORD> bones;  // slot order
};

// Faces of one input attribute walked in order; a face joins the current
// combination while the bones of both together stay within `limit`. A vertex
// without influences binds to the combination's first bone, which is
// already counted. faceCombination receives each face's combination.
std::vector<Combination> PackCombinations(const std::vector<DWORD>& faceOrder, const std::vector<DWORD>& attributes,
                                          const std::vector<std::vector<DWORD>>& faceBones, DWORD limit,
                                          std::vector<DWORD>* faceCombination) {
  std::vector<Combination> combinations;
  for (const DWORD f : faceOrder) {
    const std::vector<DWORD>& need = faceBones[f];
    bool joined = false;
    if (!combinations.empty() && combinations.back().attribute == attributes[f]) {
      std::vector<DWORD>& bones = combinations.back().bones;
      std::vector<DWORD> missing;
      for (const DWORD bone : need) {
        if (std::find(bones.begin(), bones.end(), bone) == bones.end()) missing.push_back(bone);
      }
      if (bones.size() + missing.size() <= limit) {
        bones.insert(bones.end(), missing.begin(), missing.end());
        joined = true;
      }
    }
    if (!joined) combinations.push_back(Combination{attributes[f], need.empty() ? std::vector<DWORD>{0} : need});
    (*faceCombination)[f] = static_cast<DWORD>(combinations.size() - 1);
  }
  return combinations;
}

// The blended layout: position, limit - 1 blend weights, then the input's
// other elements in their order (input blend weights and indices dropped).
// copies receives (from offset, to offset, size) for each kept element.
struct ElementCopy {
  WORD from, to;
  UINT size;
};
bool BlendedDeclaration(const std::vector<D3DVERTEXELEMENT9>& input, DWORD limit,
                        std::vector<D3DVERTEXELEMENT9>* declaration, std::vector<ElementCopy>* copies) {
  const D3DVERTEXELEMENT9* position = nullptr;
  for (const D3DVERTEXELEMENT9& e : input) {
    if (e.Stream == 0 && e.Usage == D3DDECLUSAGE_POSITION && e.UsageIndex == 0) position = &e;
  }
  if (position == nullptr || position->Type != D3DDECLTYPE_FLOAT3) return false;
  declaration->push_back(D3DVERTEXELEMENT9{0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0});
  copies->push_back(ElementCopy{position->Offset, 0, 12});
  WORD offset = 12;
  if (limit > 1) {
    declaration->push_back(D3DVERTEXELEMENT9{0, offset, static_cast<BYTE>(D3DDECLTYPE_FLOAT1 + limit - 2),
                                             D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_BLENDWEIGHT, 0});
    offset = static_cast<WORD>(offset + 4 * (limit - 1));
  }
  for (const D3DVERTEXELEMENT9& e : input) {
    if (e.Stream == 0xFF) break;
    if (&e == position || e.Usage == D3DDECLUSAGE_BLENDWEIGHT || e.Usage == D3DDECLUSAGE_BLENDINDICES) continue;
    const UINT size = d3dx::DeclTypeSize(e.Type);
    D3DVERTEXELEMENT9 moved = e;
    moved.Offset = offset;
    declaration->push_back(moved);
    copies->push_back(ElementCopy{e.Offset, offset, size});
    offset = static_cast<WORD>(offset + size);
  }
  declaration->push_back(D3DVERTEXELEMENT9 D3DDECL_END());
  return true;
}

void ReleaseMesh(ID3DXMesh** mesh) {
  if (*mesh != nullptr) (*mesh)->Release();
  *mesh = nullptr;
}

}  // namespace

HRESULT ID3DXSkinInfo::ConvertToBlendedMesh(ID3DXMesh* mesh, DWORD options, const DWORD* adjacencyIn,
                                            DWORD* adjacencyOut, DWORD* faceRemap, ID3DXBuffer** vertexRemap,
                                            DWORD* maxFaceInfluences, DWORD* numBoneCombinations,
                                            ID3DXBuffer** boneCombinationTable, ID3DXMesh** meshOut) {
  if (vertexRemap != nullptr) *vertexRemap = nullptr;
  if (maxFaceInfluences != nullptr) *maxFaceInfluences = 0;
  if (numBoneCombinations != nullptr) *numBoneCombinations = 0;
  if (boneCombinationTable != nullptr) *boneCombinationTable = nullptr;
  if (meshOut != nullptr) *meshOut = nullptr;
  if (mesh == nullptr || numBoneCombinations == nullptr || boneCombinationTable == nullptr || meshOut == nullptr ||
      bones_.empty() || mesh->GetNumVertices() != numVertices_ || !d3dx::IndicesInRange(*mesh)) {
    return D3DERR_INVALIDCALL;
  }
  const DWORD numFaces = mesh->GetNumFaces();
  std::vector<DWORD> adjacency;
  if (adjacencyIn != nullptr && d3dx::UsableAdjacency(mesh, adjacencyIn, &adjacency) != D3D_OK) {
    return D3DERR_INVALIDCALL;
  }

  // The bones of every face; the most on one face sets the weights per vertex.
  const std::vector<std::vector<VertexInfluence>> influences = InfluencesByVertex();
  std::vector<std::vector<DWORD>> faceBones(numFaces);
  DWORD limit = 1;
  for (DWORD f = 0; f < numFaces; ++f) {
    std::vector<DWORD>& bones = faceBones[f];
    for (DWORD k = 0; k < 3; ++k) {
      for (const VertexInfluence& e : influences[mesh->IndexAt(f * 3 + k)]) bones.push_back(e.bone);
    }
    std::sort(bones.begin(), bones.end());
    bones.erase(std::unique(bones.begin(), bones.end()), bones.end());
    limit = std::max(limit, static_cast<DWORD>(bones.size()));
  }
  if (maxFaceInfluences != nullptr) *maxFaceInfluences = limit;
  if (limit > kMaxBlendBones) return D3DERR_INVALIDCALL;

  std::vector<D3DVERTEXELEMENT9> declaration;
  std::vector<ElementCopy> copies;
  if (!BlendedDeclaration(mesh->Declaration(), limit, &declaration, &copies)) return D3DERR_INVALIDCALL;

  // Faces by input attribute, then by their (sorted) bone sets, so that faces
  // on the same or neighbouring bones meet and share a combination whatever
  // order the mesh's faces come in; then packed into combinations.
  // Combination numbers only grow along this order, so it is also the output
  // face order.
  const std::vector<DWORD>& attributes = mesh->Attributes();
  std::vector<DWORD> faceOrder(numFaces);
  std::iota(faceOrder.begin(), faceOrder.end(), 0u);
  std::stable_sort(faceOrder.begin(), faceOrder.end(), [&](DWORD a, DWORD b) {
    if (attributes[a] != attributes[b]) return attributes[a] < attributes[b];
    return faceBones[a] < faceBones[b];
  });
  std::vector<DWORD> faceCombination(numFaces);
  const std::vector<Combination> combinations =
      PackCombinations(faceOrder, attributes, faceBones, limit, &faceCombination);

  // One copy of a vertex per combination using it, in order of first use.
  std::vector<DWORD> vertexSource;
  std::vector<DWORD> vertexCombination;
  std::vector<DWORD> indices(static_cast<std::size_t>(numFaces) * 3);
  std::vector<DWORD> copyCombination(numVertices_, d3dx::kNoNeighbour);
  std::vector<DWORD> copyIndex(numVertices_);
  for (DWORD n = 0; n < numFaces; ++n) {
    const DWORD f = faceOrder[n];
    const DWORD c = faceCombination[f];
    for (DWORD k = 0; k < 3; ++k) {
      const DWORD v = mesh->IndexAt(f * 3 + k);
      if (copyCombination[v] != c) {
        copyCombination[v] = c;
        copyIndex[v] = static_cast<DWORD>(vertexSource.size());
        vertexSource.push_back(v);
        vertexCombination.push_back(c);
      }
      indices[n * 3 + k] = copyIndex[v];
    }
  }
  const DWORD meshOptions = options & ~kOptimizeFlags;
  if (!d3dx::FitsIndexSize(meshOptions, static_cast<DWORD>(vertexSource.size()), 0)) return D3DERR_INVALIDCALL;

  ID3DXMesh* blended = nullptr;
  HRESULT result = D3DXCreateMesh(numFaces, static_cast<DWORD>(vertexSource.size()), meshOptions,
                                  declaration.data(), d3dx::DeviceOf(mesh), &blended);
  if (result != D3D_OK) return result;
  const std::size_t inStride = mesh->GetNumBytesPerVertex();
  const std::size_t outStride = blended->GetNumBytesPerVertex();
  const std::uint8_t* in = mesh->Vertices().data();
  std::uint8_t* out = blended->Vertices().data();
  for (std::size_t i = 0; i < vertexSource.size(); ++i) {
    const DWORD v = vertexSource[i];
    std::uint8_t* vertex = out + i * outStride;
    for (const ElementCopy& copy : copies) std::memcpy(vertex + copy.to, in + v * inStride + copy.from, copy.size);
    // Weights by slot, summing to 1; a vertex without influences is all first slot.
    const std::vector<DWORD>& slots = combinations[vertexCombination[i]].bones;
    float weights[kMaxBlendBones] = {1.0f, 0.0f, 0.0f, 0.0f};
    double total = 0.0;
    for (const VertexInfluence& e : influences[v]) total += e.weight;
    if (!influences[v].empty()) weights[0] = 0.0f;
    for (const VertexInfluence& e : influences[v]) {
      const std::size_t slot = std::find(slots.begin(), slots.end(), e.bone) - slots.begin();
      weights[slot] = static_cast<float>(e.weight / total);
    }
    std::memcpy(vertex + 12, weights, sizeof(float) * (limit - 1));
  }
  for (std::size_t i = 0; i < indices.size(); ++i) blended->SetIndex(static_cast<DWORD>(i), indices[i]);
  for (DWORD n = 0; n < numFaces; ++n) blended->Attributes()[n] = faceCombination[faceOrder[n]];

  // Attribute sort (ranges per combination) plus the caller's optimisations.
  std::vector<DWORD> orderedAdjacency;
  if (!adjacency.empty()) {
    std::vector<DWORD> newFace(numFaces);
    for (DWORD n = 0; n < numFaces; ++n) newFace[faceOrder[n]] = n;
    orderedAdjacency.resize(adjacency.size());
    for (DWORD n = 0; n < numFaces; ++n) {
      for (DWORD k = 0; k < 3; ++k) {
        const DWORD neighbour = adjacency[faceOrder[n] * 3 + k];
        orderedAdjacency[n * 3 + k] = neighbour == d3dx::kNoNeighbour ? neighbour : newFace[neighbour];
      }
    }
  }
  std::vector<DWORD> optimisedFaces(numFaces);
  ID3DXBuffer* optimisedVertices = nullptr;
  result = blended->OptimizeInplace((options & kOptimizeFlags) | D3DXMESHOPT_ATTRSORT,
                                    orderedAdjacency.empty() ? nullptr : orderedAdjacency.data(), adjacencyOut,
                                    optimisedFaces.data(), &optimisedVertices);
  if (result != D3D_OK) {
    ReleaseMesh(&blended);
    return result;
  }
  // The table: combinations, then each one's bone slots, in one buffer. The
  // attribute table has one range per combination (each has a face).
  DWORD ranges = 0;
  blended->GetAttributeTable(nullptr, &ranges);
  std::vector<D3DXATTRIBUTERANGE> table(ranges);
  blended->GetAttributeTable(table.data(), &ranges);
  const DWORD count = static_cast<DWORD>(combinations.size());
  const std::size_t headerSize = sizeof(D3DXBONECOMBINATION) * count;
  result = D3DXCreateBuffer(static_cast<DWORD>(headerSize + sizeof(DWORD) * limit * count), boneCombinationTable);
  if (result != D3D_OK) {
    optimisedVertices->Release();
    ReleaseMesh(&blended);
    return result;
  }
  auto* bytes = static_cast<std::uint8_t*>((*boneCombinationTable)->GetBufferPointer());
  auto* entries = reinterpret_cast<D3DXBONECOMBINATION*>(bytes);
  auto* boneIds = reinterpret_cast<DWORD*>(bytes + headerSize);
  for (DWORD c = 0; c < count; ++c) {
    entries[c].AttribId = combinations[c].attribute;
    entries[c].BoneId = boneIds + static_cast<std::size_t>(c) * limit;
    for (DWORD j = 0; j < limit; ++j) {
      entries[c].BoneId[j] = j < combinations[c].bones.size() ? combinations[c].bones[j] : 0xFFFFFFFFu;
    }
  }
  for (const D3DXATTRIBUTERANGE& range : table) {
    D3DXBONECOMBINATION& entry = entries[range.AttribId];
    entry.FaceStart = range.FaceStart;
    entry.FaceCount = range.FaceCount;
    entry.VertexStart = range.VertexStart;
    entry.VertexCount = range.VertexCount;
  }

  // Remaps from the optimised mesh back to the input.
  if (faceRemap != nullptr) {
    for (DWORD n = 0; n < numFaces; ++n) faceRemap[n] = faceOrder[optimisedFaces[n]];
  }
  if (vertexRemap != nullptr) {
    auto* remap = static_cast<DWORD*>(optimisedVertices->GetBufferPointer());
    for (DWORD i = 0; i < blended->GetNumVertices(); ++i) remap[i] = vertexSource[remap[i]];
    *vertexRemap = optimisedVertices;
  } else {
    optimisedVertices->Release();
  }
  *numBoneCombinations = count;
  *meshOut = blended;
  return D3D_OK;
}
