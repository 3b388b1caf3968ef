// The skeleton file (.bone): load, and on success the work the mesh loader
// does with it (vertex check, bind positions, a renumbering).

#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzSupport.h"
#include "anim/BoneFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::InputFile input("body.bone");
  input.Write(data, size);
  BoneFile file;
  if (!LoadBoneFile(&file, input.Path().c_str())) return 0;
  CheckBoneVertices(file, 64);
  for (std::int32_t bone = -1; bone <= file.boneCount; ++bone) GetBindPosition(file, bone);
  // Every vertex kept, vertex 0 split in two, the last one dropped.
  std::vector<std::uint32_t> newToOld = {0};
  for (std::uint32_t i = 0; i < 63; ++i) newToOld.push_back(i);
  RemapBoneVertices(file, newToOld.data(), static_cast<std::int32_t>(newToOld.size()));
  return 0;
}
