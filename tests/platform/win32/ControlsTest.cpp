// Push buttons and list boxes: their messages, the routing of mouse and keys
// to them, their notifications, and their drawing.

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/host/ScriptedInput.h"
#include "platform/win32/WinGdi.h"
#include "platform/win32/Windows.h"
#include "support/HeadlessFixture.h"

namespace {

struct Notification {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

std::vector<Notification> g_parentMessages;
// What the parent answers to WM_VKEYTOITEM; -3 means "destroy the window".
LRESULT g_keyAnswer = -1;

LRESULT ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND || message == WM_VKEYTOITEM || message == WM_LBUTTONDOWN ||
      message == WM_LBUTTONDBLCLK) {
    g_parentMessages.push_back(Notification{window, message, wParam, lParam});
  }
  if (message == WM_VKEYTOITEM) {
    if (g_keyAnswer == -3) {
      DestroyWindow(window);
      return -2;
    }
    return g_keyAnswer;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

HMENU Id(int id) { return reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(id)); }

constexpr DWORD kListStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | LBS_NOTIFY | LBS_WANTKEYBOARDINPUT;

class ControlsTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    g_parentMessages.clear();
    g_keyAnswer = -1;
    parent_ = CreateShownTestWindow("ControlsParent", ParentProc);
    ASSERT_NE(parent_, nullptr);
    // The list box: client (10, 10) to (210, 110), 100 pixels high.
    list_ = CreateWindowExA(0, "LISTBOX", "LIST", kListStyle, 10, 10, 200, 100, parent_, Id(7), nullptr, nullptr);
    button_ = CreateWindowExA(0, "BUTTON", "OK", WS_CHILD | WS_VISIBLE, 10, 150, 100, 30, parent_, Id(3), nullptr,
                              nullptr);
    ASSERT_NE(list_, nullptr);
    ASSERT_NE(button_, nullptr);
    ShowWindow(parent_, SW_SHOW);  // the list box takes the keyboard
    Drain();
  }
  void TearDown() override {
    if (IsWindow(parent_)) DestroyWindow(parent_);
    Drain();
    HeadlessTest::TearDown();
  }

  static void Drain() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }
  // Delivers every frame of the script, then dispatches what came.
  static void Run(host::ScriptedInput& script) {
    for (int frame = 0; frame <= script.LastFrame(); ++frame) script.Deliver(frame);
    Drain();
  }
  void AddRows(int count) {
    static const char* const kRows[] = {"zero", "one", "two", "three", "four", "five", "six", "seven", "eight", "nine"};
    for (int i = 0; i < count; ++i) SendMessageA(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kRows[i % 10]));
  }
  // The client y of the middle of a visible row of the list.
  int RowCentreY(int row) const {
    const int height = static_cast<int>(SendMessageA(list_, LB_GETITEMHEIGHT, 0, 0));
    return 10 + 1 + row * height + height / 2;
  }
  int Selection() const { return static_cast<int>(SendMessageA(list_, LB_GETCURSEL, 0, 0)); }
  std::vector<WORD> CommandCodesFrom(int id) const {
    std::vector<WORD> codes;
    for (const Notification& n : g_parentMessages) {
      if (n.message == WM_COMMAND && LOWORD(n.wParam) == id) codes.push_back(HIWORD(n.wParam));
    }
    return codes;
  }

  HWND parent_ = nullptr;
  HWND list_ = nullptr;
  HWND button_ = nullptr;
};

TEST_F(ControlsTest, ListBoxKeepsRowsAndSelectionByMessage) {
  EXPECT_EQ(SendMessageA(list_, LB_GETCURSEL, 0, 0), LB_ERR);
  EXPECT_EQ(SendMessageA(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("first")), 0);
  EXPECT_EQ(SendMessageA(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("second")), 1);
  EXPECT_EQ(SendMessageA(list_, LB_ADDSTRING, 0, 0), LB_ERR);
  EXPECT_EQ(SendMessageA(list_, LB_GETCOUNT, 0, 0), 2);
  char text[16] = {};
  EXPECT_EQ(SendMessageA(list_, LB_GETTEXT, 1, reinterpret_cast<LPARAM>(text)), 6);
  EXPECT_STREQ(text, "second");
  EXPECT_EQ(SendMessageA(list_, LB_GETTEXT, 2, reinterpret_cast<LPARAM>(text)), LB_ERR);

  EXPECT_EQ(SendMessageA(list_, LB_SETCURSEL, 1, 0), 1);
  EXPECT_EQ(Selection(), 1);
  // An index out of range clears the selection, as -1 does.
  EXPECT_EQ(SendMessageA(list_, LB_SETCURSEL, 5, 0), LB_ERR);
  EXPECT_EQ(Selection(), -1);
  // Selecting by message does not notify the parent.
  EXPECT_TRUE(CommandCodesFrom(7).empty());
}

