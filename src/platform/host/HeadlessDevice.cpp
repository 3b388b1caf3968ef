#include "platform/host/HeadlessDevice.h"

#include "platform/win32/SdlBridge.h"
#include "platform/win32/Windows.h"

namespace host {

bool HeadlessDevice::Create(UINT width, UINT height, D3DFORMAT depthFormat) {
  Destroy();
  if (!platform::EnsureSdlVideo()) return false;
  static bool registered = false;
  if (!registered) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "HeadlessDeviceWindow";
    registered = RegisterClassExA(&windowClass) != 0;
  }
  window_ = CreateWindowExA(0, "HeadlessDeviceWindow", "headless", WS_CAPTION, 0, 0, static_cast<int>(width),
                            static_cast<int>(height), nullptr, nullptr, nullptr, nullptr);
  if (window_ == nullptr) return false;
  direct3d_ = Direct3DCreate9(D3D_SDK_VERSION);
  if (direct3d_ == nullptr) return false;
  parameters_ = D3DPRESENT_PARAMETERS{};
  parameters_.BackBufferWidth = width;
  parameters_.BackBufferHeight = height;
  parameters_.BackBufferFormat = D3DFMT_X8R8G8B8;
  parameters_.BackBufferCount = 1;
  parameters_.SwapEffect = D3DSWAPEFFECT_COPY;
  parameters_.hDeviceWindow = window_;
  parameters_.Windowed = TRUE;
  parameters_.EnableAutoDepthStencil = TRUE;
  parameters_.AutoDepthStencilFormat = depthFormat;
  parameters_.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
  return direct3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window_, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                 &parameters_, &device_) == D3D_OK;
}

void HeadlessDevice::Destroy() {
  if (device_ != nullptr) device_->Release();
  if (direct3d_ != nullptr) direct3d_->Release();
  if (window_ != nullptr) DestroyWindow(window_);
  device_ = nullptr;
  direct3d_ = nullptr;
  window_ = nullptr;
}

}  // namespace host
