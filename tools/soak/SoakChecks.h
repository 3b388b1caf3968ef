#pragma once
// The soak's checks on the running game, made between frames while no
// physics step is in flight:
// - every body, bone and camera value finite;
// - no body through the level: every frame, the path of every body's centre
//   since the frame before is tested against the level's surface. A centre
//   that crosses it and goes on deeper than the body's own radius went
//   through (tunnelling); one that stays beyond it for a second is stuck in
//   it; one that comes back out at once only dipped (a hard landing presses
//   a thin limb into the ground), which is counted but no fault;
//   a centre that crosses a face from behind it is coming out of a solid
//   (a ragdoll made from bones that reached into a wall) and is counted;
//   a body that drops below the level's lowest point without crossing it
//   left through an opening in the level's data and is listed apart, as is
//   one that flew over the arena's edge;
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

// Bodies through and below the level, frame by frame.
class FallWatch {
 public:
  // Takes the level's bounds from its body in the world.
  void Start(AppMain& app);
  // Reports a body that went through the level's surface or stuck in it
  // (once a body), and notes bodies below the level.
  void Update(AppMain& app, int frame, std::vector<std::string>* problems);
  // Bodies below the level with none of it above them (flown over the
  // arena's edge) at the last update.
  int Beside() const { return beside_; }
  // Bodies that dropped below the level under a part of it without
  // crossing its surface, one line each.
  const std::vector<std::string>& Openings() const { return openings_; }
  // Centres that crossed the surface and came back out, and the deepest.
  int Dips() const { return dips_; }
  float DeepestDip() const { return deepestDip_; }
  // Centres that came out of the level's solids through a face's back, and
  // bodies whose centre was inside them when they came into the world.
  int Exits() const { return exits_; }
  int MadeInside() const { return madeInside_; }

 private:
  // A body as it was at the last update. The broadphase numbers every body
  // added to the world, which tells a new body made at the address of one
  // removed in between.
  struct Track {
    int id = 0;
    btVector3 previous{0.0f, 0.0f, 0.0f};
    // Set while the centre is beyond the surface: where it last was on the
    // near side, and the frame it crossed.
    bool beyond = false;
    btVector3 nearSide{0.0f, 0.0f, 0.0f};
    int crossedAt = 0;
    float depth = 0.0f;
  };
  // Follows a centre across the level's surface: starts following when the
  // last step carried it through, reports it once it is deeper behind the
  // surface than the body's radius or has stayed there too long, and counts
  // a dip when it comes back out. True while the centre is behind it.
  bool FollowCrossing(AppMain& app, const btCollisionObject* object, int frame, const btVector3& centre, float radius,
                      const btVector3& before, Track* track, std::vector<std::string>* problems);

  float top_ = 1e30f;
  float bottom_ = -1e30f;
  int beside_ = 0;
  int dips_ = 0;
  float deepestDip_ = 0.0f;
  int exits_ = 0;
  int madeInside_ = 0;
  std::unordered_map<const btCollisionObject*, Track> tracks_;
  std::unordered_set<const btCollisionObject*> reported_;
  std::vector<std::string> openings_;
};
