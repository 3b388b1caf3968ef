// The .x text form: the input is the file after its header.

#include <cstddef>
#include <cstdint>
#include <string>

#include "XFileLoad.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string file = "xof 0303txt 0032";
  file.append(reinterpret_cast<const char*>(data), size);
  fuzz::LoadXFile(file);
  return 0;
}
