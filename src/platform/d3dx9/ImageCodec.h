#pragma once
// PNG reading and writing for the texture loader and frame capture.
//
// Input files are untrusted: every failure (not a PNG, truncated, corrupt,
// absurd dimensions, too large) returns false with a message in *error and
// leaves *out empty. Nothing is allocated for an image before its dimensions
// have passed the limits below.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/d3dx9/Image.h"

namespace d3dx {

constexpr int kMaxImageDimension = 16384;
constexpr std::uint64_t kMaxImagePixels = 64ull * 1024 * 1024;
constexpr std::uint64_t kMaxImageFileBytes = 256ull * 1024 * 1024;

// Any PNG colour type and bit depth (palette, grey, grey + alpha, RGB, RGBA,
// 16-bit, transparency chunk, interlaced) is normalised to 8-bit ARGB.
bool DecodePng(const void* data, std::size_t size, Image* out, std::string* error);
bool LoadPngFile(const char* path, Image* out, std::string* error);

// Writes 8-bit RGBA (alpha is always stored, whatever image.hasAlpha says).
bool EncodePng(const Image& image, std::vector<std::uint8_t>* out, std::string* error);
bool SavePngFile(const char* path, const Image& image, std::string* error);

}  // namespace d3dx
