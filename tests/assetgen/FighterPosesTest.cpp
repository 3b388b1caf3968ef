// The fighter's skeleton and poses, checked with the game's own math: every
// pose's yaw, pitch and roll go through D3DXMatrixRotationYawPitchRoll and
// D3DXMatrixMultiply (row vectors, left-handed) exactly as the skinned
// entity poses its nodes, and the joints must land where a fight animator
// put them.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>

#include "character/CharacterAttachments.h"
#include "platform/d3dx9/D3dxMatrix.h"
#include "tools/assetgen/FighterPoses.h"
#include "tools/assetgen/FighterRig.h"
#include "tools/assetgen/Noise.h"

namespace {

using namespace assetgen;

D3DXMATRIX Ypr(const Rotation& r) {
  D3DXMATRIX m;
  D3DXMatrixRotationYawPitchRoll(&m, r.yaw, r.pitch, r.roll);
  return m;
}

Vec3 Row(const D3DXMATRIX& m, int row) { return {m.m[row][0], m.m[row][1], m.m[row][2]}; }

// World matrices of every bone in one pose, built the way the game builds
// them: local = rotation with the bone's offset as translation, world =
// local * parent's world, the root under the identity.
struct GamePose {
  std::vector<D3DXMATRIX> world;
  Vec3 Joint(int bone) const { return Row(world[static_cast<std::size_t>(bone)], 3); }
  // A point given in a bone's frame.
  Vec3 Point(int bone, Vec3 local) const {
    const D3DXMATRIX& m = world[static_cast<std::size_t>(bone)];
    return Row(m, 0) * local.x + Row(m, 1) * local.y + Row(m, 2) * local.z + Row(m, 3);
  }
};

class FighterPosesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    skeleton_ = new Skeleton(MakeFighterSkeleton());
    poses_ = new PoseLibrary(MakeFighterPoses(*skeleton_));
  }
  static void TearDownTestSuite() {
    delete skeleton_;
    delete poses_;
  }

  static GamePose Posed(const std::string& name) {
    const int pose = poses_->FindPose(name);
    EXPECT_GE(pose, 0) << name;
    GamePose out;
    out.world.resize(skeleton_->bones.size());
    for (std::size_t b = 0; b < skeleton_->bones.size(); ++b) {
      const Bone& bone = skeleton_->bones[b];
      const int channel = poses_->FindChannel(bone.name);
      D3DXMATRIX local;
      if (channel >= 0 && pose >= 0) {
        local = Ypr(poses_->poses[static_cast<std::size_t>(pose)].rotations[static_cast<std::size_t>(channel)]);
      } else {
        D3DXMatrixIdentity(&local);
      }
      local.m[3][0] = bone.offset.x;
      local.m[3][1] = bone.offset.y;
      local.m[3][2] = bone.offset.z;
      if (bone.parent < 0) {
        out.world[b] = local;
      } else {
        D3DXMatrixMultiply(&out.world[b], &local, &out.world[static_cast<std::size_t>(bone.parent)]);
      }
    }
    return out;
  }

  static Rotation Channel(const std::string& pose, int bone) {
    return poses_->poses[static_cast<std::size_t>(poses_->FindPose(pose))].rotations[static_cast<std::size_t>(
        poses_->FindChannel(skeleton_->bones[static_cast<std::size_t>(bone)].name))];
  }

  // The crown of the head model (head-model space) and the weapon's tip.
  static Vec3 HeadTop(const GamePose& p) { return p.Point(kNeck, HeadAttachment().Apply({0.0f, 1.1f, 0.0f})); }
  static Vec3 WeaponPoint(const GamePose& p, Vec3 model) { return p.Point(kRHand, WeaponAttachment().Apply(model)); }

  static inline Skeleton* skeleton_ = nullptr;
  static inline PoseLibrary* poses_ = nullptr;
};

float MaxJointMove(const GamePose& a, const GamePose& b) {
  float largest = 0.0f;
  for (std::size_t i = 0; i < a.world.size(); ++i)
    largest = std::fmax(largest, Distance(a.Joint(static_cast<int>(i)), b.Joint(static_cast<int>(i))));
  return largest;
}

float RotationAngleDegrees(const Rotation& r) {
  const D3DXMATRIX m = Ypr(r);
  return std::acos(Clamp((m.m[0][0] + m.m[1][1] + m.m[2][2] - 1.0f) * 0.5f, -1.0f, 1.0f)) / kDegrees;
}

