// The level mesh as the game's loaders and renderer need it: within the
// vertex limit, finite, wound consistently with its normals, with texture
// coordinates that give tangents, and materials that map to physics codes.

#include <algorithm>
#include <cmath>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "assetgen_arena/ArenaTestSupport.h"

namespace arena_test {
namespace {

using namespace assetgen::arena;
using assetgen::MeshModel;

V3 Normal(const MeshModel& mesh, std::uint32_t vertex) {
  const assetgen::Vec3& n = mesh.vertices[vertex].normal;
  return {n.x, n.y, n.z};
}

TEST(ArenaMesh, FitsSixteenBitIndicesAndHoldsNoNonFiniteValue) {
  const MeshModel& mesh = Level().mesh;
  EXPECT_LE(mesh.vertices.size(), 65535u);
  EXPECT_GT(mesh.faces.size(), 1000u);
  ASSERT_EQ(mesh.faceMaterial.size(), mesh.faces.size());
  for (const auto& v : mesh.vertices) {
    for (float value : {v.position.x, v.position.y, v.position.z, v.normal.x, v.normal.y, v.normal.z, v.uv.x, v.uv.y,
                        v.uv2.x, v.uv2.y}) {
      ASSERT_TRUE(std::isfinite(value));
    }
  }
  for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
    for (std::uint32_t index : mesh.faces[f]) ASSERT_LT(index, mesh.vertices.size());
    ASSERT_LT(mesh.faceMaterial[f], mesh.materials.size());
  }
}

TEST(ArenaMesh, FacesWindClockwiseAroundTheirNormals) {
  const MeshModel& mesh = Level().mesh;
  for (std::uint32_t f = 0; f < mesh.faces.size(); ++f) {
    const auto& face = mesh.faces[f];
    const V3 a = Position(mesh, face[0]), b = Position(mesh, face[1]), c = Position(mesh, face[2]);
    const float area = 0.5f * Length(Cross(b - a, c - a));
    ASSERT_GT(area, 1e-3f) << "degenerate face " << f;
    const V3 winding = WindingNormal(mesh, f);
    for (std::uint32_t v : face) {
      EXPECT_NEAR(Length(Normal(mesh, v)), 1.0f, 1e-3f);
      // Smooth columns tilt vertex normals by half a segment at most.
      EXPECT_GT(Dot(winding, Normal(mesh, v)), 0.95f) << "face " << f;
    }
  }
}

TEST(ArenaMesh, TextureCoordinatesAreUnmirroredSoEveryFaceHasATangent) {
  // Seen from the front, u grows to the right and v downwards: the
  // tangent-frame builder rejects faces with the opposite orientation.
  const MeshModel& mesh = Level().mesh;
  for (std::uint32_t f = 0; f < mesh.faces.size(); ++f) {
    const auto& face = mesh.faces[f];
    const assetgen::Vec2 t0 = mesh.vertices[face[0]].uv, t1 = mesh.vertices[face[1]].uv, t2 = mesh.vertices[face[2]].uv;
    const float orientation = (t1.x - t0.x) * (t2.y - t0.y) - (t1.y - t0.y) * (t2.x - t0.x);
    EXPECT_GT(orientation, 1.1920929e-7f) << "face " << f;
  }
}

TEST(ArenaMesh, TexturesTileAtAnEvenWorldDensity) {
  // Texture repeats per world unit agree with the surface's tile size on
  // every face (no stretched faces).
  const MeshModel& mesh = Level().mesh;
  for (std::uint32_t f = 0; f < mesh.faces.size(); ++f) {
    const auto& face = mesh.faces[f];
    const float tile = StyleOf(static_cast<int>(mesh.faceMaterial[f])).tileSize;
    for (int e = 0; e < 3; ++e) {
      const std::uint32_t i = face[static_cast<std::size_t>(e)], j = face[static_cast<std::size_t>((e + 1) % 3)];
      const float world = Length(Position(mesh, j) - Position(mesh, i));
      const float du = mesh.vertices[j].uv.x - mesh.vertices[i].uv.x, dv = mesh.vertices[j].uv.y - mesh.vertices[i].uv.y;
      EXPECT_NEAR(std::sqrt(du * du + dv * dv) * tile, world, 0.02f * world + 1e-3f) << "face " << f;
    }
  }
}

TEST(ArenaMesh, EveryMaterialNamesAnUdtFileStartingWithItsPhysicsCode) {
  const MeshModel& mesh = Level().mesh;
  ASSERT_EQ(mesh.materials.size(), static_cast<std::size_t>(kSurfaceCount));
  // The physics row each surface is meant to have.
  const int expected[kSurfaceCount] = {8 /*grass*/, 3 /*stone*/, 3 /*stone*/, 2 /*wood*/,
                                       4 /*metal*/, 7 /*sand*/,  6 /*dirt*/};
  std::set<int> rows;
  for (int s = 0; s < kSurfaceCount; ++s) {
    const std::string& file = mesh.materials[static_cast<std::size_t>(s)].textureFile;
    EXPECT_EQ(PhysicsRowFor(file), expected[s]) << file;
    EXPECT_EQ(file.compare(2, 1, "_"), 0) << file;
    EXPECT_EQ(file.substr(file.size() - 4), ".udt") << file;
    for (char c : file) EXPECT_FALSE(c >= 'A' && c <= 'Z') << "data file names are lower case: " << file;
    rows.insert(expected[s]);
  }
  // Grass, stone, wood, metal, sand and dirt all present.
  EXPECT_EQ(rows, (std::set<int>{2, 3, 4, 6, 7, 8}));
}

TEST(ArenaMesh, PhysicsRowLookupFollowsSceneLoading) {
  EXPECT_EQ(PhysicsRowFor("gr_grass.udt"), 8);
  EXPECT_EQ(PhysicsRowFor("**_x.udt"), 1);  // row 0 falls back to Univ
  EXPECT_EQ(PhysicsRowFor("zz_x.udt"), 1);  // unknown code
  EXPECT_EQ(PhysicsRowFor("g"), 1);
}

TEST(ArenaMesh, EveryFaceBelongsToOneLightMapChartWithItsOwnVertices) {
  // A vertex shared by two charts would need two light-map positions.
  const auto& level = Level();
  ASSERT_EQ(level.faceChart.size(), level.mesh.faces.size());
  std::vector<std::int64_t> chartOfVertex(level.mesh.vertices.size(), -1);
  for (std::size_t f = 0; f < level.mesh.faces.size(); ++f) {
    for (std::uint32_t v : level.mesh.faces[f]) {
      if (chartOfVertex[v] < 0) chartOfVertex[v] = level.faceChart[f];
      EXPECT_EQ(chartOfVertex[v], static_cast<std::int64_t>(level.faceChart[f])) << "vertex " << v;
    }
  }
  EXPECT_GT(level.texelsPerWorldUnit, 0.5f);
}

TEST(ArenaMesh, LightMapChartsKeepApartByTheirPadding) {
  const MeshModel& mesh = Level().mesh;
  const auto& faceChart = Level().faceChart;
  struct Box {
    float x0 = 1e9f, y0 = 1e9f, x1 = -1e9f, y1 = -1e9f;
  };
  std::vector<Box> boxes(static_cast<std::size_t>(Level().chartCount));
  for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
    Box& b = boxes[faceChart[f]];
    for (std::uint32_t v : mesh.faces[f]) {
      const float x = mesh.vertices[v].uv2.x * 1024.0f, y = mesh.vertices[v].uv2.y * 1024.0f;
      b.x0 = std::min(b.x0, x);
      b.y0 = std::min(b.y0, y);
      b.x1 = std::max(b.x1, x);
      b.y1 = std::max(b.y1, y);
    }
  }
  // Bilinear filtering reads one texel beyond a chart's content, and the
  // baker writes one texel beyond it: two texels of clearance each way.
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    for (std::size_t j = i + 1; j < boxes.size(); ++j) {
      const Box& a = boxes[i];
      const Box& b = boxes[j];
      const float gapX = std::max(b.x0 - a.x1, a.x0 - b.x1);
      const float gapY = std::max(b.y0 - a.y1, a.y0 - b.y1);
      EXPECT_GE(std::max(gapX, gapY), 2.0f) << "charts " << i << " and " << j;
    }
  }
}

}  // namespace
}  // namespace arena_test
