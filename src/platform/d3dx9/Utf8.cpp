#include "platform/d3dx9/Utf8.h"

namespace d3dx {

std::uint32_t DecodeUtf8(const char** cursor, const char* end) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(*cursor);
  const std::uint32_t lead = bytes[0];
  ++*cursor;
  if (lead < 0x80) return lead;

  int continuationCount = 0;
  std::uint32_t codePoint = 0;
  std::uint32_t minimum = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    continuationCount = 1;
    codePoint = lead & 0x1F;
    minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    continuationCount = 2;
    codePoint = lead & 0x0F;
    minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    continuationCount = 3;
    codePoint = lead & 0x07;
    minimum = 0x10000;
  } else {
    return kInvalidCodePoint;  // continuation byte, C0/C1 overlong lead, or F5..FF
  }

  if (end - *cursor < continuationCount) return kInvalidCodePoint;
  for (int i = 1; i <= continuationCount; ++i) {
    if ((bytes[i] & 0xC0) != 0x80) return kInvalidCodePoint;
    codePoint = (codePoint << 6) | (bytes[i] & 0x3F);
  }
  if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
    return kInvalidCodePoint;
  }
  *cursor += continuationCount;
  return codePoint;
}

}  // namespace d3dx
