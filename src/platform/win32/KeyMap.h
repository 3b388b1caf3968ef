#pragma once
// Windows virtual-key codes of SDL scancodes (platform-internal).

namespace platform {

// The virtual-key code of a physical key, or 0 for keys without one.
// Left and right modifier keys give VK_LSHIFT/VK_RSHIFT and so on; the
// side-neutral codes are derived when the snapshot is built.
int VirtualKeyFromScancode(int scancode);

// The first physical key that gives the virtual-key code (left-hand
// modifiers for the side-neutral codes), or -1 when none does.
int ScancodeFromVirtualKey(int virtualKey);

}  // namespace platform
