#pragma once
// The root of the in-game widgets: a rectangle in screen pixels (from the
// top left) that draws itself with the device layer's panel and font, and
// the mouse state the widgets read once per frame.

#include "platform/d3d9/D3d9.h"
#include "platform/d3dx9/D3dxMath.h"

class FwDX9;

// The mouse as the widgets see it in one frame: the client position and the
// left button, held now and gone down in this frame (held now, up in the
// previous frame).
struct GuiMouse {
  float x = 0.0f;
  float y = 0.0f;
  bool leftDown = false;
  bool leftWentDown = false;
};

class FwGuiBase {
 public:
  virtual ~FwGuiBase() = default;
  virtual D3DXVECTOR2* GetPosition() { return &position; }
  virtual D3DXVECTOR2* GetSize() { return &size; }
  virtual void Draw(FwDX9& frame) = 0;

  D3DXVECTOR2 position{0.0f, 0.0f};
  D3DXVECTOR2 size{0.0f, 0.0f};
};

class FwGuiEditableBase : public FwGuiBase {
 public:
  virtual void SetRect(const D3DXVECTOR2& newPosition, const D3DXVECTOR2& newSize) {
    position = newPosition;
    size = newSize;
  }
};

// Four components in 0..1 packed into one ARGB word, alpha in the top byte.
constexpr D3DCOLOR GuiColour(float r, float g, float b, float a) { return D3DCOLOR_COLORVALUE(r, g, b, a); }
