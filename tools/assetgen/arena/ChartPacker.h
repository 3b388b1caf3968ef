#pragma once
// Places the light-map charts side by side in one square light map and
// gives every vertex its second texture coordinates.

#include <vector>

#include "tools/assetgen/MeshModel.h"
#include "tools/assetgen/arena/LevelBuilder.h"

namespace assetgen::arena {

struct PackRect {
  int width = 0, height = 0;  // in texels, padding included
  int x = -1, y = -1;         // placed position (top-left texel)
};

// Skyline packing, tallest first. Returns false when a rectangle does not fit.
bool PackRectangles(std::vector<PackRect>* rects, int atlasWidth, int atlasHeight);

// Picks the largest texel density (texels per world unit) at which every
// chart fits with `padding` free texels on each side, and writes uv2 of
// every vertex (texel centres at half-integers). Returns the density, or 0
// when nothing fits.
float PackLightmapCharts(const std::vector<LightmapChart>& charts, const std::vector<V2>& chartCoords, int size,
                         int padding, MeshModel* mesh);

}  // namespace assetgen::arena