// The half-rotation helpers and the limb bones they follow.
constexpr std::pair<int, int> kHelpers[] = {
    {kLShouldHalf, kLShould}, {kRShouldHalf, kRShould}, {kLHipHalf, kLHip}, {kRHipHalf, kRHip}};

TEST(RotationConventionTest, DecomposedAnglesRebuildTheSameMatrixInTheGamesConvention) {
  Random random(11);
  for (int i = 0; i < 200; ++i) {
    const Rotation r{random.Range(-3.1f, 3.1f), random.Range(-1.5f, 1.5f), random.Range(-3.1f, 3.1f)};
    const Mat3 ours = RotationYawPitchRoll(r.yaw, r.pitch, r.roll);
    const D3DXMATRIX game = Ypr(r);
    const D3DXMATRIX back = Ypr(ToYawPitchRoll(ours));
    for (int row = 0; row < 3; ++row) {
      EXPECT_NEAR(Distance(ours.r[row], Row(game, row)), 0.0f, 1e-5f);
      EXPECT_NEAR(Distance(Row(back, row), Row(game, row)), 0.0f, 1e-4f);
    }
  }
  // Straight up and down (the pitch's singular points) still rebuild.
  for (float pitch : {0.5f * kPi, -0.5f * kPi}) {
    const Mat3 ours = RotationYawPitchRoll(0.3f, pitch, 0.0f);
    const D3DXMATRIX back = Ypr(ToYawPitchRoll(ours));
    for (int row = 0; row < 3; ++row) EXPECT_NEAR(Distance(ours.r[row], Row(back, row)), 0.0f, 1e-4f);
  }
}

TEST(FighterRigTest, AttachmentsAreTheGamesOwnMatrices) {
  const std::pair<Attachment, D3DXMATRIX> attachments[] = {{HeadAttachment(), MakeHeadAttachment()},
                                                           {WeaponAttachment(), MakeWeaponAttachment()},
                                                           {ThrowableAttachment(), MakeThrowableAttachment()}};
  for (const auto& [ours, game] : attachments) {
    for (int row = 0; row < 3; ++row) EXPECT_NEAR(Distance(ours.rotation.r[row], Row(game, row)), 0.0f, 1e-6f);
    EXPECT_NEAR(Distance(ours.translation, Row(game, 3)), 0.0f, 1e-6f);
  }
  EXPECT_NEAR(Distance(WeaponAttachment().Apply(kWeaponTip), Row(MakeWeaponTipAttachment(), 3)), 0.0f, 1e-5f);
}

TEST(FighterRigTest, TheBindPoseStandsOnTheAnklesWithHelpersAtTheirLimbsJoints) {
  const Skeleton s = MakeFighterSkeleton();
  // Pelvis at the origin, ankles 3.5 below, arms straight out along +-X.
  EXPECT_EQ(Length(s.BindPosition(kRoot)), 0.0f);
  EXPECT_FLOAT_EQ(s.BindPosition(kLFoot).y, -3.5f);
  EXPECT_FLOAT_EQ(s.BindPosition(kRFoot).y, -3.5f);
  EXPECT_GT(s.BindPosition(kLHand).x, 3.0f);
  EXPECT_LT(s.BindPosition(kRHand).x, -3.0f);
  EXPECT_EQ(s.BindPosition(kLHand).y, s.BindPosition(kLShould).y);
  // Each half-rotation helper (and the waist) carries the flag, at its
  // limb's joint.
  for (const auto& [helper, limb] : kHelpers) {
    EXPECT_EQ(s.bones[static_cast<std::size_t>(helper)].flags & kBoneHalfRotation, kBoneHalfRotation);
    EXPECT_EQ(Distance(s.BindPosition(helper), s.BindPosition(limb)), 0.0f);
  }
  EXPECT_EQ(s.bones[static_cast<std::size_t>(kWaist)].flags & kBoneHalfRotation, kBoneHalfRotation);
}

