#pragma once
// DirectInput keyboard scan codes of SDL scancodes (platform-internal).

namespace dinput8 {

// The DIK_* code of a physical key, or 0 for keys DirectInput has no code
// for.
int DikFromScancode(int scancode);

}  // namespace dinput8
