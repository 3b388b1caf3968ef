// The character body's loader and skinned drawing: a two-bone strip loaded
// from .x, .bone and .pose files, bent by its pose and read back from the
// screen in the shader and fixed-function modes.

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "anim/SkinFixture.h"
#include "anim/SkinMeshEntity.h"
#include "frame/DisplayConfiguration.h"
#include "render/RendererFixture.h"
#include "render/XFileText.h"

namespace {

using Lines = std::vector<std::string>;

// The strip of SkinFixture.h as an .x file. Vertex 3 (middle right) has a
// second normal on its lower faces, so the loader splits it.
std::string StripFile() {
  XFileText x;
  for (int row = 0; row < 3; ++row) {
    x.Vertex(-0.5f, static_cast<float>(row), 0.0f, 0.0f, 1.0f - row * 0.5f);
    x.Vertex(0.5f, static_cast<float>(row), 0.0f, 1.0f, 1.0f - row * 0.5f);
  }
  x.Face(0, 2, 3);
  x.Face(0, 3, 1);
  x.Face(2, 4, 5);
  x.Face(2, 5, 3);
  std::string text = x.Text();
  const std::string normals =
      "MeshNormals {\n2;\n0;0;-1;,\n0.1;0;-0.995;;\n4;\n3;0,0,1;,\n3;0,1,0;,\n3;0,0,0;,\n3;0,0,0;;\n}\n";
  text.insert(text.find("MeshTextureCoords"), normals);
  return text;
}

class SkinnedDrawTest : public DeviceTest {
 protected:
  void TearDown() override {
    entity_.Release();
    if (skin_ != nullptr) renderer_.GetMeshPool().Release(skin_);
    renderer_.Uninit();
    GetDisplayConfiguration() = saved_;
    DeviceTest::TearDown();
  }

  bool Start(bool shaders) {
    GetDisplayConfiguration().useShaders = shaders;
    GetDisplayConfiguration().highQuality = false;
    return renderer_.Init(!shaders, &parameters_, device_, static_cast<int>(kWidth), static_cast<int>(kHeight),
                          &messages_);
  }

  bool LoadStrip(const std::string& bones = StripBones(), const std::string& poses = StripPoses()) {
    files_.WriteText("body.x", StripFile());
    files_.WriteText("body.bone", bones);
    files_.WriteText("body.pose", poses);
    return renderer_.LoadSkinMesh(&skin_, &messages_, (files_.Path() + "body.x").c_str(),
                                  (files_.Path() + "body.bone").c_str(), (files_.Path() + "body.pose").c_str());
  }

  // An orthographic view of 4 x 3 units centred on (0, 1), looking along +z:
  // a unit is 16 pixels, world (0, 1) is pixel (32, 24).
  void SetCamera() {
    D3DXVECTOR3 eye(0, 1, -5), at(0, 1, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&view_.view, &eye, &at, &up);
    D3DXMatrixOrthoLH(&view_.projection, 4.0f, 3.0f, 1.0f, 10.0f);
    view_.eye = eye;
    renderer_.SetView(&view_);
    renderer_.SetCameraPosition(eye);
    device_->SetTransform(D3DTS_VIEW, &view_.view);
    device_->SetTransform(D3DTS_PROJECTION, &view_.projection);
    renderer_.SetAmbient(D3DXCOLOR(1, 1, 1, 1), D3DXCOLOR(1, 1, 1, 1));
    renderer_.SetDirectionalLight(0, D3DXVECTOR3(0, 0, 1), D3DXCOLOR(1, 1, 1, 1));
    device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  }

  // Draws the strip in a pose and tells whether pixels are covered.
  void DrawPose(const char* pose) {
    ASSERT_TRUE(entity_.Init(&skin_->frame));
    entity_.SetPose(skin_->frame.FindPose(pose));
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    entity_.UpdateWorld(entity_.GetRoot(), identity);
    entity_.ComputeSkinMatrices(false);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device_->BeginScene();
    MaterialData* materials[1] = {nullptr};
    entity_.Draw(&renderer_, materials);
    renderer_.SetTransformBlend(0);
    device_->EndScene();
  }
  bool Covered(float x, float y) {
    const Rgba p = Pixel(static_cast<int>(32 + x * 16), static_cast<int>(24 - (y - 1) * 16));
    return p.r + p.g + p.b > 60;
  }

