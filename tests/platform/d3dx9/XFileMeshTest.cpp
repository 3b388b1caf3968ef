// Loading .x text files: layout, numbering, materials, frames, channels and
// broken files.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/d3dx9/D3dxMesh.h"

namespace {

const char kQuad[] =
    "xof 0303txt 0032\n"
    "// a comment\n"
    "template Unused { <3D82AB43-62DA-11CF-AB39-0020AF71E433> FLOAT x; }\n"
    "Mesh quad {\n"
    " 4;\n"
    " 0.0;0.0;0.0;, 1.0;0.0;0.0;, 1.0;1.0;0.0;, 0.0;1.0;0.0;;\n"
    " 2;\n"
    " 3;0,1,2;, 3;0,2,3;;\n"
    " MeshNormals { 1; 0.0;0.0;-1.0;; 2; 3;0,0,0;, 3;0,0,0;; }\n"
    " MeshTextureCoords { 4; 0.0;1.0;, 1.0;1.0;, 1.0;0.0;, 0.0;0.0;; }\n"
    " Unknown { 1; { nested } }\n"
    " MeshMaterialList { 2; 2; 0, 1;;\n"
    "  Material red { 1.0;0.0;0.0;1.0;; 8.0; 0.5;0.5;0.5;; 0.0;0.0;0.0;; TextureFilename { \"red.udt\"; } }\n"
    "  Material { 0.0;1.0;0.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }\n"
    " }\n"
    "}";

struct Loaded {
  HRESULT result = E_FAIL;
  ID3DXMesh* mesh = nullptr;
  ID3DXBuffer* materials = nullptr;
  ID3DXBuffer* adjacency = nullptr;
  DWORD materialCount = 0;
  ~Loaded() {
    if (mesh != nullptr) mesh->Release();
    if (materials != nullptr) materials->Release();
    if (adjacency != nullptr) adjacency->Release();
  }
};

void Load(const std::string& text, Loaded* out) {
  ID3DXBuffer* effects = reinterpret_cast<ID3DXBuffer*>(1);
  out->result = D3DXLoadMeshFromXInMemory(text.data(), static_cast<DWORD>(text.size()), D3DXMESH_MANAGED, nullptr,
                                          &out->adjacency, &out->materials, &effects, &out->materialCount,
                                          &out->mesh);
  EXPECT_EQ(effects, nullptr);
  if (out->result != D3D_OK) {
    EXPECT_EQ(out->mesh, nullptr);
    EXPECT_EQ(out->materials, nullptr);
  }
}

std::vector<float> Floats(ID3DXMesh* mesh, DWORD vertex, WORD offset, int count) {
  void* data = nullptr;
  mesh->LockVertexBuffer(D3DLOCK_READONLY, &data);
  std::vector<float> values(count);
  std::memcpy(values.data(), static_cast<std::uint8_t*>(data) + vertex * mesh->GetNumBytesPerVertex() + offset,
              count * sizeof(float));
  mesh->UnlockVertexBuffer();
  return values;
}

std::vector<DWORD> Indices(ID3DXMesh* mesh) {
  std::vector<DWORD> out;
  for (DWORD i = 0; i < mesh->GetNumFaces() * 3; ++i) out.push_back(mesh->IndexAt(i));
  return out;
}

std::vector<DWORD> Attributes(ID3DXMesh* mesh) {
  DWORD* data = nullptr;
  mesh->LockAttributeBuffer(D3DLOCK_READONLY, &data);
  std::vector<DWORD> out(data, data + mesh->GetNumFaces());
  mesh->UnlockAttributeBuffer();
  return out;
}

std::string Triangle(const std::string& extra) {
  return "xof 0303txt 0032\nMesh { 3; 1;0;0;, 0;1;0;, 0;0;1;; 1; 3;0,1,2;; " + extra + " }";
}

TEST(XFileMeshTest, AQuadBringsItsLayoutNumberingMaterialsAndNames) {
  Loaded loaded;
  Load(kQuad, &loaded);
  ASSERT_EQ(loaded.result, D3D_OK);
  ID3DXMesh* mesh = loaded.mesh;
  EXPECT_EQ(mesh->GetNumVertices(), 4u);
  EXPECT_EQ(mesh->GetNumFaces(), 2u);
  EXPECT_EQ(mesh->GetOptions(), D3DXMESH_MANAGED);
  D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE];
  ASSERT_EQ(mesh->GetDeclaration(declaration), D3D_OK);
  ASSERT_EQ(D3DXGetDeclLength(declaration), 3u);
  EXPECT_EQ(declaration[0].Usage, D3DDECLUSAGE_POSITION);
  EXPECT_EQ(declaration[1].Usage, D3DDECLUSAGE_NORMAL);
  EXPECT_EQ(declaration[1].Offset, 12);
  EXPECT_EQ(declaration[2].Usage, D3DDECLUSAGE_TEXCOORD);
  EXPECT_EQ(declaration[2].Offset, 24);
  EXPECT_EQ(mesh->GetNumBytesPerVertex(), 32u);
  EXPECT_EQ(D3DXGetDeclVertexSize(declaration, 0), 32u);
  EXPECT_EQ(Floats(mesh, 2, 0, 3), (std::vector<float>{1, 1, 0}));
  EXPECT_EQ(Floats(mesh, 1, 12, 3), (std::vector<float>{0, 0, -1}));
  EXPECT_EQ(Floats(mesh, 1, 24, 2), (std::vector<float>{1, 1}));
  EXPECT_EQ(Indices(mesh), (std::vector<DWORD>{0, 1, 2, 0, 2, 3}));
  EXPECT_EQ(Attributes(mesh), (std::vector<DWORD>{0, 1}));

