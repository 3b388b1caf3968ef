#pragma once
// A font face rasterised with FreeType into a coverage atlas, glyph by glyph
// on first use. Printable ASCII is rasterised when the font is created, so
// ordinary text never reaches FreeType while drawing.
//
// Metrics follow GDI: a positive height is the cell height (the face's
// line spacing, see DesignCell); a negative one is the em height. The line height, the
// distance between baselines, is the cell height.

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>

#include "platform/d3dx9/CoverageAtlas.h"
#include "platform/win32/WinTypes.h"

struct FT_LibraryRec_;
struct FT_FaceRec_;

namespace d3dx {

class GlyphAtlas {
 public:
  struct Glyph {
    int atlasX, atlasY, width, height;  // texels; 0 x 0 for blank glyphs such as space
    int bearingX, bearingY;             // bitmap left and top, relative to pen and baseline (y up)
    int advance;                        // whole pixels
  };

  // Cell heights (or em heights) beyond this are refused.
  static constexpr int kMaxLineHeight = 256;
  static constexpr int kInitialAtlasHeight = 512;
  static constexpr int kMaxAtlasHeight = 4096;

  GlyphAtlas() = default;
  ~GlyphAtlas();
  GlyphAtlas(const GlyphAtlas&) = delete;
  GlyphAtlas& operator=(const GlyphAtlas&) = delete;

  // weight: 400 normal, 700 bold; a bold face is preferred, otherwise the
  // outlines are emboldened. Fails only when no font file loads at all or
  // the height is 0 or too large.
  bool Create(const char* faceName, int cellHeight, int weight, bool fixedPitch, std::string* error);

  int GetLineHeight() const { return lineHeight_; }
  int GetAscent() const { return ascent_; }
  const std::string& GetFontFile() const { return fontFile_; }
  bool IsFixedPitch() const { return fixedPitch_; }

  // The glyph for a code point, rasterised on first use. A code point the
  // face lacks, or one that no longer fits into a full atlas, gets the '?'
  // glyph; null only when there is no '?' either. The pointer stays valid
  // until the next Create.
  const Glyph* GetGlyph(std::uint32_t codePoint);

  // Atlas width: 512 texels, wider for very large fonts; height starts at
  // 512 and doubles as needed up to kMaxAtlasHeight.
  int GetAtlasWidth() const { return atlas_.Width(); }
  int GetAtlasHeight() const { return atlas_.Height(); }
  const std::uint8_t* GetAtlasPixels() const { return atlas_.Pixels(); }
  // See CoverageAtlas::TakeDirtyRegion; after Create the whole atlas is
  // reported as resized.
  bool TakeDirtyRegion(RECT* region, bool* resized) { return atlas_.TakeDirtyRegion(region, resized); }

 private:
  // Distinct code points remembered beyond ASCII; past this, lookups of
  // missing code points simply ask FreeType again.
  static constexpr std::size_t kMaxCachedCodePoints = 65536;

  void Release();
  bool LoadFace(const char* faceName, int weight, bool fixedPitch, std::string* error);
  bool SetPixelSize(int cellHeight, std::string* error);
  const Glyph* Rasterise(std::uint32_t codePoint);

  FT_LibraryRec_* library_ = nullptr;
  FT_FaceRec_* face_ = nullptr;
  std::string fontFile_;
  bool fixedPitch_ = false;
  bool embolden_ = false;
  int lineHeight_ = 0;
  int ascent_ = 0;

  CoverageAtlas atlas_;
  std::deque<Glyph> glyphs_;  // a deque keeps handed-out pointers valid
  std::array<const Glyph*, 128> ascii_{};
  std::unordered_map<std::uint32_t, const Glyph*> others_;
  const Glyph* replacement_ = nullptr;
};

}  // namespace d3dx
