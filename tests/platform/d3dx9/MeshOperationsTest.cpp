// Mesh operations: adjacency, optimisation, cloning, the sphere, drawing.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "platform/d3d9/DeviceFixture.h"
#include "platform/d3dx9/D3dxMesh.h"

namespace {

struct Position {
  float x, y, z;
};

// A mesh of positions only, with the given triangles and attribute ids.
ID3DXMesh* MakeMesh(const std::vector<Position>& positions, const std::vector<DWORD>& indices,
                    const std::vector<DWORD>& attributes) {
  ID3DXMesh* mesh = nullptr;
  EXPECT_EQ(D3DXCreateMeshFVF(static_cast<DWORD>(attributes.size()), static_cast<DWORD>(positions.size()),
                              D3DXMESH_MANAGED, D3DFVF_XYZ, nullptr, &mesh),
            D3D_OK);
  void* vertices = nullptr;
  mesh->LockVertexBuffer(0, &vertices);
  std::memcpy(vertices, positions.data(), positions.size() * sizeof(Position));
  mesh->UnlockVertexBuffer();
  WORD* index = nullptr;
  mesh->LockIndexBuffer(0, reinterpret_cast<void**>(&index));
  for (std::size_t i = 0; i < indices.size(); ++i) index[i] = static_cast<WORD>(indices[i]);
  mesh->UnlockIndexBuffer();
  DWORD* attribute = nullptr;
  mesh->LockAttributeBuffer(0, &attribute);
  std::copy(attributes.begin(), attributes.end(), attribute);
  mesh->UnlockAttributeBuffer();
  return mesh;
}

Position At(ID3DXMesh* mesh, DWORD vertex) {
  void* data = nullptr;
  mesh->LockVertexBuffer(D3DLOCK_READONLY, &data);
  Position p{};
  std::memcpy(&p, static_cast<std::uint8_t*>(data) + vertex * mesh->GetNumBytesPerVertex(), sizeof(p));
  mesh->UnlockVertexBuffer();
  return p;
}

bool Same(Position a, Position b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

TEST(MeshOperationsTest, AdjacencyJoinsFacesWhoseSharedEdgeLiesWithinEpsilon) {
  // The second triangle has its own copies of the shared edge's end points.
  const float gap = 0.001f;
  ID3DXMesh* mesh = MakeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 1 + gap, 0}, {1 + gap, 0, 0}, {1, 1, 0}},
                             {0, 1, 2, 3, 4, 5}, {0, 0});
  std::vector<DWORD> adjacency(6);
  ASSERT_EQ(mesh->GenerateAdjacency(0.01f, adjacency.data()), D3D_OK);
  EXPECT_EQ(adjacency, (std::vector<DWORD>{~0u, 1, ~0u, 0, ~0u, ~0u}));
  ASSERT_EQ(mesh->GenerateAdjacency(0.0f, adjacency.data()), D3D_OK);
  EXPECT_EQ(adjacency, (std::vector<DWORD>(6, ~0u)));
  mesh->Release();
}

