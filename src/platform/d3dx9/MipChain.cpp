#include "platform/d3dx9/MipChain.h"

#include <cstddef>
#include <cstdint>

namespace d3dx {
namespace {

Image HalveWithBoxFilter(const Image& source) {
  Image target;
  target.width = source.width > 1 ? source.width / 2 : 1;
  target.height = source.height > 1 ? source.height / 2 : 1;
  target.hasAlpha = source.hasAlpha;
  target.pixels.resize(std::size_t(target.width) * std::size_t(target.height));

  // A source dimension of 1 cannot be halved, so its boxes are 1 wide there.
  const int boxWidth = source.width > 1 ? 2 : 1;
  const int boxHeight = source.height > 1 ? 2 : 1;
  const std::uint32_t count = std::uint32_t(boxWidth * boxHeight);

  for (int y = 0; y < target.height; ++y) {
    for (int x = 0; x < target.width; ++x) {
      std::uint32_t sums[4] = {0, 0, 0, 0};
      for (int dy = 0; dy < boxHeight; ++dy) {
        const std::uint32_t* row = source.pixels.data() + std::size_t(y * boxHeight + dy) * std::size_t(source.width);
        for (int dx = 0; dx < boxWidth; ++dx) {
          const std::uint32_t pixel = row[x * boxWidth + dx];
          for (int channel = 0; channel < 4; ++channel) sums[channel] += (pixel >> (channel * 8)) & 0xFFu;
        }
      }
      std::uint32_t averaged = 0;
      for (int channel = 0; channel < 4; ++channel) {
        averaged |= ((sums[channel] + count / 2) / count) << (channel * 8);
      }
      target.pixels[std::size_t(y) * std::size_t(target.width) + std::size_t(x)] = averaged;
    }
  }
  return target;
}

}  // namespace

int FullMipLevelCount(int width, int height) {
  int levels = 1;
  while (width > 1 || height > 1) {
    width /= 2;
    height /= 2;
    ++levels;
  }
  return levels;
}

std::vector<Image> BuildBoxMipChain(const Image& level0, int levels) {
  std::vector<Image> chain;
  if (level0.width <= 0 || level0.height <= 0 ||
      level0.pixels.size() != std::size_t(level0.width) * std::size_t(level0.height)) {
    return chain;
  }
  const int fullCount = FullMipLevelCount(level0.width, level0.height);
  if (levels <= 0 || levels > fullCount) levels = fullCount;

  chain.reserve(std::size_t(levels));
  chain.push_back(level0);
  while (int(chain.size()) < levels) chain.push_back(HalveWithBoxFilter(chain.back()));
  return chain;
}

}  // namespace d3dx
