#pragma once
// Basic Direct3D 9 value types. They are plain C-layout structs with no
// constructors, so they stay aggregates: brace-initialisable, zero-fillable
// and copyable straight into vertex and constant buffers.

#include <cstring>

#include "platform/win32/WinTypes.h"

struct D3DVECTOR {
  float x;
  float y;
  float z;
};

// Row-major 4x4 matrix: _RC is row R, column C (1-based), the same float as
// m[R-1][C-1].
struct D3DMATRIX {
  union {
    struct {
      float _11, _12, _13, _14;
      float _21, _22, _23, _24;
      float _31, _32, _33, _34;
      float _41, _42, _43, _44;
    };
    float m[4][4];
  };
};

// A colour as four floats, nominally 0..1 (lighting may push them outside).
struct D3DCOLORVALUE {
  float r;
  float g;
  float b;
  float a;
};

// A packed colour: alpha in the top byte, then red, green, blue.
using D3DCOLOR = DWORD;

constexpr D3DCOLOR D3DCOLOR_ARGB(DWORD a, DWORD r, DWORD g, DWORD b) {
  return ((a & 0xFFu) << 24) | ((r & 0xFFu) << 16) | ((g & 0xFFu) << 8) | (b & 0xFFu);
}

constexpr D3DCOLOR D3DCOLOR_RGBA(DWORD r, DWORD g, DWORD b, DWORD a) { return D3DCOLOR_ARGB(a, r, g, b); }

constexpr D3DCOLOR D3DCOLOR_XRGB(DWORD r, DWORD g, DWORD b) { return D3DCOLOR_ARGB(0xFF, r, g, b); }

namespace d3d9_detail {

// Maps a 0..1 channel to 0..255. Out-of-range values clamp (NaN gives 0) and
// the result rounds to nearest, so a byte survives a byte -> float -> byte trip.
constexpr DWORD ColorChannelToByte(float value) {
  if (value >= 1.0f) return 255u;
  if (!(value > 0.0f)) return 0u;
  return static_cast<DWORD>(value * 255.0f + 0.5f);
}

}  // namespace d3d9_detail

constexpr D3DCOLOR D3DCOLOR_COLORVALUE(float r, float g, float b, float a) {
  return D3DCOLOR_ARGB(d3d9_detail::ColorChannelToByte(a), d3d9_detail::ColorChannelToByte(r),
                       d3d9_detail::ColorChannelToByte(g), d3d9_detail::ColorChannelToByte(b));
}

struct D3DRECT {
  LONG x1;
  LONG y1;
  LONG x2;
  LONG y2;
};

// Float render states (fog start and end, depth bias, ...) travel as the
// float's bits in a DWORD.
inline DWORD FloatToRenderState(float value) {
  DWORD bits = 0;
  std::memcpy(&bits, &value, sizeof(bits));
  return bits;
}

inline float RenderStateToFloat(DWORD bits) {
  float value = 0.0f;
  std::memcpy(&value, &bits, sizeof(value));
  return value;
}
