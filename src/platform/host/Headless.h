#pragma once
// Headless runs: video through SDL's offscreen driver (no X server) and
// sound through OpenAL Soft's null backend. Call before any window exists.

namespace host {

void UseHeadlessDrivers();

}  // namespace host
