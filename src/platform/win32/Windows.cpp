// Window classes and windows on SDL.

#include <SDL.h>
#include <strings.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/Automation.h"
#include "platform/win32/InputState.h"
#include "platform/win32/SdlBridge.h"
#include "platform/win32/WinUser.h"
#include "platform/win32/WindowRegistry.h"

namespace {

struct CaseInsensitiveLess {
  bool operator()(const std::string& a, const std::string& b) const { return strcasecmp(a.c_str(), b.c_str()) < 0; }
};

struct RegisteredClass {
  WNDPROC proc = nullptr;
  HINSTANCE instance = nullptr;
};

std::map<std::string, RegisteredClass, CaseInsensitiveLess> g_classes;
std::vector<std::unique_ptr<HWND__>> g_windows;  // in creation order
ATOM g_nextAtom = 0xC000;
bool g_workAreaOverridden = false;
RECT g_workAreaOverride{};

// Stock objects are never drawn by this layer; distinct non-null handles
// keep the call sites' checks meaningful.
HBRUSH__* const kStockBrushes[3] = {reinterpret_cast<HBRUSH__*>(0x1001), reinterpret_cast<HBRUSH__*>(0x1002),
                                    reinterpret_cast<HBRUSH__*>(0x1003)};

SDL_Window* CreateSdlWindow(const char* title, int x, int y, int width, int height) {
  const int sdlX = x == CW_USEDEFAULT ? static_cast<int>(SDL_WINDOWPOS_UNDEFINED) : x;
  const int sdlY = y == CW_USEDEFAULT ? static_cast<int>(SDL_WINDOWPOS_UNDEFINED) : y;
  // OpenGL-capable first, since the graphics layer draws into top-level
  // windows; a window without GL is still useful (dialogs, no driver).
  SDL_Window* window = SDL_CreateWindow(title, sdlX, sdlY, width, height, SDL_WINDOW_HIDDEN | SDL_WINDOW_OPENGL);
  if (window == nullptr) window = SDL_CreateWindow(title, sdlX, sdlY, width, height, SDL_WINDOW_HIDDEN);
  return window;
}

}  // namespace

namespace platform {

bool EnsureSdlVideo() {
  static bool started = false;
  if (started) return true;
  // Closing the last window is a WM_CLOSE for the application to decide on,
  // not a process quit.
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
    std::fprintf(stderr, "grapple: cannot start video: %s\n", SDL_GetError());
    return false;
  }
  started = true;
  // Keep the GL driver loaded for the life of the process: windows come and
  // go, and reloading the driver each time is slow and loses its caches.
  SDL_GL_LoadLibrary(nullptr);
  std::atexit(SDL_Quit);
  return true;
}

bool IsHeadless() {
  const char* driver = nullptr;
  if (SDL_WasInit(SDL_INIT_VIDEO) != 0) driver = SDL_GetCurrentVideoDriver();
  if (driver == nullptr) driver = SDL_getenv("SDL_VIDEODRIVER");
  if (driver != nullptr) return std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0;
  return SDL_getenv("DISPLAY") == nullptr && SDL_getenv("WAYLAND_DISPLAY") == nullptr;
}

bool IsLiveWindow(HWND window) {
  if (window == nullptr) return false;
  return std::any_of(g_windows.begin(), g_windows.end(), [window](const auto& w) { return w.get() == window; });
}

POINT ClientOrigin(HWND window) {
  POINT origin{0, 0};
  for (HWND w = window; w != nullptr; w = w->parent) {
    if (w->sdl != nullptr) {
      int x = 0;
      int y = 0;
      SDL_GetWindowPosition(w->sdl, &x, &y);
      origin.x += x;
      origin.y += y;
    } else {
      origin.x += w->rect.left;
      origin.y += w->rect.top;
    }
  }
  return origin;
}

SDL_Window* SdlWindowOf(HWND window) { return IsLiveWindow(window) ? window->sdl : nullptr; }

