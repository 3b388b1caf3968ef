#include <gtest/gtest.h>

#include "platform/d3dx9/MipChain.h"

namespace {

using d3dx::Image;
using Pixels = std::vector<std::uint32_t>;

// The same level in every channel, alpha included.
constexpr std::uint32_t Grey(std::uint32_t level) { return level * 0x01010101u; }

Image Ramp(int width, int height, std::uint32_t step) {
  Image image{width, height, {}, false};
  for (int i = 0; i < width * height; ++i) image.pixels.push_back(Grey(std::uint32_t(i) * step));
  return image;
}

TEST(MipChain, FullLevelCountHalvesDownToOneByOne) {
  EXPECT_EQ(1, d3dx::FullMipLevelCount(1, 1));
  EXPECT_EQ(3, d3dx::FullMipLevelCount(4, 4));
  EXPECT_EQ(4, d3dx::FullMipLevelCount(8, 2));
  EXPECT_EQ(3, d3dx::FullMipLevelCount(5, 3));
  EXPECT_EQ(9, d3dx::FullMipLevelCount(1, 256));
}

TEST(MipChain, SquareLevelsAverageEachChannelOverTwoByTwoBoxes) {
  const Image level0{4, 4,
                     {0xFF000000, 0x00FF0000, Grey(10), Grey(20),  //
                      0x0000FF00, 0x000000FF, Grey(30), Grey(41),  //
                      Grey(0), Grey(0), Grey(255), Grey(255),      //
                      Grey(0), Grey(1), Grey(255), Grey(254)},
                     true};
  const std::vector<Image> chain = d3dx::BuildBoxMipChain(level0, 0);
  ASSERT_EQ(3u, chain.size());
  EXPECT_EQ(level0.pixels, chain[0].pixels);
  EXPECT_EQ(2, chain[1].width);
  // 255/4 = 63.75 -> 64 per channel; 101/4 -> 25; 1/4 -> 0; 1019/4 -> 255.
  EXPECT_EQ((Pixels{Grey(64), Grey(25), Grey(0), Grey(255)}), chain[1].pixels);
  EXPECT_EQ((Pixels{Grey(86)}), chain[2].pixels);
  EXPECT_TRUE(chain[2].hasAlpha);
}

TEST(MipChain, NonSquareAndOddSizesUseTheBoxesThatFit) {
  // 8x2: the second level is one row, so its boxes are 2x1.
  const std::vector<Image> wide = d3dx::BuildBoxMipChain(Ramp(8, 2, 16), 0);
  ASSERT_EQ(4u, wide.size());
  EXPECT_EQ((Pixels{Grey(72), Grey(104), Grey(136), Grey(168)}), wide[1].pixels);
  EXPECT_EQ((Pixels{Grey(88), Grey(152)}), wide[2].pixels);
  EXPECT_EQ((Pixels{Grey(120)}), wide[3].pixels);
  EXPECT_EQ(1, wide[3].width);
  EXPECT_EQ(1, wide[3].height);

  // 5x3 -> 2x1 -> 1x1: the last column and row are left out, never overrun.
  const std::vector<Image> odd = d3dx::BuildBoxMipChain(Ramp(5, 3, 10), 0);
  ASSERT_EQ(3u, odd.size());
  EXPECT_EQ(2, odd[1].width);
  EXPECT_EQ(1, odd[1].height);
  EXPECT_EQ((Pixels{Grey(30), Grey(50)}), odd[1].pixels);
  EXPECT_EQ((Pixels{Grey(40)}), odd[2].pixels);
}

TEST(MipChain, LevelCountIsHonouredAndBadImagesGiveNoChain) {
  const Image level0 = Ramp(16, 16, 0);
  EXPECT_EQ(1u, d3dx::BuildBoxMipChain(level0, 1).size());
  EXPECT_EQ(2u, d3dx::BuildBoxMipChain(level0, 2).size());
  EXPECT_EQ(5u, d3dx::BuildBoxMipChain(level0, 99).size());
  EXPECT_TRUE(d3dx::BuildBoxMipChain(Image{}, 0).empty());
  EXPECT_TRUE(d3dx::BuildBoxMipChain(Image{4, 4, Pixels(15), false}, 0).empty());
}

}  // namespace
