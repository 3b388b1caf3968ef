// CPU cost of one InputSystem::Update with full event buffers: 20 key
// events and 40 mouse events waiting (the most one update reads), plus the
// mouse state. Only the update is timed; queueing the events is not.

#include <benchmark/benchmark.h>
#include <SDL.h>

#include <chrono>

#include "input/InputSystem.h"
#include "platform/host/Headless.h"
#include "platform/win32/SdlBridge.h"
#include "platform/win32/Windows.h"

namespace {

HWND MakeFocusedWindow() {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.lpszClassName = "InputBenchWindow";
  RegisterClassExA(&windowClass);
  HWND window = CreateWindowExA(0, "InputBenchWindow", "bench", WS_CAPTION, 0, 0, 320, 200, nullptr, nullptr,
                                nullptr, nullptr);
  ShowWindow(window, SW_SHOW);
  return window;
}

void QueueFullBuffers(Uint32 windowId) {
  SDL_Event e{};
  for (int i = 0; i < 10; ++i) {
    for (bool down : {true, false}) {
      e = SDL_Event{};
      e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
      e.key.windowID = windowId;
      e.key.keysym.scancode = static_cast<SDL_Scancode>(SDL_SCANCODE_A + i);
      SDL_PushEvent(&e);
    }
  }
  // Buttons between movements, so no movement joins another.
  for (int i = 0; i < 20; ++i) {
    e = SDL_Event{};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = windowId;
    e.motion.xrel = 1;
    SDL_PushEvent(&e);
    e = SDL_Event{};
    e.type = i % 2 == 0 ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.windowID = windowId;
    e.button.button = SDL_BUTTON_LEFT;
    SDL_PushEvent(&e);
  }
  platform::PumpSdlEvents();
}

void BM_InputUpdateFullBuffers(benchmark::State& state) {
  HWND window = MakeFocusedWindow();
  const Uint32 windowId = SDL_GetWindowID(platform::SdlWindowOf(window));
  InputSystem input;
  input.CreateDirectInput(nullptr);
  input.SetWindow(window);
  input.ResetState();
  input.InitKeyboard();
  input.InitMouse();
  for (auto _ : state) {
    QueueFullBuffers(windowId);
    const auto start = std::chrono::steady_clock::now();
    input.Update();
    const auto stop = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(stop - start).count());
    benchmark::DoNotOptimize(input.GetKey(DIK_A));
  }
  state.counters["leftPressed"] = input.IsPressed(InputSystem::kMouseButton0) ? 1 : 0;
  input.ReleaseDevices();
  DestroyWindow(window);
}
BENCHMARK(BM_InputUpdateFullBuffers)->UseManualTime();

}  // namespace

int main(int argc, char** argv) {
  host::UseHeadlessDrivers();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
