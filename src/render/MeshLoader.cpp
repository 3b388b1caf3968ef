// Loading .x meshes into the mesh pool: the static loader, the skinned body
// loader and the preparation they share.

#include <cstring>
#include <string>
#include <vector>

#include "frame/MessageOutputInterface.h"
#include "platform/d3dx9/D3dxMeshTools.h"
#include "render/AdvancedRenderSystem.h"
#include "render/PathData.h"
#include "render/TangentRepair.h"
#include "render/VertexDataAccessor.h"

namespace {

constexpr float kAdjacencyEpsilon = 2.384185791015625e-7f;  // 2^-22
constexpr DWORD kMaxVertices = 65535;                          // 16-bit indices
constexpr std::size_t kMaxMaterialDirectory = 520;
constexpr float kPartialEdgeThreshold = 0.01f;
constexpr float kSingularPointThreshold = 0.1f;
constexpr float kNormalEdgeThreshold = 0.01f;

// The prepared vertex layout: position, normal, tangent, texture
// coordinates, and a second set when the file has one.
const D3DVERTEXELEMENT9 kPreparedLayout[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
    {0, 24, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TANGENT, 0},
    {0, 36, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    {0, 44, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 1},
    D3DDECL_END()};

void Say(MessageOutputInterface* messages, const char* text) {
  if (messages != nullptr && text != nullptr) messages->Output(text);
}

template <typename T>
void ReleaseCom(T*& object) {
  if (object != nullptr) object->Release();
  object = nullptr;
}

struct DeclarationFacts {
  bool hasNormal = false;
  bool hasTangent = false;
  bool hasSecondTexcoord = false;
};

DeclarationFacts InspectDeclaration(ID3DXMesh* mesh) {
  DeclarationFacts facts;
  D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE];
  if (FAILED(mesh->GetDeclaration(declaration))) return facts;
  for (const D3DVERTEXELEMENT9* e = declaration; e->Stream != 0xFF; ++e) {
    if (e->Usage == D3DDECLUSAGE_NORMAL) facts.hasNormal = true;
    if (e->Usage == D3DDECLUSAGE_TANGENT) facts.hasTangent = true;
    if (e->Usage == D3DDECLUSAGE_TEXCOORD && e->UsageIndex == 1) facts.hasSecondTexcoord = true;
  }
  return facts;
}

// A vertex the bone file does not name (a copy the .x loader split off for
// a differing normal) takes the influences of the vertex at its position.
bool BindSplitVertices(ID3DXMesh* mesh, BoneFile* bones) {
  const DWORD vertexCount = mesh->GetNumVertices();
  std::vector<bool> influenced(vertexCount, false);
  for (std::int32_t b = 0; b < bones->boneCount; ++b) {
    const BoneRecord& bone = bones->bones[b];
    for (std::int32_t j = 0; j < bone.influenceCount; ++j) influenced[static_cast<DWORD>(bone.vertexIndices[j])] = true;
  }
  std::vector<DWORD> adjacency(static_cast<std::size_t>(mesh->GetNumFaces()) * 3);
  std::vector<DWORD> pointReps(vertexCount);
  if (FAILED(mesh->GenerateAdjacency(kAdjacencyEpsilon, adjacency.data())) ||
      FAILED(mesh->ConvertAdjacencyToPointReps(adjacency.data(), pointReps.data()))) {
    return false;
  }
  std::vector<std::uint32_t> newToOld(vertexCount);
  for (DWORD i = 0; i < vertexCount; ++i) newToOld[i] = influenced[i] ? i : pointReps[i];
  return RemapBoneVertices(*bones, newToOld.data(), static_cast<std::int32_t>(vertexCount));
}

// Adds normals and tangents by cloning to the prepared layout and computing
// the tangent frame; the result replaces *mesh.
bool AddVectors(MessageOutputInterface* messages, ID3DXMesh** mesh, const DeclarationFacts& facts,
                bool tangentWanted, BoneFile* bones) {
  const bool hasTangent = facts.hasTangent || !tangentWanted;
  D3DVERTEXELEMENT9 layout[6];
  std::memcpy(layout, kPreparedLayout, sizeof(kPreparedLayout));
  if (!facts.hasSecondTexcoord) layout[4] = D3DDECL_END();

  ID3DXMesh* clone = nullptr;
  IDirect3DDevice9* device = nullptr;
  (*mesh)->GetDevice(&device);
  const HRESULT cloned = (*mesh)->CloneMesh((*mesh)->GetOptions(), layout, device, &clone);
  ReleaseCom(device);
  if (FAILED(cloned) || clone == nullptr) {
    Say(messages, "Failed to add vectors to mesh (clone)");
    return false;
  }

  std::vector<DWORD> adjacency(static_cast<std::size_t>(clone->GetNumFaces()) * 3);
  ID3DXMesh* computed = nullptr;
  ID3DXBuffer* mapping = nullptr;
  HRESULT result = clone->GenerateAdjacency(kAdjacencyEpsilon, adjacency.data());
  if (SUCCEEDED(result)) {
    const DWORD tangentOut = hasTangent ? D3DX_DEFAULT : DWORD{D3DDECLUSAGE_TANGENT};
    const DWORD normalOut = facts.hasNormal ? D3DX_DEFAULT : DWORD{D3DDECLUSAGE_NORMAL};
    result = D3DXComputeTangentFrameEx(
        clone, D3DDECLUSAGE_TEXCOORD, 0, tangentOut, 0, D3DX_DEFAULT, 0, normalOut, 0,
        facts.hasNormal ? 0 : D3DXTANGENT_CALCULATE_NORMALS,
        adjacency.data(), kPartialEdgeThreshold, kSingularPointThreshold, kNormalEdgeThreshold, &computed, &mapping);
  }
  clone->Release();
  if (FAILED(result) || computed == nullptr || mapping == nullptr) {
    ReleaseCom(computed);
    ReleaseCom(mapping);
    Say(messages, "Failed to add vectors to mesh (compute)");
    return false;
  }
  (*mesh)->Release();
  *mesh = computed;
  if (!hasTangent) RepairDegenerateTangents(computed);
  if (bones != nullptr) {
    RemapBoneVertices(*bones, static_cast<const std::uint32_t*>(mapping->GetBufferPointer()),
                      static_cast<std::int32_t>(computed->GetNumVertices()));
  }
  mapping->Release();
  return true;
}

// Vertex-cache order and attribute sort; the bone influences follow the
// vertices. Failures are reported and loading goes on.
void Optimize(MessageOutputInterface* messages, ID3DXMesh* mesh, BoneFile* bones) {
  std::vector<DWORD> adjacency(static_cast<std::size_t>(mesh->GetNumFaces()) * 3);
  ID3DXBuffer* remap = nullptr;
  if (FAILED(mesh->GenerateAdjacency(kAdjacencyEpsilon, adjacency.data())) ||
      FAILED(mesh->OptimizeInplace(D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE,
                                   adjacency.data(), nullptr, nullptr, &remap))) {
    ReleaseCom(remap);
    Say(messages, "Failed to optimize mesh");
    return;
  }
  if (bones != nullptr &&
      (remap == nullptr || !RemapBoneVertices(*bones, static_cast<const std::uint32_t*>(remap->GetBufferPointer()),
                                              static_cast<std::int32_t>(mesh->GetNumVertices())))) {
    Say(messages, "Failed to remap vertices at bones");
  }
  ReleaseCom(remap);
}

// The largest distance of a vertex position from the mesh's origin.
float ComputeBoundingRadius(ID3DXMesh* mesh) {
  D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE];
  void* data = nullptr;
  if (FAILED(mesh->GetDeclaration(declaration)) || FAILED(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data))) {
    return 0.0f;
  }
  VertexDataAccessor vertices(declaration, data);
  float largest = 0.0f;
  if (vertices.Analyze(0, D3DDECLUSAGE_POSITION)) {
    for (DWORD i = 0; i < mesh->GetNumVertices(); ++i) {
      const D3DXVECTOR3 position = vertices.Vector3(0, i);
      const float length = D3DXVec3Length(&position);
      if (length > largest) largest = length;
    }
  }
  mesh->UnlockVertexBuffer();
  return largest;
}

