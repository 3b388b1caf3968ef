#pragma once
// The player's keys as the input system holds them.

#include "app/PlayerControl.h"
#include "input/InputSystem.h"

// Arrows, both Shift and both Ctrl keys held; Space, Z, X, C, V and F5
// pressed this step.
PlayerKeys ReadPlayerKeys(const InputSystem& input);
