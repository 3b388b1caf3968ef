#include <gtest/gtest.h>

#include <cmath>

#include "platform/d3dx9/TextLayout.h"

namespace {

using d3dx::GlyphAtlas;
using d3dx::LayoutText;
using d3dx::TextQuad;

class TextLayout : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    font_ = new GlyphAtlas;
    ASSERT_TRUE(font_->Create("Arial", 16, 400, false, nullptr));
  }
  static void TearDownTestSuite() { delete font_; }

  int Layout(const char* text, RECT rect, DWORD format) { return LayoutText(*font_, text, -1, &rect, format, &quads_); }

  static int Advances(const char* text) {
    int sum = 0;
    for (; *text != '\0'; ++text) sum += font_->GetGlyph(std::uint8_t(*text))->advance;
    return sum;
  }
  // The pen position at which the quad of glyph c was placed.
  static float PenOf(const TextQuad& quad, char c) { return quad.left - float(font_->GetGlyph(std::uint8_t(c))->bearingX); }

  // Every quad samples exactly as many texels as it covers pixels.
  void ExpectOneTexelPerPixel() {
    for (const TextQuad& q : quads_) {
      EXPECT_NEAR(q.right - q.left, (q.u1 - q.u0) * float(font_->GetAtlasWidth()), 1e-3);
      EXPECT_NEAR(q.bottom - q.top, (q.v1 - q.v0) * float(font_->GetAtlasHeight()), 1e-3);
    }
  }

  static GlyphAtlas* font_;
  std::vector<TextQuad> quads_;
};

GlyphAtlas* TextLayout::font_ = nullptr;

TEST_F(TextLayout, LeftAlignedQuadsAreWholePixelsOnTheBaseline) {
  EXPECT_EQ(16, Layout("Hello", RECT{10, 20, 800, 600}, DT_LEFT | DT_TOP));
  ASSERT_EQ(5u, quads_.size());
  const GlyphAtlas::Glyph* h = font_->GetGlyph('H');
  EXPECT_FLOAT_EQ(10.0f, PenOf(quads_[0], 'H'));
  EXPECT_FLOAT_EQ(10.0f + float(h->advance), PenOf(quads_[1], 'e'));
  EXPECT_FLOAT_EQ(float(20 + font_->GetAscent() - h->bearingY), quads_[0].top);
  EXPECT_FLOAT_EQ(float(h->atlasX) / float(font_->GetAtlasWidth()), quads_[0].u0);
  for (const TextQuad& q : quads_) {
    for (float coordinate : {q.left, q.top, q.right, q.bottom}) EXPECT_EQ(std::floor(coordinate), coordinate);
  }
  ExpectOneTexelPerPixel();
}

TEST_F(TextLayout, AlignsEachLineHorizontally) {
  const RECT rect{100, 0, 400, 50};
  Layout("Score 42", rect, DT_RIGHT);
  ASSERT_EQ(7u, quads_.size());  // the space has no quad
  EXPECT_FLOAT_EQ(400.0f, PenOf(quads_.back(), '2') + float(font_->GetGlyph('2')->advance));

  Layout("Score 42", rect, DT_CENTER);
  const float start = PenOf(quads_[0], 'S');
  EXPECT_NEAR(start - 100.0f, 400.0f - (start + float(Advances("Score 42"))), 1.0f);

  Layout("ab\nabcd", rect, DT_RIGHT);
  ASSERT_EQ(6u, quads_.size());
  EXPECT_FLOAT_EQ(400.0f - float(Advances("ab")), PenOf(quads_[0], 'a'));
  EXPECT_FLOAT_EQ(400.0f - float(Advances("abcd")), PenOf(quads_[2], 'a'));
}

TEST_F(TextLayout, LinesAndVerticalPlacement) {
  const RECT rect{0, 100, 640, 200};
  EXPECT_EQ(48, Layout("A\nA\r\nA\n", rect, DT_LEFT));  // '\r' skipped; a final '\n' adds no line
  ASSERT_EQ(3u, quads_.size());
  EXPECT_FLOAT_EQ(16.0f, quads_[1].top - quads_[0].top);
  EXPECT_FLOAT_EQ(16.0f, quads_[2].top - quads_[1].top);
  const float top = quads_[0].top;

  EXPECT_EQ(16, Layout("A\nA", rect, DT_SINGLELINE));  // '\n' becomes a space
  ASSERT_EQ(2u, quads_.size());
  EXPECT_FLOAT_EQ(top, quads_[1].top);
  EXPECT_FLOAT_EQ(float(Advances("A ")), quads_[1].left - quads_[0].left);

  Layout("A", rect, DT_SINGLELINE | DT_BOTTOM);
  EXPECT_FLOAT_EQ(top + 100.0f - 16.0f, quads_.at(0).top);
  Layout("A", rect, DT_SINGLELINE | DT_VCENTER);
  EXPECT_FLOAT_EQ(top + 42.0f, quads_.at(0).top);
  Layout("A", rect, DT_VCENTER);  // ignored without DT_SINGLELINE
  EXPECT_FLOAT_EQ(top, quads_.at(0).top);
}

