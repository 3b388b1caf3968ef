#pragma once
// The skeleton and pose library of a skinned mesh as the generator builds
// them, and their writers to the game's .bone and .pose files.
//
// .bone: "BF01", bone count, then per bone: parent index (-1 for the root),
// a 32-byte NUL-padded name, the offset from the parent's joint (3 floats),
// the influence count N, the flags (bit 0 exclude, bit 1 half rotation), N
// vertex indices, N weights. .pose: "PF00", channel count C, C names, pose
// count, then per pose a name and C (yaw, pitch, roll) triples in radians.
// All little-endian.

#include <cstdint>
#include <string>
#include <vector>

#include "MeshModel.h"

namespace assetgen {

constexpr std::int32_t kBoneExclude = 1;
constexpr std::int32_t kBoneHalfRotation = 2;
constexpr std::size_t kAnimNameField = 32;

struct BoneInfluence {
  std::uint32_t vertex = 0;
  float weight = 0.0f;
};

struct Bone {
  std::string name;
  std::int32_t parent = -1;  // an earlier bone, or -1 for the root
  Vec3 offset;               // from the parent's joint (absolute for the root)
  std::int32_t flags = 0;
  std::vector<BoneInfluence> influences;  // written in this order
};

struct Skeleton {
  std::vector<Bone> bones;
  // Index of the bone with this name, or -1.
  int Find(const std::string& name) const;
  // The joint's position in the bind pose (offsets summed up to the root).
  Vec3 BindPosition(int bone) const;
};

// One rotation per channel: yaw, pitch, roll in radians (the arguments of
// D3DXMatrixRotationYawPitchRoll), the bone's complete local rotation.
struct Rotation {
  float yaw = 0.0f, pitch = 0.0f, roll = 0.0f;
};

struct Pose {
  std::string name;
  std::vector<Rotation> rotations;  // one per channel
};

struct PoseLibrary {
  std::vector<std::string> channels;  // bone names
  std::vector<Pose> poses;
  int FindPose(const std::string& name) const;
  int FindChannel(const std::string& name) const;
};

// Both writers check their input (CheckSkeleton, CheckPoses) and refuse it
// with the reason in *error; nothing is written then.
bool WriteBoneFile(const Skeleton& skeleton, const std::string& path, std::string* error);
bool WritePoseFile(const Skeleton& skeleton, const PoseLibrary& poses, const std::string& path, std::string* error);

}  // namespace assetgen