  ASSERT_EQ(loaded.materialCount, 2u);
  ASSERT_NE(loaded.materials, nullptr);
  const auto* materials = static_cast<const D3DXMATERIAL*>(loaded.materials->GetBufferPointer());
  EXPECT_STREQ(materials[0].pTextureFilename, "red.udt");
  EXPECT_EQ(materials[0].MatD3D.Diffuse.r, 1.0f);
  EXPECT_EQ(materials[0].MatD3D.Power, 8.0f);
  EXPECT_EQ(materials[0].MatD3D.Specular.g, 0.5f);
  EXPECT_EQ(materials[1].pTextureFilename, nullptr);
  EXPECT_EQ(materials[1].MatD3D.Diffuse.g, 1.0f);
  // The names live inside the buffer.
  const char* begin = static_cast<const char*>(loaded.materials->GetBufferPointer());
  EXPECT_GE(materials[0].pTextureFilename, begin + 2 * sizeof(D3DXMATERIAL));
  EXPECT_LT(materials[0].pTextureFilename, begin + loaded.materials->GetBufferSize());

  ASSERT_NE(loaded.adjacency, nullptr);
  const auto* adjacency = static_cast<const DWORD*>(loaded.adjacency->GetBufferPointer());
  EXPECT_EQ(adjacency[2], 1u);  // edge 2-0 of face 0 is edge 0-2 of face 1
  EXPECT_EQ(adjacency[3], 0u);
}

TEST(XFileMeshTest, PolygonsBecomeFansAndAFileWithoutMaterialsHasNone) {
  Loaded loaded;
  Load("xof 0303txt 0032\nMesh { 5; 0;0;0;, 1;0;0;, 2;1;0;, 1;2;0;, 0;1;0;; 1; 5;0,1,2,3,4;; }", &loaded);
  ASSERT_EQ(loaded.result, D3D_OK);
  EXPECT_EQ(loaded.mesh->GetNumFaces(), 3u);
  EXPECT_EQ(Indices(loaded.mesh), (std::vector<DWORD>{0, 1, 2, 0, 2, 3, 0, 3, 4}));
  EXPECT_EQ(Attributes(loaded.mesh), (std::vector<DWORD>{0, 0, 0}));
  EXPECT_EQ(loaded.materialCount, 0u);
  EXPECT_EQ(loaded.materials, nullptr);
  EXPECT_EQ(loaded.mesh->GetNumBytesPerVertex(), 12u);
}

TEST(XFileMeshTest, AVertexWithTwoNormalsIsSplitAfterTheFileVertices) {
  Loaded loaded;
  Load("xof 0303txt 0032\nMesh { 4; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;; 2; 3;0,1,2;, 3;0,2,3;;\n"
       " MeshNormals { 2; 0;0;-1;, 0;1;0;; 2; 3;0,0,0;, 3;1,1,1;; } }",
       &loaded);
  ASSERT_EQ(loaded.result, D3D_OK);
  ID3DXMesh* mesh = loaded.mesh;
  ASSERT_EQ(mesh->GetNumVertices(), 6u);
  // The file's numbering holds for its four vertices; 0 and 2 got copies.
  EXPECT_EQ(Floats(mesh, 3, 0, 3), (std::vector<float>{0, 1, 0}));
  EXPECT_EQ(Floats(mesh, 3, 12, 3), (std::vector<float>{0, 1, 0}));
  EXPECT_EQ(Floats(mesh, 0, 12, 3), (std::vector<float>{0, 0, -1}));
  EXPECT_EQ(Indices(mesh), (std::vector<DWORD>{0, 1, 2, 4, 5, 3}));
  EXPECT_EQ(Floats(mesh, 4, 0, 3), Floats(mesh, 0, 0, 3));
  EXPECT_EQ(Floats(mesh, 5, 0, 3), Floats(mesh, 2, 0, 3));
  EXPECT_EQ(Floats(mesh, 4, 12, 3), (std::vector<float>{0, 1, 0}));
}

