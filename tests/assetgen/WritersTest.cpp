// The generator's writers against the game's own readers: what is written
// reads back the same, in the same order; faulty models are refused and
// leave no file behind.

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <tuple>

#include "anim/BoneFile.h"
#include "anim/PoseFile.h"
#include "platform/d3dx9/D3dxMesh.h"
#include "platform/d3dx9/ImageCodec.h"
#include "sound/WaveFile.h"
#include "tools/assetgen/AnimFiles.h"
#include "tools/assetgen/MeshBuilder.h"
#include "tools/assetgen/TextFormat.h"
#include "tools/assetgen/WaveWriter.h"
#include "tools/assetgen/Writers.h"

namespace {

using namespace assetgen;

class WritersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = ::testing::TempDir() + "assetgen_writers_" + std::to_string(::getpid()) + "/";
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Path(const std::string& name) const { return dir_ + name; }
  bool Exists(const std::string& name) const { return std::filesystem::exists(dir_ + name); }

  std::string dir_;
};

// Two materials, two UV sets, a vertex order that a welding loader would
// change (vertex 4 repeats vertex 0's position with another UV).
MeshModel TwoQuads() {
  MeshModel m;
  AddVertex(&m, {0, 0, 0}, {0, 0, -1}, {0, 1});
  AddVertex(&m, {0, 1, 0}, {0, 0, -1}, {0, 0});
  AddVertex(&m, {1, 1, 0}, {0, 0, -1}, {1, 0});
  AddVertex(&m, {1, 0, 0}, {0, 0, -1}, {1, 1});
  AddVertex(&m, {0, 0, 0}, {0, 0, -1}, {0.5f, 0.25f});
  AddQuad(&m, 0, 1, 2, 3);
  AddTriangle(&m, 4, 1, 2);
  for (std::size_t i = 0; i < m.vertices.size(); ++i) m.vertices[i].uv2 = {0.1f * i, 1.0f - 0.2f * i};
  m.hasUv2 = true;
  m.materials.resize(2);
  m.materials[0].textureFile = "stone.udt";
  m.materials[1].diffuse = {0.25f, 0.5f, 0.75f, 1.0f};
  SetFaceMaterial(&m, 0, 0);
  SetFaceMaterial(&m, 2, 1);
  return m;
}

struct LoadedMesh {
  ID3DXMesh* mesh = nullptr;
  ID3DXBuffer* materials = nullptr;
  DWORD materialCount = 0;
  ~LoadedMesh() {
    if (mesh != nullptr) mesh->Release();
    if (materials != nullptr) materials->Release();
  }
};

HRESULT LoadText(const std::string& text, LoadedMesh* out) {
  return D3DXLoadMeshFromXInMemory(text.data(), static_cast<DWORD>(text.size()), D3DXMESH_MANAGED, nullptr, nullptr,
                                   &out->materials, nullptr, &out->materialCount, &out->mesh);
}

int Offset(ID3DXMesh* mesh, BYTE usage, BYTE index) {
  D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE];
  mesh->GetDeclaration(declaration);
  for (const D3DVERTEXELEMENT9* e = declaration; e->Stream != 0xFF; ++e) {
    if (e->Usage == usage && e->UsageIndex == index) return e->Offset;
  }
  return -1;
}

