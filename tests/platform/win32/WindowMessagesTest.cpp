// Windows, the message queue and the keyboard snapshot, driven by SDL events.

#include <gtest/gtest.h>

#include <vector>

#include "platform/host/ScriptedInput.h"
#include "platform/win32/Windows.h"
#include "support/HeadlessFixture.h"

namespace {

std::vector<MSG> g_received;

LRESULT RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_PAINT && message != WM_MOUSEMOVE) g_received.push_back(MSG{window, message, wParam, lParam, 0, {}});
  if (message == WM_CLOSE) {
    PostQuitMessage(3);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

class WindowMessagesTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    window_ = CreateShownTestWindow("RecordingWindow", RecordingProc);
    ASSERT_NE(window_, nullptr);
    g_received.clear();
  }
  void TearDown() override {
    if (IsWindow(window_)) DestroyWindow(window_);
    DrainQueue();
    HeadlessTest::TearDown();
  }

  // Delivers the script's frame-0 events and dispatches everything queued.
  // Returns the exit code of a WM_QUIT, or -1 when none came.
  int Pump(host::ScriptedInput& script) {
    script.Deliver(0);
    return DrainQueue();
  }
  static int DrainQueue() {
    int quitCode = -1;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        quitCode = static_cast<int>(message.wParam);
        continue;
      }
      DispatchMessageA(&message);
    }
    return quitCode;
  }
  static std::vector<UINT> KeyMessages() {
    std::vector<UINT> kinds;
    for (const MSG& m : g_received) {
      if (m.message >= WM_KEYDOWN && m.message <= WM_SYSKEYUP) kinds.push_back(m.message);
    }
    return kinds;
  }

  HWND window_ = nullptr;
};

TEST_F(WindowMessagesTest, KeysBecomeKeyMessagesAndAltOrF10MakeThemSystemKeys) {
  host::ScriptedInput script;
  script.KeyDown(0, 'A');
  script.KeyUp(0, 'A');
  script.KeyDown(0, VK_F10);
  script.KeyUp(0, VK_F10);
  script.KeyDown(0, VK_LMENU);
  script.KeyDown(0, 'X');
  script.KeyUp(0, 'X');
  script.KeyUp(0, VK_LMENU);
  Pump(script);
  EXPECT_EQ(KeyMessages(), (std::vector<UINT>{WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSKEYUP, WM_SYSKEYDOWN,
                                              WM_SYSKEYDOWN, WM_SYSKEYUP, WM_SYSKEYUP}));
  ASSERT_GE(g_received.size(), 1u);
  EXPECT_EQ(g_received[0].wParam, static_cast<WPARAM>('A'));
}

TEST_F(WindowMessagesTest, TheSnapshotHasSidedAndNeutralModifiersAndMouseButtons) {
  host::ScriptedInput script;
  script.KeyDown(0, VK_RSHIFT);
  script.KeyDown(0, VK_F12);
  script.KeyDown(0, VK_LEFT);
  script.ButtonDown(0, VK_MBUTTON);
  Pump(script);
  BYTE keys[256];
  ASSERT_TRUE(GetKeyboardState(keys));
  for (int vk : {VK_RSHIFT, VK_SHIFT, VK_F12, VK_LEFT, VK_MBUTTON}) EXPECT_EQ(keys[vk] & 0x80, 0x80) << vk;
  for (int vk : {VK_LSHIFT, VK_CONTROL, VK_LBUTTON, VK_RIGHT, int{'A'}}) EXPECT_EQ(keys[vk] & 0x80, 0) << vk;

  host::ScriptedInput release;
  release.KeyUp(0, VK_RSHIFT);
  release.KeyUp(0, VK_F12);
  release.KeyUp(0, VK_LEFT);
  release.ButtonUp(0, VK_MBUTTON);
  Pump(release);
  ASSERT_TRUE(GetKeyboardState(keys));
  for (int vk : {VK_RSHIFT, VK_SHIFT, VK_F12, VK_LEFT, VK_MBUTTON}) EXPECT_EQ(keys[vk] & 0x80, 0) << vk;
}

TEST_F(WindowMessagesTest, WheelMessagesCarryRawDeltas) {
  host::ScriptedInput script;
  script.Wheel(0, 60);
  script.Wheel(0, -240);
  Pump(script);
  std::vector<int> deltas;
  for (const MSG& m : g_received) {
    if (m.message == WM_MOUSEWHEEL) deltas.push_back(GET_WHEEL_DELTA_WPARAM(m.wParam));
  }
  EXPECT_EQ(deltas, (std::vector<int>{60, -240}));
}

TEST_F(WindowMessagesTest, TheQuitMessageComesAfterEverythingQueuedBeforeIt) {
  PostQuitMessage(9);
  PostMessageA(window_, WM_USER, 1, 2);
  MSG message;
  ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, WM_USER);
  ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, WM_QUIT);
  EXPECT_EQ(message.wParam, 9u);
  EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(WindowMessagesTest, TheCloseButtonSendsWmClose) {
  host::ScriptedInput script;
  script.CloseWindow(0);
  EXPECT_EQ(Pump(script), 3);
  EXPECT_TRUE(IsWindow(window_));  // the procedure handled it without destroying
}

TEST_F(WindowMessagesTest, DefaultProcessingClosesTheWindowOnAltF4) {
  SendMessageA(window_, WM_SYSKEYDOWN, VK_F4, LPARAM{1} << 29);
  // The recording procedure posts a quit instead of destroying: its WM_CLOSE arrived.
  ASSERT_FALSE(g_received.empty());
  EXPECT_EQ(g_received.back().message, WM_CLOSE);
  EXPECT_EQ(DrainQueue(), 3);
}

TEST_F(WindowMessagesTest, ClassesRegisterOnceAndWindowsNeedARegisteredClass) {
  WNDCLASSEXA again{};
  again.cbSize = sizeof(again);
  again.lpfnWndProc = RecordingProc;
  again.lpszClassName = "recordingwindow";  // class names ignore case
  EXPECT_EQ(RegisterClassExA(&again), 0);
  EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "x", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr), nullptr);
}

TEST_F(WindowMessagesTest, ClientAndScreenCoordinatesRoundTrip) {
  POINT point{25, 40};
  ASSERT_TRUE(ClientToScreen(window_, &point));
  ASSERT_TRUE(ScreenToClient(window_, &point));
  EXPECT_EQ(point.x, 25);
  EXPECT_EQ(point.y, 40);
  DestroyWindow(window_);
  EXPECT_FALSE(IsWindow(window_));
  EXPECT_FALSE(ScreenToClient(window_, &point));
}

}  // namespace
