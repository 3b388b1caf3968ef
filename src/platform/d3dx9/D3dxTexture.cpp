#include "platform/d3dx9/D3dxTexture.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "platform/d3dx9/ImageCodec.h"
#include "platform/d3dx9/MipChain.h"

namespace {

// Bilinear resampling, for the rare caller that asks for another size.
d3dx::Image Resize(const d3dx::Image& source, int width, int height) {
  d3dx::Image out;
  out.width = width;
  out.height = height;
  out.hasAlpha = source.hasAlpha;
  out.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  const auto texel = [&](int x, int y) {
    x = std::clamp(x, 0, source.width - 1);
    y = std::clamp(y, 0, source.height - 1);
    return source.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(source.width) + static_cast<std::size_t>(x)];
  };
  for (int y = 0; y < height; ++y) {
    const float sy = (static_cast<float>(y) + 0.5f) * static_cast<float>(source.height) / static_cast<float>(height) - 0.5f;
    const int y0 = static_cast<int>(std::floor(sy));
    const float fy = sy - static_cast<float>(y0);
    for (int x = 0; x < width; ++x) {
      const float sx = (static_cast<float>(x) + 0.5f) * static_cast<float>(source.width) / static_cast<float>(width) - 0.5f;
      const int x0 = static_cast<int>(std::floor(sx));
      const float fx = sx - static_cast<float>(x0);
      const std::uint32_t c[4] = {texel(x0, y0), texel(x0 + 1, y0), texel(x0, y0 + 1), texel(x0 + 1, y0 + 1)};
      std::uint32_t result = 0;
      for (int shift = 0; shift < 32; shift += 8) {
        const auto channel = [&](std::uint32_t v) { return static_cast<float>((v >> shift) & 0xFF); };
        const float top = channel(c[0]) + (channel(c[1]) - channel(c[0])) * fx;
        const float bottom = channel(c[2]) + (channel(c[3]) - channel(c[2])) * fx;
        const float value = top + (bottom - top) * fy;
        result |= static_cast<std::uint32_t>(std::clamp(value + 0.5f, 0.0f, 255.0f)) << shift;
      }
      out.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] = result;
    }
  }
  return out;
}

HRESULT CreateFromImage(IDirect3DDevice9* device, d3dx::Image image, UINT width, UINT height, UINT mipLevels,
                        DWORD usage, D3DFORMAT format, D3DPOOL pool, D3DCOLOR colourKey, D3DXIMAGE_INFO* sourceInfo,
                        IDirect3DTexture9** texture) {
  if (sourceInfo != nullptr) {
    *sourceInfo = D3DXIMAGE_INFO{static_cast<UINT>(image.width), static_cast<UINT>(image.height), 1, 1,
                                 image.hasAlpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8, D3DRTYPE_TEXTURE, D3DXIFF_PNG};
  }
  const bool keepWidth = width == D3DX_DEFAULT || width == D3DX_DEFAULT_NONPOW2 || width == D3DX_FROM_FILE || width == 0;
  const bool keepHeight =
      height == D3DX_DEFAULT || height == D3DX_DEFAULT_NONPOW2 || height == D3DX_FROM_FILE || height == 0;
  const int targetWidth = keepWidth ? image.width : static_cast<int>(std::min<UINT>(width, d3dx::kMaxImageDimension));
  const int targetHeight =
      keepHeight ? image.height : static_cast<int>(std::min<UINT>(height, d3dx::kMaxImageDimension));
  if (targetWidth != image.width || targetHeight != image.height) image = Resize(image, targetWidth, targetHeight);

  if (colourKey != 0) {
    for (std::uint32_t& pixel : image.pixels) {
      if (pixel == colourKey) pixel = 0;
    }
    image.hasAlpha = true;
  }
  if (format == D3DFMT_UNKNOWN) format = image.hasAlpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
  const int levels = mipLevels == D3DX_DEFAULT || mipLevels == D3DX_FROM_FILE ? 0 : static_cast<int>(mipLevels);
  const std::vector<d3dx::Image> chain = d3dx::BuildBoxMipChain(image, levels);
  if (chain.empty()) return D3DXERR_INVALIDDATA;

  IDirect3DTexture9* created = nullptr;
  HRESULT hr = device->CreateTexture(static_cast<UINT>(image.width), static_cast<UINT>(image.height),
                                     static_cast<UINT>(chain.size()), usage, format, pool, &created, nullptr);
  if (FAILED(hr)) return hr;
  const UINT levelCount = std::min<UINT>(created->GetLevelCount(), static_cast<UINT>(chain.size()));
  for (UINT level = 0; level < levelCount; ++level) {
    D3DLOCKED_RECT locked{};
    if (FAILED(created->LockRect(level, &locked, nullptr, 0))) {
      created->Release();
      return D3DERR_INVALIDCALL;
    }
    const d3dx::Image& source = chain[level];
    for (int y = 0; y < source.height; ++y) {
      std::memcpy(static_cast<std::uint8_t*>(locked.pBits) + static_cast<std::size_t>(y) * static_cast<std::size_t>(locked.Pitch),
                  source.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(source.width),
                  static_cast<std::size_t>(source.width) * 4);
    }
    created->UnlockRect(level);
  }
  *texture = created;
  return D3D_OK;
}

}  // namespace