TEST_F(ControlsTest, SortedListBoxInsertsInOrderAndKeepsTheSelectedRow) {
  HWND sorted = CreateWindowExA(0, "LISTBOX", "", WS_CHILD | LBS_SORT, 0, 0, 50, 50, parent_, Id(9), nullptr, nullptr);
  ASSERT_NE(sorted, nullptr);
  SendMessageA(sorted, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("beta"));
  SendMessageA(sorted, LB_SETCURSEL, 0, 0);
  EXPECT_EQ(SendMessageA(sorted, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Alpha")), 0);
  EXPECT_EQ(SendMessageA(sorted, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("gamma")), 2);
  EXPECT_EQ(SendMessageA(sorted, LB_GETCURSEL, 0, 0), 1);  // still "beta"
}

TEST_F(ControlsTest, ClicksReachTheControlUnderThePointerInItsOwnCoordinates) {
  AddRows(4);
  host::ScriptedInput script;
  script.MouseMove(0, 40, RowCentreY(2));
  script.ButtonDown(0, VK_LBUTTON);
  script.ButtonUp(0, VK_LBUTTON);
  // Below the last row: selects nothing.
  script.MouseMove(0, 40, RowCentreY(6));
  script.ButtonDown(0, VK_LBUTTON);
  script.ButtonUp(0, VK_LBUTTON);
  // Outside every control: the parent gets the press itself.
  script.MouseMove(0, 300, 5);
  script.ButtonDown(0, VK_LBUTTON);
  script.ButtonUp(0, VK_LBUTTON);
  Run(script);

  EXPECT_EQ(Selection(), 2);
  EXPECT_EQ(CommandCodesFrom(7), std::vector<WORD>{LBN_SELCHANGE});
  ASSERT_EQ(g_parentMessages.back().message, WM_LBUTTONDOWN);
  EXPECT_EQ(LOWORD(static_cast<std::uintptr_t>(g_parentMessages.back().lParam)), 300);
  for (const Notification& n : g_parentMessages) {
    if (n.message == WM_COMMAND) {
      EXPECT_EQ(n.lParam, reinterpret_cast<LPARAM>(list_));
    }
  }
}

TEST_F(ControlsTest, AButtonClicksOnlyWhenReleasedOverItself) {
  host::ScriptedInput script;
  script.MouseMove(0, 20, 160);
  script.ButtonDown(0, VK_LBUTTON);
  script.MouseMove(0, 300, 160);  // dragged off before release
  script.ButtonUp(0, VK_LBUTTON);
  Run(script);
  EXPECT_TRUE(CommandCodesFrom(3).empty());

  host::ScriptedInput click;
  click.MouseMove(0, 100, 170);
  click.ButtonDown(0, VK_LBUTTON);
  click.ButtonUp(0, VK_LBUTTON);
  Run(click);
  EXPECT_EQ(CommandCodesFrom(3), std::vector<WORD>{BN_CLICKED});
}

TEST_F(ControlsTest, DoubleClickOnARowSelectsItThenNotifies) {
  AddRows(3);
  host::ScriptedInput script;
  script.MouseMove(0, 40, RowCentreY(1));
  script.DoubleClick(0, VK_LBUTTON);
  Run(script);
  EXPECT_EQ(Selection(), 1);
  EXPECT_EQ(CommandCodesFrom(7), (std::vector<WORD>{LBN_SELCHANGE, LBN_DBLCLK}));
}

TEST_F(ControlsTest, WindowsWithoutControlsSeeADoubleClickAsTwoPresses) {
  host::ScriptedInput script;
  script.MouseMove(0, 300, 5);
  script.DoubleClick(0, VK_LBUTTON);
  Run(script);
  int presses = 0;
  for (const Notification& n : g_parentMessages) {
    EXPECT_NE(n.message, WM_LBUTTONDBLCLK);
    if (n.message == WM_LBUTTONDOWN) ++presses;
  }
  EXPECT_EQ(presses, 2);
}

TEST_F(ControlsTest, ArrowKeysMoveTheSelectionWithinTheRowsAndKeepItVisible) {
  AddRows(10);  // 10 rows of 16 pixels do not fit into 98
  host::ScriptedInput script;
  script.KeyTap(0, VK_DOWN);  // from nothing to the first row
  script.KeyTap(2, VK_UP);    // stays on the first row
  script.KeyTap(4, VK_END);
  script.KeyTap(6, VK_DOWN);  // stays on the last row
  Run(script);
  EXPECT_EQ(Selection(), 9);
  const int top = static_cast<int>(SendMessageA(list_, LB_GETTOPINDEX, 0, 0));
  const int height = static_cast<int>(SendMessageA(list_, LB_GETITEMHEIGHT, 0, 0));
  EXPECT_GT(top, 0);
  EXPECT_LE((9 - top + 1) * height, 98);  // the last row is whole inside the border
  // Every key was offered to the parent first, with its virtual-key code.
  std::vector<int> offered;
  for (const Notification& n : g_parentMessages) {
    if (n.message == WM_VKEYTOITEM) offered.push_back(LOWORD(n.wParam));
  }
  EXPECT_EQ(offered, (std::vector<int>{VK_DOWN, VK_UP, VK_END, VK_DOWN}));
}

TEST_F(ControlsTest, TheParentsAnswerToAKeyDecidesWhatTheListDoes) {
  AddRows(5);
  host::ScriptedInput script;
  script.KeyTap(0, VK_DOWN);
  g_keyAnswer = -2;  // handled by the parent: the list does nothing
  Run(script);
  EXPECT_EQ(Selection(), -1);

  g_keyAnswer = 2;  // move from row 2
  host::ScriptedInput fromRow;
  fromRow.KeyTap(0, VK_DOWN);
  Run(fromRow);
  EXPECT_EQ(Selection(), 3);

  // A parent that closes itself on the key ends the list's work safely.
  g_keyAnswer = -3;
  host::ScriptedInput closing;
  closing.KeyTap(0, VK_RETURN);
  Run(closing);
  EXPECT_FALSE(IsWindow(parent_));
  EXPECT_FALSE(IsWindow(list_));
}

TEST_F(ControlsTest, WorkAreaIsTheDisplaysUsableBoundsUnlessReplaced) {
  RECT area{};
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0));
  SDL_Rect usable{};
  ASSERT_EQ(SDL_GetDisplayUsableBounds(0, &usable), 0);
  EXPECT_EQ(area.left, usable.x);
  EXPECT_EQ(area.right, usable.x + usable.w);
  EXPECT_EQ(area.bottom, usable.y + usable.h);

  const RECT replaced{100, 50, 400, 350};
  platform::SetWorkAreaForTests(&replaced);
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0));
  platform::SetWorkAreaForTests(nullptr);
  EXPECT_EQ(area.left, 100);
  EXPECT_EQ(area.bottom, 350);
  EXPECT_FALSE(SystemParametersInfoA(SPI_GETWORKAREA, 0, nullptr, 0));
}

