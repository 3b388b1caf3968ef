#include "tools/assetgen/arena/TileNoise.h"

#include <cmath>

namespace assetgen::arena {
namespace {

int Wrap(int i, int period) {
  const int r = i % period;
  return r < 0 ? r + period : r;
}

float Fade(float t) { return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f); }

}  // namespace

std::uint32_t HashCell(int x, int y, std::uint32_t seed) {
  std::uint32_t h = seed * 0x9E3779B1u;
  h ^= static_cast<std::uint32_t>(x) * 0x85EBCA77u;
  h = (h << 13) | (h >> 19);
  h ^= static_cast<std::uint32_t>(y) * 0xC2B2AE3Du;
  h ^= h >> 16;
  h *= 0x7FEB352Du;
  h ^= h >> 15;
  h *= 0x846CA68Bu;
  h ^= h >> 16;
  return h;
}

float UnitFromHash(std::uint32_t h) { return static_cast<float>(h >> 8) * (1.0f / 16777216.0f); }

float TileNoise(float u, float v, int periodX, int periodY, std::uint32_t seed) {
  const float x = u * static_cast<float>(periodX);
  const float y = v * static_cast<float>(periodY);
  const float fx = std::floor(x), fy = std::floor(y);
  const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
  const float tx = Fade(x - fx), ty = Fade(y - fy);
  const int x0 = Wrap(ix, periodX), x1 = Wrap(ix + 1, periodX);
  const int y0 = Wrap(iy, periodY), y1 = Wrap(iy + 1, periodY);
  const float a = UnitFromHash(HashCell(x0, y0, seed));
  const float b = UnitFromHash(HashCell(x1, y0, seed));
  const float c = UnitFromHash(HashCell(x0, y1, seed));
  const float d = UnitFromHash(HashCell(x1, y1, seed));
  const float top = a + (b - a) * tx;
  const float bottom = c + (d - c) * tx;
  return top + (bottom - top) * ty;
}

float TileFbm(float u, float v, int period, int octaves, std::uint32_t seed, float gain) {
  float sum = 0.0f, amplitude = 1.0f, total = 0.0f;
  for (int o = 0; o < octaves; ++o) {
    sum += TileNoise(u, v, period, period, seed + static_cast<std::uint32_t>(o) * 1013u) * amplitude;
    total += amplitude;
    amplitude *= gain;
    period *= 2;
  }
  return sum / total;
}

CellSample TileCells(float u, float v, int cells, std::uint32_t seed, float jitter) {
  const float x = u * static_cast<float>(cells);
  const float y = v * static_cast<float>(cells);
  const int ix = static_cast<int>(std::floor(x));
  const int iy = static_cast<int>(std::floor(y));
  float px[9], py[9];
  int nearest = 0;
  CellSample best;
  best.f1 = 1e9f;
  best.f2 = 1e9f;
  for (int k = 0; k < 9; ++k) {
    const int cx = ix + k % 3 - 1, cy = iy + k / 3 - 1;
    const std::uint32_t h = HashCell(Wrap(cx, cells), Wrap(cy, cells), seed);
    px[k] = static_cast<float>(cx) + 0.5f + (UnitFromHash(h) - 0.5f) * jitter;
    py[k] = static_cast<float>(cy) + 0.5f + (UnitFromHash(h * 0x27D4EB2Du + 1u) - 0.5f) * jitter;
    const float ox = x - px[k], oy = y - py[k];
    const float d = std::sqrt(ox * ox + oy * oy);
    if (d < best.f1) {
      best.f2 = best.f1;
      best.f1 = d;
      best.id = h;
      best.dx = ox;
      best.dy = oy;
      nearest = k;
    } else if (d < best.f2) {
      best.f2 = d;
    }
  }
  // Distance to the nearest bisector between the own feature and another.
  best.edge = 1e9f;
  for (int k = 0; k < 9; ++k) {
    if (k == nearest) continue;
    const float ax = px[k] - px[nearest], ay = py[k] - py[nearest];
    const float len = std::sqrt(ax * ax + ay * ay);
    if (len < 1e-6f) continue;
    const float mx = 0.5f * (px[k] + px[nearest]), my = 0.5f * (py[k] + py[nearest]);
    const float d = ((mx - x) * ax + (my - y) * ay) / len;
    if (d < best.edge) best.edge = d;
  }
  return best;
}

}  // namespace assetgen::arena
