#include "platform/d3dx9/GlyphAtlas.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <cmath>

#include "platform/d3dx9/ErrorResult.h"
#include "platform/d3dx9/FontResolver.h"

namespace d3dx {
namespace {

constexpr int kBoldWeight = 600;
constexpr int kBaseAtlasWidth = 512;

// Ascent and descent of the character cell in font units: the face's line
// spacing as FreeType reports it (ascender - descender + line gap), with the
// gap above the ascender where GDI keeps its internal leading. For fonts made
// for Windows this is close to the Windows metrics GDI uses. The Windows
// metrics themselves are not used: substitutes such as the URW fonts set
// them to the bounding box of all glyphs, which would shrink text by a fifth.
void DesignCell(FT_Face face, double* ascent, double* descent) {
  if (face->ascender > 0 && face->ascender - face->descender > 0) {
    const int lineGap = face->height - (face->ascender - face->descender);
    *ascent = face->ascender + std::max(lineGap, 0);
    *descent = -face->descender;
  } else {
    *ascent = 0.8 * face->units_per_EM;
    *descent = 0.2 * face->units_per_EM;
  }
}

// Wide enough for a few rows of 8 large glyphs side by side.
int AtlasWidthFor(int lineHeight) {
  int width = kBaseAtlasWidth;
  while (width < lineHeight * 8) width *= 2;
  return width;
}

}  // namespace

GlyphAtlas::~GlyphAtlas() { Release(); }

void GlyphAtlas::Release() {
  if (face_ != nullptr) FT_Done_Face(face_);
  if (library_ != nullptr) FT_Done_FreeType(library_);
  face_ = nullptr;
  library_ = nullptr;
  fontFile_.clear();
  fixedPitch_ = false;
  embolden_ = false;
  lineHeight_ = 0;
  ascent_ = 0;
  atlas_ = CoverageAtlas{};
  glyphs_.clear();
  ascii_.fill(nullptr);
  others_.clear();
  replacement_ = nullptr;
}

bool GlyphAtlas::Create(const char* faceName, int cellHeight, int weight, bool fixedPitch, std::string* error) {
  Release();
  if (cellHeight == 0 || cellHeight > kMaxLineHeight || cellHeight < -kMaxLineHeight) {
    return Fail(error, "font height " + std::to_string(cellHeight) + " is out of range");
  }
  if (FT_Init_FreeType(&library_) != 0) {
    library_ = nullptr;
    return Fail(error, "could not start FreeType");
  }
  if (!LoadFace(faceName, weight, fixedPitch, error) || !SetPixelSize(cellHeight, error)) {
    Release();
    return false;
  }
  embolden_ = weight >= kBoldWeight && (face_->style_flags & FT_STYLE_FLAG_BOLD) == 0;
  atlas_.Reset(AtlasWidthFor(lineHeight_), kInitialAtlasHeight, kMaxAtlasHeight);

  replacement_ = Rasterise('?');
  ascii_['?'] = replacement_;
  for (std::uint32_t c = 32; c < 127; ++c) GetGlyph(c);
  return true;
}

bool GlyphAtlas::LoadFace(const char* faceName, int weight, bool fixedPitch, std::string* error) {
  const std::vector<FontFileCandidate> candidates = FindFontFiles(faceName, weight, fixedPitch);
  for (const FontFileCandidate& candidate : candidates) {
    FT_Face face = nullptr;
    if (FT_New_Face(library_, candidate.path.c_str(), candidate.faceIndex, &face) != 0) continue;
    if (FT_IS_SCALABLE(face) && FT_Get_Char_Index(face, 'A') != 0) {
      face_ = face;
      fontFile_ = candidate.path;
      fixedPitch_ = FT_IS_FIXED_WIDTH(face);
      return true;
    }
    FT_Done_Face(face);
  }
  return Fail(error, std::string("no font file could be loaded for \"") + (faceName ? faceName : "") + "\" (tried " +
                         std::to_string(candidates.size()) + " files)");
}

bool GlyphAtlas::SetPixelSize(int cellHeight, std::string* error) {
  double designAscent = 0, designDescent = 0;
  DesignCell(face_, &designAscent, &designDescent);
  const double unitsPerEm = face_->units_per_EM;
  const double designCell = designAscent + designDescent;

  double emPixels = 0;
  if (cellHeight > 0) {
    lineHeight_ = cellHeight;
    emPixels = cellHeight * unitsPerEm / designCell;
  } else {
    emPixels = -cellHeight;
    lineHeight_ = std::max(1, int(std::lround(emPixels * designCell / unitsPerEm)));
    if (lineHeight_ > kMaxLineHeight) {
      return Fail(error, "font height " + std::to_string(cellHeight) + " is out of range");
    }
  }
  ascent_ = std::clamp(int(std::lround(designAscent * emPixels / unitsPerEm)), 0, lineHeight_);

  // At 72 dpi a point is a pixel, so the char size is the em in pixels.
  const FT_F26Dot6 emSize = std::max<FT_F26Dot6>(1, std::lround(emPixels * 64));
  if (FT_Set_Char_Size(face_, 0, emSize, 72, 72) != 0) {
    return Fail(error, "font " + fontFile_ + " cannot be scaled to " + std::to_string(cellHeight) + " pixels");
  }
  return true;
}

const GlyphAtlas::Glyph* GlyphAtlas::GetGlyph(std::uint32_t codePoint) {
  if (face_ == nullptr) return nullptr;
  if (codePoint < ascii_.size()) {
    if (ascii_[codePoint] == nullptr) {
      const Glyph* glyph = Rasterise(codePoint);
      ascii_[codePoint] = glyph != nullptr ? glyph : replacement_;
    }
    return ascii_[codePoint];
  }
  const auto found = others_.find(codePoint);
  if (found != others_.end()) return found->second;
  // Without room to remember a new glyph, it could be rasterised again and
  // again; it is shown as '?' instead.
  if (others_.size() >= kMaxCachedCodePoints) return replacement_;
  const Glyph* glyph = Rasterise(codePoint);
  if (glyph == nullptr) glyph = replacement_;
  others_.emplace(codePoint, glyph);
  return glyph;
}

const GlyphAtlas::Glyph* GlyphAtlas::Rasterise(std::uint32_t codePoint) {
  const FT_UInt index = FT_Get_Char_Index(face_, codePoint);
  if (index == 0) return nullptr;
  if (FT_Load_Glyph(face_, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0) return nullptr;
  FT_GlyphSlot slot = face_->glyph;
  if (embolden_) FT_GlyphSlot_Embolden(slot);
  if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return nullptr;

  const FT_Bitmap& bitmap = slot->bitmap;
  Glyph glyph{};
  glyph.width = int(bitmap.width);
  glyph.height = int(bitmap.rows);
  glyph.bearingX = slot->bitmap_left;
  glyph.bearingY = slot->bitmap_top;
  glyph.advance = int((slot->advance.x + 32) >> 6);
  if (glyph.width > 0 && glyph.height > 0) {
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY || bitmap.buffer == nullptr) return nullptr;
    if (!atlas_.Allocate(glyph.width, glyph.height, &glyph.atlasX, &glyph.atlasY)) return nullptr;
    // With a negative pitch the rows are stored bottom-up.
    const std::uint8_t* topRow = bitmap.buffer;
    if (bitmap.pitch < 0) topRow -= std::ptrdiff_t(bitmap.pitch) * (glyph.height - 1);
    atlas_.Write(glyph.atlasX, glyph.atlasY, glyph.width, glyph.height, topRow, bitmap.pitch);
  } else {
    glyph.width = 0;
    glyph.height = 0;
  }
  glyphs_.push_back(glyph);
  return &glyphs_.back();
}

}  // namespace d3dx
