#include "platform/host/FrameCapture.h"

#include "platform/d3d9/D3d9Automation.h"
#include "platform/d3dx9/ImageCodec.h"

namespace host {

bool CaptureFrame(IDirect3DDevice9* device, const char* path, std::string* error) {
  d3dx::Image image;
  UINT width = 0;
  UINT height = 0;
  if (!d3d9::ReadRenderTarget(device, &image.pixels, &width, &height)) {
    if (error != nullptr) *error = "cannot read the frame back";
    return false;
  }
  image.width = static_cast<int>(width);
  image.height = static_cast<int>(height);
  // The back buffer's alpha is not part of the picture.
  for (std::uint32_t& pixel : image.pixels) pixel |= 0xFF000000u;
  return d3dx::SavePngFile(path, image, error);
}

}  // namespace host
