// Textures of the texture pool: plain textures by file, the generated
// default textures, and the device-pool textures of materials that go away
// with a lost device and come back after a reset.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <system_error>
#include <vector>

#include "platform/d3dx9/D3dxTexture.h"
#include "render/PathData.h"
#include "render/RenderSystem.h"

namespace {

struct DefaultTexture {
  const char* key;
  float r, g, b, a;
};

// Stand-ins for missing material maps; "#def_N" is the flat normal (0, 0, 1).
constexpr DefaultTexture kDefaultTextures[] = {
    {"#def_D", 0.5f, 0.5f, 0.5f, 1.0f},
    {"#def_N", 0.5f, 0.5f, 1.0f, 0.5f},
    {"#def_S", 0.5f, 0.5f, 0.5f, 0.0625f},
    {"#def_E", 0.5f, 0.5f, 0.5f, 0.5f},
};
constexpr UINT kDefaultTextureSize = 8;

// A colour channel as a texel byte: clamped to 0..1, times 255, truncated.
std::uint32_t ChannelByte(float value) {
  if (!(value > 0.0f)) return 0;
  if (value >= 1.0f) return 255;
  return static_cast<std::uint32_t>(value * 255.0f);
}

bool IsManagedKey(const std::string& key) { return !key.empty() && key[0] == '#'; }

// The file behind a device-pool texture key. Keys are lower-cased, the
// current directory they start with may not be: that part is put back as it
// is spelt on disk (file names below it are lower case).
std::string FileOfKey(const std::string& key) {
  std::error_code error;
  const std::string current = std::filesystem::current_path(error).string() + '/';
  if (error) return key;
  std::string lowered = current;
  PathData::NormalizePath(&lowered);
  if (lowered.size() > 1 && key.compare(0, lowered.size(), lowered) == 0) {
    return current + key.substr(lowered.size());
  }
  return key;
}

HRESULT LoadDeviceTexture(IDirect3DDevice9* device, const std::string& file, IDirect3DTexture9** texture) {
  return D3DXCreateTextureFromFileExA(device, file.c_str(), D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN,
                                      D3DPOOL_DEFAULT, D3DX_FILTER_LINEAR, D3DX_FILTER_BOX, 0, nullptr, nullptr,
                                      texture);
}

}  // namespace

bool RenderSystem::LoadTexture(IDirect3DTexture9** out, const char* path) {
  if (out == nullptr || *out != nullptr || path == nullptr) return false;
  std::string key = path;
  PathData::NormalizePath(&key);
  key.insert(0, "#");
  *out = texturePool_.Acquire(key);
  if (*out != nullptr) return true;
  const HRESULT hr = D3DXCreateTextureFromFileExA(device_, PathData::OpenName(path).c_str(), D3DX_DEFAULT, D3DX_DEFAULT,
                                                  D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_FILTER_LINEAR,
                                                  D3DX_FILTER_BOX, 0, nullptr, nullptr, out);
  if (FAILED(hr) || *out == nullptr) {
    *out = nullptr;
    return false;
  }
  texturePool_.Add(key, *out);
  return true;
}

bool RenderSystem::CreateDefaultTextures() {
  for (const DefaultTexture& colour : kDefaultTextures) {
    IDirect3DTexture9* texture = nullptr;
    if (FAILED(D3DXCreateTexture(device_, kDefaultTextureSize, kDefaultTextureSize, 1, 0, D3DFMT_A8R8G8B8,
                                 D3DPOOL_MANAGED, &texture))) {
      return false;
    }
    D3DLOCKED_RECT locked{};
    if (FAILED(texture->LockRect(0, &locked, nullptr, D3DLOCK_DISCARD))) {
      texture->Release();
      return false;
    }
    const std::uint32_t texel =
        ChannelByte(colour.a) << 24 | ChannelByte(colour.r) << 16 | ChannelByte(colour.g) << 8 | ChannelByte(colour.b);
    for (UINT y = 0; y < kDefaultTextureSize; ++y) {
      auto* row =
          reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(locked.pBits) +
                                           static_cast<std::size_t>(y) * static_cast<std::size_t>(locked.Pitch));
      std::fill(row, row + kDefaultTextureSize, texel);
    }
    texture->UnlockRect(0);
    texturePool_.Add(colour.key, texture);
  }
  return true;
}

void RenderSystem::ReleaseDeviceTextures() {
  if (fixedPipeline_) return;
  std::vector<IDirect3DTexture9**> slots;
  std::vector<const std::string*> keys;
  texturePool_.CollectResources(&slots);
  texturePool_.CollectKeys(&keys);
  // The entries keep their counts and their old pointers: the reload uses
  // those to find the material slots that held them.
  for (std::size_t i = 0; i < slots.size(); ++i) {
    if (!IsManagedKey(*keys[i]) && *slots[i] != nullptr) (*slots[i])->Release();
  }
  deviceTexturesReleased_ = true;
}

void RenderSystem::ForgetReleasedDeviceTextures() {
  if (!deviceTexturesReleased_) return;
  deviceTexturesReleased_ = false;
  // The pool slots and material maps still hold the released pointers; a
  // shutdown before the reload must not release them a second time.
  std::vector<IDirect3DTexture9**> slots;
  std::vector<const std::string*> keys;
  std::vector<MaterialData**> materials;
  texturePool_.CollectResources(&slots);
  texturePool_.CollectKeys(&keys);
  materialPool_.CollectResources(&materials);
  std::vector<IDirect3DTexture9*> released;
  for (std::size_t i = 0; i < slots.size(); ++i) {
    if (IsManagedKey(*keys[i]) || *slots[i] == nullptr) continue;
    released.push_back(*slots[i]);
    *slots[i] = nullptr;
  }
  for (MaterialData** material : materials) {
    for (IDirect3DTexture9** map :
         {&(*material)->diffuseMap, &(*material)->normalMap, &(*material)->specularMap, &(*material)->emissiveMap}) {
      if (std::find(released.begin(), released.end(), *map) != released.end()) *map = nullptr;
    }
  }
}

void RenderSystem::ReloadDeviceTextures() {
  if (fixedPipeline_) return;
  deviceTexturesReleased_ = false;
  std::vector<IDirect3DTexture9**> slots;
  std::vector<const std::string*> keys;
  std::vector<MaterialData**> materials;
  texturePool_.CollectResources(&slots);
  texturePool_.CollectKeys(&keys);
  materialPool_.CollectResources(&materials);

  // All textures first, then the materials: a new texture may sit at the
  // address of an old one, so materials are re-pointed once, by the old
  // pointers only.
  std::map<IDirect3DTexture9*, IDirect3DTexture9*> reloaded;
  for (std::size_t i = 0; i < slots.size(); ++i) {
    if (IsManagedKey(*keys[i])) continue;
    IDirect3DTexture9* old = *slots[i];
    *slots[i] = nullptr;
    if (FAILED(LoadDeviceTexture(device_, FileOfKey(*keys[i]), slots[i]))) *slots[i] = nullptr;
    if (old != nullptr) reloaded[old] = *slots[i];
  }
  for (MaterialData** material : materials) {
    for (IDirect3DTexture9** map :
         {&(*material)->diffuseMap, &(*material)->normalMap, &(*material)->specularMap, &(*material)->emissiveMap}) {
      const auto found = reloaded.find(*map);
      if (found != reloaded.end()) *map = found->second;
    }
  }
}
