// Clears, pre-transformed drawing with Direct3D's pixel centres, textures
// and render targets.

#include "DeviceFixture.h"

namespace {

TEST_F(DeviceTest, ClearFillsTheTargetWithTheColour) {
  ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF336699, 1.0f, 0),
            D3D_OK);
  EXPECT_RGB_NEAR(Pixel(0, 0), 0x33, 0x66, 0x99, 0);
  EXPECT_RGB_NEAR(Pixel(63, 47), 0x33, 0x66, 0x99, 0);
}

TEST_F(DeviceTest, PretransformedQuadsCoverPixelsByTheirCentres) {
  device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  device_->SetRenderState(D3DRS_LIGHTING, FALSE);
  // Corners at -0.5 and size - 0.5 cover the target exactly; corners on
  // whole numbers cover the pixels whose centres are inside.
  DrawRect(9.5f, 4.5f, 19.5f, 14.5f, 0xFFFF0000);
  EXPECT_RGB_NEAR(Pixel(10, 5), 255, 0, 0, 0);
  EXPECT_RGB_NEAR(Pixel(19, 14), 255, 0, 0, 0);
  EXPECT_RGB_NEAR(Pixel(9, 5), 0, 0, 0, 0);
  EXPECT_RGB_NEAR(Pixel(20, 14), 0, 0, 0, 0);
  EXPECT_RGB_NEAR(Pixel(10, 4), 0, 0, 0, 0);
  EXPECT_RGB_NEAR(Pixel(10, 15), 0, 0, 0, 0);
}

TEST_F(DeviceTest, TexturesAreSampledTopRowFirst) {
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(device_->CreateTexture(2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
  D3DLOCKED_RECT locked{};
  ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
  auto* texels = static_cast<std::uint32_t*>(locked.pBits);
  texels[0] = 0xFFFF0000;  // top left red
  texels[1] = 0xFF00FF00;  // top right green
  auto* second = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(locked.pBits) + locked.Pitch);
  second[0] = 0xFF0000FF;  // bottom left blue
  second[1] = 0xFFFFFFFF;
  ASSERT_EQ(texture->UnlockRect(0), D3D_OK);

  device_->SetRenderState(D3DRS_LIGHTING, FALSE);
  device_->SetTexture(0, texture);
  DrawRect(-0.5f, -0.5f, kWidth - 0.5f, kHeight - 0.5f, 0xFFFFFFFF);
  EXPECT_RGB_NEAR(Pixel(5, 5), 255, 0, 0, 0);
  EXPECT_RGB_NEAR(Pixel(58, 5), 0, 255, 0, 0);
  EXPECT_RGB_NEAR(Pixel(5, 42), 0, 0, 255, 0);
  device_->SetTexture(0, nullptr);
  texture->Release();
}

TEST_F(DeviceTest, WithoutATextureTheStageModulatesWithWhite) {
  device_->SetRenderState(D3DRS_LIGHTING, FALSE);
  device_->SetTexture(0, nullptr);
  DrawRect(-0.5f, -0.5f, kWidth - 0.5f, kHeight - 0.5f, 0xFF20A040);
  EXPECT_RGB_NEAR(Pixel(30, 20), 0x20, 0xA0, 0x40, 1);
}

TEST_F(DeviceTest, RenderTargetTexturesKeepTheirOrientation) {
  IDirect3DTexture9* target = nullptr;
  ASSERT_EQ(device_->CreateTexture(kWidth, kHeight, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                   &target, nullptr),
            D3D_OK);
  IDirect3DSurface9* surface = nullptr;
  ASSERT_EQ(target->GetSurfaceLevel(0, &surface), D3D_OK);
  IDirect3DSurface9* backBuffer = nullptr;
  ASSERT_EQ(device_->GetRenderTarget(0, &backBuffer), D3D_OK);

  device_->SetRenderState(D3DRS_LIGHTING, FALSE);
  ASSERT_EQ(device_->SetRenderTarget(0, surface), D3D_OK);
  device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
  DrawRect(-0.5f, -0.5f, kWidth - 0.5f, 9.5f, 0xFFFF0000);  // a red band along the top
  EXPECT_RGB_NEAR(Pixel(30, 2), 255, 0, 0, 0);

  ASSERT_EQ(device_->SetRenderTarget(0, backBuffer), D3D_OK);
  device_->SetTexture(0, target);
  DrawRect(-0.5f, -0.5f, kWidth - 0.5f, kHeight - 0.5f, 0xFFFFFFFF);
  EXPECT_RGB_NEAR(Pixel(30, 2), 255, 0, 0, 0);
  EXPECT_RGB_NEAR(Pixel(30, 40), 0, 0, 255, 0);

  device_->SetTexture(0, nullptr);
  backBuffer->Release();
  surface->Release();
  target->Release();
}

}  // namespace
