#pragma once
// D3DX floating-point colour (r, g, b, a), nominally 0..1 per channel.
// It converts to and from the packed ARGB D3DCOLOR; packing clamps each
// channel to [0, 1] and rounds to the nearest byte.

#include "platform/d3d9/D3d9Types.h"

struct D3DXCOLOR : D3DCOLORVALUE {
  // Transparent black (see D3dxMath.h).
  D3DXCOLOR() : D3DCOLORVALUE{0.0f, 0.0f, 0.0f, 0.0f} {}
  D3DXCOLOR(float r_, float g_, float b_, float a_) : D3DCOLORVALUE{r_, g_, b_, a_} {}
  D3DXCOLOR(DWORD argb)
      : D3DCOLORVALUE{ByteToChannel(argb >> 16), ByteToChannel(argb >> 8), ByteToChannel(argb),
                      ByteToChannel(argb >> 24)} {}
  D3DXCOLOR(const float* rgba) : D3DCOLORVALUE{rgba[0], rgba[1], rgba[2], rgba[3]} {}
  D3DXCOLOR(const D3DCOLORVALUE& value) : D3DCOLORVALUE(value) {}

  operator DWORD() const { return D3DCOLOR_COLORVALUE(r, g, b, a); }
  operator float*() { return reinterpret_cast<float*>(this); }
  operator const float*() const { return reinterpret_cast<const float*>(this); }

  D3DXCOLOR& operator+=(const D3DXCOLOR& c) { r += c.r; g += c.g; b += c.b; a += c.a; return *this; }
  D3DXCOLOR& operator-=(const D3DXCOLOR& c) { r -= c.r; g -= c.g; b -= c.b; a -= c.a; return *this; }
  D3DXCOLOR& operator*=(float s) { r *= s; g *= s; b *= s; a *= s; return *this; }
  D3DXCOLOR& operator/=(float s) { r /= s; g /= s; b /= s; a /= s; return *this; }

  D3DXCOLOR operator+() const { return *this; }
  D3DXCOLOR operator-() const { return {-r, -g, -b, -a}; }
  D3DXCOLOR operator+(const D3DXCOLOR& c) const { return {r + c.r, g + c.g, b + c.b, a + c.a}; }
  D3DXCOLOR operator-(const D3DXCOLOR& c) const { return {r - c.r, g - c.g, b - c.b, a - c.a}; }
  D3DXCOLOR operator*(float s) const { return {r * s, g * s, b * s, a * s}; }
  D3DXCOLOR operator/(float s) const { return {r / s, g / s, b / s, a / s}; }

  bool operator==(const D3DXCOLOR& c) const { return r == c.r && g == c.g && b == c.b && a == c.a; }
  bool operator!=(const D3DXCOLOR& c) const { return !(*this == c); }

 private:
  static float ByteToChannel(DWORD shifted) { return static_cast<float>(shifted & 0xFFu) / 255.0f; }
};

inline D3DXCOLOR operator*(float s, const D3DXCOLOR& c) { return c * s; }

static_assert(sizeof(D3DXCOLOR) == 4 * sizeof(float), "D3DXCOLOR must be four packed floats");

// a + s * (b - a) per channel, alpha included; writes through out and returns it.
D3DXCOLOR* D3DXColorLerp(D3DXCOLOR* out, const D3DXCOLOR* a, const D3DXCOLOR* b, float s);
