// The standard child controls: push buttons and list boxes. They keep their
// state in their window, tell their parent about clicks and selections with
// WM_COMMAND, and are drawn by the control painter when the queue runs empty.

#include <strings.h>

#include <algorithm>
#include <cstring>

#include "platform/win32/WinUser.h"
#include "platform/win32/WindowRegistry.h"

namespace {

constexpr int kListBorder = 1;  // WS_BORDER
constexpr int kDefaultRowHeight = 16;

platform::ControlPainter g_painter = nullptr;
platform::RowHeightQuery g_rowHeight = nullptr;

int PointX(LPARAM lParam) { return static_cast<SHORT>(LOWORD(static_cast<std::uintptr_t>(lParam))); }
int PointY(LPARAM lParam) { return static_cast<SHORT>(HIWORD(static_cast<std::uintptr_t>(lParam))); }

WORD ControlId(HWND control) { return LOWORD(reinterpret_cast<std::uintptr_t>(control->menu)); }

void Notify(HWND control, WORD code) {
  if (control->parent == nullptr) return;
  SendMessageA(control->parent, WM_COMMAND, MAKELONG(ControlId(control), code), reinterpret_cast<LPARAM>(control));
}

bool Inside(HWND control, int x, int y) {
  return x >= 0 && y >= 0 && x < control->rect.right - control->rect.left && y < control->rect.bottom - control->rect.top;
}

void TakeFocus(HWND control) {
  HWND top = platform::TopLevelOf(control);
  if (top != control && top->focusChild != control) {
    top->focusChild = control;
    platform::InvalidateControls(control);
  }
}

LRESULT FontMessage(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_GETFONT) return reinterpret_cast<LRESULT>(control->font);
  control->font = reinterpret_cast<HFONT>(wParam);
  if (lParam != 0) platform::InvalidateControls(control);
  return 0;
}

LRESULT ButtonProcedure(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      TakeFocus(button);
      button->pressed = true;
      platform::InvalidateControls(button);
      return 0;
    case WM_LBUTTONUP: {
      // A click needs the release over the button that was pressed.
      const bool clicked = button->pressed && Inside(button, PointX(lParam), PointY(lParam));
      button->pressed = false;
      platform::InvalidateControls(button);
      if (clicked) Notify(button, BN_CLICKED);
      return 0;
    }
    case WM_KEYUP:
      if (wParam == static_cast<WPARAM>(VK_SPACE)) Notify(button, BN_CLICKED);
      return 0;
    case WM_SETFONT:
    case WM_GETFONT:
      return FontMessage(button, message, wParam, lParam);
    default:
      return DefWindowProcA(button, message, wParam, lParam);
  }
}

int RowCount(HWND list) { return static_cast<int>(list->items.size()); }

void ScrollToRow(HWND list, int row) {
  if (row < 0) return;
  const int rows = platform::VisibleListRows(list);
  if (row < list->topRow) list->topRow = row;
  if (row >= list->topRow + rows) list->topRow = row - rows + 1;
}

void SelectRow(HWND list, int row, bool notify) {
  if (row == list->selection) return;
  list->selection = row;
  ScrollToRow(list, row);
  platform::InvalidateControls(list);
  if (notify && (list->style & LBS_NOTIFY) != 0) Notify(list, LBN_SELCHANGE);
}

int RowAt(HWND list, int y) {
  if (y < kListBorder) return -1;
  const int row = list->topRow + (y - kListBorder) / platform::ListRowHeight(list);
  return row < RowCount(list) ? row : -1;
}

LRESULT AddRow(HWND list, const char* text) {
  if (text == nullptr) return LB_ERR;
  auto position = list->items.end();
  if ((list->style & LBS_SORT) != 0) {
    position = std::find_if(list->items.begin(), list->items.end(),
                            [text](const std::string& item) { return strcasecmp(item.c_str(), text) > 0; });
  }
  const int row = static_cast<int>(position - list->items.begin());
  list->items.insert(position, text);
  if (list->selection >= row) ++list->selection;
  platform::InvalidateControls(list);
  return row;
}

// The row a navigation key moves the selection to, or -1 for other keys.
int RowForKey(HWND list, int key, int from) {
  const int last = RowCount(list) - 1;
  const int page = std::max(1, platform::VisibleListRows(list) - 1);
  switch (key) {
    case VK_UP: return from < 0 ? 0 : std::max(0, from - 1);
    case VK_DOWN: return from < 0 ? 0 : std::min(last, from + 1);
    case VK_HOME: return 0;
    case VK_END: return last;
    case VK_PRIOR: return std::max(0, from - page);
    case VK_NEXT: return from < 0 ? std::min(last, page) : std::min(last, from + page);
    default: return -1;
  }
}

