#include "tools/assetgen/arena/ArenaLayout.h"

#include <cmath>
#include <vector>

#include "tools/assetgen/arena/LevelBuilder.h"

namespace assetgen::arena {
namespace {

// Name, type, tile, ambient rate, specular colour and power (the last two
// matter only for the types without a specular map).
const SurfaceStyle kStyles[kSurfaceCount] = {
    {"gr_grass", "MapMid", 40.0f, 1.0f, {0.06f, 0.07f, 0.05f}, 6.0f},
    {"st_paving", "MapMid+", 30.0f, 1.0f, {0.25f, 0.25f, 0.25f}, 20.0f},
    {"st_blocks", "MapMid+", 32.0f, 1.0f, {0.2f, 0.2f, 0.2f}, 16.0f},
    {"wo_planks", "MapMid+", 24.0f, 1.0f, {0.2f, 0.18f, 0.15f}, 12.0f},
    {"me_plate", "MapMid+", 24.0f, 1.0f, {0.6f, 0.6f, 0.6f}, 40.0f},
    {"sa_sand", "MapMid", 40.0f, 1.0f, {0.08f, 0.07f, 0.05f}, 5.0f},
    {"di_dirt", "MapMid", 40.0f, 1.0f, {0.05f, 0.05f, 0.04f}, 4.0f},
};

struct Rect {
  float x0, z0, x1, z1;
  bool Contains(float x, float z) const { return x > x0 && x < x1 && z > z0 && z < z1; }
};

constexpr float kSkirt = 6.0f;  // side faces reach this far below the floor they stand on
constexpr float kBelow = kGroundY - kSkirt;
constexpr float kWallThickness = 16.0f;
constexpr float kOuterDensity = 0.35f;  // outer wall faces are seen only from beyond the walls

// Footprints of the solid pieces standing on the ground; the ground has
// holes there, so no hidden floor takes space in the light map.
const Rect kTerrace{-kInnerHalf, 72.0f, -40.0f, kInnerHalf};
const Rect kTower{115.0f, -115.0f, 185.0f, -45.0f};
const Rect kDock{-190.0f, -215.0f, -90.0f, -135.0f};
const Rect kStairs{kStairsCentreX - 0.5f * kStairsWidth, kStairsFootZ, kStairsCentreX + 0.5f * kStairsWidth, 72.0f};
const Rect kRamp{-40.0f, kRampCentreZ - 0.5f * kRampWidth, kRampFootX, kRampCentreZ + 0.5f * kRampWidth};
const Rect kDockRamp{-90.0f, -195.0f, -64.0f, -155.0f};
const Rect kDockSteps{-160.0f, -135.0f, -120.0f, -123.0f};
const Rect kBank{kBankFootX, kBankZ0, kInnerHalf, kBankZ1};
const Rect kFootprints[] = {kTerrace, kTower, kDock, kStairs, kRamp, kDockRamp, kDockSteps, kBank};

constexpr float kPlazaX = 10.0f;
constexpr float kPlazaZ = -5.0f;
constexpr float kPlazaRadius = 88.0f;
constexpr float kPlazaTopY = 112.0f;

constexpr float kRingX = 140.0f;
constexpr float kRingZ = 140.0f;

V3 OutwardNormal(const std::vector<V3>& polygon, V3 centre) {
  V3 n = Normalize(Cross(polygon[1] - polygon[0], polygon[2] - polygon[0]));
  V3 mid{};
  for (const V3& p : polygon) mid = mid + p * (1.0f / static_cast<float>(polygon.size()));
  return Dot(n, mid - centre) < 0.0f ? -n : n;
}

void BuildGround(LevelBuilder* b) {
  std::vector<float> xs = {-kInnerHalf, kInnerHalf};
  std::vector<float> zs = {-kInnerHalf, kInnerHalf};
  for (const Rect& r : kFootprints) {
    xs.push_back(r.x0);
    xs.push_back(r.x1);
    zs.push_back(r.z0);
    zs.push_back(r.z1);
  }
  xs = SplitLines(xs, kMaxCell);
  zs = SplitLines(zs, kMaxCell);
  const float h = kInnerHalf;
  b->AddPlanarRegion({{-h, kGroundY, -h}, {h, kGroundY, -h}, {h, kGroundY, h}, {-h, kGroundY, h}}, {0, 1, 0}, kGrass,
                     &xs, &zs, [](V3 c) {
                       for (const Rect& r : kFootprints) {
                         if (r.Contains(c.x, c.z)) return false;
                       }
                       return true;
                     });
}

// Boxes standing against a wall: faceMask leaves out the face on the wall.
void Buttress(LevelBuilder* b, float x0, float z0, float x1, float z1, float y0, unsigned wallFace) {
  b->AddBox({x0, y0, z0}, {x1, 200.0f, z1}, kStoneBlocks, kStoneBlocks, 0x3Fu & ~8u & ~wallFace);
}

void BuildBoundary(LevelBuilder* b) {
  const float h = kInnerHalf;
  const float o = kInnerHalf + kWallThickness;
  // Inner faces and tops at full density, outer faces coarser.
  b->AddBox({-o, kBelow, h}, {o, kWallTopY, o}, kStoneBlocks, kStoneBlocks, 4u | 32u);
  b->AddBox({-o, kBelow, -o}, {o, kWallTopY, -h}, kStoneBlocks, kStoneBlocks, 4u | 16u);
  b->AddBox({h, kBelow, -h}, {o, kWallTopY, h}, kStoneBlocks, kStoneBlocks, 4u | 2u);
  b->AddBox({-o, kBelow, -h}, {-h, kWallTopY, h}, kStoneBlocks, kStoneBlocks, 4u | 1u);
  b->SetChartDensity(kOuterDensity);
  b->AddBox({-o, kBelow, h}, {o, kWallTopY, o}, kStoneBlocks, kStoneBlocks, 16u);
  b->AddBox({-o, kBelow, -o}, {o, kWallTopY, -h}, kStoneBlocks, kStoneBlocks, 32u);
  b->AddBox({h, kBelow, -h}, {o, kWallTopY, h}, kStoneBlocks, kStoneBlocks, 1u);
  b->AddBox({-o, kBelow, -h}, {-h, kWallTopY, h}, kStoneBlocks, kStoneBlocks, 2u);
  b->SetChartDensity(0.6f);
  // Corner towers: octagons with their faces square to the walls.
  for (int sx = -1; sx <= 1; sx += 2) {
    for (int sz = -1; sz <= 1; sz += 2) {
      const float cx = static_cast<float>(sx) * (h + 8.0f);
      const float cz = static_cast<float>(sz) * (h + 8.0f);
      b->AddPrismSides(cx, cz, 32.0f, kBelow, 235.0f, 8, kPi / 8.0f, kStoneBlocks, false);
      b->AddPrismTop(cx, cz, 32.0f, 235.0f, 8, kPi / 8.0f, kStoneBlocks);
    }
  }
  b->SetChartDensity(1.0f);

  // Buttresses along the inner faces, clear of the bank and the terrace's
  // stair and ramp.
  const float t = 8.0f;  // how far they stand out
  for (float x : {0.0f, 90.0f, 180.0f}) Buttress(b, x - 6.0f, h - t, x + 6.0f, h, kBelow, 16u);
  for (float x : {-200.0f, -120.0f}) Buttress(b, x - 6.0f, h - t, x + 6.0f, h, kTerraceTopY - kSkirt, 16u);
  for (float x : {-225.0f, -45.0f, 45.0f, 135.0f, 225.0f}) Buttress(b, x - 6.0f, -h, x + 6.0f, -h + t, kBelow, 32u);
  for (float z : {90.0f, 180.0f, -240.0f}) Buttress(b, h - t, z - 6.0f, h, z + 6.0f, kBelow, 1u);
  for (float z : {-200.0f, -110.0f, -20.0f}) Buttress(b, -h, z - 6.0f, -h + t, z + 6.0f, kBelow, 2u);
  for (float z : {130.0f, 210.0f}) Buttress(b, -h, z - 6.0f, -h + t, z + 6.0f, kTerraceTopY - kSkirt, 2u);
}

// A column: square base, round shaft, square capital.
void Column(LevelBuilder* b, float cx, float cz, float footY, float height) {
  const float baseTop = footY + 4.0f;
  const float capital = footY + height - 4.0f;
  b->AddBox({cx - 7.0f, footY - kSkirt, cz - 7.0f}, {cx + 7.0f, baseTop, cz + 7.0f}, kStoneBlocks, kStoneBlocks,
            0x37u);
  b->AddPrismSides(cx, cz, 5.5f, baseTop, capital, 16, 0.0f, kStoneBlocks, true);
  b->AddBox({cx - 8.0f, capital, cz - 8.0f}, {cx + 8.0f, footY + height, cz + 8.0f}, kStoneBlocks, kStoneBlocks,
            0x3Fu);
}

void BuildPlaza(LevelBuilder* b) {
  b->AddPrismTop(kPlazaX, kPlazaZ, kPlazaRadius, kPlazaTopY, 48, 0.0f, kPaving);
  b->AddPrismSides(kPlazaX, kPlazaZ, kPlazaRadius, kBelow, kPlazaTopY, 48, 0.0f, kStoneBlocks, true);

  // The obelisk: two plinths one step high each, a tapering metal shaft.
  const float cx = kPlazaX, cz = kPlazaZ;
  b->AddBox({cx - 12.0f, kPlazaTopY - kSkirt, cz - 12.0f}, {cx + 12.0f, kPlazaTopY + 2.5f, cz + 12.0f}, kPaving,
            kStoneBlocks, 0x37u);
  b->AddBox({cx - 8.0f, kPlazaTopY + 2.0f, cz - 8.0f}, {cx + 8.0f, kPlazaTopY + 5.0f, cz + 8.0f}, kPaving,
            kStoneBlocks, 0x37u);
  const float y0 = kPlazaTopY + 5.0f, y1 = 185.0f, apex = 193.0f;
  const float h0 = 4.0f, h1 = 2.6f;
  const V3 centre{cx, 0.5f * (y0 + y1), cz};
  const V3 corners0[4] = {{cx - h0, y0, cz - h0}, {cx + h0, y0, cz - h0}, {cx + h0, y0, cz + h0}, {cx - h0, y0, cz + h0}};
  const V3 corners1[4] = {{cx - h1, y1, cz - h1}, {cx + h1, y1, cz - h1}, {cx + h1, y1, cz + h1}, {cx - h1, y1, cz + h1}};
  for (int i = 0; i < 4; ++i) {
    const int j = (i + 1) % 4;
    const std::vector<V3> side = {corners0[i], corners0[j], corners1[j], corners1[i]};
    b->AddPlanarRegion(side, OutwardNormal(side, centre), kMetalPlate);
    const std::vector<V3> cap = {corners1[i], corners1[j], {cx, apex, cz}};
    b->AddPlanarRegion(cap, OutwardNormal(cap, {cx, y1, cz}), kMetalPlate);
  }

  // Six columns around the plaza.
  for (int k = 0; k < 6; ++k) {
    const float angle = (30.0f + 60.0f * static_cast<float>(k)) * kPi / 180.0f;
    Column(b, kPlazaX + 100.0f * std::cos(angle), kPlazaZ + 100.0f * std::sin(angle), kGroundY, 44.0f);
  }
}

void BuildTerrace(LevelBuilder* b) {
  const Rect& t = kTerrace;
  const float top = kTerraceTopY;
  // Only the faces towards the arena: the others lean on the walls.
  b->AddBox({t.x0, kBelow, t.z0}, {t.x1, top, t.z1}, kGrass, kStoneBlocks, 1u | 4u | 32u);

  // Wooden deck above the stair and the ramp.
  b->AddBox({-170.0f, top - 0.4f, 80.0f}, {-48.0f, top + 0.6f, 160.0f}, kPlanks, kPlanks, 0x37u);

  // Parapet along the south and east edges, open at the stair and the ramp.
  const float py = top + 8.0f;
  b->AddBox({t.x0, top - kSkirt, t.z0}, {-200.0f, py, t.z0 + 4.0f}, kStoneBlocks, kStoneBlocks, 1u | 4u | 16u | 32u);
  b->AddBox({-160.0f, top - kSkirt, t.z0}, {t.x1, py, t.z0 + 4.0f}, kStoneBlocks, kStoneBlocks, 0x37u);
  b->AddBox({t.x1 - 4.0f, top - kSkirt, t.z0 + 4.0f}, {t.x1, py, kRamp.z0}, kStoneBlocks, kStoneBlocks, 0x37u & ~32u);
  b->AddBox({t.x1 - 4.0f, top - kSkirt, kRamp.z1}, {t.x1, py, t.z1}, kStoneBlocks, kStoneBlocks,
            1u | 2u | 4u | 32u);

  // Colonnade at the back under a wooden pergola beam.
  for (float x : {-230.0f, -180.0f, -130.0f, -80.0f}) Column(b, x, 240.0f, top, 46.0f);
  b->AddBox({-240.0f, top + 46.0f, 236.0f}, {-70.0f, top + 51.0f, 244.0f}, kPlanks, kPlanks, 0x3Fu);

  b->AddStairs({kStairsCentreX, kGroundY, kStairsFootZ}, {0.0f, 0.0f, 1.0f}, kStairsWidth, kStairsRisers, kStairsRise,
               kStairsTread, kPaving, kStoneBlocks, kSkirt);
  b->AddRamp({kRampFootX, kGroundY, kRampCentreZ}, {-1.0f, 0.0f, 0.0f}, kRampRun, top - kGroundY, kRampWidth, kDirt,
             kStoneBlocks, kSkirt);
}

void BuildTower(LevelBuilder* b) {
  const Rect& t = kTower;
  b->AddBox({t.x0, kBelow, t.z0}, {t.x1, kTowerTopY, t.z1}, kMetalPlate, kStoneBlocks, 0x37u);
  // Corner pilasters and a string course break up the tall faces.
  for (float x : {t.x0, t.x1}) {
    for (float z : {t.z0, t.z1}) {
      b->AddBox({x - 5.0f, kBelow, z - 5.0f}, {x + 5.0f, kTowerTopY - 6.0f, z + 5.0f}, kStoneBlocks, kStoneBlocks,
                0x37u);
    }
  }
  b->AddBox({t.x0 - 1.5f, 190.0f, t.z0 - 1.5f}, {t.x1 + 1.5f, 193.0f, t.z1 + 1.5f}, kStoneBlocks, kStoneBlocks,
            0x3Fu);
  // A metal band under the deck's edge.
  b->AddBox({t.x0 - 1.0f, kTowerTopY - 6.0f, t.z0 - 1.0f}, {t.x1 + 1.0f, kTowerTopY - 1.0f, t.z1 + 1.0f}, kMetalPlate,
            kMetalPlate, 0x3Fu);
}

void BuildSandRing(LevelBuilder* b) {
  const float inner = 55.0f, outer = 59.0f, sandY = kGroundY + 0.6f, rimY = kGroundY + 2.2f;
  b->AddPrismTop(kRingX, kRingZ, inner, sandY, 48, 0.0f, kSand);
  b->AddRingTop(kRingX, kRingZ, inner, outer, rimY, 48, kPlanks);
  b->AddPrismSides(kRingX, kRingZ, outer, kBelow, rimY, 48, 0.0f, kPlanks, true);
  b->AddPrismSides(kRingX, kRingZ, inner, sandY - 0.5f, rimY, 48, 0.0f, kPlanks, true, true);
  // Corner posts on the border.
  for (int k = 0; k < 4; ++k) {
    const float angle = (45.0f + 90.0f * static_cast<float>(k)) * kPi / 180.0f;
    const float x = kRingX + 57.0f * std::cos(angle), z = kRingZ + 57.0f * std::sin(angle);
    b->AddBox({x - 2.0f, rimY - 0.5f, z - 2.0f}, {x + 2.0f, rimY + 12.0f, z + 2.0f}, kPlanks, kPlanks, 0x37u);
  }
}

void BuildDock(LevelBuilder* b) {
  const Rect& d = kDock;
  const float top = kGroundY + 8.0f;
  b->AddBox({d.x0, kBelow, d.z0}, {d.x1, top, d.z1}, kMetalPlate, kMetalPlate, 0x37u);
  b->AddRamp({kDockRamp.x1, kGroundY, 0.5f * (kDockRamp.z0 + kDockRamp.z1)}, {-1.0f, 0.0f, 0.0f},
             kDockRamp.x1 - kDockRamp.x0, top - kGroundY, kDockRamp.z1 - kDockRamp.z0, kMetalPlate, kMetalPlate,
             kSkirt);
  b->AddStairs({0.5f * (kDockSteps.x0 + kDockSteps.x1), kGroundY, kDockSteps.z1}, {0.0f, 0.0f, -1.0f},
               kDockSteps.x1 - kDockSteps.x0, 3, (top - kGroundY) / 3.0f, 6.0f, kMetalPlate, kMetalPlate, kSkirt);
}

void BuildBank(LevelBuilder* b) {
  b->AddRamp({kBankFootX, kGroundY, 0.5f * (kBankZ0 + kBankZ1)}, {1.0f, 0.0f, 0.0f}, kBankRun, kBankRise,
             kBankZ1 - kBankZ0, kDirt, kStoneBlocks, kSkirt);
}

// A worn dirt path: a thin strip lying on the grass, with its edges.
void Path(LevelBuilder* b, float x0, float z0, float x1, float z1, float width) {
  const float y = kGroundY + 0.3f;
  const V3 along = Normalize(V3{x1 - x0, 0.0f, z1 - z0});
  const V3 side = V3{along.z, 0.0f, -along.x} * (0.5f * width);
  const V3 a{x0, y, z0}, c{x1, y, z1};
  const V3 corners[4] = {a - side, c - side, c + side, a + side};
  b->AddPlanarRegion({corners[0], corners[1], corners[2], corners[3]}, {0, 1, 0}, kDirt);
  const V3 mid = (a + c) * 0.5f;
  const V3 drop{0.0f, 0.3f + 0.2f, 0.0f};
  for (int i = 0; i < 4; ++i) {
    const V3 p = corners[i], q = corners[(i + 1) % 4];
    const std::vector<V3> edge = {p - drop, p, q, q - drop};
    V3 n = Normalize(Cross(q - p, V3{0.0f, 1.0f, 0.0f}));
    if (Dot(n, (p + q) * 0.5f - mid) < 0.0f) n = -n;
    b->AddPlanarRegion(edge, n, kDirt);
  }
}

void BuildPaths(LevelBuilder* b) {
  Path(b, -72.0f, -6.0f, -180.0f, -52.0f, 14.0f);   // plaza to the stair
  Path(b, -50.0f, -85.0f, -56.0f, -168.0f, 14.0f);  // plaza to the dock ramp
  Path(b, 50.0f, 65.0f, 38.0f, 118.0f, 14.0f);      // plaza to the terrace ramp
  Path(b, 75.0f, 45.0f, 98.0f, 103.0f, 12.0f);      // plaza to the sand ring
  Path(b, 35.0f, -80.0f, 45.0f, -190.0f, 14.0f);    // plaza to the south field
}

}  // namespace

const SurfaceStyle& StyleOf(int surface) { return kStyles[surface]; }

void BuildLevel(LevelBuilder* builder) {
  BuildGround(builder);
  BuildBoundary(builder);
  BuildPlaza(builder);
  BuildTerrace(builder);
  BuildTower(builder);
  BuildSandRing(builder);
  BuildDock(builder);
  BuildBank(builder);
  BuildPaths(builder);
}

}  // namespace assetgen::arena
