#include "platform/win32/InputState.h"

#include <SDL.h>

#include <array>
#include <cstring>

#include "platform/win32/KeyMap.h"
#include "platform/win32/SdlBridge.h"
#include "platform/win32/WindowRegistry.h"

namespace {

struct InputState {
  std::array<bool, SDL_NUM_SCANCODES> scancodeDown{};
  std::array<bool, 256> buttonDown{};  // mouse buttons by virtual-key code
  std::array<BYTE, 256> toggled{};     // low bit of GetKeyboardState
  POINT cursor{};                      // screen coordinates
  HWND focus = nullptr;
};

InputState g_input;

bool AnyScancodeDown(SDL_Scancode a, SDL_Scancode b) { return g_input.scancodeDown[a] || g_input.scancodeDown[b]; }

}  // namespace

namespace platform {

int RecordKey(int scancode, bool down, bool repeat) {
  if (scancode < 0 || scancode >= SDL_NUM_SCANCODES) return 0;
  g_input.scancodeDown[static_cast<std::size_t>(scancode)] = down;
  const int vk = VirtualKeyFromScancode(scancode);
  if (vk != 0 && down && !repeat) g_input.toggled[static_cast<std::size_t>(vk)] ^= 1;
  return vk;
}

bool IsAltHeld() { return AnyScancodeDown(SDL_SCANCODE_LALT, SDL_SCANCODE_RALT); }
bool IsShiftHeld() { return AnyScancodeDown(SDL_SCANCODE_LSHIFT, SDL_SCANCODE_RSHIFT); }
bool IsControlHeld() { return AnyScancodeDown(SDL_SCANCODE_LCTRL, SDL_SCANCODE_RCTRL); }

void RecordMouseButton(int virtualKey, bool down) {
  if (virtualKey <= 0 || virtualKey > 255) return;
  g_input.buttonDown[static_cast<std::size_t>(virtualKey)] = down;
  if (down) g_input.toggled[static_cast<std::size_t>(virtualKey)] ^= 1;
}

void RecordCursor(HWND window, int clientX, int clientY) {
  const POINT origin = ClientOrigin(window);
  g_input.cursor = POINT{origin.x + clientX, origin.y + clientY};
}

WPARAM MouseKeyFlags() {
  WPARAM flags = 0;
  if (g_input.buttonDown[VK_LBUTTON]) flags |= 0x0001;
  if (g_input.buttonDown[VK_RBUTTON]) flags |= 0x0002;
  if (IsShiftHeld()) flags |= 0x0004;
  if (IsControlHeld()) flags |= 0x0008;
  if (g_input.buttonDown[VK_MBUTTON]) flags |= 0x0010;
  return flags;
}

void RecordFocus(HWND window) { g_input.focus = window; }

void ForgetWindow(HWND window) {
  if (g_input.focus == window) g_input.focus = nullptr;
}

}  // namespace platform

BOOL GetKeyboardState(BYTE* keyState) {
  if (keyState == nullptr) return FALSE;
  std::memcpy(keyState, g_input.toggled.data(), 256);
  for (int scancode = 0; scancode < SDL_NUM_SCANCODES; ++scancode) {
    if (!g_input.scancodeDown[static_cast<std::size_t>(scancode)]) continue;
    if (const int vk = platform::VirtualKeyFromScancode(scancode)) keyState[vk] |= 0x80;
  }
  for (int vk = 1; vk < 256; ++vk) {
    if (g_input.buttonDown[static_cast<std::size_t>(vk)]) keyState[vk] |= 0x80;
  }
  // The side-neutral modifier codes are held when either side is.
  if (platform::IsShiftHeld()) keyState[VK_SHIFT] |= 0x80;
  if (platform::IsControlHeld()) keyState[VK_CONTROL] |= 0x80;
  if (platform::IsAltHeld()) keyState[VK_MENU] |= 0x80;
  return TRUE;
}

BOOL GetCursorPos(POINT* point) {
  if (point == nullptr) return FALSE;
  *point = g_input.cursor;
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  g_input.cursor = POINT{x, y};
  // Warp the pointer inside whichever window holds the point; a point outside
  // every window only moves the recorded position.
  if (HWND window = GetForegroundWindow(); window != nullptr && window->sdl != nullptr) {
    const POINT origin = platform::ClientOrigin(window);
    const int clientX = x - origin.x;
    const int clientY = y - origin.y;
    if (clientX >= 0 && clientY >= 0 && clientX < window->rect.right && clientY < window->rect.bottom) {
      SDL_WarpMouseInWindow(window->sdl, clientX, clientY);
    }
  }
  return TRUE;
}

BOOL ScreenToClient(HWND window, POINT* point) {
  if (point == nullptr || !platform::IsLiveWindow(window)) return FALSE;
  const POINT origin = platform::ClientOrigin(window);
  point->x -= origin.x;
  point->y -= origin.y;
  return TRUE;
}

BOOL ClientToScreen(HWND window, POINT* point) {
  if (point == nullptr || !platform::IsLiveWindow(window)) return FALSE;
  const POINT origin = platform::ClientOrigin(window);
  point->x += origin.x;
  point->y += origin.y;
  return TRUE;
}

HWND GetForegroundWindow() { return g_input.focus; }
