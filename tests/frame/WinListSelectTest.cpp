// The list dialog, driven headless by scripted mouse and keys while its
// message pump runs, and the display-mode choice built on it.

#include "frame/WinUtil.h"

#include <gtest/gtest.h>

#include "frame/StartupConfig.h"
#include "platform/host/ScriptedInput.h"
#include "platform/win32/Automation.h"
#include "platform/win32/SdlBridge.h"
#include "support/HeadlessFixture.h"

namespace {

using WinUtil::WinGuiBase;
using WinUtil::WinListSelect;

// Stands in for the clock while a dialog pumps: every 1 ms sleep of an idle
// pump delivers the script's next step. A dialog still open after many
// steps is closed, so a broken dialog fails its test instead of hanging it.
class ScriptedSleeps : public platform::TimeSource {
 public:
  static constexpr int kGiveUpStep = 500;

  explicit ScriptedSleeps(host::ScriptedInput& script) : script_(script) { platform::SetTimeSource(this); }
  ~ScriptedSleeps() override { platform::SetTimeSource(nullptr); }

  DWORD Now() override { return now_; }
  void Sleep(DWORD milliseconds) override {
    now_ += milliseconds;
    if (++step_ >= kGiveUpStep) {
      gaveUp_ = true;
      WinGuiBase::DestroyAllWindows();
      return;
    }
    script_.Deliver(step_);
  }
  bool GaveUp() const { return gaveUp_; }

 private:
  host::ScriptedInput& script_;
  DWORD now_ = 1000;
  int step_ = 0;
  bool gaveUp_ = false;
};

// Client points of the dialog's controls.
constexpr int kOkX = 80;
constexpr int kCancelX = 230;
constexpr int kButtonY = 278;

class WinListSelectTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    ASSERT_EQ(platform::FirstTopLevelWindow(), nullptr) << "scripted input would go to another window";
  }
  void TearDown() override {
    platform::SetWorkAreaForTests(nullptr);
    HeadlessTest::TearDown();
  }

  // Opens a dialog with the nine display modes, runs its pump until it
  // closes, and returns its selection.
  int RunDialog(host::ScriptedInput& script) {
    WinListSelect dialog;
    EXPECT_TRUE(dialog.Create(nullptr));
    for (int row = 0; row < kDisplayModeCount; ++row) EXPECT_TRUE(dialog.AddItem(GetDisplayMode(row).text));
    EXPECT_EQ(dialog.GetCount(), kDisplayModeCount);
    rowHeight_ = static_cast<int>(SendMessageA(dialog.GetListBox(), LB_GETITEMHEIGHT, 0, 0));
    EXPECT_GE(rowHeight_, 8);
    ScriptedSleeps sleeps(script);
    while (dialog.HasWindow()) WinGuiBase::PumpMessages();
    EXPECT_FALSE(sleeps.GaveUp()) << "the dialog did not close by itself";
    EXPECT_EQ(dialog.GetWindow(), nullptr);
    return dialog.GetSelection();
  }

  // A click at a client point of the dialog at a script step.
  static void Click(host::ScriptedInput& script, int step, int x, int y) {
    script.MouseMove(step, x, y);
    script.ButtonDown(step, VK_LBUTTON);
    script.ButtonUp(step, VK_LBUTTON);
  }
  // The list's rows are 18 pixels high with the dialog's font (checked by
  // RunDialog through the row height the list reports).
  static int RowY(int row) { return 5 + 1 + row * kRowHeight + kRowHeight / 2; }

  static constexpr int kRowHeight = 18;
  int rowHeight_ = 0;
};

TEST_F(WinListSelectTest, OkTakesTheClickedRow) {
  host::ScriptedInput script;
  Click(script, 2, 60, RowY(4));
  Click(script, 4, kOkX, kButtonY);
  EXPECT_EQ(RunDialog(script), 4);
  EXPECT_EQ(rowHeight_, kRowHeight);
}

TEST_F(WinListSelectTest, OkWithoutARowGivesNoSelection) {
  host::ScriptedInput script;
  Click(script, 2, kOkX, kButtonY);
  EXPECT_EQ(RunDialog(script), -1);
}

TEST_F(WinListSelectTest, CancelGivesNoSelectionEvenWithARowSelected) {
  host::ScriptedInput script;
  Click(script, 2, 60, RowY(1));
  Click(script, 4, kCancelX, kButtonY);
  EXPECT_EQ(RunDialog(script), -1);
}

TEST_F(WinListSelectTest, TheCaptionsCloseButtonGivesNoSelection) {
  host::ScriptedInput script;
  Click(script, 2, 60, RowY(2));
  script.CloseWindow(4);
  EXPECT_EQ(RunDialog(script), -1);
}

TEST_F(WinListSelectTest, ADoubleClickOnARowDecidesAtOnce) {
  host::ScriptedInput script;
  script.MouseMove(2, 60, RowY(6));
  script.DoubleClick(2, VK_LBUTTON);
  EXPECT_EQ(RunDialog(script), 6);
}

TEST_F(WinListSelectTest, ArrowKeysChooseARowAndReturnDecides) {
  host::ScriptedInput script;
  script.KeyTap(2, VK_DOWN);  // row 0
  script.KeyTap(4, VK_DOWN);  // row 1
  script.KeyTap(6, VK_DOWN);  // row 2
  script.KeyTap(8, VK_UP);    // row 1
  script.KeyTap(10, VK_RETURN);
  EXPECT_EQ(RunDialog(script), 1);
}

