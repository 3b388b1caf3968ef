#pragma once
// A decoded 32-bit image as the texture loader and frame capture use it.

#include <cstdint>
#include <vector>

namespace d3dx {

struct Image {
  int width = 0;
  int height = 0;
  // width * height pixels, 0xAARRGGBB (the D3DCOLOR layout), rows top-down.
  std::vector<std::uint32_t> pixels;
  // The source had an alpha channel or a transparency chunk.
  bool hasAlpha = false;
};

}  // namespace d3dx
