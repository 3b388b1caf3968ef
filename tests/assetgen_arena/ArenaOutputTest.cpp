// What BuildArena hands to the writers: the mesh in model units, the .udt
// materials and their textures, and the baked light map.

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "assetgen_arena/ArenaTestSupport.h"

namespace arena_test {
namespace {

using namespace assetgen::arena;
using assetgen::ArenaData;
using assetgen::ImageRgba;
using assetgen::MeshModel;

bool PowerOfTwo(int v) { return v > 0 && (v & (v - 1)) == 0; }

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(ArenaOutput, MeshIsTheLevelInModelUnitsAndEachMaterialHasItsUdtFile) {
  const MeshModel& model = Output().mesh;
  const MeshModel& world = Level().mesh;
  ASSERT_TRUE(model.hasUv2);
  ASSERT_EQ(model.vertices.size(), world.vertices.size());
  ASSERT_EQ(model.faces, world.faces);
  ASSERT_EQ(model.faceMaterial, world.faceMaterial);
  for (std::size_t i = 0; i < model.vertices.size(); ++i) {
    const V3 p = Position(model, static_cast<std::uint32_t>(i), kLevelScale);
    const V3 q = Position(world, static_cast<std::uint32_t>(i));
    ASSERT_LT(Length(p - q), 1e-3f) << "vertex " << i;
    const assetgen::Vec2 uv2 = model.vertices[i].uv2;
    ASSERT_TRUE(uv2.x > 0.0f && uv2.x < 1.0f && uv2.y > 0.0f && uv2.y < 1.0f) << "vertex " << i;
  }

  // One .udt per mesh material, naming the maps its type reads.
  const ArenaData& data = Output();
  ASSERT_EQ(data.materials.size(), data.mesh.materials.size());
  std::map<std::string, const ImageRgba*> textures;
  for (const auto& t : data.textures) textures[t.fileName] = &t.image;
  ASSERT_EQ(textures.size(), data.textures.size()) << "two textures under one name";

  std::set<std::string> named;
  for (std::size_t i = 0; i < data.materials.size(); ++i) {
    const auto& file = data.materials[i];
    const auto& udt = file.material;
    EXPECT_EQ(file.fileName, data.mesh.materials[i].textureFile);
    const bool normal = udt.type == "MapMid" || udt.type == "MapMid+" || udt.type == "MapFull";
    const bool specular = udt.type == "MapMid+" || udt.type == "MapFull";
    EXPECT_TRUE(normal || udt.type == "MapSimple") << file.fileName << ": the level multiplies by its light map";
    EXPECT_GE(udt.specularPower, 1.0f);
    EXPECT_TRUE(udt.emissiveMap.empty());
    EXPECT_EQ(textures.count(udt.diffuseMap), 1u) << udt.diffuseMap;
    EXPECT_EQ(!udt.normalMap.empty(), normal) << file.fileName;
    EXPECT_EQ(!udt.specularMap.empty(), specular) << file.fileName;
    for (const std::string* map : {&udt.diffuseMap, &udt.normalMap, &udt.specularMap}) {
      if (map->empty()) continue;
      EXPECT_EQ(textures.count(*map), 1u) << *map;
      const std::string stem = file.fileName.substr(0, file.fileName.size() - 4) + "_";
      EXPECT_EQ(map->compare(0, stem.size(), stem), 0) << *map << " belongs to " << file.fileName;
      named.insert(*map);
    }
  }
  EXPECT_EQ(named.size(), textures.size()) << "a texture no material uses";
}

TEST(ArenaOutput, TexturesArePowerOfTwoRgbaWithValidNormalAndSpecularMaps) {
  for (const auto& texture : Output().textures) {
    const ImageRgba& image = texture.image;
    ASSERT_TRUE(PowerOfTwo(image.width) && PowerOfTwo(image.height)) << texture.fileName;
    ASSERT_EQ(image.pixels.size(), static_cast<std::size_t>(image.width) * image.height * 4u);
    EXPECT_TRUE(EndsWith(texture.fileName, ".png"));
    for (std::size_t i = 0; i < image.pixels.size(); i += 4) {
      const std::uint8_t* p = &image.pixels[i];
      if (EndsWith(texture.fileName, "_n.png")) {
        const V3 n{p[0] / 127.5f - 1.0f, p[1] / 127.5f - 1.0f, p[2] / 127.5f - 1.0f};
        ASSERT_NEAR(Length(n), 1.0f, 0.03f) << texture.fileName;
        ASSERT_GT(n.z, 0.3f) << texture.fileName;
      } else if (EndsWith(texture.fileName, "_s.png")) {
        ASSERT_GE(p[3], 1) << texture.fileName << ": exponent below 1";
      } else {
        ASSERT_EQ(p[3], 255) << texture.fileName << ": the ground is opaque";
      }
    }
  }
}

// The light map's value (0..1, luminance) at the ground below a point.
struct LightSample {
  bool found = false;
  float value = 0.0f;
  V3 point;
  std::uint32_t material = 0;
  V3 normal;
};

float Channel(const ImageRgba& image, int x, int y, int c) {
  x = std::clamp(x, 0, image.width - 1);
  y = std::clamp(y, 0, image.height - 1);
  return image.pixels[(static_cast<std::size_t>(y) * image.width + x) * 4u + static_cast<std::size_t>(c)] / 255.0f;
}

LightSample LightAt(float x, float z) {
  const ArenaData& data = Output();
  const MeshModel& mesh = data.mesh;
  const RayHit hit = CastRay(mesh, {x, 400.0f, z}, {0.0f, -1.0f, 0.0f}, 1e4f, kLevelScale);
  LightSample sample;
  if (!hit.hit) return sample;
  const auto& face = mesh.faces[hit.face];
  const float b0 = 1.0f - hit.b1 - hit.b2;
  const assetgen::Vec2 t0 = mesh.vertices[face[0]].uv2, t1 = mesh.vertices[face[1]].uv2, t2 = mesh.vertices[face[2]].uv2;
  const float u = (t0.x * b0 + t1.x * hit.b1 + t2.x * hit.b2) * data.lightmap.width - 0.5f;
  const float v = (t0.y * b0 + t1.y * hit.b1 + t2.y * hit.b2) * data.lightmap.height - 0.5f;
  const int x0 = static_cast<int>(std::floor(u)), y0 = static_cast<int>(std::floor(v));
  const float fx = u - x0, fy = v - y0;
  float value = 0.0f;
  for (int c = 0; c < 3; ++c) {
    const float top = Channel(data.lightmap, x0, y0, c) * (1 - fx) + Channel(data.lightmap, x0 + 1, y0, c) * fx;
    const float bottom = Channel(data.lightmap, x0, y0 + 1, c) * (1 - fx) + Channel(data.lightmap, x0 + 1, y0 + 1, c) * fx;
    value += (top * (1 - fy) + bottom * fy) / 3.0f;
  }
  sample.found = true;
  sample.value = value;
  sample.point = V3{x, 400.0f - hit.t, z};
  sample.material = mesh.faceMaterial[hit.face];
  sample.normal = WindingNormal(mesh, hit.face);
  return sample;
}

TEST(ArenaOutput, LightMapCoversEveryTexelAndDarkensAlongWallsAndInCorners) {
  const ImageRgba& map = Output().lightmap;
  ASSERT_EQ(map.width, 1024);
  ASSERT_EQ(map.height, 1024);
  ASSERT_EQ(map.pixels.size(), 1024u * 1024u * 4u);
  double sum = 0.0;
  for (std::size_t i = 0; i < map.pixels.size(); i += 4) {
    // Even the deepest occlusion keeps some light; 0 would be a texel the
    // dilation never reached.
    for (int c = 0; c < 3; ++c) ASSERT_GE(map.pixels[i + static_cast<std::size_t>(c)], 20) << "texel " << i / 4;
    ASSERT_EQ(map.pixels[i + 3], 255);
    sum += map.pixels[i + 1];
  }
  const double mean = sum / (1024.0 * 1024.0) / 255.0;
  EXPECT_GT(mean, 0.35);
  EXPECT_LT(mean, 0.65);

  // Both points are in the sun; the one at the foot of the east wall sees
  // less of the sky.
  const LightSample open = LightAt(225.0f, 150.0f);
  const LightSample atWall = LightAt(268.5f, 150.0f);
  ASSERT_TRUE(open.found && atWall.found);
  EXPECT_LT(atWall.value, open.value - 0.05f);
  // Where the west wall meets the terrace's face: in the wall's shadow and
  // hemmed in on two sides.
  const LightSample corner = LightAt(-268.5f, 70.5f);
  ASSERT_TRUE(corner.found);
  EXPECT_NEAR(corner.point.y, kGroundY, 0.01f);
  EXPECT_LT(corner.value, 0.27f);
}

TEST(ArenaOutput, LightMapIsBrightInTheSunAndDarkInCastShadows) {
  const V3 toLight = -Normalize(V3{0.4f, -0.9f, 0.7f});
  std::vector<float> lit, shadowed;
  for (float x = -260.0f; x <= 260.0f; x += 9.0f) {
    for (float z = -260.0f; z <= 260.0f; z += 9.0f) {
      const LightSample s = LightAt(x, z);
      if (!s.found || s.normal.y < 0.99f || s.material != static_cast<std::uint32_t>(kGrass)) continue;
      // Keep only points well inside a lit or a shadowed area.
      int open = 0;
      for (const V3 offset : {V3{0, 0, 0}, V3{2, 0, 0}, V3{-2, 0, 0}, V3{0, 0, 2}, V3{0, 0, -2}}) {
        const V3 origin = s.point + offset + V3{0.0f, 0.05f, 0.0f};
        if (!CastRay(Level().mesh, origin, toLight, 2000.0f).hit) ++open;
      }
      if (open == 5) lit.push_back(s.value);
      if (open == 0) shadowed.push_back(s.value);
    }
  }
  ASSERT_GT(lit.size(), 500u);
  ASSERT_GT(shadowed.size(), 100u);
  const auto mean = [](const std::vector<float>& v) {
    double sum = 0.0;
    for (float f : v) sum += f;
    return sum / static_cast<double>(v.size());
  };
  EXPECT_GT(mean(lit), 0.53);
  EXPECT_LT(mean(lit), 0.66);
  EXPECT_GT(mean(shadowed), 0.2);
  EXPECT_LT(mean(shadowed), 0.38);
  const auto share = [](const std::vector<float>& v, auto predicate) {
    return static_cast<double>(std::count_if(v.begin(), v.end(), predicate)) / static_cast<double>(v.size());
  };
  EXPECT_GT(share(lit, [](float f) { return f > 0.45f; }), 0.9);
  EXPECT_GT(share(shadowed, [](float f) { return f < 0.42f; }), 0.9);
}

}  // namespace
}  // namespace arena_test
