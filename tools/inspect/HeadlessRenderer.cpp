#include "tools/inspect/HeadlessRenderer.h"

#include <cstdio>

#include "frame/DisplayConfiguration.h"
#include "platform/win32/Windows.h"

namespace {

class Printer : public MessageOutputInterface {
 public:
  void Output(const char* text) override { std::fprintf(stderr, "%s\n", text); }
};

}  // namespace

HeadlessRenderer::HeadlessRenderer() = default;

HeadlessRenderer::~HeadlessRenderer() {
  renderer_.Uninit();
  if (device_ != nullptr) device_->Release();
  if (direct3d_ != nullptr) direct3d_->Release();
  if (window_ != nullptr) DestroyWindow(window_);
}

bool HeadlessRenderer::Start(bool fixedPipeline) {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.lpszClassName = "InspectWindow";
  RegisterClassExA(&windowClass);
  window_ = CreateWindowExA(0, "InspectWindow", "inspect", WS_CAPTION, 0, 0, 64, 64, nullptr, nullptr, nullptr,
                            nullptr);
  direct3d_ = Direct3DCreate9(D3D_SDK_VERSION);
  parameters_.BackBufferWidth = 64;
  parameters_.BackBufferHeight = 64;
  parameters_.BackBufferFormat = D3DFMT_X8R8G8B8;
  parameters_.hDeviceWindow = window_;
  parameters_.Windowed = TRUE;
  parameters_.EnableAutoDepthStencil = TRUE;
  parameters_.AutoDepthStencilFormat = D3DFMT_D24S8;
  if (window_ == nullptr || direct3d_ == nullptr ||
      FAILED(direct3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window_, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                     &parameters_, &device_))) {
    std::fprintf(stderr, "inspect: no graphics device\n");
    return false;
  }
  // The standard shader mode: material maps load as the game loads them.
  GetDisplayConfiguration().useShaders = !fixedPipeline;
  GetDisplayConfiguration().highQuality = false;
  Printer printer;
  return renderer_.Init(fixedPipeline, &parameters_, device_, 64, 64, &printer);
}
