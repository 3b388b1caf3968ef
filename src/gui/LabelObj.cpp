// LabelObj: centred horizontally in the widget and vertically around its
// middle; the rectangle runs down to the screen's bottom edge.

#include "gui/LabelObj.h"

#include "frame/FwDX9.h"

void LabelObj::Draw(FwDX9& frame) {
  ID3DXFont* font = frame.GetFont();
  if (text == nullptr || font == nullptr) return;
  const float lineHeight = static_cast<float>(frame.GetFontHeight());
  const float middle = position.y + size.y * 0.5f;
  RECT shadow{static_cast<LONG>(position.x + 1.0f), static_cast<LONG>(middle - lineHeight * 0.5f + 1.0f),
              static_cast<LONG>(position.x + size.x + 1.0f), static_cast<LONG>(frame.GetHeight())};
  font->DrawTextA(nullptr, text, -1, &shadow, DT_CENTER | DT_NOCLIP, shadowColour);
  RECT front{shadow.left - 1, shadow.top - 1, shadow.right - 1, shadow.bottom - 1};
  font->DrawTextA(nullptr, text, -1, &front, DT_CENTER | DT_NOCLIP, textColour);
}
