#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/d3dx9/CoverageAtlas.h"
#include "platform/d3dx9/GlyphAtlas.h"

namespace {

using d3dx::CoverageAtlas;
using d3dx::GlyphAtlas;
using Glyph = GlyphAtlas::Glyph;

TEST(CoverageAtlas, PacksBlocksApartGrowsByDoublingAndStopsAtTheLimit) {
  CoverageAtlas atlas;
  atlas.Reset(64, 16, 64);
  // Each block claims its texels plus the gap to its right and below, so
  // blocks that touch show up as overlaps.
  std::vector<int> owner(64 * 64, -1);
  std::vector<int> heights = {atlas.Height()};
  int blocks = 0, x = 0, y = 0;
  while (atlas.Allocate(10, 7, &x, &y)) {
    ASSERT_LE(x + 10, atlas.Width());
    ASSERT_LE(y + 7, atlas.Height());
    for (int ty = y; ty < std::min(y + 8, 64); ++ty) {
      for (int tx = x; tx < std::min(x + 11, 64); ++tx) {
        ASSERT_EQ(-1, owner[std::size_t(ty * 64 + tx)]) << "block " << blocks << " at " << tx << "," << ty;
        owner[std::size_t(ty * 64 + tx)] = blocks;
      }
    }
    if (atlas.Height() != heights.back()) heights.push_back(atlas.Height());
    ++blocks;
  }
  EXPECT_EQ((std::vector<int>{16, 32, 64}), heights);
  EXPECT_EQ(5 * 8, blocks);  // 5 blocks per shelf, 8 shelves
  EXPECT_FALSE(atlas.Allocate(65, 1, &x, &y));
  EXPECT_TRUE(atlas.Allocate(3, 7, &x, &y));  // a failed attempt left the open shelf usable
}

TEST(GlyphAtlas, ResolvesTheGameFacesToMonospacedAndProportionalFonts) {
  GlyphAtlas gothic, arial;
  std::string error;
  ASSERT_TRUE(gothic.Create("MS Gothic", 16, 400, true, &error)) << error;
  ASSERT_TRUE(arial.Create("Arial", 14, 400, false, &error)) << error;
  EXPECT_NE(gothic.GetFontFile(), arial.GetFontFile());
  EXPECT_EQ(gothic.GetGlyph('i')->advance, gothic.GetGlyph('W')->advance);
  EXPECT_LT(arial.GetGlyph('i')->advance, arial.GetGlyph('W')->advance);
  EXPECT_EQ(16, gothic.GetLineHeight());
  EXPECT_EQ(14, arial.GetLineHeight());

  for (GlyphAtlas* font : {&gothic, &arial}) {
    SCOPED_TRACE(font->GetFontFile());
    // Capitals sit below the cell top, descenders end near the cell bottom.
    const Glyph* capital = font->GetGlyph('M');
    const Glyph* descender = font->GetGlyph('g');
    EXPECT_LE(capital->bearingY, font->GetAscent());
    EXPECT_GE(capital->bearingY, font->GetLineHeight() / 2);
    EXPECT_GT(descender->height - descender->bearingY, 0);
    EXPECT_LE(descender->height - descender->bearingY, font->GetLineHeight() - font->GetAscent() + 1);
  }

  // A negative height is the em height, as in GDI: the cell comes out taller.
  ASSERT_TRUE(arial.Create("Arial", -20, 700, false, &error)) << error;
  EXPECT_GT(arial.GetLineHeight(), 20);
  EXPECT_LT(arial.GetLineHeight(), 30);
  EXPECT_FALSE(arial.Create("Arial", 0, 400, false, &error));
  EXPECT_THAT(error, ::testing::HasSubstr("font height 0"));
  EXPECT_EQ(nullptr, arial.GetGlyph('A'));  // a failed Create leaves no font behind
  EXPECT_FALSE(arial.Create("Arial", 100000, 400, false, &error));
}

TEST(GlyphAtlas, MissingCodePointsShowTheReplacementGlyph) {
  GlyphAtlas font;
  ASSERT_TRUE(font.Create("Arial", 14, 400, false, nullptr));
  const Glyph* question = font.GetGlyph('?');
  ASSERT_NE(nullptr, question);
  EXPECT_EQ(question, font.GetGlyph(0x10FFFD));  // private use: no font here has it
  EXPECT_EQ(question, font.GetGlyph(0xFFFFFFFFu));
  EXPECT_NE(nullptr, font.GetGlyph(0x1F600));
  EXPECT_NE(nullptr, font.GetGlyph(0));
}

TEST(GlyphAtlas, DirtyRegionCoversNewGlyphsOnly) {
  GlyphAtlas font;
  ASSERT_TRUE(font.Create("Arial", 14, 400, false, nullptr));
  RECT region;
  bool resized = false;
  ASSERT_TRUE(font.TakeDirtyRegion(&region, &resized));
  EXPECT_TRUE(resized);
  EXPECT_EQ(font.GetAtlasHeight(), region.bottom);
  font.GetGlyph('A');  // rasterised by Create
  EXPECT_FALSE(font.TakeDirtyRegion(&region, &resized));

  const Glyph* eAcute = font.GetGlyph(0xE9);
  const Glyph* omega = font.GetGlyph(0x3A9);
  ASSERT_TRUE(font.TakeDirtyRegion(&region, &resized));
  EXPECT_FALSE(resized);
  for (const Glyph* glyph : {eAcute, omega}) {
    EXPECT_GE(glyph->atlasX, region.left);
    EXPECT_GE(glyph->atlasY, region.top);
    EXPECT_LE(glyph->atlasX + glyph->width, region.right);
    EXPECT_LE(glyph->atlasY + glyph->height, region.bottom);
  }
  EXPECT_EQ(eAcute, font.GetGlyph(0xE9));
  EXPECT_FALSE(font.TakeDirtyRegion(&region, &resized));
}

TEST(GlyphAtlas, FullAtlasFallsBackToTheReplacementGlyph) {
  GlyphAtlas font;
  ASSERT_TRUE(font.Create("Arial", 200, 400, false, nullptr));
  const Glyph* question = font.GetGlyph('?');
  bool grew = false, replacedWhenFull = false;
  for (std::uint32_t codePoint = 0xA1; codePoint < 0x600; ++codePoint) {
    const Glyph* glyph = font.GetGlyph(codePoint);
    ASSERT_NE(nullptr, glyph);
    ASSERT_LE(glyph->atlasX + glyph->width, font.GetAtlasWidth());
    ASSERT_LE(glyph->atlasY + glyph->height, font.GetAtlasHeight());
    grew = grew || font.GetAtlasHeight() > GlyphAtlas::kInitialAtlasHeight;
    replacedWhenFull = replacedWhenFull || (glyph == question && font.GetAtlasHeight() == GlyphAtlas::kMaxAtlasHeight);
  }
  EXPECT_TRUE(grew);
  EXPECT_TRUE(replacedWhenFull);
  EXPECT_EQ(GlyphAtlas::kMaxAtlasHeight, font.GetAtlasHeight());
  EXPECT_NE(question, font.GetGlyph('A'));
}

}  // namespace
