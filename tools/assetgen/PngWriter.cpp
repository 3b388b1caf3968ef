// PNG files through the platform layer's encoder (8-bit RGBA).

#include "FileOutput.h"
#include "Writers.h"
#include "platform/d3dx9/ImageCodec.h"

namespace assetgen {

bool WritePng(const ImageRgba& image, const std::string& path, std::string* error) {
  const std::size_t count = static_cast<std::size_t>(image.width > 0 ? image.width : 0) *
                            static_cast<std::size_t>(image.height > 0 ? image.height : 0);
  if (count == 0 || image.pixels.size() != count * 4) {
    if (error != nullptr) *error = path + ": the image is empty or its pixels do not match its size";
    return false;
  }
  d3dx::Image argb;
  argb.width = image.width;
  argb.height = image.height;
  argb.hasAlpha = true;
  argb.pixels.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* p = &image.pixels[i * 4];
    argb.pixels[i] = (std::uint32_t{p[3]} << 24) | (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
  }
  std::vector<std::uint8_t> bytes;
  std::string reason;
  if (!d3dx::EncodePng(argb, &bytes, &reason)) {
    if (error != nullptr) *error = path + ": " + reason;
    return false;
  }
  return WriteWholeFile(path, bytes, error);
}

}  // namespace assetgen
