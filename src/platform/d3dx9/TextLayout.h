#pragma once
// Text layout for font drawing: UTF-8 text in a rectangle becomes textured
// quads over the glyph atlas, with the DrawText format flags below.

#include <vector>

#include "platform/d3dx9/GlyphAtlas.h"
#include "platform/win32/WinTypes.h"

// DrawText format flags (the Windows values).
constexpr DWORD DT_TOP = 0x0;
constexpr DWORD DT_LEFT = 0x0;
constexpr DWORD DT_CENTER = 0x1;
constexpr DWORD DT_RIGHT = 0x2;
constexpr DWORD DT_VCENTER = 0x4;
constexpr DWORD DT_BOTTOM = 0x8;
constexpr DWORD DT_SINGLELINE = 0x20;
constexpr DWORD DT_NOCLIP = 0x100;
constexpr DWORD DT_CALCRECT = 0x400;

namespace d3dx {

// One glyph: screen pixels (whole numbers, right and bottom exclusive) and
// the matching atlas texture coordinates in [0, 1].
struct TextQuad {
  float left, top, right, bottom;
  float u0, v0, u1, v1;
};

// Lays out `length` bytes of UTF-8 (-1: up to the terminator; a terminator
// within `length` also ends the text) in *rect and returns the text height
// in pixels (lines * line height; 0 for empty text).
//
// - '\n' starts a new line; a final '\n' adds no empty line. With
//   DT_SINGLELINE it is drawn as a space. Other control characters ('\r',
//   '\t', ...) are skipped; invalid UTF-8 is drawn as '?'.
// - Each line starts at rect->left, is centred (DT_CENTER, rounding left) or
//   ends exactly at rect->right (DT_RIGHT); line width is the sum of glyph
//   advances, without kerning.
// - Lines run down from rect->top; DT_VCENTER and DT_BOTTOM apply only with
//   DT_SINGLELINE.
// - Without DT_NOCLIP, quads are cut to the rectangle (texture coordinates
//   cut with them) and fully hidden glyphs are dropped.
// - DT_CALCRECT emits no quads and sets rect->right and rect->bottom to the
//   extent of the text from rect->left and rect->top.
//
// *quads is cleared and refilled, so a reused vector stops allocating once it
// has grown. Glyphs new to the atlas are rasterised on the way.
int LayoutText(GlyphAtlas& atlas, const char* text, int length, RECT* rect, DWORD format,
               std::vector<TextQuad>* quads);

}  // namespace d3dx
