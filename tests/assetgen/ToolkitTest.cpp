// The modelling and texture toolkit: winding and texture orientation of
// the primitives, deterministic and tiling noise, normal maps from height,
// distance fields and their meshes, chart atlases and baking.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

#include "tools/assetgen/AtlasBake.h"
#include "tools/assetgen/ChartAtlas.h"
#include "tools/assetgen/MeshBuilder.h"
#include "tools/assetgen/Noise.h"
#include "tools/assetgen/Sdf.h"
#include "tools/assetgen/SurfaceNets.h"
#include "tools/assetgen/TextureTools.h"

namespace {

using namespace assetgen;

// Every edge used by exactly two faces, once in each direction: a closed
// surface whose faces all wind the same way.
bool ClosedAndConsistent(const MeshModel& mesh, std::string* why) {
  std::map<std::pair<std::uint32_t, std::uint32_t>, int> directed;
  for (const auto& face : mesh.faces) {
    for (int e = 0; e < 3; ++e) ++directed[{face[e], face[(e + 1) % 3]}];
  }
  for (const auto& entry : directed) {
    if (entry.second != 1) {
      *why = "an edge is used twice in the same direction";
      return false;
    }
    if (directed.count({entry.first.second, entry.first.first}) == 0) {
      *why = "an edge has no partner";
      return false;
    }
  }
  return true;
}

TEST(MeshBuilderTest, ClosedPrimitivesWindOutwardsWithUsableTextureCoordinates) {
  MeshModel box, cylinder, capsule, sphere, lathe;
  AppendBox(&box, {0, 0, 0}, {1, 2, 3});
  AppendCylinder(&cylinder, 0.5f, -1.0f, 1.0f, 12);
  AppendCapsule(&capsule, 0.5f, -1.0f, 1.0f, 12, 4);
  AppendSphere(&sphere, 16, 10, [](Vec3 d) { return 1.0f + 0.1f * d.y * d.y; });
  AppendLathe(&lathe, {{0.0f, 0.0f}, {1.0f, 0.2f}, {0.8f, 1.0f}, {0.0f, 1.2f}}, 8);
  for (const MeshModel* m : {&box, &cylinder, &capsule, &sphere, &lathe}) {
    EXPECT_EQ(OutwardFaceFraction(*m, {0, m == &lathe ? 0.6f : 0.0f, 0}), 1.0f);
    // Texture orientation gives the game a tangent on every face.
    EXPECT_EQ(UnusableUvFraction(*m), 0.0f);
    for (const MeshVertex& v : m->vertices) EXPECT_NEAR(Length(v.normal), 1.0f, 1e-4f);
  }
  // The sphere's normals follow its displaced surface: at the equator they
  // point straight out.
  for (const MeshVertex& v : sphere.vertices) {
    if (std::fabs(v.position.y) < 1e-4f) {
      EXPECT_NEAR(v.normal.y, 0.0f, 0.05f);
    }
  }
  // ...and weld across the texture seam: vertices at u = 0 and u = 1 share
  // a position and a normal.
  int seam = 0;
  for (const MeshVertex& a : sphere.vertices) {
    for (const MeshVertex& b : sphere.vertices) {
      if (a.uv.x == 0.0f && b.uv.x == 1.0f && Distance(a.position, b.position) < 1e-6f) {
        EXPECT_LT(Distance(a.normal, b.normal), 1e-5f);
        ++seam;
      }
    }
  }
  EXPECT_GT(seam, 0);
  // A crease keeps both normals: the cylinder's rim has up and sideways ones.
  int up = 0, side = 0;
  for (const MeshVertex& v : cylinder.vertices) {
    if (std::fabs(v.position.y - 1.0f) > 1e-5f) continue;
    up += v.normal.y > 0.99f ? 1 : 0;
    side += std::fabs(v.normal.y) < 0.01f ? 1 : 0;
  }
  EXPECT_GT(up, 0);
  EXPECT_GT(side, 0);
  // Both measures see a fault: the box turned inside out faces inwards and
  // its mapping is mirrored.
  for (auto& face : box.faces) std::swap(face[1], face[2]);
  EXPECT_EQ(OutwardFaceFraction(box, {}), 0.0f);
  EXPECT_EQ(UnusableUvFraction(box), 1.0f);
}

TEST(MeshBuilderTest, SweepsFaceOutwardsWhicheverWayTheSectionTurns) {
  std::vector<SweepFrame> path;
  for (int i = 0; i <= 4; ++i) path.push_back({{0, static_cast<float>(i), 0}, {1, 0, 0}, {0, 0, 1}, 1.0f, 1.0f});
  std::vector<Vec2> section;
  for (int i = 0; i < 8; ++i) section.push_back({0.3f * std::cos(i * kPi / 4), 0.3f * std::sin(i * kPi / 4)});
  std::vector<Vec2> reversed(section.rbegin(), section.rend());
  for (const auto* s : {&section, &reversed}) {
    MeshModel tube;
    AppendSweep(&tube, path, *s, true, true);
    // Every face points away from the path (caps away along it).
    for (const auto& face : tube.faces) {
      const Vec3 p0 = tube.vertices[face[0]].position, p1 = tube.vertices[face[1]].position,
                 p2 = tube.vertices[face[2]].position;
      const Vec3 centre = (p0 + p1 + p2) / 3.0f;
      const Vec3 axis{0, Clamp(centre.y, 0.0f, 4.0f), 0};
      const Vec3 away = centre.y < 1e-4f ? Vec3{0, -1, 0} : (centre.y > 4.0f - 1e-4f ? Vec3{0, 1, 0} : centre - axis);
      EXPECT_GT(Dot(Cross(p1 - p0, p2 - p0), away), 0.0f);
    }
    // Sides and caps alike give the game a tangent on every face.
    EXPECT_EQ(UnusableUvFraction(tube), 0.0f);
  }
}

TEST(NoiseTest, TheSameSeedGivesTheSameNumbersAndPeriodicNoiseTiles) {
  Random a(42), b(42), c(43);
  for (int i = 0; i < 100; ++i) {
    const std::uint32_t x = a.Next();
    EXPECT_EQ(x, b.Next());
    EXPECT_NE(x, c.Next());
  }
  EXPECT_NE(Hash(7, 1, 2, 3), Hash(7, 1, 2, 4));
  for (float x = 0.1f; x < 8.0f; x += 0.37f) {
    for (float y = 0.2f; y < 8.0f; y += 0.41f) {
      EXPECT_NEAR(Fbm2(x, y, 5u, 4, 0.5f, 8), Fbm2(x + 8.0f, y, 5u, 4, 0.5f, 8), 1e-5f);
      EXPECT_NEAR(Fbm2(x, y, 5u, 4, 0.5f, 8), Fbm2(x, y - 8.0f, 5u, 4, 0.5f, 8), 1e-5f);
      EXPECT_NEAR(Cellular2(x, y, 9u, 8).nearest, Cellular2(x + 8.0f, y, 9u, 8).nearest, 1e-5f);
      EXPECT_LE(std::fabs(ValueNoise2(x, y, 3u)), 1.0f);
    }
  }
  // Noise is continuous: close points, close values.
  EXPECT_NEAR(GradientNoise3(1.3f, 2.7f, 0.2f, 1u), GradientNoise3(1.3001f, 2.7f, 0.2f, 1u), 1e-3f);
}

TEST(TextureToolsTest, NormalMapsFromHeightTiltTowardsTheDownhillSide) {
  FloatImage flat(8, 8, 3.0f);
  const ImageRgba n = NormalMapFromHeight(flat, 1.0f, true, true);
  for (std::size_t i = 0; i < n.pixels.size(); i += 4) {
    EXPECT_EQ(n.pixels[i], 128);
    EXPECT_EQ(n.pixels[i + 1], 128);
    EXPECT_EQ(n.pixels[i + 2], 255);
  }
  // Height rising with u (to the right) and with v (downwards): the normal
  // leans towards -u and -v.
  FloatImage ramp(8, 8);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) ramp.At(x, y) = static_cast<float>(x) + 0.5f * static_cast<float>(y);
  }
  const ImageRgba slope = NormalMapFromHeight(ramp, 1.0f, false, false);
  const std::uint8_t* p = &slope.pixels[(3 * 8 + 3) * 4];
  EXPECT_LT(p[0], 100);
  EXPECT_LT(p[1], 128);
  EXPECT_GT(p[0], 0);
  EXPECT_LT(p[0], p[1]);  // steeper along u
  const Color s = SpecularTexel(0.5f, 16.0f);
  EXPECT_NEAR(s.a * 255.0f, 16.0f, 1e-3f);
  EXPECT_TRUE(IsPowerOfTwo(256, 64));
  EXPECT_FALSE(IsPowerOfTwo(256, 96));
}

