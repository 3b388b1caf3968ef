#pragma once
// D3DX plane a*x + b*y + c*z + d = 0, with (a, b, c) the normal.
// Default construction gives all zeros (see D3dxMath.h).

#include "platform/d3dx9/D3dxVector.h"

struct D3DXPLANE {
  float a = 0.0f;
  float b = 0.0f;
  float c = 0.0f;
  float d = 0.0f;

  D3DXPLANE() = default;
  D3DXPLANE(float a_, float b_, float c_, float d_) : a(a_), b(b_), c(c_), d(d_) {}
  D3DXPLANE(const float* abcd) : a(abcd[0]), b(abcd[1]), c(abcd[2]), d(abcd[3]) {}

  operator float*() { return reinterpret_cast<float*>(this); }
  operator const float*() const { return reinterpret_cast<const float*>(this); }

  D3DXPLANE& operator*=(float s) { a *= s; b *= s; c *= s; d *= s; return *this; }
  D3DXPLANE& operator/=(float s) { a /= s; b /= s; c /= s; d /= s; return *this; }

  D3DXPLANE operator+() const { return *this; }
  D3DXPLANE operator-() const { return {-a, -b, -c, -d}; }
  D3DXPLANE operator*(float s) const { return {a * s, b * s, c * s, d * s}; }
  D3DXPLANE operator/(float s) const { return {a / s, b / s, c / s, d / s}; }

  bool operator==(const D3DXPLANE& p) const { return a == p.a && b == p.b && c == p.c && d == p.d; }
  bool operator!=(const D3DXPLANE& p) const { return !(*this == p); }
};

inline D3DXPLANE operator*(float s, const D3DXPLANE& p) { return p * s; }

static_assert(sizeof(D3DXPLANE) == 4 * sizeof(float), "D3DXPLANE must be four packed floats");

// a*x + b*y + c*z + d: the signed distance of point v when the normal is unit length.
float D3DXPlaneDotCoord(const D3DXPLANE* plane, const D3DXVECTOR3* v);
// The plane through point with the given normal (used as is, not normalised).
D3DXPLANE* D3DXPlaneFromPointNormal(D3DXPLANE* out, const D3DXVECTOR3* point, const D3DXVECTOR3* normal);
