// The light map's ray tracer against the brute-force reference, on a random
// triangle soup and on the arena itself.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "assetgen_arena/ArenaTestSupport.h"
#include "tools/assetgen/arena/RayTracer.h"

namespace arena_test {
namespace {

using namespace assetgen::arena;

class Lcg {
 public:
  explicit Lcg(std::uint32_t seed) : state_(seed) {}
  float Next() {
    state_ = state_ * 1664525u + 1013904223u;
    return static_cast<float>(state_ >> 8) / 16777216.0f;
  }
  float Range(float lo, float hi) { return lo + (hi - lo) * Next(); }

 private:
  std::uint32_t state_;
};

std::vector<V3> Positions(const assetgen::MeshModel& mesh) {
  std::vector<V3> positions;
  for (std::uint32_t v = 0; v < mesh.vertices.size(); ++v) positions.push_back(Position(mesh, v));
  return positions;
}

void ExpectAgreement(const assetgen::MeshModel& mesh, const std::vector<V3>& origins, const std::vector<V3>& directions,
                     float tMax) {
  RayTracer tracer;
  tracer.Build(Positions(mesh), mesh.faces);
  int hits = 0;
  for (std::size_t i = 0; i < origins.size(); ++i) {
    const RayHit reference = CastRay(mesh, origins[i], directions[i], tMax);
    RayTracer::Hit hit;
    const bool found = tracer.Closest(origins[i], directions[i], tMax, &hit);
    ASSERT_EQ(found, reference.hit) << "ray " << i;
    EXPECT_EQ(tracer.Occluded(origins[i], directions[i], tMax), reference.hit) << "ray " << i;
    if (!found) continue;
    ++hits;
    EXPECT_NEAR(hit.t, reference.t, 1e-3f * (1.0f + reference.t)) << "ray " << i;
  }
  EXPECT_GT(hits, static_cast<int>(origins.size() / 10));
}

TEST(RayTracer, AgreesWithBruteForceOnARandomTriangleSoup) {
  Lcg random(7u);
  assetgen::MeshModel soup;
  for (int t = 0; t < 600; ++t) {
    const V3 centre{random.Range(-50, 50), random.Range(-50, 50), random.Range(-50, 50)};
    for (int k = 0; k < 3; ++k) {
      assetgen::MeshVertex v;
      v.position = {centre.x + random.Range(-6, 6), centre.y + random.Range(-6, 6), centre.z + random.Range(-6, 6)};
      soup.vertices.push_back(v);
    }
    const std::uint32_t base = static_cast<std::uint32_t>(3 * t);
    soup.faces.push_back({base, base + 1u, base + 2u});
  }
  std::vector<V3> origins, directions;
  for (int r = 0; r < 2000; ++r) {
    origins.push_back({random.Range(-70, 70), random.Range(-70, 70), random.Range(-70, 70)});
    directions.push_back(Normalize(V3{random.Range(-1, 1), random.Range(-1, 1), random.Range(-1, 1)}));
  }
  // Axis-aligned rays take the slab test's zero-direction path.
  for (int r = 0; r < 200; ++r) {
    origins.push_back({random.Range(-50, 50), 80.0f, random.Range(-50, 50)});
    directions.push_back({0.0f, -1.0f, 0.0f});
  }
  ExpectAgreement(soup, origins, directions, 60.0f);
}

TEST(RayTracer, AgreesWithBruteForceOnTheArena) {
  Lcg random(11u);
  const assetgen::MeshModel& mesh = Level().mesh;
  std::vector<V3> origins, directions;
  for (int r = 0; r < 400; ++r) {
    origins.push_back({random.Range(-260, 260), random.Range(112, 300), random.Range(-260, 260)});
    directions.push_back(Normalize(V3{random.Range(-1, 1), random.Range(-1, 0.3f), random.Range(-1, 1)}));
  }
  ExpectAgreement(mesh, origins, directions, 800.0f);
}

TEST(RayTracer, EmptySceneAndLimitsReportNoHit) {
  RayTracer empty;
  empty.Build({}, {});
  RayTracer::Hit hit;
  EXPECT_FALSE(empty.Closest({0, 0, 0}, {0, 1, 0}, 10.0f, &hit));
  EXPECT_FALSE(empty.Occluded({0, 0, 0}, {0, 1, 0}, 10.0f));

  RayTracer one;
  one.Build({{-1, 5, -1}, {-1, 5, 1}, {1, 5, 0}}, {{0u, 1u, 2u}});
  EXPECT_TRUE(one.Closest({0, 0, 0}, {0, 1, 0}, 10.0f, &hit));
  EXPECT_NEAR(hit.t, 5.0f, 1e-5f);
  EXPECT_FALSE(one.Occluded({0, 0, 0}, {0, 1, 0}, 4.9f)) << "beyond tMax";
  EXPECT_FALSE(one.Occluded({0, 6, 0}, {0, 1, 0}, 10.0f)) << "behind the origin";
  EXPECT_TRUE(one.Occluded({0, 10, 0}, {0, -1, 0}, 10.0f)) << "back faces count";
}

}  // namespace
}  // namespace arena_test
