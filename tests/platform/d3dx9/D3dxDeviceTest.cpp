// D3DX textures and fonts on a headless device.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "platform/d3d9/DeviceFixture.h"
#include "platform/d3dx9/D3dxFont.h"
#include "platform/d3dx9/D3dxTexture.h"
#include "platform/d3dx9/ImageCodec.h"

namespace {

std::string TempPath(const char* name) { return "/tmp/grapple_d3dx_" + std::to_string(getpid()) + "_" + name; }

class D3dxDeviceTest : public DeviceTest {
 protected:
  // The lit pixels' bounding box, or an empty box (left > right).
  RECT LitBox() {
    std::vector<std::uint32_t> pixels;
    UINT width = 0;
    UINT height = 0;
    EXPECT_TRUE(d3d9::ReadRenderTarget(device_, &pixels, &width, &height));
    RECT box{static_cast<LONG>(width), static_cast<LONG>(height), -1, -1};
    for (UINT y = 0; y < height; ++y) {
      for (UINT x = 0; x < width; ++x) {
        if ((pixels[y * width + x] & 0x00FFFFFF) == 0) continue;
        box.left = std::min<LONG>(box.left, static_cast<LONG>(x));
        box.top = std::min<LONG>(box.top, static_cast<LONG>(y));
        box.right = std::max<LONG>(box.right, static_cast<LONG>(x));
        box.bottom = std::max<LONG>(box.bottom, static_cast<LONG>(y));
      }
    }
    return box;
  }
};

TEST_F(D3dxDeviceTest, APngBecomesATextureWithItsWholeMipChain) {
  d3dx::Image image;
  image.width = 4;
  image.height = 2;
  image.hasAlpha = true;
  image.pixels = {0xFFFF0000, 0xFFFF0000, 0x8000FF00, 0x8000FF00, 0xFFFF0000, 0xFFFF0000, 0x8000FF00, 0x8000FF00};
  const std::string path = TempPath("mips.png");
  std::string error;
  ASSERT_TRUE(d3dx::SavePngFile(path.c_str(), image, &error)) << error;

  IDirect3DTexture9* texture = nullptr;
  D3DXIMAGE_INFO info{};
  ASSERT_EQ(D3DXCreateTextureFromFileExA(device_, path.c_str(), D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                         D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_FILTER_LINEAR, D3DX_FILTER_BOX, 0,
                                         &info, nullptr, &texture),
            D3D_OK);
  std::remove(path.c_str());
  EXPECT_EQ(info.Width, 4u);
  EXPECT_EQ(info.Height, 2u);
  EXPECT_EQ(texture->GetLevelCount(), 3u);  // 4x2, 2x1, 1x1
  D3DSURFACE_DESC desc{};
  texture->GetLevelDesc(0, &desc);
  EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
  D3DLOCKED_RECT locked{};
  ASSERT_EQ(texture->LockRect(1, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
  const auto* level1 = static_cast<const std::uint32_t*>(locked.pBits);
  EXPECT_EQ(level1[0], 0xFFFF0000u);
  EXPECT_EQ(level1[1], 0x8000FF00u);
  texture->UnlockRect(1);
  texture->Release();
}

TEST_F(D3dxDeviceTest, BrokenOrMissingFilesFailWithoutATexture) {
  d3dx::Image image;
  image.width = 16;
  image.height = 16;
  image.pixels.assign(256, 0xFF123456);
  std::vector<std::uint8_t> png;
  std::string error;
  ASSERT_TRUE(d3dx::EncodePng(image, &png, &error));

  const std::string truncated = TempPath("truncated.png");
  std::ofstream(truncated, std::ios::binary).write(reinterpret_cast<const char*>(png.data()), 40);
  const std::string notPng = TempPath("not.png");
  std::ofstream(notPng) << "this is a text file, not an image";

  for (const std::string& path : {truncated, notPng, TempPath("missing.png")}) {
    IDirect3DTexture9* texture = reinterpret_cast<IDirect3DTexture9*>(0x1);
    EXPECT_EQ(D3DXCreateTextureFromFileExA(device_, path.c_str(), D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                           D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_FILTER_LINEAR, D3DX_FILTER_BOX, 0,
                                           nullptr, nullptr, &texture),
              D3DXERR_INVALIDDATA)
        << path;
    EXPECT_EQ(texture, nullptr);
  }
  std::remove(truncated.c_str());
  std::remove(notPng.c_str());

  // The same bytes from memory load when whole.
  IDirect3DTexture9* texture = nullptr;
  EXPECT_EQ(D3DXCreateTextureFromFileInMemoryEx(device_, png.data(), static_cast<UINT>(png.size()), D3DX_DEFAULT,
                                                D3DX_DEFAULT, 1, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_FILTER_LINEAR,
                                                D3DX_FILTER_BOX, 0, nullptr, nullptr, &texture),
            D3D_OK);
  ASSERT_NE(texture, nullptr);
  EXPECT_EQ(texture->GetLevelCount(), 1u);
  texture->Release();
}

TEST_F(D3dxDeviceTest, TextIsDrawnInsideItsRectangleAndRightAlignedTextEndsAtTheEdge) {
  ID3DXFont* font = nullptr;
  ASSERT_EQ(D3DXCreateFontA(device_, 14, 0, FW_NORMAL, 1, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                            DEFAULT_QUALITY, FIXED_PITCH | FF_DONTCARE, "MS Gothic", &font),
            D3D_OK);
  const int lineHeight = font->GetLineHeight();
  EXPECT_EQ(lineHeight, 14);

  RECT left{8, 6, kWidth, kHeight};
  EXPECT_EQ(font->DrawTextA(nullptr, "Hi", -1, &left, DT_NOCLIP, 0xFFFFFFFF), lineHeight);
  RECT box = LitBox();
  EXPECT_GE(box.left, 8);
  EXPECT_LE(box.left, 10);
  EXPECT_GE(box.top, 6);
  EXPECT_LT(box.bottom, 6 + lineHeight);

  device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  RECT right{0, 20, 50, kHeight};
  font->DrawTextA(nullptr, "Hi", -1, &right, DT_RIGHT | DT_NOCLIP, 0xFFFFFFFF);
  box = LitBox();
  EXPECT_LE(box.right, 49);
  EXPECT_GE(box.right, 45);

  // Clipped text never leaves its rectangle.
  device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  RECT clip{20, 10, 30, 16};
  font->DrawTextA(nullptr, "WWWWWW", -1, &clip, DT_LEFT, 0xFFFFFFFF);
  box = LitBox();
  EXPECT_GE(box.left, 20);
  EXPECT_LE(box.right, 29);
  EXPECT_GE(box.top, 10);
  EXPECT_LE(box.bottom, 15);

  // The font leaves the device's states as it found them.
  DWORD blend = 1;
  device_->GetRenderState(D3DRS_ALPHABLENDENABLE, &blend);
  EXPECT_EQ(blend, static_cast<DWORD>(FALSE));
  font->Release();
}

}  // namespace
