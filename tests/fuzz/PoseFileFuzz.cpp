// The pose file (.pose).

#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "anim/PoseFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::InputFile input("body.pose");
  input.Write(data, size);
  PoseFile file;
  LoadPoseFile(&file, input.Path().c_str());
  return 0;
}
