// The generated data folder as the game sees it: generated again (the same
// bytes), then every file opened with the game's own loaders, which must
// accept it without a single message, and the contents checked against
// what the scene expects of them.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "anim/BoneFile.h"
#include "anim/PoseFile.h"
#include "platform/d3dx9/D3dxMesh.h"
#include "platform/d3dx9/ImageCodec.h"
#include "physics/PhysicsMaterial.h"
#include "render/AdvancedRenderSystem.h"
#include "render/MaterialData.h"
#include "render/RendererFixture.h"
#include "sound/SoundSystem.h"
#include "sound/WaveFile.h"
#include "tools/assetgen/FighterRig.h"
#include "tools/assetgen/Generator.h"
#include "tools/assetgen/TextureTools.h"

namespace {

namespace fs = std::filesystem;
using assetgen::GenerationLog;

// The data folder the build generated (the assetgen_data target, which
// this test depends on): what the game will actually load.
struct Generated {
  std::string data = ASSETGEN_DATA_DIR;
  bool ok = std::filesystem::is_directory(ASSETGEN_DATA_DIR);
  std::string error = std::string(ASSETGEN_DATA_DIR) + " was not generated";
};

const Generated& Data() {
  static const Generated generated;
  return generated;
}

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> Files(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file()) names.push_back(fs::relative(entry.path(), folder).string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> FilesWithExtension(const std::string& extension) {
  std::vector<std::string> out;
  for (const std::string& name : Files(Data().data)) {
    if (fs::path(name).extension() == extension) out.push_back(name);
  }
  return out;
}

TEST(DataSetTest, AnotherRunWritesTheSameFilesByteForByteAndLogsWhatItWrote) {
  ASSERT_TRUE(Data().ok) << Data().error;
  const std::string root = ::testing::TempDir() + "assetgen_again_" + std::to_string(::getpid());
  fs::remove_all(root);
  fs::create_directories(root);
  GenerationLog log;
  std::string error;
  ASSERT_TRUE(assetgen::GenerateAll(root + "/data", &log, &error)) << error;
  const std::vector<std::string> built = Files(Data().data), again = Files(root + "/data");
  ASSERT_EQ(built, again);
  for (const std::string& name : built) {
    EXPECT_TRUE(Read(Data().data + "/" + name) == Read(root + "/data/" + name)) << name;
  }
  // The summary the tool prints tells the truth about the meshes (at least
  // the fighter's and the props').
  EXPECT_GE(log.meshes.size(), 7u);
  for (const assetgen::MeshStats& stats : log.meshes) {
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(D3DXLoadMeshFromXA((root + "/data/" + stats.file).c_str(), D3DXMESH_MANAGED, nullptr, nullptr, nullptr,
                                 nullptr, nullptr, &mesh),
              D3D_OK)
        << stats.file;
    EXPECT_EQ(mesh->GetNumVertices(), stats.vertices) << stats.file;
    EXPECT_EQ(mesh->GetNumFaces(), stats.triangles) << stats.file;
    mesh->Release();
  }
  fs::remove_all(root);
}

TEST(DataSetTest, EveryFileTheSceneOpensAndEveryMapItsMaterialsNameIsThere) {
  ASSERT_TRUE(Data().ok) << Data().error;
  for (const std::string& name : assetgen::RequiredFiles()) EXPECT_TRUE(fs::exists(Data().data + "/" + name)) << name;
  for (const std::string& name : Files(Data().data)) {
    EXPECT_EQ(name, [&] {
      std::string lower = name;
      std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
      return lower;
    }()) << "names are lower case";
  }
  for (const std::string& udt : FilesWithExtension(".udt")) {
    std::ifstream in(Data().data + "/" + udt);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 11u) << udt;
    for (int i = 6; i <= 9; ++i) {
      if (lines[static_cast<std::size_t>(i)][0] == '!') continue;
      const std::string map =
          (fs::path(Data().data) / fs::path(udt).parent_path() / lines[static_cast<std::size_t>(i)]).string();
      d3dx::Image image;
      std::string error;
      ASSERT_TRUE(d3dx::LoadPngFile(map.c_str(), &image, &error)) << map << ": " << error;
      EXPECT_TRUE(assetgen::IsPowerOfTwo(image.width, image.height)) << map;
    }
  }
  // Effect textures are RGBA powers of two whose borders are transparent
  // (sprites and decals must not show their square).
  for (const char* effect : {"shadow", "blood1", "blood2", "smoke1", "scr_blur"}) {
    d3dx::Image image;
    std::string error;
    const std::string path = Data().data + "/effect/" + effect + ".png";
    ASSERT_TRUE(d3dx::LoadPngFile(path.c_str(), &image, &error)) << error;
    EXPECT_TRUE(assetgen::IsPowerOfTwo(image.width, image.height)) << effect;
    for (int x = 0; x < image.width; ++x) EXPECT_EQ(image.pixels[static_cast<std::size_t>(x)] >> 24, 0u) << effect;
    // Something is drawn in the middle.
    EXPECT_GT(image.pixels[static_cast<std::size_t>(image.height / 2 * image.width + image.width / 2)] >> 24, 100u)
        << effect;
  }
}

TEST(DataSetTest, SoundsAreMonoPcmThatTheSoundSystemLoadsSilently) {
  ASSERT_TRUE(Data().ok) << Data().error;
  SoundSystem sound;
  ASSERT_TRUE(sound.Init(nullptr, 0.99f));
  const std::map<std::string, std::pair<float, float>> durations = {
      {"un.wav", {0.2f, 0.8f}}, {"exp.wav", {2.0f, 4.0f}}, {"dong.wav", {0.3f, 1.2f}}};
  for (const auto& entry : durations) {
    const std::string path = Data().data + "/sound/" + entry.first;
    MessageLog messages;
    SoundData* data = sound.Load(path.c_str(), &messages);
    ASSERT_NE(data, nullptr) << entry.first;
    EXPECT_TRUE(messages.lines.empty()) << messages.lines.front();
    EXPECT_GT(data->duration, entry.second.first) << entry.first;
    EXPECT_LT(data->duration, entry.second.second) << entry.first;
    sound.Unload(data);
    // Loud, but never clipped.
    WaveFileData wave;
    ASSERT_TRUE(ReadWaveFile(path.c_str(), &wave));
    int peak = 0;
    for (std::size_t i = 0; i + 1 < wave.samples.size(); i += 2) {
      const int sample = static_cast<std::int16_t>(wave.samples[i] | (wave.samples[i + 1] << 8));
      peak = std::max(peak, std::abs(sample));
    }
    EXPECT_GT(peak, 20000) << entry.first;
    EXPECT_LT(peak, 32767) << entry.first;
  }
  sound.Shutdown();
}

TEST(DataSetTest, TheSkeletonAndPosesHoldEveryNameTheGameLooksUpAndASoundSkin) {
  ASSERT_TRUE(Data().ok) << Data().error;
  BoneFile bones;
  PoseFile poses;
  std::string error;
  ASSERT_TRUE(LoadBoneFile(&bones, (Data().data + "/char/body.bone").c_str(), &error)) << error;
  ASSERT_TRUE(LoadPoseFile(&poses, (Data().data + "/char/body.pose").c_str(), &error)) << error;
  std::set<std::string> boneNames, channelNames, poseNames;
  for (int i = 0; i < bones.boneCount; ++i) boneNames.insert(bones.bones[i].name);
  for (int i = 0; i < poses.channelCount; ++i) channelNames.insert(poses.channelNames[i]);
  for (int i = 0; i < poses.poseCount; ++i) poseNames.insert(poses.poses[i].name);
  for (const std::string& name : assetgen::GameBoneNames()) {
    EXPECT_EQ(boneNames.count(name), 1u) << name;
    EXPECT_EQ(channelNames.count(name), 1u) << name;  // and it is animated
  }
  for (const std::string& name : assetgen::GamePoseNames()) EXPECT_EQ(poseNames.count(name), 1u) << name;

  // The skin, against the mesh as the game reads it (no vertex split).
  ID3DXMesh* mesh = nullptr;
  ASSERT_EQ(D3DXLoadMeshFromXA((Data().data + "/char/body.x").c_str(), D3DXMESH_MANAGED, nullptr, nullptr, nullptr,
                               nullptr, nullptr, &mesh),
            D3D_OK);
  const std::int32_t vertexCount = static_cast<std::int32_t>(mesh->GetNumVertices());
  EXPECT_TRUE(CheckBoneVertices(bones, vertexCount, &error)) << error;
  std::vector<double> sums(static_cast<std::size_t>(vertexCount), 0.0);
  std::vector<std::vector<int>> bonesOf(static_cast<std::size_t>(vertexCount));
  for (int b = 0; b < bones.boneCount; ++b) {
    const BoneRecord& bone = bones.bones[b];
    EXPECT_TRUE(bone.influenceCount == 0 || (bone.flags & kBoneFlagExclude) == 0) << bone.name;
    for (int i = 0; i < bone.influenceCount; ++i) {
      sums[static_cast<std::size_t>(bone.vertexIndices[i])] += bone.weights[i];
      bonesOf[static_cast<std::size_t>(bone.vertexIndices[i])].push_back(b);
    }
  }
  for (std::int32_t v = 0; v < vertexCount; ++v) {
    ASSERT_NEAR(sums[static_cast<std::size_t>(v)], 1.0, 1e-5) << "vertex " << v;
    ASSERT_LE(bonesOf[static_cast<std::size_t>(v)].size(), 2u) << "vertex " << v;
  }
  for (DWORD f = 0; f < mesh->GetNumFaces(); ++f) {
    std::set<int> faceBones;
    for (DWORD k = 0; k < 3; ++k) {
      const auto& list = bonesOf[mesh->IndexAt(f * 3 + k)];
      faceBones.insert(list.begin(), list.end());
    }
    ASSERT_LE(faceBones.size(), 4u) << "face " << f;
  }
  mesh->Release();
}

// The renderer's loaders, on a headless device.
class GameLoaderTest : public RendererTest {
 protected:
  void SetUp() override {
    RendererTest::SetUp();
    ASSERT_TRUE(Data().ok) << Data().error;
    StartShaderMode();
  }
  std::string Path(const std::string& name) const { return Data().data + "/" + name; }
};

TEST_F(GameLoaderTest, EveryMaterialLoadsItsOwnMapsWithoutAMessage) {
  // The fighter's and the props' materials (the level has tests of its own).
  std::vector<std::string> udts;
  for (const std::string& file : FilesWithExtension(".udt")) {
    if (file.rfind("char/", 0) == 0 || file.rfind("obj/", 0) == 0) udts.push_back(file);
  }
  EXPECT_EQ(udts.size(), 7u);
  for (const std::string& udt : udts) {
    MaterialData* material = nullptr;
    ASSERT_TRUE(renderer_.LoadMaterial(&messages_, &material, Path(udt).c_str())) << udt;
    EXPECT_TRUE(messages_.lines.empty()) << udt << ": " << messages_.lines.front();
    // The maps come from the files, not the stand-in defaults.
    EXPECT_NE(material->diffuseMap, Peek("#def_D")) << udt;
    // Every material of the set reads a normal and a specular map.
    EXPECT_NE(material->normalMap, nullptr) << udt;
    EXPECT_NE(material->normalMap, Peek("#def_N")) << udt;
    EXPECT_NE(material->specularMap, nullptr) << udt;
    EXPECT_NE(material->specularMap, Peek("#def_S")) << udt;
    renderer_.GetMaterialPool().Release(material);
  }
  for (const char* effect : {"shadow", "blood1", "blood2", "smoke1", "scr_blur"}) {
    IDirect3DTexture9* texture = nullptr;
    EXPECT_TRUE(renderer_.LoadTexture(&texture, Path(std::string("effect/") + effect + ".png").c_str())) << effect;
    renderer_.GetTexturePool().Release(texture);
  }
}

TEST_F(GameLoaderTest, PropsLoadWithTheirMaterialsAtTheirSizes) {
  const std::map<std::string, std::pair<float, float>> radius = {
      {"obj/kyabe_new.x", {0.999f, 1.001f}}, {"obj/tex92_box.x", {1.73f, 1.7325f}}, {"obj/smiley.x", {0.999f, 1.001f}}};
  for (const auto& entry : radius) {
    MeshData* mesh = nullptr;
    ASSERT_TRUE(LoadMesh(&messages_, &mesh, &renderer_, Path(entry.first).c_str(), true)) << entry.first;
    EXPECT_TRUE(messages_.lines.empty()) << entry.first << ": " << messages_.lines.front();
    ASSERT_EQ(mesh->numMaterials, 1u) << entry.first;
    EXPECT_NE(mesh->materials[0], nullptr) << entry.first;  // the .udt named in the file
    EXPECT_GE(mesh->boundingRadius, entry.second.first) << entry.first;
    EXPECT_LE(mesh->boundingRadius, entry.second.second) << entry.first;
    renderer_.GetMeshPool().Release(mesh);
  }
}

TEST_F(GameLoaderTest, TheLevelLoadsWithEveryMaterialOnItsPhysicsSurface) {
  MeshData* level = nullptr;
  ASSERT_TRUE(LoadMesh(&messages_, &level, &renderer_, Path("map/test_map.x").c_str(), true));
  EXPECT_TRUE(messages_.lines.empty()) << messages_.lines.front();
  ASSERT_GE(level->numMaterials, 5u);
  // The scene maps each material to a physics surface by the first two
  // letters of its file name; a miss would make it "Univ".
  ID3DXMesh* raw = nullptr;
  ID3DXBuffer* buffer = nullptr;
  DWORD count = 0;
  ASSERT_EQ(D3DXLoadMeshFromXA(Path("map/test_map.x").c_str(), D3DXMESH_MANAGED, nullptr, nullptr, &buffer, nullptr,
                               &count, &raw),
            D3D_OK);
  ASSERT_EQ(count, level->numMaterials);
  const auto* materials = static_cast<const D3DXMATERIAL*>(buffer->GetBufferPointer());
  std::set<int> surfaces;
  for (DWORD i = 0; i < count; ++i) {
    EXPECT_NE(level->materials[i], nullptr) << i;
    const int surface = FindPhysicsMaterialByCode(materials[i].pTextureFilename);
    EXPECT_GT(surface, kMaterialUniv) << materials[i].pTextureFilename;
    surfaces.insert(surface);
  }
  for (const int wanted : {kMaterialGrass, kMaterialStone, kMaterialWood, kMaterialMetal}) {
    EXPECT_EQ(surfaces.count(wanted), 1u) << wanted;
  }
  EXPECT_TRUE(surfaces.count(kMaterialSand) + surfaces.count(kMaterialDirt) > 0);
  buffer->Release();
  raw->Release();
  IDirect3DTexture9* lightmap = nullptr;
  EXPECT_TRUE(renderer_.LoadTexture(&lightmap, Path("map/lightmap.png").c_str()));
  renderer_.GetTexturePool().Release(lightmap);
  renderer_.GetMeshPool().Release(level);
}

TEST_F(GameLoaderTest, TheFighterLoadsAsTheSceneLoadsItAndStandsAboutSevenPointThreeTall) {
  SkinData* body = nullptr;
  ASSERT_TRUE(renderer_.LoadSkinMesh(&body, &messages_, Path("char/body.x").c_str(), Path("char/body.bone").c_str(),
                                     Path("char/body.pose").c_str()));
  EXPECT_TRUE(messages_.lines.empty()) << messages_.lines.front();
  // The game's blended mesh takes at most four bones per combination.
  ASSERT_GT(body->frame.GetCombinationCount(), 0u);
  for (std::uint32_t c = 0; c < body->frame.GetCombinationCount(); ++c) {
    EXPECT_LE(body->frame.GetCombinations()[c].lastIndex, 3);
  }
  renderer_.GetMeshPool().Release(body);

  float headTop = 0.0f, solesY = 0.0f, weaponRadius = 0.0f;
  for (const char* part : {"char/head.x", "char/mohi.x", "char/nata.x", "char/body.x"}) {
    MeshData* mesh = nullptr;
    ASSERT_TRUE(LoadMesh(&messages_, &mesh, &renderer_, Path(part).c_str(), false)) << part;
    EXPECT_TRUE(messages_.lines.empty()) << part << ": " << messages_.lines.front();
    EXPECT_EQ(mesh->numMaterials, 0u);
    void* data = nullptr;
    ASSERT_EQ(mesh->mesh->LockVertexBuffer(D3DLOCK_READONLY, &data), D3D_OK);
    float top = -1e9f, bottom = 1e9f;
    for (DWORD v = 0; v < mesh->mesh->GetNumVertices(); ++v) {
      float p[3];
      std::memcpy(p, static_cast<const std::uint8_t*>(data) + v * mesh->mesh->GetNumBytesPerVertex(), 12);
      top = std::fmax(top, p[1]);
      bottom = std::fmin(bottom, p[1]);
    }
    mesh->mesh->UnlockVertexBuffer();
    if (std::string(part) == "char/head.x") headTop = top;
    if (std::string(part) == "char/body.x") solesY = bottom;
    if (std::string(part) == "char/nata.x") weaponRadius = mesh->boundingRadius;
    renderer_.GetMeshPool().Release(mesh);
  }
  // Head on the neck joint (0.2 up, 98%), soles below the ankles.
  const assetgen::Skeleton skeleton = assetgen::MakeFighterSkeleton();
  const float crown = skeleton.BindPosition(assetgen::kNeck).y + assetgen::HeadAttachment().Apply({0, headTop, 0}).y;
  EXPECT_NEAR(crown - solesY, 7.3f, 0.2f);
  EXPECT_NEAR(solesY, -3.75f, 0.05f);
  // The weapon reaches its striking point at (0, 2, 0) and no further than
  // its pommel.
  EXPECT_GT(weaponRadius, 2.0f);
  EXPECT_LT(weaponRadius, 2.7f);
}

TEST(DataSetTest, MeshesStayWithinTheGamesLimitsAndGiveEveryFaceATangent) {
  ASSERT_TRUE(Data().ok) << Data().error;
  // The fighter's and the props' meshes (the level has tests of its own).
  std::vector<std::string> meshes;
  for (const std::string& file : FilesWithExtension(".x")) {
    if (file.rfind("char/", 0) == 0 || file.rfind("obj/", 0) == 0) meshes.push_back(file);
  }
  EXPECT_EQ(meshes.size(), 7u);
  for (const std::string& file : meshes) {
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(D3DXLoadMeshFromXA((Data().data + "/" + file).c_str(), D3DXMESH_MANAGED, nullptr, nullptr, nullptr,
                                 nullptr, nullptr, &mesh),
              D3D_OK)
        << file;
    EXPECT_LE(mesh->GetNumVertices(), 65535u) << file;
    if (file == "char/body.x") {
      // A few thousand triangles for the body.
      EXPECT_GT(mesh->GetNumFaces(), 3000u);
      EXPECT_LT(mesh->GetNumFaces(), 10000u);
    }
    // Every face's texture mapping gives the loader a tangent (none has to
    // be repaired from its neighbours): u and v turn the way the face does.
    const int uvOffset = [&] {
      D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE];
      mesh->GetDeclaration(declaration);
      for (const D3DVERTEXELEMENT9* e = declaration; e->Stream != 0xFF; ++e) {
        if (e->Usage == D3DDECLUSAGE_TEXCOORD && e->UsageIndex == 0) return static_cast<int>(e->Offset);
      }
      return -1;
    }();
    ASSERT_GE(uvOffset, 0) << file;
    void* data = nullptr;
    ASSERT_EQ(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data), D3D_OK);
    auto uv = [&](DWORD vertex) {
      float t[2];
      std::memcpy(t, static_cast<const std::uint8_t*>(data) + vertex * mesh->GetNumBytesPerVertex() + uvOffset, 8);
      return std::make_pair(t[0], t[1]);
    };
    int withoutTangent = 0;
    for (DWORD f = 0; f < mesh->GetNumFaces(); ++f) {
      const auto t0 = uv(mesh->IndexAt(f * 3)), t1 = uv(mesh->IndexAt(f * 3 + 1)), t2 = uv(mesh->IndexAt(f * 3 + 2));
      const float e1u = t1.first - t0.first, e1v = t1.second - t0.second;
      const float e2u = t2.first - t0.first, e2v = t2.second - t0.second;
      if (!(e1u * e2v - e1v * e2u > 1.1920929e-7f)) ++withoutTangent;
    }
    mesh->UnlockVertexBuffer();
    EXPECT_EQ(withoutTangent, 0) << file;
    mesh->Release();
  }
}

}  // namespace
