#pragma once
// A renderer on a headless device, a scratch directory for its files, and
// the messages it reports.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "frame/MessageOutputInterface.h"
#include "platform/d3d9/DeviceFixture.h"
#include "platform/d3dx9/D3dxTexture.h"
#include "platform/d3dx9/ImageCodec.h"
#include "render/PathData.h"
#include "render/AdvancedRenderSystem.h"

class MessageLog : public MessageOutputInterface {
 public:
  std::vector<std::string> lines;
  void Output(const char* text) override { lines.emplace_back(text); }
};

// The shader modes need effects only to draw; for loading, the device, the
// mode and the default textures are all a renderer uses.
class LoadingRenderer : public AdvancedRenderSystem {
 public:
  bool Attach(IDirect3DDevice9* device) {
    device_ = device;
    fixedPipeline_ = false;
    return CreateDefaultTextures();
  }
};

// A scratch directory with a lower-case name (pool keys are lower case).
class ScratchDirectory {
 public:
  ScratchDirectory() {
    static int counter = 0;
    path_ = (std::filesystem::temp_directory_path() /
             ("grapple_render_" + std::to_string(getpid()) + "_" + std::to_string(++counter)))
                .string() +
            "/";
    std::filesystem::create_directories(path_);
  }
  ~ScratchDirectory() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
  }
  const std::string& Path() const { return path_; }

  std::string WriteText(const std::string& name, const std::string& text) const {
    std::ofstream(path_ + name, std::ios::binary) << text;
    return path_ + name;
  }
  // A PNG of one colour (0xAARRGGBB).
  std::string WritePng(const std::string& name, int width, int height, std::uint32_t colour) const {
    d3dx::Image image;
    image.width = width;
    image.height = height;
    image.hasAlpha = true;
    image.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), colour);
    std::string error;
    EXPECT_TRUE(d3dx::SavePngFile((path_ + name).c_str(), image, &error)) << error;
    return path_ + name;
  }

 private:
  std::string path_;
};

// A .udt file: type, the four number lines, the four map lines, "eof".
inline std::string Udt(const std::string& type, const std::string& diffuse = "!", const std::string& normal = "!",
                       const std::string& specular = "!", const std::string& emissive = "!",
                       const std::string& numbers = "0.5\n0.25,0.5,0.75\n16\n0.75") {
  return "Material\n" + type + "\n" + numbers + "\n" + diffuse + "\n" + normal + "\n" + specular + "\n" + emissive +
         "\neof\n";
}

class RendererTest : public DeviceTest {
 protected:
  void TearDown() override {
    renderer_.Uninit();
    DeviceTest::TearDown();
  }

  void StartShaderMode() { ASSERT_TRUE(renderer_.Attach(device_)); }
  void StartFixedPipeline() {
    ASSERT_TRUE(
        renderer_.Init(true, &parameters_, device_, static_cast<int>(kWidth), static_cast<int>(kHeight), &messages_));
  }

  std::string Key(std::string path) const {
    PathData::NormalizePath(&path);
    return path;
  }

  // The pool's texture of a key, its count unchanged.
  IDirect3DTexture9* Peek(const std::string& key) {
    IDirect3DTexture9* texture = renderer_.GetTexturePool().Acquire(key);
    renderer_.GetTexturePool().Release(texture);
    return texture;
  }

  // Level 0 texel (x, y) of a texture.
  static std::uint32_t Texel(IDirect3DTexture9* texture, int x, int y) {
    D3DLOCKED_RECT locked{};
    if (texture == nullptr || FAILED(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY))) return 0xDEADBEEF;
    const std::uint32_t texel = *reinterpret_cast<const std::uint32_t*>(static_cast<const std::uint8_t*>(locked.pBits) +
                                                                        y * locked.Pitch + x * 4);
    texture->UnlockRect(0);
    return texel;
  }

  LoadingRenderer renderer_;
  MessageLog messages_;
  ScratchDirectory files_;
};
