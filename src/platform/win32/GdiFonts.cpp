#include "platform/win32/GdiFonts.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/WinGdi.h"
#include "platform/win32/WinUser.h"
#include "platform/win32/WindowRegistry.h"

struct HFONT__ {
  d3dx::GlyphAtlas atlas;
};

namespace {

constexpr int kDefaultHeight = 16;

std::vector<std::unique_ptr<HFONT__>> g_fonts;

int LineHeightOf(HFONT font) {
  const d3dx::GlyphAtlas* atlas = platform::GlyphAtlasOf(font);
  return atlas != nullptr ? atlas->GetLineHeight() : 0;
}

}  // namespace

namespace platform {

d3dx::GlyphAtlas* GlyphAtlasOf(HFONT font) {
  if (font == nullptr) return nullptr;
  const auto found = std::find_if(g_fonts.begin(), g_fonts.end(), [font](const auto& f) { return f.get() == font; });
  return found != g_fonts.end() ? &(*found)->atlas : nullptr;
}

}  // namespace platform

HFONT CreateFontA(int height, int, int, int, int weight, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD,
                  DWORD pitchAndFamily, LPCSTR faceName) {
  auto font = std::make_unique<HFONT__>();
  std::string error;
  const int cellHeight = height != 0 ? height : kDefaultHeight;
  if (!font->atlas.Create(faceName != nullptr ? faceName : "", cellHeight, weight > 0 ? weight : static_cast<int>(FW_NORMAL),
                          (pitchAndFamily & 3) == FIXED_PITCH, &error)) {
    return nullptr;
  }
  // Controls are drawn with fonts, so the painter joins with the first one.
  platform::SetControlPainter(platform::PaintStandardControls);
  platform::SetRowHeightQuery(LineHeightOf);
  g_fonts.push_back(std::move(font));
  return g_fonts.back().get();
}

BOOL DeleteObject(HGDIOBJ object) {
  if (object == nullptr) return FALSE;
  const auto found = std::find_if(g_fonts.begin(), g_fonts.end(), [object](const auto& f) { return f.get() == object; });
  if (found != g_fonts.end()) {
    g_fonts.erase(found);
    return TRUE;
  }
  for (int stock = WHITE_BRUSH; stock <= GRAY_BRUSH; ++stock) {
    if (GetStockObject(stock) == object) return TRUE;
  }
  return FALSE;
}