// Each material of the file names its .udt file, relative to the .x file.
void LoadMaterials(MessageOutputInterface* messages, MeshData* record, ID3DXBuffer* materialBuffer,
                   const char* path) {
  record->materials = new MaterialData*[record->numMaterials]();
  if (materialBuffer == nullptr) return;
  std::string directory = path;
  for (char& c : directory) {
    if (c == '/') c = '\\';
  }
  const std::size_t slash = directory.rfind('\\');
  directory = slash == std::string::npos ? std::string() : directory.substr(0, slash + 1);
  if (directory.size() > kMaxMaterialDirectory) directory.resize(kMaxMaterialDirectory);

  const auto* materials = static_cast<const D3DXMATERIAL*>(materialBuffer->GetBufferPointer());
  for (std::uint32_t i = 0; i < record->numMaterials; ++i) {
    if (materials[i].pTextureFilename == nullptr || materials[i].pTextureFilename[0] == '\0') continue;
    // Opened (and named in messages) with the system's own separators.
    const std::string materialPath = PathData::OpenName(directory + materials[i].pTextureFilename);
    if (!record->owner->LoadMaterial(messages, &record->materials[i], materialPath.c_str())) {
      record->materials[i] = nullptr;
    }
  }
}

// Loads and prepares the mesh of a record; with a bone file, its influences
// follow every renumbering of the vertices.
bool PrepareMesh(MessageOutputInterface* messages, MeshData* record, BoneFile* bones, const char* path,
                 bool tangentWanted, bool loadMaterials) {
  ID3DXMesh* mesh = nullptr;
  ID3DXBuffer* materialBuffer = nullptr;
  DWORD numMaterials = 0;
  if (FAILED(D3DXLoadMeshFromXA(path, D3DXMESH_MANAGED, record->owner->GetDevice(), nullptr, &materialBuffer,
                                nullptr, &numMaterials, &mesh)) ||
      mesh == nullptr) {
    ReleaseCom(materialBuffer);
    Say(messages, "Failed to load mesh file");
    return false;
  }
  const auto fail = [&]() {
    ReleaseCom(mesh);
    ReleaseCom(materialBuffer);
    return false;
  };
  if (mesh->GetNumVertices() > kMaxVertices) {
    Say(messages, "Too many vertices");
    return fail();
  }
  if (bones != nullptr) {
    // The bone file numbers the vertices as the .x file stores them.
    if (!CheckBoneVertices(*bones, static_cast<std::int32_t>(mesh->GetNumVertices())) ||
        !BindSplitVertices(mesh, bones)) {
      Say(messages, "Failed to remap vertices at bones");
      return fail();
    }
  }

  const DeclarationFacts facts = InspectDeclaration(mesh);
  const bool hasTangent = facts.hasTangent || !tangentWanted;
  if ((!facts.hasNormal || !hasTangent) && !AddVectors(messages, &mesh, facts, tangentWanted, bones)) return fail();
  if (mesh->GetNumVertices() > kMaxVertices) {
    Say(messages, "Too many vertices");  // the tangent frame split vertices past the index range
    return fail();
  }

  if (!loadMaterials) {
    DWORD* attributes = nullptr;
    if (SUCCEEDED(mesh->LockAttributeBuffer(0, &attributes))) {
      std::memset(attributes, 0, sizeof(DWORD) * mesh->GetNumFaces());
      mesh->UnlockAttributeBuffer();
    }
  }
  Optimize(messages, mesh, bones);
  record->boundingRadius = ComputeBoundingRadius(mesh);

  record->numMaterials = loadMaterials ? numMaterials : 0;
  if (loadMaterials && numMaterials > 0) LoadMaterials(messages, record, materialBuffer, path);
  ReleaseCom(materialBuffer);
  record->mesh = mesh;
  return true;
}

