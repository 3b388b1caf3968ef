#pragma once
// Everything of the Windows platform layer the game calls.

#include "platform/win32/Process.h"
#include "platform/win32/TimeApi.h"
#include "platform/win32/WinBase.h"
#include "platform/win32/WinTypes.h"
#include "platform/win32/WinUser.h"