TEST(XFileMeshTest, FramesAreFlattenedWithTheirTransformsAndMaterialsJoined) {
  Loaded loaded;
  Load("xof 0303txt 0032\n"
       "Material shared { 0;0;1;1;; 1; 0;0;0;; 0;0;0;; }\n"
       "Frame outer { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 10,20,30,1;; }\n"
       " Frame inner { FrameTransformMatrix { 2,0,0,0, 0,2,0,0, 0,0,2,0, 0,0,0,1;; }\n"
       "  Mesh { 3; 1;0;0;, 0;1;0;, 0;0;1;; 1; 3;0,1,2;;\n"
       "   MeshNormals { 1; 0;0;3;; 1; 3;0,0,0;; }\n"
       "   MeshMaterialList { 1; 1; 0;; { shared } } } }\n"
       " Mesh second { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; } }",
       &loaded);
  ASSERT_EQ(loaded.result, D3D_OK);
  ID3DXMesh* mesh = loaded.mesh;
  ASSERT_EQ(mesh->GetNumVertices(), 6u);
  EXPECT_EQ(Floats(mesh, 0, 0, 3), (std::vector<float>{12, 20, 30}));
  EXPECT_EQ(Floats(mesh, 0, 12, 3), (std::vector<float>{0, 0, 1}));
  EXPECT_EQ(Floats(mesh, 4, 0, 3), (std::vector<float>{11, 20, 30}));
  EXPECT_EQ(Floats(mesh, 4, 12, 3), (std::vector<float>{0, 0, 0}));
  EXPECT_EQ(Indices(mesh), (std::vector<DWORD>{0, 1, 2, 3, 4, 5}));
  // The mesh without a list gets a plain material of its own.
  ASSERT_EQ(loaded.materialCount, 2u);
  EXPECT_EQ(Attributes(mesh), (std::vector<DWORD>{0, 1}));
  const auto* materials = static_cast<const D3DXMATERIAL*>(loaded.materials->GetBufferPointer());
  EXPECT_EQ(materials[0].MatD3D.Diffuse.b, 1.0f);
  EXPECT_EQ(materials[0].MatD3D.Diffuse.r, 0.0f);
}

TEST(XFileMeshTest, DeclDataAddsASecondTextureSetAndTangents) {
  Loaded loaded;
  // 1.0f = 1065353216, 0.5f = 1056964608.
  Load(Triangle("DeclData { 2; 1;0;5;1;, 2;0;6;0;; 15;"
                " 1056964608,0, 1065353216,0,0,"
                " 0,1056964608, 1065353216,0,0,"
                " 0,0, 1065353216,0,0; }"),
       &loaded);
  ASSERT_EQ(loaded.result, D3D_OK);
  D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE];
  loaded.mesh->GetDeclaration(declaration);
  ASSERT_EQ(D3DXGetDeclLength(declaration), 3u);
  EXPECT_EQ(declaration[1].Usage, D3DDECLUSAGE_TEXCOORD);
  EXPECT_EQ(declaration[1].UsageIndex, 1);
  EXPECT_EQ(declaration[1].Type, D3DDECLTYPE_FLOAT2);
  EXPECT_EQ(declaration[2].Usage, D3DDECLUSAGE_TANGENT);
  EXPECT_EQ(declaration[2].Offset, 20);
  EXPECT_EQ(Floats(loaded.mesh, 1, 12, 2), (std::vector<float>{0, 0.5f}));
  EXPECT_EQ(Floats(loaded.mesh, 2, 20, 3), (std::vector<float>{1, 0, 0}));
}

std::string ManyVertices(int count) {
  std::string text = "xof 0303txt 0032\nMesh { " + std::to_string(count) + ";\n";
  for (int i = 0; i < count; ++i) text += "0;0;0;,\n";
  return text + "; 1; 3;0,1," + std::to_string(count - 1) + ";; }";
}

TEST(XFileMeshTest, MoreThan65535VerticesLoadWith32BitIndices) {
  Loaded small;
  Load(ManyVertices(65535), &small);
  ASSERT_EQ(small.result, D3D_OK);
  EXPECT_EQ(small.mesh->GetNumVertices(), 65535u);
  EXPECT_EQ(small.mesh->GetOptions() & D3DXMESH_32BIT, 0u);
  Loaded large;
  Load(ManyVertices(65536), &large);
  ASSERT_EQ(large.result, D3D_OK);
  EXPECT_EQ(large.mesh->GetNumVertices(), 65536u);
  EXPECT_EQ(large.mesh->GetOptions() & D3DXMESH_32BIT, D3DXMESH_32BIT);
  EXPECT_EQ(Indices(large.mesh)[2], 65535u);
}