TEST(SdfTest, DistancesOfPrimitivesAndTheirSmoothUnion) {
  const SdfPrimitive ball = Ellipsoid({0, 0, 0}, {1, 1, 1}, 0.0f, 0);
  EXPECT_NEAR(PrimitiveDistance(ball, {2, 0, 0}), 1.0f, 1e-5f);
  EXPECT_NEAR(PrimitiveDistance(ball, {0, 0.5f, 0}), -0.5f, 1e-5f);
  const SdfPrimitive cone = RoundCone({0, 0, 0}, {0, 2, 0}, 0.5f, 0.25f, 0.0f, 0);
  EXPECT_NEAR(PrimitiveDistance(cone, {1, 0, 0}), 0.5f, 1e-2f);
  EXPECT_NEAR(PrimitiveDistance(cone, {0, 3, 0}), 0.75f, 1e-4f);
  const SdfPrimitive box = RoundBox({0, 0, 0}, {1, 1, 1}, 0.1f, 0.0f, 0);
  EXPECT_NEAR(PrimitiveDistance(box, {3, 0, 0}), 2.0f, 1e-5f);
  SdfShape shape;
  shape.Add(Ellipsoid({-0.6f, 0, 0}, {0.5f, 0.5f, 0.5f}, 0.2f, 0));
  shape.Add(Ellipsoid({0.6f, 0, 0}, {0.5f, 0.5f, 0.5f}, 0.2f, 1));
  // The blend fills the gap between the two balls a little...
  EXPECT_LT(shape.Distance({0, 0, 0}), 0.1f);
  // ...but far away it is the plain distance.
  EXPECT_NEAR(shape.Distance({3, 0, 0}), 1.9f, 1e-4f);
  shape.Add(Carve(Ellipsoid({0.6f, 0, 0}, {0.2f, 0.2f, 0.2f}, 0.0f, -1)));
  EXPECT_GT(shape.Distance({0.6f, 0, 0}), 0.0f);
  const SdfPrimitive right = MirrorX(Ellipsoid({1, 2, 3}, {0.5f, 0.3f, 0.2f}, 0.1f, 4), 5);
  EXPECT_EQ(right.tag, 5);
  EXPECT_NEAR(PrimitiveDistance(right, {-1.5f, 2, 3}), 0.0f, 1e-5f);
}

