#pragma once
// The unit square every billboard and decal is drawn from: four vertices in
// the plane y = 0 facing +Y, position and one texture coordinate, drawn as a
// triangle fan of two triangles.

#include "platform/d3d9/D3d9.h"
#include "platform/d3dx9/D3dxMath.h"

namespace effects {

constexpr DWORD kQuadFvf = D3DFVF_XYZ | D3DFVF_TEX1;
constexpr UINT kQuadStride = 20;

// Creates the quad as a managed buffer, so a device reset keeps it. On
// failure nothing is left behind and *buffer stays null.
bool CreateUnitQuad(IDirect3DDevice9* device, IDirect3DVertexBuffer9** buffer);

// Scales the three basis rows of a matrix by s.
void ScaleBasisRows(D3DXMATRIX* matrix, float s);

}  // namespace effects
