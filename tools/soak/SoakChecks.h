#pragma once
// The soak's checks on the running game, made while no physics step is in
// flight: every body, bone and camera value finite; no body fallen through
// the level (below its lowest point inside its outline; a body that flew
// over the arena's edge and falls beside it is counted, not a fault); the
// world's bodies and joints, and the character manager's fighters, as many
// as the application's own lists account for.

#include <string>
#include <vector>

class AppMain;

struct SoakCounts {
  int bodies = 0;      // in the physics world
  int joints = 0;      // constraints in the physics world
  int characters = 0;  // in the application's list
  int props = 0;       // the level, thrown props and bombs
  int billboards = 0;  // live
  int decals = 0;      // live
};

// The level's box in the world: its outline on the ground and its bottom.
struct LevelBounds {
  float minX = 0.0f, maxX = 0.0f, minZ = 0.0f, maxZ = 0.0f;
  float bottom = -1e30f;
};

SoakCounts CountScene(AppMain& app);

// The bounds of the level's body (a bottom of -1e30 without a level).
LevelBounds FindLevelBounds(AppMain& app);

// Appends one line per violation to *problems (at most a few per kind);
// returns how many bodies fell beside the arena.
int CheckScene(AppMain& app, const LevelBounds& level, std::vector<std::string>* problems);
