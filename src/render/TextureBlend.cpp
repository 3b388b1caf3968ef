// The fixed-pipeline stand-in for the material shaders: a material's
// diffuse, normal, specular and emissive maps are baked on the processor into
// one lit diffuse texture with a mip chain. Every real-to-integer step
// truncates.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/d3dx9/D3dxMath.h"
#include "platform/d3dx9/D3dxTexture.h"
#include "platform/d3dx9/ImageCodec.h"
#include "platform/d3dx9/MipChain.h"
#include "render/RenderSystem.h"

namespace {

// Level 0 of a map, read into memory; empty when the map is absent.
struct MapTexels {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;

  bool Present() const { return !pixels.empty(); }

  // The texel that output texel (x, y) of an outWidth x outHeight image falls on.
  std::uint32_t Sample(int x, int y, int outWidth, int outHeight) const {
    const std::size_t sx =
        static_cast<std::size_t>(x) * static_cast<std::size_t>(width) / static_cast<std::size_t>(outWidth);
    const std::size_t sy =
        static_cast<std::size_t>(y) * static_cast<std::size_t>(height) / static_cast<std::size_t>(outHeight);
    return pixels[sy * static_cast<std::size_t>(width) + sx];
  }
};

int Alpha(std::uint32_t texel) { return static_cast<int>(texel >> 24); }
int Red(std::uint32_t texel) { return static_cast<int>((texel >> 16) & 0xFF); }
int Green(std::uint32_t texel) { return static_cast<int>((texel >> 8) & 0xFF); }
int Blue(std::uint32_t texel) { return static_cast<int>(texel & 0xFF); }

// Truncation toward zero that stays defined for any input: material numbers
// come from files, so NaN (to 0) and huge values (pinned) are possible.
int Truncate(float value) {
  if (std::isnan(value)) return 0;
  return static_cast<int>(std::clamp(value, -1.0e6f, 1.0e6f));
}

int ClampByte(int value) { return std::clamp(value, 0, 255); }

std::uint8_t* Row(const D3DLOCKED_RECT& locked, UINT y) {
  return static_cast<std::uint8_t*>(locked.pBits) +
         static_cast<std::size_t>(y) * static_cast<std::size_t>(locked.Pitch);
}

bool ReadMap(IDirect3DTexture9* texture, MapTexels* out) {
  if (texture == nullptr) return true;
  D3DSURFACE_DESC desc{};
  if (FAILED(texture->GetLevelDesc(0, &desc))) return false;
  if (desc.Format != D3DFMT_A8R8G8B8 && desc.Format != D3DFMT_X8R8G8B8) return false;
  if (desc.Width == 0 || desc.Height == 0) return false;
  D3DLOCKED_RECT locked{};
  if (FAILED(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY))) return false;
  out->width = static_cast<int>(desc.Width);
  out->height = static_cast<int>(desc.Height);
  out->pixels.resize(static_cast<std::size_t>(desc.Width) * desc.Height);
  for (UINT y = 0; y < desc.Height; ++y) {
    std::memcpy(out->pixels.data() + static_cast<std::size_t>(y) * desc.Width, Row(locked, y),
                static_cast<std::size_t>(desc.Width) * 4);
  }
  texture->UnlockRect(0);
  return true;
}

void ReleaseMap(IDirect3DTexture9** map) {
  if (*map != nullptr) (*map)->Release();
  *map = nullptr;
}

D3DXVECTOR3 Normalised(float x, float y, float z) {
  const float length = std::sqrt(x * x + y * y + z * z);
  return D3DXVECTOR3(x / length, y / length, z / length);
}

float Dot(const D3DXVECTOR3& a, const D3DXVECTOR3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// Creates the final texture from the image with its whole box-filtered mip chain.
bool CreateMippedTexture(IDirect3DDevice9* device, const d3dx::Image& image, D3DPOOL pool,
                         IDirect3DTexture9** texture) {
  const std::vector<d3dx::Image> chain = d3dx::BuildBoxMipChain(image, 0);
  if (chain.empty()) return false;
  IDirect3DTexture9* created = nullptr;
  if (FAILED(D3DXCreateTexture(device, static_cast<UINT>(image.width), static_cast<UINT>(image.height),
                               static_cast<UINT>(chain.size()), 0, D3DFMT_A8R8G8B8, pool, &created))) {
    return false;
  }
  const UINT levels = std::min<UINT>(created->GetLevelCount(), static_cast<UINT>(chain.size()));
  for (UINT level = 0; level < levels; ++level) {
    D3DLOCKED_RECT locked{};
    if (FAILED(created->LockRect(level, &locked, nullptr, 0))) {
      created->Release();
      return false;
    }
    const d3dx::Image& source = chain[level];
    const std::size_t width = static_cast<std::size_t>(source.width);
    for (UINT y = 0; y < static_cast<UINT>(source.height); ++y) {
      std::memcpy(Row(locked, y), source.pixels.data() + y * width, width * 4);
    }
    created->UnlockRect(level);
  }
  *texture = created;
  return true;
}

}  // namespace

