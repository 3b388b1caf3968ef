// The shared skeleton of a skinned mesh and its animated instances: the
// blended mesh and tables, pose jumps and blends, the hierarchy and the
// skinning matrices.

#include <gtest/gtest.h>

#include <cmath>

#include "anim/SkinFixture.h"
#include "anim/SkinMeshEntity.h"
#include "anim/SkinMeshFrame.h"
#include "platform/d3d9/DeviceFixture.h"

namespace {

constexpr float kQuarter = 1.5707963f;

D3DXVECTOR3 Apply(const D3DXVECTOR3& v, const D3DXMATRIX& m) {
  D3DXVECTOR3 out;
  D3DXVec3TransformCoord(&out, &v, &m);
  return out;
}

void ExpectNear(const D3DXVECTOR3& actual, const D3DXVECTOR3& expected, float tolerance = 1e-5f) {
  EXPECT_NEAR(actual.x, expected.x, tolerance);
  EXPECT_NEAR(actual.y, expected.y, tolerance);
  EXPECT_NEAR(actual.z, expected.z, tolerance);
}

void ExpectNear(const D3DXMATRIX& actual, const D3DXMATRIX& expected, float tolerance = 1e-5f) {
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(actual.m[r][c], expected.m[r][c], tolerance) << r << "," << c;
  }
}

class SkinMeshTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    mesh_ = CreateStrip(device_);
    ASSERT_NE(mesh_, nullptr);
  }
  void TearDown() override {
    entity_.Release();
    frame_.Release();
    if (mesh_ != nullptr) mesh_->Release();
    DeviceTest::TearDown();
  }

  // Loads the skeleton and poses and builds the frame on the strip.
  bool Build(const std::string& bones, const std::string& poses = StripPoses()) {
    if (!LoadBoneFile(&bones_, files_.Write("s.bone", bones).c_str())) return false;
    if (!LoadPoseFile(&poses_, files_.Write("s.pose", poses).c_str())) return false;
    return frame_.Init(mesh_, &bones_, &poses_);
  }
  bool BuildEntity(std::int32_t armFlags = 0) {
    return Build(StripBones(armFlags)) && entity_.Init(&frame_);
  }
  void Pose(const char* name) { entity_.SetPose(frame_.FindPose(name)); }
  void Update() {
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    entity_.UpdateWorld(entity_.GetRoot(), identity);
    entity_.ComputeSkinMatrices(false);
  }
  SkinMeshEntity::Node* Node(const char* name) { return entity_.FindNode(name); }

  AnimScratch files_;
  ID3DXMesh* mesh_ = nullptr;
  BoneFile bones_;
  PoseFile poses_;
  SkinMeshFrame frame_;
  SkinMeshEntity entity_;
};

TEST_F(SkinMeshTest, TheFrameBuildsItsCombinationsChannelsAndBindOffsets) {
  AnimFileBuilder poses;  // channels: a stray name, "arm" twice; two poses named "p"
  poses.Magic("PF00").Int(3).Name("tail").Name("arm").Name("arm").Int(2);
  poses.Name("p").Vec(0, 0, 0).Vec(0, 0, 0).Vec(0, 0, 0);
  poses.Name("p").Vec(0, 0, 0).Vec(0, 0, 0).Vec(0, 0, 0);
  ASSERT_TRUE(Build(StripBones(), poses.Data()));

  ASSERT_EQ(frame_.GetCombinationCount(), 1u);
  const BoneCombination& combination = frame_.GetCombinations()[0];
  EXPECT_EQ(combination.lastIndex, 1);
  EXPECT_EQ(combination.attributeId, 0u);
  EXPECT_EQ(combination.boneIds[0] + combination.boneIds[1], 1u);  // bones 0 and 1 in some order
  EXPECT_EQ(frame_.GetBlendedMesh()->GetNumFaces(), 4u);

  const std::int32_t* channels = frame_.GetBoneToChannel();
  EXPECT_EQ(channels[0], -1);  // "root" has no channel
  EXPECT_EQ(channels[1], 1);   // the first "arm"
  EXPECT_EQ(channels[2], -1);
  EXPECT_EQ(frame_.FindPose("p"), 0);
  EXPECT_EQ(frame_.FindPose("q"), -1);

  const FrameBone* bones = frame_.GetFrameBones();
  ASSERT_EQ(bones[0].childCount, 1);
  EXPECT_EQ(bones[0].children[0], 1);
  EXPECT_EQ(bones[2].childCount, 0);
  EXPECT_EQ(bones[2].children, nullptr);
  ExpectNear(Apply(D3DXVECTOR3(0, 2, 0), bones[2].offsetMatrix), D3DXVECTOR3(0, 0, 0));

  frame_.Release();
  EXPECT_EQ(frame_.GetBlendedMesh(), nullptr);
  EXPECT_EQ(frame_.GetCombinationCount(), 0u);
  frame_.Release();  // a second release does nothing
}

TEST_F(SkinMeshTest, SkeletonsTheBlendedMeshCannotServeAreRefused) {
  // Five bones on one face.
  AnimFileBuilder five;
  five.Magic("BF01").Int(5);
  five.Bone(-1, "b0", 0, 0, 0, 0, {0}, {1});
  const std::int32_t vertexOf[5] = {0, 2, 3, 3, 2};  // face 0 is (0, 2, 3)
  for (int b = 1; b < 5; ++b) five.Bone(0, "b" + std::to_string(b), 0, 0, 0, 0, {vertexOf[b]}, {1});
  EXPECT_FALSE(Build(five.Data()));
  EXPECT_EQ(frame_.GetBoneFile(), nullptr);

  // No bones at all: the file loads but no frame can be built on it.
  AnimFileBuilder empty;
  empty.Magic("BF01").Int(0);
  EXPECT_FALSE(Build(empty.Data()));
  EXPECT_FALSE(frame_.Init(mesh_, &bones_, nullptr));
  EXPECT_FALSE(entity_.Init(&frame_));

  // No influence anywhere: everything follows bone 0.
  AnimFileBuilder loose;
  loose.Magic("BF01").Int(2).Bone(-1, "root", 0, 0, 0).Bone(0, "arm", 0, 1, 0);
  ASSERT_TRUE(Build(loose.Data()));
  ASSERT_EQ(frame_.GetCombinationCount(), 1u);
  EXPECT_EQ(frame_.GetCombinations()[0].lastIndex, 0);
  EXPECT_EQ(frame_.GetCombinations()[0].boneIds[0], 0u);
}

