#pragma once
// The MSZIP compression of .x files ("tzip" and "bzip"). After the 16-byte
// header comes the size of the whole file once inflated (header included,
// 32 bits), then blocks until the end of the file: the block's inflated size
// (16 bits, at most 32 KiB), the size of the rest of the block (16 bits),
// the signature "CK" and one raw deflate stream. Each stream may refer back
// to the 32 KiB inflated before it.

#include <cstddef>
#include <cstdint>
#include <string>

namespace d3dx {

// Inflated bodies larger than this are refused before anything is inflated.
constexpr std::size_t kMaxInflatedXFile = std::size_t{256} << 20;
constexpr std::size_t kMszipBlockBytes = 32768;

// The inflated body of the data after the header. False for a size that is
// out of bounds or disagrees with the blocks, a missing signature, a block
// that does not inflate to its stated size, or a truncated block.
bool InflateXFileBody(const std::uint8_t* data, std::size_t size, std::string* out);

// The compressed form of a body: the size field and the blocks.
bool DeflateXFileBody(const std::uint8_t* data, std::size_t size, std::string* out);

}  // namespace d3dx
