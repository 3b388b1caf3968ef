#include "tools/assetgen/arena/SurfaceTextures.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "tools/assetgen/arena/ArenaLayout.h"
#include "tools/assetgen/arena/ArenaVec.h"
#include "tools/assetgen/arena/ParallelRows.h"
#include "tools/assetgen/arena/TileNoise.h"

namespace assetgen::arena {
namespace {

// What a painter gives for one point of the tile.
struct Texel {
  V3 albedo;
  float height = 0.0f;  // 0..1, only its slopes matter
  V3 specular;          // highlight colour
  float power = 8.0f;   // highlight exponent
};

float Frac(float v) { return v - std::floor(v); }
V3 Grey(float v) { return {v, v, v}; }

// Distance (tile units) of a point inside a box of the given size from the
// box's nearest edge.
float EdgeDistance(float x, float y, float width, float height) {
  return std::min(std::min(x, width - x), std::min(y, height - y));
}

Texel PaintGrass(float u, float v) {
  const float patches = TileFbm(u, v, 4, 3, 11u);
  const float dry = Smoothstep(0.6f, 0.8f, TileFbm(u, v, 3, 3, 12u));
  const float clumps = TileFbm(u, v, 24, 3, 13u);
  const float blades = 0.6f * TileNoise(u, v, 192, 192, 14u) + 0.4f * TileNoise(u, v, 96, 96, 15u);
  V3 colour = Lerp(V3{0.20f, 0.33f, 0.10f}, V3{0.32f, 0.45f, 0.15f}, patches);
  colour = Lerp(colour, V3{0.42f, 0.41f, 0.22f}, dry * 0.35f);
  colour = colour * (0.55f + 0.55f * blades) * (0.85f + 0.3f * clumps);
  // Scattered small flowers.
  const CellSample flower = TileCells(u, v, 22, 16u);
  if (UnitFromHash(flower.id * 31u) < 0.22f) {
    const float petal = 1.0f - Smoothstep(0.06f, 0.12f, flower.f1);
    const V3 bloom = UnitFromHash(flower.id * 7u) < 0.5f ? V3{0.92f, 0.9f, 0.75f} : V3{0.9f, 0.78f, 0.2f};
    colour = Lerp(colour, bloom, petal * 0.85f);
  }
  Texel t;
  t.albedo = colour;
  t.height = 0.65f * blades + 0.35f * clumps;
  return t;
}

Texel PaintPaving(float u, float v) {
  const CellSample cell = TileCells(u, v, 5, 21u, 0.7f);
  const float mortar = 1.0f - Smoothstep(0.025f, 0.055f, cell.edge);
  const float tint = UnitFromHash(cell.id);
  const float mottle = TileFbm(u, v, 8, 4, 22u);
  const float grit = TileNoise(u, v, 160, 160, 23u);
  V3 stone = Lerp(V3{0.47f, 0.45f, 0.41f}, V3{0.62f, 0.58f, 0.51f}, tint);
  stone = stone * (0.78f + 0.36f * mottle) * (0.92f + 0.12f * grit);
  stone = stone * (0.82f + 0.18f * Smoothstep(0.03f, 0.2f, cell.edge));  // worn, darker rims
  Texel t;
  t.albedo = Lerp(stone, V3{0.27f, 0.26f, 0.24f}, mortar);
  t.height = (1.0f - mortar) * (0.55f + 0.45f * Smoothstep(0.03f, 0.18f, cell.edge)) + 0.08f * mottle + 0.05f * grit;
  t.specular = Lerp(Grey(0.22f) * (0.7f + 0.6f * mottle), Grey(0.03f), mortar);
  t.power = 24.0f - 18.0f * mortar;
  return t;
}

Texel PaintStoneBlocks(float u, float v) {
  constexpr int kCourses = 6;
  const float rowF = v * kCourses;
  const int row = static_cast<int>(std::floor(rowF));
  const float inRow = rowF - static_cast<float>(row);
  // Three blocks of random length per course, each course shifted.
  float lengths[3], total = 0.0f;
  for (int k = 0; k < 3; ++k) {
    lengths[k] = 0.7f + 0.6f * UnitFromHash(HashCell(row, k, 31u));
    total += lengths[k];
  }
  const float along = Frac(u + UnitFromHash(HashCell(row, 7, 32u)));
  int block = 0;
  float start = 0.0f;
  while (block < 2 && along > start + lengths[block] / total) {
    start += lengths[block] / total;
    ++block;
  }
  const float length = lengths[block] / total;
  const float edge = EdgeDistance(along - start, inRow / kCourses, length, 1.0f / kCourses);
  const std::uint32_t id = HashCell(row, block, 33u);
  const float mortar = 1.0f - Smoothstep(0.0035f, 0.0075f, edge);
  const float mottle = TileFbm(u, v, 8, 4, 34u);
  const float rough = TileFbm(u, v, 64, 2, 35u);
  const float chips = Smoothstep(0.66f, 0.8f, TileFbm(u, v, 16, 3, 36u)) * (1.0f - Smoothstep(0.01f, 0.03f, edge));
  const float tint = UnitFromHash(id);
  V3 stone = Lerp(V3{0.50f, 0.47f, 0.42f}, V3{0.63f, 0.60f, 0.54f}, tint);
  if (UnitFromHash(id * 13u) < 0.2f) stone = Mul(stone, V3{1.02f, 0.95f, 0.86f});  // an ochre block here and there
  stone = stone * (0.8f + 0.32f * mottle) * (0.9f + 0.15f * rough) * (1.0f - 0.25f * chips);
  Texel t;
  t.albedo = Lerp(stone, V3{0.30f, 0.29f, 0.27f}, mortar);
  t.height = (1.0f - mortar) * (0.5f + 0.5f * Smoothstep(0.006f, 0.03f, edge)) + 0.2f * rough - 0.3f * chips;
  t.specular = Lerp(Grey(0.14f), Grey(0.02f), mortar);
  t.power = 12.0f;
  return t;
}

Texel PaintPlanks(float u, float v) {
  constexpr int kPlanks = 6;
  const float rowF = v * kPlanks;
  const int plank = static_cast<int>(std::floor(rowF));
  const float across = rowF - static_cast<float>(plank);
  // Two boards per plank row and tile, joints staggered from row to row.
  const float along = Frac(u - UnitFromHash(HashCell(plank, 1, 41u)));
  const int board = along < 0.5f ? 0 : 1;
  const float inBoard = along - 0.5f * static_cast<float>(board);
  const std::uint32_t id = HashCell(plank, board, 42u);
  const float edge = EdgeDistance(inBoard, across / kPlanks, 0.5f, 1.0f / kPlanks);
  const float gap = 1.0f - Smoothstep(0.0018f, 0.0045f, edge);
  const float warp = TileNoise(u, v, 3, 12, 43u + (id & 0xFFu));
  const float grain = 0.5f + 0.5f * std::sin(2.0f * kPi * (v * kPlanks * 7.0f + 2.5f * warp + UnitFromHash(id)));
  const float rings = Smoothstep(0.55f, 0.95f, grain);
  const float fibres = TileNoise(u, v, 24, 256, 44u);
  const float tint = UnitFromHash(id * 5u);
  V3 wood = Lerp(V3{0.52f, 0.36f, 0.21f}, V3{0.38f, 0.25f, 0.14f}, tint);
  wood = wood * (1.0f - 0.28f * rings) * (0.85f + 0.25f * fibres);
  wood = Lerp(wood, Grey(0.42f), 0.18f * TileFbm(u, v, 4, 3, 45u));  // weathering
  // Two nails at each end of a board.
  float nail = 0.0f;
  for (float nu : {0.03f, 0.47f}) {
    for (float nv : {0.3f, 0.7f}) {
      const float dx = inBoard - nu, dy = (across - nv) / kPlanks;
      nail = std::max(nail, 1.0f - Smoothstep(0.0035f, 0.0055f, std::sqrt(dx * dx + dy * dy)));
    }
  }
  Texel t;
  t.albedo = Lerp(Lerp(wood, V3{0.09f, 0.07f, 0.05f}, gap), V3{0.24f, 0.24f, 0.25f}, nail);
  t.height = (1.0f - gap) * (0.7f + 0.3f * Smoothstep(0.0f, 0.02f, edge)) - 0.06f * rings + 0.05f * fibres + 0.1f * nail;
  t.specular = Lerp(Grey(0.12f), Grey(0.5f), nail);
  t.power = 10.0f + 30.0f * nail;
  return t;
}

Texel PaintMetalPlate(float u, float v) {
  // 2 x 2 plates per tile, riveted along their rims, with a raised tread.
  const float pu = Frac(u * 2.0f), pv = Frac(v * 2.0f);
  const std::uint32_t plateId = HashCell(static_cast<int>(std::floor(u * 2.0f)), static_cast<int>(std::floor(v * 2.0f)), 51u);
  const float edge = 0.5f * EdgeDistance(pu, pv, 1.0f, 1.0f);
  const float seam = 1.0f - Smoothstep(0.0015f, 0.0035f, edge);
  const float inset = 0.05f;
  const float rx1 = (std::floor(pu * 8.0f) + 0.5f) / 8.0f, ry1 = pv < 0.5f ? inset : 1.0f - inset;
  const float rx2 = pu < 0.5f ? inset : 1.0f - inset, ry2 = (std::floor(pv * 8.0f) + 0.5f) / 8.0f;
  const float d = std::min(std::hypot(pu - rx1, pv - ry1), std::hypot(pu - rx2, pv - ry2));
  const float rivetRadius = 0.02f;
  const float rivet = d < rivetRadius ? std::sqrt(1.0f - (d / rivetRadius) * (d / rivetRadius)) : 0.0f;
  // Diamond tread: short bars on a lattice, turning 90 degrees cell by cell.
  const float lu = u * 20.0f, lv = v * 20.0f;
  const int cu = static_cast<int>(std::floor(lu)), cv = static_cast<int>(std::floor(lv));
  const float fx = lu - static_cast<float>(cu) - 0.5f, fy = lv - static_cast<float>(cv) - 0.5f;
  const float sign = ((cu + cv) & 1) ? 1.0f : -1.0f;
  const float s = (fx + sign * fy) * 0.7071f, q = (fx - sign * fy) * 0.7071f;
  const float k = (s / 0.3f) * (s / 0.3f) + (q / 0.075f) * (q / 0.075f);
  const float tread = (k < 1.0f ? std::sqrt(1.0f - k) : 0.0f) * Smoothstep(0.03f, 0.045f, edge);

  const float grime = TileFbm(u, v, 6, 4, 52u);
  // Rust creeps out from the seams and rivets, with a few stray patches.
  const float creep = std::max(1.0f - Smoothstep(0.0f, 0.02f, edge), 0.8f * rivet);
  const float patches = Smoothstep(0.66f, 0.8f, TileFbm(u, v, 4, 5, 53u));
  const float rust = Clamp01(std::max(creep * 0.7f, patches * 0.55f) * (0.5f + 0.7f * TileNoise(u, v, 48, 48, 54u)));
  V3 steel = Grey(0.36f + 0.07f * UnitFromHash(plateId));
  steel = Mul(steel, V3{0.98f, 1.0f, 1.04f}) * (0.82f + 0.25f * grime);
  steel = steel * (1.0f + 0.18f * tread);  // worn bar tops
  V3 colour = Lerp(steel, V3{0.36f, 0.22f, 0.12f} * (0.8f + 0.4f * grime), rust);
  colour = Lerp(colour, Grey(0.12f), seam);
  Texel t;
  t.albedo = colour;
  t.height = 0.5f * tread + 0.7f * rivet - 0.5f * seam + 0.08f * rust * TileNoise(u, v, 128, 128, 55u);
  t.specular = Lerp(V3{0.62f, 0.63f, 0.66f} * (0.7f + 0.4f * grime), Grey(0.06f), std::max(rust, seam));
  t.power = 48.0f - 40.0f * rust;
  return t;
}

Texel PaintSand(float u, float v) {
  const float drift = TileFbm(u, v, 3, 3, 61u);
  const float ripple = 0.5f + 0.5f * std::sin(2.0f * kPi * (v * 9.0f + u * 2.0f + 1.2f * drift));
  const float grains = 0.6f * TileNoise(u, v, 256, 256, 62u) + 0.4f * TileNoise(u, v, 128, 128, 63u);
  const float dark = Smoothstep(0.8f, 0.92f, TileNoise(u, v, 200, 200, 64u));
  V3 colour = Lerp(V3{0.60f, 0.50f, 0.34f}, V3{0.68f, 0.58f, 0.42f}, TileFbm(u, v, 4, 3, 65u));
  colour = colour * (0.9f + 0.12f * ripple) * (0.9f + 0.18f * grains) * (1.0f - 0.35f * dark);
  Texel t;
  t.albedo = colour;
  t.height = 0.45f * ripple + 0.4f * grains;
  return t;
}

Texel PaintDirt(float u, float v) {
  const float base = TileFbm(u, v, 4, 4, 71u);
  const float damp = Smoothstep(0.55f, 0.75f, TileFbm(u, v, 3, 3, 72u));
  const float crumbs = TileNoise(u, v, 160, 160, 73u);
  V3 colour = Lerp(V3{0.30f, 0.22f, 0.15f}, V3{0.45f, 0.34f, 0.23f}, base);
  colour = colour * (1.0f - 0.25f * damp) * (0.85f + 0.3f * crumbs);
  float height = 0.4f * base + 0.3f * crumbs;
  const CellSample pebble = TileCells(u, v, 14, 74u, 0.9f);
  const float radius = 0.16f + 0.14f * UnitFromHash(pebble.id);
  if (UnitFromHash(pebble.id * 17u) < 0.3f && pebble.f1 < radius) {
    const float dome = std::sqrt(1.0f - (pebble.f1 / radius) * (pebble.f1 / radius));
    const V3 stone = Mul(Grey(0.27f + 0.15f * UnitFromHash(pebble.id * 3u)), V3{1.0f, 0.94f, 0.86f});
    colour = Lerp(colour, stone * (0.7f + 0.35f * dome), 0.8f * Smoothstep(0.0f, 0.35f, dome));
    height += 0.6f * dome;
  }
  Texel t;
  t.albedo = colour;
  t.height = height;
  return t;
}

Texel Paint(int surface, float u, float v) {
  switch (surface) {
    case kGrass: return PaintGrass(u, v);
    case kPaving: return PaintPaving(u, v);
    case kStoneBlocks: return PaintStoneBlocks(u, v);
    case kPlanks: return PaintPlanks(u, v);
    case kMetalPlate: return PaintMetalPlate(u, v);
    case kSand: return PaintSand(u, v);
    default: return PaintDirt(u, v);
  }
}

// How many texels of relief one unit of height stands for.
float BumpStrength(int surface) {
  switch (surface) {
    case kGrass: return 2.0f;
    case kPaving: return 4.0f;
    case kStoneBlocks: return 5.0f;
    case kPlanks: return 3.0f;
    case kMetalPlate: return 4.0f;
    case kSand: return 1.5f;
    default: return 3.0f;
  }
}

std::uint8_t Byte(float v) { return static_cast<std::uint8_t>(std::lround(Clamp01(v) * 255.0f)); }

ImageRgba NewImage(int size) {
  ImageRgba image;
  image.width = size;
  image.height = size;
  image.pixels.assign(static_cast<std::size_t>(size) * static_cast<std::size_t>(size) * 4u, 255u);
  return image;
}

}  // namespace

SurfaceMaps PaintSurface(int surface, int size, int threads) {
  const std::size_t count = static_cast<std::size_t>(size) * static_cast<std::size_t>(size);
  std::vector<Texel> texels(count);
  ForEachRow(size, threads, [&](int y) {
    for (int x = 0; x < size; ++x) {
      const float u = (static_cast<float>(x) + 0.5f) / static_cast<float>(size);
      const float v = (static_cast<float>(y) + 0.5f) / static_cast<float>(size);
      texels[static_cast<std::size_t>(y) * static_cast<std::size_t>(size) + static_cast<std::size_t>(x)] = Paint(surface, u, v);
    }
  });

  SurfaceMaps maps;
  maps.diffuse = NewImage(size);
  maps.normal = NewImage(size);
  const float strength = BumpStrength(surface);
  const auto heightAt = [&](int x, int y) {
    x = (x + size) % size;  // the tile wraps
    y = (y + size) % size;
    return texels[static_cast<std::size_t>(y) * static_cast<std::size_t>(size) + static_cast<std::size_t>(x)].height;
  };
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * static_cast<std::size_t>(size) + static_cast<std::size_t>(x);
      const V3 albedo = texels[i].albedo;
      maps.diffuse.pixels[i * 4u + 0u] = Byte(albedo.x);
      maps.diffuse.pixels[i * 4u + 1u] = Byte(albedo.y);
      maps.diffuse.pixels[i * 4u + 2u] = Byte(albedo.z);
      // Rising towards +u tilts the normal towards -u; rows grow with v.
      const float du = 0.5f * (heightAt(x + 1, y) - heightAt(x - 1, y)) * strength;
      const float dv = 0.5f * (heightAt(x, y + 1) - heightAt(x, y - 1)) * strength;
      const V3 n = Normalize(V3{-du, -dv, 1.0f});
      maps.normal.pixels[i * 4u + 0u] = Byte(0.5f + 0.5f * n.x);
      maps.normal.pixels[i * 4u + 1u] = Byte(0.5f + 0.5f * n.y);
      maps.normal.pixels[i * 4u + 2u] = Byte(0.5f + 0.5f * n.z);
    }
  }

  if (std::strcmp(StyleOf(surface).udtType, "MapMid+") == 0) {
    // Half resolution is plenty for highlights: average 2 x 2 texels.
    const int half = size / 2;
    maps.specular = NewImage(half);
    for (int y = 0; y < half; ++y) {
      for (int x = 0; x < half; ++x) {
        V3 colour{};
        float power = 0.0f;
        for (int k = 0; k < 4; ++k) {
          const Texel& t = texels[static_cast<std::size_t>(2 * y + k / 2) * static_cast<std::size_t>(size) +
                                  static_cast<std::size_t>(2 * x + k % 2)];
          colour = colour + t.specular * 0.25f;
          power += t.power * 0.25f;
        }
        const std::size_t o = (static_cast<std::size_t>(y) * static_cast<std::size_t>(half) + static_cast<std::size_t>(x)) * 4u;
        maps.specular.pixels[o + 0u] = Byte(colour.x);
        maps.specular.pixels[o + 1u] = Byte(colour.y);
        maps.specular.pixels[o + 2u] = Byte(colour.z);
        maps.specular.pixels[o + 3u] = static_cast<std::uint8_t>(std::clamp(std::lround(power), 1L, 255L));
      }
    }
  }
  return maps;
}

}  // namespace assetgen::arena
