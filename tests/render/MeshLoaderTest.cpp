// Loading .x meshes through the mesh pool: vertex limits, the vectors each
// mode needs, tangent repair, materials and sharing.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "render/AdvancedRenderSystem.h"
#include "render/RendererFixture.h"
#include "render/TangentRepair.h"
#include "render/VertexDataAccessor.h"
#include "render/XFileText.h"

namespace {

using Lines = std::vector<std::string>;

// A quad in the z = 0 plane facing -z, U along +x and V along -y.
XFileText Quad() {
  XFileText x;
  x.Vertex(0, 0, 0, 0, 1);
  x.Vertex(0, 1, 0, 0, 0);
  x.Vertex(1, 1, 0, 1, 0);
  x.Vertex(1, 0, 0, 1, 1);
  x.Face(0, 1, 2);
  x.Face(0, 2, 3);
  return x;
}

// Element offsets of a declaration by usage (index 0), -1 when absent.
int OffsetOf(ID3DXMesh* mesh, BYTE usage, BYTE index = 0) {
  D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE];
  mesh->GetDeclaration(declaration);
  for (const D3DVERTEXELEMENT9* e = declaration; e->Stream != 0xFF; ++e) {
    if (e->Usage == usage && e->UsageIndex == index) return e->Offset;
  }
  return -1;
}

// The 3-vector at an element offset of every vertex.
std::vector<D3DXVECTOR3> Vectors(ID3DXMesh* mesh, int offset) {
  std::vector<D3DXVECTOR3> out;
  void* data = nullptr;
  if (offset < 0 || FAILED(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data))) return out;
  for (DWORD i = 0; i < mesh->GetNumVertices(); ++i) {
    D3DXVECTOR3 v;
    std::memcpy(&v, static_cast<const std::uint8_t*>(data) + i * mesh->GetNumBytesPerVertex() + offset, sizeof(v));
    out.push_back(v);
  }
  mesh->UnlockVertexBuffer();
  return out;
}

class MeshLoaderTest : public RendererTest {
 protected:
  MeshData* Load(const XFileText& x, bool materials = true, const std::string& name = "m.x") {
    return LoadFile(files_.WriteText(name, x.Text()), materials);
  }
  MeshData* LoadFile(const std::string& path, bool materials = true) {
    MeshData* mesh = nullptr;
    const bool loaded = LoadMesh(&messages_, &mesh, &renderer_, path.c_str(), materials);
    EXPECT_EQ(loaded, mesh != nullptr);
    return mesh;
  }
};

TEST_F(MeshLoaderTest, SixtyFiveThousandFiveHundredThirtyFiveVerticesLoadAndOneMoreDoesNot) {
  StartShaderMode();
  for (const std::size_t count : {std::size_t{65535}, std::size_t{65536}}) {
    XFileText x;
    for (std::size_t i = 0; i < count; ++i) {
      x.Vertex(static_cast<float>(i % 256), static_cast<float>(i / 256), 0.0f);
      x.normals.insert(x.normals.end(), {0.0f, 0.0f, -1.0f});
      x.tangents.insert(x.tangents.end(), {1.0f, 0.0f, 0.0f});
    }
    for (std::uint32_t i = 0; i + 2 < count; i += 3) x.Face(i, i + 1, i + 2);
    messages_.lines.clear();
    MeshData* mesh = Load(x, false, "big" + std::to_string(count) + ".x");
    if (count == 65535) {
      ASSERT_NE(mesh, nullptr) << (messages_.lines.empty() ? "" : messages_.lines[0]);
      EXPECT_TRUE(messages_.lines.empty());
      renderer_.GetMeshPool().Release(mesh);
    } else {
      EXPECT_EQ(mesh, nullptr);
      EXPECT_EQ(messages_.lines, Lines{"Too many vertices"});
    }
  }
  EXPECT_EQ(renderer_.GetMeshPool().Size(), 0u);
}

