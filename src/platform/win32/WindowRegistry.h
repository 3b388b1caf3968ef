#pragma once
// Live windows and registered classes of the window layer (platform-internal).

#include <string>
#include <vector>

#include "platform/win32/WinUser.h"

struct SDL_Window;

// A window: a top-level window is an SDL window; a child window (WS_CHILD)
// is a rectangle of its parent's client area.
struct HWND__ {
  SDL_Window* sdl = nullptr;
  WNDPROC proc = nullptr;
  HWND parent = nullptr;
  HINSTANCE instance = nullptr;
  HMENU menu = nullptr;
  DWORD style = 0;
  RECT rect{};  // children: in the parent's client coordinates; top-level: client size
  std::string className;
  std::string title;

  // Standard controls (child windows of the built-in classes).
  HFONT font = nullptr;             // WM_SETFONT; drawn by the control painter
  std::vector<std::string> items;   // list box rows
  int selection = -1;               // list box: selected row, -1 for none
  int topRow = 0;                   // list box: first visible row
  bool pressed = false;             // button: held down by the mouse

  // Top-level windows: the child that receives the keyboard, and whether the
  // children must be drawn again.
  HWND focusChild = nullptr;
  bool needsPaint = false;
};

namespace platform {

// True when the handle names a window that has not been destroyed.
bool IsLiveWindow(HWND window);

// Live top-level windows, oldest first.
std::vector<HWND> TopLevelWindows();

// Screen position of the client area's top-left corner.
POINT ClientOrigin(HWND window);

// The window procedure of a built-in control class ("BUTTON", "LISTBOX"),
// or null when the class is not one of them.
WNDPROC BuiltInControlProcedure(const char* className);

// Live children of a window, oldest first.
std::vector<HWND> ChildrenOf(HWND window);

// The visible child of a top-level window under a client point, or null.
HWND ChildAt(HWND topLevel, int clientX, int clientY);

// The top-level window a window belongs to (itself when it has no parent).
HWND TopLevelOf(HWND window);

// Where keyboard messages for a top-level window go: its focused child when
// it has one, else the window itself.
HWND KeyboardReceiver(HWND topLevel);

// Called when a top-level window is shown: a list box child that wants
// keyboard input takes the focus, so arrow keys and Return work at once.
void FocusFirstKeyboardChild(HWND topLevel);

// Marks the window's top-level window for drawing when the queue runs empty.
void InvalidateControls(HWND window);

// Draws the standard controls of top-level windows marked for drawing.
void PaintInvalidatedWindows();

// The control painter draws a top-level window's child controls (installed
// by the GDI library when it creates its first font). Without one, controls
// still work but are not drawn.
using ControlPainter = void (*)(HWND topLevel);
void SetControlPainter(ControlPainter painter);

// Rows a list box shows at once with its font (at least 1).
int VisibleListRows(HWND listBox);
// Height of one list box row in pixels (the font's line height, or 16).
int ListRowHeight(HWND listBox);
using RowHeightQuery = int (*)(HFONT font);
void SetRowHeightQuery(RowHeightQuery query);

}  // namespace platform
