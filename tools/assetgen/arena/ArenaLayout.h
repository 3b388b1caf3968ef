#pragma once
// The arena's design: its surfaces and where every piece stands. All sizes
// are world units (the level mesh is drawn and collided at scale 70).
//
// Seen from above (x east, z north), around a ground of grass at y 110:
// a round paved plaza with a metal obelisk in the middle and six columns
// around it; a grassy terrace 40 higher in the north-west with a wooden
// deck, a parapet, a colonnade with a pergola, a stone stair down to the
// south and a dirt ramp down to the east; a tall stone tower with a metal
// deck in the south-east for the leaning crate columns; a sand ring with a
// wooden border in the north-east; a low metal dock with a ramp and steps
// in the south-west; dirt paths between them; a steep dirt bank along the
// east wall; boundary walls with buttresses and corner towers.

#include <array>

namespace assetgen::arena {

class LevelBuilder;

// Mesh materials of the level, in material-index order.
enum Surface : int { kGrass, kPaving, kStoneBlocks, kPlanks, kMetalPlate, kSand, kDirt, kSurfaceCount };

struct SurfaceStyle {
  const char* name;     // file stem: the physics material's two-letter code, '_', a name
  const char* udtType;  // material type of the .udt file
  float tileSize;       // world units per texture repeat
  float ambientRate;
  std::array<float, 3> specular;  // used by types without a specular map
  float specularPower;
};
const SurfaceStyle& StyleOf(int surface);

constexpr float kLevelScale = 70.0f;
constexpr float kMaxCell = 24.0f;  // longest edge of a ground or wall cell (keeps vertex fog smooth)

constexpr float kGroundY = 110.0f;
constexpr float kInnerHalf = 270.0f;  // the boundary walls' inner faces stand at x, z = +-270
constexpr float kWallTopY = 210.0f;
constexpr float kTerraceTopY = 150.0f;
constexpr float kTowerTopY = 275.0f;

// The stone stair from the ground up to the terrace: climbs north (+z).
constexpr float kStairsCentreX = -180.0f;
constexpr float kStairsFootZ = -45.6f;
constexpr float kStairsWidth = 40.0f;
constexpr int kStairsRisers = 50;
constexpr float kStairsRise = 0.8f;
constexpr float kStairsTread = 2.4f;

// The dirt ramp from the ground up to the terrace: climbs west (-x).
constexpr float kRampFootX = 30.0f;
constexpr float kRampCentreZ = 120.0f;
constexpr float kRampRun = 70.0f;
constexpr float kRampWidth = 40.0f;

// The steep bank along the east wall: rises east (+x), too steep to stand on.
constexpr float kBankFootX = 238.0f;
constexpr float kBankRun = 32.0f;
constexpr float kBankRise = 60.0f;
constexpr float kBankZ0 = -200.0f;
constexpr float kBankZ1 = 40.0f;

// Places every piece of the level into the builder.
void BuildLevel(LevelBuilder* builder);

}  // namespace assetgen::arena