TEST_F(WritersTest, AnXFileReadsBackWithItsVertexOrderAndOnlyTheUvSetsAndMaterialsItHas) {
  const MeshModel model = TwoQuads();
  ASSERT_TRUE(WriteXFile(model, Path("quads.x"), nullptr));
  LoadedMesh loaded;
  ASSERT_EQ(LoadText(XFileText(model), &loaded), D3D_OK);
  ID3DXMesh* mesh = loaded.mesh;
  // One normal per vertex: nothing split, nothing merged, same order.
  ASSERT_EQ(mesh->GetNumVertices(), model.vertices.size());
  ASSERT_EQ(mesh->GetNumFaces(), model.faces.size());
  const int uv2 = Offset(mesh, D3DDECLUSAGE_TEXCOORD, 1);
  ASSERT_GE(uv2, 0);
  void* data = nullptr;
  ASSERT_EQ(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data), D3D_OK);
  const DWORD stride = mesh->GetNumBytesPerVertex();
  for (std::size_t v = 0; v < model.vertices.size(); ++v) {
    const auto* base = static_cast<const std::uint8_t*>(data) + v * stride;
    float position[3], uv[2], second[2];
    std::memcpy(position, base, 12);
    std::memcpy(uv, base + Offset(mesh, D3DDECLUSAGE_TEXCOORD, 0), 8);
    std::memcpy(second, base + uv2, 8);
    EXPECT_FLOAT_EQ(position[0], model.vertices[v].position.x) << v;
    EXPECT_FLOAT_EQ(position[1], model.vertices[v].position.y) << v;
    EXPECT_FLOAT_EQ(uv[0], model.vertices[v].uv.x) << v;
    EXPECT_FLOAT_EQ(uv[1], model.vertices[v].uv.y) << v;
    // The light-map set travels as raw bits: exact.
    EXPECT_EQ(second[0], model.vertices[v].uv2.x) << v;
    EXPECT_EQ(second[1], model.vertices[v].uv2.y) << v;
  }
  mesh->UnlockVertexBuffer();
  for (std::size_t f = 0; f < model.faces.size(); ++f) {
    for (int k = 0; k < 3; ++k) EXPECT_EQ(mesh->IndexAt(static_cast<DWORD>(f * 3 + k)), model.faces[f][k]);
  }
  ASSERT_EQ(loaded.materialCount, 2u);
  const auto* materials = static_cast<const D3DXMATERIAL*>(loaded.materials->GetBufferPointer());
  EXPECT_STREQ(materials[0].pTextureFilename, "stone.udt");
  EXPECT_EQ(materials[1].pTextureFilename, nullptr);
  EXPECT_FLOAT_EQ(materials[1].MatD3D.Diffuse.b, 0.75f);
  DWORD* attributes = nullptr;
  mesh->LockAttributeBuffer(D3DLOCK_READONLY, &attributes);
  EXPECT_EQ(attributes[0], 0u);
  EXPECT_EQ(attributes[2], 1u);
  mesh->UnlockAttributeBuffer();

  // Without materials and light-map coordinates, neither is written.
  MeshModel plain = TwoQuads();
  plain.faceMaterial.clear();
  plain.materials.clear();
  plain.hasUv2 = false;
  LoadedMesh loadedPlain;
  ASSERT_EQ(LoadText(XFileText(plain), &loadedPlain), D3D_OK);
  EXPECT_EQ(loadedPlain.materialCount, 0u);
  EXPECT_EQ(Offset(loadedPlain.mesh, D3DDECLUSAGE_TEXCOORD, 1), -1);
}

TEST_F(WritersTest, FaultyModelsAreRefusedAndLeaveNoFile) {
  MeshModel nan = TwoQuads();
  nan.vertices[2].position.y = std::numeric_limits<float>::quiet_NaN();
  MeshModel infiniteUv = TwoQuads();
  infiniteUv.vertices[1].uv2.x = std::numeric_limits<float>::infinity();
  MeshModel badIndex = TwoQuads();
  badIndex.faces[1][2] = 99;
  MeshModel repeated = TwoQuads();
  repeated.faces[0] = {1, 1, 2};
  MeshModel materialCount = TwoQuads();
  materialCount.faceMaterial.pop_back();
  MeshModel noArea = TwoQuads();
  noArea.vertices[4].position = {0.5f, 1.0f, 0};  // on the line through vertices 1 and 2
  MeshModel shortNormal = TwoQuads();
  shortNormal.vertices[0].normal = {0, 0, -0.5f};
  MeshModel tooMany;
  for (std::uint32_t i = 0; i < 65536; ++i) {
    AddVertex(&tooMany, {static_cast<float>(i), static_cast<float>(i % 2), 0}, {0, 0, -1}, {0, 0});
  }
  AddTriangle(&tooMany, 0, 1, 65535);
  int n = 0;
  for (const MeshModel* model :
       {&nan, &infiniteUv, &badIndex, &repeated, &noArea, &materialCount, &shortNormal, &tooMany}) {
    const std::string name = "bad" + std::to_string(n++) + ".x";
    std::string error;
    EXPECT_FALSE(WriteXFile(*model, Path(name), &error)) << name;
    EXPECT_FALSE(error.empty()) << name;
    EXPECT_FALSE(Exists(name)) << name;
  }
  // The limit itself is fine.
  tooMany.vertices.pop_back();
  tooMany.faces[0] = {0, 1, 65534};
  EXPECT_TRUE(WriteXFile(tooMany, Path("limit.x"), nullptr));
}

