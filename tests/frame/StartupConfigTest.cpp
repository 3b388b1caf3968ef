// The display-configuration file: its path beside the executable, reading,
// writing and the rejection of damaged files.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "frame/StartupConfig.h"

namespace {

std::string ConfigPathFor(const std::string& executable, bool* made = nullptr) {
  char path[kConfigPathSize] = {};
  std::strncpy(path, executable.c_str(), sizeof(path) - 1);
  const bool result = MakeConfigPath(path);
  if (made != nullptr) *made = result;
  return path;
}

TEST(ConfigPathTest, TheExtensionOfTheFileNameBecomesCfg) {
  EXPECT_EQ(ConfigPathFor("/usr/games/game.exe"), "/usr/games/game.cfg");
  EXPECT_EQ(ConfigPathFor("/opt/grapple/grapple"), "/opt/grapple/grapple.cfg");
  EXPECT_EQ(ConfigPathFor("grapple"), "grapple.cfg");
  // A dot in a directory is not an extension.
  EXPECT_EQ(ConfigPathFor("/opt/x.y/grapple"), "/opt/x.y/grapple.cfg");
  EXPECT_EQ(ConfigPathFor("/opt/x.y/game.tar.exe"), "/opt/x.y/game.tar.cfg");
}

TEST(ConfigPathTest, ANameEndingInCfgAfterTheCutGetsNoSecondExtension) {
  EXPECT_EQ(ConfigPathFor("/x/game.CFG.exe"), "/x/game.CFG");
  EXPECT_EQ(ConfigPathFor("/x/game.cfg.bin"), "/x/game.cfg");
  // "cfg" without its dot is part of the name, not an extension.
  EXPECT_EQ(ConfigPathFor("/x/mycfg.exe"), "/x/mycfg.cfg");
}

TEST(ConfigPathTest, TheResultMustStayBelowTheBufferSize) {
  bool made = false;
  const std::string directory = "/" + std::string(400, 'd') + "/";
  // 515 characters + ".cfg" = 519, the longest that fits with its terminator.
  const std::string longest = directory + std::string(515 - directory.size(), 'n');
  EXPECT_EQ(ConfigPathFor(longest, &made), longest + ".cfg");
  EXPECT_TRUE(made);
  const std::string tooLong = longest + "n";
  EXPECT_EQ(ConfigPathFor(tooLong, &made), tooLong);
  EXPECT_FALSE(made);
  // Cutting the extension can make room.
  EXPECT_EQ(ConfigPathFor(longest + ".x", &made), longest + ".cfg");
  EXPECT_TRUE(made);
}

class ConfigFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = ::testing::TempDir() + "grapple_config_test_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".cfg";
    saved_ = GetDisplayConfiguration();
    GetDisplayConfiguration() = DisplayConfiguration{640, 480, true, true};
  }
  void TearDown() override {
    std::remove(path_.c_str());
    GetDisplayConfiguration() = saved_;
  }

  void WriteFile(const std::string& bytes) const {
    std::FILE* file = std::fopen(path_.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
  }
  std::string ReadFile() const {
    std::string bytes;
    if (std::FILE* file = std::fopen(path_.c_str(), "rb")) {
      char buffer[256];
      std::size_t got = 0;
      while ((got = std::fread(buffer, 1, sizeof(buffer), file)) > 0) bytes.append(buffer, got);
      std::fclose(file);
    }
    return bytes;
  }
  static bool Unchanged() {
    const DisplayConfiguration& c = GetDisplayConfiguration();
    return c.width == 640 && c.height == 480 && c.useShaders && c.highQuality;
  }

  std::string path_;
  DisplayConfiguration saved_;
};

TEST_F(ConfigFileTest, AStoredFixedPipelineLineSelectsItWithoutAsking) {
  WriteFile("1280,960,0,0");
  ASSERT_TRUE(ReadConfig(path_.c_str()));
  const DisplayConfiguration& c = GetDisplayConfiguration();
  EXPECT_EQ(c.width, 1280);
  EXPECT_EQ(c.height, 960);
  EXPECT_FALSE(c.useShaders);
  EXPECT_FALSE(c.highQuality);
}

TEST_F(ConfigFileTest, WritingAndReadingBackKeepEveryField) {
  GetDisplayConfiguration() = DisplayConfiguration{1024, 768, true, false};
  std::FILE* file = std::fopen(path_.c_str(), "w");
  ASSERT_NE(file, nullptr);
  WriteConfig(file);
  std::fclose(file);
  EXPECT_EQ(ReadFile(), "1024,768,1,0");

  GetDisplayConfiguration() = DisplayConfiguration{};
  ASSERT_TRUE(ReadConfig(path_.c_str()));
  const DisplayConfiguration& c = GetDisplayConfiguration();
  EXPECT_EQ(c.width, 1024);
  EXPECT_EQ(c.height, 768);
  EXPECT_TRUE(c.useShaders);
  EXPECT_FALSE(c.highQuality);
}

