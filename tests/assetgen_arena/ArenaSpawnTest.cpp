// Where the scene drops its characters and props, and whether the arena
// gives them ground to land on, ways to climb and walls to stay inside.

#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "assetgen_arena/ArenaTestSupport.h"

namespace arena_test {
namespace {

using namespace assetgen::arena;

struct Spawn {
  V3 position;
  float radius;  // footprint: capsule radius, crate half extent, ball or cabbage radius
  std::string what;
};

// The starting population as the scene places it (world units).
std::vector<Spawn> ScenePopulation() {
  std::vector<Spawn> spawns;
  spawns.push_back({{-10, 310, 50}, 4.5f, "player"});
  spawns.push_back({{20, 310, 30}, 3.0f, "character scale 2"});
  spawns.push_back({{50, 310, 30}, 4.5f, "character scale 3"});
  spawns.push_back({{80, 310, 30}, 6.0f, "character scale 4"});
  for (int i = 0; i < 3; ++i) {
    spawns.push_back({{20, 130.0f + 10.0f * i, -120}, 5.0f, "crate stack A"});
    spawns.push_back({{-10, 130.0f + 10.0f * i, -120}, 5.0f, "crate stack B"});
  }
  for (int i = 0; i < 5; ++i) spawns.push_back({{-120, 185.0f + 10.0f * i, 150}, 5.0f, "crate stack C"});
  for (int i = 0; i < 10; ++i) spawns.push_back({{-50, 190.0f + 15.0f * i, 125}, 10.0f, "big cabbage"});
  for (int level = 1; level <= 5; ++level) {
    for (int i = 0; i < level; ++i) {
      spawns.push_back({{130.0f + 10.0f * (level - 1) - 2.5f * i, 285.0f + 10.0f * i, -80}, 5.0f, "leaning crate column"});
    }
  }
  for (const V3& p : {V3{110, 315, 35}, V3{150, 290, 185}, V3{-220, 180, 110}, V3{-230, 180, 110},
                      V3{40, 130, -170}, V3{50, 130, -170}}) {
    spawns.push_back({p, 2.5f, "ball"});
  }
  return spawns;
}

bool Inside(float x, float z) { return std::fabs(x) < kInnerHalf && std::fabs(z) < kInnerHalf; }

TEST(ArenaSpawn, EveryPlacedObjectHasWalkableGroundUnderItsWholeFootprint) {
  const std::vector<Spawn> spawns = ScenePopulation();
  ASSERT_EQ(spawns.size(), 4u + 11u + 10u + 15u + 6u);
  for (const Spawn& s : spawns) {
    for (const V3 offset : {V3{0, 0, 0}, V3{0.8f, 0, 0.8f}, V3{-0.8f, 0, 0.8f}, V3{0.8f, 0, -0.8f}, V3{-0.8f, 0, -0.8f}}) {
      const float x = s.position.x + offset.x * s.radius, z = s.position.z + offset.z * s.radius;
      const Ground g = GroundBelow(x, s.position.y, z);
      ASSERT_TRUE(g.found) << s.what << " at " << x << ", " << z;
      EXPECT_GE(g.normal.y, kWalkableNormalY) << s.what << " at " << x << ", " << z << " lands on a slope";
      EXPECT_TRUE(Inside(x, z)) << s.what;
      EXPECT_LT(g.y, s.position.y - s.radius + 1e-3f) << s.what << " starts inside the level";
    }
  }
}

TEST(ArenaSpawn, RandomOpponentDropZoneIsWalkableEverywhere) {
  // Opponents drop at height 400, 50 to 220 from the origin, at any angle.
  int samples = 0;
  for (float r = 50.0f; r <= 220.0f; r += 5.0f) {
    for (int k = 0; k < 240; ++k) {
      const float angle = 2.0f * kPi * static_cast<float>(k) / 240.0f;
      const float x = std::sin(angle) * r, z = std::cos(angle) * r;
      const Ground g = GroundBelow(x, 400.0f, z);
      ASSERT_TRUE(g.found) << x << ", " << z;
      EXPECT_GE(g.normal.y, kWalkableNormalY) << "slope under " << x << ", " << z;
      ++samples;
    }
  }
  EXPECT_GT(samples, 8000);
}

TEST(ArenaSpawn, WallsEncloseEveryPartOfTheArena) {
  // Horizontal rays from all over the floor, at every height a fighter or a
  // thrown prop reaches, meet the level before they could leave it.
  for (float x = -240.0f; x <= 240.0f; x += 60.0f) {
    for (float z = -240.0f; z <= 240.0f; z += 60.0f) {
      const Ground g = GroundBelow(x, 400.0f, z);
      ASSERT_TRUE(g.found);
      for (float lift : {2.0f, 30.0f, 55.0f}) {
        if (g.y + lift > kWallTopY - 2.0f) continue;
        for (int k = 0; k < 16; ++k) {
          const float angle = 2.0f * kPi * static_cast<float>(k) / 16.0f;
          const V3 direction{std::cos(angle), 0.0f, std::sin(angle)};
          const RayHit hit = CastRay(Level().mesh, {x, g.y + lift, z}, direction, 1000.0f);
          ASSERT_TRUE(hit.hit) << "escape from " << x << ", " << g.y + lift << ", " << z << " towards angle " << k;
          const V3 p = V3{x, g.y + lift, z} + direction * hit.t;
          EXPECT_LE(std::fabs(p.x), kInnerHalf + 20.0f);
          EXPECT_LE(std::fabs(p.z), kInnerHalf + 20.0f);
        }
      }
    }
  }
}

TEST(ArenaSpawn, WallsStandWellAboveTheHighestFloorNearThem) {
  // Walk a ring just inside the walls: whatever floor is there, the wall
  // top is at least 40 above it.
  for (float a = -kInnerHalf + 10.0f; a <= kInnerHalf - 10.0f; a += 10.0f) {
    const float edge = kInnerHalf - 12.0f;
    for (const V3 p : {V3{a, 0, edge}, V3{a, 0, -edge}, V3{edge, 0, a}, V3{-edge, 0, a}}) {
      const Ground g = GroundBelow(p.x, 400.0f, p.z);
      ASSERT_TRUE(g.found);
      if (g.y >= kWallTopY - 1.0f) continue;  // the top of a buttress or tower, not a floor
      if (g.normal.y < kWalkableNormalY) continue;  // the steep bank: nobody stands there
      EXPECT_GE(kWallTopY - g.y, 40.0f) << "low wall near " << p.x << ", " << p.z;
    }
  }
}

// Ground heights along a straight walk, sampled every half unit.
std::vector<Ground> Walk(V3 from, V3 to) {
  std::vector<Ground> path;
  const float length = Length(to - from);
  for (float s = 0.0f; s <= length; s += 0.5f) {
    const V3 p = Lerp(from, to, s / length);
    path.push_back(GroundBelow(p.x, 400.0f, p.z));
  }
  return path;
}

// Steps no higher than the smallest fighter's knee ray (0.2 x 15 = 3) and
// every stretch between them walkable.
void ExpectClimbable(const std::vector<Ground>& path, float fromY, float toY, const char* what) {
  ASSERT_FALSE(path.empty());
  EXPECT_NEAR(path.front().y, fromY, 0.6f) << what;
  EXPECT_NEAR(path.back().y, toY, 0.6f) << what;
  for (std::size_t i = 0; i < path.size(); ++i) {
    ASSERT_TRUE(path[i].found) << what;
    EXPECT_GE(path[i].normal.y, kWalkableNormalY) << what << " sample " << i;
    if (i > 0) {
      EXPECT_LE(std::fabs(path[i].y - path[i - 1].y), 3.0f) << what << " sample " << i;
    }
  }
}

TEST(ArenaSpawn, StairAndRampLeadFromTheGroundOntoTheTerrace) {
  ExpectClimbable(Walk({kStairsCentreX, 0, kStairsFootZ - 15.0f}, {kStairsCentreX, 0, 78.0f}), kGroundY,
                  kTerraceTopY, "stair");
  ExpectClimbable(Walk({kStairsCentreX + 15.0f, 0, kStairsFootZ - 15.0f}, {kStairsCentreX + 15.0f, 0, 78.0f}),
                  kGroundY, kTerraceTopY, "stair near its side");
  // Ends on the wooden deck, 0.6 above the terrace.
  ExpectClimbable(Walk({kRampFootX + 15.0f, 0, kRampCentreZ}, {kRampFootX - kRampRun - 20.0f, 0, kRampCentreZ}),
                  kGroundY, kTerraceTopY + 0.6f, "ramp");
  // The ramp really is a slope, not a stair: well under 55 degrees but not flat.
  const Ground mid = GroundBelow(kRampFootX - 0.5f * kRampRun, 400.0f, kRampCentreZ);
  EXPECT_NEAR(mid.y, 0.5f * (kGroundY + kTerraceTopY), 1.0f);
  EXPECT_LT(mid.normal.y, std::cos(15.0f * kPi / 180.0f));
  EXPECT_GT(mid.normal.y, std::cos(40.0f * kPi / 180.0f));
}

TEST(ArenaSpawn, DockCanBeClimbedByItsStepsAndItsRamp) {
  const float dockTop = kGroundY + 8.0f;
  ExpectClimbable(Walk({-140.0f, 0, -105.0f}, {-140.0f, 0, -160.0f}), kGroundY, dockTop, "dock steps");
  ExpectClimbable(Walk({-45.0f, 0, -185.0f}, {-110.0f, 0, -185.0f}), kGroundY, dockTop, "dock ramp");
}

TEST(ArenaSpawn, SteepBankIsTooSteepToStandOnAndLandsOnWalkableGround) {
  const float z = 0.5f * (kBankZ0 + kBankZ1);
  const Ground onBank = GroundBelow(kBankFootX + 0.5f * kBankRun, 400.0f, z);
  ASSERT_TRUE(onBank.found);
  EXPECT_LT(onBank.normal.y, kWalkableNormalY);
  EXPECT_GT(onBank.normal.y, 0.2f) << "a slope, not a wall";
  EXPECT_EQ(onBank.material, static_cast<std::uint32_t>(kDirt));
  // Whoever slides down stops on walkable ground at its foot.
  const Ground foot = GroundBelow(kBankFootX - 3.0f, 400.0f, z);
  EXPECT_GE(foot.normal.y, kWalkableNormalY);
  EXPECT_NEAR(foot.y, kGroundY, 0.5f);
}

TEST(ArenaSpawn, GroundUnderfootChangesBetweenSurfaces) {
  // Each surface the fighters can feel covers a good walkable area.
  const auto& mesh = Level().mesh;
  std::vector<float> walkableArea(kSurfaceCount, 0.0f);
  for (std::uint32_t f = 0; f < mesh.faces.size(); ++f) {
    const auto& face = mesh.faces[f];
    const V3 a = Position(mesh, face[0]), b = Position(mesh, face[1]), c = Position(mesh, face[2]);
    const V3 n = Cross(b - a, c - a);
    if (Normalize(n).y >= kWalkableNormalY) walkableArea[mesh.faceMaterial[f]] += 0.5f * Length(n);
  }
  for (int s : {kGrass, kPaving, kPlanks, kMetalPlate, kSand, kDirt}) {
    EXPECT_GT(walkableArea[static_cast<std::size_t>(s)], 3000.0f) << StyleOf(s).name;
  }
  // And the starting spots really stand on different ones.
  EXPECT_EQ(GroundBelow(-10, 310, 50).material, static_cast<std::uint32_t>(kPaving));
  EXPECT_EQ(GroundBelow(150, 290, 185).material, static_cast<std::uint32_t>(kSand));
  EXPECT_EQ(GroundBelow(-120, 185, 150).material, static_cast<std::uint32_t>(kPlanks));
  EXPECT_EQ(GroundBelow(150, 285, -80).material, static_cast<std::uint32_t>(kMetalPlate));
  EXPECT_EQ(GroundBelow(110, 315, 35).material, static_cast<std::uint32_t>(kGrass));
}

}  // namespace
}  // namespace arena_test
