#pragma once
// The keyboard, mouse and focus state that the message pump keeps from SDL
// events (platform-internal). It is the state Windows would report through
// GetKeyboardState, GetCursorPos and GetForegroundWindow.

#include "platform/win32/WinTypes.h"

namespace platform {

// Records a physical key change. Returns the key's virtual-key code (0 when
// it has none).
int RecordKey(int scancode, bool down, bool repeat);
bool IsAltHeld();
bool IsShiftHeld();
bool IsControlHeld();

// Mouse buttons by virtual-key code (VK_LBUTTON, VK_RBUTTON, VK_MBUTTON, ...).
void RecordMouseButton(int virtualKey, bool down);
void RecordCursor(HWND window, int clientX, int clientY);
// The MK_* flags of mouse messages (buttons, Shift, Control).
WPARAM MouseKeyFlags();

void RecordFocus(HWND window);
void ForgetWindow(HWND window);

}  // namespace platform
