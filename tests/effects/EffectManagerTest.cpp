// Blood drops in flight and on the ground, smoke, and the blast's flash.

#include <gtest/gtest.h>

#include "effects/EffectManager.h"
#include "effects/EffectsFixture.h"
#include "platform/win32/CrtRandom.h"

namespace {

class EffectManagerTest : public EffectsTest {
 protected:
  void SetUp() override {
    EffectsTest::SetUp();
    for (IDirect3DTexture9*& texture : textures_) texture = white_;
    effects_.Init(textures_, &renderer_, &camera_, &billboards_, &physics_, &decals_, 60.0f);
    crt::srand(7);
  }
  void TearDown() override {
    billboards_.Clear();
    decals_.Clear();
    EffectsTest::TearDown();
  }
  const Billboard& OnlyDrop() const { return *billboards_.GetRecords().at(0); }

  // The flash's blur as the screen effect received it: centre in pixels and strength.
  void LastBlur(D3DXVECTOR2* centre, float* strength) {
    ID3DXEffect* e = renderer_.GetScreenEffect();
    float uv[2] = {};
    e->GetValue(e->GetParameterByName(nullptr, "g_BlurOffset"), uv, sizeof(uv));
    e->GetValue(e->GetParameterByName(nullptr, "g_GPV"), strength, sizeof(float));
    *strength *= 100.0f;
    *centre = D3DXVECTOR2(uv[0] * kScreenWidth, uv[1] * kScreenHeight);
  }

  IDirect3DTexture9* textures_[EffectManager::kTextureCount] = {};
  BillboardSystem billboards_;
  DecalSystem decals_;
  EffectManager effects_;
};

TEST_F(EffectManagerTest, AStillDropRisesThenFallsAndLandsAsADecalThatHoldsThirtySeconds) {
  effects_.SpawnFluid(D3DXVECTOR3(0, 5, 0), 0.0f, D3DXVECTOR3(0, 0, 0), 1.0f);
  ASSERT_EQ(billboards_.GetLiveCount(), 1u);
  const float opacity = OnlyDrop().colour.a;
  const float fade = OnlyDrop().fadePerFrame;
  float highest = 5.0f;
  int frames = 0;
  while (billboards_.GetLiveCount() == 1 && frames < 600) {
    billboards_.Update();
    ++frames;
    if (billboards_.GetLiveCount() == 1) highest = std::max(highest, OnlyDrop().position.y);
  }
  EXPECT_GT(highest, 6.0f);  // 0.4 up, 0.04 down per frame: about two units of rise
  ASSERT_EQ(decals_.GetLiveCount(), 1u);
  const Decal& splat = *decals_.GetRecords()[0];
  EXPECT_NEAR(splat.position.y, 0.0f, 1e-3f);
  EXPECT_NEAR(splat.normal.y, 1.0f, 1e-5f);
  EXPECT_EQ(splat.delayFrames, 30 * 60);
  EXPECT_FLOAT_EQ(splat.fadePerFrame, fade * 0.2f);
  // The splat takes the opacity the drop had left when it landed.
  const float landed = splat.colour.a;
  EXPECT_LT(landed, opacity);
  for (int i = 0; i < 30 * 60; ++i) decals_.Update();
  EXPECT_FLOAT_EQ(splat.colour.a, landed);
  decals_.Update();
  EXPECT_FLOAT_EQ(splat.colour.a, landed + fade * 0.2f);
}

TEST_F(EffectManagerTest, ADropThatLandsInItsFirstFrameIsNeverDrawn) {
  effects_.SpawnFluid(D3DXVECTOR3(0, 0.1f, 0), 0.0f, D3DXVECTOR3(0, -5, 0), 1.0f);
  ASSERT_EQ(billboards_.GetLiveCount(), 1u);
  billboards_.Update();
  EXPECT_EQ(billboards_.GetLiveCount(), 0u);
  EXPECT_EQ(decals_.GetLiveCount(), 1u);
  billboards_.Sort();
  d3d9::ResetStatistics(device_);
  billboards_.Draw(0.0000001f);
  EXPECT_EQ(DrawCalls(), 0u);
}

TEST_F(EffectManagerTest, MissingTexturesMakeNoParticles) {
  IDirect3DTexture9* none[EffectManager::kTextureCount] = {};
  effects_.Init(none, &renderer_, &camera_, &billboards_, &physics_, &decals_, 60.0f);
  for (int i = 0; i < 10; ++i) effects_.SpawnFluid(D3DXVECTOR3(0, 5, 0), 0.3f, D3DXVECTOR3(0, 0, 0), 1.0f);
  effects_.SpawnSmoke(D3DXVECTOR3(0, 5, 0), 10.0f, 0.1f, D3DXVECTOR3(0, 0, 0), D3DXCOLOR(1, 1, 1, 1), true, 0.0f);
  EXPECT_EQ(billboards_.GetRecordCount(), 0u);
}

TEST_F(EffectManagerTest, AFlashBlursOnlyFromInsideItsRadiusAndFromTheCentreWhenBehind) {
  LookAt(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 0, 1));
  effects_.TriggerFlash(D3DXVECTOR3(0, 0, 30), 20.0f, 2.0f);  // the eye is outside
  EXPECT_LT(effects_.GetFlashStrength(), 0.0f);

  renderer_.BeginSceneCapture();
  effects_.TriggerFlash(D3DXVECTOR3(0, 0, 10), 20.0f, 2.0f);  // ahead, at the screen centre
  effects_.DrawFlash();
  D3DXVECTOR2 centre;
  float strength = 0.0f;
  LastBlur(&centre, &strength);
  EXPECT_NEAR(centre.x, kScreenWidth * 0.5f, 0.5f);
  EXPECT_NEAR(centre.y, kScreenHeight * 0.5f, 0.5f);
  EXPECT_NEAR(strength, -0.5f * 2.0f, 1e-4f);
  EXPECT_NEAR(effects_.GetFlashStrength(), 1.9f, 1e-5f);

  effects_.TriggerFlash(D3DXVECTOR3(0, 0, -10), 20.0f, 2.0f);  // behind the camera
  effects_.DrawFlash();
  LastBlur(&centre, &strength);
  EXPECT_NEAR(centre.x, kScreenWidth * 0.5f, 0.5f);
  EXPECT_NEAR(strength, -0.5f * 2.0f * 0.8f, 1e-4f);

  // Far off to the side the blur centre stays on the ring around the screen.
  effects_.TriggerFlash(D3DXVECTOR3(9, 0, 0.05f), 20.0f, 2.0f);
  effects_.DrawFlash();
  LastBlur(&centre, &strength);
  const float limit = 0.55f * std::sqrt(float(kScreenWidth * kScreenWidth + kScreenHeight * kScreenHeight));
  EXPECT_NEAR(centre.x - kScreenWidth * 0.5f, limit, 0.5f);
  EXPECT_NEAR(centre.y, kScreenHeight * 0.5f, 0.5f);

  for (int i = 0; i < 20; ++i) effects_.DrawFlash();
  EXPECT_LE(effects_.GetFlashStrength(), 1e-5f);  // gone within twenty frames
  renderer_.EndSceneCapture();
}

}  // namespace
