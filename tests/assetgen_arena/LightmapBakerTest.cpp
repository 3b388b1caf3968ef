// The baker on a small scene whose light is easy to predict: a floor with a
// tall block on it.

#include <gtest/gtest.h>

#include <cmath>

#include "assetgen_arena/ArenaTestSupport.h"
#include "tools/assetgen/arena/ChartPacker.h"
#include "tools/assetgen/arena/LevelBuilder.h"
#include "tools/assetgen/arena/LightmapBaker.h"

namespace arena_test {
namespace {

using namespace assetgen::arena;

class SmallScene : public ::testing::Test {
 protected:
  void SetUp() override {
    LevelBuilder builder({10.0f}, 10.0f);
    builder.AddPlanarRegion({{-60, 0, -60}, {60, 0, -60}, {60, 0, 60}, {-60, 0, 60}}, {0, 1, 0}, 0);
    builder.AddBox({-5, 0, -5}, {5, 30, 5}, 0, 0, 0x37u);
    mesh_ = builder.mesh();
    ASSERT_GT(PackLightmapCharts(builder.charts(), builder.chartCoords(), 256, 2, &mesh_), 0.0f);
    faceChart_ = builder.FaceCharts();
    std::vector<V3> positions;
    for (std::uint32_t v = 0; v < mesh_.vertices.size(); ++v) positions.push_back(Position(mesh_, v));
    tracer_.Build(positions, mesh_.faces);
    settings_.size = 256;
    std::string error;
    ASSERT_TRUE(BakeLightmap(mesh_, faceChart_, tracer_, settings_, &map_, &error)) << error;
  }

  // Light-map luminance on the floor at (x, z).
  float FloorAt(float x, float z) const {
    const RayHit hit = CastRay(mesh_, {x, 100.0f, z}, {0, -1, 0}, 1000.0f);
    EXPECT_TRUE(hit.hit);
    EXPECT_NEAR(100.0f - hit.t, 0.0f, 1e-3f) << "not the floor";
    const auto& f = mesh_.faces[hit.face];
    const float b0 = 1.0f - hit.b1 - hit.b2;
    const float u = mesh_.vertices[f[0]].uv2.x * b0 + mesh_.vertices[f[1]].uv2.x * hit.b1 + mesh_.vertices[f[2]].uv2.x * hit.b2;
    const float v = mesh_.vertices[f[0]].uv2.y * b0 + mesh_.vertices[f[1]].uv2.y * hit.b1 + mesh_.vertices[f[2]].uv2.y * hit.b2;
    const int x0 = static_cast<int>(u * 256.0f), y0 = static_cast<int>(v * 256.0f);
    const std::uint8_t* p = &map_.pixels[(static_cast<std::size_t>(y0) * 256u + static_cast<std::size_t>(x0)) * 4u];
    return (p[0] + p[1] + p[2]) / (3.0f * 255.0f);
  }

  assetgen::MeshModel mesh_;
  std::vector<std::uint32_t> faceChart_;
  RayTracer tracer_;
  BakeSettings settings_;
  assetgen::ImageRgba map_;
};

TEST_F(SmallScene, ShadowFallsWhereTheLightTravels) {
  // The light travels along (0.4, -0.9, 0.7): the block's shadow lies
  // towards +x and +z, the far side is lit.
  const float along = 15.0f / 0.9f;  // 15 units down the light ray from the block's middle
  EXPECT_LT(FloorAt(0.4f * along, 0.7f * along), 0.4f);
  EXPECT_GT(FloorAt(-0.4f * along, -0.7f * along), 0.5f);
  EXPECT_NEAR(FloorAt(-45.0f, 45.0f), (settings_.lit.x + settings_.lit.y + settings_.lit.z) / 3.0f, 0.02f)
      << "open floor keeps the sunlit value";
}

TEST_F(SmallScene, FloorDarkensTowardsTheBlocksFoot) {
  // The lit side of the block: further from it, more sky.
  const float near = FloorAt(-6.0f, -1.0f);
  const float far = FloorAt(-25.0f, -1.0f);
  EXPECT_LT(near, far - 0.05f);
}

TEST_F(SmallScene, EveryTexelIsFilledAndNothingIsPureBlack) {
  for (std::size_t i = 0; i < map_.pixels.size(); i += 4) {
    ASSERT_GT(map_.pixels[i], 10u);
    ASSERT_EQ(map_.pixels[i + 3], 255u);
  }
}

TEST_F(SmallScene, ResultDoesNotDependOnTheThreadCount) {
  BakeSettings single = settings_;
  single.threads = 1;
  assetgen::ImageRgba other;
  std::string error;
  ASSERT_TRUE(BakeLightmap(mesh_, faceChart_, tracer_, single, &other, &error));
  EXPECT_EQ(other.pixels, map_.pixels);
}

TEST(LightmapBaker, RefusesAMeshWithoutLightMapCoordinates) {
  assetgen::MeshModel mesh;
  mesh.vertices.resize(3);
  mesh.faces.push_back({0u, 1u, 2u});
  RayTracer tracer;
  assetgen::ImageRgba out;
  std::string error;
  EXPECT_FALSE(BakeLightmap(mesh, {0u}, tracer, BakeSettings{}, &out, &error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace arena_test
