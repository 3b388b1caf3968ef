// The message queue: SDL events become window messages, and the thread's
// queue hands them out in order with WM_QUIT last, as on Windows.

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <vector>

#include "platform/win32/InputState.h"
#include "platform/win32/SdlBridge.h"
#include "platform/win32/TimeApi.h"
#include "platform/win32/WinUser.h"
#include "platform/win32/WindowRegistry.h"

namespace {

struct Observer {
  platform::SdlEventObserver callback;
  void* context;
};

std::deque<MSG> g_queue;
std::vector<Observer> g_observers;
bool g_dispatching = false;
// The control that took a mouse button press gets the release too, wherever
// it happens (the mouse capture of buttons and list boxes).
HWND g_capture = nullptr;

void SweepRemovedObservers() {
  g_observers.erase(std::remove_if(g_observers.begin(), g_observers.end(),
                                   [](const Observer& o) { return o.callback == nullptr; }),
                    g_observers.end());
}
bool g_quitPosted = false;
int g_quitCode = 0;

LPARAM PackPoint(LONG x, LONG y) {
  return static_cast<LPARAM>(MAKELONG(static_cast<WORD>(static_cast<SHORT>(x)), static_cast<WORD>(static_cast<SHORT>(y))));
}

void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (window == nullptr) return;
  POINT cursor{};
  GetCursorPos(&cursor);
  g_queue.push_back(MSG{window, message, wParam, lParam, timeGetTime(), cursor});
}

HWND TargetOf(Uint32 windowId) {
  HWND window = platform::WindowOfSdl(SDL_GetWindowFromID(windowId));
  return window != nullptr ? window : platform::FirstTopLevelWindow();
}

HWND ActiveWindow(Uint32 windowId) {
  HWND focus = GetForegroundWindow();
  return focus != nullptr ? focus : TargetOf(windowId);
}

// Keys go to the focused child control of the active window, if it has one.
HWND KeyboardTarget(Uint32 windowId) { return platform::KeyboardReceiver(ActiveWindow(windowId)); }

// A mouse message for a top-level window goes to the child control under the
// pointer (or holding the capture), in that child's client coordinates.
HWND MouseReceiver(HWND topLevel, int* x, int* y) {
  HWND receiver = platform::IsLiveWindow(g_capture) ? g_capture : platform::ChildAt(topLevel, *x, *y);
  if (receiver == nullptr || platform::TopLevelOf(receiver) != topLevel) return topLevel;
  for (HWND w = receiver; w != topLevel; w = w->parent) {
    *x -= w->rect.left;
    *y -= w->rect.top;
  }
  return receiver;
}

void TranslateKey(const SDL_KeyboardEvent& key) {
  const bool down = key.type == SDL_KEYDOWN;
  const int vk = platform::RecordKey(key.keysym.scancode, down, key.repeat != 0);
  if (vk == 0) return;
  // Keys pressed with Alt held, Alt itself and F10 are system keys: they
  // would open the window menu unless the window procedure swallows them.
  const bool alt = platform::IsAltHeld() || vk == VK_LMENU || vk == VK_RMENU;
  const bool system = (alt && !platform::IsControlHeld()) || vk == VK_F10;
  LPARAM flags = 1 | (static_cast<LPARAM>(key.keysym.scancode & 0xFF) << 16);
  if (platform::IsAltHeld()) flags |= LPARAM{1} << 29;
  if (!down) flags |= (LPARAM{1} << 30) | (LPARAM{1} << 31);
  const int neutralVk = (vk == VK_LSHIFT || vk == VK_RSHIFT)       ? VK_SHIFT
                        : (vk == VK_LCONTROL || vk == VK_RCONTROL) ? VK_CONTROL
                        : (vk == VK_LMENU || vk == VK_RMENU)       ? VK_MENU
                                                                   : vk;
  const UINT message = system ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
  Post(KeyboardTarget(key.windowID), message, static_cast<WPARAM>(neutralVk), flags);
}

