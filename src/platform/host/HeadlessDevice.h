#pragma once
// A window and a Direct3D device for tests, tools and benchmarks: the
// set-up every one of them needs before it can draw.

#include "platform/d3d9/D3d9.h"

namespace host {

class HeadlessDevice {
 public:
  HeadlessDevice() = default;
  ~HeadlessDevice() { Destroy(); }
  HeadlessDevice(const HeadlessDevice&) = delete;
  HeadlessDevice& operator=(const HeadlessDevice&) = delete;

  // A window of the given client size and a HAL device drawing into it with
  // an automatic depth buffer of the given format. False when either fails.
  bool Create(UINT width, UINT height, D3DFORMAT depthFormat = D3DFMT_D24S8);
  // Releases the device and closes the window (also done by the destructor).
  void Destroy();

  IDirect3DDevice9* Device() const { return device_; }
  HWND Window() const { return window_; }
  // As the device was created with them (Reset takes them again).
  D3DPRESENT_PARAMETERS& Parameters() { return parameters_; }

 private:
  HWND window_ = nullptr;
  IDirect3D9* direct3d_ = nullptr;
  IDirect3DDevice9* device_ = nullptr;
  D3DPRESENT_PARAMETERS parameters_{};
};

}  // namespace host
