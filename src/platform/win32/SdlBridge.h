#pragma once
// What the other platform areas (graphics, input, host) need from the SDL
// side of the window layer. Game code never includes this.

#include "platform/win32/WinTypes.h"

struct SDL_Window;
union SDL_Event;

namespace platform {

// Initialises SDL's video and event subsystems once. False when no video
// driver can start.
bool EnsureSdlVideo();

SDL_Window* SdlWindowOf(HWND window);
HWND WindowOfSdl(SDL_Window* window);
// The oldest live top-level window, or null.
HWND FirstTopLevelWindow();

// Observers see every SDL event the message pump takes from SDL's queue,
// before it is translated into window messages (DirectInput devices buffer
// their own events this way).
using SdlEventObserver = void (*)(const SDL_Event& event, void* context);
void AddSdlEventObserver(SdlEventObserver observer, void* context);
void RemoveSdlEventObserver(SdlEventObserver observer, void* context);

// Pumps SDL's queue into the window messages without taking any message.
void PumpSdlEvents();

}  // namespace platform