int ButtonVirtualKey(Uint8 button) {
  switch (button) {
    case SDL_BUTTON_LEFT: return VK_LBUTTON;
    case SDL_BUTTON_RIGHT: return VK_RBUTTON;
    case SDL_BUTTON_MIDDLE: return VK_MBUTTON;
    case SDL_BUTTON_X1: return VK_XBUTTON1;
    case SDL_BUTTON_X2: return VK_XBUTTON2;
    default: return 0;
  }
}

void TranslateButton(const SDL_MouseButtonEvent& button) {
  const bool down = button.type == SDL_MOUSEBUTTONDOWN;
  const int vk = ButtonVirtualKey(button.button);
  if (vk == 0) return;
  HWND window = TargetOf(button.windowID);
  platform::RecordCursor(window, button.x, button.y);
  platform::RecordMouseButton(vk, down);
  int x = button.x;
  int y = button.y;
  HWND receiver = MouseReceiver(window, &x, &y);
  const bool control = receiver != window;
  if (vk == VK_LBUTTON) g_capture = down && control ? receiver : nullptr;
  UINT message = 0;
  if (vk == VK_LBUTTON) message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
  if (vk == VK_RBUTTON) message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
  if (vk == VK_MBUTTON) message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
  // The standard controls take double clicks; other window classes are
  // registered without them and see a second press.
  if (message == WM_LBUTTONDOWN && control && button.clicks >= 2) message = WM_LBUTTONDBLCLK;
  if (message != 0) Post(receiver, message, platform::MouseKeyFlags(), PackPoint(x, y));
}

void TranslateWheel(const SDL_MouseWheelEvent& wheel) {
  // Raw deltas in 120ths of a notch; smooth wheels and touchpads give
  // fractions of a notch, which the receiver accumulates.
  float notches = wheel.preciseY != 0.0f ? wheel.preciseY : static_cast<float>(wheel.y);
  if (wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
  const long delta = std::lround(std::clamp(notches * WHEEL_DELTA, -32768.0f, 32767.0f));
  if (delta == 0) return;
  POINT cursor{};
  GetCursorPos(&cursor);
  const WPARAM wParam = MAKELONG(static_cast<WORD>(platform::MouseKeyFlags()), static_cast<WORD>(static_cast<SHORT>(delta)));
  Post(ActiveWindow(wheel.windowID), WM_MOUSEWHEEL, wParam, PackPoint(cursor.x, cursor.y));
}

void TranslateWindowEvent(const SDL_WindowEvent& event) {
  HWND window = platform::WindowOfSdl(SDL_GetWindowFromID(event.windowID));
  if (window == nullptr) return;
  switch (event.event) {
    case SDL_WINDOWEVENT_CLOSE:
      Post(window, WM_CLOSE, 0, 0);
      break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      platform::RecordFocus(window);
      Post(window, WM_SETFOCUS, 0, 0);
      break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      if (GetForegroundWindow() == window) platform::RecordFocus(nullptr);
      Post(window, WM_KILLFOCUS, 0, 0);
      break;
    case SDL_WINDOWEVENT_EXPOSED:
      Post(window, WM_PAINT, 0, 0);
      break;
    default:
      break;
  }
}

void Translate(const SDL_Event& event) {
  switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      TranslateKey(event.key);
      break;
    case SDL_MOUSEMOTION: {
      HWND window = TargetOf(event.motion.windowID);
      platform::RecordCursor(window, event.motion.x, event.motion.y);
      int x = event.motion.x;
      int y = event.motion.y;
      HWND receiver = MouseReceiver(window, &x, &y);
      Post(receiver, WM_MOUSEMOVE, platform::MouseKeyFlags(), PackPoint(x, y));
      break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      TranslateButton(event.button);
      break;
    case SDL_MOUSEWHEEL:
      TranslateWheel(event.wheel);
      break;
    case SDL_WINDOWEVENT:
      TranslateWindowEvent(event.window);
      break;
    case SDL_QUIT:
      // A termination request (Ctrl+C, logout) closes every top-level window.
      for (HWND window : platform::TopLevelWindows()) Post(window, WM_CLOSE, 0, 0);
      break;
    default:
      break;
  }
}

bool Matches(const MSG& message, HWND window, UINT filterMin, UINT filterMax) {
  if (window != nullptr && message.hwnd != window) return false;
  if (filterMin == 0 && filterMax == 0) return true;
  return message.message >= filterMin && message.message <= filterMax;
}

}  // namespace

