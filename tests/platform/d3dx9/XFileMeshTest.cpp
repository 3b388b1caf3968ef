// Loading .x files: layout, numbering, materials, frames, channels, the
// binary and compressed forms, and broken files.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/d3dx9/D3dxMesh.h"
#include "platform/d3dx9/XFileCompression.h"
#include "platform/d3dx9/XFileEncoder.h"

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
      "xof 0303zip 0032\nMesh { }",
      "xof 0303txt 0016\nMesh { }",
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

// Templates, frames with their matrices, a polygon, normals of their own,
// texture coordinates, a DeclData channel, a material by reference and one
// inline, and a second mesh without a list.
const char kRich[] =
    "xof 0303txt 0032\n"
    "template Vector { <3D82AB5E-62DA-11cf-AB39-0020AF71E433> FLOAT x; FLOAT y; FLOAT z; }\n"
    "template Open { <10DD46A3-775B-11CF-8F52-0040333594A3> DWORD n; array FLOAT v[16]; [...] }\n"
    "Material shared { 0;0;1;1;; 1; 0;0;0;; 0;0;0;; TextureFilename { \"shared.udt\"; } }\n"
    "Frame outer { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 10,20,30,1;; }\n"
    " Frame inner { FrameTransformMatrix { 0.5,0,0,0, 0,2,0,0, 0,0,-1.25,0, 0,0,0,1;; }\n"
    "  Mesh body { 4; -1.5;0;0.25;, 1;0;0;, 1;1e-3;0;, 0.1;1;0;; 2; 3;0,1,2;, 4;0,1,2,3;;\n"
    "   MeshNormals { 2; 0;0;-1;, 0;0.6;0.8;; 2; 3;0,0,0;, 4;1,1,1,1;; }\n"
    "   MeshTextureCoords { 4; 0;1;, 1;1;, 1;0;, 0.333333;0.666667;; }\n"
    "   DeclData { 1; 1;0;5;1;; 8; 1056964608,0, 0,1056964608, 1065353216,0, 0,0; }\n"
    "   MeshMaterialList { 2; 2; 1, 0;; { shared }\n"
    "    Material red { 1;0;0;1;; 8; 0.5;0.5;0.5;; 0;0;0;; } } } }\n"
    " Mesh second { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; Unknown { 7; 2.5; \"x\"; } } }";

std::string Encode(const std::string& text, d3dx::XFileForm form, int floatBits) {
  std::string out;
  EXPECT_TRUE(d3dx::EncodeXFile(text, form, floatBits, &out));
  return out;
}

// Everything a load hands back, as bytes.
std::vector<std::uint8_t> Everything(const Loaded& loaded) {
  std::vector<std::uint8_t> bytes;
  auto add = [&](const void* data, std::size_t size) {
    bytes.insert(bytes.end(), static_cast<const std::uint8_t*>(data), static_cast<const std::uint8_t*>(data) + size);
  };
  ID3DXMesh* mesh = loaded.mesh;
  D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE];
  mesh->GetDeclaration(declaration);
  add(declaration, (D3DXGetDeclLength(declaration) + 1) * sizeof(D3DVERTEXELEMENT9));
  void* vertices = nullptr;
  mesh->LockVertexBuffer(D3DLOCK_READONLY, &vertices);
  add(vertices, mesh->GetNumVertices() * mesh->GetNumBytesPerVertex());
  mesh->UnlockVertexBuffer();
  const std::vector<DWORD> indices = Indices(mesh);
  add(indices.data(), indices.size() * sizeof(DWORD));
  const std::vector<DWORD> attributes = Attributes(mesh);
  add(attributes.data(), attributes.size() * sizeof(DWORD));
  add(loaded.adjacency->GetBufferPointer(), loaded.adjacency->GetBufferSize());
  const auto* materials = static_cast<const D3DXMATERIAL*>(loaded.materials->GetBufferPointer());
  for (DWORD i = 0; i < loaded.materialCount; ++i) {
    add(&materials[i].MatD3D, sizeof(D3DMATERIAL9));
    const char* name = materials[i].pTextureFilename != nullptr ? materials[i].pTextureFilename : "(none)";
    add(name, std::strlen(name) + 1);
  }
  return bytes;
}

const d3dx::XFileForm kEncodedForms[] = {d3dx::XFileForm::Text, d3dx::XFileForm::Binary,
                                         d3dx::XFileForm::CompressedText, d3dx::XFileForm::CompressedBinary};

