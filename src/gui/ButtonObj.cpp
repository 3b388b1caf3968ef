// ButtonObj: hit test, the press-and-release rule, and the panel with its
// caption.

#include "gui/ButtonObj.h"

#include <algorithm>

#include "frame/FwDX9.h"

namespace {

// Pressed buttons are offset by this many pixels right and down.
constexpr float kPressedOffset = 2.0f;

// Scales the colour's bytes, each clamped to 0..255.
D3DCOLOR ScaleColour(D3DCOLOR colour, float rgbScale, float alphaScale) {
  auto scaled = [](D3DCOLOR byte, float scale) {
    return static_cast<D3DCOLOR>(std::min(static_cast<float>(byte) * scale, 255.0f));
  };
  return (scaled(colour >> 24, alphaScale) << 24) | (scaled((colour >> 16) & 0xFFu, rgbScale) << 16) |
         (scaled((colour >> 8) & 0xFFu, rgbScale) << 8) | scaled(colour & 0xFFu, rgbScale);
}

}  // namespace

ButtonObj::ButtonObj() { caption.shadowColour = GuiColour(0.0f, 0.0f, 0.0f, 0.8f); }

void ButtonObj::HitTest(const GuiMouse& mouse) {
  hover = position.x <= mouse.x && mouse.x <= position.x + size.x && position.y <= mouse.y &&
          mouse.y <= position.y + size.y;
  if (hover && mouse.leftWentDown) pressed = true;
}

bool ButtonObj::TakeClick(const GuiMouse& mouse) {
  if (!pressed) return false;
  if (!hover) {
    pressed = false;  // the mouse left: cancelled
    return false;
  }
  if (mouse.leftDown) return false;
  pressed = false;
  return true;
}

D3DCOLOR ButtonObj::GetDrawColour() const {
  if (pressed) return ScaleColour(colour, 1.4f, 1.5f);
  if (hover) return ScaleColour(colour, 1.1f, 1.5f);
  return colour;
}

void ButtonObj::Draw(FwDX9& frame) {
  const D3DXVECTOR2 offset = pressed ? D3DXVECTOR2(kPressedOffset, kPressedOffset) : D3DXVECTOR2(0.0f, 0.0f);
  const D3DXVECTOR2 topLeft = position + offset;
  frame.DrawPanel2D(topLeft, topLeft + size, D3DXCOLOR(GetDrawColour()));
  caption.SetRect(topLeft, size);
  caption.Draw(frame);
}
