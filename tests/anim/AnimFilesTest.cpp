// Loading .bone and .pose files: every field, trailing bytes, and broken
// files (cut short anywhere, absurd counts, bad hierarchies) failing whole.

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "anim/AnimFileBuilder.h"
#include "anim/BoneFile.h"
#include "anim/PoseFile.h"

namespace {

constexpr std::int32_t kHuge = std::numeric_limits<std::int32_t>::max();

// A root with two influences, a child with none, and a grandchild with a
// negative influence count (none, too).
std::string ThreeBones() {
  AnimFileBuilder file;
  file.Magic("BF01").Int(3);
  file.Bone(-1, "hips", 1.0f, 2.0f, 3.0f, kBoneFlagExclude, {4, 0}, {0.25f, 0.75f});
  file.Bone(0, "spine", 0.5f, 0.25f, -1.0f, kBoneFlagHalfRotation);
  file.Int(1).Name("neck").Vec(0.0f, 4.0f, 0.0f).Int(-3).Int(0);
  return file.Data();
}

// Two channels and two poses.
std::string TwoPoses() {
  AnimFileBuilder file;
  file.Magic("PF00").Int(2).Name("hips").Name("neck").Int(2);
  file.Name("idle").Vec(0.1f, 0.2f, 0.3f).Vec(-1.0f, -2.0f, -3.0f);
  file.Name("kick1").Vec(1.5f, 0.0f, 0.0f).Vec(0.0f, 0.0f, 2.5f);
  return file.Data();
}

// A file cut short fails either when a read comes up short or, earlier,
// when a count is checked against the bytes left.
bool IsShortFileError(const std::string& error) {
  return error.find("cut short") != std::string::npos || error.find("do not fit in the file") != std::string::npos;
}

void ExpectEmpty(const BoneFile& file) {
  EXPECT_EQ(file.boneCount, 0);
  EXPECT_EQ(file.bones, nullptr);
}

void ExpectEmpty(const PoseFile& file) {
  EXPECT_EQ(file.channelCount, 0);
  EXPECT_EQ(file.channelNames, nullptr);
  EXPECT_EQ(file.poseCount, 0);
  EXPECT_EQ(file.poses, nullptr);
}

class AnimFilesTest : public ::testing::Test {
 protected:
  bool LoadBones(const std::string& bytes, BoneFile* file) {
    error_.clear();
    return LoadBoneFile(file, scratch_.Write("body.bone", bytes).c_str(), &error_);
  }
  bool LoadPoses(const std::string& bytes, PoseFile* file) {
    error_.clear();
    return LoadPoseFile(file, scratch_.Write("body.pose", bytes).c_str(), &error_);
  }

