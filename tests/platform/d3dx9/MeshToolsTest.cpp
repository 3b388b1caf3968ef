// Tangent frames, cleaning for skinning and point representatives.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/d3dx9/D3dxMeshTools.h"
#include "platform/d3dx9/MeshBuilder.h"

namespace {

constexpr float kAdjacencyEpsilon = 2.384185791015625e-7f;
constexpr UINT kNormal = 12;
constexpr UINT kTangent = 24;

std::vector<DWORD> Adjacency(ID3DXMesh* mesh) {
  std::vector<DWORD> adjacency(mesh->GetNumFaces() * 3);
  EXPECT_EQ(mesh->GenerateAdjacency(kAdjacencyEpsilon, adjacency.data()), D3D_OK);
  return adjacency;
}

// The call of the mesh loader: tangents into TANGENT 0, normals computed
// into NORMAL 0 when asked, the loader's thresholds.
struct Frame {
  HRESULT result = E_FAIL;
  ID3DXMesh* mesh = nullptr;
  std::vector<DWORD> mapping;
  Frame(ID3DXMesh* in, bool tangents, bool normals, float partialEdge = 0.01f) {
    const std::vector<DWORD> adjacency = Adjacency(in);
    ID3DXBuffer* buffer = nullptr;
    result = D3DXComputeTangentFrameEx(in, D3DDECLUSAGE_TEXCOORD, 0, tangents ? DWORD{D3DDECLUSAGE_TANGENT} : D3DX_DEFAULT,
                                       0, D3DX_DEFAULT, 0, normals ? DWORD{D3DDECLUSAGE_NORMAL} : D3DX_DEFAULT, 0,
                                       normals ? D3DXTANGENT_CALCULATE_NORMALS : 0, adjacency.data(), partialEdge,
                                       0.1f, 0.01f, &mesh, &buffer);
    if (buffer != nullptr) {
      const auto* map = static_cast<const DWORD*>(buffer->GetBufferPointer());
      mapping.assign(map, map + buffer->GetBufferSize() / sizeof(DWORD));
      buffer->Release();
    }
  }
  ~Frame() {
    if (mesh != nullptr) mesh->Release();
  }
  Float3 At(DWORD face, DWORD corner, UINT offset) const {
    return ReadFloat3(mesh, mesh->IndexAt(face * 3 + corner), offset);
  }
};

float Length(Float3 v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

TEST(TangentFrameTest, TangentFollowsIncreasingU) {
  // The same quad mapped with U along +x, then along +y.
  for (const bool uAlongX : {true, false}) {
    std::vector<MeshVertex> quad;
    for (const float x : {0.0f, 1.0f}) {
      for (const float y : {0.0f, 1.0f}) quad.push_back(uAlongX ? MeshVertex{x, y, 0, x, 1 - y} : MeshVertex{x, y, 0, y, x});
    }
    ID3DXMesh* mesh = BuildMesh(quad, StripIndices(1));
    Frame frame(mesh, true, true);
    ASSERT_EQ(frame.result, D3D_OK);
    EXPECT_EQ(frame.mapping, (std::vector<DWORD>{0, 1, 2, 3}));
    for (DWORD v = 0; v < 4; ++v) {
      ExpectFloat3Near({0, 0, -1}, ReadFloat3(frame.mesh, v, kNormal));  // clockwise seen from -z
      ExpectFloat3Near(uAlongX ? Float3{1, 0, 0} : Float3{0, 1, 0}, ReadFloat3(frame.mesh, v, kTangent));
    }
    mesh->AddRef();
    EXPECT_EQ(mesh->Release(), 1u);
    mesh->Release();
  }
}

TEST(TangentFrameTest, TangentIsMadePerpendicularToTheMeshNormal) {
  ID3DXMesh* mesh = BuildMesh({{0, 0, 0, 0, 1}, {0, 1, 0, 0, 0}, {1, 0, 0, 1, 1}, {1, 1, 0, 1, 0}}, StripIndices(1));
  float* data = nullptr;
  mesh->LockVertexBuffer(0, reinterpret_cast<void**>(&data));
  const float half = std::sqrt(0.5f);
  for (int v = 0; v < 4; ++v) data[v * 11 + 3] = half, data[v * 11 + 5] = -half;  // tilted towards +x
  mesh->UnlockVertexBuffer();
  Frame frame(mesh, true, false);
  ASSERT_EQ(frame.result, D3D_OK);
  for (DWORD v = 0; v < 4; ++v) {
    ExpectFloat3Near({half, 0, half}, ReadFloat3(frame.mesh, v, kTangent));
    ExpectFloat3Near({half, 0, -half}, ReadFloat3(frame.mesh, v, kNormal));  // read, not rewritten
  }
  mesh->Release();
}

// Two quads whose U runs 0 -> 1 -> 0: mirrored about the middle column.
// `skew` moves the bottom right corner down, so that the two sides' corner
// angles at the seam differ a little.
ID3DXMesh* MirroredStrip(DWORD vertexCount = 6, DWORD options = D3DXMESH_MANAGED, float skew = 0.0f) {
  std::vector<MeshVertex> vertices;
  for (const float x : {0.0f, 1.0f, 2.0f}) {
    for (const float y : {0.0f, 1.0f}) vertices.push_back({x, y, 0, 1 - std::fabs(x - 1), y});
  }
  vertices[4].y -= skew;
  vertices.resize(vertexCount, MeshVertex{5, 5, 5});
  return BuildMesh(vertices, StripIndices(2), options);
}

TEST(TangentFrameTest, MirroredTextureSplitsTheSeamWithOppositeTangents) {
  ID3DXMesh* mesh = MirroredStrip();
  {
    Frame frame(mesh, true, false);
    ASSERT_EQ(frame.result, D3D_OK);
    ASSERT_EQ(frame.mesh->GetNumVertices(), 8u);
    EXPECT_EQ(frame.mapping, (std::vector<DWORD>{0, 1, 2, 3, 4, 5, 2, 3}));
    for (DWORD v = 0; v < 8; ++v) {
      const Float3 p = ReadFloat3(frame.mesh, v, 0);
      const Float3 source = ReadFloat3(mesh, frame.mapping[v], 0);
      EXPECT_TRUE(p.x == source.x && p.y == source.y && p.z == source.z) << v;
    }
    // Faces 0-1 are the left quad (U increasing along +x), 2-3 the right one.
    for (DWORD f = 0; f < 4; ++f) {
      for (DWORD k = 0; k < 3; ++k) ExpectFloat3Near({f < 2 ? 1.0f : -1.0f, 0, 0}, frame.At(f, k, kTangent));
    }
  }
  mesh->Release();
  // Not allowed to split, the seam's tangents nearly cancel: zero, not an
  // arbitrary direction blown up from what is left.
  mesh = MirroredStrip(6, D3DXMESH_MANAGED, 0.1f);
  {
    Frame frame(mesh, true, false, -2.0f);
    ASSERT_EQ(frame.result, D3D_OK);
    ASSERT_EQ(frame.mesh->GetNumVertices(), 6u);
    for (DWORD v = 0; v < 6; ++v) {
      const float expected = v == 2 || v == 3 ? 0.0f : 1.0f;
      EXPECT_FLOAT_EQ(Length(ReadFloat3(frame.mesh, v, kTangent)), expected) << v;
    }
  }
  mesh->Release();
}

TEST(TangentFrameTest, FacesWithoutTextureAreaGiveZeroTangents) {
  // Face 1 (vertices 2, 1, 3) has its texture coordinates on one line;
  // vertex 3 lies on that face only.
  ID3DXMesh* mesh = BuildMesh({{0, 0, 0, 0, 1}, {0, 1, 0, 0, 0}, {1, 0, 0, 1, 1}, {1, 1, 0, 0.5f, 0.5f}},
                              StripIndices(1));
  {
    Frame frame(mesh, true, true);
    ASSERT_EQ(frame.result, D3D_OK);
    ASSERT_EQ(frame.mesh->GetNumVertices(), 4u);
    for (DWORD v = 0; v < 3; ++v) ExpectFloat3Near({1, 0, 0}, ReadFloat3(frame.mesh, v, kTangent));
    ExpectFloat3Near({0, 0, 0}, ReadFloat3(frame.mesh, 3, kTangent), 0.0f);
    ExpectFloat3Near({0, 0, -1}, ReadFloat3(frame.mesh, 3, kNormal));
  }
  ID3DXMesh* flat = BuildMesh({{0, 0, 0, 0.5f, 0.5f}, {0, 1, 0, 0.5f, 0.5f}, {1, 0, 0, 0.5f, 0.5f}}, {0, 1, 2});
  {
    Frame frame(flat, true, true);
    ASSERT_EQ(frame.result, D3D_OK);
    for (DWORD v = 0; v < 3; ++v) ExpectFloat3Near({0, 0, 0}, ReadFloat3(frame.mesh, v, kTangent), 0.0f);
  }
  flat->Release();
  mesh->Release();
}

// A cube of side 2 around the origin, every face wound clockwise seen from
// outside (cross(p1 - p0, p2 - p0) points out).
ID3DXMesh* Cube() {
  std::vector<MeshVertex> corners;
  for (int i = 0; i < 8; ++i) corners.push_back({i & 1 ? 1.0f : -1.0f, i & 2 ? 1.0f : -1.0f, i & 4 ? 1.0f : -1.0f});
  // Corners of each side in cyclic order.
  const DWORD sides[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
  std::vector<DWORD> indices;
  for (const auto& side : sides) {
    const MeshVertex &a = corners[side[0]], &b = corners[side[1]], &c = corners[side[2]];
    const float e1[3] = {b.x - a.x, b.y - a.y, b.z - a.z};
    const float e2[3] = {c.x - a.x, c.y - a.y, c.z - a.z};
    const float n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
    const bool outward = n[0] * (a.x + c.x) + n[1] * (a.y + c.y) + n[2] * (a.z + c.z) > 0;
    if (outward) {
      indices.insert(indices.end(), {side[0], side[1], side[2], side[0], side[2], side[3]});
    } else {
      indices.insert(indices.end(), {side[0], side[2], side[1], side[0], side[3], side[2]});
    }
  }
  return BuildMesh(corners, indices);
}

TEST(TangentFrameTest, CalculatedNormalsOfACubeAreFlatAndOutward) {
  ID3DXMesh* cube = Cube();
  Frame frame(cube, false, true);
  ASSERT_EQ(frame.result, D3D_OK);
  EXPECT_EQ(frame.mesh->GetNumVertices(), 24u);  // three faces meet at right angles at each corner
  for (DWORD f = 0; f < 12; ++f) {
    const Float3 p[3] = {frame.At(f, 0, 0), frame.At(f, 1, 0), frame.At(f, 2, 0)};
    // The side's axis: the coordinate the three corners share.
    Float3 expected{0, 0, 0};
    if (p[0].x == p[1].x && p[1].x == p[2].x) expected.x = p[0].x;
    if (p[0].y == p[1].y && p[1].y == p[2].y) expected.y = p[0].y;
    if (p[0].z == p[1].z && p[1].z == p[2].z) expected.z = p[0].z;
    for (DWORD k = 0; k < 3; ++k) ExpectFloat3Near(expected, frame.At(f, k, kNormal));
  }
  cube->Release();
}

TEST(TangentFrameTest, CalculatedNormalsAgreeWithTheSphere) {
  ID3DXMesh* sphere = nullptr;
  ASSERT_EQ(D3DXCreateSphere(nullptr, 1.0f, 16, 8, &sphere, nullptr), D3D_OK);
  ID3DXMesh* clone = nullptr;
  ASSERT_EQ(sphere->CloneMesh(D3DXMESH_MANAGED, DrawingLayout(), nullptr, &clone), D3D_OK);
  Frame frame(clone, false, true);
  ASSERT_EQ(frame.result, D3D_OK);
  ASSERT_EQ(frame.mesh->GetNumVertices(), sphere->GetNumVertices());  // smooth: nothing split
  for (DWORD v = 0; v < sphere->GetNumVertices(); ++v) {
    const Float3 own = ReadFloat3(sphere, v, kNormal);
    const Float3 computed = ReadFloat3(frame.mesh, v, kNormal);
    EXPECT_GT(own.x * computed.x + own.y * computed.y + own.z * computed.z, 0.995f) << v;
    EXPECT_NEAR(Length(computed), 1.0f, 1e-5f);
  }
  clone->Release();
  sphere->Release();
}

TEST(TangentFrameTest, SplittingPastSixteenBitIndicesFails) {
  // 65535 vertices, two of which the seam splits.
  ID3DXMesh* narrow = MirroredStrip(65535);
  {
    Frame frame(narrow, true, false);
    EXPECT_EQ(frame.result, D3DERR_INVALIDCALL);
    EXPECT_EQ(frame.mesh, nullptr);
  }
  ID3DXMesh* wide = MirroredStrip(65535, D3DXMESH_MANAGED | D3DXMESH_32BIT);
  {
    Frame frame(wide, true, false);
    ASSERT_EQ(frame.result, D3D_OK);
    EXPECT_EQ(frame.mesh->GetNumVertices(), 65537u);
  }
  wide->Release();
  narrow->Release();
}

TEST(TangentFrameTest, RefusesMissingElementsAndBrokenAdjacency) {
  ID3DXMesh* mesh = MirroredStrip();
  ID3DXMesh* out = reinterpret_cast<ID3DXMesh*>(1);
  // No binormal element in the layout.
  EXPECT_EQ(D3DXComputeTangentFrameEx(mesh, D3DDECLUSAGE_TEXCOORD, 0, D3DX_DEFAULT, 0, D3DDECLUSAGE_BINORMAL, 0,
                                      D3DX_DEFAULT, 0, 0, nullptr, 0.01f, 0.1f, 0.01f, &out, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(out, nullptr);
  std::vector<DWORD> adjacency = Adjacency(mesh);
  adjacency[5] = 4;  // face 4 does not exist
  EXPECT_EQ(D3DXComputeTangentFrameEx(mesh, D3DDECLUSAGE_TEXCOORD, 0, D3DDECLUSAGE_TANGENT, 0, D3DX_DEFAULT, 0,
                                      D3DX_DEFAULT, 0, 0, adjacency.data(), 0.01f, 0.1f, 0.01f, &out, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXComputeTangentFrameEx(nullptr, D3DDECLUSAGE_TEXCOORD, 0, D3DDECLUSAGE_TANGENT, 0, D3DX_DEFAULT, 0,
                                      D3DX_DEFAULT, 0, 0, nullptr, 0.01f, 0.1f, 0.01f, &out, nullptr),
            D3DERR_INVALIDCALL);
  mesh->Release();
}

TEST(CleanMeshTest, BowtieVertexGetsACopyForItsSecondFan) {
  // Two triangles touching only at vertex 0.
  ID3DXMesh* mesh = BuildMesh({{0, 0, 0}, {-1, 1, 0}, {-1, -1, 0}, {1, -1, 0}, {1, 1, 0}}, {0, 1, 2, 0, 3, 4},
                              D3DXMESH_MANAGED, {3, 7});
  const std::vector<DWORD> adjacency = Adjacency(mesh);
  std::vector<DWORD> adjacencyOut(6, 0);
  ID3DXMesh* clean = nullptr;
  ASSERT_EQ(D3DXCleanMesh(D3DXCLEAN_SKINNING, mesh, adjacency.data(), &clean, adjacencyOut.data(), nullptr), D3D_OK);
  ASSERT_EQ(clean->GetNumVertices(), 6u);
  EXPECT_EQ(clean->GetNumFaces(), 2u);
  const DWORD expected[6] = {0, 1, 2, 5, 3, 4};
  for (DWORD i = 0; i < 6; ++i) EXPECT_EQ(clean->IndexAt(i), expected[i]) << i;
  for (DWORD v = 0; v < 6; ++v) {
    const Float3 p = ReadFloat3(clean, v, 0);
    const Float3 source = ReadFloat3(mesh, v == 5 ? 0 : v, 0);
    EXPECT_TRUE(p.x == source.x && p.y == source.y && p.z == source.z) << v;
  }
  DWORD* attributes = nullptr;
  clean->LockAttributeBuffer(D3DLOCK_READONLY, &attributes);
  EXPECT_EQ(attributes[0], 3u);
  EXPECT_EQ(attributes[1], 7u);
  clean->UnlockAttributeBuffer();
  EXPECT_EQ(adjacencyOut, adjacency);
  EXPECT_EQ(adjacencyOut, Adjacency(clean));
  clean->Release();
  mesh->AddRef();
  EXPECT_EQ(mesh->Release(), 1u);
  mesh->Release();
}

TEST(CleanMeshTest, AConnectedMeshComesBackAsACopy) {
  ID3DXMesh* mesh = MirroredStrip();
  const std::vector<DWORD> adjacency = Adjacency(mesh);
  ID3DXMesh* clean = nullptr;
  ASSERT_EQ(D3DXCleanMesh(D3DXCLEAN_SKINNING, mesh, adjacency.data(), &clean, nullptr, nullptr), D3D_OK);
  EXPECT_NE(clean, mesh);
  EXPECT_EQ(clean->GetNumVertices(), 6u);
  for (DWORD i = 0; i < 12; ++i) EXPECT_EQ(clean->IndexAt(i), mesh->IndexAt(i));
  clean->Release();
  mesh->AddRef();
  EXPECT_EQ(mesh->Release(), 1u);
  mesh->Release();
}

TEST(PointRepsTest, SplitCopiesLeadBackToTheirCorner) {
  // The cube's normals split every corner in three; walking the adjacency
  // joins the copies again, each to the lowest (original) corner.
  ID3DXMesh* cube = Cube();
  Frame frame(cube, false, true);
  ASSERT_EQ(frame.result, D3D_OK);
  const std::vector<DWORD> adjacency = Adjacency(frame.mesh);
  std::vector<DWORD> reps(frame.mesh->GetNumVertices());
  ASSERT_EQ(frame.mesh->ConvertAdjacencyToPointReps(adjacency.data(), reps.data()), D3D_OK);
  EXPECT_EQ(reps, frame.mapping);
  // Without adjacency nothing is joined; a broken one is refused.
  std::vector<DWORD> none(adjacency.size(), 0xFFFFFFFFu);
  ASSERT_EQ(frame.mesh->ConvertAdjacencyToPointReps(none.data(), reps.data()), D3D_OK);
  for (DWORD v = 0; v < reps.size(); ++v) EXPECT_EQ(reps[v], v);
  none[0] = 12;
  EXPECT_EQ(frame.mesh->ConvertAdjacencyToPointReps(none.data(), reps.data()), D3DERR_INVALIDCALL);
  EXPECT_EQ(frame.mesh->ConvertAdjacencyToPointReps(nullptr, reps.data()), D3DERR_INVALIDCALL);
  cube->Release();
}

}  // namespace
