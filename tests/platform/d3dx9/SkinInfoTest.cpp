// Skin information and its conversion into a vertex-blended mesh.

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <map>
#include <vector>

#include "platform/d3dx9/D3dxSkinInfo.h"
#include "platform/d3dx9/MeshBuilder.h"

namespace {

constexpr DWORD kLoaderOptions = D3DXMESH_MANAGED | D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE;

using Weights = std::map<DWORD, float>;  // bone -> weight

ID3DXMesh* Strip(DWORD quads) {
  std::vector<MeshVertex> vertices;
  for (DWORD c = 0; c <= quads; ++c) {
    vertices.push_back({static_cast<float>(c), 0, 0, static_cast<float>(c), 0});
    vertices.push_back({static_cast<float>(c), 1, 0, static_cast<float>(c), 1});
  }
  return BuildMesh(vertices, StripIndices(quads));
}

ID3DXSkinInfo* Skin(ID3DXMesh* mesh, DWORD bones, const std::vector<Weights>& influences) {
  D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE];
  mesh->GetDeclaration(declaration);
  ID3DXSkinInfo* skin = nullptr;
  EXPECT_EQ(D3DXCreateSkinInfo(mesh->GetNumVertices(), declaration, bones, &skin), D3D_OK);
  for (DWORD bone = 0; bone < bones; ++bone) {
    std::vector<DWORD> vertices;
    std::vector<float> weights;
    for (DWORD v = 0; v < influences.size(); ++v) {
      const auto it = influences[v].find(bone);
      if (it == influences[v].end()) continue;
      vertices.push_back(v);
      weights.push_back(it->second);
    }
    EXPECT_EQ(skin->SetBoneInfluence(bone, static_cast<DWORD>(vertices.size()), vertices.data(), weights.data()),
              D3D_OK);
  }
  return skin;
}

struct Blended {
  HRESULT result = E_FAIL;
  DWORD maxFaceInfluences = 0;
  DWORD combinationCount = 0;
  ID3DXBuffer* table = nullptr;
  ID3DXBuffer* vertexRemap = nullptr;
  ID3DXMesh* mesh = nullptr;
  Blended(ID3DXSkinInfo* skin, ID3DXMesh* source) {
    std::vector<DWORD> adjacency(source->GetNumFaces() * 3);
    source->GenerateAdjacency(2.384185791015625e-7f, adjacency.data());
    result = skin->ConvertToBlendedMesh(source, kLoaderOptions, adjacency.data(), nullptr, nullptr, &vertexRemap,
                                        &maxFaceInfluences, &combinationCount, &table, &mesh);
  }
  ~Blended() {
    for (D3dUnknown* object : std::initializer_list<D3dUnknown*>{table, vertexRemap, mesh}) {
      if (object != nullptr) object->Release();
    }
  }
  const D3DXBONECOMBINATION& Combination(DWORD c) const {
    return static_cast<const D3DXBONECOMBINATION*>(table->GetBufferPointer())[c];
  }
  std::vector<DWORD> Bones(DWORD c) const {
    return std::vector<DWORD>(Combination(c).BoneId, Combination(c).BoneId + maxFaceInfluences);
  }
  DWORD Source(DWORD vertex) const { return static_cast<const DWORD*>(vertexRemap->GetBufferPointer())[vertex]; }

  // A vertex's weights as the renderer blends them in combination c: the
  // stored weights of all slots but the combination's last, which is implied.
  Weights Blend(DWORD c, DWORD vertex) const {
    DWORD used = 0;
    while (used < maxFaceInfluences && Combination(c).BoneId[used] != 0xFFFFFFFFu) ++used;
    float stored[4] = {};
    void* data = nullptr;
    mesh->LockVertexBuffer(D3DLOCK_READONLY, &data);
    std::memcpy(stored, static_cast<std::uint8_t*>(data) + vertex * mesh->GetNumBytesPerVertex() + 12,
                sizeof(float) * (maxFaceInfluences - 1));
    mesh->UnlockVertexBuffer();
    Weights weights;
    float rest = 1.0f;
    for (DWORD slot = 0; slot + 1 < used; ++slot) {
      if (stored[slot] != 0.0f) weights[Combination(c).BoneId[slot]] = stored[slot];
      rest -= stored[slot];
    }
    if (rest > 1e-6f) weights[Combination(c).BoneId[used - 1]] = rest;
    return weights;
  }

