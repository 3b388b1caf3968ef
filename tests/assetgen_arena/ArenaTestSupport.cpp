#include "assetgen_arena/ArenaTestSupport.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

namespace arena_test {

using assetgen::MeshModel;
using assetgen::arena::Cross;
using assetgen::arena::Dot;
using assetgen::arena::Normalize;

const char* const kPhysicsCodes[12] = {"**", "un", "wo", "st", "me", "gl", "di", "sa", "gr", "sn", "li", "sp"};

const assetgen::arena::LevelGeometry& Level() {
  static const assetgen::arena::LevelGeometry level = [] {
    assetgen::arena::LevelGeometry built;
    std::string error;
    if (!assetgen::arena::BuildLevelGeometry(&built, &error)) ADD_FAILURE() << error;
    return built;
  }();
  return level;
}

const assetgen::ArenaData& Output() {
  static const assetgen::ArenaData data = [] {
    assetgen::ArenaData built;
    std::string error;
    if (!assetgen::BuildArena(&built, &error)) ADD_FAILURE() << error;
    return built;
  }();
  return data;
}

V3 Position(const MeshModel& mesh, std::uint32_t vertex, float scale) {
  const assetgen::Vec3& p = mesh.vertices[vertex].position;
  return V3{p.x, p.y, p.z} * scale;
}

V3 WindingNormal(const MeshModel& mesh, std::uint32_t face) {
  const auto& f = mesh.faces[face];
  const V3 a = Position(mesh, f[0]), b = Position(mesh, f[1]), c = Position(mesh, f[2]);
  return Normalize(Cross(b - a, c - a));
}

RayHit CastRay(const MeshModel& mesh, V3 origin, V3 direction, float tMax, float scale) {
  RayHit best;
  best.t = tMax;
  for (std::uint32_t f = 0; f < mesh.faces.size(); ++f) {
    const V3 a = Position(mesh, mesh.faces[f][0], scale);
    const V3 e1 = Position(mesh, mesh.faces[f][1], scale) - a;
    const V3 e2 = Position(mesh, mesh.faces[f][2], scale) - a;
    const V3 p = Cross(direction, e2);
    const float det = Dot(e1, p);
    if (std::fabs(det) < 1e-12f) continue;
    const V3 s = origin - a;
    const float u = Dot(s, p) / det;
    if (u < 0.0f || u > 1.0f) continue;
    const V3 q = Cross(s, e1);
    const float v = Dot(direction, q) / det;
    if (v < 0.0f || u + v > 1.0f) continue;
    const float t = Dot(e2, q) / det;
    if (t <= 0.0f || t >= best.t) continue;
    best = {true, t, f, u, v};
  }
  return best;
}

Ground GroundBelow(float x, float y, float z) {
  const MeshModel& mesh = Level().mesh;
  const RayHit hit = CastRay(mesh, {x, y, z}, {0.0f, -1.0f, 0.0f}, 1e4f);
  Ground ground;
  if (!hit.hit) return ground;
  ground.found = true;
  ground.y = y - hit.t;
  ground.normal = WindingNormal(mesh, hit.face);
  ground.material = mesh.faceMaterial[hit.face];
  return ground;
}

int PhysicsRowFor(const std::string& fileName) {
  if (fileName.size() < 2) return 1;
  for (int row = 0; row < 12; ++row) {
    if (fileName.compare(0, 2, kPhysicsCodes[row]) == 0) return row == 0 ? 1 : row;
  }
  return 1;
}

}  // namespace arena_test