bool RenderSystem::BlendTextures(MaterialData* material, bool managed) {
  // Only the fixed pipeline holds private scratch maps; in the shader modes
  // the maps belong to the texture pool and are left alone.
  if (material == nullptr || !fixedPipeline_) return false;
  const auto finish = [material](bool result) {
    ReleaseMap(&material->diffuseMap);
    ReleaseMap(&material->normalMap);
    ReleaseMap(&material->specularMap);
    ReleaseMap(&material->emissiveMap);
    return result;
  };

  // Per kind: both hair kinds drop their normal maps; hair sharpens the
  // highlight of its specular map; hair and bright materials are tinted.
  const int kind = GetMaterialType(material->type).kind;
  float exponentFactor = 0.85f;
  bool tinted = false;
  float tint = 1.0f;
  if (kind == 3 || kind == 4) ReleaseMap(&material->normalMap);
  if (kind == 4) {
    if (material->specularMap != nullptr) exponentFactor = 6.8f;
    tinted = true;
    tint = 0.9f;
  } else if (kind == 5) {
    tinted = true;
    tint = material->gpv;
  }

  MapTexels diffuse, normal, specular, emissive;
  if (!ReadMap(material->diffuseMap, &diffuse) || !ReadMap(material->normalMap, &normal) ||
      !ReadMap(material->specularMap, &specular) || !ReadMap(material->emissiveMap, &emissive)) {
    return finish(false);
  }

  int width = 8;
  int height = 8;
  for (const MapTexels* map : {&diffuse, &normal, &specular, &emissive}) {
    width = std::max(width, map->width);
    height = std::max(height, map->height);
  }
  if (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > d3dx::kMaxImagePixels) {
    return finish(false);
  }

  d3dx::Image image;
  image.width = width;
  image.height = height;
  image.hasAlpha = true;
  image.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));

  const bool lit = normal.Present() || specular.Present();
  const D3DXVECTOR3 light1 = Normalised(0.4f, -0.6f, 1.0f);
  const D3DXVECTOR3 light2 = Normalised(0.2f, -0.3f, 1.0f);
  const int materialSpecular[3] = {Truncate(material->specular[0] * 255.0f), Truncate(material->specular[1] * 255.0f),
                                   Truncate(material->specular[2] * 255.0f)};
  std::uint64_t specularSum[4] = {0, 0, 0, 0};

  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint32_t base = diffuse.Present() ? diffuse.Sample(x, y, width, height) : 0xFF7F7F7Fu;
      int rgb[3] = {Red(base), Green(base), Blue(base)};
      const int alpha = Alpha(base);

      if (lit) {
        D3DXVECTOR3 n(0.0f, 0.0f, 1.0f);
        if (normal.Present()) {
          const std::uint32_t t = normal.Sample(x, y, width, height);
          n = D3DXVECTOR3(static_cast<float>(Red(t)) / 255.0f * 2.0f - 1.0f,
                          static_cast<float>(Green(t)) / 255.0f * 2.0f - 1.0f,
                          static_cast<float>(Blue(t)) / 255.0f * 2.0f - 1.0f);
        }
        const float d = std::max(0.0f, Dot(n, light1));
        for (int& c : rgb) c = ClampByte(Truncate(static_cast<float>(c) * (0.8f * d + 0.2f)));

        const float s = std::max(0.0f, Dot(n, light2));
        if (specular.Present()) {
          const std::uint32_t t = specular.Sample(x, y, width, height);
          const int highlight[3] = {Red(t), Green(t), Blue(t)};
          const float h = std::pow(s, static_cast<float>(Alpha(t)) * exponentFactor) * 0.4f;
          for (int i = 0; i < 3; ++i) {
            rgb[i] = ClampByte(Truncate(static_cast<float>(rgb[i]) + h * static_cast<float>(highlight[i])));
          }
          specularSum[0] += static_cast<std::uint64_t>(highlight[0]);
          specularSum[1] += static_cast<std::uint64_t>(highlight[1]);
          specularSum[2] += static_cast<std::uint64_t>(highlight[2]);
          specularSum[3] += static_cast<std::uint64_t>(Alpha(t));
        } else {
          const float h = std::pow(s, material->specularPower * exponentFactor) * 0.4f;
          for (int i = 0; i < 3; ++i) {
            rgb[i] = ClampByte(Truncate(static_cast<float>(rgb[i]) + h * static_cast<float>(materialSpecular[i])));
          }
        }
      }

      // The emissive map is a signed offset around 127.5: 255 adds 255, 0 subtracts 255.
      if (emissive.Present()) {
        const std::uint32_t t = emissive.Sample(x, y, width, height);
        const int offset[3] = {Red(t), Green(t), Blue(t)};
        for (int i = 0; i < 3; ++i) {
          rgb[i] = ClampByte(rgb[i] - Truncate((static_cast<float>(offset[i]) - 127.5f) * -2.0f));
        }
      }
      if (tinted) {
        for (int& c : rgb) c = ClampByte(Truncate(static_cast<float>(c) * tint));
      }
      image.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] =
          static_cast<std::uint32_t>(alpha) << 24 | static_cast<std::uint32_t>(rgb[0]) << 16 |
          static_cast<std::uint32_t>(rgb[1]) << 8 | static_cast<std::uint32_t>(rgb[2]);
    }
  }

  // The highlight is now in the texture: the fixed-function specular keeps a
  // weaker share, taken from the specular map when there is one.
  if (specular.Present()) {
    const double count = static_cast<double>(width) * static_cast<double>(height);
    for (int i = 0; i < 3; ++i) {
      material->specular[i] = static_cast<float>(static_cast<double>(specularSum[i]) / count / 255.0 * 0.6);
    }
    material->specularPower = static_cast<float>(static_cast<double>(specularSum[3]) / count);
  } else {
    for (float& c : material->specular) c *= 0.6f;
  }

  IDirect3DTexture9* blended = nullptr;
  if (!CreateMippedTexture(device_, image, managed ? D3DPOOL_MANAGED : D3DPOOL_DEFAULT, &blended)) {
    return finish(false);
  }
  finish(true);
  material->diffuseMap = blended;
  return true;
}
