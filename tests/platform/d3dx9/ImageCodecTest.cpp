#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/d3dx9/HandMadePng.h"
#include "platform/d3dx9/ImageCodec.h"

namespace {

using d3dx::Image;
using handmade_png::Bytes;
using handmade_png::BuildPng;
using handmade_png::Ihdr;
using handmade_png::Unfiltered;
using Pixels = std::vector<std::uint32_t>;
using ::testing::HasSubstr;

Image NoisyImage(int width, int height) {
  Image image{width, height, {}, true};
  std::uint32_t state = 12345;
  for (int i = 0; i < width * height; ++i) image.pixels.push_back(state = state * 1664525u + 1013904223u);
  return image;
}

Pixels Decode(const Bytes& png, bool expectAlpha) {
  Image image;
  std::string error;
  EXPECT_TRUE(d3dx::DecodePng(png.data(), png.size(), &image, &error)) << error;
  EXPECT_EQ(expectAlpha, image.hasAlpha);
  return image.pixels;
}

// Decoding fails with a message containing `expected` and leaves no image.
void ExpectRejected(const Bytes& png, const std::string& expected) {
  Image image{3, 3, Pixels(9), false};
  std::string error;
  EXPECT_FALSE(d3dx::DecodePng(png.data(), png.size(), &image, &error)) << "size " << png.size();
  EXPECT_THAT(error, HasSubstr(expected)) << "size " << png.size();
  EXPECT_EQ(0, image.width);
  EXPECT_TRUE(image.pixels.empty());
}

std::string TempPath(const char* name) { return ::testing::TempDir() + name; }

TEST(PngCodec, EncodeThenDecodeKeepsEveryPixelIncludingAlpha) {
  Image image = NoisyImage(7, 5);
  image.pixels[0] = 0x00FFFFFFu;  // transparent white stays white
  Bytes encoded;
  std::string error;
  ASSERT_TRUE(d3dx::EncodePng(image, &encoded, &error)) << error;
  EXPECT_EQ(image.pixels, Decode(encoded, true));

  const std::string path = TempPath("round_trip.png");
  ASSERT_TRUE(d3dx::SavePngFile(path.c_str(), image, &error)) << error;
  Image loaded;
  ASSERT_TRUE(d3dx::LoadPngFile(path.c_str(), &loaded, &error)) << error;
  EXPECT_EQ(7, loaded.width);
  EXPECT_EQ(5, loaded.height);
  EXPECT_EQ(image.pixels, loaded.pixels);
  unlink(path.c_str());

  Image wrongCount = NoisyImage(4, 4);
  wrongCount.pixels.pop_back();
  EXPECT_FALSE(d3dx::EncodePng(wrongCount, &encoded, &error));
  EXPECT_THAT(error, HasSubstr("15 pixels"));
  EXPECT_TRUE(encoded.empty());
  EXPECT_FALSE(d3dx::EncodePng(Image{}, &encoded, &error));
}

TEST(PngCodec, NormalisesEveryColourTypeToEightBitArgb) {
  const Bytes palette = {255, 0, 0, 0, 255, 0, 0, 0, 255};
  // tRNS gives the first two entries alpha; the third stays opaque.
  EXPECT_EQ((Pixels{0x00FF0000u, 0x8000FF00u, 0xFF0000FFu, 0xFF0000FFu}),
            Decode(BuildPng(Ihdr(2, 2, 8, 3), {{"PLTE", palette}, {"tRNS", {0x00, 0x80}}},
                            Unfiltered({{0, 1}, {2, 2}})),
                   true));
  // Two-bit indices, five pixels packed into two bytes.
  EXPECT_EQ((Pixels{0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFF0000u, 0xFF00FF00u}),
            Decode(BuildPng(Ihdr(5, 1, 2, 3), {{"PLTE", palette}}, Unfiltered({{0b00011000, 0b01000000}})), false));
  EXPECT_EQ((Pixels{0xFF123456u, 0xFFFF0080u}),
            Decode(BuildPng(Ihdr(2, 1, 16, 2), {},
                            Unfiltered({{0x12, 0x12, 0x34, 0x34, 0x56, 0x56, 0xFF, 0xFF, 0, 0, 0x80, 0x80}})),
                   false));
  EXPECT_EQ((Pixels{0x40AB00FFu}),
            Decode(BuildPng(Ihdr(1, 1, 16, 6), {}, Unfiltered({{0xAB, 0xAB, 0, 0, 0xFF, 0xFF, 0x40, 0x40}})), true));
  EXPECT_EQ((Pixels{0xFFFFFFFFu, 0xFF000000u, 0xFFFFFFFFu}),
            Decode(BuildPng(Ihdr(3, 1, 1, 0), {}, Unfiltered({{0b10100000}})), false));
  EXPECT_EQ((Pixels{0x00202020u, 0xC0909090u}),
            Decode(BuildPng(Ihdr(2, 1, 8, 4), {}, Unfiltered({{0x20, 0x00, 0x90, 0xC0}})), true));
  // A grey tRNS value makes exactly that grey level transparent.
  EXPECT_EQ((Pixels{0x00555555u, 0xFF565656u}),
            Decode(BuildPng(Ihdr(2, 1, 8, 0), {{"tRNS", {0x00, 0x55}}}, Unfiltered({{0x55, 0x56}})), true));
}

TEST(PngCodec, DecodesAdam7InterlacedImages) {
  auto pixel = [](int x, int y) {
    return Bytes{std::uint8_t(x * 20), std::uint8_t(y * 25), std::uint8_t(x ^ y), std::uint8_t(255 - x - y)};
  };
  Pixels expected;
  for (int y = 0; y < 9; ++y) {
    for (int x = 0; x < 11; ++x) {
      const Bytes p = pixel(x, y);
      expected.push_back(std::uint32_t(p[3]) << 24 | std::uint32_t(p[0]) << 16 | std::uint32_t(p[1]) << 8 | p[2]);
    }
  }
  EXPECT_EQ(expected, Decode(BuildPng(Ihdr(11, 9, 8, 6, 1), {}, handmade_png::Adam7Unfiltered(11, 9, pixel)), true));
}

TEST(PngCodec, RejectsDataThatIsNotPng) {
  ExpectRejected({}, "not a PNG file");
  ExpectRejected({0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0}, "not a PNG file");
  ExpectRejected({0x89, 'P', 'N', 'G', '\r', '\n', 0x1A}, "truncated PNG data");
  Image image;
  std::string error;
  EXPECT_FALSE(d3dx::DecodePng(nullptr, 100, &image, &error));
}

TEST(PngCodec, RejectsTruncatedData) {
  Bytes encoded;
  ASSERT_TRUE(d3dx::EncodePng(NoisyImage(40, 30), &encoded, nullptr));
  const std::size_t size = encoded.size();
  for (std::size_t cut : {std::size_t(8), std::size_t(32), std::size_t(40), size / 2, size - 12, size - 1}) {
    ExpectRejected(Bytes(encoded.begin(), encoded.begin() + std::ptrdiff_t(cut)), "truncated PNG data");
  }
}

TEST(PngCodec, RejectsCorruptDataAndAbsurdHeaders) {
  const Bytes valid = BuildPng(Ihdr(4, 4, 8, 2), {}, Unfiltered(std::vector<Bytes>(4, Bytes(12, 0x40))));
  const std::size_t idatData = handmade_png::kFirstIdatOffset + 8;
  Bytes flipped = valid;
  flipped[idatData + 10] ^= 0x01;  // an image byte: the zlib checksum or the CRC catches it
  ExpectRejected(flipped, "corrupt PNG data");
  Bytes badCrc = valid;
  badCrc[idatData + valid[handmade_png::kFirstIdatOffset + 3]] ^= 0x80;
  ExpectRejected(badCrc, "IDAT: CRC error");
  Bytes notIhdr = valid;
  std::memcpy(&notIhdr[12], "IHDX", 4);
  ExpectRejected(notIhdr, "not a valid IHDR");

  ExpectRejected(BuildPng(Ihdr(1000000, 1000000, 8, 6), {}, {0}), "PNG dimensions 1000000x1000000 are too large");
  ExpectRejected(BuildPng(Ihdr(20000, 1, 8, 6), {}, {0}), "too large");
  ExpectRejected(BuildPng(Ihdr(8192, 8193, 8, 6), {}, {0}), "too large");  // 64 Mi pixels and a row
  ExpectRejected(BuildPng(Ihdr(0, 5, 8, 6), {}, {0}), "PNG dimensions 0x5 are invalid");
  ExpectRejected(BuildPng(Ihdr(2, 2, 3, 2), {}, Unfiltered({{0}, {0}})), "corrupt PNG data");  // 3-bit depth
  ExpectRejected(BuildPng(Ihdr(2, 1, 8, 3), {}, Unfiltered({{0, 0}})), "corrupt PNG data");   // no palette
  ExpectRejected(BuildPng(Ihdr(4, 4, 8, 2), {}, Unfiltered({Bytes(12, 1)})), "corrupt PNG data");  // 1 of 4 rows
}

TEST(PngFile, ReportsUnreadableAndOversizedFiles) {
  Image image;
  std::string error;
  EXPECT_FALSE(d3dx::LoadPngFile("/nonexistent/texture.png", &image, &error));
  EXPECT_THAT(error, HasSubstr("/nonexistent/texture.png"));
  EXPECT_FALSE(d3dx::LoadPngFile(::testing::TempDir().c_str(), &image, &error));
  EXPECT_THAT(error, HasSubstr("not a regular file"));
  EXPECT_FALSE(d3dx::SavePngFile("/nonexistent/out.png", NoisyImage(2, 2), &error));
  EXPECT_THAT(error, HasSubstr("cannot create"));

  // A sparse file just over the limit is refused before it is read.
  const std::string huge = TempPath("huge.png");
  const int fd = open(huge.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(0, ftruncate(fd, off_t(d3dx::kMaxImageFileBytes + 1)));
  ASSERT_EQ(6, write(fd, "GIF89a", 6));
  close(fd);
  EXPECT_FALSE(d3dx::LoadPngFile(huge.c_str(), &image, &error));
  EXPECT_THAT(error, HasSubstr("too large"));
  ASSERT_EQ(0, truncate(huge.c_str(), 6));
  EXPECT_FALSE(d3dx::LoadPngFile(huge.c_str(), &image, &error));
  EXPECT_THAT(error, HasSubstr("huge.png: not a PNG file"));
  unlink(huge.c_str());
}

}  // namespace