  // Every corner of every combination's faces blends as expected (weights
  // normalised) and lies in the combination's vertex range.
  void ExpectWeights(const std::vector<Weights>& expected) const {
    for (DWORD c = 0; c < combinationCount; ++c) {
      const D3DXBONECOMBINATION& range = Combination(c);
      for (DWORD i = range.FaceStart * 3; i < (range.FaceStart + range.FaceCount) * 3; ++i) {
        const DWORD vertex = mesh->IndexAt(i);
        EXPECT_GE(vertex, range.VertexStart);
        EXPECT_LT(vertex, range.VertexStart + range.VertexCount);
        const Weights actual = Blend(c, vertex);
        const Weights& wanted = expected[Source(vertex)];
        ASSERT_EQ(actual.size(), wanted.size()) << "vertex " << Source(vertex) << " in combination " << c;
        for (const auto& [bone, weight] : wanted) EXPECT_NEAR(actual.at(bone), weight, 1e-6f) << bone;
      }
    }
  }
};

TEST(SkinInfoTest, TwoBoneStripBecomesOneCombination) {
  ID3DXMesh* mesh = Strip(2);
  // Vertex 5 has no influence: it follows the combination's first bone.
  ID3DXSkinInfo* skin =
      Skin(mesh, 2, {{{0, 1.0f}}, {{0, 1.0f}}, {{0, 0.3f}, {1, 0.9f}}, {{0, 0.6f}, {1, 0.2f}}, {{1, 1.0f}}, {}});
  Blended blended(skin, mesh);
  ASSERT_EQ(blended.result, D3D_OK);
  EXPECT_EQ(blended.maxFaceInfluences, 2u);
  ASSERT_EQ(blended.combinationCount, 1u);
  EXPECT_EQ(blended.Bones(0), (std::vector<DWORD>{0, 1}));
  const D3DXBONECOMBINATION& combination = blended.Combination(0);
  EXPECT_EQ(combination.AttribId, 0u);
  EXPECT_EQ(combination.FaceStart, 0u);
  EXPECT_EQ(combination.FaceCount, 4u);
  EXPECT_EQ(combination.VertexStart, 0u);
  EXPECT_EQ(combination.VertexCount, 6u);
  EXPECT_EQ(blended.mesh->GetNumVertices(), 6u);
  blended.ExpectWeights({{{0, 1.0f}}, {{0, 1.0f}}, {{0, 0.25f}, {1, 0.75f}}, {{0, 0.75f}, {1, 0.25f}}, {{1, 1.0f}},
                         {{0, 1.0f}}});

  // Position, one weight, then the rest of the input layout.
  D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE];
  blended.mesh->GetDeclaration(declaration);
  const BYTE usages[] = {D3DDECLUSAGE_POSITION, D3DDECLUSAGE_BLENDWEIGHT, D3DDECLUSAGE_NORMAL, D3DDECLUSAGE_TANGENT,
                         D3DDECLUSAGE_TEXCOORD};
  const WORD offsets[] = {0, 12, 16, 28, 40};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(declaration[i].Usage, usages[i]) << i;
    EXPECT_EQ(declaration[i].Offset, offsets[i]) << i;
  }
  EXPECT_EQ(declaration[1].Type, D3DDECLTYPE_FLOAT1);
  EXPECT_EQ(declaration[5].Stream, 0xFF);
  for (DWORD v = 0; v < 6; ++v) {
    const Float3 p = ReadFloat3(blended.mesh, v, 0);
    const Float3 source = ReadFloat3(mesh, blended.Source(v), 0);
    EXPECT_TRUE(p.x == source.x && p.y == source.y && p.z == source.z) << v;
    EXPECT_EQ(ReadFloat2(blended.mesh, v, 40), ReadFloat2(mesh, blended.Source(v), 36)) << v;
  }
  DWORD ranges = 0;
  blended.mesh->GetAttributeTable(nullptr, &ranges);
  EXPECT_EQ(ranges, 1u);
  skin->Release();
  mesh->Release();
}

