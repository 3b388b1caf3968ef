#pragma once
// The device's current colour target read back for pixel checks with
// tolerances (never compared against stored images).

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/d3d9/D3d9Automation.h"

struct RenderTargetImage {
  std::vector<std::uint32_t> pixels;  // 0xAARRGGBB, rows top-down
  UINT width = 0;
  UINT height = 0;

  bool Read(IDirect3DDevice9* device) { return d3d9::ReadRenderTarget(device, &pixels, &width, &height); }

  std::uint32_t At(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * width + static_cast<std::size_t>(x)];
  }
  static int Red(std::uint32_t c) { return static_cast<int>((c >> 16) & 0xFF); }
  static int Green(std::uint32_t c) { return static_cast<int>((c >> 8) & 0xFF); }
  static int Blue(std::uint32_t c) { return static_cast<int>(c & 0xFF); }

  // Red, green and blue each within `tolerance` of the expected bytes.
  bool IsNear(int x, int y, int red, int green, int blue, int tolerance) const {
    const std::uint32_t c = At(x, y);
    return std::abs(Red(c) - red) <= tolerance && std::abs(Green(c) - green) <= tolerance &&
           std::abs(Blue(c) - blue) <= tolerance;
  }
  bool IsBlack(int x, int y) const { return IsNear(x, y, 0, 0, 0, 8); }

  // Whether any pixel within `radius` of (x, y) passes the test.
  template <typename Test>
  bool AnyAround(int x, int y, int radius, Test test) const {
    for (int py = y - radius; py <= y + radius; ++py) {
      for (int px = x - radius; px <= x + radius; ++px) {
        if (px < 0 || py < 0 || px >= static_cast<int>(width) || py >= static_cast<int>(height)) continue;
        if (test(At(px, py))) return true;
      }
    }
    return false;
  }
};
