// The generated data folder as the game sees it: generated again (the same
// bytes), then every file opened with the game's own loaders, which must
// accept it without a single message, and the contents checked against
// what the scene expects of them.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "anim/BoneFile.h"
#include "anim/PoseFile.h"
#include "app/LevelMaterials.h"
#include "physics/PhysicsMaterial.h"
#include "platform/d3dx9/D3dxMesh.h"
#include "platform/d3dx9/ImageCodec.h"
#include "render/AdvancedRenderSystem.h"
#include "render/MaterialData.h"
#include "render/RendererFixture.h"
#include "sound/SoundSystem.h"
#include "tools/assetgen/FighterRig.h"
#include "tools/assetgen/Generator.h"
#include "tools/assetgen/MeshBuilder.h"
#include "tools/assetgen/ModelChecks.h"
#include "tools/assetgen/TextureTools.h"

namespace {

namespace fs = std::filesystem;
using assetgen::MeshModel;

// The data folder the build generated (the assetgen_data target, which
// this test depends on): what the game will actually load.
const std::string kData = ASSETGEN_DATA_DIR;

class DataSetTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(fs::is_directory(kData)) << kData << " was not generated"; }
};

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

// A .x file through the game's mesh loader, back in the generator's terms:
// positions and first texture coordinates in the loader's vertex order, and
// the faces.
bool ReadX(const std::string& path, MeshModel* model) {
  ID3DXMesh* mesh = nullptr;
  if (D3DXLoadMeshFromXA(path.c_str(), D3DXMESH_MANAGED, nullptr, nullptr, nullptr, nullptr, nullptr, &mesh) !=
      D3D_OK) {
    return false;
  }
  int uvOffset = -1;  // no texture coordinates leave every uv at 0: no face has a tangent then
  D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE];
  mesh->GetDeclaration(declaration);
  for (const D3DVERTEXELEMENT9* e = declaration; e->Stream != 0xFF; ++e) {
    if (e->Usage == D3DDECLUSAGE_TEXCOORD && e->UsageIndex == 0) uvOffset = e->Offset;
  }
  void* data = nullptr;
  mesh->LockVertexBuffer(D3DLOCK_READONLY, &data);
  model->vertices.resize(mesh->GetNumVertices());
  for (DWORD v = 0; v < mesh->GetNumVertices(); ++v) {
    const auto* vertex = static_cast<const std::uint8_t*>(data) + v * mesh->GetNumBytesPerVertex();
    std::memcpy(&model->vertices[v].position, vertex, 12);
    if (uvOffset >= 0) std::memcpy(&model->vertices[v].uv, vertex + uvOffset, 8);
  }
  mesh->UnlockVertexBuffer();
  for (DWORD f = 0; f < mesh->GetNumFaces(); ++f) {
    model->faces.push_back({mesh->IndexAt(f * 3), mesh->IndexAt(f * 3 + 1), mesh->IndexAt(f * 3 + 2)});
  }
  mesh->Release();
  return true;
}

TEST_F(DataSetTest, AnotherRunWritesTheSameBytesAndEveryMeshIsAsLoggedWithATangentOnEveryFace) {
  const std::string root = ::testing::TempDir() + "assetgen_again_" + std::to_string(::getpid());
  fs::remove_all(root);
  fs::create_directories(root);
  assetgen::GenerationLog log;
  std::string error;
  ASSERT_TRUE(assetgen::GenerateAll(root + "/data", &log, &error)) << error;
  const std::vector<std::string> built = Files(kData);
  ASSERT_EQ(built, Files(root + "/data"));
  for (const std::string& name : built) {
    EXPECT_TRUE(Read(kData + "/" + name) == Read(root + "/data/" + name)) << name;
  }
  fs::remove_all(root);
  // The summary the tool prints names every mesh of the folder, at its
  // true size as the game loads it.
  std::vector<std::string> logged, meshes;
  for (const assetgen::MeshStats& stats : log.meshes) logged.push_back(stats.file);
  std::copy_if(built.begin(), built.end(), std::back_inserter(meshes),
               [](const std::string& name) { return fs::path(name).extension() == ".x"; });
  std::sort(logged.begin(), logged.end());
  EXPECT_EQ(logged, meshes);
  for (const assetgen::MeshStats& stats : log.meshes) {
    MeshModel mesh;
    ASSERT_TRUE(ReadX(kData + "/" + stats.file, &mesh)) << stats.file;
    EXPECT_EQ(mesh.vertices.size(), stats.vertices) << stats.file;
    EXPECT_EQ(mesh.faces.size(), stats.triangles) << stats.file;
    // Every face's texture mapping gives the loader a tangent (none has to
    // be repaired from its neighbours): u and v turn the way the face does.
    EXPECT_EQ(assetgen::UnusableUvFraction(mesh), 0.0f) << stats.file;
    if (stats.file == "char/body.x") {
      // A few thousand triangles for the body.
      EXPECT_GT(mesh.faces.size(), 3000u);
      EXPECT_LT(mesh.faces.size(), 10000u);
    }
  }
}

