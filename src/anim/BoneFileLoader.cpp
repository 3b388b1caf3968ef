// Loading and releasing .bone files.

#include <cstring>
#include <new>

#include "anim/AnimFileReader.h"
#include "anim/BoneFile.h"

namespace {

// Bytes of a bone record without its influence arrays.
constexpr std::uint64_t kBoneRecordBytes = 4 + kFixedNameSize + 12 + 4 + 4;
// Bytes of one influence: a vertex index and a weight.
constexpr std::uint64_t kInfluenceBytes = 4 + 4;

// Reads the records into file->bones; false on the first fault.
bool ReadBones(AnimFileReader& reader, BoneFile* file, std::string* error) {
  for (std::int32_t i = 0; i < file->boneCount; ++i) {
    BoneRecord& bone = file->bones[i];
    if (!reader.Read(&bone.parentIndex, 4, 1) || !reader.Read(bone.name, 1, kFixedNameSize) ||
        !reader.Read(&bone.offset, 12, 1) || !reader.Read(&bone.influenceCount, 4, 1) ||
        !reader.Read(&bone.flags, 4, 1)) {
      return AnimFileError(error, "bone %d: the file is cut short", i);
    }
    if (!IsTerminated(bone.name)) return AnimFileError(error, "bone %d: the name has no terminating NUL", i);
    if (bone.influenceCount < 1) continue;
    if (!reader.Holds(bone.influenceCount, kInfluenceBytes)) {
      return AnimFileError(error, "bone %d: %d influences do not fit in the file", i, bone.influenceCount);
    }
    const std::size_t count = static_cast<std::size_t>(bone.influenceCount);
    bone.vertexIndices = new (std::nothrow) std::int32_t[count];
    if (bone.vertexIndices == nullptr) return AnimFileError(error, "bone %d: out of memory", i);
    if (!reader.Read(bone.vertexIndices, 4, count)) return AnimFileError(error, "bone %d: the file is cut short", i);
    bone.weights = new (std::nothrow) float[count];
    if (bone.weights == nullptr) return AnimFileError(error, "bone %d: out of memory", i);
    if (!reader.Read(bone.weights, 4, count)) return AnimFileError(error, "bone %d: the file is cut short", i);
    for (std::size_t j = 0; j < count; ++j) {
      if (bone.vertexIndices[j] < 0) {
        return AnimFileError(error, "bone %d: negative vertex index %d", i, bone.vertexIndices[j]);
      }
    }
  }
  return true;
}

// Every parent is -1 or a bone index, and every chain of parents ends at a
// root: the skeleton is a forest, so walking up from any bone terminates.
bool CheckHierarchy(const BoneFile& file, std::string* error) {
  for (std::int32_t i = 0; i < file.boneCount; ++i) {
    const std::int32_t parent = file.bones[i].parentIndex;
    if (parent != -1 && (parent < 0 || parent >= file.boneCount)) {
      return AnimFileError(error, "bone %d: parent index %d is out of range", i, parent);
    }
  }
  // 0 unvisited, 1 on the current walk, 2 known to reach a root.
  std::string state(static_cast<std::size_t>(file.boneCount), '\0');
  for (std::int32_t i = 0; i < file.boneCount; ++i) {
    std::int32_t bone = i;
    while (bone != -1 && state[bone] == 0) {
      state[bone] = 1;
      bone = file.bones[bone].parentIndex;
    }
    if (bone != -1 && state[bone] == 1) return AnimFileError(error, "bone %d: the parent chain forms a cycle", bone);
    for (bone = i; bone != -1 && state[bone] == 1; bone = file.bones[bone].parentIndex) state[bone] = 2;
  }
  return true;
}

}  // namespace

BoneFile::~BoneFile() { ReleaseBoneFile(*this); }

bool LoadBoneFile(BoneFile* file, const char* path, std::string* error) {
  if (file == nullptr) return AnimFileError(error, "no bone file to fill");
  ReleaseBoneFile(*file);
  AnimFileReader reader;
  if (!reader.Open(path)) return AnimFileError(error, "cannot open the file");
  if (!reader.Read(file->magic, 1, 4) || std::memcmp(file->magic, "BF01", 4) != 0) {
    std::memset(file->magic, 0, sizeof(file->magic));
    return AnimFileError(error, "not a bone file (magic is not BF01)");
  }
  const auto fail = [file]() {
    ReleaseBoneFile(*file);
    std::memset(file->magic, 0, sizeof(file->magic));
    return false;
  };
  if (!reader.Read(&file->boneCount, 4, 1)) {
    AnimFileError(error, "the file is cut short");
    return fail();
  }
  if (file->boneCount < 0) {
    AnimFileError(error, "negative bone count %d", file->boneCount);
    return fail();
  }
  if (file->boneCount > 0) {
    // Every record takes at least its fixed part, so a count the rest of the
    // file cannot hold is refused before allocating for it.
    if (!reader.Holds(file->boneCount, kBoneRecordBytes)) {
      AnimFileError(error, "%d bones do not fit in the file", file->boneCount);
      return fail();
    }
    file->bones = new (std::nothrow) BoneRecord[static_cast<std::size_t>(file->boneCount)];
    if (file->bones == nullptr) {
      AnimFileError(error, "out of memory");
      return fail();
    }
  }
  if (!ReadBones(reader, file, error)) return fail();
  reader.Close();
  // 4 magic bytes + the count, and per bone 1 + 32 + 1 + 1 + 1 + 2N items.
  if (reader.ItemsRead() != reader.ItemsExpected()) {
    AnimFileError(error, "the file is cut short");
    return fail();
  }
  if (!CheckHierarchy(*file, error)) return fail();
  return true;
}

void ReleaseBoneFile(BoneFile& file) {
  if (file.bones != nullptr) {
    for (std::int32_t i = 0; i < file.boneCount; ++i) {
      delete[] file.bones[i].vertexIndices;
      delete[] file.bones[i].weights;
    }
    delete[] file.bones;
  }
  file.bones = nullptr;
  file.boneCount = 0;
}
