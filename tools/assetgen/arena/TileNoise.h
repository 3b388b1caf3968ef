#pragma once
// Deterministic noise that repeats seamlessly over one texture tile. All
// coordinates are tile units (0..1 across the texture); every lattice wraps
// at whole periods, so the left edge continues the right one.

#include <cstdint>

namespace assetgen::arena {

std::uint32_t HashCell(int x, int y, std::uint32_t seed);
// [0, 1) from a hash.
float UnitFromHash(std::uint32_t h);

// Smooth value noise in [0, 1] with periodX x periodY lattice cells per tile.
float TileNoise(float u, float v, int periodX, int periodY, std::uint32_t seed);

// Octaves of TileNoise starting at `period` cells per tile, each twice as
// fine and `gain` times as strong; normalised to [0, 1].
float TileFbm(float u, float v, int period, int octaves, std::uint32_t seed, float gain = 0.5f);

// Jittered-grid cellular noise with `cells` x `cells` cells per tile.
struct CellSample {
  float f1 = 0.0f;  // distance to the nearest feature point (cell units)
  float f2 = 0.0f;  // distance to the second nearest
  std::uint32_t id = 0;  // hash of the nearest feature's cell (same on every repeat)
  float dx = 0.0f, dy = 0.0f;  // from the nearest feature point to the sample (cell units)
  float edge = 0.0f;  // distance to the border of the nearest feature's cell (cell units)
};
CellSample TileCells(float u, float v, int cells, std::uint32_t seed, float jitter = 0.8f);

}  // namespace assetgen::arena