LRESULT ListKeyDown(HWND list, int key) {
  int from = list->selection;
  if ((list->style & LBS_WANTKEYBOARDINPUT) != 0 && list->parent != nullptr) {
    const int caret = std::max(list->selection, 0);
    const LRESULT answer = SendMessageA(list->parent, WM_VKEYTOITEM,
                                        MAKELONG(static_cast<WORD>(key), static_cast<WORD>(caret)),
                                        reinterpret_cast<LPARAM>(list));
    if (!platform::IsLiveWindow(list)) return 0;  // the parent closed on this key
    if (answer == -2) return 0;                    // the parent handled the key
    if (answer >= 0 && answer < RowCount(list)) from = static_cast<int>(answer);
  }
  if (RowCount(list) == 0) return 0;
  const int row = RowForKey(list, key, from);
  if (row >= 0) SelectRow(list, row, true);
  return 0;
}

LRESULT ListBoxProcedure(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case LB_ADDSTRING:
      return AddRow(list, reinterpret_cast<const char*>(lParam));
    case LB_GETCOUNT:
      return RowCount(list);
    case LB_GETCURSEL:
      return list->selection;
    case LB_SETCURSEL: {
      const int row = static_cast<int>(static_cast<std::intptr_t>(wParam));
      const bool valid = row >= 0 && row < RowCount(list);
      SelectRow(list, valid ? row : -1, false);
      return valid ? row : LB_ERR;
    }
    case LB_GETTEXTLEN:
    case LB_GETTEXT: {
      const int row = static_cast<int>(wParam);
      if (row < 0 || row >= RowCount(list)) return LB_ERR;
      const std::string& text = list->items[static_cast<std::size_t>(row)];
      if (message == LB_GETTEXT && lParam != 0) std::memcpy(reinterpret_cast<char*>(lParam), text.c_str(), text.size() + 1);
      return static_cast<LRESULT>(text.size());
    }
    case LB_GETTOPINDEX:
      return list->topRow;
    case LB_GETITEMHEIGHT:
      return platform::ListRowHeight(list);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      TakeFocus(list);
      const int row = RowAt(list, PointY(lParam));
      if (row >= 0) SelectRow(list, row, true);
      if (!platform::IsLiveWindow(list)) return 0;
      if (message == WM_LBUTTONDBLCLK && (list->style & LBS_NOTIFY) != 0) Notify(list, LBN_DBLCLK);
      return 0;
    }
    case WM_KEYDOWN:
      return ListKeyDown(list, static_cast<int>(wParam));
    case WM_SETFONT:
    case WM_GETFONT:
      return FontMessage(list, message, wParam, lParam);
    default:
      return DefWindowProcA(list, message, wParam, lParam);
  }
}

}  // namespace

namespace platform {

WNDPROC BuiltInControlProcedure(const char* className) {
  if (className == nullptr) return nullptr;
  if (strcasecmp(className, "BUTTON") == 0) return ButtonProcedure;
  if (strcasecmp(className, "LISTBOX") == 0) return ListBoxProcedure;
  return nullptr;
}

HWND KeyboardReceiver(HWND topLevel) {
  if (topLevel != nullptr && IsLiveWindow(topLevel->focusChild)) return topLevel->focusChild;
  return topLevel;
}

void FocusFirstKeyboardChild(HWND topLevel) {
  if (topLevel == nullptr || IsLiveWindow(topLevel->focusChild)) return;
  for (HWND child : ChildrenOf(topLevel)) {
    if (strcasecmp(child->className.c_str(), "LISTBOX") == 0 && (child->style & LBS_WANTKEYBOARDINPUT) != 0) {
      topLevel->focusChild = child;
      return;
    }
  }
}

void InvalidateControls(HWND window) {
  if (HWND top = TopLevelOf(window)) top->needsPaint = true;
}

void PaintInvalidatedWindows() {
  for (HWND window : TopLevelWindows()) {
    if (!window->needsPaint) continue;
    window->needsPaint = false;
    if (g_painter != nullptr && (window->style & WS_VISIBLE) != 0) g_painter(window);
  }
}

void SetControlPainter(ControlPainter painter) { g_painter = painter; }
void SetRowHeightQuery(RowHeightQuery query) { g_rowHeight = query; }

int ListRowHeight(HWND listBox) {
  const int height = g_rowHeight != nullptr && listBox->font != nullptr ? g_rowHeight(listBox->font) : 0;
  return height > 0 ? height : kDefaultRowHeight;
}

int VisibleListRows(HWND listBox) {
  const int inner = listBox->rect.bottom - listBox->rect.top - 2 * kListBorder;
  return std::max(1, inner / ListRowHeight(listBox));
}

}  // namespace platform
