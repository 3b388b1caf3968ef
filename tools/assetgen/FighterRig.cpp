#include "FighterRig.h"

namespace assetgen {

namespace {

struct BoneSpec {
  const char* name;
  int parent;
  Vec3 offset;
  std::int32_t flags;
};

// Parents always come before their children (the game walks the bones in
// index order when it follows parents).
const BoneSpec kBones[kFighterBoneCount] = {
    {"root", -1, {0.0f, 0.0f, 0.0f}, 0},
    {"waist", kRoot, {0.0f, 0.45f, 0.0f}, kBoneHalfRotation},
    {"chest", kWaist, {0.0f, 0.95f, 0.0f}, 0},
    {"neck", kChest, {0.0f, 0.93f, 0.03f}, 0},
    {"l_should", kChest, {0.9f, 0.62f, 0.05f}, 0},
    {"r_should", kChest, {-0.9f, 0.62f, 0.05f}, 0},
    {"l_should_half", kChest, {0.9f, 0.62f, 0.05f}, kBoneHalfRotation},
    {"r_should_half", kChest, {-0.9f, 0.62f, 0.05f}, kBoneHalfRotation},
    {"l_elbow", kLShould, {1.22f, 0.0f, 0.0f}, 0},
    {"r_elbow", kRShould, {-1.22f, 0.0f, 0.0f}, 0},
    {"l_hand", kLElbow, {1.0f, 0.0f, 0.0f}, 0},
    {"r_hand", kRElbow, {-1.0f, 0.0f, 0.0f}, 0},
    {"l_hip", kRoot, {0.5f, -0.28f, 0.0f}, 0},
    {"r_hip", kRoot, {-0.5f, -0.28f, 0.0f}, 0},
    {"l_hip_half", kRoot, {0.5f, -0.28f, 0.0f}, kBoneHalfRotation},
    {"r_hip_half", kRoot, {-0.5f, -0.28f, 0.0f}, kBoneHalfRotation},
    {"l_knee", kLHip, {0.0f, -1.62f, 0.0f}, 0},
    {"r_knee", kRHip, {0.0f, -1.62f, 0.0f}, 0},
    {"l_foot", kLKnee, {0.0f, -1.6f, 0.0f}, 0},
    {"r_foot", kRKnee, {0.0f, -1.6f, 0.0f}, 0},
};

Attachment Scaled(const Mat3& rotation, float scale, Vec3 translation) {
  return Attachment{rotation * Scale3(scale), translation};
}

}  // namespace

Skeleton MakeFighterSkeleton() {
  Skeleton skeleton;
  for (const BoneSpec& spec : kBones) {
    Bone bone;
    bone.name = spec.name;
    bone.parent = spec.parent;
    bone.offset = spec.offset;
    bone.flags = spec.flags;
    skeleton.bones.push_back(bone);
  }
  return skeleton;
}

int ChannelSource(int bone) {
  switch (bone) {
    case kLShouldHalf:
      return kLShould;
    case kRShouldHalf:
      return kRShould;
    case kLHipHalf:
      return kLHip;
    case kRHipHalf:
      return kRHip;
    default:
      return bone;
  }
}

const std::vector<std::string>& GameBoneNames() {
  static const std::vector<std::string> names = {"neck",   "chest",    "waist",    "l_hand",  "r_hand",
                                                 "l_hip",  "r_hip",    "l_knee",   "r_knee",  "l_foot",
                                                 "r_foot", "l_should", "r_should", "l_elbow", "r_elbow"};
  return names;
}

const std::vector<std::string>& GamePoseNames() {
  static const std::vector<std::string> names = {
      "idle1", "idle2", "run1",  "run2",      "run3",      "run4",      "run5",      "run6",   "crouch",
      "fly",   "kick1", "kick2", "attack_v1", "attack_v2", "attack_h1", "attack_h2", "throw1", "throw2"};
  return names;
}

Attachment HeadAttachment() { return Scaled(Mat3{}, 0.98f, Vec3{0.0f, 0.2f, 0.0f}); }

Attachment WeaponAttachment() {
  return Scaled(RotationYawPitchRoll(-1.4660766f, kPi, kPi * 0.5f), 0.5f, Vec3{-0.7f, -0.15f, -0.8f});
}

Attachment ThrowableAttachment() {
  return Scaled(RotationYawPitchRoll(-0.3490658f, 0.1745329f, kPi * 0.5f), 0.45f, Vec3{0.5f, -0.35f, -0.25f});
}

}  // namespace assetgen
