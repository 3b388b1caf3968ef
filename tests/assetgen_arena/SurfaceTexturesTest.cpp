// The procedural surface maps: seamless tiling, valid normal and specular
// maps, and the maps each material type reads.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "tools/assetgen/arena/ArenaLayout.h"
#include "tools/assetgen/arena/SurfaceTextures.h"
#include "tools/assetgen/arena/TileNoise.h"

namespace arena_test {
namespace {

using namespace assetgen::arena;
using assetgen::ImageRgba;

int Texel(const ImageRgba& image, int x, int y, int c) {
  return image.pixels[(static_cast<std::size_t>(y) * image.width + x) * 4u + static_cast<std::size_t>(c)];
}

// Mean colour step between two neighbouring columns (or rows); `first`
// wraps to 0 at the image's edge.
double Step(const ImageRgba& image, bool columns, int first) {
  const int n = columns ? image.width : image.height;
  const int next = (first + 1) % n;
  const int length = columns ? image.height : image.width;
  double sum = 0.0;
  for (int j = 0; j < length; ++j) {
    for (int c = 0; c < 3; ++c) {
      sum += columns ? std::abs(Texel(image, next, j, c) - Texel(image, first, j, c))
                     : std::abs(Texel(image, j, next, c) - Texel(image, j, first, c));
    }
  }
  return sum / length;
}

TEST(SurfaceTextures, EveryMapTilesWithoutASeam) {
  // Across the wrap-around the maps change no more than across an inner
  // line. Mortar, plank gaps and plate seams repeat every half tile, so the
  // line through the middle of the tile is compared too.
  for (int s = 0; s < kSurfaceCount; ++s) {
    const SurfaceMaps maps = PaintSurface(s, 128, 1);
    for (const ImageRgba* image : {&maps.diffuse, &maps.normal}) {
      for (bool columns : {true, false}) {
        double inside = 0.0;
        for (int i = 0; i < 127; ++i) inside += Step(*image, columns, i) / 127.0;
        const double seam = Step(*image, columns, 127);
        const double middle = Step(*image, columns, 63);
        EXPECT_LT(seam, std::max(2.0 * inside, 1.25 * middle) + 3.0) << StyleOf(s).name << (columns ? " columns" : " rows");
      }
    }
  }
}

TEST(SurfaceTextures, MapsMatchTheMaterialTypeAndDecodeCleanly) {
  for (int s = 0; s < kSurfaceCount; ++s) {
    const SurfaceMaps maps = PaintSurface(s, 64, 2);
    EXPECT_EQ(maps.diffuse.width, 64);
    EXPECT_EQ(maps.normal.width, 64);
    const bool wantsSpecular = std::strcmp(StyleOf(s).udtType, "MapMid+") == 0;
    EXPECT_EQ(!maps.specular.pixels.empty(), wantsSpecular) << StyleOf(s).name;
    if (wantsSpecular) {
      EXPECT_EQ(maps.specular.width, 32);
    }
    // The relief is visible: normals are not all flat.
    int tilted = 0;
    for (std::size_t i = 0; i < maps.normal.pixels.size(); i += 4) {
      if (std::abs(maps.normal.pixels[i] - 128) > 6 || std::abs(maps.normal.pixels[i + 1] - 128) > 6) ++tilted;
    }
    EXPECT_GT(tilted, 64 * 64 / 20) << StyleOf(s).name;
  }
}

TEST(SurfaceTextures, PaintingDoesNotDependOnTheThreadCount) {
  const SurfaceMaps one = PaintSurface(kPlanks, 64, 1);
  const SurfaceMaps three = PaintSurface(kPlanks, 64, 3);
  EXPECT_EQ(one.diffuse.pixels, three.diffuse.pixels);
  EXPECT_EQ(one.normal.pixels, three.normal.pixels);
  EXPECT_EQ(one.specular.pixels, three.specular.pixels);
}

TEST(TileNoise, RepeatsAcrossTheTileAndStaysInRange) {
  for (float v : {0.0f, 0.37f, 0.9f}) {
    EXPECT_NEAR(TileNoise(0.0f, v, 8, 8, 5u), TileNoise(1.0f, v, 8, 8, 5u), 1e-5f);
    EXPECT_NEAR(TileFbm(v, 0.0f, 4, 5, 9u), TileFbm(v, 1.0f, 4, 5, 9u), 1e-5f);
    const CellSample left = TileCells(0.0f, v, 6, 3u), right = TileCells(1.0f, v, 6, 3u);
    EXPECT_EQ(left.id, right.id);
    EXPECT_NEAR(left.f1, right.f1, 1e-4f);
    EXPECT_NEAR(left.edge, right.edge, 1e-4f);
  }
  for (int i = 0; i < 1000; ++i) {
    const float u = static_cast<float>(i) * 0.0137f, v = static_cast<float>(i) * 0.0071f;
    const float n = TileFbm(u, v, 4, 4, 1u);
    EXPECT_GE(n, 0.0f);
    EXPECT_LE(n, 1.0f);
    const CellSample c = TileCells(u, v, 5, 2u);
    EXPECT_LE(c.f1, c.f2);
    EXPECT_GE(c.edge, -1e-4f);
  }
}

}  // namespace
}  // namespace arena_test