std::string CanonicalKey(const char* path) {
  std::string key = path;
  PathData::NormalizePath(&key);
  return key;
}

}  // namespace

bool LoadMesh(MessageOutputInterface* messages, MeshData** out, AdvancedRenderSystem* renderer, const char* path,
              bool loadMaterials) {
  if (out == nullptr || *out != nullptr || renderer == nullptr || path == nullptr) {
    Say(messages, "Invalid parameter");
    return false;
  }
  const std::string key = CanonicalKey(path);
  *out = renderer->GetMeshPool().Acquire(key);
  if (*out != nullptr) return true;

  auto* record = new MeshData(renderer);
  *out = record;
  if (!PrepareMesh(messages, record, nullptr, path, !renderer->IsFixedPipeline(), loadMaterials)) {
    record->Clear();
    delete record;
    *out = nullptr;
    return false;
  }
  renderer->GetMeshPool().Add(key, record);
  return true;
}

bool AdvancedRenderSystem::LoadSkinMesh(SkinData** out, MessageOutputInterface* messages, const char* meshPath,
                                        const char* bonePath, const char* posePath) {
  if (out == nullptr || *out != nullptr) {
    Say(messages, "Invalid parameter");
    return false;
  }
  const std::string key = CanonicalKey(meshPath) + CanonicalKey(bonePath) + CanonicalKey(posePath);
  *out = static_cast<SkinData*>(meshPool_.Acquire(key));
  if (*out != nullptr) return true;

  auto* record = new SkinData(this);
  *out = record;
  const auto fail = [&](const char* message) {
    Say(messages, message);
    record->Clear();
    delete record;
    *out = nullptr;
    return false;
  };
  if (!LoadBoneFile(&record->bones, bonePath)) return fail("Failed to load bone file");
  if (!LoadPoseFile(&record->poses, posePath)) return fail("Failed to load pose file");
  if (!PrepareMesh(messages, record, &record->bones, meshPath, !IsFixedPipeline(), false)) return fail(nullptr);
  if (!record->frame.Init(record->mesh, &record->bones, &record->poses)) {
    return fail("Failed to init SkinMeshFrame");
  }
  record->boundingRadius *= 2.0f;
  meshPool_.Add(key, record);
  return true;
}