TEST_F(WritersTest, UdtFilesHaveElevenLinesAndRefuseWhatTheGameWouldWarnAbout) {
  UdtMaterial m;
  m.type = "CharMid+";
  m.ambientRate = 0.75f;
  m.specular = {0.25f, 0.5f, 1.0f};
  m.specularPower = 20.0f;
  m.gpv = 0.35f;
  m.diffuseMap = "skin.png";
  m.specularMap = "skin_s.png";
  EXPECT_EQ(UdtText(m), "Material\nCharMid+\n0.75\n0.25,0.5,1\n20\n0.35\nskin.png\n!\nskin_s.png\n!\neof\n");
  EXPECT_TRUE(WriteUdt(m, Path("ok.udt"), nullptr));

  UdtMaterial unknown = m;
  unknown.type = "charmid+";  // the table is case-sensitive
  UdtMaterial weakPower = m;
  weakPower.specularPower = 0.5f;
  UdtMaterial nan = m;
  nan.gpv = std::numeric_limits<float>::quiet_NaN();
  UdtMaterial twoLines = m;
  twoLines.normalMap = "a.png\nb.png";
  UdtMaterial bang = m;
  bang.normalMap = "!oops.png";  // would read as "no map"
  int n = 0;
  for (const UdtMaterial* bad : {&unknown, &weakPower, &nan, &twoLines, &bang}) {
    const std::string name = "bad" + std::to_string(n++) + ".udt";
    EXPECT_FALSE(WriteUdt(*bad, Path(name), nullptr)) << name;
    EXPECT_FALSE(Exists(name)) << name;
  }
}

TEST_F(WritersTest, PngKeepsEveryChannelOfEveryPixel) {
  ImageRgba image;
  image.width = 4;
  image.height = 2;
  for (int i = 0; i < 8; ++i) {
    image.pixels.insert(image.pixels.end(), {static_cast<std::uint8_t>(i * 30), static_cast<std::uint8_t>(255 - i),
                                             static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i * 32 + 3)});
  }
  ASSERT_TRUE(WritePng(image, Path("p.png"), nullptr));
  d3dx::Image read;
  std::string error;
  ASSERT_TRUE(d3dx::LoadPngFile(Path("p.png").c_str(), &read, &error)) << error;
  ASSERT_EQ(read.width, 4);
  ASSERT_EQ(read.height, 2);
  for (int i = 0; i < 8; ++i) {
    const std::uint32_t expected = (std::uint32_t{image.pixels[i * 4 + 3]} << 24) |
                                   (std::uint32_t{image.pixels[i * 4]} << 16) |
                                   (std::uint32_t{image.pixels[i * 4 + 1]} << 8) | image.pixels[i * 4 + 2];
    EXPECT_EQ(read.pixels[static_cast<std::size_t>(i)], expected) << i;
  }
  ImageRgba inconsistent = image;
  inconsistent.pixels.pop_back();
  EXPECT_FALSE(WritePng(inconsistent, Path("q.png"), nullptr));
  EXPECT_FALSE(Exists("q.png"));
}

TEST_F(WritersTest, WavesAreMonoSixteenBitPcmWithTheSamplesRounded) {
  const std::vector<float> samples = {0.0f, 1.0f, -1.0f, 0.5f, 2.0f, -3.0f};
  ASSERT_TRUE(WriteWave(samples, 22050, Path("s.wav"), nullptr));
  WaveFileData wave;
  ASSERT_TRUE(ReadWaveFile(Path("s.wav").c_str(), &wave));
  EXPECT_EQ(wave.format.wFormatTag, 1);
  EXPECT_EQ(wave.format.nChannels, 1);
  EXPECT_EQ(wave.format.wBitsPerSample, 16);
  EXPECT_EQ(wave.format.nSamplesPerSec, 22050u);
  EXPECT_EQ(wave.format.nAvgBytesPerSec, 44100u);
  ASSERT_EQ(wave.samples.size(), 12u);
  std::vector<std::int16_t> values(6);
  std::memcpy(values.data(), wave.samples.data(), 12);
  EXPECT_EQ(values, (std::vector<std::int16_t>{0, 32767, -32767, 16384, 32767, -32767}));  // the last two clipped
  EXPECT_FALSE(WriteWave({0.0f, std::numeric_limits<float>::quiet_NaN()}, 22050, Path("n.wav"), nullptr));
  EXPECT_FALSE(Exists("n.wav"));
}

Skeleton SmallSkeleton() {
  Skeleton s;
  s.bones.resize(3);
  s.bones[0].name = "root";
  s.bones[1] = Bone{"arm", 0, {1, 0, 0}, kBoneHalfRotation, {{0, 0.25f}, {2, 1.0f}}};
  s.bones[2] = Bone{"hand", 1, {0.5f, 0, 0}, 0, {{0, 0.75f}, {1, 1.0f}}};
  return s;
}

