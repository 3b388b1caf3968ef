#pragma once
// Shared pieces of the arena tests: the arena built once per test program,
// and a brute-force ray cast that uses no acceleration structure (so it
// also serves as the reference for the generator's own tracer).

#include <cstdint>

#include "tools/assetgen/arena/Arena.h"
#include "tools/assetgen/arena/ArenaLayout.h"
#include "tools/assetgen/arena/ArenaVec.h"
#include "tools/assetgen/arena/LevelGeometry.h"

namespace arena_test {

using assetgen::arena::V3;

// The level in world units with light-map coordinates (fast to build).
const assetgen::arena::LevelGeometry& Level();
// Everything BuildArena makes (a few seconds; built on first use).
const assetgen::ArenaData& Output();

V3 Position(const assetgen::MeshModel& mesh, std::uint32_t vertex, float scale = 1.0f);
// Unit normal of a face from its winding (clockwise front faces).
V3 WindingNormal(const assetgen::MeshModel& mesh, std::uint32_t face);

struct RayHit {
  bool hit = false;
  float t = 0.0f;
  std::uint32_t face = 0;
  float b1 = 0.0f, b2 = 0.0f;  // barycentric coordinates of the hit on the face
};
// Nearest face along origin + t * direction, 0 < t < tMax; positions are
// multiplied by `scale` first.
RayHit CastRay(const assetgen::MeshModel& mesh, V3 origin, V3 direction, float tMax, float scale = 1.0f);

// What lies straight below a point of the level (world units).
struct Ground {
  bool found = false;
  float y = 0.0f;
  V3 normal;  // from the winding of the face hit
  std::uint32_t material = 0;
};
Ground GroundBelow(float x, float y, float z);

// The physics material table's two-letter codes, rows 0 to 11.
extern const char* const kPhysicsCodes[12];
// Row found for a .udt file name the way scene loading finds it: the first
// row whose code equals the name's first two letters; a miss or row 0 gives 1.
int PhysicsRowFor(const std::string& fileName);

constexpr float kWalkableNormalY = 0.57357644f;  // cos 55 degrees

}  // namespace arena_test