TEST_F(MeshLoaderTest, MissingVectorsAreAddedAndPresentOnesKept) {
  StartShaderMode();
  // Normals and tangents: the file's own declaration stays.
  XFileText both = Quad();
  for (int i = 0; i < 4; ++i) {
    both.normals.insert(both.normals.end(), {0.0f, 0.0f, -1.0f});
    both.tangents.insert(both.tangents.end(), {0.0f, 1.0f, 0.0f});
  }
  MeshData* kept = Load(both, false, "both.x");
  ASSERT_NE(kept, nullptr);
  EXPECT_NE(OffsetOf(kept->mesh, D3DDECLUSAGE_TANGENT), 24);  // not the prepared layout
  for (const D3DXVECTOR3& t : Vectors(kept->mesh, OffsetOf(kept->mesh, D3DDECLUSAGE_TANGENT))) {
    EXPECT_EQ(t, D3DXVECTOR3(0, 1, 0));
  }

  // Neither: both are computed into the prepared layout; the tangent
  // follows +U and the normal faces the viewer at -z.
  MeshData* added = Load(Quad(), false, "neither.x");
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(added->mesh->GetNumBytesPerVertex(), 44u);
  EXPECT_EQ(OffsetOf(added->mesh, D3DDECLUSAGE_NORMAL), 12);
  EXPECT_EQ(OffsetOf(added->mesh, D3DDECLUSAGE_TANGENT), 24);
  EXPECT_EQ(OffsetOf(added->mesh, D3DDECLUSAGE_TEXCOORD), 36);
  for (const D3DXVECTOR3& n : Vectors(added->mesh, 12)) {
    EXPECT_NEAR(n.z, -1.0f, 1e-5f);
  }
  for (const D3DXVECTOR3& t : Vectors(added->mesh, 24)) {
    EXPECT_NEAR(t.x, 1.0f, 1e-5f);
  }

  // Tangents only: normals are computed, the file's tangents stay.
  XFileText tangentsOnly = Quad();
  for (int i = 0; i < 4; ++i) tangentsOnly.tangents.insert(tangentsOnly.tangents.end(), {0.0f, 1.0f, 0.0f});
  MeshData* normalsAdded = Load(tangentsOnly, false, "tangents.x");
  ASSERT_NE(normalsAdded, nullptr);
  for (const D3DXVECTOR3& n : Vectors(normalsAdded->mesh, 12)) EXPECT_NEAR(n.z, -1.0f, 1e-5f);
  for (const D3DXVECTOR3& t : Vectors(normalsAdded->mesh, 24)) EXPECT_NEAR(t.y, 1.0f, 1e-5f);
  EXPECT_TRUE(messages_.lines.empty());
}

TEST_F(MeshLoaderTest, TheFixedPipelineGetsNormalsButNoTangents) {
  StartFixedPipeline();
  MeshData* mesh = Load(Quad(), false);
  ASSERT_NE(mesh, nullptr);
  for (const D3DXVECTOR3& n : Vectors(mesh->mesh, 12)) EXPECT_NEAR(n.z, -1.0f, 1e-5f);
  for (const D3DXVECTOR3& t : Vectors(mesh->mesh, 24)) EXPECT_EQ(t, D3DXVECTOR3(0, 0, 0));
}

TEST_F(MeshLoaderTest, DegenerateTangentsAreRebuiltFromFacesAndSeamNeighbours) {
  // Face tangents: U along +x; none for a mirrored or collapsed mapping.
  const D3DXVECTOR3 positions[3] = {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}};
  D3DXVECTOR2 uvs[3] = {{0, 1}, {0, 0}, {1, 0}};
  D3DXVECTOR3 tangent;
  ASSERT_TRUE(ComputeFaceTangent(positions, uvs, &tangent));
  EXPECT_NEAR(tangent.x, 1.0f, 1e-6f);
  std::swap(uvs[1], uvs[2]);
  EXPECT_FALSE(ComputeFaceTangent(positions, uvs, &tangent));
  const D3DXVECTOR2 collapsed[3] = {{0.5f, 0.5f}, {0.5f, 0.5f}, {0.5f, 0.5f}};
  EXPECT_FALSE(ComputeFaceTangent(positions, collapsed, &tangent));

  // Two quads at the same place: the second has collapsed texture
  // coordinates, so its vertices can only borrow from the first's.
  StartShaderMode();
  XFileText x = Quad();
  for (int i = 0; i < 4; ++i) {
    x.Vertex(x.positions[i * 3], x.positions[i * 3 + 1], 0.0f, 0.25f, 0.25f);
  }
  x.Face(4, 5, 6);
  x.Face(4, 6, 7);
  MeshData* mesh = Load(x, false);
  ASSERT_NE(mesh, nullptr);
  const std::vector<D3DXVECTOR3> tangents = Vectors(mesh->mesh, 24);
  ASSERT_EQ(tangents.size(), 8u);
  for (const D3DXVECTOR3& t : tangents) {
    EXPECT_NEAR(t.x, 1.0f, 1e-5f);
    EXPECT_NEAR(t.z, 0.0f, 1e-5f);
  }
}

