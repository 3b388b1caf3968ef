// Decals: placement and ageing, which drawing path each takes, and the
// stencil slab that keeps a splat on its surface.

#include <gtest/gtest.h>

#include "effects/DecalSystem.h"
#include "effects/EffectsFixture.h"

namespace {

class DecalTest : public EffectsTest {
 protected:
  void Start(std::uint32_t stencilLimit) {
    ASSERT_TRUE(decals_.Init(device_, &camera_, stencilLimit, &renderer_, 0.7f));
  }
  void TearDown() override {
    decals_.Clear();
    decals_.Release();
    EffectsTest::TearDown();
  }
  DecalDesc Desc(float size) const {
    DecalDesc desc;
    desc.texture = white_;
    desc.size = size;
    return desc;
  }
  bool AddRed(const D3DXVECTOR3& position, const D3DXVECTOR3& normal, float size) {
    return decals_.Add(position, normal, D3DXCOLOR(1, 0, 0, 1), Desc(size));
  }
  DecalSystem decals_;
};

TEST_F(DecalTest, PlacementOrientsScalesAndAges) {
  Start(255);
  DecalDesc flat = Desc(2.0f);
  ASSERT_TRUE(decals_.Add(D3DXVECTOR3(1, 2, 3), D3DXVECTOR3(0, 1, 0), D3DXCOLOR(1, 1, 1, 1), flat));
  const Decal& d = *decals_.GetRecords()[0];
  // Straight up: the quad stays horizontal, only scaled and placed.
  EXPECT_NEAR(d.transform._11, 2.0f, 1e-6f);
  EXPECT_NEAR(d.transform._22, 2.0f, 1e-6f);
  EXPECT_NEAR(d.transform._33, 2.0f, 1e-6f);
  EXPECT_NEAR(d.transform._12, 0.0f, 1e-6f);
  EXPECT_NEAR(d.transform._32, 0.0f, 1e-6f);
  EXPECT_FLOAT_EQ(d.transform._42, 2.0f);
  EXPECT_NEAR(d.radius, std::sqrt(2.0f), 1e-6f);

  // On a slope the quad's up row follows the normal.
  D3DXVECTOR3 normal(0.6f, 0.8f, 0.0f);
  flat.rotation = 450;
  ASSERT_TRUE(decals_.Add(D3DXVECTOR3(0, 0, 0), normal, D3DXCOLOR(1, 1, 1, 1), flat));
  const Decal& sloped = *decals_.GetRecords()[1];
  EXPECT_NEAR(sloped.transform._21, 1.2f, 1e-5f);
  EXPECT_NEAR(sloped.transform._22, 1.6f, 1e-5f);
  EXPECT_NEAR(sloped.transform._23, 0.0f, 1e-5f);

  // Lit: ambient share plus the lights, alpha kept.
  renderer_.SetAmbient(D3DXCOLOR(0.5f, 0.5f, 0.5f, 1), D3DXCOLOR(0.5f, 0.5f, 0.5f, 1));
  DecalDesc lit = Desc(1.0f);
  lit.lit = true;
  ASSERT_TRUE(decals_.Add(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 1, 0), D3DXCOLOR(1, 1, 1, 0.25f), lit));
  D3DXCOLOR expected;
  renderer_.ComputeLighting(&expected, D3DXVECTOR3(0, 1, 0), D3DXCOLOR(1, 1, 1, 0.25f), 0.7f);
  EXPECT_FLOAT_EQ(decals_.GetRecords()[2]->colour.r, expected.r);
  EXPECT_FLOAT_EQ(decals_.GetRecords()[2]->colour.a, 0.25f);

  DecalDesc once = Desc(1.0f);
  once.lifeFrames = 1;
  once.fadePerFrame = -0.1f;
  ASSERT_TRUE(decals_.Add(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 1, 0), D3DXCOLOR(1, 1, 1, 1), once));
  DecalDesc growing = Desc(1.0f);
  growing.delayFrames = 2;
  growing.growth = 100;
  ASSERT_TRUE(decals_.Add(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 1, 0), D3DXCOLOR(1, 1, 1, 1), growing));
  const D3DXMATRIX before = d.transform;
  for (int i = 0; i < 3; ++i) decals_.Update();
  EXPECT_EQ(decals_.GetRecords()[3]->texture, nullptr);  // freed in its first update, never faded
  EXPECT_FLOAT_EQ(decals_.GetRecords()[3]->colour.a, 1.0f);
  EXPECT_NEAR(decals_.GetRecords()[4]->transform._11, 1.1f, 1e-6f);  // two frames waited, one grown
  EXPECT_TRUE(d.transform == before);  // no growth, no fade: unchanged for good
  EXPECT_EQ(decals_.GetLiveCount(), 4u);
  EXPECT_FALSE(decals_.Add(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 1, 0), D3DXCOLOR(1, 1, 1, 1), DecalDesc()));
}

