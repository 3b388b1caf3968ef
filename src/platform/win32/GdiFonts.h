#pragma once
// The fonts made by CreateFontA (GDI-library internal).

#include "platform/d3dx9/GlyphAtlas.h"
#include "platform/win32/WinTypes.h"

namespace platform {

// The glyph atlas of a live font, or null (unknown or deleted handle).
d3dx::GlyphAtlas* GlyphAtlasOf(HFONT font);

// Draws the standard child controls of a top-level window into its SDL
// window surface.
void PaintStandardControls(HWND topLevel);

}  // namespace platform
