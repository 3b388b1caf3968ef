#pragma once
// A small headless device to draw into and read back.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/d3d9/D3d9.h"
#include "platform/d3d9/D3d9Automation.h"
#include "platform/host/HeadlessDevice.h"
#include "platform/win32/SdlBridge.h"
#include "platform/win32/Windows.h"

struct Rgba {
  int r;
  int g;
  int b;
  int a;
};

// Pre-transformed vertex with colour and one texture coordinate (FVF 0x144).
struct ScreenVertex {
  float x, y, z, rhw;
  D3DCOLOR colour;
  float u, v;
};
constexpr DWORD kScreenFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

class DeviceTest : public ::testing::Test {
 protected:
  static constexpr UINT kWidth = 64;
  static constexpr UINT kHeight = 48;

  void SetUp() override {
    ASSERT_TRUE(CreateDevice(D3DFMT_D24S8));
    // Buffers start undefined, as in Direct3D.
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF000000, 1.0f, 0);
  }
  void TearDown() override { DestroyDevice(); }

  bool CreateDevice(D3DFORMAT depthFormat) {
    if (!headless_.Create(kWidth, kHeight, depthFormat)) return false;
    window_ = headless_.Window();
    device_ = headless_.Device();
    parameters_ = headless_.Parameters();
    return true;
  }

  void DestroyDevice() {
    headless_.Destroy();
    device_ = nullptr;
    window_ = nullptr;
  }

  Rgba Pixel(int x, int y) {
    std::vector<std::uint32_t> pixels;
    UINT width = 0;
    UINT height = 0;
    EXPECT_TRUE(d3d9::ReadRenderTarget(device_, &pixels, &width, &height));
    const std::uint32_t p = pixels.at(static_cast<std::size_t>(y) * width + static_cast<std::size_t>(x));
    return Rgba{static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF), static_cast<int>(p & 0xFF),
                static_cast<int>(p >> 24)};
  }

  // Draws a pre-transformed rectangle from (x0, y0) to (x1, y1) in pixels.
  void DrawRect(float x0, float y0, float x1, float y1, D3DCOLOR colour, float z = 0.5f) {
    const ScreenVertex quad[4] = {{x0, y0, z, 1.0f, colour, 0.0f, 0.0f},
                                  {x1, y0, z, 1.0f, colour, 1.0f, 0.0f},
                                  {x0, y1, z, 1.0f, colour, 0.0f, 1.0f},
                                  {x1, y1, z, 1.0f, colour, 1.0f, 1.0f}};
    device_->SetFVF(kScreenFvf);
    ASSERT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(ScreenVertex)), D3D_OK);
  }

  host::HeadlessDevice headless_;
  HWND window_ = nullptr;
  IDirect3DDevice9* device_ = nullptr;
  D3DPRESENT_PARAMETERS parameters_{};
};

#define EXPECT_RGB_NEAR(pixel, R, G, B, tolerance) \
  do {                                             \
    const Rgba p_ = (pixel);                       \
    EXPECT_NEAR(p_.r, (R), (tolerance));           \
    EXPECT_NEAR(p_.g, (G), (tolerance));           \
    EXPECT_NEAR(p_.b, (B), (tolerance));           \
  } while (0)
