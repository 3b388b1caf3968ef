#include "platform/win32/KeyMap.h"

#include <SDL.h>

#include <array>

#include "platform/win32/WinUser.h"

namespace platform {
namespace {

std::array<unsigned char, SDL_NUM_SCANCODES> BuildTable() {
  std::array<unsigned char, SDL_NUM_SCANCODES> table{};
  for (int i = 0; i < 26; ++i) table[SDL_SCANCODE_A + i] = static_cast<unsigned char>('A' + i);
  table[SDL_SCANCODE_0] = '0';
  for (int i = 0; i < 9; ++i) table[SDL_SCANCODE_1 + i] = static_cast<unsigned char>('1' + i);
  for (int i = 0; i < 12; ++i) table[SDL_SCANCODE_F1 + i] = static_cast<unsigned char>(VK_F1 + i);
  table[SDL_SCANCODE_KP_0] = VK_NUMPAD0;
  for (int i = 0; i < 9; ++i) table[SDL_SCANCODE_KP_1 + i] = static_cast<unsigned char>(VK_NUMPAD0 + 1 + i);

  const struct {
    SDL_Scancode scancode;
    int vk;
  } named[] = {
      {SDL_SCANCODE_ESCAPE, VK_ESCAPE},     {SDL_SCANCODE_RETURN, VK_RETURN},
      {SDL_SCANCODE_KP_ENTER, VK_RETURN},   {SDL_SCANCODE_BACKSPACE, VK_BACK},
      {SDL_SCANCODE_TAB, VK_TAB},           {SDL_SCANCODE_SPACE, VK_SPACE},
      {SDL_SCANCODE_LEFT, VK_LEFT},         {SDL_SCANCODE_RIGHT, VK_RIGHT},
      {SDL_SCANCODE_UP, VK_UP},             {SDL_SCANCODE_DOWN, VK_DOWN},
      {SDL_SCANCODE_INSERT, VK_INSERT},     {SDL_SCANCODE_DELETE, VK_DELETE},
      {SDL_SCANCODE_HOME, VK_HOME},         {SDL_SCANCODE_END, VK_END},
      {SDL_SCANCODE_PAGEUP, VK_PRIOR},      {SDL_SCANCODE_PAGEDOWN, VK_NEXT},
      {SDL_SCANCODE_LSHIFT, VK_LSHIFT},     {SDL_SCANCODE_RSHIFT, VK_RSHIFT},
      {SDL_SCANCODE_LCTRL, VK_LCONTROL},    {SDL_SCANCODE_RCTRL, VK_RCONTROL},
      {SDL_SCANCODE_LALT, VK_LMENU},        {SDL_SCANCODE_RALT, VK_RMENU},
      {SDL_SCANCODE_LGUI, VK_LWIN},         {SDL_SCANCODE_RGUI, VK_RWIN},
      {SDL_SCANCODE_APPLICATION, VK_APPS},  {SDL_SCANCODE_CAPSLOCK, VK_CAPITAL},
      {SDL_SCANCODE_NUMLOCKCLEAR, VK_NUMLOCK}, {SDL_SCANCODE_SCROLLLOCK, VK_SCROLL},
      {SDL_SCANCODE_PAUSE, VK_PAUSE},       {SDL_SCANCODE_PRINTSCREEN, VK_SNAPSHOT},
      {SDL_SCANCODE_KP_MULTIPLY, VK_MULTIPLY}, {SDL_SCANCODE_KP_PLUS, VK_ADD},
      {SDL_SCANCODE_KP_MINUS, VK_SUBTRACT}, {SDL_SCANCODE_KP_PERIOD, VK_DECIMAL},
      {SDL_SCANCODE_KP_DIVIDE, VK_DIVIDE},  {SDL_SCANCODE_SEMICOLON, VK_OEM_1},
      {SDL_SCANCODE_EQUALS, VK_OEM_PLUS},   {SDL_SCANCODE_COMMA, VK_OEM_COMMA},
      {SDL_SCANCODE_MINUS, VK_OEM_MINUS},   {SDL_SCANCODE_PERIOD, VK_OEM_PERIOD},
      {SDL_SCANCODE_SLASH, VK_OEM_2},       {SDL_SCANCODE_GRAVE, VK_OEM_3},
      {SDL_SCANCODE_LEFTBRACKET, VK_OEM_4}, {SDL_SCANCODE_BACKSLASH, VK_OEM_5},
      {SDL_SCANCODE_RIGHTBRACKET, VK_OEM_6}, {SDL_SCANCODE_APOSTROPHE, VK_OEM_7},
  };
  for (const auto& entry : named) table[entry.scancode] = static_cast<unsigned char>(entry.vk);
  return table;
}

}  // namespace

int VirtualKeyFromScancode(int scancode) {
  static const std::array<unsigned char, SDL_NUM_SCANCODES> table = BuildTable();
  if (scancode < 0 || scancode >= SDL_NUM_SCANCODES) return 0;
  return table[static_cast<std::size_t>(scancode)];
}

int ScancodeFromVirtualKey(int virtualKey) {
  if (virtualKey == VK_SHIFT) virtualKey = VK_LSHIFT;
  if (virtualKey == VK_CONTROL) virtualKey = VK_LCONTROL;
  if (virtualKey == VK_MENU) virtualKey = VK_LMENU;
  for (int scancode = 0; scancode < SDL_NUM_SCANCODES; ++scancode) {
    if (VirtualKeyFromScancode(scancode) == virtualKey) return scancode;
  }
  return -1;
}

}  // namespace platform