TEST(SkinInfoTest, NineBonesPackIntoCombinationsOfFour) {
  // Column c of a six-quad strip follows bone c; vertex 0 also bones 7 and 8,
  // so its face needs four bones: {0, 1, 7, 8}.
  ID3DXMesh* mesh = Strip(6);
  std::vector<Weights> influences;
  for (DWORD v = 0; v < 14; ++v) influences.push_back({{v / 2, 1.0f}});
  influences[0] = {{0, 0.5f}, {7, 0.25f}, {8, 0.25f}};
  ID3DXSkinInfo* skin = Skin(mesh, 9, influences);
  Blended blended(skin, mesh);
  ASSERT_EQ(blended.result, D3D_OK);
  EXPECT_EQ(blended.maxFaceInfluences, 4u);
  ASSERT_EQ(blended.combinationCount, 3u);
  // Quad 0 fills the first combination; quads 1-3 share bones 1-4; 4-5 bones 4-6.
  EXPECT_EQ(blended.Bones(0), (std::vector<DWORD>{0, 1, 7, 8}));
  EXPECT_EQ(blended.Bones(1), (std::vector<DWORD>{1, 2, 3, 4}));
  EXPECT_EQ(blended.Bones(2), (std::vector<DWORD>{4, 5, 6, 0xFFFFFFFFu}));
  const DWORD faces[] = {2, 6, 4};
  const DWORD vertices[] = {4, 8, 6};  // columns 1 and 4 are copied into two combinations
  DWORD faceStart = 0;
  for (DWORD c = 0; c < 3; ++c) {
    EXPECT_EQ(blended.Combination(c).AttribId, 0u);
    EXPECT_EQ(blended.Combination(c).FaceStart, faceStart);
    EXPECT_EQ(blended.Combination(c).FaceCount, faces[c]);
    EXPECT_EQ(blended.Combination(c).VertexCount, vertices[c]);
    faceStart += faces[c];
  }
  EXPECT_EQ(blended.mesh->GetNumVertices(), 18u);
  blended.ExpectWeights(influences);
  DWORD* attributes = nullptr;
  blended.mesh->LockAttributeBuffer(D3DLOCK_READONLY, &attributes);
  for (DWORD f = 0; f < 12; ++f) EXPECT_EQ(attributes[f], f < 2 ? 0u : f < 8 ? 1u : 2u) << f;
  blended.mesh->UnlockAttributeBuffer();
  skin->Release();
  mesh->Release();
}

TEST(SkinInfoTest, CombinationsHoldNoMoreBonesThanVerticesHaveWeights) {
  // Two bones per face: one weight per vertex, so two bones per combination
  // although the strip's four bones would fit in one.
  ID3DXMesh* mesh = Strip(3);
  std::vector<Weights> influences;
  for (DWORD v = 0; v < 8; ++v) influences.push_back({{v / 2, 1.0f}});
  ID3DXSkinInfo* skin = Skin(mesh, 4, influences);
  Blended blended(skin, mesh);
  ASSERT_EQ(blended.result, D3D_OK);
  EXPECT_EQ(blended.maxFaceInfluences, 2u);
  ASSERT_EQ(blended.combinationCount, 3u);
  for (DWORD c = 0; c < 3; ++c) EXPECT_EQ(blended.Bones(c), (std::vector<DWORD>{c, c + 1}));
  blended.ExpectWeights(influences);
  skin->Release();
  mesh->Release();
}

