// Draws the standard child controls (push buttons, list boxes) of a
// top-level window in software into its SDL window surface: the parent's
// light-gray background, then each control with its font's text.

#include <SDL.h>
#include <strings.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/d3dx9/TextLayout.h"
#include "platform/win32/GdiFonts.h"
#include "platform/win32/SdlBridge.h"
#include "platform/win32/WinUser.h"
#include "platform/win32/WindowRegistry.h"

namespace {

using Colour = std::uint32_t;  // 0xRRGGBB

constexpr Colour kBackground = 0xC0C0C0;  // LTGRAY_BRUSH
constexpr Colour kButtonFace = 0xE1E1E1;
constexpr Colour kButtonPressed = 0xCCE4F7;
constexpr Colour kFrame = 0x707070;
constexpr Colour kFocusFrame = 0x0078D7;
constexpr Colour kListFace = 0xFFFFFF;
constexpr Colour kSelection = 0x0078D7;
constexpr Colour kText = 0x000000;
constexpr Colour kSelectedText = 0xFFFFFF;
constexpr Colour kScrollTrack = 0xF0F0F0;
constexpr Colour kScrollThumb = 0xA0A0A0;
constexpr int kScrollBarWidth = 12;
constexpr int kTextIndent = 3;

// An XRGB8888 image the size of the client area; copied to the window
// surface in one blit, whatever the surface's own pixel format.
class Canvas {
 public:
  Canvas(int width, int height) : width_(width), height_(height), pixels_(static_cast<std::size_t>(width * height)) {}

  int Width() const { return width_; }
  int Height() const { return height_; }
  std::uint32_t* Pixels() { return pixels_.data(); }

  void Fill(RECT r, Colour colour) {
    Clip(&r);
    for (int y = r.top; y < r.bottom; ++y) {
      std::fill_n(&pixels_[static_cast<std::size_t>(y * width_ + r.left)], r.right - r.left, colour);
    }
  }

  void Frame(const RECT& r, Colour colour) {
    Fill(RECT{r.left, r.top, r.right, r.top + 1}, colour);
    Fill(RECT{r.left, r.bottom - 1, r.right, r.bottom}, colour);
    Fill(RECT{r.left, r.top, r.left + 1, r.bottom}, colour);
    Fill(RECT{r.right - 1, r.top, r.right, r.bottom}, colour);
  }

  // Text laid out in `box` (client coordinates) and cut to it.
  void Text(HFONT font, const std::string& text, RECT box, DWORD format, Colour colour) {
    d3dx::GlyphAtlas* atlas = platform::GlyphAtlasOf(font);
    if (atlas == nullptr || text.empty()) return;
    quads_.clear();
    d3dx::LayoutText(*atlas, text.c_str(), -1, &box, format | DT_SINGLELINE, &quads_);
    const int atlasWidth = atlas->GetAtlasWidth();
    const int atlasHeight = atlas->GetAtlasHeight();
    const std::uint8_t* coverage = atlas->GetAtlasPixels();
    for (const d3dx::TextQuad& q : quads_) {
      const int left = static_cast<int>(q.left);
      const int top = static_cast<int>(q.top);
      const int sourceX = static_cast<int>(std::lround(q.u0 * static_cast<float>(atlasWidth)));
      const int sourceY = static_cast<int>(std::lround(q.v0 * static_cast<float>(atlasHeight)));
      const int width = static_cast<int>(q.right) - left;
      const int height = static_cast<int>(q.bottom) - top;
      for (int y = 0; y < height; ++y) {
        const int py = top + y;
        const int sy = sourceY + y;
        if (py < 0 || py >= height_ || sy < 0 || sy >= atlasHeight) continue;
        for (int x = 0; x < width; ++x) {
          const int px = left + x;
          const int sx = sourceX + x;
          if (px < 0 || px >= width_ || sx < 0 || sx >= atlasWidth) continue;
          const unsigned alpha = coverage[static_cast<std::size_t>(sy * atlasWidth + sx)];
          if (alpha == 0) continue;
          std::uint32_t& pixel = pixels_[static_cast<std::size_t>(py * width_ + px)];
          pixel = Blend(pixel, colour, alpha);
        }
      }
    }
  }

 private:
  void Clip(RECT* r) const {
    r->left = std::clamp<LONG>(r->left, 0, width_);
    r->top = std::clamp<LONG>(r->top, 0, height_);
    r->right = std::min<LONG>(r->right, width_);
    r->bottom = std::min<LONG>(r->bottom, height_);
    if (r->right < r->left) r->right = r->left;
    if (r->bottom < r->top) r->bottom = r->top;
  }