TEST_F(SkinMeshTest, BlendsEndExactlyOnTheTargetOrExtrapolate) {
  ASSERT_TRUE(BuildEntity());
  Pose("bent");
  const D3DXMATRIX bent = Node("arm")->local;
  Pose("straight");
  entity_.BeginBlend(frame_.FindPose("bent"));
  EXPECT_TRUE(entity_.IsBlending());
  EXPECT_EQ(Node("arm")->local, D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 1, 0, 1));

  entity_.UpdateBlend(0.5f, true);
  entity_.UpdateBlend(0.75f, true);  // overshoots: lands on 1 and ends
  EXPECT_FALSE(entity_.IsBlending());
  EXPECT_EQ(entity_.GetBlendT(), 1.0f);
  ExpectNear(Node("arm")->local, bent);
  entity_.UpdateBlend(0.5f, true);  // not blending: nothing moves
  ExpectNear(Node("arm")->local, bent);

  // Without stopping, 1.5 of a quarter turn is three eighths of a turn.
  Pose("straight");
  entity_.BeginBlend(frame_.FindPose("bent"));
  entity_.UpdateBlend(1.5f, false);
  EXPECT_TRUE(entity_.IsBlending());
  D3DXMATRIX expected;
  D3DXMatrixRotationZ(&expected, kQuarter * 1.5f);
  expected._42 = 1.0f;
  ExpectNear(Node("arm")->local, expected);
  entity_.UpdateBlend(-2.0f, true);  // backwards past the start ends there
  EXPECT_FALSE(entity_.IsBlending());
  EXPECT_EQ(entity_.GetBlendT(), 0.0f);

  // A second BeginBlend before any update starts from the same place; its
  // target wins.
  Pose("straight");
  entity_.BeginBlend(frame_.FindPose("bent"));
  entity_.BeginBlend(frame_.FindPose("tilt"));
  entity_.UpdateBlend(1.0f, true);
  const D3DXMATRIX blended = Node("arm")->local;
  Pose("tilt");
  ExpectNear(blended, Node("arm")->local);
}

TEST_F(SkinMeshTest, ExcludedBonesArePosedButNeverBlended) {
  ASSERT_TRUE(BuildEntity(kBoneFlagExclude));
  EXPECT_EQ(entity_.GetAnimatedNodeCount(), 2);
  Pose("bent");
  const D3DXMATRIX bent = Node("arm")->local;
  EXPECT_NEAR(bent._21, -1.0f, 1e-6f);  // SetPose moved it
  entity_.BeginBlend(frame_.FindPose("straight"));
  entity_.UpdateBlend(1.0f, true);
  EXPECT_EQ(Node("arm")->local, bent);
  Update();
  EXPECT_EQ(Node("arm")->skin, D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1));
}

TEST_F(SkinMeshTest, AHalfRotationNodeSkinsHalfWayWhileItsChildrenTurnInFull) {
  ASSERT_TRUE(BuildEntity(kBoneFlagHalfRotation));
  Pose("bent");
  Update();
  // The hand hangs off the fully turned arm: a quarter turn to -x.
  ExpectNear(Apply(D3DXVECTOR3(0, 0, 0), Node("hand")->world), D3DXVECTOR3(-1, 1, 0));
  // A vertex at the top of the strip turns by an eighth around the arm joint.
  const float half = std::sqrt(0.5f);
  ExpectNear(Apply(D3DXVECTOR3(0, 2, 0), Node("arm")->skin), D3DXVECTOR3(-half, 1 + half, 0));

  // The same from world matrices written directly, as the ragdoll does.
  D3DXMATRIX turn;
  D3DXMatrixRotationY(&turn, kQuarter);
  entity_.UpdateWorld(entity_.GetRoot(), turn);
  entity_.ComputeSkinMatrices(true);
  const D3DXMATRIX fromWorld = Node("arm")->skin;
  entity_.ComputeSkinMatrices(false);
  ExpectNear(fromWorld, Node("arm")->skin);
}

TEST_F(SkinMeshTest, WithTwoRootsTheLaterOneIsTheEntitysRoot) {
  AnimFileBuilder bones;
  bones.Magic("BF01").Int(3);
  bones.Bone(-1, "first", 5, 0, 0, 0, {0, 1, 2, 3, 4, 5}, {1, 1, 1, 1, 1, 1});
  bones.Bone(0, "child", 0, 1, 0);
  bones.Bone(-1, "second", 0, 0, 7);
  ASSERT_TRUE(Build(bones.Data()));
  ASSERT_TRUE(entity_.Init(&frame_));
  EXPECT_EQ(entity_.GetRoot(), Node("second"));
  EXPECT_EQ(Node("child")->parent, Node("first"));
  Node("first")->world = D3DXMATRIX();
  Update();
  EXPECT_EQ(Node("first")->world, D3DXMATRIX());  // not reached from the root
  EXPECT_EQ(Node("second")->world._43, 7.0f);
  EXPECT_EQ(entity_.FindNode("none"), nullptr);
}

}  // namespace
