// Bone influences against the mesh: the range check and the renumbering
// after the mesh loader reordered and split vertices.

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "anim/AnimFileBuilder.h"
#include "anim/BoneFile.h"

namespace {

struct Influences {
  std::vector<std::int32_t> vertices;
  std::vector<float> weights;
  bool operator==(const Influences& other) const { return vertices == other.vertices && weights == other.weights; }
};

void PrintTo(const Influences& influences, std::ostream* out) {
  *out << "vertices";
  for (std::int32_t v : influences.vertices) *out << ' ' << v;
  *out << ", weights";
  for (float w : influences.weights) *out << ' ' << w;
}

Influences Of(const BoneRecord& bone) {
  if (bone.influenceCount < 1) return {};
  return {{bone.vertexIndices, bone.vertexIndices + bone.influenceCount}, {bone.weights, bone.weights + bone.influenceCount}};
}

class BoneVerticesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AnimFileBuilder bytes;
    bytes.Magic("BF01").Int(3);
    bytes.Bone(-1, "root", 0, 0, 0, 0, {2, 0, 2}, {0.5f, 1.0f, 0.25f});  // vertex 2 twice
    bytes.Bone(0, "arm", 0, 0, 0, 0, {1, 3}, {0.75f, 0.125f});
    bytes.Bone(1, "hand", 0, 0, 0);
    std::string error;
    ASSERT_TRUE(LoadBoneFile(&file_, scratch_.Write("body.bone", bytes.Data()).c_str(), &error)) << error;
  }

  AnimScratch scratch_;
  BoneFile file_;
};

TEST_F(BoneVerticesTest, CheckRefusesVerticesOutsideTheMesh) {
  std::string error;
  EXPECT_TRUE(CheckBoneVertices(file_, 4, &error));
  EXPECT_FALSE(CheckBoneVertices(file_, 3, &error));
  EXPECT_EQ(error, "bone 1: vertex index 3 is outside the mesh's 3 vertices");
  EXPECT_FALSE(CheckBoneVertices(file_, 0, nullptr));
}

TEST_F(BoneVerticesTest, RemapFollowsNewOrderSplitsAndDrops) {
  // Old vertex 2 was split into new 0 and 3; old 1 is gone; old 0 and 3 moved.
  const std::uint32_t newToOld[] = {2, 3, 0, 2};
  ASSERT_TRUE(RemapBoneVertices(file_, newToOld, 4));
  // New vertices ascending; per vertex the influences in their stored order.
  EXPECT_EQ(Of(file_.bones[0]), (Influences{{0, 0, 2, 3, 3}, {0.5f, 0.25f, 1.0f, 0.5f, 0.25f}}));
  EXPECT_EQ(Of(file_.bones[1]), (Influences{{1}, {0.125f}}));
  EXPECT_EQ(file_.bones[2].influenceCount, 0);
  EXPECT_EQ(file_.bones[2].vertexIndices, nullptr);

  // A second remap works on the first one's numbering: of a mesh of vertex 0
  // alone the root keeps both copies of old vertex 2, the arm keeps nothing.
  const std::uint32_t only[] = {0};
  ASSERT_TRUE(RemapBoneVertices(file_, only, 1));
  EXPECT_EQ(Of(file_.bones[0]), (Influences{{0, 0}, {0.5f, 0.25f}}));
  EXPECT_EQ(file_.bones[1].influenceCount, 0);
  EXPECT_EQ(file_.bones[1].weights, nullptr);
}

TEST_F(BoneVerticesTest, RemapRefusesMissingInput) {
  EXPECT_FALSE(RemapBoneVertices(file_, nullptr, 2));
  EXPECT_FALSE(RemapBoneVertices(file_, nullptr, -1));
  EXPECT_EQ(file_.bones[1].influenceCount, 2);  // untouched
  BoneFile empty;
  EXPECT_FALSE(RemapBoneVertices(empty, nullptr, 0));  // no records at all
}

}  // namespace