// The window surface's colour at a client point, as 0xRRGGBB.
std::uint32_t PixelAt(HWND window, int x, int y) {
  SDL_Surface* surface = SDL_GetWindowSurface(platform::SdlWindowOf(window));
  if (surface == nullptr) return 0xFFFFFFFFu;
  std::uint32_t raw = 0;
  SDL_LockSurface(surface);
  const auto* row = static_cast<const std::uint8_t*>(surface->pixels) + y * surface->pitch;
  std::memcpy(&raw, row + x * surface->format->BytesPerPixel, surface->format->BytesPerPixel);
  SDL_UnlockSurface(surface);
  Uint8 r = 0, g = 0, b = 0;
  SDL_GetRGB(raw, surface->format, &r, &g, &b);
  return (static_cast<std::uint32_t>(r) << 16) | (static_cast<std::uint32_t>(g) << 8) | b;
}

TEST_F(ControlsTest, ControlsWithAFontAreDrawnWhenTheQueueRunsEmpty) {
  HFONT font = CreateFontA(18, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH, "Arial");
  ASSERT_NE(font, nullptr);
  SendMessageA(list_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  SendMessageA(button_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  EXPECT_EQ(SendMessageA(list_, LB_GETITEMHEIGHT, 0, 0), 18);  // the font's line height
  AddRows(3);
  SendMessageA(list_, LB_SETCURSEL, 1, 0);
  Drain();

  EXPECT_EQ(PixelAt(parent_, 300, 5), 0xC0C0C0u);        // the light-gray background
  EXPECT_EQ(PixelAt(parent_, 205, RowCentreY(0)), 0xFFFFFFu);  // an unselected row's right end
  EXPECT_NE(PixelAt(parent_, 205, RowCentreY(1)), 0xFFFFFFu);  // the selected row is highlighted
  // Text was drawn: some pixel of the first row's start differs from the row.
  bool inked = false;
  for (int x = 12; x < 60 && !inked; ++x) {
    for (int y = RowCentreY(0) - 6; y < RowCentreY(0) + 6; ++y) inked = inked || PixelAt(parent_, x, y) != 0xFFFFFFu;
  }
  EXPECT_TRUE(inked);

  // A deleted font leaves the control with the default row height.
  SendMessageA(list_, WM_SETFONT, 0, FALSE);
  SendMessageA(button_, WM_SETFONT, 0, FALSE);
  EXPECT_TRUE(DeleteObject(font));
  EXPECT_FALSE(DeleteObject(font));
  EXPECT_TRUE(DeleteObject(GetStockObject(LTGRAY_BRUSH)));
  EXPECT_EQ(SendMessageA(list_, LB_GETITEMHEIGHT, 0, 0), 16);
}

}  // namespace