TEST_F(DataSetTest, EveryFileTheSceneOpensAndEveryMapItsMaterialsNameIsThere) {
  for (const std::string& name : assetgen::RequiredFiles()) EXPECT_TRUE(fs::exists(kData + "/" + name)) << name;
  for (const std::string& name : Files(kData)) {
    EXPECT_EQ(name.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), std::string::npos) << name << ": names are lower case";
    if (fs::path(name).extension() != ".udt") continue;
    std::ifstream in(kData + "/" + name);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 11u) << name;
    for (int i = 6; i <= 9; ++i) {
      if (lines[static_cast<std::size_t>(i)][0] == '!') continue;
      const std::string map = (fs::path(kData) / fs::path(name).parent_path() / lines[static_cast<std::size_t>(i)]);
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
    const std::string path = kData + "/effect/" + effect + ".png";
    ASSERT_TRUE(d3dx::LoadPngFile(path.c_str(), &image, &error)) << error;
    EXPECT_TRUE(assetgen::IsPowerOfTwo(image.width, image.height)) << effect;
    for (int x = 0; x < image.width; ++x) EXPECT_EQ(image.pixels[static_cast<std::size_t>(x)] >> 24, 0u) << effect;
    // Something is drawn in the middle.
    EXPECT_GT(image.pixels[static_cast<std::size_t>(image.height / 2 * image.width + image.width / 2)] >> 24, 100u)
        << effect;
  }
}

TEST_F(DataSetTest, SoundsLoadThroughTheSoundSystemSilentlyAtTheirLengths) {
  SoundSystem sound;
  ASSERT_TRUE(sound.Init(nullptr, 0.99f));
  const std::map<std::string, std::pair<float, float>> durations = {
      {"un.wav", {0.2f, 0.8f}}, {"exp.wav", {2.0f, 4.0f}}, {"dong.wav", {0.3f, 1.2f}}};
  for (const auto& entry : durations) {
    MessageLog messages;
    SoundData* data = sound.Load((kData + "/sound/" + entry.first).c_str(), &messages);
    ASSERT_NE(data, nullptr) << entry.first;
    EXPECT_TRUE(messages.lines.empty()) << messages.lines.front();
    EXPECT_GT(data->duration, entry.second.first) << entry.first;
    EXPECT_LT(data->duration, entry.second.second) << entry.first;
    sound.Unload(data);
  }
  sound.Shutdown();
}

TEST_F(DataSetTest, TheSkeletonAndPosesHoldEveryNameTheGameLooksUpAndASoundSkin) {
  BoneFile bones;
  PoseFile poses;
  std::string error;
  ASSERT_TRUE(LoadBoneFile(&bones, (kData + "/char/body.bone").c_str(), &error)) << error;
  ASSERT_TRUE(LoadPoseFile(&poses, (kData + "/char/body.pose").c_str(), &error)) << error;
  // Both files as the game read them, put to the generator's own checks.
  assetgen::Skeleton skeleton;
  for (int b = 0; b < bones.boneCount; ++b) {
    const BoneRecord& record = bones.bones[b];
    skeleton.bones.push_back({record.name, record.parentIndex, {}, record.flags, {}});
    for (int i = 0; i < record.influenceCount; ++i) {
      skeleton.bones.back().influences.push_back(
          {static_cast<std::uint32_t>(record.vertexIndices[i]), record.weights[i]});
    }
  }
  assetgen::PoseLibrary library;
  library.channels.assign(poses.channelNames, poses.channelNames + poses.channelCount);
  for (int i = 0; i < poses.poseCount; ++i) library.poses.push_back({poses.poses[i].name, {}});
  EXPECT_TRUE(CheckRequiredNames(skeleton, library, assetgen::GameBoneNames(), assetgen::GamePoseNames(), &error))
      << error;
  for (const std::string& name : assetgen::GameBoneNames()) EXPECT_GE(library.FindChannel(name), 0) << name;
  // The skin against the mesh as the game reads it (no vertex split).
  MeshModel body;
  ASSERT_TRUE(ReadX(kData + "/char/body.x", &body));
  EXPECT_TRUE(CheckSkin(skeleton, body, &error)) << error;
}

// The renderer's loaders, on a headless device.
class GameLoaderTest : public RendererTest {
 protected:
  void SetUp() override {
    RendererTest::SetUp();
    ASSERT_TRUE(fs::is_directory(kData)) << kData << " was not generated";
    StartShaderMode();
  }
  std::string Path(const std::string& name) const { return kData + "/" + name; }
};