TEST_F(ConfigFileTest, OnlyTheFirstLineCountsAndAnyNonZeroFlagIsSet) {
  WriteFile("800,600,7,-1\r\nnot a configuration\n");
  ASSERT_TRUE(ReadConfig(path_.c_str()));
  EXPECT_EQ(GetDisplayConfiguration().width, 800);
  EXPECT_TRUE(GetDisplayConfiguration().useShaders);
  EXPECT_TRUE(GetDisplayConfiguration().highQuality);
}

TEST_F(ConfigFileTest, MissingEmptyAndBinaryFilesAreUnreadable) {
  EXPECT_FALSE(ReadConfig(path_.c_str()));  // not there
  EXPECT_FALSE(ReadConfig(nullptr));
  WriteFile("");
  EXPECT_FALSE(ReadConfig(path_.c_str()));
  WriteFile(std::string("\x7f" "ELF\x02\x01\x01\0\0\0", 10) + std::string(2000, '\xff'));
  EXPECT_FALSE(ReadConfig(path_.c_str()));
  // An overlong first line whose last number runs past the read buffer.
  WriteFile("1024,768,1,0" + std::string(600, '5') + "\n");
  EXPECT_FALSE(ReadConfig(path_.c_str()));
  EXPECT_TRUE(Unchanged());
}

TEST(ConfigLineTest, DamagedLinesAreRejectedAndChangeNothing) {
  const char* const kDamaged[] = {
      "garbage",
      "1024,768,1",             // fewer than four numbers
      "1024,768",
      "1024;768;1;0",           // wrong separator
      "1024 ,768,1,0",          // blank before a separator
      "1024,768,1,0,5",         // a fifth field
      "1024,768,1,0 trailing",  // text after the fourth number
      "99999999999,768,1,0",    // beyond int
      "1024,768,99999999999,0",
      "2147483647,768,1,0",     // larger than any screen
      "1024,9000,1,0",
      "-800,600,1,0",           // negative size
      "0,0,1,0",                // zero size
      "63,600,1,0",             // below the smallest size
      "x800,600,1,0",
      "+,600,1,0",
  };
  for (const char* line : kDamaged) {
    DisplayConfiguration config{640, 480, false, true};
    EXPECT_FALSE(ParseConfigLine(line, &config)) << line;
    EXPECT_EQ(config.width, 640) << line;
    EXPECT_EQ(config.height, 480) << line;
    EXPECT_FALSE(config.useShaders) << line;
  }
}

TEST(ConfigLineTest, SizesAtTheLimitsAndLooseBlanksAreAccepted) {
  DisplayConfiguration config;
  ASSERT_TRUE(ParseConfigLine(" 64,\t8192,+1,0 \r\n", &config));
  EXPECT_EQ(config.width, 64);
  EXPECT_EQ(config.height, 8192);
  EXPECT_TRUE(config.useShaders);
  EXPECT_FALSE(config.highQuality);
}

TEST(ConfigLineTest, AStoredSizeMustFitTheScreen) {
  const DisplayConfiguration config{1280, 960, true, true};
  EXPECT_TRUE(ConfigFitsScreen(config, 1280, 960));
  EXPECT_FALSE(ConfigFitsScreen(config, 1366, 768));
  EXPECT_FALSE(ConfigFitsScreen(config, 1024, 1200));
}

TEST(DisplayModesTest, NineRowsFromBestQualityToFixedPipeline) {
  ASSERT_EQ(kDisplayModeCount, 9);
  for (int row = 0; row < kDisplayModeCount; ++row) {
    const DisplayMode& mode = GetDisplayMode(row);
    const int size = row % 3;
    EXPECT_EQ(mode.width, size == 0 ? 800 : size == 1 ? 1024 : 1280) << row;
    EXPECT_EQ(mode.height, mode.width * 3 / 4) << row;
    EXPECT_EQ(mode.useShaders, row < 6) << row;
    EXPECT_EQ(mode.highQuality, row < 3) << row;
    const std::string expected = std::to_string(mode.width) + "x" + std::to_string(mode.height) + " " +
                                 (row < 3 ? "BestQuality" : row < 6 ? "Standard" : "FixedPipeline");
    EXPECT_EQ(mode.text, expected);
  }
}

}  // namespace