HWND WindowOfSdl(SDL_Window* sdlWindow) {
  if (sdlWindow == nullptr) return nullptr;
  for (const auto& w : g_windows) {
    if (w->sdl == sdlWindow) return w.get();
  }
  return nullptr;
}

std::vector<HWND> TopLevelWindows() {
  std::vector<HWND> result;
  for (const auto& w : g_windows) {
    if (w->parent == nullptr) result.push_back(w.get());
  }
  return result;
}

std::vector<HWND> ChildrenOf(HWND window) {
  std::vector<HWND> result;
  for (const auto& w : g_windows) {
    if (w->parent == window) result.push_back(w.get());
  }
  return result;
}

HWND TopLevelOf(HWND window) {
  while (window != nullptr && window->parent != nullptr) window = window->parent;
  return window;
}

HWND ChildAt(HWND topLevel, int clientX, int clientY) {
  // The newest child is on top, as children are drawn in creation order.
  for (auto it = g_windows.rbegin(); it != g_windows.rend(); ++it) {
    const HWND w = it->get();
    if (w->parent != topLevel || (w->style & WS_VISIBLE) == 0) continue;
    if (clientX >= w->rect.left && clientX < w->rect.right && clientY >= w->rect.top && clientY < w->rect.bottom) return w;
  }
  return nullptr;
}

void SetWorkAreaForTests(const RECT* workArea) {
  g_workAreaOverridden = workArea != nullptr;
  if (workArea != nullptr) g_workAreaOverride = *workArea;
}

HWND FirstTopLevelWindow() {
  for (const auto& w : g_windows) {
    if (w->parent == nullptr) return w.get();
  }
  return nullptr;
}

void DropMessagesFor(HWND window);

}  // namespace platform

ATOM RegisterClassExA(const WNDCLASSEXA* windowClass) {
  if (windowClass == nullptr || windowClass->lpszClassName == nullptr || windowClass->lpfnWndProc == nullptr) return 0;
  const std::string name = windowClass->lpszClassName;
  if (g_classes.count(name) != 0) return 0;  // already registered, as on Windows
  g_classes[name] = RegisteredClass{windowClass->lpfnWndProc, windowClass->hInstance};
  return g_nextAtom++;
}

HCURSOR LoadCursorA(HINSTANCE, LPCSTR name) { return reinterpret_cast<HCURSOR>(const_cast<char*>(name)); }
HICON LoadIconA(HINSTANCE, LPCSTR name) { return reinterpret_cast<HICON>(const_cast<char*>(name)); }

HGDIOBJ GetStockObject(int object) {
  if (object < 0 || object > GRAY_BRUSH) return nullptr;
  return kStockBrushes[object];
}

int GetSystemMetrics(int index) {
  if (index == SM_CXSCREEN || index == SM_CYSCREEN) {
    SDL_Rect bounds{};
    if (platform::EnsureSdlVideo() && SDL_GetDisplayBounds(0, &bounds) == 0) {
      return index == SM_CXSCREEN ? bounds.w : bounds.h;
    }
    return index == SM_CXSCREEN ? 1920 : 1080;
  }
  return 0;  // frames and captions belong to the window manager
}

BOOL SystemParametersInfoA(UINT action, UINT, LPVOID pvParam, UINT) {
  if (action != SPI_GETWORKAREA || pvParam == nullptr) return FALSE;
  RECT* area = static_cast<RECT*>(pvParam);
  if (g_workAreaOverridden) {
    *area = g_workAreaOverride;
    return TRUE;
  }
  SDL_Rect bounds{0, 0, 1920, 1080};
  if (platform::EnsureSdlVideo() && SDL_GetDisplayUsableBounds(0, &bounds) != 0) SDL_GetDisplayBounds(0, &bounds);
  *area = RECT{bounds.x, bounds.y, bounds.x + bounds.w, bounds.y + bounds.h};
  return TRUE;
}