TEST_F(WritersTest, BoneAndPoseFilesLoadThroughTheGameWithEveryField) {
  const Skeleton skeleton = SmallSkeleton();
  PoseLibrary poses;
  poses.channels = {"hand", "arm"};
  poses.poses = {Pose{"wave", {{0.1f, 0.2f, 0.3f}, {-1.0f, 0.0f, 2.0f}}}, Pose{"rest", {{}, {}}}};
  ASSERT_TRUE(WriteBoneFile(skeleton, Path("b.bone"), nullptr));
  ASSERT_TRUE(WritePoseFile(skeleton, poses, Path("b.pose"), nullptr));

  BoneFile bones;
  std::string error;
  ASSERT_TRUE(LoadBoneFile(&bones, Path("b.bone").c_str(), &error)) << error;
  ASSERT_EQ(bones.boneCount, 3);
  EXPECT_STREQ(bones.bones[1].name, "arm");
  EXPECT_EQ(bones.bones[1].parentIndex, 0);
  EXPECT_EQ(bones.bones[1].flags, kBoneFlagHalfRotation);
  ASSERT_EQ(bones.bones[1].influenceCount, 2);
  EXPECT_EQ(bones.bones[1].vertexIndices[1], 2);
  EXPECT_FLOAT_EQ(bones.bones[1].weights[0], 0.25f);
  EXPECT_EQ(bones.bones[0].influenceCount, 0);
  EXPECT_FLOAT_EQ(GetBindPosition(bones, 2).x, 1.5f);

  PoseFile read;
  ASSERT_TRUE(LoadPoseFile(&read, Path("b.pose").c_str(), &error)) << error;
  ASSERT_EQ(read.channelCount, 2);
  ASSERT_EQ(read.poseCount, 2);
  EXPECT_STREQ(read.channelNames[1], "arm");
  EXPECT_STREQ(read.poses[0].name, "wave");
  EXPECT_FLOAT_EQ(read.poses[0].rotations[1].z, 2.0f);  // roll of "arm" in "wave"
}

TEST_F(WritersTest, BrokenSkeletonsAndPoseLibrariesAreRefused) {
  Skeleton duplicate = SmallSkeleton();
  duplicate.bones[2].name = "arm";
  Skeleton childFirst = SmallSkeleton();
  childFirst.bones[1].parent = 2;
  Skeleton twoRoots = SmallSkeleton();
  twoRoots.bones[2].parent = -1;
  Skeleton longName = SmallSkeleton();
  longName.bones[0].name = std::string(32, 'x');  // no room for the NUL
  Skeleton nanOffset = SmallSkeleton();
  nanOffset.bones[1].offset.z = std::numeric_limits<float>::quiet_NaN();
  int n = 0;
  for (const Skeleton* bad : {&duplicate, &childFirst, &twoRoots, &longName, &nanOffset}) {
    const std::string name = "bad" + std::to_string(n++) + ".bone";
    EXPECT_FALSE(WriteBoneFile(*bad, Path(name), nullptr)) << name;
    EXPECT_FALSE(Exists(name)) << name;
  }
  PoseLibrary unknownChannel;
  unknownChannel.channels = {"leg"};
  unknownChannel.poses = {Pose{"p", {{}}}};
  PoseLibrary shortPose;
  shortPose.channels = {"arm", "hand"};
  shortPose.poses = {Pose{"p", {{}}}};
  PoseLibrary nanPose;
  nanPose.channels = {"arm"};
  nanPose.poses = {Pose{"p", {{0.0f, std::numeric_limits<float>::quiet_NaN(), 0.0f}}}};
  for (const PoseLibrary* bad : {&unknownChannel, &shortPose, &nanPose}) {
    const std::string name = "bad" + std::to_string(n++) + ".pose";
    EXPECT_FALSE(WritePoseFile(SmallSkeleton(), *bad, Path(name), nullptr)) << name;
    EXPECT_FALSE(Exists(name)) << name;
  }
}

TEST(TextFormatTest, NumbersAreWrittenTheSameWhateverTheLocale) {
  // Rounded, without trailing zeros or point, and never "-0".
  const std::tuple<double, int, const char*> cases[] = {
      {0.0, 6, "0"}, {-0.0000001, 6, "0"},       {1.5, 6, "1.5"},     {-2.25, 6, "-2.25"},
      {3.0, 6, "3"}, {0.1234567, 6, "0.123457"}, {1.0000004, 6, "1"}, {123456.5, 0, "123457"}};
  for (const auto& [value, decimals, text] : cases) EXPECT_EQ(FormatFixed(value, decimals), text) << value;
  // A locale with a decimal comma changes nothing (when the system has one).
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = previous != nullptr ? previous : "C";
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr) {
    EXPECT_EQ(FormatFixed(-2.25), "-2.25");
    std::setlocale(LC_NUMERIC, saved.c_str());
  }
  std::string text;
  AppendInt(&text, -9223372036854775807LL - 1);
  EXPECT_EQ(text, "-9223372036854775808");
}

}  // namespace
