// MSZIP blocks of compressed .x files, through zlib's raw deflate streams.

#include "platform/d3dx9/XFileCompression.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace d3dx {

namespace {

constexpr std::size_t kHeaderBytes = 16;
// Deflate never expands more than 1032:1; anything claiming more is lying
// about its size, and is refused before memory is set aside for it.
constexpr std::uint64_t kMaxRatio = 1032;

std::uint32_t Read16(const std::uint8_t* p) { return static_cast<std::uint32_t>(p[0] | (p[1] << 8)); }

std::uint32_t Read32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void Append16(std::string* out, std::uint32_t value) {
  out->push_back(static_cast<char>(value & 0xFF));
  out->push_back(static_cast<char>((value >> 8) & 0xFF));
}

// The window a block may refer back to: the last 32 KiB inflated so far.
void History(const std::string& out, const Bytef** start, uInt* length) {
  const std::size_t size = std::min(out.size(), kMszipBlockBytes);
  *start = reinterpret_cast<const Bytef*>(out.data() + out.size() - size);
  *length = static_cast<uInt>(size);
}

class Inflater {
 public:
  Inflater() { ok_ = inflateInit2(&stream_, -MAX_WBITS) == Z_OK; }
  ~Inflater() {
    if (ok_) inflateEnd(&stream_);
  }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;

  // Inflates one block of exactly `expected` bytes onto the end of *out.
  bool Block(const std::uint8_t* data, std::size_t size, std::size_t expected, std::string* out) {
    if (!ok_ || inflateReset(&stream_) != Z_OK) return false;
    const Bytef* history = nullptr;
    uInt historyLength = 0;
    History(*out, &history, &historyLength);
    if (historyLength > 0 && inflateSetDictionary(&stream_, history, historyLength) != Z_OK) return false;
    const std::size_t start = out->size();
    out->resize(start + expected);
    stream_.next_in = const_cast<Bytef*>(data);
    stream_.avail_in = static_cast<uInt>(size);
    stream_.next_out = reinterpret_cast<Bytef*>(&(*out)[start]);
    stream_.avail_out = static_cast<uInt>(expected);
    // The stream must end exactly where the stated size does.
    const int result = inflate(&stream_, Z_FINISH);
    return result == Z_STREAM_END && stream_.avail_out == 0;
  }

 private:
  z_stream stream_{};
  bool ok_ = false;
};

}  // namespace

bool InflateXFileBody(const std::uint8_t* data, std::size_t size, std::string* out) {
  out->clear();
  if (size < 4) return false;
  const std::uint32_t total = Read32(data);
  if (total < kHeaderBytes) return false;
  const std::size_t expected = total - kHeaderBytes;
  if (expected > kMaxInflatedXFile || expected > static_cast<std::uint64_t>(size) * kMaxRatio) return false;
  out->reserve(expected);
  Inflater inflater;
  std::size_t position = 4;
  while (position < size) {
    if (size - position < 6) return false;
    const std::uint32_t blockBytes = Read16(data + position);
    const std::uint32_t rest = Read16(data + position + 2);
    position += 4;
    if (blockBytes == 0 || blockBytes > kMszipBlockBytes || blockBytes > expected - out->size()) return false;
    if (rest < 2 || rest > size - position || data[position] != 'C' || data[position + 1] != 'K') return false;
    if (!inflater.Block(data + position + 2, rest - 2, blockBytes, out)) return false;
    position += rest;
  }
  return out->size() == expected;
}

bool DeflateXFileBody(const std::uint8_t* data, std::size_t size, std::string* out) {
  out->clear();
  if (size > kMaxInflatedXFile) return false;
  const std::uint32_t total = static_cast<std::uint32_t>(size + kHeaderBytes);
  for (int shift = 0; shift < 32; shift += 8) out->push_back(static_cast<char>((total >> shift) & 0xFF));
  z_stream stream{};
  if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) return false;
  std::string block;
  bool ok = true;
  for (std::size_t offset = 0; ok && offset < size; offset += kMszipBlockBytes) {
    const std::size_t length = std::min(kMszipBlockBytes, size - offset);
    block.resize(deflateBound(&stream, static_cast<uLong>(length)));
    const std::size_t history = std::min(offset, kMszipBlockBytes);
    ok = deflateReset(&stream) == Z_OK &&
         (history == 0 || deflateSetDictionary(&stream, data + offset - history, static_cast<uInt>(history)) == Z_OK);
    if (!ok) break;
    stream.next_in = const_cast<Bytef*>(data + offset);
    stream.avail_in = static_cast<uInt>(length);
    stream.next_out = reinterpret_cast<Bytef*>(&block[0]);
    stream.avail_out = static_cast<uInt>(block.size());
    ok = deflate(&stream, Z_FINISH) == Z_STREAM_END;
    const std::size_t written = block.size() - stream.avail_out;
    ok = ok && written + 2 <= 0xFFFF;
    if (!ok) break;
    Append16(out, static_cast<std::uint32_t>(length));
    Append16(out, static_cast<std::uint32_t>(written + 2));
    out->append("CK");
    out->append(block, 0, written);
  }
  deflateEnd(&stream);
  return ok;
}

}  // namespace d3dx
