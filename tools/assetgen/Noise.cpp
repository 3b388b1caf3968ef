#include "Noise.h"

#include <cmath>

namespace assetgen {

namespace {

std::uint32_t Mix(std::uint32_t h) {
  // The finaliser of MurmurHash3: every input bit affects every output bit.
  h ^= h >> 16;
  h *= 0x85EBCA6Bu;
  h ^= h >> 13;
  h *= 0xC2B2AE35u;
  h ^= h >> 16;
  return h;
}

int Wrap(int i, int period) {
  if (period <= 0) return i;
  const int m = i % period;
  return m < 0 ? m + period : m;
}

int FloorInt(float v) { return static_cast<int>(std::floor(v)); }

// Quintic fade: zero first and second derivatives at the lattice points.
float Fade(float t) { return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f); }

float Gradient2(std::uint32_t h, float x, float y) {
  // Eight directions, the diagonals normalised.
  constexpr float d = 0.70710678f;
  static const float kGradients[8][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {d, d}, {-d, d}, {d, -d}, {-d, -d}};
  const float* g = kGradients[h & 7u];
  return g[0] * x + g[1] * y;
}

float Gradient3(std::uint32_t h, float x, float y, float z) {
  // The twelve edge directions of a cube (Perlin's improved noise).
  static const float kGradients[12][3] = {{1, 1, 0},  {-1, 1, 0},  {1, -1, 0}, {-1, -1, 0}, {1, 0, 1},  {-1, 0, 1},
                                          {1, 0, -1}, {-1, 0, -1}, {0, 1, 1},  {0, -1, 1},  {0, 1, -1}, {0, -1, -1}};
  const float* g = kGradients[h % 12u];
  return g[0] * x + g[1] * y + g[2] * z;
}

}  // namespace

std::uint32_t Hash(std::uint32_t seed, std::int32_t x, std::int32_t y, std::int32_t z, std::int32_t w) {
  std::uint32_t h = Mix(seed ^ 0x9E3779B9u);
  h = Mix(h ^ static_cast<std::uint32_t>(x) * 0x27D4EB2Du);
  h = Mix(h ^ static_cast<std::uint32_t>(y) * 0x165667B1u);
  h = Mix(h ^ static_cast<std::uint32_t>(z) * 0xD3A2646Cu);
  h = Mix(h ^ static_cast<std::uint32_t>(w) * 0xFD7046C5u);
  return h;
}

float Hash01(std::uint32_t seed, std::int32_t x, std::int32_t y, std::int32_t z, std::int32_t w) {
  return static_cast<float>(Hash(seed, x, y, z, w) >> 8) * (1.0f / 16777216.0f);
}

std::uint32_t Random::Next() {
  state_ += 0x9E3779B97F4A7C15ull;
  std::uint64_t z = state_;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  z ^= z >> 31;
  return static_cast<std::uint32_t>(z >> 32);
}

float Random::Uniform() { return static_cast<float>(Next() >> 8) * (1.0f / 16777216.0f); }

float Random::Range(float lo, float hi) { return lo + (hi - lo) * Uniform(); }

float ValueNoise2(float x, float y, std::uint32_t seed, int period) {
  const int xi = FloorInt(x), yi = FloorInt(y);
  const float fx = Fade(x - static_cast<float>(xi)), fy = Fade(y - static_cast<float>(yi));
  auto at = [&](int dx, int dy) { return Hash01(seed, Wrap(xi + dx, period), Wrap(yi + dy, period)) * 2.0f - 1.0f; };
  const float a = at(0, 0) + (at(1, 0) - at(0, 0)) * fx;
  const float b = at(0, 1) + (at(1, 1) - at(0, 1)) * fx;
  return a + (b - a) * fy;
}

float ValueNoise3(float x, float y, float z, std::uint32_t seed) {
  const int xi = FloorInt(x), yi = FloorInt(y), zi = FloorInt(z);
  const float fx = Fade(x - static_cast<float>(xi)), fy = Fade(y - static_cast<float>(yi)),
              fz = Fade(z - static_cast<float>(zi));
  auto at = [&](int dx, int dy, int dz) { return Hash01(seed, xi + dx, yi + dy, zi + dz) * 2.0f - 1.0f; };
  auto lerp = [](float a, float b, float t) { return a + (b - a) * t; };
  const float x00 = lerp(at(0, 0, 0), at(1, 0, 0), fx), x10 = lerp(at(0, 1, 0), at(1, 1, 0), fx);
  const float x01 = lerp(at(0, 0, 1), at(1, 0, 1), fx), x11 = lerp(at(0, 1, 1), at(1, 1, 1), fx);
  return lerp(lerp(x00, x10, fy), lerp(x01, x11, fy), fz);
}

float GradientNoise2(float x, float y, std::uint32_t seed, int period) {
  const int xi = FloorInt(x), yi = FloorInt(y);
  const float rx = x - static_cast<float>(xi), ry = y - static_cast<float>(yi);
  auto at = [&](int dx, int dy) {
    return Gradient2(Hash(seed, Wrap(xi + dx, period), Wrap(yi + dy, period)), rx - static_cast<float>(dx),
                     ry - static_cast<float>(dy));
  };
  const float fx = Fade(rx), fy = Fade(ry);
  const float a = at(0, 0) + (at(1, 0) - at(0, 0)) * fx;
  const float b = at(0, 1) + (at(1, 1) - at(0, 1)) * fx;
  return (a + (b - a) * fy) * 1.4142f;
}