TEST(MeshOperationsTest, OptimizeSortsByAttributeAndKeepsFacesAndVerticesConsistent) {
  // A strip of 6 triangles with alternating attributes and one unused vertex.
  std::vector<Position> positions;
  for (int i = 0; i < 4; ++i) {
    positions.push_back({static_cast<float>(i), 0, 0});
    positions.push_back({static_cast<float>(i), 1, 0});
  }
  positions.push_back({9, 9, 9});
  std::vector<DWORD> indices;
  for (DWORD q = 0; q < 3; ++q) {
    const DWORD a = q * 2;
    indices.insert(indices.end(), {a, a + 1, a + 2, a + 2, a + 1, a + 3});
  }
  const std::vector<DWORD> attributes = {1, 0, 1, 0, 1, 0};
  ID3DXMesh* mesh = MakeMesh(positions, indices, attributes);
  std::vector<DWORD> adjacencyIn(18);
  ASSERT_EQ(mesh->GenerateAdjacency(0.0f, adjacencyIn.data()), D3D_OK);

  std::vector<DWORD> adjacencyOut(18);
  std::vector<DWORD> faceRemap(6);
  ID3DXBuffer* vertexRemap = nullptr;
  ASSERT_EQ(mesh->OptimizeInplace(D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE,
                                  adjacencyIn.data(), adjacencyOut.data(), faceRemap.data(), &vertexRemap),
            D3D_OK);
  ASSERT_NE(vertexRemap, nullptr);
  EXPECT_EQ(mesh->GetNumVertices(), 8u);  // the unused vertex is gone
  ASSERT_EQ(vertexRemap->GetBufferSize(), 8 * sizeof(DWORD));
  const auto* remap = static_cast<const DWORD*>(vertexRemap->GetBufferPointer());
  for (DWORD v = 0; v < 8; ++v) EXPECT_TRUE(Same(At(mesh, v), positions[remap[v]])) << v;

  // Every new face is its old face, corner by corner, through the remaps.
  DWORD* attribute = nullptr;
  mesh->LockAttributeBuffer(D3DLOCK_READONLY, &attribute);
  for (DWORD f = 0; f < 6; ++f) {
    EXPECT_EQ(attribute[f], f < 3 ? 0u : 1u);
    EXPECT_EQ(attribute[f], attributes[faceRemap[f]]);
    for (DWORD k = 0; k < 3; ++k) EXPECT_EQ(remap[mesh->IndexAt(f * 3 + k)], indices[faceRemap[f] * 3 + k]);
  }
  mesh->UnlockAttributeBuffer();

  DWORD rangeCount = 0;
  mesh->GetAttributeTable(nullptr, &rangeCount);
  ASSERT_EQ(rangeCount, 2u);
  D3DXATTRIBUTERANGE ranges[2];
  mesh->GetAttributeTable(ranges, &rangeCount);
  EXPECT_EQ(ranges[0].AttribId, 0u);
  EXPECT_EQ(ranges[0].FaceStart, 0u);
  EXPECT_EQ(ranges[0].FaceCount, 3u);
  EXPECT_EQ(ranges[1].AttribId, 1u);
  EXPECT_EQ(ranges[1].FaceStart, 3u);
  for (const D3DXATTRIBUTERANGE& range : ranges) {
    for (DWORD i = range.FaceStart * 3; i < (range.FaceStart + range.FaceCount) * 3; ++i) {
      EXPECT_GE(mesh->IndexAt(i), range.VertexStart);
      EXPECT_LT(mesh->IndexAt(i), range.VertexStart + range.VertexCount);
    }
  }
  // The adjacency handed back is the adjacency of the new mesh.
  std::vector<DWORD> regenerated(18);
  mesh->GenerateAdjacency(0.0f, regenerated.data());
  EXPECT_EQ(adjacencyOut, regenerated);
  vertexRemap->Release();
  mesh->Release();
}

TEST(MeshOperationsTest, CloningCopiesMatchingElementsAndZeroesNewOnes) {
  ID3DXMesh* source = nullptr;
  ASSERT_EQ(D3DXCreateMeshFVF(1, 3, D3DXMESH_MANAGED, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1, nullptr, &source),
            D3D_OK);
  float* v = nullptr;
  source->LockVertexBuffer(0, reinterpret_cast<void**>(&v));
  for (int i = 0; i < 3 * 8; ++i) v[i] = static_cast<float>(i + 1);
  source->UnlockVertexBuffer();
  WORD* index = nullptr;
  source->LockIndexBuffer(0, reinterpret_cast<void**>(&index));
  index[0] = 2, index[1] = 1, index[2] = 0;
  source->UnlockIndexBuffer();

  const D3DVERTEXELEMENT9 layout[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                      {0, 12, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_NORMAL, 0},
                                      {0, 24, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_TANGENT, 0},
                                      {0, 36, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 0},
                                      {0, 44, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 1},
                                      D3DDECL_END()};
  ID3DXMesh* clone = nullptr;
  ASSERT_EQ(source->CloneMesh(source->GetOptions(), layout, nullptr, &clone), D3D_OK);
  EXPECT_EQ(clone->GetNumBytesPerVertex(), 52u);
  float* c = nullptr;
  clone->LockVertexBuffer(D3DLOCK_READONLY, reinterpret_cast<void**>(&c));
  const float second[13] = {9, 10, 11, 12, 13, 14, 0, 0, 0, 15, 16, 0, 0};
  for (int i = 0; i < 13; ++i) EXPECT_EQ(c[13 + i], second[i]) << i;
  clone->UnlockVertexBuffer();
  EXPECT_EQ(clone->IndexAt(0), 2u);
  clone->Release();

  ASSERT_EQ(source->CloneMeshFVF(D3DXMESH_MANAGED | D3DXMESH_32BIT, D3DFVF_XYZ, nullptr, &clone), D3D_OK);
  EXPECT_EQ(clone->GetNumBytesPerVertex(), 12u);
  EXPECT_EQ(clone->IndexAt(0), 2u);
  EXPECT_TRUE(Same(At(clone, 1), {9, 10, 11}));
  clone->Release();
  source->Release();
}