  void ExpectBentStrip() {
    DrawPose("straight");
    EXPECT_TRUE(Covered(0.0f, 1.8f));
    EXPECT_FALSE(Covered(-0.8f, 1.0f));
    DrawPose("bent");  // the arm turns a quarter to -x around (0, 1)
    EXPECT_TRUE(Covered(0.0f, 0.4f));    // the root's part stays
    EXPECT_TRUE(Covered(-0.8f, 1.0f));   // the arm's end lies to the left
    EXPECT_FALSE(Covered(0.0f, 1.8f));   // and no longer above
    EXPECT_FALSE(Covered(0.4f, 1.25f));  // the blended middle row moved inwards
  }

  DisplayConfiguration saved_ = GetDisplayConfiguration();
  LoadingRenderer renderer_;
  MessageLog messages_;
  ScratchDirectory files_;
  CameraView view_;
  SkinData* skin_ = nullptr;
  SkinMeshEntity entity_;
};

TEST_F(SkinnedDrawTest, TheBodyLoadsOnceWithEveryVertexBound) {
  ASSERT_TRUE(Start(true)) << (messages_.lines.empty() ? "" : messages_.lines[0]);
  ASSERT_TRUE(LoadStrip()) << (messages_.lines.empty() ? "" : messages_.lines[0]);
  EXPECT_TRUE(messages_.lines.empty());
  EXPECT_EQ(skin_->numMaterials, 0u);
  EXPECT_NEAR(skin_->boundingRadius, 2.0f * std::sqrt(4.25f), 1e-5f);  // doubled

  // The split copy of vertex 3 took its influences: every vertex is bound.
  const DWORD vertexCount = skin_->mesh->GetNumVertices();
  EXPECT_EQ(vertexCount, 7u);
  std::set<std::int32_t> bound;
  for (std::int32_t b = 0; b < skin_->bones.boneCount; ++b) {
    const BoneRecord& bone = skin_->bones.bones[b];
    bound.insert(bone.vertexIndices, bone.vertexIndices + bone.influenceCount);
  }
  EXPECT_EQ(bound.size(), vertexCount);

  SkinData* again = nullptr;
  ASSERT_TRUE(renderer_.LoadSkinMesh(&again, &messages_, (files_.Path() + "body.x").c_str(),
                                     (files_.Path() + "body.bone").c_str(), (files_.Path() + "body.pose").c_str()));
  EXPECT_EQ(again, skin_);
  renderer_.GetMeshPool().Release(again);
}

TEST_F(SkinnedDrawTest, BrokenBodyFilesAreReported) {
  ASSERT_TRUE(Start(false));
  EXPECT_FALSE(LoadStrip("BF01"));
  EXPECT_FALSE(LoadStrip(StripBones(), "PF00\x01"));
  AnimFileBuilder outside;  // a vertex the mesh does not have
  outside.Magic("BF01").Int(1).Bone(-1, "root", 0, 0, 0, 0, {7}, {1});
  EXPECT_FALSE(LoadStrip(outside.Data()));
  AnimFileBuilder five;  // face 0 (vertices 0, 2, 3) on five bones
  five.Magic("BF01").Int(5).Bone(-1, "b0", 0, 0, 0, 0, {0}, {1});
  const std::int32_t vertexOf[5] = {0, 2, 3, 3, 2};
  for (int b = 1; b < 5; ++b) five.Bone(0, "b" + std::to_string(b), 0, 0, 0, 0, {vertexOf[b]}, {1});
  EXPECT_FALSE(LoadStrip(five.Data()));
  EXPECT_EQ(messages_.lines, (Lines{"Failed to load bone file", "Failed to load pose file",
                                    "Failed to remap vertices at bones", "Failed to init SkinMeshFrame"}));
  EXPECT_EQ(skin_, nullptr);
  EXPECT_EQ(renderer_.GetMeshPool().Size(), 0u);
}

TEST_F(SkinnedDrawTest, ABentStripIsDrawnWhereTheBlendPutsIt) {
  for (const bool shaders : {true, false}) {
    SCOPED_TRACE(shaders ? "shaders" : "fixed function");
    ASSERT_TRUE(Start(shaders)) << (messages_.lines.empty() ? "" : messages_.lines[0]);
    ASSERT_TRUE(LoadStrip()) << (messages_.lines.empty() ? "" : messages_.lines[0]);
    SetCamera();
    ExpectBentStrip();
    entity_.Release();
    renderer_.GetMeshPool().Release(skin_);
    skin_ = nullptr;
    renderer_.Uninit();
  }
}

}  // namespace
