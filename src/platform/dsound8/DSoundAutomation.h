#pragma once
// Hooks of the sound layer for tests and tools (the game never calls these).

#include <cstdint>

#include "platform/dsound8/DSound8.h"

namespace dsound8 {

// While on, DirectSoundCreate8 opens OpenAL Soft's loopback device: stereo,
// 16-bit, LoopbackRate() frames per second, mixing only when
// RenderLoopback asks, so tests hear exactly what the listener would.
void UseLoopbackDevice(bool on);
int LoopbackRate();
// Mixes the next `frames` frames of a loopback DirectSound object into out
// (2 * frames samples, left first). False for any other object.
bool RenderLoopback(IDirectSound8* sound, std::int16_t* out, int frames);

// The next `count` DirectSoundCreate8 calls fail with DSERR_NODRIVER, as on
// a machine without a sound device.
void FailNextDeviceOpens(int count);

}  // namespace dsound8