TEST_F(TextLayout, CalcRectMeasuresWithoutEmittingQuads) {
  RECT rect{5, 7, 1000, 1000};
  quads_.resize(3);
  EXPECT_EQ(32, LayoutText(*font_, "Hello world\nHi", -1, &rect, DT_CALCRECT, &quads_));
  EXPECT_TRUE(quads_.empty());
  EXPECT_EQ(5 + Advances("Hello world"), rect.right);
  EXPECT_EQ(7 + 32, rect.bottom);
  EXPECT_EQ(0, LayoutText(*font_, "", -1, &rect, DT_CALCRECT, &quads_));
  EXPECT_EQ(5, rect.right);
  EXPECT_EQ(7, rect.bottom);
  EXPECT_EQ(0, LayoutText(*font_, nullptr, -1, &rect, 0, &quads_));
  EXPECT_EQ(0, LayoutText(*font_, "x", -1, nullptr, 0, &quads_));
}

TEST_F(TextLayout, ClipsToTheRectUnlessNoClip) {
  Layout("WWWWWW gjq", RECT{10, 10, 40, 20}, DT_LEFT);  // the rect is narrower and lower than the text
  ASSERT_FALSE(quads_.empty());
  for (const TextQuad& q : quads_) {
    EXPECT_TRUE(q.left >= 10 && q.top >= 10 && q.right <= 40 && q.bottom <= 20);
    EXPECT_TRUE(q.left < q.right && q.top < q.bottom);
  }
  EXPECT_FLOAT_EQ(40.0f, quads_.back().right);
  ExpectOneTexelPerPixel();

  Layout("WWWWWW gjq", RECT{10, 10, 40, 20}, DT_LEFT | DT_NOCLIP);
  EXPECT_EQ(9u, quads_.size());
  EXPECT_GT(quads_.back().right, 40.0f);
  Layout("abc", RECT{50, 50, 50, 50}, DT_RIGHT);
  EXPECT_TRUE(quads_.empty());
}

TEST_F(TextLayout, InvalidUtf8AndMissingCharactersShowAsQuestionMarks) {
  const RECT rect{0, 0, 2000, 100};
  const GlyphAtlas::Glyph* question = font_->GetGlyph('?');
  // Stray continuation, overlong '/', surrogate, above U+10FFFF, a sequence
  // cut by 'f', then U+10FFFD which no font here has.
  Layout("a\x80" "b\xC0\xAF" "c\xED\xA0\x80" "d\xF4\x90\x80\x80" "e\xE2\x82" "f\xF4\x8F\xBF\xBD", rect, DT_LEFT);
  int questionMarks = 0;
  for (const TextQuad& q : quads_) {
    questionMarks += q.u0 * float(font_->GetAtlasWidth()) == float(question->atlasX) &&
                     q.v0 * float(font_->GetAtlasHeight()) == float(question->atlasY);
  }
  EXPECT_EQ(6u + 13, quads_.size());  // six letters, a '?' per bad byte (1+2+3+4+2) and one more
  EXPECT_EQ(13, questionMarks);

  Layout("\xF0\x9F\x98\x80 \t\x7F", rect, DT_LEFT);  // U+1F600 or '?', a blank, skipped controls
  EXPECT_EQ(1u, quads_.size());

  // `length` cuts the text, also inside a character; a terminator ends it.
  RECT measured = rect;
  EXPECT_EQ(16, LayoutText(*font_, "Hello", 3, &measured, DT_LEFT, &quads_));
  EXPECT_EQ(3u, quads_.size());
  LayoutText(*font_, "\xC3\xA9\xC3\xA9", 3, &measured, DT_LEFT, &quads_);
  EXPECT_EQ(2u, quads_.size());
  LayoutText(*font_, "ab\0cd", 5, &measured, DT_LEFT, &quads_);
  EXPECT_EQ(2u, quads_.size());
}

TEST_F(TextLayout, RepeatedLayoutReusesTheQuadStorage) {
  const RECT rect{0, 0, 640, 480};
  const char* text = "FPS 60.0\nObjects 128\nDraw calls 512";
  Layout(text, rect, DT_LEFT);
  const std::size_t capacity = quads_.capacity();
  const TextQuad* storage = quads_.data();
  for (int i = 0; i < 100; ++i) {
    Layout(text, rect, i % 2 ? DT_RIGHT : DT_CENTER);
    Layout("short", rect, DT_LEFT);
  }
  EXPECT_EQ(capacity, quads_.capacity());
  EXPECT_EQ(storage, quads_.data());
}

}  // namespace
