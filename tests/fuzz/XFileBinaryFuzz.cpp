// The .x binary form: the input's first byte picks the float size (bit 0:
// 64-bit), the rest is the token stream after the header.

#include <cstddef>
#include <cstdint>
#include <string>

#include "XFileLoad.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  std::string file = (data[0] & 1) != 0 ? "xof 0303bin 0064" : "xof 0303bin 0032";
  file.append(reinterpret_cast<const char*>(data + 1), size - 1);
  fuzz::LoadXFile(file);
  return 0;
}