TEST(XFileMeshTest, AFileCutShortAnywhereFailsWhole) {
  const std::string whole = kQuad;
  for (std::size_t length = 0; length < whole.size(); ++length) {
    Loaded loaded;
    Load(whole.substr(0, length), &loaded);
    EXPECT_NE(loaded.result, D3D_OK) << "cut at " << length;
  }
}

TEST(XFileMeshTest, BrokenFilesFailCleanly) {
  const std::string header = "xof 0303txt 0032\n";
  const std::vector<std::string> broken = {
      "xof 0303bin 0032\nMesh { }",
      "xof 0303txt 0032",
      header + "Mesh { 4000000000; 0;0;0;; 1; 3;0,0,0;; }",
      header + "Mesh { 3000000; 0;0;0;; 1; 3;0,0,0;; }",
      header + "Mesh { -3; 0;0;0;, 0;0;0;, 0;0;0;; 1; 3;0,1,2;; }",
      header + "Mesh { 3; 0;0;0;, 0;0;0;, 0;0;0;; 1; 3;0,1,3;; }",
      header + "Mesh { 3; 0;0;0;, 0;0;0;, 0;0;0;; 1; 2;0,1;; }",
      header + "Mesh { 3; 0;0;0;, 0;0;0;, 0;0;0;; 1; 4000000000;0,1,2;; }",
      header + "Mesh { 3; 0;0;0;, 0;0;0;, 0;0;0;; 1000000000; 3;0,1,2;; }",
      header + "Mesh { 3; 0;0;0;, 0;0;0;, 0;x;0;; 1; 3;0,1,2;; }",
      Triangle("MeshNormals { 1; 0;0;1;; 1; 3;0,0,1;; }"),
      Triangle("MeshNormals { 1; 0;0;1;; 2; 3;0,0,0;, 3;0,0,0;; }"),
      Triangle("MeshTextureCoords { 2; 0;0;, 1;1;; }"),
      Triangle("MeshMaterialList { 1; 1; 1;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } }"),
      Triangle("MeshMaterialList { 2; 1; 0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } }"),
      Triangle("MeshMaterialList { 1; 1; 0;; { missing } }"),
      Triangle("DeclData { 1; 2;0;6;0;; 8; 0,0,0,0,0,0,0,0; }"),
      Triangle("DeclData { 1; 99;0;6;0;; 9; 0,0,0,0,0,0,0,0,0; }"),
      header + "Mesh { 3; 0;0;0;, 0;0;0;, 0;0;0;; 1; 3;0,1,2;; Unknown { { { }",
      header + "Mesh { 3; 0;0;0;, 0;0;0;, 0;0;0;; 1; 3;0,1,2;; } }",
      header + "Mesh { 3; 0;0;0;, 0;0;0;, " + std::string(5000, '1') + ";0;0;; 1; 3;0,1,2;; }",
      header + "Mesh { 3; 0;0;0;, 0;0;0;, 0;0;0;; 1; 3;0,1,2;; MeshMaterialList { 1; 1; 0;; "
               "Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { \"" + std::string(5000, 'a') + "\"; } } } }",
      header + "Frame { }",
      header + "template T { <1-2> }",
  };
  for (const std::string& text : broken) {
    Loaded loaded;
    Load(text, &loaded);
    EXPECT_NE(loaded.result, D3D_OK) << text.substr(0, 200);
  }
  std::string deep = header;
  for (int i = 0; i < 100000; ++i) deep += "Frame {";
  Loaded loaded;
  Load(deep, &loaded);
  EXPECT_NE(loaded.result, D3D_OK);
}

TEST(XFileMeshTest, FilesAreReadFromDiskAndMissingOnesFail) {
  const std::string path = ::testing::TempDir() + "x_file_mesh_test.x";
  FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fputs(kQuad, file);
  std::fclose(file);
  ID3DXMesh* mesh = nullptr;
  DWORD count = 0;
  ASSERT_EQ(D3DXLoadMeshFromXA(path.c_str(), D3DXMESH_MANAGED, nullptr, nullptr, nullptr, nullptr, &count, &mesh),
            D3D_OK);
  EXPECT_EQ(count, 2u);
  mesh->Release();
  std::remove(path.c_str());
  EXPECT_NE(D3DXLoadMeshFromXA(path.c_str(), D3DXMESH_MANAGED, nullptr, nullptr, nullptr, nullptr, &count, &mesh),
            D3D_OK);
  EXPECT_EQ(mesh, nullptr);
}

}  // namespace
