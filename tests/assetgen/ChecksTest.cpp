// The generator's own checks (skins, names), its skin weights, and the
// all-or-nothing output folder.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "tools/assetgen/MeshBuilder.h"
#include "tools/assetgen/ModelChecks.h"
#include "tools/assetgen/OutputSet.h"
#include "tools/assetgen/SkinWeights.h"

namespace {

using namespace assetgen;

// A strip of quads along +X, one bone per quad corner column.
MeshModel Strip(int quads) {
  MeshModel m;
  for (int i = 0; i <= quads; ++i) {
    AddVertex(&m, {static_cast<float>(i), 0, 0}, {0, 0, -1}, {0, 1});
    AddVertex(&m, {static_cast<float>(i), 1, 0}, {0, 0, -1}, {0, 0});
  }
  for (std::uint32_t i = 0; i < static_cast<std::uint32_t>(quads); ++i)
    AddQuad(&m, 2 * i, 2 * i + 1, 2 * i + 3, 2 * i + 2);
  return m;
}

Skeleton Bones(int count) {
  Skeleton s;
  for (int i = 0; i < count; ++i) s.bones.push_back(Bone{"b" + std::to_string(i), i - 1, {1, 0, 0}, 0, {}});
  return s;
}

TEST(SkinCheckTest, AcceptsASoundSkinAndNamesEachKindOfFault) {
  const MeshModel mesh = Strip(1);  // vertices 0..3, two faces
  Skeleton good = Bones(3);
  good.bones[0].influences = {{0, 1.0f}, {1, 0.5f}, {2, 0.25f}};
  good.bones[1].influences = {{1, 0.5f}, {2, 0.75f}, {3, 1.0f}};
  std::string error;
  EXPECT_TRUE(CheckSkin(good, mesh, &error)) << error;

  Skeleton badSum = good;
  badSum.bones[1].influences[0].weight = 0.4f;
  Skeleton threeInfluences = good;
  threeInfluences.bones[2].influences = {{2, 0.1f}};
  threeInfluences.bones[1].influences[1].weight = 0.65f;
  Skeleton unskinned = good;
  unskinned.bones[1].influences.pop_back();
  Skeleton excluded = good;
  excluded.bones[1].flags = kBoneExclude;
  Skeleton outside = good;
  outside.bones[0].influences.push_back({4, 1.0f});
  Skeleton zeroWeight = good;
  zeroWeight.bones[0].influences[0].weight = 0.0f;
  // At the limit: faces touching four bones pass, a fifth bone is refused.
  Skeleton fourBones = Bones(5);
  fourBones.bones[0].influences = {{0, 0.5f}};
  fourBones.bones[1].influences = {{0, 0.5f}};
  fourBones.bones[2].influences = {{1, 0.5f}};
  fourBones.bones[3].influences = {{1, 0.5f}, {3, 1.0f}};
  fourBones.bones[4].influences = {{2, 1.0f}};
  EXPECT_TRUE(CheckSkin(fourBones, mesh, &error)) << error;
  Skeleton fiveBones = fourBones;
  fiveBones.bones[3].influences.pop_back();
  fiveBones.bones[4].influences.push_back({3, 1.0f});
  const std::pair<const Skeleton*, const char*> faults[] = {
      {&badSum, "sum"},     {&threeInfluences, "influences"}, {&unskinned, "follows no bone"}, {&excluded, "excluded"},
      {&outside, "beyond"}, {&zeroWeight, "outside (0, 1]"},  {&fiveBones, "5 bones"}};
  for (const auto& fault : faults) {
    EXPECT_FALSE(CheckSkin(*fault.first, mesh, &error)) << fault.second;
    EXPECT_NE(error.find(fault.second), std::string::npos) << error;
  }
}

TEST(SkinCheckTest, MissingBoneAndPoseNamesAreNamed) {
  const Skeleton s = Bones(2);
  PoseLibrary poses;
  poses.channels = {"b0"};
  poses.poses = {Pose{"idle1", {{}}}};
  std::string error;
  EXPECT_TRUE(CheckRequiredNames(s, poses, {"b1"}, {"idle1"}, &error)) << error;
  EXPECT_FALSE(CheckRequiredNames(s, poses, {"b1", "neck"}, {"idle1"}, &error));
  EXPECT_NE(error.find("\"neck\""), std::string::npos);
  EXPECT_FALSE(CheckRequiredNames(s, poses, {}, {"idle1", "kick2"}, &error));
  EXPECT_NE(error.find("\"kick2\""), std::string::npos);
}

// Weights from tagged primitives: two capsules end to end, one per bone.
TEST(SkinWeightsTest, WeightsFollowThePrimitivesAndBlendAtTheJoint) {
  SdfShape shape;
  shape.Add(RoundCone({0, 0, 0}, {1, 0, 0}, 0.2f, 0.2f, 0.05f, 0));
  shape.Add(RoundCone({1, 0, 0}, {2, 0, 0}, 0.2f, 0.2f, 0.05f, 1));
  const std::vector<Vec3> points = {{0.2f, 0.2f, 0}, {1.0f, 0.2f, 0}, {1.8f, 0.2f, 0}, {0.9f, -0.2f, 0}};
  const std::vector<VertexSkin> skin = SkinFromPrimitives(shape, points, 0.05f);
  EXPECT_EQ(skin[0].count, 1);
  EXPECT_EQ(skin[0].bone[0], 0);
  EXPECT_EQ(skin[2].bone[0], 1);
  // At the joint both bones share the vertex about equally.
  ASSERT_EQ(skin[1].count, 2);
  EXPECT_NEAR(skin[1].weight[0], 0.5f, 0.05f);
  ASSERT_EQ(skin[3].count, 2);
  EXPECT_EQ(skin[3].bone[0], 0);  // nearer the first bone: it leads
  for (const VertexSkin& s : skin) EXPECT_EQ(s.weight[0] + (s.count == 2 ? s.weight[1] : 0.0f), 1.0f);
}

TEST(SkinWeightsTest, FacesAreCutDownToFourBonesKeepingTheStrongest) {
  MeshModel mesh;
  for (int i = 0; i < 3; ++i) AddVertex(&mesh, {static_cast<float>(i), 0, 0}, {0, 0, -1}, {});
  AddTriangle(&mesh, 0, 1, 2);
  std::vector<VertexSkin> skin(3);
  skin[0] = VertexSkin{{0, 1}, {0.9f, 0.1f}, 2};
  skin[1] = VertexSkin{{2, 3}, {0.6f, 0.4f}, 2};
  skin[2] = VertexSkin{{4, 0}, {0.8f, 0.2f}, 2};
  LimitBonesPerFace(mesh, &skin, 4);
  std::set<int> bones;
  for (const VertexSkin& s : skin) {
    for (int k = 0; k < s.count; ++k) bones.insert(s.bone[k]);
    EXPECT_FLOAT_EQ(s.weight[0] + (s.count == 2 ? s.weight[1] : 0.0f), 1.0f);
  }
  EXPECT_EQ(bones.size(), 4u);
  EXPECT_EQ(bones.count(1), 0u);  // the weakest, 0.1 on one vertex
  Skeleton skeleton = Bones(5);
  AssignInfluences(skin, &skeleton);
  std::string error;
  EXPECT_TRUE(CheckSkin(skeleton, mesh, &error)) << error;
}

class OutputSetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = ::testing::TempDir() + "assetgen_output_" + std::to_string(::getpid());
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_);
    destination_ = root_ + "/data";
  }
  void TearDown() override { std::filesystem::remove_all(root_); }

  static void Write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(root_)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  std::string root_, destination_;
};