TEST_F(MeshLoaderTest, MaterialsComeFromTheUdtFilesBesideTheMesh) {
  StartShaderMode();
  files_.WriteText("red.udt", Udt("StdSimple"));
  XFileText x = Quad();
  x.materials = {{""}, {"red.udt"}, {"missing.udt"}};
  x.faceMaterials = {1, 0};
  MeshData* mesh = Load(x);
  ASSERT_NE(mesh, nullptr);
  ASSERT_EQ(mesh->numMaterials, 3u);
  EXPECT_EQ(mesh->materials[0], nullptr);  // no name: drawn with the default material
  ASSERT_NE(mesh->materials[1], nullptr);
  EXPECT_EQ(mesh->materials[1]->type, 0);
  EXPECT_EQ(mesh->materials[2], nullptr);
  EXPECT_EQ(messages_.lines, Lines{files_.Path() + "missing.udt: Failed to load udt file"});
  EXPECT_EQ(renderer_.GetMaterialPool().Count(Key(files_.Path() + "red.udt")), 1);

  // Without materials every face is in subset 0 and no material is loaded.
  MeshData* plain = Load(x, false, "plain.x");
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(plain->numMaterials, 0u);
  EXPECT_EQ(plain->materials, nullptr);
  DWORD ranges = 0;
  plain->mesh->GetAttributeTable(nullptr, &ranges);
  EXPECT_EQ(ranges, 1u);

  renderer_.GetMeshPool().Release(mesh);
  EXPECT_EQ(renderer_.GetMaterialPool().Count(Key(files_.Path() + "red.udt")), 0);
}

TEST_F(MeshLoaderTest, OnePathIsOneMeshAndFailuresAreNotPooled) {
  StartShaderMode();
  const std::string path = files_.WriteText("Shared.x", Quad().Text());
  MeshData* first = LoadFile(path);
  MeshData* second = LoadFile(files_.Path() + "./shared.X");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, second);
  EXPECT_EQ(renderer_.GetMeshPool().Count(Key(path)), 2);
  EXPECT_NEAR(first->boundingRadius, std::sqrt(2.0f), 1e-6f);  // from the origin, not the centre

  MeshData* occupied = first;
  EXPECT_FALSE(LoadMesh(&messages_, &occupied, &renderer_, path.c_str(), true));
  EXPECT_EQ(occupied, first);
  EXPECT_EQ(LoadFile(files_.Path() + "none.x"), nullptr);
  EXPECT_EQ(LoadFile(files_.WriteText("broken.x", Quad().Text().substr(0, 60))), nullptr);
  EXPECT_EQ(messages_.lines, (Lines{"Invalid parameter", "Failed to load mesh file", "Failed to load mesh file"}));
  EXPECT_EQ(renderer_.GetMeshPool().Size(), 1u);
}

TEST_F(MeshLoaderTest, DrawingIssuesOneDrawPerSubset) {
  StartFixedPipeline();
  files_.WriteText("a.udt", Udt("StdSimple"));
  XFileText x = Quad();
  x.materials = {{"a.udt"}, {""}};
  x.faceMaterials = {0, 1};
  MeshData* mesh = Load(x);
  ASSERT_NE(mesh, nullptr);
  d3d9::ResetStatistics(device_);
  device_->BeginScene();
  mesh->Draw(&renderer_);
  device_->EndScene();
  EXPECT_EQ(d3d9::GetStatistics(device_).drawCalls, 2u);
}

TEST(VertexDataAccessorTest, SlotsFindTheLastElementOfUsageIndexZero) {
  const D3DVERTEXELEMENT9 declaration[] = {
      {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
      {0, 12, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 1},
      {0, 20, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
      {0, 28, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
      D3DDECL_END()};
  const float vertices[2][10] = {{0, 0, 0, 9, 9, 0.25f, 0.5f, 1, 2, 3}, {0, 0, 0, 9, 9, 0.75f, 1, 4, 5, 6}};
  VertexDataAccessor accessor(declaration, vertices);
  ASSERT_TRUE(accessor.Analyze(0, D3DDECLUSAGE_POSITION));
  ASSERT_TRUE(accessor.Analyze(3, D3DDECLUSAGE_TEXCOORD));
  EXPECT_FALSE(accessor.Analyze(4, D3DDECLUSAGE_NORMAL));
  EXPECT_FALSE(accessor.Analyze(12, D3DDECLUSAGE_POSITION));
  EXPECT_EQ(accessor.VertexSize(0), 40u);
  EXPECT_EQ(accessor.Vector3(0, 1), D3DXVECTOR3(4, 5, 6));
  EXPECT_EQ(accessor.Vector2(3, 1), D3DXVECTOR2(0.75f, 1));
  EXPECT_EQ(accessor.Offset(4), -1);
}

}  // namespace
