#pragma once
// A shown (so focused) window and raw SDL input events for the input tests.
// Events are pushed into SDL's queue and reach the devices when Pump runs
// the message pump, the path real input takes.

#include <SDL.h>

#include "platform/win32/SdlBridge.h"
#include "platform/win32/Windows.h"
#include "support/HeadlessFixture.h"

class FocusedWindowTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    window_ = CreateShownTestWindow("InputTestWindow", DefWindowProcA);
    ASSERT_NE(window_, nullptr);
    ASSERT_EQ(GetForegroundWindow(), window_);
  }
  void TearDown() override {
    if (IsWindow(window_)) DestroyWindow(window_);
    Pump();
    HeadlessTest::TearDown();
  }

  Uint32 WindowId() const { return SDL_GetWindowID(platform::SdlWindowOf(window_)); }

  void Key(SDL_Scancode scancode, bool down, bool repeat = false) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = WindowId();
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = repeat ? 1 : 0;
    e.key.keysym.scancode = scancode;
    SDL_PushEvent(&e);
  }
  void Tap(SDL_Scancode scancode) {
    Key(scancode, true);
    Key(scancode, false);
  }
  void Motion(int dx, int dy) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = WindowId();
    e.motion.xrel = dx;
    e.motion.yrel = dy;
    SDL_PushEvent(&e);
  }
  void Button(Uint8 button, bool down) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.windowID = WindowId();
    e.button.button = button;
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    SDL_PushEvent(&e);
  }
  void Wheel(int notches) {
    SDL_Event e{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.windowID = WindowId();
    e.wheel.y = notches;
    e.wheel.preciseY = static_cast<float>(notches);
    e.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
    SDL_PushEvent(&e);
  }
  void Focus(bool gained) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = WindowId();
    e.window.event = gained ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST;
    SDL_PushEvent(&e);
  }
  // Runs the message pump: the devices take their events.
  static void Pump() {
    platform::PumpSdlEvents();
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
  }

  HWND window_ = nullptr;
};