  static std::uint32_t Blend(std::uint32_t under, Colour over, unsigned alpha) {
    std::uint32_t result = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
      const unsigned a = (under >> shift) & 0xFF;
      const unsigned b = (over >> shift) & 0xFF;
      result |= ((a * (255 - alpha) + b * alpha + 127) / 255) << shift;
    }
    return result;
  }

  int width_;
  int height_;
  std::vector<std::uint32_t> pixels_;
  std::vector<d3dx::TextQuad> quads_;
};

bool IsClass(HWND window, const char* name) { return strcasecmp(window->className.c_str(), name) == 0; }

void PaintButton(Canvas& canvas, HWND button, bool focused) {
  const RECT& r = button->rect;
  canvas.Fill(r, button->pressed ? kButtonPressed : kButtonFace);
  canvas.Frame(r, focused ? kFocusFrame : kFrame);
  canvas.Text(button->font, button->title, r, DT_CENTER | DT_VCENTER, kText);
}

void PaintListBox(Canvas& canvas, HWND list, bool focused) {
  const RECT& r = list->rect;
  canvas.Fill(r, kListFace);
  if ((list->style & WS_BORDER) != 0) canvas.Frame(r, focused ? kFocusFrame : kFrame);
  const int rowHeight = platform::ListRowHeight(list);
  const int visibleRows = platform::VisibleListRows(list);
  const int rowCount = static_cast<int>(list->items.size());
  // Like Windows, the scroll bar shows only when the rows do not all fit.
  const bool scrolls = (list->style & WS_VSCROLL) != 0 && rowCount > visibleRows;
  const RECT inner{r.left + 1, r.top + 1, r.right - 1 - (scrolls ? kScrollBarWidth : 0), r.bottom - 1};
  for (int i = 0; i <= visibleRows && list->topRow + i < rowCount; ++i) {
    const int row = list->topRow + i;
    RECT rowRect{inner.left, inner.top + i * rowHeight, inner.right, inner.top + (i + 1) * rowHeight};
    rowRect.bottom = std::min(rowRect.bottom, inner.bottom);
    if (rowRect.top >= rowRect.bottom) break;
    const bool selected = row == list->selection;
    if (selected) canvas.Fill(rowRect, kSelection);
    RECT textRect{rowRect.left + kTextIndent, rowRect.top, rowRect.right, rowRect.bottom};
    canvas.Text(list->font, list->items[static_cast<std::size_t>(row)], textRect, DT_LEFT | DT_VCENTER,
                selected ? kSelectedText : kText);
  }
  if (scrolls) {
    const RECT track{inner.right, inner.top, r.right - 1, inner.bottom};
    canvas.Fill(track, kScrollTrack);
    const int trackHeight = track.bottom - track.top;
    const int thumbHeight = std::max(8, trackHeight * visibleRows / rowCount);
    const int maxTop = std::max(1, rowCount - visibleRows);
    const int thumbTop = track.top + (trackHeight - thumbHeight) * std::min(list->topRow, maxTop) / maxTop;
    canvas.Fill(RECT{track.left + 2, thumbTop, track.right - 2, thumbTop + thumbHeight}, kScrollThumb);
  }
}

}  // namespace

namespace platform {

void PaintStandardControls(HWND topLevel) {
  SDL_Window* sdl = SdlWindowOf(topLevel);
  if (sdl == nullptr) return;
  SDL_Surface* target = SDL_GetWindowSurface(sdl);
  if (target == nullptr) return;
  Canvas canvas(target->w, target->h);
  canvas.Fill(RECT{0, 0, canvas.Width(), canvas.Height()}, kBackground);
  for (HWND child : ChildrenOf(topLevel)) {
    if ((child->style & WS_VISIBLE) == 0) continue;
    const bool focused = topLevel->focusChild == child;
    if (IsClass(child, "BUTTON")) PaintButton(canvas, child, focused);
    if (IsClass(child, "LISTBOX")) PaintListBox(canvas, child, focused);
  }
  SDL_Surface* image = SDL_CreateRGBSurfaceWithFormatFrom(canvas.Pixels(), canvas.Width(), canvas.Height(), 32,
                                                          canvas.Width() * 4, SDL_PIXELFORMAT_RGB888);
  if (image == nullptr) return;
  SDL_BlitSurface(image, nullptr, target, nullptr);
  SDL_FreeSurface(image);
  SDL_UpdateWindowSurface(sdl);
}

}  // namespace platform