TEST_F(OutputSetTest, ACommitReplacesTheWholeFolderAndLeavesNothingBesideIt) {
  std::filesystem::create_directories(destination_ + "/old");
  Write(destination_ + "/old/stale.txt", "stale");
  std::filesystem::create_directories(destination_ + ".staging/junk");  // left by an interrupted run
  {
    OutputSet output(destination_);
    ASSERT_TRUE(output.Begin(nullptr));
    Write(output.Path("char/body.x"), "body");
    Write(output.Path("sound/un.wav"), "wave");
    std::string error;
    ASSERT_TRUE(output.Commit({"char/body.x"}, &error)) << error;
  }
  EXPECT_EQ(Read(destination_ + "/char/body.x"), "body");
  EXPECT_EQ(Read(destination_ + "/sound/un.wav"), "wave");
  EXPECT_FALSE(std::filesystem::exists(destination_ + "/old"));
  EXPECT_FALSE(std::filesystem::exists(destination_ + "/junk"));
  EXPECT_EQ(Entries(), std::vector<std::string>{"data"});  // no staging or previous folder left
}

TEST_F(OutputSetTest, AFailureLeavesTheOldFolderAndNothingElse) {
  std::filesystem::create_directories(destination_);
  Write(destination_ + "/keep.txt", "kept");
  const struct {
    std::vector<std::pair<std::string, const char*>> files;  // a null text: promised, never written
    std::vector<std::string> required;
    const char* named;  // in the reason
  } failures[] = {
      {{{"a.png", "png"}, {"b.png", nullptr}}, {}, "b.png"},
      {{{"empty.bin", ""}}, {}, "empty.bin"},
      {{{"a.png", "png"}}, {"map/test_map.x"}, "map/test_map.x"},
      {{{"Body.x", "x"}}, {}, "lower-case"},  // the game's file keys are lower case
  };
  for (const auto& failure : failures) {
    OutputSet output(destination_);
    ASSERT_TRUE(output.Begin(nullptr));
    for (const auto& [file, text] : failure.files) {
      const std::string path = output.Path(file);
      if (text != nullptr) Write(path, text);
    }
    std::string error;
    EXPECT_FALSE(output.Commit(failure.required, &error)) << failure.named;
    EXPECT_NE(error.find(failure.named), std::string::npos) << error;
  }
  {
    // Abandoned by an error half way: the destructor cleans up.
    OutputSet output(destination_);
    ASSERT_TRUE(output.Begin(nullptr));
    Write(output.Path("half.x"), "x");
  }
  EXPECT_EQ(Read(destination_ + "/keep.txt"), "kept");
  EXPECT_EQ(Entries(), std::vector<std::string>{"data"});
}

}  // namespace
