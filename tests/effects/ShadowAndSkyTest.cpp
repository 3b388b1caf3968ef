// Blob shadows from rays, and the sky's gradient, sun and moon.

#include <gtest/gtest.h>

#include "effects/DecalSystem.h"
#include "effects/EffectsFixture.h"
#include "effects/ShadowProjector.h"
#include "effects/SimpleBackground.h"

namespace {

class ShadowTest : public EffectsTest {
 protected:
  void SetUp() override {
    EffectsTest::SetUp();
    ShadowProjector::Setup(&physics_, &decals_, white_);
    ShadowProjector::SetDirection(D3DXVECTOR3(0, -1, 0));
  }
  void TearDown() override {
    ShadowProjector::Setup(nullptr, nullptr, nullptr);
    decals_.Clear();
    EffectsTest::TearDown();
  }
  DecalSystem decals_;
};

TEST_F(ShadowTest, SizeAndDarknessFollowTheDistanceToTheGround) {
  ShadowProjector shadow(10.0f, 2.0f, 0.5f);
  ASSERT_TRUE(shadow.Project(3, D3DXVECTOR3(0, 0.001f, 0)));  // touching the ground
  ASSERT_TRUE(shadow.Project(3, D3DXVECTOR3(5, 5.0f, 0)));  // halfway along the ray
  ASSERT_TRUE(shadow.Project(3, D3DXVECTOR3(9, 9.999f, 0)));  // at its very end
  EXPECT_FALSE(shadow.Project(3, D3DXVECTOR3(12, 10.5f, 0)));  // the ground is out of reach
  ASSERT_EQ(decals_.GetLiveCount(), 3u);
  const std::vector<Decal*>& d = decals_.GetRecords();
  EXPECT_NEAR(d[0]->radius, 2.0f * 0.70710678f, 1e-3f);
  EXPECT_NEAR(d[0]->colour.a, 0.5f, 1e-4f);
  EXPECT_NEAR(d[1]->colour.a, 0.25f, 1e-5f);
  EXPECT_NEAR(d[2]->radius, 4.0f * 0.70710678f, 1e-3f);
  EXPECT_NEAR(d[2]->colour.a, 0.0f, 1e-3f);
  EXPECT_EQ(d[0]->lifeFrames, 4);
  EXPECT_EQ(shadow.lastFrames, 3);
}

TEST_F(ShadowTest, ProjectingEveryFrameKeepsOneShadowAndNoTextureNone) {
  ShadowProjector shadow(10.0f, 2.0f, 0.5f);
  for (int frame = 0; frame < 100; ++frame) {
    ASSERT_TRUE(shadow.Project(0, D3DXVECTOR3(0, 2, 0)));
    EXPECT_EQ(decals_.GetLiveCount(), 1u);
    decals_.Update();
  }
  EXPECT_EQ(decals_.GetRecordCount(), 1u);
  ShadowProjector::Setup(&physics_, &decals_, nullptr);
  EXPECT_FALSE(shadow.Project(0, D3DXVECTOR3(0, 2, 0)));
  EXPECT_EQ(decals_.GetLiveCount(), 0u);
}

class SkyTest : public EffectsTest {
 protected:
  void TearDown() override {
    sky_.Release();
    EffectsTest::TearDown();
  }
  SimpleBackground sky_;
};

TEST_F(SkyTest, TheGradientGlowsAtTheHorizonAndBodiesScaleWithBrightness) {
  const D3DXVECTOR3 upper(0.25f, 0.3f, 0.4f);
  const D3DXVECTOR3 lower(0.15f, 0.3f, 0.15f);
  // Exactly at the horizon the lower side's glow applies.
  const D3DXVECTOR3 horizon = SimpleBackground::SkyColour(0.5f, upper, lower);
  EXPECT_NEAR(horizon.x, 0.15f * 1.15f + 0.06f, 1e-6f);
  const D3DXVECTOR3 above = SimpleBackground::SkyColour(0.5001f, upper, lower);
  EXPECT_NEAR(above.z, 0.4f * 1.15f + 0.06f, 1e-3f);
  const D3DXVECTOR3 top = SimpleBackground::SkyColour(1.0f, upper, lower);
  EXPECT_NEAR(top.y, 0.3f * 0.85f - 0.06f, 1e-6f);

  sky_.SetDevice(device_);
  sky_.CreateCelestial(0, D3DXVECTOR3(0, -1, 0), D3DXCOLOR(0, 0, 0, 1), 1.0f, 3.5f, 2.0f, 100.0f);
  sky_.CreateCelestial(1, D3DXVECTOR3(0, -1, 0), D3DXCOLOR(1, 1, 1, 1), 0.5f, 3.5f, 2.0f, 100.0f);
  for (int index = 0; index < 2; ++index) {
    ID3DXMesh* body = sky_.GetCelestial(index);
    ASSERT_NE(body, nullptr);
    void* data = nullptr;
    ASSERT_TRUE(SUCCEEDED(body->LockVertexBuffer(D3DLOCK_READONLY, &data)));
    const float* v = static_cast<const float*>(data);
    const D3DCOLOR colour = reinterpret_cast<const D3DCOLOR*>(data)[3];
    // Straight up, 100 away; a black body is the smallest and has no colour.
    const float radius = std::sqrt(v[0] * v[0] + (v[1] - 100.0f) * (v[1] - 100.0f) + v[2] * v[2]);
    if (index == 0) {
      EXPECT_NEAR(radius, 2.0f, 1e-3f);
      EXPECT_EQ(colour, 0u);
    } else {
      EXPECT_NEAR(radius, 2.75f, 1e-3f);
      EXPECT_EQ(colour, 0x80FFFFFFu);  // white at half strength: full colour, alpha 0.5
    }
    body->UnlockVertexBuffer();
  }
}

TEST_F(SkyTest, TheSkySurroundsTheEyeWithTheSunWhereItsLightComesFrom) {
  const D3DXVECTOR3 eye(10, 50, -30);
  const D3DXVECTOR3 upper(0.25f, 0.3f, 0.4f);
  const D3DXVECTOR3 lower(0.15f, 0.3f, 0.15f);
  sky_.SetDevice(device_);
  sky_.CreateSky(upper, 1.0f, 20.0f, lower);
  const D3DXVECTOR3 sunDirection(0, -0.6f, -0.8f);  // travelling towards -z: the sun sits ahead along +z
  sky_.CreateCelestial(0, sunDirection, D3DXCOLOR(1, 1, 0.5f, 1), 1.0f, 3.5f, 2.0f, 100.0f);
  auto draw = [&](const D3DXVECTOR3& direction) {
    LookAt(eye, eye + direction);
    device_->SetTransform(D3DTS_VIEW, &camera_.view);
    device_->SetTransform(D3DTS_PROJECTION, &camera_.projection);
    Clear();
    sky_.Draw(eye);
    RenderTargetImage image;
    EXPECT_TRUE(image.Read(device_));
    return image;
  };
  // Looking at the horizon: a glowing band across the centre, bluish sky
  // above and the greenish ground colour below.
  RenderTargetImage level = draw(D3DXVECTOR3(1, 0, 0));
  const int cx = kScreenWidth / 2;
  const int cy = kScreenHeight / 2;
  auto brightness = [&](int y) {
    const std::uint32_t c = level.At(cx, y);
    return RenderTargetImage::Red(c) + RenderTargetImage::Green(c) + RenderTargetImage::Blue(c);
  };
  EXPECT_GT(brightness(cy), brightness(2) + 20);
  EXPECT_GT(brightness(cy), brightness(cy + 20) + 20);
  const std::uint32_t high = level.At(cx, 2);
  const std::uint32_t low = level.At(cx, kScreenHeight - 3);
  EXPECT_GT(RenderTargetImage::Blue(high), RenderTargetImage::Green(high));
  EXPECT_GT(RenderTargetImage::Green(low), RenderTargetImage::Blue(low));
  // Straight up the top of the gradient; towards the sun its disc, bright yellow.
  RenderTargetImage up = draw(D3DXVECTOR3(0, 1, 0));
  const D3DXVECTOR3 top = SimpleBackground::SkyColour(1.0f, upper, lower) * 255.0f;
  EXPECT_TRUE(up.IsNear(cx, kScreenHeight / 2, int(top.x), int(top.y), int(top.z), 12));
  RenderTargetImage sun = draw(D3DXVECTOR3(0, 0.6f, 0.8f));
  EXPECT_TRUE(sun.IsNear(cx, kScreenHeight / 2, 255, 255, 127, 12));
  DWORD depth = FALSE;
  device_->GetRenderState(D3DRS_ZENABLE, &depth);
  EXPECT_EQ(depth, static_cast<DWORD>(TRUE));  // restored
}

}  // namespace
