// Skeleton (.bone) and pose (.pose) files: what the loaders read, or why
// they refuse the file.

#include <cstdio>
#include <string>

#include "anim/BoneFile.h"
#include "anim/PoseFile.h"
#include "tools/inspect/Inspectors.h"

int InspectBones(const char* path) {
  BoneFile bones;
  std::string error;
  if (!LoadBoneFile(&bones, path, &error)) {
    std::printf("%s: Failed to load bone file (%s)\n", path, error.c_str());
    return 1;
  }
  std::printf("%s: %d bones\n", path, bones.boneCount);
  for (int i = 0; i < bones.boneCount; ++i) {
    const BoneRecord& bone = bones.bones[i];
    const D3DXVECTOR3 bind = GetBindPosition(bones, i);
    const char* parent = bone.parentIndex >= 0 ? bones.bones[bone.parentIndex].name : "-";
    std::printf("  %2d %-12s parent %-12s bind (%.3f, %.3f, %.3f)  %d influences%s%s\n", i, bone.name, parent,
                static_cast<double>(bind.x), static_cast<double>(bind.y), static_cast<double>(bind.z),
                bone.influenceCount > 0 ? bone.influenceCount : 0,
                (bone.flags & kBoneFlagExclude) != 0 ? ", excluded" : "",
                (bone.flags & kBoneFlagHalfRotation) != 0 ? ", half rotation" : "");
  }
  return 0;
}

int InspectPoses(const char* path) {
  PoseFile poses;
  std::string error;
  if (!LoadPoseFile(&poses, path, &error)) {
    std::printf("%s: Failed to load pose file (%s)\n", path, error.c_str());
    return 1;
  }
  std::printf("%s: %d channels, %d poses\n", path, poses.channelCount, poses.poseCount);
  std::printf("  channels:");
  for (int c = 0; c < poses.channelCount; ++c) std::printf(" %s", poses.channelNames[c]);
  std::printf("\n  poses:");
  for (int p = 0; p < poses.poseCount; ++p) std::printf(" %s", poses.poses[p].name);
  std::printf("\n");
  return 0;
}