float GradientNoise3(float x, float y, float z, std::uint32_t seed) {
  const int xi = FloorInt(x), yi = FloorInt(y), zi = FloorInt(z);
  const float rx = x - static_cast<float>(xi), ry = y - static_cast<float>(yi), rz = z - static_cast<float>(zi);
  auto at = [&](int dx, int dy, int dz) {
    return Gradient3(Hash(seed, xi + dx, yi + dy, zi + dz), rx - static_cast<float>(dx), ry - static_cast<float>(dy),
                     rz - static_cast<float>(dz));
  };
  auto lerp = [](float a, float b, float t) { return a + (b - a) * t; };
  const float fx = Fade(rx), fy = Fade(ry), fz = Fade(rz);
  const float x00 = lerp(at(0, 0, 0), at(1, 0, 0), fx), x10 = lerp(at(0, 1, 0), at(1, 1, 0), fx);
  const float x01 = lerp(at(0, 0, 1), at(1, 0, 1), fx), x11 = lerp(at(0, 1, 1), at(1, 1, 1), fx);
  return lerp(lerp(x00, x10, fy), lerp(x01, x11, fy), fz);
}

float Fbm2(float x, float y, std::uint32_t seed, int octaves, float gain, int period) {
  float sum = 0.0f, amplitude = 1.0f, norm = 0.0f, frequency = 1.0f;
  for (int i = 0; i < octaves; ++i) {
    const int p = period > 0 ? period << i : 0;
    sum += amplitude * GradientNoise2(x * frequency, y * frequency, seed + static_cast<std::uint32_t>(i) * 101u, p);
    norm += amplitude;
    amplitude *= gain;
    frequency *= 2.0f;
  }
  return sum / norm;
}

float Fbm3(Vec3 p, std::uint32_t seed, int octaves, float gain) {
  float sum = 0.0f, amplitude = 1.0f, norm = 0.0f, frequency = 1.0f;
  for (int i = 0; i < octaves; ++i) {
    sum += amplitude * GradientNoise3(p.x * frequency, p.y * frequency, p.z * frequency,
                                      seed + static_cast<std::uint32_t>(i) * 101u);
    norm += amplitude;
    amplitude *= gain;
    frequency *= 2.0f;
  }
  return sum / norm;
}

float Ridged3(Vec3 p, std::uint32_t seed, int octaves) {
  float sum = 0.0f, amplitude = 1.0f, norm = 0.0f, frequency = 1.0f;
  for (int i = 0; i < octaves; ++i) {
    const float n =
        GradientNoise3(p.x * frequency, p.y * frequency, p.z * frequency, seed + static_cast<std::uint32_t>(i) * 101u);
    const float ridge = 1.0f - std::fabs(n);
    sum += amplitude * ridge * ridge;
    norm += amplitude;
    amplitude *= 0.5f;
    frequency *= 2.0f;
  }
  return sum / norm;
}

CellDistances Cellular2(float x, float y, std::uint32_t seed, int period) {
  const int xi = FloorInt(x), yi = FloorInt(y);
  CellDistances out;
  out.nearest = out.second = 1e9f;
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      const int cx = Wrap(xi + dx, period), cy = Wrap(yi + dy, period);
      const float px = static_cast<float>(xi + dx) + Hash01(seed, cx, cy, 0);
      const float py = static_cast<float>(yi + dy) + Hash01(seed, cx, cy, 1);
      const float d = std::sqrt((px - x) * (px - x) + (py - y) * (py - y));
      if (d < out.nearest) {
        out.second = out.nearest;
        out.nearest = d;
        out.id = Hash(seed, cx, cy, 7);
      } else if (d < out.second) {
        out.second = d;
      }
    }
  }
  return out;
}

CellDistances Cellular3(Vec3 p, std::uint32_t seed) {
  const int xi = FloorInt(p.x), yi = FloorInt(p.y), zi = FloorInt(p.z);
  CellDistances out;
  out.nearest = out.second = 1e9f;
  for (int dz = -1; dz <= 1; ++dz) {
    for (int dy = -1; dy <= 1; ++dy) {
      for (int dx = -1; dx <= 1; ++dx) {
        const int cx = xi + dx, cy = yi + dy, cz = zi + dz;
        const float px = static_cast<float>(cx) + Hash01(seed, cx, cy, cz, 0);
        const float py = static_cast<float>(cy) + Hash01(seed, cx, cy, cz, 1);
        const float pz = static_cast<float>(cz) + Hash01(seed, cx, cy, cz, 2);
        const float d = std::sqrt((px - p.x) * (px - p.x) + (py - p.y) * (py - p.y) + (pz - p.z) * (pz - p.z));
        if (d < out.nearest) {
          out.second = out.nearest;
          out.nearest = d;
          out.id = Hash(seed, cx, cy, cz, 7);
        } else if (d < out.second) {
          out.second = d;
        }
      }
    }
  }
  return out;
}

}  // namespace assetgen
