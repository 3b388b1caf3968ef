#pragma once
// The generator's in-memory meshes and images, shared by every model it
// builds and by the writers that turn them into the game's files.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace assetgen {

struct Vec2 {
  float x = 0.0f, y = 0.0f;
};

struct Vec3 {
  float x = 0.0f, y = 0.0f, z = 0.0f;
};

struct MeshVertex {
  Vec3 position;
  Vec3 normal;
  Vec2 uv;   // first texture coordinates (material maps)
  Vec2 uv2;  // second set (light map); written only when the model has one
};

// One .x material: colours and the file name (relative to the .x file) of
// the .udt material the game loads for the faces that use it.
struct MeshMaterial {
  std::array<float, 4> diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
  float power = 16.0f;
  std::array<float, 3> specular = {0.2f, 0.2f, 0.2f};
  std::array<float, 3> emissive = {0.0f, 0.0f, 0.0f};
  std::string textureFile;  // empty: the material names no file
};

// Triangles wind clockwise seen from the front (the Direct3D convention);
// faceMaterial holds one material index per face (empty: no material list).
struct MeshModel {
  std::vector<MeshVertex> vertices;
  std::vector<std::array<std::uint32_t, 3>> faces;
  std::vector<std::uint32_t> faceMaterial;
  std::vector<MeshMaterial> materials;
  bool hasUv2 = false;
};

// 8-bit RGBA pixels, rows top to bottom.
struct ImageRgba {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;  // width * height * 4
};

}  // namespace assetgen
