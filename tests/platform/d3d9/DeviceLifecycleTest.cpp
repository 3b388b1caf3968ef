// Loss and reset, resources across a reset, and the redundant-state filter.

#include "DeviceFixture.h"

namespace {

TEST_F(DeviceTest, ALostDeviceFailsPresentUntilAResetWithNoDefaultPoolResourcesLeft) {
  IDirect3DTexture9* managed = nullptr;
  IDirect3DTexture9* video = nullptr;
  ASSERT_EQ(device_->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &managed, nullptr), D3D_OK);
  ASSERT_EQ(device_->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &video, nullptr), D3D_OK);
  device_->SetRenderState(D3DRS_LIGHTING, FALSE);

  EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  d3d9::SimulateDeviceLoss(device_);
  EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
  EXPECT_EQ(device_->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
  // Drawing while lost does no harm.
  DrawRect(0, 0, 10, 10, 0xFFFFFFFF);

  EXPECT_EQ(device_->Reset(&parameters_), D3DERR_INVALIDCALL);  // a default-pool texture is alive
  video->Release();
  ASSERT_EQ(device_->Reset(&parameters_), D3D_OK);
  EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);

  DWORD lighting = 0;
  device_->GetRenderState(D3DRS_LIGHTING, &lighting);
  EXPECT_EQ(lighting, static_cast<DWORD>(TRUE));  // states are back to their defaults
  D3DLOCKED_RECT locked{};
  EXPECT_EQ(managed->LockRect(0, &locked, nullptr, 0), D3D_OK);  // managed resources survive
  managed->UnlockRect(0);
  managed->Release();
}

TEST_F(DeviceTest, AnExtraReferenceToTheBackBufferBlocksAReset) {
  IDirect3DSurface9* backBuffer = nullptr;
  ASSERT_EQ(device_->GetRenderTarget(0, &backBuffer), D3D_OK);
  EXPECT_EQ(device_->Reset(&parameters_), D3DERR_INVALIDCALL);
  backBuffer->Release();
  EXPECT_EQ(device_->Reset(&parameters_), D3D_OK);
}

TEST_F(DeviceTest, ResourcesOutlivingTheDeviceFailHarmlessly) {
  IDirect3DVertexBuffer9* buffer = nullptr;
  ASSERT_EQ(device_->CreateVertexBuffer(64, 0, D3DFVF_XYZ, D3DPOOL_MANAGED, &buffer, nullptr), D3D_OK);
  DestroyDevice();
  void* data = nullptr;
  ASSERT_EQ(buffer->Lock(0, 0, &data, 0), D3D_OK);
  EXPECT_EQ(buffer->Unlock(), D3D_OK);
  IDirect3DDevice9* owner = nullptr;
  EXPECT_EQ(buffer->GetDevice(&owner), D3DERR_INVALIDCALL);
  buffer->Release();
}

TEST_F(DeviceTest, LocksStayInsideTheirResource) {
  IDirect3DVertexBuffer9* buffer = nullptr;
  ASSERT_EQ(device_->CreateVertexBuffer(80, 0, 0x102, D3DPOOL_MANAGED, &buffer, nullptr), D3D_OK);
  void* data = nullptr;
  EXPECT_EQ(buffer->Lock(64, 32, &data, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(buffer->Lock(81, 0, &data, 0), D3DERR_INVALIDCALL);
  ASSERT_EQ(buffer->Lock(0, 0, &data, D3DLOCK_DISCARD), D3D_OK);
  EXPECT_EQ(buffer->Lock(0, 0, &data, 0), D3DERR_INVALIDCALL);  // already locked
  EXPECT_EQ(buffer->Unlock(), D3D_OK);
  EXPECT_EQ(buffer->Unlock(), D3DERR_INVALIDCALL);
  buffer->Release();

  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(device_->CreateTexture(8, 8, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
  EXPECT_EQ(texture->GetLevelCount(), 4u);
  D3DLOCKED_RECT locked{};
  const RECT outside{4, 4, 9, 8};
  EXPECT_EQ(texture->LockRect(0, &locked, &outside, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(texture->LockRect(4, &locked, nullptr, 0), D3DERR_INVALIDCALL);
  texture->Release();
}

TEST_F(DeviceTest, RedundantStatesNeverReachOpenGl) {
  device_->SetRenderState(D3DRS_LIGHTING, FALSE);
  DrawRect(0, 0, 4, 4, 0xFFFFFFFF);
  d3d9::ResetStatistics(device_);
  const auto before = d3d9::GetStatistics(device_).glStateChanges;
  for (int i = 0; i < 10; ++i) {
    device_->SetRenderState(D3DRS_ZENABLE, TRUE);
    device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    DrawRect(0, 0, 4, 4, 0xFFFFFFFF);
  }
  const d3d9::Statistics after = d3d9::GetStatistics(device_);
  EXPECT_EQ(after.redundantStateSets, 20u);
  EXPECT_EQ(after.drawCalls, 10u);
  EXPECT_EQ(after.glStateChanges, before);
}

}  // namespace
