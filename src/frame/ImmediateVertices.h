#pragma once
// The two vertex layouts of immediate-mode drawing: coloured 3D points for
// debug geometry, and pre-transformed screen points for the 2D overlay.

#include "platform/d3d9/D3d9.h"

// Position and diffuse colour.
struct ColourVertex {
  float x, y, z;
  D3DCOLOR colour;
};
constexpr DWORD kColourVertexFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;  // 0x42

// Pre-transformed position, diffuse colour and one texture coordinate.
struct ScreenVertex {
  float x, y, z, rhw;
  D3DCOLOR colour;
  float u, v;
};
constexpr DWORD kScreenVertexFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;  // 0x144

static_assert(sizeof(ColourVertex) == 16, "ColourVertex must match its vertex format");
static_assert(sizeof(ScreenVertex) == 28, "ScreenVertex must match its vertex format");
