#include "tools/assetgen/arena/Arena.h"

#include <chrono>
#include <cmath>
#include <cstring>
#include <utility>

#include "tools/assetgen/arena/ArenaLayout.h"
#include "tools/assetgen/arena/LevelGeometry.h"
#include "tools/assetgen/arena/LightmapBaker.h"
#include "tools/assetgen/arena/RayTracer.h"
#include "tools/assetgen/arena/SurfaceTextures.h"

namespace assetgen {
namespace {

using arena::kLevelScale;
using arena::kSurfaceCount;
using arena::StyleOf;

constexpr int kTextureSize = 512;
constexpr int kThreads = 2;
constexpr std::size_t kMaxVertices = 65535;

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool Finite(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }
bool Finite(const Vec2& v) { return std::isfinite(v.x) && std::isfinite(v.y); }

bool CheckMesh(const MeshModel& mesh, std::string* error) {
  const auto fail = [&](const std::string& why) {
    if (error) *error = "arena mesh: " + why;
    return false;
  };
  if (mesh.vertices.size() > kMaxVertices) return fail("more than 65535 vertices");
  if (mesh.faceMaterial.size() != mesh.faces.size()) return fail("material list does not match the faces");
  for (const MeshVertex& v : mesh.vertices) {
    if (!Finite(v.position) || !Finite(v.normal) || !Finite(v.uv) || !Finite(v.uv2)) return fail("NaN or infinity");
    const float len = std::sqrt(v.normal.x * v.normal.x + v.normal.y * v.normal.y + v.normal.z * v.normal.z);
    if (std::fabs(len - 1.0f) > 1e-3f) return fail("normal not of unit length");
    if (v.uv2.x < 0.0f || v.uv2.x > 1.0f || v.uv2.y < 0.0f || v.uv2.y > 1.0f) return fail("light-map coordinates outside 0..1");
  }
  for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
    for (std::uint32_t index : mesh.faces[f]) {
      if (index >= mesh.vertices.size()) return fail("face index out of range");
    }
    if (mesh.faceMaterial[f] >= mesh.materials.size()) return fail("face material out of range");
  }
  return true;
}

void AddMaterialFiles(ArenaData* data) {
  for (int s = 0; s < kSurfaceCount; ++s) {
    const arena::SurfaceStyle& style = StyleOf(s);
    const std::string stem = style.name;
    ArenaMaterialFile file;
    file.fileName = stem + ".udt";
    file.material.type = style.udtType;
    file.material.ambientRate = style.ambientRate;
    file.material.specular = style.specular;
    file.material.specularPower = style.specularPower;
    file.material.gpv = 0.0f;
    file.material.diffuseMap = stem + "_d.png";
    file.material.normalMap = stem + "_n.png";  // every Map type the arena uses reads a normal map
    if (std::strcmp(style.udtType, "MapMid+") == 0) file.material.specularMap = stem + "_s.png";
    data->materials.push_back(std::move(file));
  }
}

void AddTextures(ArenaData* data) {
  for (int s = 0; s < kSurfaceCount; ++s) {
    const std::string stem = StyleOf(s).name;
    arena::SurfaceMaps maps = arena::PaintSurface(s, kTextureSize, kThreads);
    data->textures.push_back({stem + "_d.png", std::move(maps.diffuse)});
    data->textures.push_back({stem + "_n.png", std::move(maps.normal)});
    if (!maps.specular.pixels.empty()) data->textures.push_back({stem + "_s.png", std::move(maps.specular)});
  }
}

}  // namespace

bool BuildArena(ArenaData* out, std::string* error, ArenaStats* stats) {
  if (out == nullptr) {
    if (error) *error = "arena: no output";
    return false;
  }
  ArenaStats figures;
  ArenaData data;
  AddMaterialFiles(&data);

  auto start = std::chrono::steady_clock::now();
  arena::LevelGeometry level;
  if (!arena::BuildLevelGeometry(&level, error)) return false;
  MeshModel& world = level.mesh;
  figures.charts = level.chartCount;
  figures.texelsPerWorldUnit = level.texelsPerWorldUnit;
  figures.geometrySeconds = SecondsSince(start);

  start = std::chrono::steady_clock::now();
  std::vector<arena::V3> positions;
  positions.reserve(world.vertices.size());
  for (const MeshVertex& v : world.vertices) positions.push_back({v.position.x, v.position.y, v.position.z});
  arena::RayTracer tracer;
  tracer.Build(positions, world.faces);
  arena::BakeSettings bake;
  bake.size = arena::kLightmapSize;
  bake.threads = kThreads;
  if (!arena::BakeLightmap(world, level.faceChart, tracer, bake, &data.lightmap, error)) return false;
  figures.bakeSeconds = SecondsSince(start);

  start = std::chrono::steady_clock::now();
  AddTextures(&data);
  figures.textureSeconds = SecondsSince(start);

  // The game draws and collides the level at scale 70.
  data.mesh = std::move(world);
  const float inverseScale = 1.0f / kLevelScale;
  for (MeshVertex& v : data.mesh.vertices) {
    v.position = {v.position.x * inverseScale, v.position.y * inverseScale, v.position.z * inverseScale};
  }
  if (!CheckMesh(data.mesh, error)) return false;

  *out = std::move(data);
  if (stats) *stats = figures;
  return true;
}

}  // namespace assetgen
