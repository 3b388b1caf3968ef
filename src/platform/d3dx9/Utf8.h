#pragma once
// Strict UTF-8 decoding for text drawing.

#include <cstdint>

namespace d3dx {

constexpr std::uint32_t kInvalidCodePoint = 0xFFFFFFFFu;

// Decodes the code point at *cursor (which must be before end) and advances
// *cursor past it. A malformed sequence (stray continuation byte, overlong
// form, surrogate, value above U+10FFFF, or cut short by end or by a
// non-continuation byte) yields kInvalidCodePoint and advances by one byte,
// so decoding resynchronises on the next byte.
std::uint32_t DecodeUtf8(const char** cursor, const char* end);

}  // namespace d3dx
