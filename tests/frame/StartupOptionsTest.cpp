// The game's command line and where an installed game keeps its files.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "frame/InstallPaths.h"
#include "frame/StartupOptions.h"

namespace {

bool Parse(std::vector<const char*> arguments, StartupOptions* options, std::string* error) {
  arguments.insert(arguments.begin(), "grapple");
  return ParseStartupOptions(static_cast<int>(arguments.size()), arguments.data(), options, error);
}

TEST(StartupOptionsTest, ReadsTheOptionsAndNoneChangesNothing) {
  StartupOptions none;
  std::string error;
  ASSERT_TRUE(Parse({}, &none, &error));
  EXPECT_FALSE(none.ChoosesDisplay());
  EXPECT_TRUE(none.recordPath.empty() && none.replayPath.empty() && !none.help);

  StartupOptions options;
  ASSERT_TRUE(Parse({"--mode", "fixed", "--size", "1024x768", "--record", "s.rec"}, &options, &error)) << error;
  EXPECT_EQ(options.mode, "fixed");
  EXPECT_EQ(options.width, 1024);
  EXPECT_EQ(options.height, 768);
  EXPECT_EQ(options.recordPath, "s.rec");
  DisplayConfiguration config;
  ApplyModeName(options.mode, &config);
  EXPECT_FALSE(config.useShaders);
  EXPECT_STREQ(ModeName(config), "fixed");
  ApplyModeName("standard", &config);
  EXPECT_STREQ(ModeName(config), "standard");

  StartupOptions help;
  ASSERT_TRUE(Parse({"-h"}, &help, &error));
  EXPECT_TRUE(help.help);
}

TEST(StartupOptionsTest, RefusesMalformedAndConflictingOptions) {
  const std::vector<std::vector<const char*>> bad = {
      {"--bogus"},           {"play"},           {"--mode"},          {"--mode", "ultra"},
      {"--size", "800"},     {"--size", "63x600"}, {"--size", "800x8193"}, {"--size", "+800x600"},
      {"--size", "800x600", "--size", "640x480"}, {"--record", ""},  {"--record", "a", "--replay", "b"},
      {"--replay", "a", "--size", "800x600"},     {"--replay", "a", "--replay", "b"},
  };
  for (const auto& arguments : bad) {
    StartupOptions options;
    std::string error;
    EXPECT_FALSE(Parse(arguments, &options, &error)) << arguments[0];
    EXPECT_FALSE(error.empty());
  }
}

TEST(InstallPathsTest, TheConfigurationStaysBesideAWritableExecutableElseGoesToTheUsersFolder) {
  EXPECT_EQ(ChooseConfigPath("/opt/x.y/grapple.cfg", true, "/xdg", "/home/u"), "/opt/x.y/grapple.cfg");
  EXPECT_EQ(ChooseConfigPath("/usr/bin/grapple.cfg", false, "/xdg", "/home/u"), "/xdg/grapple/grapple.cfg");
  // An unset, empty or relative XDG_CONFIG_HOME means ~/.config.
  for (const char* xdg : {static_cast<const char*>(nullptr), "", "rel/dir"}) {
    EXPECT_EQ(ChooseConfigPath("/usr/bin/grapple.cfg", false, xdg, "/home/u"), "/home/u/.config/grapple/grapple.cfg");
  }
  EXPECT_EQ(ChooseConfigPath("/usr/bin/grapple.cfg", false, nullptr, nullptr), "");
  EXPECT_EQ(InstalledDataRoot("/usr/bin/grapple"), "/usr/share/grapple");
  EXPECT_EQ(InstalledDataRoot("/tmp/a/../b/bin/grapple"), "/tmp/b/share/grapple");
}

TEST(InstallPathsTest, AnInstalledGameEntersItsDataUnlessTheWorkingDirectoryHasData) {
  namespace fs = std::filesystem;
  const fs::path root = fs::temp_directory_path() / ("grapple_install_" + std::to_string(getpid()));
  fs::create_directories(root / "bin");
  fs::create_directories(root / "share/grapple/data");
  fs::create_directories(root / "elsewhere");
  fs::create_directories(root / "with/data");
  const fs::path start = fs::current_path();
  const std::string executable = (root / "bin/grapple").string();

  fs::current_path(root / "with");
  EXPECT_FALSE(EnterInstalledDataRoot(executable));
  EXPECT_EQ(fs::current_path(), root / "with");
  fs::current_path(root / "elsewhere");
  EXPECT_TRUE(EnterInstalledDataRoot(executable));
  EXPECT_EQ(fs::current_path(), root / "share/grapple");

  // The configuration folder is made when the file is first written.
  const std::string config = (root / "xdg/grapple/grapple.cfg").string();
  EXPECT_TRUE(MakeParentFolders(config));
  EXPECT_TRUE(fs::is_directory(root / "xdg/grapple"));
  fs::current_path(start);
  fs::remove_all(root);
}

}  // namespace