TEST_F(GameLoaderTest, EveryMaterialLoadsItsOwnMapsWithoutAMessageAndEveryTextureLoads) {
  // The fighter's and the props' materials (the level has tests of its own).
  std::vector<std::string> udts;
  for (const std::string& file : Files(kData)) {
    if (fs::path(file).extension() == ".udt" && (file.rfind("char/", 0) == 0 || file.rfind("obj/", 0) == 0)) {
      udts.push_back(file);
    }
  }
  EXPECT_EQ(udts.size(), 7u);
  for (const std::string& udt : udts) {
    MaterialData* material = nullptr;
    ASSERT_TRUE(renderer_.LoadMaterial(&messages_, &material, Path(udt).c_str())) << udt;
    EXPECT_TRUE(messages_.lines.empty()) << udt << ": " << messages_.lines.front();
    // The maps come from the files, not the stand-in defaults; every
    // material of the set reads a normal and a specular map.
    EXPECT_NE(material->diffuseMap, Peek("#def_D")) << udt;
    EXPECT_NE(material->normalMap, nullptr) << udt;
    EXPECT_NE(material->normalMap, Peek("#def_N")) << udt;
    EXPECT_NE(material->specularMap, nullptr) << udt;
    EXPECT_NE(material->specularMap, Peek("#def_S")) << udt;
    renderer_.GetMaterialPool().Release(material);
  }
  for (const char* file : {"effect/shadow.png", "effect/blood1.png", "effect/blood2.png", "effect/smoke1.png",
                           "effect/scr_blur.png", "map/lightmap.png"}) {
    IDirect3DTexture9* texture = nullptr;
    EXPECT_TRUE(renderer_.LoadTexture(&texture, Path(file).c_str())) << file;
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
  const std::vector<std::int32_t> surfaces = BuildLevelMaterialMap(Path("map/test_map.x").c_str());
  ASSERT_EQ(surfaces.size(), level->numMaterials);
  for (std::size_t i = 0; i < surfaces.size(); ++i) {
    EXPECT_NE(level->materials[i], nullptr) << i;
    EXPECT_GT(surfaces[i], kMaterialUniv) << i;
  }
  const std::set<std::int32_t> kinds(surfaces.begin(), surfaces.end());
  for (const int wanted : {kMaterialGrass, kMaterialStone, kMaterialWood, kMaterialMetal}) {
    EXPECT_EQ(kinds.count(wanted), 1u) << wanted;
  }
  EXPECT_TRUE(kinds.count(kMaterialSand) + kinds.count(kMaterialDirt) > 0);
  renderer_.GetMeshPool().Release(level);
}

TEST_F(GameLoaderTest, TheFighterLoadsAsTheSceneLoadsItAndStandsAboutSevenPointThreeTall) {
  SkinData* skin = nullptr;
  ASSERT_TRUE(renderer_.LoadSkinMesh(&skin, &messages_, Path("char/body.x").c_str(), Path("char/body.bone").c_str(),
                                     Path("char/body.pose").c_str()));
  EXPECT_TRUE(messages_.lines.empty()) << messages_.lines.front();
  // The game's blended mesh takes at most four bones per combination.
  ASSERT_GT(skin->frame.GetCombinationCount(), 0u);
  for (std::uint32_t c = 0; c < skin->frame.GetCombinationCount(); ++c) {
    EXPECT_LE(skin->frame.GetCombinations()[c].lastIndex, 3);
  }
  renderer_.GetMeshPool().Release(skin);

  float weaponRadius = 0.0f;
  for (const char* part : {"char/head.x", "char/mohi.x", "char/nata.x", "char/body.x"}) {
    MeshData* mesh = nullptr;
    ASSERT_TRUE(LoadMesh(&messages_, &mesh, &renderer_, Path(part).c_str(), false)) << part;
    EXPECT_TRUE(messages_.lines.empty()) << part << ": " << messages_.lines.front();
    EXPECT_EQ(mesh->numMaterials, 0u) << part;
    if (std::string(part) == "char/nata.x") weaponRadius = mesh->boundingRadius;
    renderer_.GetMeshPool().Release(mesh);
  }
  // Head on the neck joint (0.2 up, 98%), soles below the ankles.
  MeshModel head, body;
  ASSERT_TRUE(ReadX(Path("char/head.x"), &head));
  ASSERT_TRUE(ReadX(Path("char/body.x"), &body));
  float headTop = -1e9f, solesY = 1e9f;
  for (const assetgen::MeshVertex& v : head.vertices) headTop = std::fmax(headTop, v.position.y);
  for (const assetgen::MeshVertex& v : body.vertices) solesY = std::fmin(solesY, v.position.y);
  const assetgen::Skeleton skeleton = assetgen::MakeFighterSkeleton();
  const float crown = skeleton.BindPosition(assetgen::kNeck).y + assetgen::HeadAttachment().Apply({0, headTop, 0}).y;
  EXPECT_NEAR(crown - solesY, 7.3f, 0.2f);
  EXPECT_NEAR(solesY, -3.75f, 0.05f);
  // The weapon reaches its striking point at (0, 2, 0) and no further than
  // its pommel.
  EXPECT_GT(weaponRadius, 2.0f);
  EXPECT_LT(weaponRadius, 2.7f);
}

}  // namespace
