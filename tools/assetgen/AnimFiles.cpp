#include "AnimFiles.h"

#include "FileOutput.h"
#include "ModelChecks.h"
#include "VecMath.h"

namespace assetgen {

int Skeleton::Find(const std::string& name) const {
  for (std::size_t i = 0; i < bones.size(); ++i) {
    if (bones[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

Vec3 Skeleton::BindPosition(int bone) const {
  Vec3 position;
  // Parents come first, so the walk up ends within bones.size() steps.
  for (std::size_t steps = 0; bone >= 0 && bone < static_cast<int>(bones.size()) && steps <= bones.size(); ++steps) {
    position += bones[static_cast<std::size_t>(bone)].offset;
    bone = bones[static_cast<std::size_t>(bone)].parent;
  }
  return position;
}

int PoseLibrary::FindPose(const std::string& name) const {
  for (std::size_t i = 0; i < poses.size(); ++i) {
    if (poses[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

int PoseLibrary::FindChannel(const std::string& name) const {
  for (std::size_t i = 0; i < channels.size(); ++i) {
    if (channels[i] == name) return static_cast<int>(i);
  }
  return -1;
}

bool WriteBoneFile(const Skeleton& skeleton, const std::string& path, std::string* error) {
  std::string reason;
  if (!CheckSkeleton(skeleton, &reason)) {
    if (error != nullptr) *error = path + ": " + reason;
    return false;
  }
  std::vector<std::uint8_t> out;
  PutTag(&out, "BF01");
  PutI32(&out, static_cast<std::int32_t>(skeleton.bones.size()));
  for (const Bone& bone : skeleton.bones) {
    PutI32(&out, bone.parent);
    PutName(&out, bone.name, kAnimNameField);
    PutF32(&out, bone.offset.x);
    PutF32(&out, bone.offset.y);
    PutF32(&out, bone.offset.z);
    PutI32(&out, static_cast<std::int32_t>(bone.influences.size()));
    PutI32(&out, bone.flags);
    for (const BoneInfluence& influence : bone.influences) PutI32(&out, static_cast<std::int32_t>(influence.vertex));
    for (const BoneInfluence& influence : bone.influences) PutF32(&out, influence.weight);
  }
  return WriteWholeFile(path, out, error);
}

bool WritePoseFile(const Skeleton& skeleton, const PoseLibrary& poses, const std::string& path, std::string* error) {
  std::string reason;
  if (!CheckPoses(skeleton, poses, &reason)) {
    if (error != nullptr) *error = path + ": " + reason;
    return false;
  }
  std::vector<std::uint8_t> out;
  PutTag(&out, "PF00");
  PutI32(&out, static_cast<std::int32_t>(poses.channels.size()));
  for (const std::string& channel : poses.channels) PutName(&out, channel, kAnimNameField);
  PutI32(&out, static_cast<std::int32_t>(poses.poses.size()));
  for (const Pose& pose : poses.poses) {
    PutName(&out, pose.name, kAnimNameField);
    for (const Rotation& r : pose.rotations) {
      PutF32(&out, r.yaw);
      PutF32(&out, r.pitch);
      PutF32(&out, r.roll);
    }
  }
  return WriteWholeFile(path, out, error);
}

}  // namespace assetgen