TEST(SkinInfoTest, CombinationsFollowTheInputAttributes) {
  // Both quads use bones 0 and 1 but different materials.
  ID3DXMesh* mesh = BuildMesh({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}, {2, 0, 0}, {2, 1, 0}}, StripIndices(2),
                              D3DXMESH_MANAGED, {5, 5, 2, 2});
  ID3DXSkinInfo* skin = Skin(mesh, 2, {{{0, 1}}, {{0, 1}}, {{1, 1}}, {{1, 1}}, {{0, 1}}, {{0, 1}}});
  Blended blended(skin, mesh);
  ASSERT_EQ(blended.result, D3D_OK);
  ASSERT_EQ(blended.combinationCount, 2u);
  EXPECT_EQ(blended.Combination(0).AttribId, 2u);
  EXPECT_EQ(blended.Combination(1).AttribId, 5u);
  EXPECT_EQ(blended.Combination(0).FaceCount, 2u);
  EXPECT_EQ(blended.mesh->GetNumVertices(), 8u);
  skin->Release();
  mesh->Release();
}

TEST(SkinInfoTest, AFaceOnFiveBonesIsRefusedButCounted) {
  ID3DXMesh* mesh = BuildMesh({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}}, {0, 1, 2});
  ID3DXSkinInfo* skin = Skin(mesh, 5, {{{0, 0.5f}, {1, 0.5f}}, {{2, 0.5f}, {3, 0.5f}}, {{4, 1.0f}}});
  Blended blended(skin, mesh);
  EXPECT_EQ(blended.result, D3DERR_INVALIDCALL);
  EXPECT_EQ(blended.maxFaceInfluences, 5u);
  EXPECT_EQ(blended.mesh, nullptr);
  EXPECT_EQ(blended.table, nullptr);
  DWORD most = 0;
  EXPECT_EQ(skin->GetMaxVertexInfluences(&most), D3D_OK);
  EXPECT_EQ(most, 2u);
  EXPECT_EQ(skin->GetMaxFaceInfluences(mesh, &most), D3D_OK);
  EXPECT_EQ(most, 5u);
  skin->Release();
  mesh->Release();
}

TEST(SkinInfoTest, InvalidInfluencesAndMeshesAreRefused) {
  ID3DXMesh* mesh = Strip(1);
  ID3DXSkinInfo* skin = Skin(mesh, 2, {{{0, 1}}, {{0, 1}}, {{1, 0.5f}}, {{1, 1}}});
  const DWORD vertices[] = {0, 4};
  const float weights[] = {1.0f, 1.0f};
  EXPECT_EQ(skin->SetBoneInfluence(2, 1, vertices, weights), D3DERR_INVALIDCALL);      // no bone 2
  EXPECT_EQ(skin->SetBoneInfluence(1, 2, vertices, weights), D3DERR_INVALIDCALL);      // no vertex 4
  EXPECT_EQ(skin->SetBoneInfluence(1, 1, nullptr, weights), D3DERR_INVALIDCALL);
  ASSERT_EQ(skin->GetNumBoneInfluences(1), 2u);  // bone 1 keeps its influences
  DWORD kept[2];
  float keptWeights[2];
  ASSERT_EQ(skin->GetBoneInfluence(1, kept, keptWeights), D3D_OK);
  EXPECT_EQ(kept[0], 2u);
  EXPECT_EQ(keptWeights[0], 0.5f);

  ID3DXMesh* other = Strip(2);  // 6 vertices against a skin of 4
  ID3DXMesh* out = nullptr;
  ID3DXBuffer* table = nullptr;
  DWORD count = 0;
  EXPECT_EQ(skin->ConvertToBlendedMesh(other, kLoaderOptions, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                                       &table, &out),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(out, nullptr);
  ID3DXSkinInfo* none = nullptr;
  EXPECT_EQ(D3DXCreateSkinInfo(4, nullptr, 1, &none), D3DERR_INVALIDCALL);
  other->Release();
  skin->Release();
  mesh->Release();
}

}  // namespace
