// The pieces under every loader: the shared pool, canonical paths, the text
// file reader and the material type table.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "render/MaterialData.h"
#include "render/PathData.h"
#include "render/RendererFixture.h"
#include "render/ResourcePool.h"
#include "render/TextFileLoader.h"

namespace {

class RecordingPool : public SharedResourceManagerBase<int*> {
 public:
  std::vector<int*> deleted;

 protected:
  void DeleteResource(int* resource) override { deleted.push_back(resource); }
};

std::string Normalized(std::string path) {
  PathData::NormalizePath(&path);
  return path;
}

TEST(ResourcePoolTest, CountsAndTheLastReleaseDeletesOnce) {
  RecordingPool pool;
  int a = 0, b = 0;
  EXPECT_EQ(pool.Acquire("k"), nullptr);
  pool.Add("k", &a);
  pool.Add("k", &b);  // the first entry stays
  pool.Add("n", nullptr);
  EXPECT_EQ(pool.Acquire("k"), &a);
  EXPECT_EQ(pool.Acquire("k"), &a);
  EXPECT_EQ(pool.Count("k"), 3);
  pool.Release(&b);
  pool.Release(nullptr);
  pool.Release(&a);
  pool.Release(&a);
  EXPECT_TRUE(pool.deleted.empty());
  pool.Release(&a);
  pool.Release(&a);
  EXPECT_EQ(pool.deleted, std::vector<int*>{&a});
  EXPECT_EQ(pool.Size(), 0u);
}

TEST(ResourcePoolTest, ReleaseAllDeletesEveryResourceOnceWhateverItsCount) {
  RecordingPool pool;
  int a = 0, b = 0;
  pool.Add("b", &b);
  pool.Add("a", &a);
  pool.Acquire("a");
  pool.ReleaseAll();
  EXPECT_EQ(pool.deleted, (std::vector<int*>{&a, &b}));
  EXPECT_EQ(pool.Size(), 0u);
}

TEST(PathDataTest, SpellingsOfOneFileGiveOneKey) {
  std::string expected = std::filesystem::current_path().string() + "/data/a.png";
  for (char& c : expected) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  for (const char* spelling : {"./data/a.png", "data\\a.png", "DATA/A.PNG", "data/x/../a.png", ".\\data//./a.png"}) {
    EXPECT_EQ(Normalized(spelling), expected) << spelling;
  }
  EXPECT_EQ(Normalized("/Opt/Game\\Data/./b/../C.X"), "/opt/game/data/c.x");
  EXPECT_EQ(Normalized("\\a\\b\\c\\..\\..\\d/"), "/a/d/");
  EXPECT_EQ(Normalized("/D\xC3\x84t/\xC3\x9C.PNG"), "/d\xC3\x84t/\xC3\x9C.png");  // only A to Z are lowered
}

TEST(PathDataTest, ParentsAboveTheRootStay) {
  EXPECT_EQ(Normalized("/a/../../b.png"), "/../b.png");
  EXPECT_EQ(Normalized("/../../x"), "/../../x");
  std::string path = "/";
  for (int i = 0; i < 100000; ++i) path += "d/";
  for (int i = 0; i < 100001; ++i) path += "../";
  EXPECT_EQ(Normalized(path + "x"), "/../x");
}

TEST(TextFileLoaderTest, LinesEndingsAndUnreadableFiles) {
  ScratchDirectory files;
  TextFileLoader loader;
  const auto lines = [&](const std::string& text) {
    EXPECT_TRUE(loader.Load(files.WriteText("t.txt", text).c_str()));
    std::vector<std::string> out;
    for (std::size_t i = 0; i < loader.GetLineCount(); ++i) out.push_back(loader.GetLine(i));
    return out;
  };
  const std::vector<std::string> expected{"a", "", "b c", "last"};
  EXPECT_EQ(lines("a\n\nb c\nlast"), expected);
  EXPECT_EQ(lines("a\r\n\r\nb c\r\nlast\r\n"), expected);
  EXPECT_EQ(lines(std::string(3000, 'x') + "\nend\n"),
            (std::vector<std::string>{std::string(2047, 'x'), std::string(953, 'x'), "end"}));

  EXPECT_FALSE(loader.Load((files.Path() + "missing.txt").c_str()));
  EXPECT_EQ(loader.GetLineCount(), 0u);
  EXPECT_EQ(loader.GetLine(0), "");
  EXPECT_FALSE(loader.Load(files.Path().c_str()));  // a directory
}

TEST(MaterialTypeTest, NamesMatchExactlyAndFlagsShapeTheFixedColours) {
  EXPECT_EQ(FindMaterialType("StdMid+"), 2);
  EXPECT_EQ(FindMaterialType("stdmid+"), -1);
  EXPECT_EQ(FindMaterialType("PlainOCR"), -1);
  EXPECT_STREQ(GetMaterialType(kMaterialTypePlainOcr).technique, "T_PlainOCR");
  EXPECT_TRUE(GetMaterialType(FindMaterialType("CharMid")).gpv);
  EXPECT_FALSE(GetMaterialType(FindMaterialType("CharFull")).gpv);

  MaterialData material;
  material.ambientRate = 0.5f;
  material.specular[0] = 0.5f;
  material.specularPower = 10.0f;
  D3DMATERIAL9 fixed{};
  material.type = FindMaterialType("ToonHair");
  FillFixedMaterial(material, &fixed);
  EXPECT_FLOAT_EQ(fixed.Ambient.g, 0.5f);
  EXPECT_FLOAT_EQ(fixed.Diffuse.r, 0.6f);
  EXPECT_FLOAT_EQ(fixed.Emissive.g, 0.5f);
  EXPECT_FLOAT_EQ(fixed.Specular.r, 0.6f);
  EXPECT_FLOAT_EQ(fixed.Power, 25.0f);
  material.type = FindMaterialType("Hair2");
  FillFixedMaterial(material, &fixed);
  EXPECT_FLOAT_EQ(fixed.Diffuse.b, 0.8f);
  EXPECT_FLOAT_EQ(fixed.Power, 80.0f);
}

}  // namespace