TEST_F(DecalTest, NearDecalsTakeTwoPassesFarOrStencilFreeOnesOneAndBackFacingNone) {
  LookAt(D3DXVECTOR3(0, 10, -20), D3DXVECTOR3(0, 0, 0));
  Start(255);
  ASSERT_TRUE(AddRed(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 1, 0), 2.0f));     // near
  ASSERT_TRUE(AddRed(D3DXVECTOR3(0, 0, 600), D3DXVECTOR3(0, 1, 0), 2.0f));   // beyond half the view
  ASSERT_TRUE(AddRed(D3DXVECTOR3(0, 0, 5), D3DXVECTOR3(0, -1, 0), 2.0f));    // facing away
  ASSERT_TRUE(AddRed(D3DXVECTOR3(0, 0, -60), D3DXVECTOR3(0, 1, 0), 2.0f));   // behind the eye
  d3d9::ResetStatistics(device_);
  decals_.Draw(0.5f, 0.000008f);
  EXPECT_EQ(DrawCalls(), 3u);

  decals_.Clear();
  decals_.Release();
  Start(0);  // no stencil buffer: every decal in one pass
  ASSERT_TRUE(AddRed(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 1, 0), 2.0f));
  ASSERT_TRUE(AddRed(D3DXVECTOR3(0, 0, 600), D3DXVECTOR3(0, 1, 0), 2.0f));
  d3d9::ResetStatistics(device_);
  decals_.Draw(0.5f, 0.000008f);
  EXPECT_EQ(DrawCalls(), 2u);
  DWORD zWrite = FALSE;
  device_->GetRenderState(D3DRS_ZWRITEENABLE, &zWrite);
  EXPECT_EQ(zWrite, static_cast<DWORD>(TRUE));  // restored
}

TEST_F(DecalTest, ASplatOverAnEdgeIsCutThereAndAFlatOneCoversItsSquare) {
  LookAt(D3DXVECTOR3(0, 8, -8), D3DXVECTOR3(0, 0, 0));
  Start(255);
  // The floor at 0 and a step up to 1 for x < 0.
  const D3DXCOLOR grey(0.5f, 0.5f, 0.5f, 1);
  DrawFloor(0, 0, 0, 40, grey);
  DrawFloor(-10, 1, 0, 20, grey);
  ASSERT_TRUE(AddRed(D3DXVECTOR3(0, 1, 0), D3DXVECTOR3(0, 1, 0), 4.0f));   // half over the edge
  ASSERT_TRUE(AddRed(D3DXVECTOR3(6, 0, 2), D3DXVECTOR3(0, 1, 0), 2.0f));   // on the floor
  decals_.Draw(0.5f, 0.000008f);
  RenderTargetImage image;
  ASSERT_TRUE(image.Read(device_));

  EXPECT_TRUE(IsRedAt(image, D3DXVECTOR3(-1, 1, 0.5f)));
  EXPECT_TRUE(IsRedAt(image, D3DXVECTOR3(-1.5f, 1, -1.5f)));
  // The other half would hang in the air over the floor.
  EXPECT_FALSE(IsRedAt(image, D3DXVECTOR3(1, 1, 0.5f)));
  EXPECT_FALSE(IsRedAt(image, D3DXVECTOR3(1.5f, 1, -1.5f)));

  for (const D3DXVECTOR3& inside : {D3DXVECTOR3(6, 0, 2), D3DXVECTOR3(5.3f, 0, 1.3f), D3DXVECTOR3(6.7f, 0, 2.7f)}) {
    EXPECT_TRUE(IsRedAt(image, inside));
  }
  for (const D3DXVECTOR3& outside : {D3DXVECTOR3(4.6f, 0, 2), D3DXVECTOR3(7.4f, 0, 2), D3DXVECTOR3(6, 0, 3.4f)}) {
    EXPECT_FALSE(IsRedAt(image, outside));
  }
}

}  // namespace