  AnimScratch scratch_;
  std::string error_;
};

TEST_F(AnimFilesTest, BoneFileLoadsEveryFieldAndIgnoresTrailingBytes) {
  BoneFile file;
  ASSERT_TRUE(LoadBones(ThreeBones() + "trailing bytes", &file)) << error_;
  EXPECT_EQ(std::string(file.magic, 4), "BF01");
  ASSERT_EQ(file.boneCount, 3);
  const BoneRecord& hips = file.bones[0];
  EXPECT_EQ(hips.parentIndex, -1);
  EXPECT_STREQ(hips.name, "hips");
  EXPECT_EQ(hips.offset, D3DXVECTOR3(1.0f, 2.0f, 3.0f));
  EXPECT_EQ(hips.flags, kBoneFlagExclude);
  ASSERT_EQ(hips.influenceCount, 2);
  EXPECT_EQ(std::vector<std::int32_t>(hips.vertexIndices, hips.vertexIndices + 2), (std::vector<std::int32_t>{4, 0}));
  EXPECT_EQ(std::vector<float>(hips.weights, hips.weights + 2), (std::vector<float>{0.25f, 0.75f}));
  EXPECT_EQ(file.bones[1].flags, kBoneFlagHalfRotation);
  EXPECT_EQ(file.bones[1].vertexIndices, nullptr);
  EXPECT_EQ(file.bones[2].parentIndex, 1);
  EXPECT_EQ(file.bones[2].influenceCount, -3);  // kept as read: "none"
  EXPECT_EQ(file.bones[2].weights, nullptr);

  // Bind positions add the offsets up to the root.
  EXPECT_EQ(GetBindPosition(file, 0), D3DXVECTOR3(1.0f, 2.0f, 3.0f));
  EXPECT_EQ(GetBindPosition(file, 2), D3DXVECTOR3(1.5f, 6.25f, 2.0f));
  EXPECT_EQ(GetBindPosition(file, 3), D3DXVECTOR3());
  EXPECT_EQ(GetBindPosition(file, -1), D3DXVECTOR3());

  ReleaseBoneFile(file);
  ExpectEmpty(file);
  ReleaseBoneFile(file);  // twice is harmless
}

TEST_F(AnimFilesTest, BoneFileWithoutBonesLoads) {
  BoneFile file;
  ASSERT_TRUE(LoadBones(AnimFileBuilder().Magic("BF01").Int(0).Data(), &file)) << error_;
  EXPECT_EQ(std::string(file.magic, 4), "BF01");
  ExpectEmpty(file);
  EXPECT_FALSE(LoadBoneFile(&file, (scratch_.Path() + "missing.bone").c_str(), &error_));
  EXPECT_EQ(error_, "cannot open the file");
  EXPECT_FALSE(LoadBoneFile(&file, scratch_.Path().c_str(), &error_));  // a directory
  EXPECT_FALSE(LoadBoneFile(nullptr, scratch_.Path().c_str()));
}

TEST_F(AnimFilesTest, BoneFileCutShortAnywhereFailsWhole) {
  const std::string full = ThreeBones();
  for (std::size_t size = 0; size < full.size(); ++size) {
    BoneFile file;
    ASSERT_TRUE(LoadBones(full, &file));  // a loaded image is emptied by the failure
    EXPECT_FALSE(LoadBones(full.substr(0, size), &file)) << size;
    ExpectEmpty(file);
    if (size >= 8) {
      EXPECT_TRUE(IsShortFileError(error_)) << size << ": " << error_;
    } else if (size >= 4) {
      EXPECT_EQ(error_, "the file is cut short");
    } else {
      EXPECT_EQ(error_, "not a bone file (magic is not BF01)");
    }
  }
}

TEST_F(AnimFilesTest, MalformedBoneFilesAreRefused) {
  const auto bones = [](std::int32_t count, const std::vector<std::int32_t>& parents) {
    AnimFileBuilder file;
    file.Magic("BF01").Int(count);
    for (std::int32_t parent : parents) file.Bone(parent, "b", 0.0f, 0.0f, 0.0f);
    return file.Data();
  };
  std::string noNul = AnimFileBuilder().Magic("BF01").Int(1).Int(-1).Data() + std::string(32, 'x');
  noNul += AnimFileBuilder().Vec(0, 0, 0).Int(0).Int(0).Data();
  const std::pair<std::string, std::string> cases[] = {
      {"BF02" + bones(1, {-1}).substr(4), "not a bone file (magic is not BF01)"},
      {bones(-1, {}), "negative bone count -1"},
      {bones(kHuge, {-1, -1}), "2147483647 bones do not fit in the file"},
      {bones(3, {-1, -1}), "3 bones do not fit in the file"},
      {AnimFileBuilder().Magic("BF01").Int(1).Int(-1).Name("b").Vec(0, 0, 0).Int(kHuge).Int(0).Int(0).Float(1).Data(),
       "bone 0: 2147483647 influences do not fit in the file"},
      {AnimFileBuilder().Magic("BF01").Int(1).Bone(-1, "b", 0, 0, 0, 0, {3, -7}, {1, 1}).Data(),
       "bone 0: negative vertex index -7"},
      {noNul, "bone 0: the name has no terminating NUL"},
      {bones(2, {-1, 2}), "bone 1: parent index 2 is out of range"},
      {bones(2, {-2, -1}), "bone 0: parent index -2 is out of range"},
      {bones(1, {0}), "bone 0: the parent chain forms a cycle"},
      {bones(4, {-1, 3, 1, 2}), "bone 1: the parent chain forms a cycle"},
  };
  for (const auto& [bytes, message] : cases) {
    BoneFile file;
    EXPECT_FALSE(LoadBones(bytes, &file)) << message;
    EXPECT_EQ(error_, message);
    ExpectEmpty(file);
  }
  // Several trees, each ending at a root, are a valid skeleton.
  BoneFile forest;
  EXPECT_TRUE(LoadBones(bones(5, {2, -1, -1, 2, 1}), &forest)) << error_;
}

TEST_F(AnimFilesTest, PoseFileLoadsEveryFieldAndIgnoresTrailingBytes) {
  PoseFile file;
  ASSERT_TRUE(LoadPoses(TwoPoses() + "xyz", &file)) << error_;
  EXPECT_EQ(std::string(file.magic, 4), "PF00");
  ASSERT_EQ(file.channelCount, 2);
  EXPECT_STREQ(file.channelNames[0], "hips");
  EXPECT_STREQ(file.channelNames[1], "neck");
  ASSERT_EQ(file.poseCount, 2);
  EXPECT_STREQ(file.poses[1].name, "kick1");
  EXPECT_EQ(file.poses[0].rotations[0], D3DXVECTOR3(0.1f, 0.2f, 0.3f));
  EXPECT_EQ(file.poses[0].rotations[1], D3DXVECTOR3(-1.0f, -2.0f, -3.0f));
  EXPECT_EQ(file.poses[1].rotations[1], D3DXVECTOR3(0.0f, 0.0f, 2.5f));
  ReleasePoseFile(file);
  ExpectEmpty(file);

  // Without channels a pose is its name alone.
  ASSERT_TRUE(LoadPoses(AnimFileBuilder().Magic("PF00").Int(0).Int(2).Name("a").Name("b").Data(), &file)) << error_;
  EXPECT_EQ(file.channelNames, nullptr);
  ASSERT_EQ(file.poseCount, 2);
  EXPECT_STREQ(file.poses[1].name, "b");
  EXPECT_EQ(file.poses[1].rotations, nullptr);
  ASSERT_TRUE(LoadPoses(AnimFileBuilder().Magic("PF00").Int(1).Name("a").Int(0).Data(), &file)) << error_;
  EXPECT_EQ(file.poses, nullptr);
  EXPECT_STREQ(file.channelNames[0], "a");
}

TEST_F(AnimFilesTest, PoseFileCutShortAnywhereFailsWhole) {
  const std::string full = TwoPoses();
  for (std::size_t size = 0; size < full.size(); ++size) {
    PoseFile file;
    ASSERT_TRUE(LoadPoses(full, &file));
    EXPECT_FALSE(LoadPoses(full.substr(0, size), &file)) << size;
    ExpectEmpty(file);
    if (size >= 4) {
      EXPECT_TRUE(IsShortFileError(error_)) << size << ": " << error_;
    } else {
      EXPECT_EQ(error_, "not a pose file (magic is not PF00)");
    }
  }
}

TEST_F(AnimFilesTest, MalformedPoseFilesAreRefused) {
  const std::pair<std::string, std::string> cases[] = {
      {"PF01" + TwoPoses().substr(4), "not a pose file (magic is not PF00)"},
      {AnimFileBuilder().Magic("PF00").Int(-5).Int(0).Data(), "negative channel count -5"},
      {AnimFileBuilder().Magic("PF00").Int(0).Int(-1).Data(), "negative pose count -1"},
      {AnimFileBuilder().Magic("PF00").Int(kHuge).Name("a").Int(0).Data(),
       "2147483647 channels do not fit in the file"},
      // 2 poses of 32 + 2 * 12 bytes need 112 bytes; 111 are there.
      {AnimFileBuilder().Magic("PF00").Int(2).Name("a").Name("b").Int(2).Raw(std::string(111, '\0')).Data(),
       "2 poses do not fit in the file"},
      {AnimFileBuilder().Magic("PF00").Int(0).Int(kHuge).Name("a").Data(), "2147483647 poses do not fit in the file"},
      {AnimFileBuilder().Magic("PF00").Int(1).Raw(std::string(32, 'c')).Int(0).Data(),
       "channel 0: the name has no terminating NUL"},
      {AnimFileBuilder().Magic("PF00").Int(0).Int(1).Raw(std::string(32, 'p')).Data(),
       "pose 0: the name has no terminating NUL"},
  };
  for (const auto& [bytes, message] : cases) {
    PoseFile file;
    EXPECT_FALSE(LoadPoses(bytes, &file)) << message;
    EXPECT_EQ(error_, message);
    ExpectEmpty(file);
  }
  PoseFile file;
  EXPECT_FALSE(LoadPoseFile(&file, (scratch_.Path() + "missing.pose").c_str(), &error_));
  EXPECT_EQ(error_, "cannot open the file");
}

}  // namespace
