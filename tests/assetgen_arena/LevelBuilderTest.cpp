// The level builder's shapes: tessellation that keeps the outline, holes
// where the caller asks for them, and closed, outward-facing solids.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "assetgen_arena/ArenaTestSupport.h"
#include "tools/assetgen/arena/LevelBuilder.h"

namespace arena_test {
namespace {

using namespace assetgen::arena;

float Area(const assetgen::MeshModel& mesh) {
  float area = 0.0f;
  for (const auto& f : mesh.faces) {
    area += 0.5f * Length(Cross(Position(mesh, f[1]) - Position(mesh, f[0]), Position(mesh, f[2]) - Position(mesh, f[0])));
  }
  return area;
}

float LongestEdge(const assetgen::MeshModel& mesh) {
  float longest = 0.0f;
  for (const auto& f : mesh.faces) {
    for (int e = 0; e < 3; ++e) {
      longest = std::max(longest, Length(Position(mesh, f[static_cast<std::size_t>((e + 1) % 3)]) -
                                         Position(mesh, f[static_cast<std::size_t>(e)])));
    }
  }
  return longest;
}

TEST(LevelBuilder, SplitLinesKeepsEveryBreakAndShortCells) {
  const std::vector<float> lines = SplitLines({0.0f, 100.0f, 30.0f, 30.0f}, 24.0f);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), 0.0f);
  EXPECT_EQ(lines.back(), 100.0f);
  EXPECT_NE(std::find(lines.begin(), lines.end(), 30.0f), lines.end());
  for (std::size_t i = 1; i < lines.size(); ++i) {
    EXPECT_GT(lines[i], lines[i - 1]);
    EXPECT_LE(lines[i] - lines[i - 1], 24.0f + 1e-4f);
  }
}

TEST(LevelBuilder, PlanarRegionCoversItsPolygonInSmallCells) {
  // A triangle 100 x 60 on a slanted plane, any winding.
  const V3 a{0, 0, 0}, b{100, 30, 0}, c{0, 30, 60};
  const V3 normal = Cross(c - a, b - a);
  for (const std::vector<V3>& polygon : {std::vector<V3>{a, b, c}, std::vector<V3>{a, c, b}}) {
    LevelBuilder builder({10.0f}, 24.0f);
    builder.AddPlanarRegion(polygon, normal, 0);
    const auto& mesh = builder.mesh();
    EXPECT_NEAR(Area(mesh), 0.5f * Length(Cross(b - a, c - a)), 0.5f);
    EXPECT_LE(LongestEdge(mesh), 24.0f * std::sqrt(2.0f) + 1e-3f);
    for (std::uint32_t f = 0; f < mesh.faces.size(); ++f) EXPECT_GT(Dot(WindingNormal(mesh, f), Normalize(normal)), 0.999f);
    EXPECT_EQ(builder.charts().size(), 1u);
  }
}

TEST(LevelBuilder, RejectedCellsLeaveExactHoles) {
  const std::vector<float> lines = SplitLines({0.0f, 40.0f, 100.0f}, 24.0f);
  LevelBuilder builder({10.0f}, 24.0f);
  builder.AddPlanarRegion({{0, 0, 0}, {100, 0, 0}, {100, 0, 100}, {0, 0, 100}}, {0, 1, 0}, 0, &lines, &lines,
                          [](V3 centre) { return !(centre.x < 40.0f && centre.z < 40.0f); });
  EXPECT_NEAR(Area(builder.mesh()), 100.0f * 100.0f - 40.0f * 40.0f, 1e-2f);
}

TEST(LevelBuilder, BoxFacesPointOutwardsAndMaskDropsFaces) {
  LevelBuilder builder({10.0f}, 24.0f);
  builder.AddBox({0, 0, 0}, {10, 20, 30}, 0, 0, 0x3Fu);
  const auto& mesh = builder.mesh();
  EXPECT_NEAR(Area(mesh), 2.0f * (10 * 20 + 20 * 30 + 10 * 30), 1e-2f);
  const V3 centre{5, 10, 15};
  for (std::uint32_t f = 0; f < mesh.faces.size(); ++f) {
    const auto& face = mesh.faces[f];
    const V3 mid = (Position(mesh, face[0]) + Position(mesh, face[1]) + Position(mesh, face[2])) * (1.0f / 3.0f);
    EXPECT_GT(Dot(WindingNormal(mesh, f), mid - centre), 0.0f) << "face " << f;
  }
  LevelBuilder open({10.0f}, 24.0f);
  open.AddBox({0, 0, 0}, {10, 20, 30}, 0, 0, 0x37u);  // no bottom
  EXPECT_NEAR(Area(open.mesh()), Area(mesh) - 10 * 30, 1e-2f);
}

TEST(LevelBuilder, PrismSidesAndRingsFaceTheWayAsked) {
  LevelBuilder builder({10.0f}, 24.0f);
  builder.AddPrismSides(0, 0, 10, 0, 30, 16, 0.0f, 0, true);
  const std::size_t outerFaces = builder.mesh().faces.size();
  builder.AddPrismSides(0, 0, 10, 0, 30, 16, 0.0f, 0, true, true);
  builder.AddRingTop(0, 0, 10, 14, 30, 16, 0);
  const auto& mesh = builder.mesh();
  for (std::uint32_t f = 0; f < mesh.faces.size(); ++f) {
    const auto& face = mesh.faces[f];
    const V3 mid = (Position(mesh, face[0]) + Position(mesh, face[1]) + Position(mesh, face[2])) * (1.0f / 3.0f);
    const V3 n = WindingNormal(mesh, f);
    if (f < outerFaces) {
      EXPECT_GT(Dot(n, V3{mid.x, 0, mid.z}), 0.0f) << "outer side " << f;
    } else if (std::fabs(n.y) < 0.5f) {
      EXPECT_LT(Dot(n, V3{mid.x, 0, mid.z}), 0.0f) << "inner side " << f;
    } else {
      EXPECT_GT(n.y, 0.99f) << "ring top " << f;
    }
  }
  EXPECT_EQ(builder.charts().size(), 3u);
}

TEST(LevelBuilder, StairsClimbInEqualRisesAndTreads) {
  LevelBuilder builder({10.0f}, 24.0f);
  builder.AddStairs({0, 0, 0}, {0, 0, 1}, 20.0f, 4, 2.5f, 5.0f, 0, 0, 1.0f);
  const auto& mesh = builder.mesh();
  float treadArea = 0.0f, riserArea = 0.0f;
  for (std::uint32_t f = 0; f < mesh.faces.size(); ++f) {
    const V3 n = WindingNormal(mesh, f);
    const auto& face = mesh.faces[f];
    const float area =
        0.5f * Length(Cross(Position(mesh, face[1]) - Position(mesh, face[0]), Position(mesh, face[2]) - Position(mesh, face[0])));
    if (n.y > 0.99f) treadArea += area;
    if (n.z < -0.99f) riserArea += area;  // risers face down the stair
  }
  EXPECT_NEAR(treadArea, 3 * 5.0f * 20.0f, 1e-2f);
  EXPECT_NEAR(riserArea, 4 * 2.5f * 20.0f, 1e-2f);
  EXPECT_EQ(builder.charts().size(), 3u);  // steps unrolled in one chart, two sides
}

}  // namespace
}  // namespace arena_test
