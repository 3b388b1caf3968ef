// Immediate-mode drawing helpers of the debug and overlay code. They draw
// with the vertex format the caller has set and allocate nothing.

#include <algorithm>
#include <cmath>

#include "frame/FwDX9.h"
#include "frame/ImmediateVertices.h"

namespace {

// Each axis from -1 (a light tone, transparent) to +1 (full colour, opaque).
constexpr ColourVertex kAxisGizmo[6] = {
    {-1.0f, 0.0f, 0.0f, 0x00FF7F7Fu}, {1.0f, 0.0f, 0.0f, 0xFFFF0000u},  // x: red
    {0.0f, -1.0f, 0.0f, 0x007FFF7Fu}, {0.0f, 1.0f, 0.0f, 0xFF00FF00u},  // y: green
    {0.0f, 0.0f, -1.0f, 0x007F7FFFu}, {0.0f, 0.0f, 1.0f, 0xFF0000FFu},  // z: blue
};

ScreenVertex MakeScreenVertex(float x, float y, D3DCOLOR colour) {
  return ScreenVertex{x, y, 0.5f, 1.0f, colour, 0.0f, 0.0f};
}

D3DCOLOR ScaledTone(const D3DXCOLOR& c, float scale, float offset) {
  auto channel = [scale, offset](float value) { return std::clamp(value * scale + offset, 0.0f, 1.0f); };
  return D3DXCOLOR(channel(c.r), channel(c.g), channel(c.b), c.a);
}

}  // namespace

void FwDX9::DrawLine2D(D3DCOLOR colour, const D3DXVECTOR2& from, const D3DXVECTOR2& to) {
  if (device_ == nullptr) return;
  const ScreenVertex line[2] = {MakeScreenVertex(from.x, from.y, colour), MakeScreenVertex(to.x, to.y, colour)};
  device_->DrawPrimitiveUP(D3DPT_LINELIST, 1, line, sizeof(ScreenVertex));
}

void FwDX9::DrawPanel2D(const D3DXVECTOR2& topLeft, const D3DXVECTOR2& bottomRight, const D3DXCOLOR& colour) {
  if (device_ == nullptr) return;
  const D3DCOLOR light = ScaledTone(colour, 1.3f, 0.2f);
  const D3DCOLOR dark = ScaledTone(colour, 0.7f, -0.2f);
  const D3DCOLOR base = colour;
  const float left = topLeft.x;
  const float right = bottomRight.x;
  const float top = topLeft.y;
  const float bottom = bottomRight.y;
  const float middle = 0.7f * top + 0.3f * bottom;
  const ScreenVertex strip[6] = {
      MakeScreenVertex(left, top, light),   MakeScreenVertex(right, top, light),
      MakeScreenVertex(left, middle, dark), MakeScreenVertex(right, middle, dark),
      MakeScreenVertex(left, bottom, base), MakeScreenVertex(right, bottom, base),
  };
  device_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 4, strip, sizeof(ScreenVertex));
}

void FwDX9::DrawCircles3D(const D3DXVECTOR3& centre, float radius, int segments, D3DCOLOR colour) {
  if (device_ == nullptr || segments <= 0) return;
  // Segments go out in batches from a fixed buffer, so any count draws
  // without allocating.
  constexpr int kBatchSegments = 64;
  ColourVertex batch[kBatchSegments * 2];
  const float step = 2.0f * D3DX_PI / static_cast<float>(segments);

  for (int plane = 0; plane < 3; ++plane) {
    // The circle's two in-plane axes: XY, XZ, YZ.
    auto pointAt = [&](int index) {
      const float a = std::cos(step * static_cast<float>(index)) * radius;
      const float b = std::sin(step * static_cast<float>(index)) * radius;
      D3DXVECTOR3 p = centre;
      if (plane == 0) {
        p.x += a;
        p.y += b;
      } else if (plane == 1) {
        p.x += a;
        p.z += b;
      } else {
        p.y += a;
        p.z += b;
      }
      return ColourVertex{p.x, p.y, p.z, colour};
    };
    int pending = 0;
    for (int i = 0; i < segments; ++i) {
      batch[pending * 2] = pointAt(i);
      batch[pending * 2 + 1] = pointAt(i + 1);
      if (++pending == kBatchSegments || i + 1 == segments) {
        device_->DrawPrimitiveUP(D3DPT_LINELIST, static_cast<UINT>(pending), batch, sizeof(ColourVertex));
        pending = 0;
      }
    }
  }
}

void FwDX9::DrawAxisGizmo() {
  if (device_ == nullptr) return;
  device_->DrawPrimitiveUP(D3DPT_LINELIST, 3, kAxisGizmo, sizeof(ColourVertex));
}