TEST_F(FighterPosesTest, EveryPoseHasAChannelPerBoneAndItsJointsBendOnlyAsJointsCan) {
  EXPECT_EQ(poses_->poses.size(), 18u);
  EXPECT_EQ(poses_->channels.size(), skeleton_->bones.size());
  for (const std::string& name : GamePoseNames()) {
    ASSERT_GE(poses_->FindPose(name), 0) << name;
    // Helpers repeat their limb's rotation exactly.
    for (const auto& [helper, limb] : kHelpers) {
      const Rotation a = Channel(name, helper), b = Channel(name, limb);
      EXPECT_TRUE(a.yaw == b.yaw && a.pitch == b.pitch && a.roll == b.roll) << name << " " << helper;
    }
    for (int elbow : {kLElbow, kRElbow}) {
      const D3DXMATRIX m = Ypr(Channel(name, elbow));
      // A turn about the upper arm's Y axis only...
      EXPECT_NEAR(m.m[1][1], 1.0f, 1e-4f) << name;
      // ...that swings the forearm forward (towards -Z), up to 150 degrees.
      const Vec3 forearm = Row(m, 0) * (elbow == kLElbow ? 1.0f : -1.0f);
      EXPECT_LE(forearm.z, 1e-4f) << name;
      EXPECT_LE(RotationAngleDegrees(Channel(name, elbow)), 150.0f) << name;
    }
    for (int knee : {kLKnee, kRKnee}) {
      const D3DXMATRIX m = Ypr(Channel(name, knee));
      EXPECT_NEAR(m.m[0][0], 1.0f, 1e-4f) << name;
      const Vec3 shin = Row(m, 1) * -1.0f;  // where "down" goes: the shin
      EXPECT_GE(shin.z, -1e-4f) << name;    // backwards, never forwards
      EXPECT_LE(RotationAngleDegrees(Channel(name, knee)), 140.0f) << name;
    }
    // Wrists and ankles stay within what a joint can do.
    for (int bone : {kLHand, kRHand}) EXPECT_LE(RotationAngleDegrees(Channel(name, bone)), 100.0f) << name;
    for (int bone : {kLFoot, kRFoot}) EXPECT_LE(RotationAngleDegrees(Channel(name, bone)), 80.0f) << name;
  }
}

TEST_F(FighterPosesTest, TheKickChambersAndExtendsTheLeftLegAtHipHeight) {
  const GamePose chamber = Posed("kick1"), kick = Posed("kick2");
  const float hipY = kick.Joint(kLHip).y;
  EXPECT_LT(kick.Joint(kLFoot).z, -2.5f);  // far in front
  EXPECT_NEAR(kick.Joint(kLFoot).y, hipY, 0.5f);
  EXPECT_LT(kick.Joint(kRFoot).y, -3.0f);  // standing on the right
  EXPECT_NEAR(chamber.Joint(kLKnee).y, hipY, 0.5f);
  EXPECT_LT(chamber.Joint(kLKnee).z, -1.0f);
  EXPECT_LT(chamber.Joint(kLFoot).y, chamber.Joint(kLKnee).y - 1.0f);  // the shin hangs
}

TEST_F(FighterPosesTest, TheOverheadChopRaisesTheMacheteAboveTheHeadAndBringsItDownInFront) {
  const GamePose raised = Posed("attack_v1"), down = Posed("attack_v2");
  EXPECT_GT(raised.Joint(kRHand).y, HeadTop(raised).y);
  EXPECT_GT(WeaponPoint(raised, kWeaponTip).z, raised.Joint(kNeck).z);  // blade back behind the head
  EXPECT_LT(down.Joint(kRHand).z, -2.0f);
  EXPECT_LT(down.Joint(kRHand).y, down.Joint(kRShould).y);
  EXPECT_LT(WeaponPoint(down, kWeaponTip).z, -3.0f);
  EXPECT_LT(WeaponPoint(down, kWeaponTip).y, down.Joint(kRHand).y);
}

TEST_F(FighterPosesTest, TheSlashWindsBackRightAndSweepsAcrossToTheLeft) {
  const GamePose back = Posed("attack_h1"), across = Posed("attack_h2");
  EXPECT_GT(back.Joint(kRHand).z, 1.0f);
  EXPECT_LT(back.Joint(kRHand).x, -1.0f);
  EXPECT_GT(back.Joint(kRHand).y, 1.5f);
  EXPECT_LT(across.Joint(kRHand).z, -2.0f);
  EXPECT_GT(across.Joint(kRHand).x, 0.0f);
  EXPECT_GT(WeaponPoint(across, kWeaponTip).x, across.Joint(kRHand).x);
  // Shoulders turn with the swing: right first, then left.
  EXPECT_GT(back.Joint(kLShould).z, -1.0f);
  EXPECT_LT(back.Joint(kLShould).z, back.Joint(kRShould).z - 1.0f);
  EXPECT_GT(across.Joint(kLShould).z, across.Joint(kRShould).z);
}

