#include "frame/ProfilerDraw.h"

namespace {
constexpr D3DCOLOR kShadowColour = 0xFF000000u;
}  // namespace

void DrawProfilerView(FwDX9& frame, const ProfilerView& view) {
  if (ID3DXFont* font = frame.GetFont()) {
    for (int i = 0; i < view.lineCount; ++i) {
      const ProfilerView::Line& line = view.lines[i];
      // A black copy one pixel right and down keeps the text readable on
      // any background.
      RECT shadow{line.x + 1, line.y + 1, frame.GetWidth(), frame.GetHeight()};
      font->DrawTextA(nullptr, line.text, -1, &shadow, DT_NOCLIP, kShadowColour);
      RECT text{line.x, line.y, frame.GetWidth(), frame.GetHeight()};
      font->DrawTextA(nullptr, line.text, -1, &text, DT_NOCLIP, line.colour);
    }
  }
  for (int i = 0; i < view.panelCount; ++i) {
    const ProfilerView::Panel& panel = view.panels[i];
    frame.DrawPanel2D(D3DXVECTOR2(panel.left, panel.top), D3DXVECTOR2(panel.right, panel.bottom), panel.colour);
  }
}