TEST(XFileMeshTest, BinaryAndCompressedFormsLoadToTheSameMesh) {
  Loaded text;
  Load(kRich, &text);
  ASSERT_EQ(text.result, D3D_OK);
  EXPECT_EQ(text.mesh->GetNumVertices(), 10u);  // 4 + 3, and copies of 0, 1, 2 for the second normal
  EXPECT_EQ(text.materialCount, 3u);
  const std::vector<std::uint8_t> expected = Everything(text);
  for (const d3dx::XFileForm form : kEncodedForms) {
    for (const int bits : {32, 64}) {
      const std::string file = Encode(kRich, form, bits);
      EXPECT_EQ(file.compare(8, 4, d3dx::XFileFormName(form)), 0);
      Loaded loaded;
      Load(file, &loaded);
      ASSERT_EQ(loaded.result, D3D_OK) << d3dx::XFileFormName(form) << bits;
      EXPECT_EQ(Everything(loaded), expected) << d3dx::XFileFormName(form) << bits;
    }
  }
  // A body larger than one 32 KiB block refers back across blocks.
  const std::string large = Encode(ManyVertices(20000), d3dx::XFileForm::CompressedBinary, 32);
  Loaded many;
  Load(large, &many);
  ASSERT_EQ(many.result, D3D_OK);
  EXPECT_EQ(many.mesh->GetNumVertices(), 20000u);
}

TEST(XFileMeshTest, BrokenBinaryAndCompressedFilesFailCleanly) {
  for (const d3dx::XFileForm form : {d3dx::XFileForm::Binary, d3dx::XFileForm::CompressedBinary}) {
    const std::string whole = Encode(kQuad, form, 32);
    for (std::size_t length = 0; length < whole.size(); ++length) {
      Loaded loaded;
      Load(whole.substr(0, length), &loaded);
      EXPECT_NE(loaded.result, D3D_OK) << d3dx::XFileFormName(form) << " cut at " << length;
    }
    // Any damaged byte loads or fails, never worse (the sanitizer build
    // checks the reads).
    for (std::size_t at = 16; at < whole.size(); ++at) {
      std::string damaged = whole;
      damaged[at] = static_cast<char>(damaged[at] ^ 0x5A);
      Loaded loaded;
      Load(damaged, &loaded);
    }
  }
  auto binary = [](std::initializer_list<std::uint16_t> words) {
    std::string file = "xof 0303bin 0032";
    for (const std::uint16_t word : words) file.append(reinterpret_cast<const char*>(&word), 2);
    return file;
  };
  // Name "Mesh", '{', an integer list that claims more than the bytes left,
  // a float list likewise, a name longer than the file, an unknown token.
  const std::string mesh = binary({1, 4, 0}) + "Mesh" + binary({10});
  const std::vector<std::string> broken = {
      mesh.substr(0, 16) + mesh.substr(16) + binary({6, 0xFFFF, 0x3FFF, 3, 0}).substr(16),
      mesh.substr(0, 16) + mesh.substr(16) + binary({6, 1, 0, 3, 0, 7, 0xFFFF, 0x0FFF}).substr(16),
      binary({1, 0xFFFF, 0xFFFF}) + "Mesh",
      mesh + binary({99}).substr(16),
  };
  for (const std::string& file : broken) {
    Loaded loaded;
    Load(file, &loaded);
    EXPECT_NE(loaded.result, D3D_OK);
  }
  // Frames nested without end stop at the depth limit.
  std::string deep = "xof 0303bin 0032";
  for (int i = 0; i < 10000; ++i) deep += binary({1, 5, 0}).substr(16) + "Frame" + binary({10}).substr(16);
  Loaded nested;
  Load(deep, &nested);
  EXPECT_NE(nested.result, D3D_OK);
}

TEST(XFileMeshTest, CompressedBodiesAreBoundedAndChecked) {
  const std::string body = std::string(kQuad).substr(16);
  std::string compressed;
  ASSERT_TRUE(d3dx::DeflateXFileBody(reinterpret_cast<const std::uint8_t*>(body.data()), body.size(), &compressed));
  auto inflate = [](const std::string& data) {
    std::string out;
    return d3dx::InflateXFileBody(reinterpret_cast<const std::uint8_t*>(data.data()), data.size(), &out);
  };
  ASSERT_TRUE(inflate(compressed));
  auto withSize = [&](std::uint32_t total) {
    std::string data = compressed;
    std::memcpy(&data[0], &total, 4);
    return data;
  };
  // A size that disagrees with the blocks, one beyond any deflate ratio or
  // the bound, a missing signature, a block longer than 32 KiB.
  EXPECT_FALSE(inflate(withSize(static_cast<std::uint32_t>(body.size() + 15))));
  EXPECT_FALSE(inflate(withSize(static_cast<std::uint32_t>(body.size() + 17))));
  EXPECT_FALSE(inflate(withSize(0xFFFFFFF0u)));
  EXPECT_FALSE(inflate(withSize(15)));
  std::string unsigned_ = compressed;
  unsigned_[8] = 'X';
  EXPECT_FALSE(inflate(unsigned_));
  std::string oversized = compressed;
  oversized[4] = 0x41;
  oversized[5] = static_cast<char>(0x9C);
  EXPECT_FALSE(inflate(oversized));
}

}  // namespace
