// Packing rectangles and light-map charts.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "tools/assetgen/arena/ChartPacker.h"

namespace arena_test {
namespace {

using namespace assetgen::arena;

bool Overlap(const PackRect& a, const PackRect& b) {
  return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

TEST(ChartPacker, PlacesMixedRectanglesInsideWithoutOverlap) {
  std::vector<PackRect> rects;
  std::uint32_t seed = 3u;
  for (int i = 0; i < 120; ++i) {  // about three quarters of the atlas
    seed = seed * 1664525u + 1013904223u;
    PackRect r;
    r.width = 2 + static_cast<int>((seed >> 10) % 40);
    r.height = 2 + static_cast<int>((seed >> 20) % 25);
    rects.push_back(r);
  }
  rects.push_back({200, 60});  // one wide chart, like a wall
  ASSERT_TRUE(PackRectangles(&rects, 256, 256));
  for (std::size_t i = 0; i < rects.size(); ++i) {
    const PackRect& r = rects[i];
    ASSERT_GE(r.x, 0);
    ASSERT_GE(r.y, 0);
    ASSERT_LE(r.x + r.width, 256);
    ASSERT_LE(r.y + r.height, 256);
    for (std::size_t j = i + 1; j < rects.size(); ++j) ASSERT_FALSE(Overlap(r, rects[j])) << i << " and " << j;
  }
}

TEST(ChartPacker, ReportsRectanglesThatCannotFit) {
  std::vector<PackRect> tooWide = {{300, 10}};
  EXPECT_FALSE(PackRectangles(&tooWide, 256, 256));
  std::vector<PackRect> tooMany(5, PackRect{128, 128});
  EXPECT_FALSE(PackRectangles(&tooMany, 256, 256));
  std::vector<PackRect> exact(4, PackRect{128, 128});
  EXPECT_TRUE(PackRectangles(&exact, 256, 256));
}

TEST(ChartPacker, ChartsKeepTheirShapeAndOneDensity) {
  // Two planar charts, 10 x 10 and 40 x 20 world units: every vertex lands
  // inside the map, and world distances scale by one density.
  std::vector<float> tiles = {10.0f};
  LevelBuilder builder(tiles, 100.0f);
  builder.AddPlanarRegion({{0, 0, 0}, {10, 0, 0}, {10, 0, 10}, {0, 0, 10}}, {0, 1, 0}, 0);
  builder.AddPlanarRegion({{0, 0, 0}, {40, 0, 0}, {40, 20, 0}, {0, 20, 0}}, {0, 0, -1}, 0);
  assetgen::MeshModel mesh = builder.mesh();
  const float density = PackLightmapCharts(builder.charts(), builder.chartCoords(), 64, 2, &mesh);
  ASSERT_GT(density, 0.5f);
  ASSERT_TRUE(mesh.hasUv2);
  for (const auto& face : mesh.faces) {
    for (int e = 0; e < 3; ++e) {
      const auto& a = mesh.vertices[face[static_cast<std::size_t>(e)]];
      const auto& b = mesh.vertices[face[static_cast<std::size_t>((e + 1) % 3)]];
      const V3 d{b.position.x - a.position.x, b.position.y - a.position.y, b.position.z - a.position.z};
      const float du = (b.uv2.x - a.uv2.x) * 64.0f, dv = (b.uv2.y - a.uv2.y) * 64.0f;
      EXPECT_NEAR(std::sqrt(du * du + dv * dv), Length(d) * density, 1e-3f);
      EXPECT_GT(a.uv2.x, 0.0f);
      EXPECT_LT(a.uv2.x, 1.0f);
      EXPECT_GT(a.uv2.y, 0.0f);
      EXPECT_LT(a.uv2.y, 1.0f);
    }
  }
}

}  // namespace
}  // namespace arena_test
