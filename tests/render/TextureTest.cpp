// Textures of the renderer: the defaults, plain loading, the fixed-pipeline
// blend and the reload after a lost device.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/d3d9/D3d9Automation.h"
#include "render/RendererFixture.h"

namespace {

class TextureTest : public RendererTest {
 protected:
  void TearDown() override {
    for (MaterialData* material : {&material_, &other_}) {
      for (IDirect3DTexture9* map :
           {material->diffuseMap, material->normalMap, material->specularMap, material->emissiveMap}) {
        if (map != nullptr) map->Release();
      }
    }
    RendererTest::TearDown();
  }

  // A scratch map as the fixed pipeline loads them; texel (x, y) is colour(x, y).
  template <typename Colour>
  IDirect3DTexture9* Map(int width, int height, Colour colour) {
    IDirect3DTexture9* texture = nullptr;
    EXPECT_EQ(D3DXCreateTexture(device_, static_cast<UINT>(width), static_cast<UINT>(height), 1, 0, D3DFMT_A8R8G8B8,
                                D3DPOOL_SCRATCH, &texture),
              D3D_OK);
    D3DLOCKED_RECT locked{};
    texture->LockRect(0, &locked, nullptr, 0);
    auto* texels = static_cast<std::uint32_t*>(locked.pBits);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) texels[y * locked.Pitch / 4 + x] = colour(x, y);
    }
    texture->UnlockRect(0);
    return texture;
  }
  IDirect3DTexture9* Map(int width, int height, std::uint32_t colour) {
    return Map(width, height, [colour](int, int) { return colour; });
  }

  void Blend(MaterialData* material, const char* type, bool managed = true) {
    material->type = FindMaterialType(type);
    ASSERT_TRUE(renderer_.BlendTextures(material, managed));
    EXPECT_EQ(material->normalMap, nullptr);
    EXPECT_EQ(material->specularMap, nullptr);
    EXPECT_EQ(material->emissiveMap, nullptr);
    ASSERT_NE(material->diffuseMap, nullptr);
  }

  static D3DSURFACE_DESC Desc(IDirect3DTexture9* texture) {
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(0, &desc);
    return desc;
  }

  MaterialData material_;
  MaterialData other_;
};

TEST_F(TextureTest, DefaultTexturesTruncateTheirColours) {
  StartShaderMode();
  const std::pair<const char*, std::uint32_t> defaults[] = {
      {"#def_D", 0xFF7F7F7F}, {"#def_N", 0x7F7F7FFF}, {"#def_S", 0x0F7F7F7F}, {"#def_E", 0x7F7F7F7F}};
  for (const auto& [key, texel] : defaults) {
    IDirect3DTexture9* texture = Peek(key);
    ASSERT_NE(texture, nullptr) << key;
    EXPECT_EQ(texture->GetLevelCount(), 1u);
    EXPECT_EQ(Desc(texture).Width, 8u);
    EXPECT_EQ(Desc(texture).Pool, D3DPOOL_MANAGED);
    EXPECT_EQ(Texel(texture, 7, 7), texel) << key;
  }
}

TEST_F(TextureTest, PlainTexturesAreSharedUnderTheirOwnKeys) {
  StartShaderMode();
  const std::string path = files_.WritePng("t.png", 2, 2, 0xFF010203);
  IDirect3DTexture9* first = nullptr;
  IDirect3DTexture9* second = nullptr;
  ASSERT_TRUE(renderer_.LoadTexture(&first, path.c_str()));
  ASSERT_TRUE(renderer_.LoadTexture(&second, (files_.Path() + "x/../T.PNG").c_str()));  // found by key only
  EXPECT_EQ(first, second);
  EXPECT_EQ(renderer_.GetTexturePool().Count("#" + Key(path)), 2);
  EXPECT_FALSE(renderer_.LoadTexture(&first, path.c_str()));  // out-pointer not empty
  IDirect3DTexture9* missing = nullptr;
  EXPECT_FALSE(renderer_.LoadTexture(&missing, (files_.Path() + "none.png").c_str()));
  EXPECT_FALSE(renderer_.LoadTexture(&missing, files_.WriteText("bad.png", "not a png").c_str()));
  EXPECT_EQ(missing, nullptr);

  // A material naming the same file holds a device-pool copy under the plain key.
  MaterialData* material = nullptr;
  ASSERT_TRUE(renderer_.LoadMaterial(&messages_, &material, files_.WriteText("m.udt", Udt("Plain", "t.png")).c_str()));
  EXPECT_NE(material->diffuseMap, first);
  EXPECT_EQ(Desc(material->diffuseMap).Pool, D3DPOOL_DEFAULT);
  EXPECT_EQ(Desc(first).Pool, D3DPOOL_MANAGED);
  EXPECT_EQ(renderer_.GetTexturePool().Count(Key(path)), 1);
  renderer_.GetMaterialPool().Release(material);
  renderer_.GetTexturePool().Release(first);
  renderer_.GetTexturePool().Release(second);
  EXPECT_EQ(renderer_.GetTexturePool().Size(), 4u);
}

