// The game on a copy of the scene data with one file missing, cut short or
// overwritten with garbage: it starts, says what failed in "Error" boxes,
// and plays on with what it has.

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/AppFixture.h"

namespace {

namespace fs = std::filesystem;

enum class Damage { kMissing, kTruncated, kGarbage };

struct BrokenFile {
  const char* path;  // below data/
  Damage damage;
  const char* expectedMessage;  // part of one box's text
  std::function<void(TestApp&)> check;
};

void Break(const fs::path& file, Damage damage) {
  if (damage == Damage::kMissing) {
    fs::remove(file);
    return;
  }
  if (damage == Damage::kTruncated) {
    fs::resize_file(file, fs::file_size(file) / 2);
    return;
  }
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  for (int i = 0; i < 4096; ++i) out.put(static_cast<char>((i * 131 + 7) & 0xFF));
}

std::size_t CountKind(const TestApp& app, const PropKind* kind) {
  std::size_t count = 0;
  for (const SceneProp* prop : app.GetProps()) count += prop->kind == kind ? 1 : 0;
  return count;
}

const BrokenFile kCases[] = {
    {"sound/exp.wav", Damage::kMissing, "exp.wav",
     [](TestApp& app) {
       EXPECT_EQ(app.GetSceneResources().explosionSound, nullptr);
       EXPECT_NE(app.GetSceneResources().hitSound, nullptr);
     }},
    {"sound/dong.wav", Damage::kTruncated, "dong.wav",
     [](TestApp& app) { EXPECT_EQ(app.GetSceneResources().hitSound, nullptr); }},
    {"map/test_map.x", Damage::kTruncated, "Failed to Create PhysicsSource",
     [](TestApp& app) {
       EXPECT_EQ(app.GetPropKind(kPropLevel).source, nullptr);
       EXPECT_EQ(app.GetProps().size(), 42u);  // no level prop
       EXPECT_EQ(app.GetCharacters().size(), 20u);
     }},
    {"map/lightmap.png", Damage::kGarbage, "Failed to Load Texture",
     [](TestApp& app) { EXPECT_NE(app.GetPropKind(kPropLevel).mesh, nullptr); }},
    {"char/body.pose", Damage::kMissing, "Failed to init character",
     [](TestApp& app) {
       EXPECT_TRUE(app.GetCharacters().empty());
       EXPECT_EQ(app.GetProps().size(), 43u);
     }},
    {"char/body.bone", Damage::kTruncated, "Failed to init character",
     [](TestApp& app) { EXPECT_TRUE(app.GetCharacters().empty()); }},
    {"char/tinpira1.udt", Damage::kGarbage, "tinpira1",
     [](TestApp& app) { EXPECT_EQ(app.GetCharacters().size(), 20u); }},
    {"obj/smiley.x", Damage::kMissing, "Failed to load mesh file",
     [](TestApp& app) {
       // The balls still roll; they are only not drawn.
       EXPECT_NE(app.GetPropKind(kPropR).source, nullptr);
       EXPECT_EQ(app.GetPropKind(kPropR).mesh, nullptr);
       EXPECT_EQ(CountKind(app, &app.GetPropKind(kPropR)), 6u);
     }},
    {"effect/blood1.png", Damage::kTruncated, "Failed to Load Texture",
     [](TestApp& app) { EXPECT_EQ(app.GetSceneResources().effectTextures[kTextureBlood1], nullptr); }},
};

class AppMainBrokenDataTest : public AppTest, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    root_ = fs::temp_directory_path() / ("grapple-broken-" + std::to_string(getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_);
    fs::copy(fs::path(APP_TEST_DATA_ROOT) / "data", root_ / "data", fs::copy_options::recursive);
    ASSERT_EQ(chdir(root_.c_str()), 0);
  }
  void TearDown() override {
    if (chdir(APP_TEST_DATA_ROOT) == 0) fs::remove_all(root_);
    AppTest::TearDown();
  }
  fs::path root_;
};

TEST_P(AppMainBrokenDataTest, StartsReportsAndPlaysOn) {
  const BrokenFile& broken = kCases[GetParam()];
  Break(root_ / "data" / broken.path, broken.damage);
  TestApp app;
  app.maxFrames = 3;
  bool checked = false;
  app.afterFrame = [&](TestApp& self) {
    if (self.frames != 2) return;
    self.GetPhysics().FinishStep();
    broken.check(self);
    checked = true;
  };
  ASSERT_TRUE(app.Run(nullptr, 60.0f));
  EXPECT_TRUE(checked);
  EXPECT_EQ(app.GetStepCount(), 3u);
  const auto boxes = platform::TakeRecordedMessageBoxes();
  bool found = false;
  for (const auto& box : boxes) {
    EXPECT_EQ(box.caption, "Error");
    found = found || box.text.find(broken.expectedMessage) != std::string::npos;
  }
  EXPECT_TRUE(found) << broken.path << ": no box says " << broken.expectedMessage;
}

INSTANTIATE_TEST_SUITE_P(EachFile, AppMainBrokenDataTest,
                         ::testing::Range(0, static_cast<int>(sizeof(kCases) / sizeof(kCases[0]))));

}  // namespace