HWND CreateWindowExA(DWORD, LPCSTR className, LPCSTR title, DWORD style, int x, int y, int width, int height,
                     HWND parent, HMENU menu, HINSTANCE instance, LPVOID) {
  if (className == nullptr || width < 0 || height < 0) return nullptr;
  const auto found = g_classes.find(className);
  const bool child = (style & WS_CHILD) != 0;
  // Child controls of the dialog layer use built-in classes with no procedure.
  if (found == g_classes.end() && !child) return nullptr;
  if (child && !platform::IsLiveWindow(parent)) return nullptr;

  auto window = std::make_unique<HWND__>();
  window->proc = found != g_classes.end() ? found->second.proc : platform::BuiltInControlProcedure(className);
  window->parent = child ? parent : nullptr;
  window->instance = instance;
  window->menu = menu;
  window->style = style;
  window->className = className;
  window->title = title != nullptr ? title : "";
  if (child) {
    window->rect = RECT{x, y, x + width, y + height};
  } else {
    if (!platform::EnsureSdlVideo()) return nullptr;
    window->sdl = CreateSdlWindow(window->title.c_str(), x, y, std::max(width, 1), std::max(height, 1));
    if (window->sdl == nullptr) return nullptr;
    window->rect = RECT{0, 0, std::max(width, 1), std::max(height, 1)};
  }
  HWND handle = window.get();
  g_windows.push_back(std::move(window));
  if (handle->proc != nullptr && handle->proc(handle, WM_CREATE, 0, 0) == -1) {
    DestroyWindow(handle);
    return nullptr;
  }
  if ((style & WS_VISIBLE) != 0) ShowWindow(handle, SW_SHOW);
  return handle;
}

BOOL DestroyWindow(HWND window) {
  if (!platform::IsLiveWindow(window)) return FALSE;
  // Children first, newest first, as their parent is about to vanish.
  for (;;) {
    auto child = std::find_if(g_windows.rbegin(), g_windows.rend(), [window](const auto& w) { return w->parent == window; });
    if (child == g_windows.rend()) break;
    DestroyWindow(child->get());
  }
  if (window->proc != nullptr) window->proc(window, WM_DESTROY, 0, 0);
  if (!platform::IsLiveWindow(window)) return TRUE;  // destroyed from its own WM_DESTROY
  if (HWND top = platform::TopLevelOf(window); top != window) {
    if (top->focusChild == window) top->focusChild = nullptr;
    top->needsPaint = true;
  }
  if (window->sdl != nullptr) SDL_DestroyWindow(window->sdl);
  platform::ForgetWindow(window);
  platform::DropMessagesFor(window);
  g_windows.erase(std::find_if(g_windows.begin(), g_windows.end(), [window](const auto& w) { return w.get() == window; }));
  return TRUE;
}

BOOL IsWindow(HWND window) { return platform::IsLiveWindow(window) ? TRUE : FALSE; }

BOOL ShowWindow(HWND window, int command) {
  if (!platform::IsLiveWindow(window)) return FALSE;
  const BOOL wasVisible = (window->style & WS_VISIBLE) != 0 ? TRUE : FALSE;
  if (command == SW_HIDE) {
    window->style &= ~WS_VISIBLE;
    if (window->sdl != nullptr) SDL_HideWindow(window->sdl);
    return wasVisible;
  }
  window->style |= WS_VISIBLE;
  platform::InvalidateControls(window);
  if (window->sdl != nullptr) {
    platform::FocusFirstKeyboardChild(window);
    SDL_ShowWindow(window->sdl);
    SDL_RaiseWindow(window->sdl);
    // Without a display there is no window manager to hand out the keyboard
    // focus, so a shown window takes it.
    if (platform::IsHeadless()) platform::RecordFocus(window);
  }
  return wasVisible;
}

BOOL UpdateWindow(HWND window) { return platform::IsLiveWindow(window) ? TRUE : FALSE; }

BOOL GetClientRect(HWND window, RECT* rect) {
  if (rect == nullptr || !platform::IsLiveWindow(window)) return FALSE;
  *rect = RECT{0, 0, window->rect.right - window->rect.left, window->rect.bottom - window->rect.top};
  return TRUE;
}
