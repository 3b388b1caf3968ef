#pragma once
// The soak's checks on the running game, made while no physics step is in
// flight: every body, bone and camera value finite; no body below the
// level; the world's bodies and joints, and the character manager's
// fighters, as many as the application's own lists account for.

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

SoakCounts CountScene(AppMain& app);

// The lowest point of the level's body, or a huge number without a level.
float LevelBottom(AppMain& app);

// Appends one line per violation to *problems (at most a few per kind).
void CheckScene(AppMain& app, float levelBottom, std::vector<std::string>* problems);
