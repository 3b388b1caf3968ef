#include "platform/d3dx9/TextLayout.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

#include "platform/d3dx9/Utf8.h"

namespace d3dx {
namespace {

constexpr std::uint32_t kSkip = 0;

// The code point drawn for the next character, or kSkip.
std::uint32_t NextDrawable(const char** cursor, const char* end, bool singleLine) {
  const std::uint32_t codePoint = DecodeUtf8(cursor, end);
  if (codePoint == kInvalidCodePoint) return '?';
  if (codePoint == '\n' && singleLine) return ' ';
  if (codePoint < 0x20 || codePoint == 0x7F) return kSkip;
  return codePoint;
}

// Calls visit(glyph) for every drawable character of [cursor, end).
template <typename Visit>
void ForEachGlyph(GlyphAtlas& atlas, const char* cursor, const char* end, bool singleLine, Visit visit) {
  while (cursor < end) {
    const std::uint32_t codePoint = NextDrawable(&cursor, end, singleLine);
    if (codePoint == kSkip) continue;
    const GlyphAtlas::Glyph* glyph = atlas.GetGlyph(codePoint);
    if (glyph != nullptr) visit(*glyph);
  }
}

std::int64_t LineWidth(GlyphAtlas& atlas, const char* begin, const char* end, bool singleLine) {
  std::int64_t width = 0;
  ForEachGlyph(atlas, begin, end, singleLine, [&width](const GlyphAtlas::Glyph& glyph) { width += glyph.advance; });
  return width;
}

std::int64_t HalfRoundedDown(std::int64_t value) { return value >= 0 ? value / 2 : -((-value + 1) / 2); }

// Appends the quads of one line, in atlas texels for now (normalised once
// the whole text is laid out, as new glyphs may grow the atlas meanwhile).
void EmitLine(GlyphAtlas& atlas, const char* begin, const char* end, bool singleLine, std::int64_t penX,
              std::int64_t baseline, const RECT* clip, std::vector<TextQuad>* quads) {
  ForEachGlyph(atlas, begin, end, singleLine, [&](const GlyphAtlas::Glyph& glyph) {
    if (glyph.width > 0 && glyph.height > 0) {
      std::int64_t left = penX + glyph.bearingX, top = baseline - glyph.bearingY;
      std::int64_t right = left + glyph.width, bottom = top + glyph.height;
      std::int64_t u0 = glyph.atlasX, v0 = glyph.atlasY, u1 = u0 + glyph.width, v1 = v0 + glyph.height;
      if (clip != nullptr) {  // pixels and texels are 1:1, so cut both by the same amount
        if (left < clip->left) {
          u0 += clip->left - left;
          left = clip->left;
        }
        if (top < clip->top) {
          v0 += clip->top - top;
          top = clip->top;
        }
        if (right > clip->right) {
          u1 -= right - clip->right;
          right = clip->right;
        }
        if (bottom > clip->bottom) {
          v1 -= bottom - clip->bottom;
          bottom = clip->bottom;
        }
      }
      if (left < right && top < bottom) {
        quads->push_back(TextQuad{float(left), float(top), float(right), float(bottom), float(u0), float(v0),
                                  float(u1), float(v1)});
      }
    }
    penX += glyph.advance;
  });
}

LONG ClampToLong(std::int64_t value) {
  return LONG(std::clamp<std::int64_t>(value, std::numeric_limits<LONG>::min(), std::numeric_limits<LONG>::max()));
}

}  // namespace

int LayoutText(GlyphAtlas& atlas, const char* text, int length, RECT* rect, DWORD format,
               std::vector<TextQuad>* quads) {
  quads->clear();
  if (text == nullptr || rect == nullptr) return 0;
  const char* end = nullptr;
  if (length < 0) {
    end = text + std::strlen(text);
  } else {
    const void* terminator = std::memchr(text, '\0', std::size_t(length));
    end = terminator != nullptr ? static_cast<const char*>(terminator) : text + length;
  }

  const bool singleLine = (format & DT_SINGLELINE) != 0;
  const bool calcRect = (format & DT_CALCRECT) != 0;
  const bool needWidth = calcRect || (format & (DT_CENTER | DT_RIGHT)) != 0;
  const RECT* clip = (format & DT_NOCLIP) != 0 || calcRect ? nullptr : rect;
  const std::int64_t lineHeight = atlas.GetLineHeight();

  std::int64_t top = rect->top;
  if (singleLine && (format & DT_BOTTOM) != 0) {
    top = std::int64_t(rect->bottom) - lineHeight;
  } else if (singleLine && (format & DT_VCENTER) != 0) {
    top = rect->top + HalfRoundedDown(std::int64_t(rect->bottom) - rect->top - lineHeight);
  }

  std::int64_t maxWidth = 0;
  int lineCount = 0;
  for (const char* line = text; line < end;) {
    const char* lineEnd = end;
    if (!singleLine) {
      const void* newline = std::memchr(line, '\n', std::size_t(end - line));
      if (newline != nullptr) lineEnd = static_cast<const char*>(newline);
    }
    const std::int64_t width = needWidth ? LineWidth(atlas, line, lineEnd, singleLine) : 0;
    maxWidth = std::max(maxWidth, width);
    if (!calcRect) {
      std::int64_t x = rect->left;
      if ((format & DT_CENTER) != 0) {
        x += HalfRoundedDown(std::int64_t(rect->right) - rect->left - width);
      } else if ((format & DT_RIGHT) != 0) {
        x = std::int64_t(rect->right) - width;
      }
      const std::int64_t baseline = top + lineCount * lineHeight + atlas.GetAscent();
      EmitLine(atlas, line, lineEnd, singleLine, x, baseline, clip, quads);
    }
    ++lineCount;
    if (lineEnd == end) break;
    line = lineEnd + 1;  // a '\n' that ends the text starts no further line
  }

  const std::int64_t height = lineCount * lineHeight;
  if (calcRect) {
    rect->right = ClampToLong(rect->left + maxWidth);
    rect->bottom = ClampToLong(rect->top + height);
  }

  if (!quads->empty()) {
    const float texelU = 1.0f / float(atlas.GetAtlasWidth());
    const float texelV = 1.0f / float(atlas.GetAtlasHeight());
    for (TextQuad& quad : *quads) {
      quad.u0 *= texelU;
      quad.u1 *= texelU;
      quad.v0 *= texelV;
      quad.v1 *= texelV;
    }
  }
  return int(std::min<std::int64_t>(height, std::numeric_limits<int>::max()));
}

}  // namespace d3dx
