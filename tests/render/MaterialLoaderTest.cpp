// Loading .udt material files: their messages, the map lines per mode and
// sharing through the pools.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render/RendererFixture.h"

namespace {

using Lines = std::vector<std::string>;

class MaterialLoaderTest : public RendererTest {
 protected:
  MaterialData* Load(const std::string& text, const std::string& name = "m.udt") {
    MaterialData* material = nullptr;
    const bool loaded = renderer_.LoadMaterial(&messages_, &material, files_.WriteText(name, text).c_str());
    EXPECT_EQ(loaded, material != nullptr);
    return material;
  }
};

TEST_F(MaterialLoaderTest, BrokenFilesAreReportedAndNotPooled) {
  StartShaderMode();
  const std::string full = Udt("StdSimple");
  const std::pair<std::string, std::string> cases[] = {
      {full.substr(0, full.size() - 4), "m.udt: Incomplete udt file"},  // 10 lines
      {"material" + full.substr(8), "m.udt: Invalid udt file"},
      {full.substr(0, full.size() - 1) + " \n", "m.udt: Invalid udt file"},
      {Udt("CharMid+ "), "m.udt: Invalid material type (CharMid+ )"},
      {std::string(100000, '\xFF'), "m.udt: Invalid udt file"},  // 49 lines of 2047 bytes
  };
  for (const auto& [text, message] : cases) {
    messages_.lines.clear();
    EXPECT_EQ(Load(text), nullptr);
    EXPECT_EQ(messages_.lines, Lines{files_.Path() + message});
  }
  messages_.lines.clear();
  MaterialData* material = nullptr;
  EXPECT_FALSE(renderer_.LoadMaterial(&messages_, &material, (files_.Path() + "none.udt").c_str()));
  EXPECT_FALSE(renderer_.LoadMaterial(nullptr, &material, (files_.Path() + "none.udt").c_str()));
  material = renderer_.GetDefaultMaterial();  // the out-pointer must be empty
  EXPECT_FALSE(renderer_.LoadMaterial(&messages_, &material, files_.WriteText("ok.udt", full).c_str()));
  EXPECT_EQ(material, renderer_.GetDefaultMaterial());
  EXPECT_EQ(messages_.lines, (Lines{files_.Path() + "none.udt: Failed to load udt file", "Invalid parameter"}));
  EXPECT_EQ(renderer_.GetMaterialPool().Size(), 0u);
}

TEST_F(MaterialLoaderTest, NumbersReadAsTheyParseAndALowPowerIsKept) {
  StartShaderMode();
  // Exactly 11 lines, no final line break; StdSimple reads no lines 7 to 9.
  std::string text = Udt("StdSimple", "!", "missing", "missing", "missing", "abc\n1,2\n0.5\n-x");
  text.pop_back();
  MaterialData* material = Load(text);
  ASSERT_NE(material, nullptr);
  EXPECT_EQ(material->type, 0);
  EXPECT_FLOAT_EQ(material->ambientRate, 0.0f);
  EXPECT_FLOAT_EQ(material->specular[1], 2.0f);
  EXPECT_FLOAT_EQ(material->specular[2], 0.0f);
  EXPECT_FLOAT_EQ(material->specularPower, 0.5f);
  EXPECT_EQ(material->normalMap, nullptr);
  EXPECT_EQ(messages_.lines, Lines{files_.Path() + "m.udt: Illegal specular power (0.500000)"});
  renderer_.GetMaterialPool().Release(material);
}

TEST_F(MaterialLoaderTest, FilesAndMapsAreSharedAndMissingMapsFallBack) {
  StartShaderMode();
  files_.WritePng("tex.png", 4, 4, 0xFF102030);
  auto& textures = renderer_.GetTexturePool();
  MaterialData* a = Load(Udt("StdFull", "tex.png", "!", "!", "gone.png"), "a.udt");
  MaterialData* b = Load(Udt("StdSimple", ".\\TEX.png"), "b.udt");
  MaterialData* again = nullptr;
  std::string spelling = files_.Path() + "./A.udt";
  for (char& c : spelling) c = c == '/' ? '\\' : c;
  ASSERT_TRUE(renderer_.LoadMaterial(&messages_, &again, spelling.c_str()));
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(again, a);
  EXPECT_EQ(renderer_.GetMaterialPool().Count(Key(files_.Path() + "a.udt")), 2);

  const std::string key = Key(files_.Path() + "tex.png");
  EXPECT_EQ(a->diffuseMap, b->diffuseMap);
  EXPECT_EQ(textures.Count(key), 2);
  EXPECT_EQ(Texel(a->diffuseMap, 3, 3), 0xFF102030u);
  // "!" takes the slot's default quietly; a missing file does so with a message.
  EXPECT_EQ(a->normalMap, Peek("#def_N"));
  EXPECT_EQ(a->specularMap, Peek("#def_S"));
  EXPECT_EQ(a->emissiveMap, Peek("#def_E"));
  EXPECT_EQ(messages_.lines,
            Lines{files_.Path() + "a.udt: Failed to load EmissiveMap texture file, use default texture"});

  renderer_.GetMaterialPool().Release(a);
  renderer_.GetMaterialPool().Release(again);
  EXPECT_EQ(textures.Count(key), 1);
  EXPECT_EQ(textures.Count("#def_N"), 1);
  renderer_.GetMaterialPool().Release(b);
  EXPECT_EQ(textures.Count(key), 0);
}

TEST_F(MaterialLoaderTest, FixedPipelineBakesTheMapsIntoOneTexture) {
  StartFixedPipeline();
  files_.WritePng("d.png", 4, 4, 0xFF646464);
  files_.WritePng("s.png", 2, 2, 0x0AC86400);
  MaterialData* material = Load(Udt("StdMid+", "d.png", "!", "s.png"));
  ASSERT_NE(material, nullptr);
  EXPECT_TRUE(messages_.lines.empty());
  EXPECT_EQ(material->specularMap, nullptr);
  EXPECT_EQ(material->diffuseMap->GetLevelCount(), 4u);  // 8x8 down to 1x1
  // 100 lit by the flat normal to 84, plus the map's highlight 0.24 * (200, 100, 0).
  EXPECT_EQ(Texel(material->diffuseMap, 0, 0), 0xFF836B54u);
  EXPECT_FLOAT_EQ(material->fixedMaterial->Power, 10.0f);  // the specular map's alpha
  EXPECT_NEAR(material->fixedMaterial->Specular.r, 200.0f / 255.0f * 0.6f, 1e-6f);
  EXPECT_EQ(renderer_.GetTexturePool().Size(), 4u);  // the defaults only
  renderer_.GetMaterialPool().Release(material);
}

TEST_F(MaterialLoaderTest, FixedPipelineFallsBackToTheDefaultTexture) {
  StartFixedPipeline();
  // Maps that load but together would make a blend of 16384 x 16384 texels.
  files_.WritePng("wide.png", 16384, 1, 0xFFFFFFFF);
  files_.WritePng("tall.png", 1, 16384, 0xFF8080FF);
  MaterialData* material = Load(Udt("StdMid", "wide.png", "tall.png"));
  ASSERT_NE(material, nullptr);
  EXPECT_EQ(material->diffuseMap, Peek("#def_D"));
  EXPECT_EQ(messages_.lines, Lines{files_.Path() + "m.udt: Failed to blend texture files, use default texture"});
  renderer_.GetMaterialPool().Release(material);
  EXPECT_EQ(Texel(renderer_.GetDefaultMaterial()->diffuseMap, 0, 0), 0xFF7F7F7Fu);  // still alive
}

}  // namespace
