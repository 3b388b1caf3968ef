#include "frame/WinUtil.h"

#include <algorithm>
#include <cstdint>

namespace WinUtil {
namespace {

constexpr const char* kClassName = "SimpleGuiWindow";
constexpr const char* kTitle = "Config";
constexpr DWORD kWindowStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;  // fixed size, no maximise box
constexpr DWORD kListStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT |
                             LBS_WANTKEYBOARDINPUT;
constexpr int kFontHeight = 18;

HFONT g_sharedFont = nullptr;
bool g_classRegistered = false;

HFONT CreateSharedFont() {
  HFONT font = CreateFontA(kFontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "MS Gothic");
  if (font != nullptr) return font;
  return CreateFontA(kFontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_DONTCARE, "Arial");
}

HMENU ControlId(int id) { return reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(id)); }

}  // namespace

std::vector<WinGuiBase*>& WinGuiBase::LiveObjects() {
  static std::vector<WinGuiBase*> objects;
  return objects;
}

WinGuiBase::WinGuiBase() {
  if (LiveObjects().empty() && g_sharedFont == nullptr) g_sharedFont = CreateSharedFont();
  LiveObjects().push_back(this);
}

WinGuiBase::~WinGuiBase() {
  CloseWindow();
  auto& objects = LiveObjects();
  objects.erase(std::remove(objects.begin(), objects.end(), this), objects.end());
  if (objects.empty() && g_sharedFont != nullptr) {
    DeleteObject(g_sharedFont);
    g_sharedFont = nullptr;
  }
}

HFONT WinGuiBase::GetSharedFont() { return g_sharedFont; }

bool WinGuiBase::Create(HINSTANCE instance) {
  if (window_ != nullptr) return false;
  instance_ = instance;

  // Top-left at (50, 50), moved into the work area so the whole client area
  // is on the screen.
  int left = kPreferredLeft;
  int top = kPreferredTop;
  RECT workArea{};
  if (SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0)) {
    left = std::max<int>(left, workArea.left);
    top = std::max<int>(top, workArea.top);
    if (left + clientWidth_ > workArea.right) left = workArea.right - clientWidth_;
    if (top + clientHeight_ > workArea.bottom) top = workArea.bottom - clientHeight_;
  }

  if (!g_classRegistered) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = 0;
    windowClass.lpfnWndProc = SharedWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = kClassName;
    windowClass.hIconSm = LoadIconA(nullptr, IDI_WINLOGO);
    if (RegisterClassExA(&windowClass) == 0) return false;
    g_classRegistered = true;
  }

  const int outerWidth = clientWidth_ + 2 * GetSystemMetrics(SM_CXFIXEDFRAME);
  const int outerHeight = clientHeight_ + 2 * GetSystemMetrics(SM_CYFIXEDFRAME) + GetSystemMetrics(SM_CYCAPTION);
  window_ = CreateWindowExA(0, kClassName, kTitle, kWindowStyle, left, top, outerWidth, outerHeight, nullptr, nullptr,
                            instance, nullptr);
  if (window_ == nullptr) return false;
  if (!OnCreate()) {
    CloseWindow();
    return false;
  }
  ShowWindow(window_, SW_SHOW);
  UpdateWindow(window_);
  return true;
}

void WinGuiBase::CloseWindow() {
  if (window_ == nullptr) return;
  HWND window = window_;
  window_ = nullptr;  // before destroying, so messages sent meanwhile find no object
  ::DestroyWindow(window);
}

LRESULT WinGuiBase::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT WinGuiBase::SharedWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  for (WinGuiBase* object : LiveObjects()) {
    if (!object->IsWindow(window)) continue;
    if (message == WM_CLOSE) {
      object->CloseWindow();
      return 0;
    }
    return object->WindowProc(window, message, wParam, lParam);
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void WinGuiBase::PumpMessages() {
  MSG message;
  bool any = false;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    any = true;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  if (!any) Sleep(1);
}

void WinGuiBase::DestroyAllWindows() {
  for (WinGuiBase* object : LiveObjects()) object->CloseWindow();
}

bool WinListSelect::AddItem(const char* text) {
  if (!HasWindow() || listBox_ == nullptr) return false;
  if (SendMessageA(listBox_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)) < 0) return false;
  ++count_;
  return true;
}

bool WinListSelect::OnCreate() {
  const int w = clientWidth_;
  const int h = clientHeight_;
  const int okWidth = w * 55 / 100;
  HWND ok = CreateWindowExA(0, "BUTTON", "OK", WS_CHILD | WS_VISIBLE, 5, h - 38, okWidth, 33, window_,
                            ControlId(kOkId), instance_, nullptr);
  HWND cancel = CreateWindowExA(0, "BUTTON", "CANCEL", WS_CHILD | WS_VISIBLE, okWidth + 10, h - 38, w - okWidth - 15,
                                33, window_, ControlId(kCancelId), instance_, nullptr);
  listBox_ = CreateWindowExA(0, "LISTBOX", "LIST", kListStyle, 5, 5, w - 10, h - 48, window_, ControlId(kListId),
                             instance_, nullptr);
  if (ok == nullptr || cancel == nullptr || listBox_ == nullptr) return false;
  const WPARAM font = reinterpret_cast<WPARAM>(GetSharedFont());
  for (HWND control : {ok, cancel, listBox_}) SendMessageA(control, WM_SETFONT, font, TRUE);
  count_ = 0;
  selection_ = -1;
  return true;
}

LRESULT WinListSelect::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == kOkId) {
        Decide();
        return 0;
      }
      if (LOWORD(wParam) == kCancelId) {
        CloseWindow();  // the selection stays -1
        return 0;
      }
      if (HIWORD(wParam) == LBN_DBLCLK) {
        Decide();
        return 0;
      }
      break;
    case WM_VKEYTOITEM:
      if (LOWORD(wParam) == VK_RETURN) {
        Decide();
        return -2;  // handled: the list does nothing more with the key
      }
      break;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void WinListSelect::Decide() {
  selection_ = static_cast<int>(SendMessageA(listBox_, LB_GETCURSEL, 0, 0));
  CloseWindow();
}

}  // namespace WinUtil
