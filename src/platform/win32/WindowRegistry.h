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
};

namespace platform {

// True when the handle names a window that has not been destroyed.
bool IsLiveWindow(HWND window);

// Live top-level windows, oldest first.
std::vector<HWND> TopLevelWindows();

// Screen position of the client area's top-left corner.
POINT ClientOrigin(HWND window);

}  // namespace platform
