#pragma once
// Deterministic randomness for the generator: integer hashing, a seeded
// sequence, value and gradient noise in 2 and 3 dimensions (optionally
// periodic, for tiling textures) and fractal sums of them. Only integer
// arithmetic picks the random values, so every run and machine gets the same
// numbers; nothing here uses std::rand or the clock.

#include <cstdint>

#include "MeshModel.h"

namespace assetgen {

// A well-mixed 32-bit hash of up to four integers and a seed.
std::uint32_t Hash(std::uint32_t seed, std::int32_t x, std::int32_t y = 0, std::int32_t z = 0, std::int32_t w = 0);
// The hash as a float in [0, 1).
float Hash01(std::uint32_t seed, std::int32_t x, std::int32_t y = 0, std::int32_t z = 0, std::int32_t w = 0);

// A seeded sequence (SplitMix64): the same seed gives the same numbers.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint32_t Next();
  float Uniform();                  // [0, 1)
  float Range(float lo, float hi);  // [lo, hi)

 private:
  std::uint64_t state_;
};

// Noise in [-1, 1] (value noise) or about [-1, 1] (gradient noise). A period
// above 0 makes the noise repeat every `period` units along each axis (use
// whole numbers of cells for textures that tile).
float ValueNoise2(float x, float y, std::uint32_t seed, int period = 0);
float ValueNoise3(float x, float y, float z, std::uint32_t seed);
float GradientNoise2(float x, float y, std::uint32_t seed, int period = 0);
float GradientNoise3(float x, float y, float z, std::uint32_t seed);

// Fractal sums: octaves of noise, each at twice the frequency (lacunarity 2)
// and `gain` times the amplitude of the previous one, normalised so the
// result stays about within [-1, 1].
float Fbm2(float x, float y, std::uint32_t seed, int octaves, float gain = 0.5f, int period = 0);
float Fbm3(Vec3 p, std::uint32_t seed, int octaves, float gain = 0.5f);
// Ridged fractal noise in [0, 1]: sharp crests where the noise crosses zero.
float Ridged3(Vec3 p, std::uint32_t seed, int octaves);

// Distance to the nearest of the jittered points of a cell grid (Worley /
// cellular noise) and to the second nearest, in cell units. Periodic like
// the noises above when period > 0.
struct CellDistances {
  float nearest = 0.0f;
  float second = 0.0f;
  std::uint32_t id = 0;  // hash of the nearest point's cell
};
CellDistances Cellular2(float x, float y, std::uint32_t seed, int period = 0);
CellDistances Cellular3(Vec3 p, std::uint32_t seed);

}  // namespace assetgen