HRESULT D3DXCreateTextureFromFileExA(IDirect3DDevice9* device, LPCSTR file, UINT width, UINT height, UINT mipLevels,
                                     DWORD usage, D3DFORMAT format, D3DPOOL pool, DWORD, DWORD, D3DCOLOR colourKey,
                                     D3DXIMAGE_INFO* sourceInfo, PALETTEENTRY*, IDirect3DTexture9** texture) {
  if (device == nullptr || file == nullptr || texture == nullptr) return D3DERR_INVALIDCALL;
  *texture = nullptr;
  d3dx::Image image;
  std::string error;
  if (!d3dx::LoadPngFile(file, &image, &error)) return D3DXERR_INVALIDDATA;
  return CreateFromImage(device, std::move(image), width, height, mipLevels, usage, format, pool, colourKey,
                         sourceInfo, texture);
}

HRESULT D3DXCreateTextureFromFileInMemoryEx(IDirect3DDevice9* device, LPCVOID data, UINT size, UINT width,
                                            UINT height, UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                            DWORD, DWORD, D3DCOLOR colourKey, D3DXIMAGE_INFO* sourceInfo,
                                            PALETTEENTRY*, IDirect3DTexture9** texture) {
  if (device == nullptr || data == nullptr || texture == nullptr) return D3DERR_INVALIDCALL;
  *texture = nullptr;
  d3dx::Image image;
  std::string error;
  if (!d3dx::DecodePng(data, size, &image, &error)) return D3DXERR_INVALIDDATA;
  return CreateFromImage(device, std::move(image), width, height, mipLevels, usage, format, pool, colourKey,
                         sourceInfo, texture);
}

HRESULT D3DXCreateTextureFromFileA(IDirect3DDevice9* device, LPCSTR file, IDirect3DTexture9** texture) {
  return D3DXCreateTextureFromFileExA(device, file, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN,
                                      D3DPOOL_MANAGED, D3DX_FILTER_LINEAR, D3DX_FILTER_BOX, 0, nullptr, nullptr,
                                      texture);
}

HRESULT D3DXCreateTexture(IDirect3DDevice9* device, UINT width, UINT height, UINT mipLevels, DWORD usage,
                          D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** texture) {
  if (device == nullptr || texture == nullptr) return D3DERR_INVALIDCALL;
  if (width == D3DX_DEFAULT || width == 0) width = 256;
  if (height == D3DX_DEFAULT || height == 0) height = 256;
  if (mipLevels == D3DX_DEFAULT) mipLevels = 0;
  if (format == D3DFMT_UNKNOWN) format = D3DFMT_A8R8G8B8;
  return device->CreateTexture(width, height, mipLevels, usage, format, pool, texture, nullptr);
}