TEST(MeshOperationsTest, TheSphereIsClosedWithOutwardFacesOnItsRadius) {
  ID3DXMesh* sphere = nullptr;
  ID3DXBuffer* adjacency = nullptr;
  ASSERT_EQ(D3DXCreateSphere(nullptr, 2.0f, 8, 5, &sphere, &adjacency), D3D_OK);
  EXPECT_EQ(sphere->GetNumVertices(), 8u * 4 + 2);
  EXPECT_EQ(sphere->GetNumFaces(), 2u * 8 * 4);
  for (DWORD v = 0; v < sphere->GetNumVertices(); ++v) {
    const Position p = At(sphere, v);
    EXPECT_NEAR(std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z), 2.0f, 1e-5f);
  }
  for (DWORD f = 0; f < sphere->GetNumFaces(); ++f) {
    const Position a = At(sphere, sphere->IndexAt(f * 3));
    const Position b = At(sphere, sphere->IndexAt(f * 3 + 1));
    const Position c = At(sphere, sphere->IndexAt(f * 3 + 2));
    const Position e1{b.x - a.x, b.y - a.y, b.z - a.z};
    const Position e2{c.x - a.x, c.y - a.y, c.z - a.z};
    const Position n{e1.y * e2.z - e1.z * e2.y, e1.z * e2.x - e1.x * e2.z, e1.x * e2.y - e1.y * e2.x};
    EXPECT_GT(n.x * (a.x + b.x + c.x) + n.y * (a.y + b.y + c.y) + n.z * (a.z + b.z + c.z), 0.0f) << f;
  }
  const auto* neighbours = static_cast<const DWORD*>(adjacency->GetBufferPointer());
  for (DWORD i = 0; i < sphere->GetNumFaces() * 3; ++i) EXPECT_NE(neighbours[i], ~0u) << i;
  adjacency->Release();
  sphere->Release();
}

class MeshDrawTest : public DeviceTest {};

TEST_F(MeshDrawTest, DrawSubsetDrawsOnlyItsFacesAndFollowsEdits) {
  struct Vertex {
    float x, y, z, rhw;
    D3DCOLOR colour;
  };
  ID3DXMesh* mesh = nullptr;
  ASSERT_EQ(D3DXCreateMeshFVF(4, 8, D3DXMESH_MANAGED, D3DFVF_XYZRHW | D3DFVF_DIFFUSE, device_, &mesh), D3D_OK);
  Vertex* v = nullptr;
  mesh->LockVertexBuffer(0, reinterpret_cast<void**>(&v));
  // Left half red (subset 0), right half green (subset 1).
  const float h = static_cast<float>(kHeight);
  const float half = kWidth / 2.0f;
  for (int side = 0; side < 2; ++side) {
    const float x0 = side * half;
    const D3DCOLOR colour = side == 0 ? 0xFFFF0000 : 0xFF00FF00;
    v[side * 4 + 0] = {x0, 0, 0.5f, 1, colour};
    v[side * 4 + 1] = {x0 + half, 0, 0.5f, 1, colour};
    v[side * 4 + 2] = {x0, h, 0.5f, 1, colour};
    v[side * 4 + 3] = {x0 + half, h, 0.5f, 1, colour};
  }
  mesh->UnlockVertexBuffer();
  WORD* index = nullptr;
  mesh->LockIndexBuffer(0, reinterpret_cast<void**>(&index));
  const WORD indices[] = {0, 1, 2, 2, 1, 3, 4, 5, 6, 6, 5, 7};
  std::memcpy(index, indices, sizeof(indices));
  mesh->UnlockIndexBuffer();
  DWORD* attribute = nullptr;
  mesh->LockAttributeBuffer(0, &attribute);
  attribute[0] = attribute[1] = 0;
  attribute[2] = attribute[3] = 1;
  mesh->UnlockAttributeBuffer();

  device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device_->SetRenderState(D3DRS_LIGHTING, FALSE);
  device_->SetRenderState(D3DRS_ZENABLE, FALSE);
  ASSERT_EQ(device_->BeginScene(), D3D_OK);
  ASSERT_EQ(mesh->DrawSubset(1), D3D_OK);
  EXPECT_RGB_NEAR(Pixel(8, 24), 0, 0, 0, 2);
  EXPECT_RGB_NEAR(Pixel(56, 24), 0, 255, 0, 2);

  // An edit of the locked vertices reaches the next draw.
  mesh->LockVertexBuffer(0, reinterpret_cast<void**>(&v));
  for (int i = 0; i < 4; ++i) v[i].colour = 0xFF0000FF;
  mesh->UnlockVertexBuffer();
  ASSERT_EQ(mesh->DrawSubset(0), D3D_OK);
  EXPECT_RGB_NEAR(Pixel(8, 24), 0, 0, 255, 2);
  device_->EndScene();
  mesh->Release();
}

