#pragma once
// A best-quality renderer on a headless device, a camera to look through,
// a plain white texture, and a physics world with a flat ground at y = 0.

#include <gtest/gtest.h>

#include <cmath>

#include "effects/EffectQuad.h"
#include "frame/DisplayConfiguration.h"
#include "physics/PhysicsFixture.h"
#include "platform/d3d9/DeviceFixture.h"
#include "platform/d3dx9/D3dxTexture.h"
#include "render/RendererFixture.h"
#include "render/RenderSystem.h"
#include "support/RenderTargetImage.h"

class EffectsTest : public DeviceTest {
 protected:
  static constexpr UINT kScreenWidth = 160;
  static constexpr UINT kScreenHeight = 120;

  void SetUp() override {
    ASSERT_TRUE(headless_.Create(kScreenWidth, kScreenHeight));
    device_ = headless_.Device();
    parameters_ = headless_.Parameters();
    GetDisplayConfiguration().useShaders = true;
    GetDisplayConfiguration().highQuality = true;
    ASSERT_TRUE(renderer_.Init(false, &parameters_, device_, kScreenWidth, kScreenHeight, &messages_));
    renderer_.SetView(&camera_);
    ASSERT_TRUE(SUCCEEDED(D3DXCreateTexture(device_, 4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &white_)));
    FillWhite(white_);
    ASSERT_TRUE(effects::CreateUnitQuad(device_, &quad_));
    LookAt(D3DXVECTOR3(0.0f, 0.0f, 0.0f), D3DXVECTOR3(0.0f, 0.0f, 1.0f));
    Clear();

    ASSERT_TRUE(physics_.Init());
    std::vector<std::int32_t> materials = {kMaterialGrass};
    ground_ = physics_test::MakeGround(0.0f, 100.0f, {0});
    ASSERT_TRUE(physics_.CreateTriMesh(&groundSource_, materials, ground_, 1.0f));
    ASSERT_TRUE(physics_.AddBody(physics_test::Translation(0.0f, 0.0f, 0.0f), groundSource_, &groundBody_));
  }

  void TearDown() override {
    physics_.RemoveBody(groundBody_);
    physics_.DestroySource(groundSource_);
    ground_->Release();
    physics_.Release();
    quad_->Release();
    white_->Release();
    renderer_.Uninit();
    GetDisplayConfiguration() = saved_;
    DeviceTest::TearDown();
  }

  static void FillWhite(IDirect3DTexture9* texture) {
    D3DLOCKED_RECT locked{};
    ASSERT_TRUE(SUCCEEDED(texture->LockRect(0, &locked, nullptr, 0)));
    for (int y = 0; y < 4; ++y) {
      auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(locked.pBits) + y * locked.Pitch);
      for (int x = 0; x < 4; ++x) row[x] = 0xFFFFFFFFu;
    }
    texture->UnlockRect(0);
  }

  void LookAt(const D3DXVECTOR3& eye, const D3DXVECTOR3& target) {
    camera_.eye = eye;
    D3DXVECTOR3 direction = target - eye;
    D3DXVec3Normalize(&camera_.viewDirection, &direction);
    // Straight up or down, the up vector must not be the view direction.
    camera_.up = std::fabs(camera_.viewDirection.y) > 0.99f ? D3DXVECTOR3(0.0f, 0.0f, 1.0f)
                                                             : D3DXVECTOR3(0.0f, 1.0f, 0.0f);
    camera_.nearPlane = 0.1f;
    camera_.farPlane = 1000.0f;
    camera_.fieldOfView = 1.5707964f;
    const D3DXVECTOR3 at = eye + camera_.viewDirection;
    D3DXMatrixLookAtLH(&camera_.view, &camera_.eye, &at, &camera_.up);
    D3DXMatrixPerspectiveFovLH(&camera_.projection, camera_.fieldOfView,
                               static_cast<float>(kScreenWidth) / static_cast<float>(kScreenHeight),
                               camera_.nearPlane, camera_.farPlane);
  }

  void Clear() {
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF000000, 1.0f, 0);
  }

  // A horizontal square of the scene (depth written), centred at (x, y, z).
  void DrawFloor(float x, float y, float z, float size, const D3DXCOLOR& colour) {
    D3DXMATRIX world;
    D3DXMatrixScaling(&world, size, size, size);
    world._41 = x;
    world._42 = y;
    world._43 = z;
    renderer_.SetWorldMatrix(world, 0);
    renderer_.BeginPlainDraw(colour, white_);
    renderer_.BeginMaterialPass();
    device_->SetFVF(effects::kQuadFvf);
    device_->SetStreamSource(0, quad_, 0, effects::kQuadStride);
    device_->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
    renderer_.EndMaterialPass();
  }

  // Screen pixel of a world point.
  POINT ScreenOf(const D3DXVECTOR3& point) const {
    D3DXVECTOR3 p = point;
    ProjectToScreen(camera_, static_cast<float>(kScreenWidth), static_cast<float>(kScreenHeight), &p);
    return POINT{static_cast<LONG>(std::lround(p.x)), static_cast<LONG>(std::lround(p.y))};
  }

  bool IsRedAt(const RenderTargetImage& image, const D3DXVECTOR3& point) const {
    const POINT p = ScreenOf(point);
    const std::uint32_t c = image.At(p.x, p.y);
    return RenderTargetImage::Red(c) > 200 && RenderTargetImage::Green(c) < 60;
  }

  std::uint64_t DrawCalls() { return d3d9::GetStatistics(device_).drawCalls; }

  DisplayConfiguration saved_ = GetDisplayConfiguration();
  RenderSystem renderer_;
  MessageLog messages_;
  CameraView camera_;
  IDirect3DTexture9* white_ = nullptr;
  IDirect3DVertexBuffer9* quad_ = nullptr;
  PhysicsManager physics_;
  ID3DXMesh* ground_ = nullptr;
  PeBodySource* groundSource_ = nullptr;
  BodyHandle* groundBody_ = nullptr;
};
