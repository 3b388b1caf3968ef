// Loading and releasing .pose files.

#include <cstring>
#include <new>

#include "anim/AnimFileReader.h"
#include "anim/PoseFile.h"

namespace {

constexpr std::uint64_t kRotationBytes = 12;

bool ReadPoses(AnimFileReader& reader, PoseFile* file, std::string* error) {
  const std::size_t channels = file->channelCount > 0 ? static_cast<std::size_t>(file->channelCount) : 0;
  for (std::int32_t i = 0; i < file->poseCount; ++i) {
    PoseRecord& pose = file->poses[i];
    if (!reader.Read(pose.name, 1, kFixedNameSize)) return AnimFileError(error, "pose %d: the file is cut short", i);
    if (!IsTerminated(pose.name)) return AnimFileError(error, "pose %d: the name has no terminating NUL", i);
    if (channels == 0) continue;
    pose.rotations = new (std::nothrow) D3DXVECTOR3[channels];
    if (pose.rotations == nullptr) return AnimFileError(error, "pose %d: out of memory", i);
    if (!reader.Read(pose.rotations, kRotationBytes, channels)) {
      return AnimFileError(error, "pose %d: the file is cut short", i);
    }
  }
  return true;
}

}  // namespace

PoseFile::~PoseFile() { ReleasePoseFile(*this); }

bool LoadPoseFile(PoseFile* file, const char* path, std::string* error) {
  if (file == nullptr) return AnimFileError(error, "no pose file to fill");
  ReleasePoseFile(*file);
  AnimFileReader reader;
  if (!reader.Open(path)) return AnimFileError(error, "cannot open the file");
  const auto fail = [file]() {
    ReleasePoseFile(*file);
    std::memset(file->magic, 0, sizeof(file->magic));
    return false;
  };
  if (!reader.Read(file->magic, 1, 4) || std::memcmp(file->magic, "PF00", 4) != 0) {
    AnimFileError(error, "not a pose file (magic is not PF00)");
    return fail();
  }
  if (!reader.Read(&file->channelCount, 4, 1)) {
    AnimFileError(error, "the file is cut short");
    return fail();
  }
  if (file->channelCount < 0) {
    AnimFileError(error, "negative channel count %d", file->channelCount);
    return fail();
  }
  if (file->channelCount > 0) {
    if (!reader.Holds(file->channelCount, kFixedNameSize)) {
      AnimFileError(error, "%d channels do not fit in the file", file->channelCount);
      return fail();
    }
    const std::size_t channels = static_cast<std::size_t>(file->channelCount);
    file->channelNames = new (std::nothrow) FixedName[channels];
    if (file->channelNames == nullptr) {
      AnimFileError(error, "out of memory");
      return fail();
    }
    if (!reader.Read(file->channelNames, kFixedNameSize, channels)) {
      AnimFileError(error, "the file is cut short");
      return fail();
    }
    for (std::size_t c = 0; c < channels; ++c) {
      if (!IsTerminated(file->channelNames[c])) {
        AnimFileError(error, "channel %zu: the name has no terminating NUL", c);
        return fail();
      }
    }
  }
  // The pose count is read into a local first: a cut-short file must not
  // leave a count without its array behind.
  std::int32_t poseCount = 0;
  if (!reader.Read(&poseCount, 4, 1)) {
    AnimFileError(error, "the file is cut short");
    return fail();
  }
  if (poseCount < 0) {
    AnimFileError(error, "negative pose count %d", poseCount);
    return fail();
  }
  if (poseCount > 0) {
    // Every pose takes its name and a rotation per channel; a count the rest
    // of the file cannot hold is refused before allocating for it.
    const std::uint64_t poseBytes = kFixedNameSize + kRotationBytes * static_cast<std::uint64_t>(file->channelCount);
    if (!reader.Holds(poseCount, poseBytes)) {
      AnimFileError(error, "%d poses do not fit in the file", poseCount);
      return fail();
    }
    file->poses = new (std::nothrow) PoseRecord[static_cast<std::size_t>(poseCount)];
    if (file->poses == nullptr) {
      AnimFileError(error, "out of memory");
      return fail();
    }
    file->poseCount = poseCount;
  }
  if (!ReadPoses(reader, file, error)) return fail();
  reader.Close();
  // 4 magic bytes + 1 count + C names + 1 count, per pose 32 + C items.
  if (reader.ItemsRead() != reader.ItemsExpected()) {
    AnimFileError(error, "the file is cut short");
    return fail();
  }
  return true;
}

void ReleasePoseFile(PoseFile& file) {
  if (file.poses != nullptr) {
    for (std::int32_t i = 0; i < file.poseCount; ++i) delete[] file.poses[i].rotations;
    delete[] file.poses;
  }
  delete[] file.channelNames;
  file.poses = nullptr;
  file.channelNames = nullptr;
  file.poseCount = 0;
  file.channelCount = 0;
}