// Four vertical strips of two faces each; DrawSubset must light exactly the
// strips whose faces carry the id, however the mesh finds them.
TEST_F(MeshDrawTest, DrawSubsetDrawsEveryRunOfItsIdWithOrWithoutATable) {
  struct Vertex {
    float x, y, z, rhw;
    D3DCOLOR colour;
  };
  ID3DXMesh* mesh = nullptr;
  ASSERT_EQ(D3DXCreateMeshFVF(8, 16, D3DXMESH_MANAGED, D3DFVF_XYZRHW | D3DFVF_DIFFUSE, device_, &mesh), D3D_OK);
  Vertex* v = nullptr;
  mesh->LockVertexBuffer(0, reinterpret_cast<void**>(&v));
  const float w = kWidth / 4.0f;
  const float h = static_cast<float>(kHeight);
  for (int strip = 0; strip < 4; ++strip) {
    const float x0 = strip * w;
    v[strip * 4 + 0] = {x0, 0, 0.5f, 1, 0xFFFFFFFF};
    v[strip * 4 + 1] = {x0 + w, 0, 0.5f, 1, 0xFFFFFFFF};
    v[strip * 4 + 2] = {x0, h, 0.5f, 1, 0xFFFFFFFF};
    v[strip * 4 + 3] = {x0 + w, h, 0.5f, 1, 0xFFFFFFFF};
  }
  mesh->UnlockVertexBuffer();
  WORD* index = nullptr;
  mesh->LockIndexBuffer(0, reinterpret_cast<void**>(&index));
  for (WORD strip = 0; strip < 4; ++strip) {
    const WORD b = static_cast<WORD>(strip * 4);
    const WORD quad[6] = {b, static_cast<WORD>(b + 1), static_cast<WORD>(b + 2),
                          static_cast<WORD>(b + 2), static_cast<WORD>(b + 1), static_cast<WORD>(b + 3)};
    std::memcpy(index + strip * 6, quad, sizeof(quad));
  }
  mesh->UnlockIndexBuffer();
  auto setAttributes = [&](const std::vector<DWORD>& perStrip) {
    DWORD* attribute = nullptr;
    mesh->LockAttributeBuffer(0, &attribute);
    for (std::size_t f = 0; f < 8; ++f) attribute[f] = perStrip[f / 2];
    mesh->UnlockAttributeBuffer();
  };
  device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device_->SetRenderState(D3DRS_LIGHTING, FALSE);
  device_->SetRenderState(D3DRS_ZENABLE, FALSE);
  ASSERT_EQ(device_->BeginScene(), D3D_OK);
  auto litStrips = [&](DWORD id) {
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    EXPECT_EQ(mesh->DrawSubset(id), D3D_OK);
    std::string lit;
    for (int strip = 0; strip < 4; ++strip) lit += Pixel(static_cast<int>(strip * w + w / 2), 24).g > 128 ? '1' : '0';
    return lit;
  };

  // Without a table: id 0 has two runs of faces.
  setAttributes({0, 1, 0, 2});
  EXPECT_EQ(litStrips(0), "1010");
  EXPECT_EQ(litStrips(2), "0001");
  EXPECT_EQ(litStrips(5), "0000");

  // Through the table of an attribute sort (faces now strips 0, 2, 1, 3).
  ASSERT_EQ(mesh->OptimizeInplace(D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_IGNOREVERTS, nullptr, nullptr, nullptr, nullptr),
            D3D_OK);
  DWORD ranges = 0;
  mesh->GetAttributeTable(nullptr, &ranges);
  EXPECT_EQ(ranges, 3u);
  EXPECT_EQ(litStrips(0), "1010");
  EXPECT_EQ(litStrips(1), "0100");

  // Rewritten and unlocked: the next draws follow the new ids.
  setAttributes({2, 2, 0, 0});
  EXPECT_EQ(litStrips(0), "0101");
  EXPECT_EQ(litStrips(2), "1010");
  device_->EndScene();
  mesh->Release();
}

}  // namespace