TEST_F(WinListSelectTest, ReturnAfterAClickDecidesWithTheClickedRow) {
  host::ScriptedInput script;
  Click(script, 2, 60, RowY(7));
  script.KeyTap(4, VK_RETURN);
  EXPECT_EQ(RunDialog(script), 7);
}

// The client area's top-left corner on the screen for a given work area.
POINT PlacementIn(const RECT& workArea) {
  platform::SetWorkAreaForTests(&workArea);
  WinListSelect dialog;
  POINT corner{-1, -1};
  if (dialog.Create(nullptr)) {
    corner = POINT{0, 0};
    ClientToScreen(dialog.GetWindow(), &corner);
  }
  return corner;
}

TEST_F(WinListSelectTest, TheWindowIsPlacedInsideTheWorkArea) {
  POINT corner = PlacementIn(RECT{0, 0, 1024, 768});
  EXPECT_EQ(corner.x, 50);
  EXPECT_EQ(corner.y, 50);
  // A panel on the left or top pushes the window right or down.
  corner = PlacementIn(RECT{120, 80, 1024, 768});
  EXPECT_EQ(corner.x, 120);
  EXPECT_EQ(corner.y, 80);
  // A small work area pulls it back so that all 300 x 300 fit.
  corner = PlacementIn(RECT{0, 0, 330, 320});
  EXPECT_EQ(corner.x, 30);
  EXPECT_EQ(corner.y, 20);
}

TEST_F(WinListSelectTest, TheWindowHasTheFixedClientSizeAndCreateRefusesASecondWindow) {
  WinListSelect dialog;
  ASSERT_TRUE(dialog.Create(nullptr));
  RECT client{};
  ASSERT_TRUE(GetClientRect(dialog.GetWindow(), &client));
  EXPECT_EQ(client.right, 300);
  EXPECT_EQ(client.bottom, 300);
  HWND first = dialog.GetWindow();
  EXPECT_FALSE(dialog.Create(nullptr));
  EXPECT_EQ(dialog.GetWindow(), first);
  // The controls use the shared font.
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(dialog.GetListBox(), WM_GETFONT, 0, 0)), WinGuiBase::GetSharedFont());
}

TEST_F(WinListSelectTest, DestroyAllWindowsClosesEveryDialogAndTheLastObjectTakesTheFont) {
  {
    WinListSelect first;
    WinListSelect second;
    EXPECT_NE(WinGuiBase::GetSharedFont(), nullptr);
    ASSERT_TRUE(first.Create(nullptr));
    ASSERT_TRUE(second.Create(nullptr));
    HWND firstWindow = first.GetWindow();
    WinGuiBase::DestroyAllWindows();
    EXPECT_FALSE(first.HasWindow());
    EXPECT_FALSE(second.HasWindow());
    EXPECT_FALSE(IsWindow(firstWindow));
    EXPECT_FALSE(first.AddItem("too late"));
    // A closed dialog can be opened again.
    ASSERT_TRUE(first.Create(nullptr));
  }
  EXPECT_EQ(WinGuiBase::GetSharedFont(), nullptr);
  EXPECT_EQ(platform::FirstTopLevelWindow(), nullptr);
}

class ChooseDisplayModeTest : public WinListSelectTest {
 protected:
  void SetUp() override {
    WinListSelectTest::SetUp();
    saved_ = GetDisplayConfiguration();
    GetDisplayConfiguration() = DisplayConfiguration{640, 480, true, true};
  }
  void TearDown() override {
    GetDisplayConfiguration() = saved_;
    WinListSelectTest::TearDown();
  }
  static bool Choose(host::ScriptedInput& script) {
    ScriptedSleeps sleeps(script);
    const bool chosen = ChooseDisplayMode(nullptr);
    EXPECT_FALSE(sleeps.GaveUp());
    return chosen;
  }
  DisplayConfiguration saved_;
};

TEST_F(ChooseDisplayModeTest, TheLastRowSelectsTheFixedPipelineAtTheLargestSize) {
  host::ScriptedInput script;
  script.KeyTap(2, VK_END);
  script.KeyTap(4, VK_RETURN);
  ASSERT_TRUE(Choose(script));
  const DisplayConfiguration& c = GetDisplayConfiguration();
  EXPECT_EQ(c.width, 1280);
  EXPECT_EQ(c.height, 960);
  EXPECT_FALSE(c.useShaders);
  EXPECT_FALSE(c.highQuality);
}

TEST_F(ChooseDisplayModeTest, ADoubleClickOnTheFirstRowSelectsBestQualityAtTheSmallestSize) {
  host::ScriptedInput script;
  script.MouseMove(2, 60, 10);
  script.DoubleClick(2, VK_LBUTTON);
  ASSERT_TRUE(Choose(script));
  const DisplayConfiguration& c = GetDisplayConfiguration();
  EXPECT_EQ(c.width, 800);
  EXPECT_EQ(c.height, 600);
  EXPECT_TRUE(c.useShaders);
  EXPECT_TRUE(c.highQuality);
}

TEST_F(ChooseDisplayModeTest, CancelLeavesTheConfigurationAlone) {
  host::ScriptedInput script;
  script.KeyTap(2, VK_DOWN);
  Click(script, 4, kCancelX, kButtonY);
  EXPECT_FALSE(Choose(script));
  EXPECT_EQ(GetDisplayConfiguration().width, 640);
  EXPECT_EQ(GetDisplayConfiguration().height, 480);
}

}  // namespace
