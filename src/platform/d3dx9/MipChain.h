#pragma once
// Box-filtered mip chains for textures loaded with a mip filter.

#include <vector>

#include "platform/d3dx9/Image.h"

namespace d3dx {

// Number of levels from width x height down to 1x1 (1 for a 1x1 image).
int FullMipLevelCount(int width, int height);

// Level 0 is a copy of the image; each next level halves width and height
// (rounding down, at least 1) and averages the 2x2 source box of every pixel,
// per channel including alpha, rounded to nearest. Where a box would reach
// past the source (a 1-pixel dimension) it shrinks to 2x1, 1x2 or 1x1; with
// an odd dimension the last source row or column is left out.
// levels = 0 (or more than the full count) builds the full chain. An image
// whose pixel count does not match its size gives an empty chain.
std::vector<Image> BuildBoxMipChain(const Image& level0, int levels);

}  // namespace d3dx
