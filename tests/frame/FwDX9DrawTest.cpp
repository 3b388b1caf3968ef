// The immediate-mode drawing helpers rendered offscreen and read back.

#include <gtest/gtest.h>

#include <functional>

#include "frame/FwDX9.h"
#include "frame/ImmediateVertices.h"
#include "support/HeadlessFixture.h"
#include "support/RenderTargetImage.h"
#include "support/ScriptedApp.h"

namespace {

// Draws one scene with the given pass over a black target and reads it back
// before presenting.
class DrawApp : public FwDX9 {
 public:
  std::function<void(DrawApp&)> pass;
  RenderTargetImage image;
  bool read = false;

  bool Init() override {
    if (!CreateDevice(false, false, 14, false)) return false;
    SetProjection(1.5707964f, 0.1f, 1000.0f);
    SetDefaultRenderStates();
    return true;
  }
  void Exit() override { ReleaseDevice(); }
  void Frame() override {
    IDirect3DDevice9* device = GetDevice();
    device->BeginScene();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF000000u, 1.0f, 0);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetTexture(0, nullptr);
    UpdateView();
    if (pass) pass(*this);
    device->EndScene();
    read = image.Read(device);
    device->Present(nullptr, nullptr, nullptr, nullptr);
  }
};

using TestApp = ScriptedApp<DrawApp>;

class FwDX9DrawTest : public HeadlessTest {
 protected:
  void Render(TestApp& app) {
    app.maxFrames = 1;
    ASSERT_TRUE(app.Run(nullptr, 60.0f));
    ASSERT_TRUE(app.read);
    ASSERT_EQ(app.image.width, 800u);
    ASSERT_EQ(app.image.height, 600u);
  }
};

int Byte(float channel) { return static_cast<int>(channel * 255.0f + 0.5f); }

TEST_F(FwDX9DrawTest, APanelIsLighterAtTheTopDarkerAtThirtyPercentAndItsColourAtTheBottom) {
  TestApp app;
  app.pass = [](DrawApp& self) {
    self.GetDevice()->SetFVF(kScreenVertexFvf);
    self.DrawPanel2D(D3DXVECTOR2(100.0f, 100.0f), D3DXVECTOR2(300.0f, 300.0f), D3DXCOLOR(0.5f, 0.4f, 0.3f, 1.0f));
    self.DrawLine2D(0xFFFFFFFFu, D3DXVECTOR2(400.0f, 50.0f), D3DXVECTOR2(700.0f, 50.0f));
  };
  Render(app);
  const RenderTargetImage& image = app.image;
  auto white = [](std::uint32_t c) { return RenderTargetImage::Red(c) > 200 && RenderTargetImage::Blue(c) > 200; };
  EXPECT_TRUE(image.AnyAround(550, 50, 1, white));
  // Lighter tone: c x 1.3 + 0.2.
  EXPECT_TRUE(image.IsNear(200, 101, Byte(0.85f), Byte(0.72f), Byte(0.59f), 8)) << std::hex << image.At(200, 101);
  // Darker tone at y = 160 (c x 0.7 - 0.2); just above it the first band
  // has nearly reached it.
  EXPECT_TRUE(image.IsNear(200, 158, Byte(0.15f), Byte(0.08f), Byte(0.01f), 12)) << std::hex << image.At(200, 158);
  // The colour itself at the bottom.
  EXPECT_TRUE(image.IsNear(200, 298, Byte(0.5f), Byte(0.4f), Byte(0.3f), 8)) << std::hex << image.At(200, 298);
  // The second band brightens downwards again.
  EXPECT_LT(RenderTargetImage::Red(image.At(200, 165)), RenderTargetImage::Red(image.At(200, 250)));
  // Nothing outside the rectangle.
  EXPECT_TRUE(image.IsBlack(95, 200));
  EXPECT_TRUE(image.IsBlack(305, 200));
  EXPECT_TRUE(image.IsBlack(200, 95));
  EXPECT_TRUE(image.IsBlack(200, 305));
}

TEST_F(FwDX9DrawTest, CirclesAreDrawnInAllThreeCoordinatePlanes) {
  TestApp app;
  app.pass = [](DrawApp& self) {
    self.GetDevice()->SetFVF(kColourVertexFvf);
    // More segments than one batch holds.
    self.DrawCircles3D(D3DXVECTOR3(0.0f, 0.0f, 0.0f), 50.0f, 100, 0xFFFFFFFFu);
  };
  Render(app);
  const RenderTargetImage& image = app.image;
  auto lit = [](std::uint32_t c) { return RenderTargetImage::Green(c) > 128; };
  // The XY circle at depth 100: 200 pixels to either side, 200 up and down
  // (the vertical scale carries the aspect).
  EXPECT_TRUE(image.AnyAround(600, 300, 2, lit));
  EXPECT_TRUE(image.AnyAround(200, 300, 2, lit));
  EXPECT_TRUE(image.AnyAround(400, 100, 2, lit));
  EXPECT_TRUE(image.AnyAround(400, 500, 2, lit));
  // The XZ circle seen edge-on is a horizontal line through the centre, the
  // YZ circle a vertical one.
  EXPECT_TRUE(image.AnyAround(500, 300, 2, lit));
  EXPECT_TRUE(image.AnyAround(400, 200, 2, lit));
  EXPECT_TRUE(image.IsBlack(500, 200));
}

}  // namespace
