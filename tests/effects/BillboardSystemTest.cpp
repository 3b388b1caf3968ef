// Particles: their life, the pool's trim, the view-range cut and facing.

#include <gtest/gtest.h>

#include "effects/BillboardSystem.h"
#include "effects/EffectsFixture.h"

namespace {

class Freeing : public BillboardSystem::CallbackBase {
 public:
  void Callback(Billboard& b) override { b.texture = nullptr; }
};

class BillboardTest : public EffectsTest {
 protected:
  void SetUp() override {
    EffectsTest::SetUp();
    ASSERT_TRUE(billboards_.Init(device_, &camera_, &renderer_));
  }
  void TearDown() override {
    billboards_.Clear();
    billboards_.Release();
    EffectsTest::TearDown();
  }
  Billboard Make(const D3DXVECTOR3& position, float size = 1.0f) {
    Billboard b;
    b.texture = white_;
    b.position = position;
    b.size = size;
    return b;
  }
  BillboardSystem billboards_;
};

TEST_F(BillboardTest, UpdateAgesMovesWaitsAndLetsACallbackFree) {
  Billboard forever = Make(D3DXVECTOR3(0, 0, 5));
  Billboard waiting = Make(D3DXVECTOR3(0, 0, 5));
  waiting.delayFrames = 3;
  waiting.fadePerFrame = -0.5f;
  waiting.velocity = D3DXVECTOR3(1, 0, 0);
  waiting.sizeRate = 0.5f;
  Freeing freeing;
  Billboard freed = Make(D3DXVECTOR3(0, 0, 5));
  freed.velocity = D3DXVECTOR3(1, 0, 0);
  freed.callback = &freeing;
  ASSERT_TRUE(billboards_.Add(forever) && billboards_.Add(waiting) && billboards_.Add(freed));
  const std::vector<Billboard*> records = billboards_.GetRecords();

  for (int i = 0; i < 3; ++i) billboards_.Update();
  // The delay holds the fade but not the motion or the growth.
  EXPECT_FLOAT_EQ(records[1]->colour.a, 1.0f);
  EXPECT_FLOAT_EQ(records[1]->position.x, 3.0f);
  EXPECT_FLOAT_EQ(records[1]->size, 2.5f);
  // Freed by its callback before it could move.
  EXPECT_EQ(records[2]->texture, nullptr);
  EXPECT_FLOAT_EQ(records[2]->position.x, 0.0f);

  billboards_.Update();
  EXPECT_FLOAT_EQ(records[1]->colour.a, 0.5f);
  billboards_.Update();
  EXPECT_EQ(records[1]->texture, nullptr);  // opacity 0 is gone
  for (int i = 0; i < 1000; ++i) billboards_.Update();
  EXPECT_EQ(records[0]->texture, white_);
  EXPECT_EQ(billboards_.GetLiveCount(), 1u);
  // A free record is reused before the pool grows.
  ASSERT_TRUE(billboards_.Add(forever));
  EXPECT_EQ(billboards_.GetRecordCount(), 3u);
}

TEST_F(BillboardTest, FreedRecordsAreGivenBackOnePerFrameDownToTwentySpare) {
  for (int i = 0; i < 30; ++i) {
    Billboard b = Make(D3DXVECTOR3(0, 0, 5));
    b.lifeFrames = i < 25 ? 1 : 0;
    ASSERT_TRUE(billboards_.Add(b));
  }
  std::vector<std::size_t> sizes;
  for (int i = 0; i < 8; ++i) {
    billboards_.Update();
    sizes.push_back(billboards_.GetRecordCount());
  }
  EXPECT_EQ(sizes, (std::vector<std::size_t>{29, 28, 27, 26, 25, 25, 25, 25}));
  EXPECT_EQ(billboards_.GetLiveCount(), 5u);
}

TEST_F(BillboardTest, OnlyDepthsFromTheNearPlaneUpToBeforeTheFarPlaneAreDrawn) {
  for (float depth : {1000.0f, 999.0f, 500.0f, 0.1f, 0.05f}) ASSERT_TRUE(billboards_.Add(Make(D3DXVECTOR3(0, 0, depth))));
  billboards_.Sort();
  EXPECT_FLOAT_EQ(billboards_.GetRecords().front()->depth, 1000.0f);
  d3d9::ResetStatistics(device_);
  billboards_.Draw(0.0000001f);
  EXPECT_EQ(DrawCalls(), 3u);
  DWORD bias = 1;
  device_->GetRenderState(D3DRS_DEPTHBIAS, &bias);
  EXPECT_EQ(bias, 0u);  // restored
}

TEST_F(BillboardTest, ASquareFacesTheCameraFromEveryDirection) {
  const D3DXVECTOR3 directions[] = {{0, 0, 1}, {1, 0, 0}, {0, -1, 0}, {0, 1, 0}, {-0.6f, -0.48f, 0.64f}};
  for (const D3DXVECTOR3& direction : directions) {
    SCOPED_TRACE(testing::Message() << direction.x << "," << direction.y << "," << direction.z);
    const D3DXVECTOR3 eye(3, 4, 5);
    LookAt(eye, eye + direction);
    billboards_.Clear();
    Billboard b = Make(eye + direction * 10.0f, 4.0f);
    b.colour = D3DXCOLOR(1, 0, 0, 1);
    b.angle = 0.7f;
    ASSERT_TRUE(billboards_.Add(b));
    billboards_.Sort();
    Clear();
    billboards_.Draw(0.0000001f);
    RenderTargetImage image;
    ASSERT_TRUE(image.Read(device_));
    // Seen face on, the square covers a solid patch around the centre.
    const int cx = kScreenWidth / 2;
    const int cy = kScreenHeight / 2;
    for (const POINT& p : {POINT{cx, cy}, POINT{cx - 6, cy - 6}, POINT{cx + 6, cy + 6}, POINT{cx - 6, cy + 6}}) {
      EXPECT_TRUE(image.IsNear(p.x, p.y, 255, 0, 0, 8)) << p.x << "," << p.y;
    }
  }
}

}  // namespace
