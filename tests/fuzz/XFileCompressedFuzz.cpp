// The MSZIP-compressed .x forms: the input's first byte picks the form
// (bit 0: binary "bzip", else text "tzip") and the float size (bit 1:
// 64-bit); the rest is the size field and the blocks after the header.

#include <cstddef>
#include <cstdint>
#include <string>

#include "XFileLoad.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  std::string file = "xof 0303";
  file += (data[0] & 1) != 0 ? "bzip" : "tzip";
  file += (data[0] & 2) != 0 ? "0064" : "0032";
  file.append(reinterpret_cast<const char*>(data + 1), size - 1);
  fuzz::LoadXFile(file);
  return 0;
}