TEST(SurfaceNetsTest, ASphereBecomesAClosedOutwardMeshOnItsSurface) {
  SdfShape shape;
  shape.Add(Ellipsoid({0.1f, 0.2f, 0.3f}, {1, 1, 1}, 0.0f, 0));
  MeshModel mesh = PolygoniseSdf(shape, 0.1f);
  std::string why;
  EXPECT_TRUE(ClosedAndConsistent(mesh, &why)) << why;
  EXPECT_EQ(OutwardFaceFraction(mesh, {0.1f, 0.2f, 0.3f}), 1.0f);
  for (const MeshVertex& v : mesh.vertices) {
    EXPECT_NEAR(Distance(v.position, {0.1f, 0.2f, 0.3f}), 1.0f, 2e-3f);
    EXPECT_GT(Dot(v.normal, Normalize(v.position - Vec3{0.1f, 0.2f, 0.3f})), 0.999f);
  }
  const std::size_t before = mesh.faces.size();
  SimplifyOnSurface(&mesh, shape, before / 4, 0.01f);
  EXPECT_LT(mesh.faces.size(), before / 2);
  EXPECT_TRUE(ClosedAndConsistent(mesh, &why)) << why;
  for (const MeshVertex& v : mesh.vertices) EXPECT_NEAR(Distance(v.position, {0.1f, 0.2f, 0.3f}), 1.0f, 2e-3f);
}

