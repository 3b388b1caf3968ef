#pragma once
// The arena's surface textures, painted procedurally: tileable, RGBA,
// powers of two, the same bytes on every run.

#include "tools/assetgen/MeshModel.h"

namespace assetgen::arena {

struct SurfaceMaps {
  ImageRgba diffuse;   // albedo, opaque
  ImageRgba normal;    // tangent space: x along +u, y along +v, z out; (128, 128, 255) is flat
  ImageRgba specular;  // rgb highlight colour, alpha the exponent / 255; empty when the type has none
};

// Paints the maps of one surface (ArenaLayout's Surface) at size x size
// (specular at half that size).
SurfaceMaps PaintSurface(int surface, int size, int threads);

}  // namespace assetgen::arena
