// Two builds of the arena give the same meshes, images and materials, so
// the generated files are the same bytes on every run.

#include <gtest/gtest.h>

#include <cstring>

#include "assetgen_arena/ArenaTestSupport.h"

namespace arena_test {
namespace {

bool SameBytes(const void* a, const void* b, std::size_t size) { return size == 0 || std::memcmp(a, b, size) == 0; }

TEST(ArenaDeterminism, TwoBuildsAreIdentical) {
  const assetgen::ArenaData& first = Output();
  assetgen::ArenaData second;
  std::string error;
  ASSERT_TRUE(assetgen::BuildArena(&second, &error)) << error;

  ASSERT_EQ(first.mesh.vertices.size(), second.mesh.vertices.size());
  EXPECT_TRUE(SameBytes(first.mesh.vertices.data(), second.mesh.vertices.data(),
                        first.mesh.vertices.size() * sizeof(assetgen::MeshVertex)));
  EXPECT_EQ(first.mesh.faces, second.mesh.faces);
  EXPECT_EQ(first.mesh.faceMaterial, second.mesh.faceMaterial);
  ASSERT_EQ(first.mesh.materials.size(), second.mesh.materials.size());
  for (std::size_t i = 0; i < first.mesh.materials.size(); ++i) {
    EXPECT_EQ(first.mesh.materials[i].textureFile, second.mesh.materials[i].textureFile);
  }
  EXPECT_EQ(first.lightmap.pixels, second.lightmap.pixels);
  ASSERT_EQ(first.textures.size(), second.textures.size());
  for (std::size_t i = 0; i < first.textures.size(); ++i) {
    EXPECT_EQ(first.textures[i].fileName, second.textures[i].fileName);
    EXPECT_EQ(first.textures[i].image.pixels, second.textures[i].image.pixels) << first.textures[i].fileName;
  }
  ASSERT_EQ(first.materials.size(), second.materials.size());
  for (std::size_t i = 0; i < first.materials.size(); ++i) {
    const auto& a = first.materials[i];
    const auto& b = second.materials[i];
    EXPECT_EQ(a.fileName, b.fileName);
    EXPECT_EQ(a.material.type, b.material.type);
    EXPECT_EQ(a.material.diffuseMap, b.material.diffuseMap);
    EXPECT_EQ(a.material.normalMap, b.material.normalMap);
    EXPECT_EQ(a.material.specularMap, b.material.specularMap);
    EXPECT_EQ(a.material.specular, b.material.specular);
    EXPECT_EQ(a.material.specularPower, b.material.specularPower);
  }
}

}  // namespace
}  // namespace arena_test