TEST_F(FighterPosesTest, TheThrowDrawsTheLeftHandBackThenReleasesForward) {
  const GamePose drawn = Posed("throw1"), released = Posed("throw2");
  EXPECT_GT(drawn.Joint(kLHand).z, drawn.Joint(kNeck).z + 0.5f);
  EXPECT_GT(drawn.Joint(kLHand).y, drawn.Joint(kLShould).y + 0.5f);
  EXPECT_LT(released.Joint(kLHand).z, -2.0f);
  EXPECT_GT(released.Joint(kLHand).y, released.Joint(kChest).y);
  // The cabbage's centre follows the hand.
  const Vec3 cabbage = released.Point(kLHand, ThrowableAttachment().translation);
  EXPECT_LT(Distance(cabbage, released.Joint(kLHand)), 0.7f);
}

TEST_F(FighterPosesTest, StandingPosesPlantBothFeetAndTheIdleBreathes) {
  for (const char* name : {"idle1", "idle2", "attack_v1", "attack_h1", "attack_h2"}) {
    const GamePose p = Posed(name);
    EXPECT_NEAR(p.Joint(kLFoot).y, p.Joint(kRFoot).y, 0.15f) << name;
    EXPECT_LT(p.Joint(kLFoot).z, p.Joint(kRFoot).z) << name;  // left foot forward
  }
  const float breath = MaxJointMove(Posed("idle1"), Posed("idle2"));
  EXPECT_GT(breath, 0.02f);
  EXPECT_LT(breath, 0.35f);
  // Crouched, the feet come well up towards the pelvis (the game then lowers
  // the body onto them); in flight they are drawn up a little.
  for (const auto& [name, lowest] : {std::pair{"crouch", -2.3f}, std::pair{"fly", -3.2f}}) {
    EXPECT_GT(Posed(name).Joint(kLFoot).y, lowest) << name;
    EXPECT_GT(Posed(name).Joint(kRFoot).y, lowest) << name;
  }
}

TEST_F(FighterPosesTest, TheRunIsASymmetricLoopInEitherDirection) {
  std::vector<GamePose> cycle;
  for (int i = 1; i <= 6; ++i) cycle.push_back(Posed("run" + std::to_string(i)));
  for (int i = 0; i < 6; ++i) {
    const float step = MaxJointMove(cycle[static_cast<std::size_t>(i)], cycle[static_cast<std::size_t>((i + 1) % 6)]);
    EXPECT_GT(step, 0.3f) << i;  // it moves...
    EXPECT_LT(step, 2.5f) << i;  // ...without jumps, also from run6 back to run1
  }
  EXPECT_LT(cycle[0].Joint(kLFoot).z, cycle[0].Joint(kRFoot).z - 2.0f);  // run1: left foot in front
  EXPECT_LT(cycle[3].Joint(kRFoot).z, cycle[3].Joint(kLFoot).z - 2.0f);  // run4: right foot in front
  // Half a cycle later the legs swap sides: the same positions mirrored.
  for (int i = 0; i < 3; ++i) {
    const Vec3 left = cycle[static_cast<std::size_t>(i)].Joint(kLFoot);
    const Vec3 right = cycle[static_cast<std::size_t>(i + 3)].Joint(kRFoot);
    EXPECT_NEAR(left.x, -right.x, 0.1f);
    EXPECT_NEAR(left.y, right.y, 0.05f);
    EXPECT_NEAR(left.z, right.z, 0.1f);
  }
  // Arms swing against the legs.
  EXPECT_GT(cycle[0].Joint(kLHand).z, cycle[0].Joint(kRHand).z);
}

TEST_F(FighterPosesTest, TheBladeNeverCutsIntoItsOwnBody) {
  for (const std::string& name : GamePoseNames()) {
    const GamePose p = Posed(name);
    const Vec3 pelvis = p.Joint(kRoot), neck = p.Joint(kNeck);
    for (float along : {0.0f, 1.0f, 2.0f}) {
      const Vec3 q = WeaponPoint(p, {0.0f, along, 0.0f});
      const Vec3 axis = neck - pelvis;
      const float t = Clamp(Dot(q - pelvis, axis) / Dot(axis, axis), 0.0f, 1.0f);
      EXPECT_GT(Distance(q, pelvis + axis * t), 0.75f) << name << " blade at " << along;
    }
  }
}

}  // namespace
