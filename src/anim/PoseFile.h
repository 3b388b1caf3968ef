#pragma once
// The pose library file (.pose) and its in-memory image.
//
// File layout, little-endian:
//   "PF00", channelCount C (int32), C channel names (32 bytes each,
//   NUL-terminated bone names), poseCount P (int32), then P poses, each a
//   32-byte name and C rotations (yaw, pitch, roll as 3 x float32, radians),
//   the complete local rotation of the channel's bone in that pose.
// Bytes after the last pose are ignored.

#include <cstdint>
#include <string>

#include "anim/FixedName.h"
#include "platform/d3dx9/D3dxVector.h"

constexpr char kPoseFilePath[] = "./data/char/body.pose";

struct PoseRecord {
  FixedName name = {};
  D3DXVECTOR3* rotations = nullptr;  // channelCount entries; null when the count is below 1
};

struct PoseFile {
  PoseFile() = default;
  ~PoseFile();  // ReleasePoseFile
  PoseFile(const PoseFile&) = delete;
  PoseFile& operator=(const PoseFile&) = delete;

  char magic[4] = {};
  std::int32_t channelCount = 0;
  FixedName* channelNames = nullptr;  // null when channelCount is below 1
  std::int32_t poseCount = 0;
  PoseRecord* poses = nullptr;  // null when poseCount is below 1
};

// Fills *file from the file at path. False when the file cannot be opened,
// has the wrong magic, is shorter than its counts require, or is malformed:
// a negative count or a name without its NUL. A failed load leaves *file
// empty and, when error is not null, says why there. Whatever *file held
// before is released first.
bool LoadPoseFile(PoseFile* file, const char* path = kPoseFilePath, std::string* error = nullptr);

// Frees every pose's rotations, the poses and the channel names; both counts
// become 0. Safe on an empty or released image.
void ReleasePoseFile(PoseFile& file);