TEST_F(TextureTest, ADiffuseMapAloneIsCopiedUnlitWithAMipChain) {
  StartFixedPipeline();
  material_.diffuseMap = Map(4, 4, [](int x, int y) { return 0xFF000040u | x << 16 | y << 8; });
  material_.specular[0] = 0.5f;
  Blend(&material_, "StdSimple");
  EXPECT_EQ(Desc(material_.diffuseMap).Width, 8u);
  EXPECT_EQ(Desc(material_.diffuseMap).Height, 8u);
  EXPECT_EQ(Desc(material_.diffuseMap).Pool, D3DPOOL_MANAGED);
  EXPECT_EQ(material_.diffuseMap->GetLevelCount(), 4u);
  EXPECT_EQ(Texel(material_.diffuseMap, 5, 3), 0xFF020140u);  // texel (5 * 4 / 8, 3 * 4 / 8)
  EXPECT_FLOAT_EQ(material_.specular[0], 0.3f);
}

TEST_F(TextureTest, NormalsDarkenDownToAFifthAndAddTheMaterialHighlight) {
  StartFixedPipeline();
  material_.diffuseMap = Map(4, 4, 0xFF646464);
  // Left half faces away from both lights, right half is the flat normal.
  material_.normalMap = Map(2, 1, [](int x, int) { return x == 0 ? 0xFF000000u : 0xFF8080FFu; });
  material_.specular[0] = material_.specular[1] = material_.specular[2] = 0.2f;
  material_.specularPower = 16.0f;
  Blend(&material_, "StdMid");
  EXPECT_EQ(Texel(material_.diffuseMap, 3, 0), 0xFF141414u);  // 100 * 0.2
  // 100 * (0.8 d + 0.2) = 84.8 -> 84, plus 51 * 0.4 s^(16 * 0.85) = 8.8 -> 92.
  EXPECT_EQ(Texel(material_.diffuseMap, 4, 7), 0xFF5C5C5Cu);
}

TEST_F(TextureTest, EmissiveOffsetsAndTheTintsOfHairAndBrightMaterials) {
  StartFixedPipeline();
  material_.diffuseMap = Map(4, 4, 0x80646464);
  material_.emissiveMap = Map(4, 4, 0xFFFF0080);
  Blend(&material_, "StdFull");
  EXPECT_EQ(Texel(material_.diffuseMap, 1, 1), 0x80FF0065u);  // +255, -255, +1 around 127.5; alpha kept

  other_.diffuseMap = Map(4, 16, 0xFF656565);
  other_.normalMap = Map(12, 2, 0xFF000000);
  Blend(&other_, "Hair", false);
  EXPECT_EQ(Desc(other_.diffuseMap).Width, 8u);  // not 12: the normal map is dropped first
  EXPECT_EQ(Desc(other_.diffuseMap).Pool, D3DPOOL_DEFAULT);
  EXPECT_EQ(Texel(other_.diffuseMap, 7, 15), 0xFF5A5A5Au);  // 101 * 0.9, unlit
  other_.diffuseMap->Release();

  other_ = MaterialData{};
  other_.gpv = 0.5f;
  other_.diffuseMap = Map(4, 16, 0xFF656565);
  other_.normalMap = Map(12, 2, 0xFF8080FF);
  Blend(&other_, "PlainBright");
  EXPECT_EQ(Desc(other_.diffuseMap).Width, 12u);  // the widest and the tallest map
  EXPECT_EQ(Desc(other_.diffuseMap).Height, 16u);
  EXPECT_EQ(Texel(other_.diffuseMap, 0, 0), 0xFF2A2A2Au);  // lit to 85, then times 0.5
}

TEST_F(TextureTest, DeviceTexturesComeBackAfterALostDevice) {
  StartShaderMode();
  files_.WritePng("kept.png", 2, 2, 0xFF112233);
  const std::string lost = files_.WritePng("lost.png", 2, 2, 0xFF445566);
  MaterialData* material = nullptr;
  MaterialData* orphan = nullptr;
  IDirect3DTexture9* plain = nullptr;
  ASSERT_TRUE(
      renderer_.LoadMaterial(&messages_, &material, files_.WriteText("m.udt", Udt("StdMid", "kept.png")).c_str()));
  ASSERT_TRUE(renderer_.LoadMaterial(&messages_, &orphan, files_.WriteText("o.udt", Udt("Plain", "lost.png")).c_str()));
  ASSERT_TRUE(renderer_.LoadTexture(&plain, lost.c_str()));
  IDirect3DTexture9* normal = material->normalMap;

  d3d9::SimulateDeviceLoss(device_);
  EXPECT_NE(device_->Reset(&parameters_), D3D_OK);  // device-pool textures still exist
  renderer_.ReleaseDeviceTextures();
  ASSERT_EQ(device_->Reset(&parameters_), D3D_OK);
  std::remove(lost.c_str());
  renderer_.ReloadDeviceTextures();

  const std::string kept = Key(files_.Path() + "kept.png");
  EXPECT_EQ(material->diffuseMap, Peek(kept));
  EXPECT_EQ(Texel(material->diffuseMap, 1, 1), 0xFF112233u);
  EXPECT_EQ(renderer_.GetTexturePool().Count(kept), 1);
  EXPECT_EQ(material->normalMap, normal);  // "#" textures are untouched
  EXPECT_EQ(Texel(plain, 0, 0), 0xFF445566u);
  EXPECT_EQ(orphan->diffuseMap, nullptr);  // its file is gone
  EXPECT_EQ(Peek(Key(lost)), nullptr);
  renderer_.GetMaterialPool().Release(orphan);
  renderer_.GetMaterialPool().Release(material);
  renderer_.GetTexturePool().Release(plain);
}

}  // namespace
