// The device of the main window: creation with its fallbacks, release, loss
// and reset, the overlay font and the default render states.

#include "frame/FwDX9.h"

#include <algorithm>
#include <cstdlib>

namespace {

const char* ResetErrorName(HRESULT result) {
  switch (result) {
    case D3DERR_DEVICELOST:
      return "D3DERR_DEVICELOST";
    case D3DERR_INVALIDCALL:
      return "D3DERR_INVALIDCALL";
    case E_OUTOFMEMORY:
      return "E_OUTOFMEMORY";
    case D3DERR_OUTOFVIDEOMEMORY:
      return "D3DERR_OUTOFVIDEOMEMORY";
    case D3DERR_DRIVERINTERNALERROR:
      return "D3DERR_DRIVERINTERNALERROR";
    default:
      return "unknown return value!";
  }
}

}  // namespace

FwDX9::~FwDX9() { ReleaseDevice(); }

bool FwDX9::CreateDevice(bool vsync, bool multisample, int fontHeight, bool mixedVertexProcessing) {
  fontHeight_ = fontHeight;
  direct3d_ = Direct3DCreate9(D3D_SDK_VERSION);
  if (direct3d_ == nullptr) {
    ShowMessage("Failed", "Failed: Create D3D IF");
    return false;
  }

  D3DDISPLAYMODE mode{};
  direct3d_->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode);

  presentParameters_ = D3DPRESENT_PARAMETERS{};
  presentParameters_.BackBufferWidth = static_cast<UINT>(GetWidth());
  presentParameters_.BackBufferHeight = static_cast<UINT>(GetHeight());
  presentParameters_.BackBufferFormat = mode.Format;
  presentParameters_.BackBufferCount = 1;
  presentParameters_.MultiSampleType = multisample ? D3DMULTISAMPLE_4_SAMPLES : D3DMULTISAMPLE_NONE;
  presentParameters_.SwapEffect = multisample ? D3DSWAPEFFECT_DISCARD : D3DSWAPEFFECT_COPY;
  presentParameters_.hDeviceWindow = GetWindow();
  presentParameters_.Windowed = TRUE;  // never full-screen
  presentParameters_.EnableAutoDepthStencil = TRUE;
  presentParameters_.AutoDepthStencilFormat = D3DFMT_D24S8;
  presentParameters_.PresentationInterval = vsync ? D3DPRESENT_INTERVAL_DEFAULT : D3DPRESENT_INTERVAL_IMMEDIATE;

  const DWORD behaviour =
      mixedVertexProcessing ? D3DCREATE_MIXED_VERTEXPROCESSING : D3DCREATE_HARDWARE_VERTEXPROCESSING;
  auto tryCreate = [this](D3DDEVTYPE type, DWORD flags) {
    return SUCCEEDED(
        direct3d_->CreateDevice(D3DADAPTER_DEFAULT, type, GetWindow(), flags, &presentParameters_, &device_));
  };

  if (!tryCreate(D3DDEVTYPE_HAL, behaviour)) {
    // The smaller depth buffer stays for the rest of the chain; the decal
    // system checks it to decide whether it may clip with the stencil.
    presentParameters_.AutoDepthStencilFormat = D3DFMT_D16;
    presentParameters_.MultiSampleType = D3DMULTISAMPLE_NONE;
    presentParameters_.SwapEffect = D3DSWAPEFFECT_COPY;
    if (tryCreate(D3DDEVTYPE_HAL, behaviour)) {
      ShowMessage("Info", "Info: Changed D3D PresentParameters");
    } else if (tryCreate(D3DDEVTYPE_HAL, D3DCREATE_SOFTWARE_VERTEXPROCESSING)) {
      ShowMessage("Info", "Info: HAL with Software Vertexproc");
    } else if (tryCreate(D3DDEVTYPE_REF, D3DCREATE_SOFTWARE_VERTEXPROCESSING)) {
      ShowMessage("Info", "Info: REF");
    } else {
      device_ = nullptr;
      ShowMessage("Failed", "Failed: Create D3D Device");
      return false;
    }
  }
  return CreateOverlayFont();
}

bool FwDX9::CreateOverlayFont() {
  if (SUCCEEDED(D3DXCreateFontA(device_, fontHeight_, 0, FW_NORMAL, 1, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                                DEFAULT_QUALITY, FIXED_PITCH, "MS Gothic", &font_))) {
    return true;
  }
  font_ = nullptr;
  if (SUCCEEDED(D3DXCreateFontA(device_, fontHeight_, 0, FW_NORMAL, 1, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                DEFAULT_QUALITY, FIXED_PITCH, "Arial", &font_))) {
    return true;
  }
  font_ = nullptr;
  ShowMessage("Failed", "Failed: Create Font");
  return false;
}

void FwDX9::ReleaseOverlayFont() {
  if (font_ != nullptr) {
    font_->Release();
    font_ = nullptr;
  }
}

void FwDX9::ReleaseDevice() {
  ReleaseOverlayFont();
  if (device_ != nullptr) {
    device_->Release();
    device_ = nullptr;
  }
  if (direct3d_ != nullptr) {
    direct3d_->Release();
    direct3d_ = nullptr;
  }
}

void FwDX9::AddDeviceLostCallback(D3dDeviceLostCallback* listener) {
  auto freeSlot = std::find(deviceLostListeners_.begin(), deviceLostListeners_.end(), nullptr);
  if (freeSlot != deviceLostListeners_.end()) {
    *freeSlot = listener;
  } else {
    deviceLostListeners_.push_back(listener);
  }
}

void FwDX9::RemoveDeviceLostCallback(D3dDeviceLostCallback* listener) {
  std::replace(deviceLostListeners_.begin(), deviceLostListeners_.end(), listener,
               static_cast<D3dDeviceLostCallback*>(nullptr));
}

void FwDX9::RestoreDevice() {
  // A device cannot be reset while another window is in front; the next
  // failed present tries again, so frames go on without a device meanwhile.
  if (GetForegroundWindow() != GetWindow() || device_ == nullptr) return;

  ReleaseOverlayFont();
  // Indexed loops: a listener may register or free slots while called.
  for (std::size_t i = 0; i < deviceLostListeners_.size(); ++i) {
    if (deviceLostListeners_[i] != nullptr) deviceLostListeners_[i]->OnDeviceLost();
  }

  HRESULT result = device_->Reset(&presentParameters_);
  if (FAILED(result)) {
    Sleep(100);
    result = device_->Reset(&presentParameters_);
    if (FAILED(result)) {
      ShowMessage("Failed", "Failed: Reset D3D device (%s)", ResetErrorName(result));
      std::abort();
    }
  }

  for (std::size_t i = 0; i < deviceLostListeners_.size(); ++i) {
    if (deviceLostListeners_[i] != nullptr) deviceLostListeners_[i]->OnDeviceReset();
  }
  if (!CreateOverlayFont()) std::abort();
}

void FwDX9::SetDefaultRenderStates() {
  if (device_ == nullptr) return;
  IDirect3DDevice9* d = device_;
  d->SetRenderState(D3DRS_ZENABLE, TRUE);
  d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
  d->SetRenderState(D3DRS_LIGHTING, TRUE);
  d->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
  d->SetRenderState(D3DRS_AMBIENT, D3DCOLOR_COLORVALUE(0.2f, 0.2f, 0.2f, 1.0f));
  d->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
  d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
  d->SetRenderState(D3DRS_ALPHAREF, 3);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  d->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
  d->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
  d->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  d->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  d->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
}
