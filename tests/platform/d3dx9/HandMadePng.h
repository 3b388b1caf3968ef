#pragma once
// PNG files assembled chunk by chunk with zlib, independent of the encoder
// under test, so tests can state any header, including invalid ones with
// valid CRCs.

#include <zlib.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace handmade_png {

using Bytes = std::vector<std::uint8_t>;

inline void Put32(Bytes* out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out->push_back(std::uint8_t(value >> shift));
}

inline void PutChunk(Bytes* png, const char* type, Bytes data) {
  Put32(png, std::uint32_t(data.size()));
  data.insert(data.begin(), type, type + 4);
  png->insert(png->end(), data.begin(), data.end());
  Put32(png, std::uint32_t(crc32(0, data.data(), uInt(data.size()))));
}

inline Bytes Ihdr(std::uint32_t width, std::uint32_t height, int depth, int colorType, int interlace = 0) {
  Bytes data;
  Put32(&data, width);
  Put32(&data, height);
  data.insert(data.end(), {std::uint8_t(depth), std::uint8_t(colorType), 0, 0, std::uint8_t(interlace)});
  return data;
}

struct Chunk {
  const char* type;
  Bytes data;
};

// Without extra chunks the IDAT chunk starts here, after signature and IHDR.
constexpr std::size_t kFirstIdatOffset = 33;

// Signature, IHDR, the extra chunks, one IDAT with `raw` deflated, IEND.
inline Bytes BuildPng(const Bytes& ihdr, const std::vector<Chunk>& extra, const Bytes& raw) {
  Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  PutChunk(&png, "IHDR", ihdr);
  for (const Chunk& chunk : extra) PutChunk(&png, chunk.type, chunk.data);
  Bytes deflated(compressBound(uLong(raw.size())));
  uLongf size = uLongf(deflated.size());
  compress(deflated.data(), &size, raw.data(), uLong(raw.size()));
  deflated.resize(size);
  PutChunk(&png, "IDAT", deflated);
  PutChunk(&png, "IEND", {});
  return png;
}

// Packed rows, each behind filter byte 0.
inline Bytes Unfiltered(const std::vector<Bytes>& rows) {
  Bytes raw;
  for (const Bytes& row : rows) {
    raw.push_back(0);
    raw.insert(raw.end(), row.begin(), row.end());
  }
  return raw;
}

// The seven Adam7 passes of an image with whole-byte pixels.
inline Bytes Adam7Unfiltered(int width, int height, const std::function<Bytes(int, int)>& pixel) {
  const int start[7][2] = {{0, 0}, {4, 0}, {0, 4}, {2, 0}, {0, 2}, {1, 0}, {0, 1}};
  const int step[7][2] = {{8, 8}, {8, 8}, {4, 8}, {4, 4}, {2, 4}, {2, 2}, {1, 2}};
  Bytes raw;
  for (int pass = 0; pass < 7; ++pass) {
    if (start[pass][0] >= width) continue;  // an empty pass has no scanlines
    for (int y = start[pass][1]; y < height; y += step[pass][1]) {
      raw.push_back(0);
      for (int x = start[pass][0]; x < width; x += step[pass][0]) {
        const Bytes p = pixel(x, y);
        raw.insert(raw.end(), p.begin(), p.end());
      }
    }
  }
  return raw;
}

}  // namespace handmade_png
