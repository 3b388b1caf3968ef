#pragma once
// The skeleton file (.bone) and its in-memory image.
//
// File layout, little-endian:
//   "BF01", boneCount (int32), then per bone in index order:
//   parentIndex (int32, -1 for a root), name (32 bytes, NUL-terminated),
//   offset (3 x float32, from the parent's joint; absolute for a root),
//   influenceCount N (int32, 0 or less: none), flags (int32, bit 0 exclude,
//   bit 1 half rotation), N vertex indices (int32), N weights (float32).
// Bytes after the last record are ignored.

#include <cstdint>
#include <string>

#include "anim/FixedName.h"
#include "platform/d3dx9/D3dxVector.h"

constexpr char kBoneFilePath[] = "./data/char/body.bone";
constexpr std::int32_t kBoneFlagExclude = 1;
constexpr std::int32_t kBoneFlagHalfRotation = 2;

struct BoneRecord {
  std::int32_t parentIndex = -1;
  FixedName name = {};
  D3DXVECTOR3 offset;
  std::int32_t flags = 0;
  std::int32_t influenceCount = 0;
  std::int32_t* vertexIndices = nullptr;  // influenceCount entries; null when the count is below 1
  float* weights = nullptr;               // likewise
};

struct BoneFile {
  BoneFile() = default;
  ~BoneFile();  // ReleaseBoneFile
  BoneFile(const BoneFile&) = delete;
  BoneFile& operator=(const BoneFile&) = delete;

  char magic[4] = {};
  std::int32_t boneCount = 0;
  BoneRecord* bones = nullptr;  // boneCount records; null when the count is below 1
};

// Fills *file from the file at path. False when the file cannot be opened,
// has the wrong magic, is shorter than its counts require, or is malformed:
// a negative bone count, a name without its NUL, a parent index that is
// neither -1 nor a bone index, a parent chain that never reaches a root, or
// a negative vertex index. A failed load leaves *file empty and, when error
// is not null, says why there. Whatever *file held before is released first.
bool LoadBoneFile(BoneFile* file, const char* path = kBoneFilePath, std::string* error = nullptr);

// Frees every influence array and the records; boneCount becomes 0. Safe on
// an empty or released image.
void ReleaseBoneFile(BoneFile& file);

// The absolute bind position of a bone: its offset plus its parent's bind
// position, up to the root. Zero for an index outside the file.
D3DXVECTOR3 GetBindPosition(const BoneFile& file, std::int32_t bone);

// False (with the reason in *error) when an influence names a vertex outside
// 0..vertexCount-1. The mesh loader checks this against the vertex count of
// the mesh as stored in its file, before any RemapBoneVertices.
bool CheckBoneVertices(const BoneFile& file, std::int32_t vertexCount, std::string* error = nullptr);

// Renumbers the influences after the mesh's vertices were reordered:
// newToOld[i] is the old index of new vertex i, for i below newVertexCount.
// Each influence appears once for every new vertex made from its old vertex,
// ordered by new index; influences of vanished vertices are dropped. False
// when the file has no records, newToOld is missing or an allocation fails;
// true at once for a file without bones.
bool RemapBoneVertices(BoneFile& file, const std::uint32_t* newToOld, std::int32_t newVertexCount);
