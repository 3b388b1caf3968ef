// PNG files into textures, as the texture loader makes them: the whole mip
// chain in the managed pool, or (input's first byte, bit 0) the scratch
// A8R8G8B8 copy the fixed pipeline blends.

#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "platform/d3dx9/D3dxTexture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const bool scratch = (data[0] & 1) != 0;
  IDirect3DTexture9* texture = nullptr;
  if (SUCCEEDED(D3DXCreateTextureFromFileInMemoryEx(
          fuzz::Device(), data + 1, static_cast<UINT>(size - 1), D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
          scratch ? D3DFMT_A8R8G8B8 : D3DFMT_UNKNOWN, scratch ? D3DPOOL_SCRATCH : D3DPOOL_MANAGED,
          D3DX_FILTER_LINEAR, D3DX_FILTER_BOX, 0, nullptr, nullptr, &texture))) {
    texture->Release();
  }
  return 0;
}