namespace platform {

void PumpSdlEvents() {
  if (SDL_WasInit(SDL_INIT_EVENTS) == 0) return;
  SDL_Event event;
  while (SDL_PollEvent(&event) != 0) {
    // Observers removed while being called leave an empty slot, swept below,
    // so the list never moves under the loop.
    g_dispatching = true;
    for (std::size_t i = 0; i < g_observers.size(); ++i) {
      const Observer observer = g_observers[i];
      if (observer.callback != nullptr) observer.callback(event, observer.context);
    }
    g_dispatching = false;
    SweepRemovedObservers();
    Translate(event);
  }
}

void AddSdlEventObserver(SdlEventObserver observer, void* context) { g_observers.push_back(Observer{observer, context}); }

void RemoveSdlEventObserver(SdlEventObserver observer, void* context) {
  for (Observer& o : g_observers) {
    if (o.callback == observer && o.context == context) o.callback = nullptr;
  }
  if (!g_dispatching) SweepRemovedObservers();
}

void DropMessagesFor(HWND window) {
  if (g_capture == window) g_capture = nullptr;
  g_queue.erase(std::remove_if(g_queue.begin(), g_queue.end(), [window](const MSG& m) { return m.hwnd == window; }),
                g_queue.end());
}

}  // namespace platform

BOOL PeekMessageA(MSG* message, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
  if (message == nullptr) return FALSE;
  platform::PumpSdlEvents();
  for (auto it = g_queue.begin(); it != g_queue.end(); ++it) {
    if (!Matches(*it, window, filterMin, filterMax)) continue;
    *message = *it;
    if ((removeFlags & PM_REMOVE) != 0) g_queue.erase(it);
    return TRUE;
  }
  // WM_QUIT comes once the queue holds nothing else for the caller.
  if (g_quitPosted && window == nullptr && Matches(MSG{nullptr, WM_QUIT, 0, 0, 0, {}}, nullptr, filterMin, filterMax)) {
    *message = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(g_quitCode), 0, timeGetTime(), {}};
    if ((removeFlags & PM_REMOVE) != 0) g_quitPosted = false;
    return TRUE;
  }
  // Controls are drawn once the queue holds nothing more for the caller.
  platform::PaintInvalidatedWindows();
  return FALSE;
}

// Character messages are not used by the game, so nothing is translated.
BOOL TranslateMessage(const MSG*) { return FALSE; }

LRESULT DispatchMessageA(const MSG* message) {
  if (message == nullptr || !platform::IsLiveWindow(message->hwnd) || message->hwnd->proc == nullptr) return 0;
  return message->hwnd->proc(message->hwnd, message->message, message->wParam, message->lParam);
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!platform::IsLiveWindow(window)) return FALSE;
  Post(window, message, wParam, lParam);
  return TRUE;
}

void PostQuitMessage(int exitCode) {
  g_quitPosted = true;
  g_quitCode = exitCode;
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!platform::IsLiveWindow(window)) return 0;
  if (window->proc == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  return window->proc(window, message, wParam, lParam);
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_SYSKEYDOWN:
      // Alt+F4 asks the window to close.
      if (wParam == VK_F4 && (lParam & (LPARAM{1} << 29)) != 0) return SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) return SendMessageA(window, WM_CLOSE, 0, 0);
      return 0;
    case WM_VKEYTOITEM:
      return -1;  // the list box performs its own action for the key
    default:
      return 0;
  }
}
