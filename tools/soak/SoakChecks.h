#pragma once
// The soak's checks on the running game, made between frames while no
// physics step is in flight:
// - every body, bone and camera value finite;
// - no body fallen through the level: below its lowest point inside its
//   outline (a body that flew over the arena's edge and falls beside it is
//   counted, not a fault); watched every frame, so that the report says
//   where the body was the frame before;
// - the world's bodies and joints, and the character manager's fighters,
//   as many as the application's own lists account for.

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "LinearMath/btVector3.h"

class AppMain;
class btCollisionObject;

struct SoakCounts {
  int bodies = 0;      // in the physics world
  int joints = 0;      // constraints in the physics world
  int characters = 0;  // in the application's list
  int props = 0;       // the level, thrown props and bombs
  int billboards = 0;  // live
  int decals = 0;      // live
};

SoakCounts CountScene(AppMain& app);

// Appends one line per violation to *problems (at most a few per kind).
void CheckScene(AppMain& app, std::vector<std::string>* problems);

// Bodies below the level, frame by frame.
class FallWatch {
 public:
  // Takes the level's bounds from its body in the world.
  void Start(AppMain& app);
  // Reports each body the first frame it is found through the level.
  void Update(AppMain& app, int frame, std::vector<std::string>* problems);
  // Bodies below the level beside its outline at the last update.
  int Beside() const { return beside_; }

 private:
  float minX_ = 0.0f, maxX_ = 0.0f, minZ_ = 0.0f, maxZ_ = 0.0f;
  float bottom_ = -1e30f;
  int beside_ = 0;
  std::unordered_map<const btCollisionObject*, btVector3> previous_;
  std::unordered_set<const btCollisionObject*> reported_;
};