TEST(ChartAtlasTest, ChartsAreUnmirroredInsideTheAtlasAndDoNotOverlap) {
  SdfShape shape;
  shape.Add(RoundCone({-1, 0, 0}, {1, 0.3f, 0}, 0.4f, 0.25f, 0.1f, 0));
  shape.Add(Ellipsoid({0, 0.6f, 0}, {0.4f, 0.6f, 0.3f}, 0.2f, 0));
  const MeshModel mesh = PolygoniseSdf(shape, 0.06f);
  constexpr int kSize = 256;
  const ChartAtlas atlas = BuildChartAtlas(mesh, kSize, 2);
  EXPECT_GT(atlas.chartCount, 5u);
  ASSERT_EQ(atlas.mesh.faces.size(), mesh.faces.size());
  ASSERT_EQ(atlas.sourceVertex.size(), atlas.mesh.vertices.size());
  for (std::size_t v = 0; v < atlas.mesh.vertices.size(); ++v) {
    const MeshVertex& out = atlas.mesh.vertices[v];
    EXPECT_EQ(Distance(out.position, mesh.vertices[atlas.sourceVertex[v]].position), 0.0f);
    EXPECT_GE(out.uv.x, 0.0f);
    EXPECT_LE(out.uv.x, 1.0f);
    EXPECT_GE(out.uv.y, 0.0f);
    EXPECT_LE(out.uv.y, 1.0f);
  }
  // The same faces in the same order, each with a tangent for the game.
  for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
    for (int k = 0; k < 3; ++k) EXPECT_EQ(atlas.sourceVertex[atlas.mesh.faces[f][k]], mesh.faces[f][k]);
  }
  EXPECT_EQ(UnusableUvFraction(atlas.mesh), 0.0f);
  // No texel centre lies inside two faces: charts do not overlap each
  // other, and no chart folds over itself.
  std::vector<int> owner(static_cast<std::size_t>(kSize) * kSize, -1);
  int conflicts = 0;
  for (std::size_t f = 0; f < atlas.mesh.faces.size(); ++f) {
    const auto& face = atlas.mesh.faces[f];
    const Vec2 a = atlas.mesh.vertices[face[0]].uv * kSize, b = atlas.mesh.vertices[face[1]].uv * kSize,
               c = atlas.mesh.vertices[face[2]].uv * kSize;
    const float area = (b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y);
    const int x0 = static_cast<int>(std::floor(std::fmin(a.x, std::fmin(b.x, c.x))));
    const int x1 = static_cast<int>(std::ceil(std::fmax(a.x, std::fmax(b.x, c.x))));
    const int y0 = static_cast<int>(std::floor(std::fmin(a.y, std::fmin(b.y, c.y))));
    const int y1 = static_cast<int>(std::ceil(std::fmax(a.y, std::fmax(b.y, c.y))));
    for (int y = std::max(y0, 0); y < std::min(y1, kSize); ++y) {
      for (int x = std::max(x0, 0); x < std::min(x1, kSize); ++x) {
        const float px = x + 0.5f, py = y + 0.5f;
        const float w1 = ((px - a.x) * (c.y - a.y) - (c.x - a.x) * (py - a.y)) / area;
        const float w2 = ((b.x - a.x) * (py - a.y) - (px - a.x) * (b.y - a.y)) / area;
        if (w1 < 1e-4f || w2 < 1e-4f || w1 + w2 > 1.0f - 1e-4f) continue;
        int& o = owner[static_cast<std::size_t>(y) * kSize + x];
        if (o >= 0) ++conflicts;
        o = static_cast<int>(f);
      }
    }
  }
  EXPECT_EQ(conflicts, 0);
}

TEST(AtlasBakerTest, TexelsTraceBackToTheirSurfacePointsAndGapsAreFilled) {
  MeshModel quad;
  AddVertex(&quad, {0, 0, 0}, {0, 0, -1}, {0.0f, 0.5f});
  AddVertex(&quad, {0, 1, 0}, {0, 0, -1}, {0.0f, 0.0f});
  AddVertex(&quad, {1, 1, 0}, {0, 0, -1}, {0.5f, 0.0f});
  AddVertex(&quad, {1, 0, 0}, {0, 0, -1}, {0.5f, 0.5f});
  AddQuad(&quad, 0, 1, 2, 3);
  const AtlasBaker baker(quad, 16, 16);
  EXPECT_NEAR(baker.Coverage(), 0.25f, 0.08f);
  ColorImage image(16, 16, Color{0, 0, 0, 0});
  baker.ForEachTexel([&](int x, int y, const SurfacePoint& p) {
    // Position follows the mapping: x with u, y against v.
    EXPECT_NEAR(p.position.x, Clamp((x + 0.5f) / 8.0f, 0.0f, 1.0f), 0.07f);
    EXPECT_NEAR(p.position.y, Clamp(1.0f - (y + 0.5f) / 8.0f, 0.0f, 1.0f), 0.07f);
    EXPECT_NEAR(p.tangent.x, 1.0f, 1e-4f);
    EXPECT_NEAR(p.binormal.y, -1.0f, 1e-4f);  // +v runs down the quad
    image.At(x, y) = Color{p.position.x, p.position.y, 0, 1};
  });
  baker.Fill(&image);
  // Every texel has a colour now, taken from the nearest covered one.
  for (const Color& c : image.texels) EXPECT_EQ(c.a, 1.0f);
  EXPECT_GT(image.At(15, 15).r, 0.9f);  // from the quad's corner at x = 1, y = 0
  EXPECT_LT(image.At(15, 15).g, 0.1f);
  EXPECT_GT(image.At(15, 0).g, 0.9f);  // from its top edge (y = 1)
  // A flat bump map leaves the normal as it is: (0.5, 0.5, 1).
  SurfacePoint p;
  p.normal = {0, 0, -1};
  p.tangent = {1, 0, 0};
  p.binormal = {0, -1, 0};
  const Color flat = AtlasBaker::EncodeNormal(p, AtlasBaker::BumpedNormal(
                                                     p, [](Vec3) { return 0.0f; }, 0.01f, 1.0f));
  EXPECT_NEAR(flat.r, 0.5f, 1e-5f);
  EXPECT_NEAR(flat.b, 1.0f, 1e-5f);
  // Height rising along +x bends the normal towards -u.
  const Color tilted = AtlasBaker::EncodeNormal(p, AtlasBaker::BumpedNormal(
                                                       p, [](Vec3 q) { return q.x; }, 0.01f, 1.0f));
  EXPECT_LT(tilted.r, 0.4f);
}

}  // namespace
